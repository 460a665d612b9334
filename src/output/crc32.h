// CRC-32 as used by ZIP and zlib (ISO 3309 / ITU-T V.42: reflected
// polynomial 0xEDB88320, register preset to all ones, final complement).
#ifndef WAKELORE_OUTPUT_CRC32_H_
#define WAKELORE_OUTPUT_CRC32_H_

#include <cstddef>
#include <cstdint>

namespace wakelore {

// Continues the running value `crc` (0 to start) over `size` bytes and
// returns the CRC of everything seen so far, so a file can be summed in
// consecutive chunks.  Thread-safe; the table is built on first use.
uint32_t Crc32(uint32_t crc, const void* data, size_t size);

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_CRC32_H_
