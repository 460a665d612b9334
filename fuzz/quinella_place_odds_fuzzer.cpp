// Any bytes as the oddsk odds page of a race.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "web/quinella_place_odds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  wakelore::OddsMap odds;
  const bool ok = wakelore::ParseQuinellaPlaceOdds(std::string_view(reinterpret_cast<const char*>(data), size), &odds);
  if (odds.size() > 15 || (!ok && !odds.empty())) __builtin_trap();
  for (const auto& entry : odds) {
    if (!(entry.second.low > 0) || (entry.second.high != 0 && entry.second.high < entry.second.low)) __builtin_trap();
  }
  return 0;
}
