// Feeds arbitrary bytes to the LZH decoder as a whole archive.  A success
// must hold exactly the declared size; a failure must say why.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "archive/lzh_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  wakelore::LzhDecoder decoder;
  std::vector<uint8_t> out;
  const bool ok = decoder.ExtractFirstEntry(data, data + size, &out);
  if (ok) {
    const uint32_t declared = static_cast<uint32_t>(data[11]) | (static_cast<uint32_t>(data[12]) << 8) |
                              (static_cast<uint32_t>(data[13]) << 16) |
                              (static_cast<uint32_t>(data[14]) << 24);
    if (out.size() != declared || !decoder.message().empty()) abort();
  } else if (decoder.message().empty()) {
    abort();
  }
  return 0;
}
