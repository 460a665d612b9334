// Any bytes as the before-race page of a race.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "web/before_race.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  wakelore::BeforeRaceInfo info;
  std::string_view body(reinterpret_cast<const char*>(data), size);
  if (wakelore::ParseBeforeInfo(body, &info) && info.entries.size() > 6) __builtin_trap();
  return 0;
}
