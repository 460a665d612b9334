// Any bytes as the extracted text of a racer period archive.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "acquire/racer_period_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (std::string_view line : wakelore::SplitRacerLines(text)) {
    // Every line, racer or not: the parser must hold on short ones too.
    wakelore::ParseRacerPeriodLine(line);
    wakelore::IsRacerLine(line);
  }
  return 0;
}
