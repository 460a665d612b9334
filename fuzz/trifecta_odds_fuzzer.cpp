// Any bytes as the trifecta odds page of a race.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "web/trifecta_odds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  wakelore::TrifectaOdds odds;
  bool ok = wakelore::ParseTrifectaOdds(std::string_view(reinterpret_cast<const char*>(data), size), &odds);
  if (odds.size() > 120 || (!ok && !odds.empty())) __builtin_trap();
  return 0;
}
