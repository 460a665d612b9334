// The recognition of a daily file's structure from arbitrary code page 932
// bytes: block code lines, stadium headings (printed names, former names,
// venue forms), day labels and the race header readers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/official_recognition.h"
#include "archive/official_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace wakelore;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::wstring day_label;
  for (const std::wstring& line : DecodeLines(bytes)) {
    if (std::optional<BlockCode> code = BlockCodeOf(line)) {
      if (code->code < 0 || code->code > 99 || code->text.size() != 6) __builtin_trap();
    }
    const int32_t detected = DetectStadium(line);
    if (detected < 0 || detected > 24) __builtin_trap();
    // A name next to its marker is what DetectStadium finds first.
    const int32_t printed = PrintedStadiumOf(line);
    if (printed != 0 && printed != detected) __builtin_trap();
    if (IsUnnamedStadiumHeading(line) && detected != 0) __builtin_trap();
    ReadDayLabel(line, &day_label);
    RaceNumberOf(line);
    DistanceOf(line);
    RaceTitleOf(line);
    if (DeadlineOf(line).size() > 5) __builtin_trap();
  }
  return 0;
}
