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
// The first three are also zlib's own output with fixed codes.  Parts this
// small are cheaper with the fixed codes than with a code table of their
// own, so the encoder picks those.
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

std::string SheetXml(int rows) {
  std::string xml;
  for (int i = 0; i < rows; ++i) {
    xml += "<row r=\"" + std::to_string(i + 2) + "\"><c r=\"A" + std::to_string(i + 2) + "\"><v>" +
           std::to_string(i * 37 % 1000) + "</v></c><c r=\"B" + std::to_string(i + 2) +
           "\" t=\"s\"><v>" + std::to_string(i * 7919 % 4001) + "</v></c></row>";
  }
  return xml;
}

// Bytes whose frequencies follow the Fibonacci numbers, shuffled: the
// optimal code would need lengths far beyond 15 bits, so the lengths must be
// cut down and the code stay complete.
std::string Skewed() {
  std::string s;
  uint32_t a = 1, b = 1;
  for (int symbol = 0; symbol < 27; ++symbol) {
    s.append(a, static_cast<char>('A' + symbol));
    const uint32_t next = a + b;
    a = b;
    b = next;
  }
  uint32_t seed = 11;
  for (size_t i = s.size() - 1; i > 0; --i) {
    seed = seed * 1103515245u + 12345u;
    std::swap(s[i], s[(seed >> 8) % (i + 1)]);
  }
  return s;
}

TEST(DeflateTest, RoundTrips) {
  std::string all_bytes;
  for (int i = 0; i < 256; ++i) all_bytes.push_back(static_cast<char>(i));
  std::string short_matches;  // matches of 3 to 12 bytes at growing distances
  for (int i = 0; i < 40000; ++i) short_matches += std::to_string(i % 97) + Random(1 + i % 9, i) + "<c";
  const struct {
    const char* what;
    std::string input;
  } cases[] = {
      {"two bytes", "ab"},
      {"random", Random(100000, 1)},
      {"sheet-like XML", SheetXml(20000)},
      {"one long run (maximum length 258 over and over)", std::string(100000, 'x')},
      {"runs at the end of the input", "abcabcabcab"},
      {"skewed frequencies", Skewed()},
      {"every byte value, then again and again", all_bytes + all_bytes + all_bytes + Random(3000, 9)},
      {"short matches", short_matches},
      {"one byte value only, no match before three bytes", std::string(3, 'q')},
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
      EXPECT_GT(stream.size(), period * 19 / 10);
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
  EXPECT_GT(stream.size(), chunk.size() * 19 / 10);
}

// Sheet XML, the bulk of a workbook: each block gets a code of its own
// (block type 2), which takes it below a fifth of the input; the fixed
// codes cannot get there on these rows (zlib at level 6 with fixed codes
// only gives 23.5 %).
TEST(DeflateTest, SheetXmlGetsItsOwnCodes) {
  const std::string xml = SheetXml(30000);
  const std::string stream = DeflateAll(xml.data(), xml.size());
  ASSERT_FALSE(stream.empty());
  EXPECT_EQ((static_cast<unsigned char>(stream[0]) >> 1) & 3, 2) << "a dynamic block";
  EXPECT_LT(stream.size(), xml.size() / 5);
  std::string out, error;
  ASSERT_TRUE(test::Inflate(stream, &out, nullptr, &error)) << error;
  EXPECT_TRUE(out == xml);
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
