#include "output/deflate.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/zip_reader.h"

namespace wakelore {
namespace {

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(kDigits[c >> 4]);
    out.push_back(kDigits[c & 15]);
  }
  return out;
}

std::string Random(size_t size, uint32_t seed) {
  std::string s;
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    s.push_back(static_cast<char>(seed >> 16));
  }
  return s;
}

// Streams small enough to check by hand; zlib inflates each to its input.
// The first three are also zlib's own output with fixed codes.
TEST(DeflateTest, KnownStreams) {
  const struct {
    std::string input;
    std::string hex;
  } cases[] = {
      {"", "0300"},
      {"a", "4b0400"},
      {"abc", "4b4c4a0600"},
      {"aaaaaaaaaa", "4b840300"},  // 'a', then length 9 at distance 1 (overlapping copy)
      {"abcabcabcabc", "4b4c4a862300"},  // 'a' 'b' 'c', then length 9 at distance 3
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hex(DeflateAll(c.input.data(), c.input.size())), c.hex) << c.input;
  }
}

TEST(DeflateTest, RoundTrips) {
  std::string xml;
  for (int i = 0; i < 20000; ++i) {
    xml += "<row r=\"" + std::to_string(i + 2) + "\"><c r=\"A" + std::to_string(i + 2) + "\"><v>" +
           std::to_string(i * 37 % 1000) + "</v></c></row>";
  }
  const struct {
    const char* what;
    std::string input;
  } cases[] = {
      {"two bytes", "ab"},
      {"random", Random(100000, 1)},
      {"sheet-like XML", xml},
      {"one long run (maximum length 258 over and over)", std::string(100000, 'x')},
      {"runs at the end of the input", "abcabcabcab"},
  };
  for (const auto& c : cases) {
    std::string out, error;
    std::vector<bool> finals;
    ASSERT_TRUE(test::Inflate(DeflateAll(c.input.data(), c.input.size()), &out, &finals, &error))
        << c.what << ": " << error;
    EXPECT_TRUE(out == c.input) << c.what;
    EXPECT_EQ(finals, std::vector<bool>{true});
  }
}

TEST(DeflateTest, MatchesReachBackExactly32KiB) {
  // A random block repeated once: found when the distance is 32768, out of
  // reach at 32769.
  for (size_t period : {32768u, 32769u}) {
    const std::string half = Random(period, 7);
    const std::string input = half + half;
    const std::string stream = DeflateAll(input.data(), input.size());
    std::string out, error;
    ASSERT_TRUE(test::Inflate(stream, &out, nullptr, &error)) << error;
    EXPECT_TRUE(out == input);
    if (period == 32768) {
      EXPECT_LT(stream.size(), period * 6 / 5);
    } else {
      EXPECT_GT(stream.size(), period * 2);
    }
  }
}

TEST(DeflateTest, BlocksShareOneBitStream) {
  // Two empty blocks: 0 01 0000000 (not final), 1 01 0000000 (final).
  std::string out;
  BitWriter bits(&out);
  DeflateBlock(nullptr, 0, false, &bits);
  DeflateBlock(nullptr, 0, true, &bits);
  bits.FlushPartialByte();
  EXPECT_EQ(Hex(out), "020c00");

  // Blocks never match into the bytes of an earlier block.
  const std::string chunk = Random(5000, 3);
  std::string stream;
  BitWriter writer(&stream);
  DeflateBlock(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(), false, &writer);
  DeflateBlock(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(), true, &writer);
  writer.FlushPartialByte();
  std::string inflated, error;
  std::vector<bool> finals;
  ASSERT_TRUE(test::Inflate(stream, &inflated, &finals, &error)) << error;
  EXPECT_TRUE(inflated == chunk + chunk);
  EXPECT_EQ(finals, (std::vector<bool>{false, true}));
  EXPECT_GT(stream.size(), 2 * chunk.size());
}

TEST(DeflateTest, BlocksMadeApartJoinToTheSameStream) {
  // Chunks of assorted sizes, so the joins fall at every bit offset.
  std::string xml;
  for (int i = 0; i < 3000; ++i) xml += "<c r=\"B" + std::to_string(i) + "\"><v>" + std::to_string(i % 13) + "</v></c>";
  const std::string random = Random(20000, 5);
  const std::string parts[] = {xml.substr(0, 1), random.substr(0, 777), xml, "",
                               random, xml.substr(100, 5000), "z"};
  std::string serial, joined;
  BitWriter one(&serial), other(&joined);
  for (size_t i = 0; i < std::size(parts); ++i) {
    const bool final = i + 1 == std::size(parts);
    const auto* data = reinterpret_cast<const uint8_t*>(parts[i].data());
    DeflateBlock(data, parts[i].size(), final, &one);
    const DeflatedBlock block = DeflateBlockAlone(data, parts[i].size(), final);
    other.AppendStream(block.bytes, block.pending_bits, block.pending_count);
  }
  one.FlushPartialByte();
  other.FlushPartialByte();
  EXPECT_TRUE(serial == joined);
  std::string out, error;
  ASSERT_TRUE(test::Inflate(joined, &out, nullptr, &error)) << error;
  std::string all;
  for (const std::string& p : parts) all += p;
  EXPECT_TRUE(out == all);
}

}  // namespace
}  // namespace wakelore
