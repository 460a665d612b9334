// A strict reader of the ZIP packages this program writes, for tests: it
// walks the central directory, checks every local header against its
// directory record, inflates the parts (stored, fixed- and dynamic-Huffman
// blocks) and checks CRC and sizes.
#ifndef WAKELORE_TESTS_SUPPORT_ZIP_READER_H_
#define WAKELORE_TESTS_SUPPORT_ZIP_READER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace wakelore::test {

struct ZipPart {
  std::string name;
  std::string data;            // inflated
  uint16_t method = 0;
  uint16_t flags = 0;
  uint32_t compressed_size = 0;
  std::vector<bool> blocks;    // final flag of each deflate block, in order
};

// Inflates a raw deflate stream; `*finals` (may be null) receives each
// block's final flag.  False with a reason in `*error` on any fault.
bool Inflate(const std::string& stream, std::string* out, std::vector<bool>* finals,
             std::string* error);

// Reads a whole package in directory order.  False with a reason on any
// inconsistency.
bool ReadZip(const std::string& package, std::vector<ZipPart>* parts, std::string* error);

}  // namespace wakelore::test

#endif  // WAKELORE_TESTS_SUPPORT_ZIP_READER_H_
