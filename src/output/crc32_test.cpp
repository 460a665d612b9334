#include "output/crc32.h"

#include <gtest/gtest.h>

#include <string>

namespace wakelore {
namespace {

TEST(Crc32Test, KnownValues) {
  struct Case {
    std::string input;
    uint32_t crc;
  };
  const Case cases[] = {
      {"", 0x00000000u},
      {"a", 0xE8B7BE43u},
      {"123456789", 0xCBF43926u},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
      {std::string("\0\0\0\0", 4), 0x2144DF1Cu},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Crc32(0, c.input.data(), c.input.size()), c.crc) << c.input;
  }
}

TEST(Crc32Test, ContinuesOverChunksOfAnySize) {
  std::string data;
  for (int i = 0; i < 1000; ++i) data.push_back(static_cast<char>(i * 7 + (i >> 3)));
  const uint32_t whole = Crc32(0, data.data(), data.size());
  for (size_t step : {1u, 3u, 4u, 5u, 64u, 999u}) {
    uint32_t crc = 0;
    for (size_t at = 0; at < data.size(); at += step) {
      crc = Crc32(crc, data.data() + at, std::min(step, data.size() - at));
    }
    EXPECT_EQ(crc, whole) << "chunks of " << step;
  }
}

}  // namespace
}  // namespace wakelore
