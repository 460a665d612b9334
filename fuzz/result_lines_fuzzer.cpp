// Result file lines: race headers, finishing order lines (and the test of
// lines that only start like one), the technique line, the technique on the
// pair-bet line of the older files and payout lines (with the bet type carried from line to line), from
// arbitrary code page 932 bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/official_text.h"
#include "archive/result_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace wakelore;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::wstring bet_type;
  for (const std::wstring& line : DecodeLines(bytes)) {
    ParseResultHeader(line);
    WinningTechniqueOf(line);
    PrintedTechniqueOf(line);
    IsPendingResultNotice(line);
    LooksLikeResultEntry(line);
    if (std::optional<ResultEntry> e = ParseResultEntry(line)) {
      if (e->finishOrder < 1 || e->frame < 1 || e->frame > 6 ||
          e->registerNo.size() != 4 || !IsAsciiDigits(e->motorNo) || !IsAsciiDigits(e->boatNo)) {
        __builtin_trap();
      }
    }
    for (const PayoutItem& item : ParsePayoutLine(line, &bet_type)) {
      if (item.amount <= 0 || item.betType.empty() || item.combination.empty()) __builtin_trap();
    }
  }
  return 0;
}
