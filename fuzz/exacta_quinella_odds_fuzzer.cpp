// Any bytes as the odds2tf odds page of a race.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "web/exacta_quinella_odds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  wakelore::OddsMap first, second;
  const bool ok =
      wakelore::ParseExactaQuinellaOdds(std::string_view(reinterpret_cast<const char*>(data), size), &first, &second);
  if (first.size() > 30 || second.size() > 30 || (!ok && (!first.empty() || !second.empty()))) {
    __builtin_trap();
  }
  for (const wakelore::OddsMap* map : {&first, &second}) {
    for (const auto& entry : *map) {
      if (!(entry.second.low > 0) || (entry.second.high != 0 && entry.second.high < entry.second.low)) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
