// Program file lines: entry lines cut by byte columns, race headers and
// stadium block heads, from arbitrary code page 932 bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/official_recognition.h"
#include "archive/official_text.h"
#include "archive/program_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace wakelore;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::wstring day_label;
  std::wstring series_title;
  bool expect_title = true;
  for (const std::wstring& line : DecodeLines(bytes)) {
    if (std::optional<ProgramEntry> e = ParseProgramEntry(line)) {
      if (e->frame < 1 || e->frame > 6 || e->registerNo.empty() || e->className.size() != 2) {
        __builtin_trap();
      }
      const double score = CurrentScoreOf(e->currentResults);
      if (score != 0.0 && (score < 1.0 || score > 100.0)) __builtin_trap();
    }
    const int32_t stadium = DetectStadium(line);
    if (stadium < 0 || stadium > 24) __builtin_trap();
    ReadDayLabel(line, &day_label);
    TakeSeriesTitle(line, &expect_title, &series_title);
    RaceNumberOf(line);
    DistanceOf(line);
    RaceTitleOf(line);
    if (DeadlineOf(line).size() > 5) __builtin_trap();
    ParseNumber(line);
    ParseInteger(line);
  }
  return 0;
}
