#include "archive/lzh_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

using Bytes = std::vector<uint8_t>;

std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

void Put16(Bytes* b, uint32_t v) {
  b->push_back(static_cast<uint8_t>(v));
  b->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// The fields every header level shares, offsets 2 to 20.
void PutCommon(Bytes* b, const std::string& method, uint32_t compressed, uint32_t original,
               uint8_t level) {
  b->insert(b->end(), method.begin(), method.end());
  Put32(b, compressed);
  Put32(b, original);
  Put32(b, 0x5D8A75D2);  // time stamp, not read
  b->push_back(0x20);    // attribute
  b->push_back(level);
}

// Level 0: size byte, checksum, common fields, name, CRC-16, data.
Bytes Level0(const std::string& method, uint32_t original, const std::string& data,
             const std::string& name = "a.txt") {
  Bytes b = {static_cast<uint8_t>(22 + name.size()), 0};
  PutCommon(&b, method, static_cast<uint32_t>(data.size()), original, 0);
  b.push_back(static_cast<uint8_t>(name.size()));
  b.insert(b.end(), name.begin(), name.end());
  Put16(&b, 0);  // CRC-16
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// Level 1 with the given extended headers (type byte + contents, each
// followed by the size of the next); the compressed size counts them.
Bytes Level1(const std::string& method, uint32_t original, const std::string& data,
             const std::vector<std::string>& extended, const std::string& name = "a.txt") {
  uint32_t compressed = static_cast<uint32_t>(data.size());
  for (const std::string& e : extended) compressed += static_cast<uint32_t>(e.size() + 2);
  Bytes b = {static_cast<uint8_t>(25 + name.size()), 0};
  PutCommon(&b, method, compressed, original, 1);
  b.push_back(static_cast<uint8_t>(name.size()));
  b.insert(b.end(), name.begin(), name.end());
  Put16(&b, 0);      // CRC-16
  b.push_back('U');  // operating system
  for (const std::string& e : extended) {
    Put16(&b, static_cast<uint32_t>(e.size() + 2));
    b.insert(b.end(), e.begin(), e.end());
  }
  Put16(&b, 0);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// Level 2: 16-bit header size (as given, or the true one), common fields,
// CRC, OS, then extended headers (type + contents) and the data.
Bytes Level2(const std::string& method, uint32_t original, const std::string& data,
             const std::vector<std::string>& extended, int header_size_field = -1) {
  Bytes b = {0, 0};
  PutCommon(&b, method, static_cast<uint32_t>(data.size()), original, 2);
  Put16(&b, 0);      // CRC-16
  b.push_back('U');  // operating system
  for (const std::string& e : extended) {
    Put16(&b, static_cast<uint32_t>(e.size() + 2));
    b.insert(b.end(), e.begin(), e.end());
  }
  Put16(&b, 0);
  size_t header_size = header_size_field >= 0 ? static_cast<size_t>(header_size_field) : b.size();
  b[0] = static_cast<uint8_t>(header_size);
  b[1] = static_cast<uint8_t>(header_size >> 8);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

Bytes WithEndMarker(Bytes archive) {
  archive.push_back(0);
  return archive;
}

// Bits, most significant first, padded with zero bits to whole bytes.
class BitWriter {
 public:
  void Put(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (bits_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<char>(0x80 >> (bits_ % 8));
      ++bits_;
    }
  }
  void PutZeros(size_t count) {
    bits_ += count;
    bytes_.resize((bits_ + 7) / 8, '\0');
  }
  // A pre-tree or position length: 3 bits, 7 and above as 7 plus ones.
  void PutLength(int length) {
    if (length < 7) {
      Put(static_cast<uint32_t>(length), 3);
      return;
    }
    Put(7, 3);
    for (int i = 7; i < length; ++i) Put(1, 1);
    Put(0, 1);
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  size_t bits_ = 0;
};

// A block whose three codes are single symbols (count 0, then the symbol):
// `count` symbols that each cost no bits at all.
void PutSingleSymbolBlock(BitWriter* w, uint32_t count, uint32_t char_symbol,
                          uint32_t position_symbol) {
  w->Put(count, 16);
  w->Put(0, 5);
  w->Put(0, 5);  // pre-tree: one symbol
  w->Put(0, 9);
  w->Put(char_symbol, 9);
  w->Put(0, 4);
  w->Put(position_symbol, 4);
}

struct Token {
  int literal;  // -1 for a match
  int length;
  int distance;  // bytes between source and target, minus one
};
Token Lit(char c) { return {static_cast<uint8_t>(c), 0, 0}; }
Token Match(int length, int distance) { return {-1, length, distance}; }

// A block with plain fixed codes: every character/length symbol 9 bits
// (its code is the symbol itself), every position symbol 4 bits.  The
// pre-tree has the one symbol 11 (length 9) with the one-bit code 0.
void PutFixedBlock(BitWriter* w, const std::vector<Token>& tokens) {
  w->Put(static_cast<uint32_t>(tokens.size()), 16);
  w->Put(12, 5);  // pre-tree lengths of symbols 0..11
  for (int i = 0; i < 3; ++i) w->PutLength(0);
  w->Put(0, 2);  // no extra zeros after the third
  for (int i = 3; i < 11; ++i) w->PutLength(0);
  w->PutLength(1);
  w->Put(511, 9);
  for (int i = 0; i < 511; ++i) w->Put(0, 1);
  w->Put(14, 4);
  for (int i = 0; i < 14; ++i) w->PutLength(4);
  for (const Token& t : tokens) {
    if (t.literal >= 0) {
      w->Put(static_cast<uint32_t>(t.literal), 9);
      continue;
    }
    w->Put(static_cast<uint32_t>(t.length + 253), 9);
    int h = 0;
    while ((t.distance >> h) != 0) ++h;
    w->Put(static_cast<uint32_t>(h), 4);
    if (h > 1) w->Put(static_cast<uint32_t>(t.distance - (1 << (h - 1))), h - 1);
  }
}

struct Result {
  bool ok;
  std::string output;
  std::wstring message;
};

Result Extract(const Bytes& archive) {
  LzhDecoder decoder;
  Bytes out = {'s', 't', 'a', 'l', 'e'};
  bool ok = decoder.ExtractFirstEntry(archive.data(), archive.data() + archive.size(), &out);
  return {ok, AsString(out), decoder.message()};
}

Result ExtractLh5(const std::string& stream, uint32_t original) {
  return Extract(Level0("-lh5-", original, stream));
}

// --- Real archives made by an independent LHA implementation -------------

TEST(LzhDecoderTest, OfficialArchivesExtractToTheirTexts) {
  struct Case {
    const char* archive;
    const char* text;
    const wchar_t* method;
    const wchar_t* name;
  };
  const Case cases[] = {
      {"b230901.lzh", "B230901.TXT", L"-lh5-", L"B230901.TXT"},
      {"b230921.lzh", "B230921.TXT", L"-lh5-", L"B230921.TXT"},
      {"b230921_level0.lzh", "B230921.TXT", L"-lh5-", L"B230921.TXT"},
      {"b230921_level2.lzh", "B230921.TXT", L"-lh5-", L"B230921.TXT"},
      {"k230901.lzh", "K230901.TXT", L"-lh5-", L"K230901.TXT"},
      {"k230921.lzh", "K230921.TXT", L"-lh0-", L"K230921.TXT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    std::string archive = test::ReadFileBytes(test::FixturePath(std::string("official/") + c.archive));
    std::string text = test::ReadFileBytes(test::FixturePath(std::string("official/") + c.text));
    ASSERT_FALSE(text.empty());
    LzhDecoder decoder;
    Bytes out;
    ASSERT_TRUE(decoder.ExtractFirstEntry(archive, &out)) << Utf16ToUtf8(decoder.message());
    EXPECT_TRUE(AsString(out) == text) << "extracted " << out.size() << " bytes, expected " << text.size();
    EXPECT_EQ(decoder.method(), c.method);
    EXPECT_EQ(ToUpperText(decoder.entry_name()), c.name);
    EXPECT_EQ(decoder.message(), L"");
  }
}

// --- Headers -----------------------------------------------------------------

TEST(LzhDecoderTest, HeaderLevelsFindTheEntryData) {
  struct Case {
    const char* what;
    Bytes archive;
    const wchar_t* name;
  };
  const Case cases[] = {
      {"level 0", Level0("-lh0-", 5, "hello", "  x.txt "), L"x.txt"},
      {"level 1 without extended headers", Level1("-lh0-", 5, "hello", {}), L"a.txt"},
      // The compressed size counts the extended headers; the data follows
      // the last of them.
      {"level 1 with extended headers",
       Level1("-lh0-", 5, "hello", {std::string("\x00\x12\x34", 3), std::string("\x40\x20\x00", 3)}),
       L"a.txt"},
      {"level 2 with its name in an extended header",
       Level2("-lh0-", 5, "hello", {std::string("\x00\x12\x34", 3), "\x01name.txt"}), L"name.txt"},
      // Archives end with a zero byte after the last entry.
      {"level 2 followed by the end of the archive",
       WithEndMarker(Level2("-lh0-", 5, "hello", {"\x01n"})), L"n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LzhDecoder decoder;
    Bytes out;
    ASSERT_TRUE(decoder.ExtractFirstEntry(c.archive.data(), c.archive.data() + c.archive.size(), &out))
        << Utf16ToUtf8(decoder.message());
    EXPECT_EQ(AsString(out), "hello");
    EXPECT_EQ(decoder.entry_name(), c.name);
    EXPECT_EQ(decoder.method(), L"-lh0-");
  }
}

TEST(LzhDecoderTest, Level1CompressedSizeExcludesExtendedHeaders) {
  BitWriter w;
  PutSingleSymbolBlock(&w, 4, 'z', 0);
  Bytes archive = Level1("-lh5-", 4, w.bytes(), {std::string("\x00\x01\x02", 3)});
  LzhDecoder decoder;
  LzhEntryHeader header;
  ASSERT_TRUE(decoder.ParseFirstHeader(archive.data(), archive.data() + archive.size(), &header));
  EXPECT_EQ(header.compressedSize, w.bytes().size());
  EXPECT_EQ(header.dataOffset, archive.size() - w.bytes().size());
  EXPECT_EQ(Extract(archive).output, "zzzz");
}

TEST(LzhDecoderTest, OnlyTheFirstEntryIsRead) {
  Bytes archive = Level0("-lh0-", 3, "one", "1.txt");
  Bytes second = Level0("-lh0-", 3, "two", "2.txt");
  archive.insert(archive.end(), second.begin(), second.end());
  archive.push_back(0);  // end-of-archive marker
  EXPECT_EQ(Extract(archive).output, "one");
}

// --- Failures ---------------------------------------------------------------

TEST(LzhDecoderTest, FailuresCarryTheirMessages) {
  Bytes too_small = Level0("-lh0-", 1, "x", "");
  too_small.resize(23);
  Bytes name_truncated = Level0("-lh0-", 2, "ab", "name");
  name_truncated[21] = 10;  // 22 + 10 > 28 bytes
  // Level 1: an extended header larger than the rest of the input, and one
  // larger than the compressed size.
  Bytes ext_past_input = Level1("-lh0-", 2, "ab", {std::string("\x00xyz", 4)});
  ext_past_input[ext_past_input.size() - 2 - 2 - 4 - 2] = 0x40;  // first size: 0x40 bytes
  Bytes ext_past_size = Level1("-lh0-", 2, "ab", {std::string("\x00xyz", 4)});
  ext_past_size[7] = 3;  // compressed size 3 < extended header of 6
  Bytes level2_too_big = Level2("-lh0-", 2, "ab", {});
  level2_too_big[7] = 200;
  Bytes level3 = Level0("-lh0-", 2, "ab");
  level3[20] = 3;
  // Level 0 whose header-size byte puts the data at the end of the input.
  Bytes offset_at_end = Level0("-lh0-", 2, "ab", "");
  offset_at_end[0] = static_cast<uint8_t>(offset_at_end.size() - 2);
  Bytes range_past_end = Level0("-lh0-", 2, "ab");
  range_past_end[7] = 3;
  Bytes level1_offset_at_end = Level1("-lh0-", 2, "", {std::string("\x00x", 2)});
  level1_offset_at_end[7] = 4;
  Bytes stored_short = Level0("-lh0-", 3, "ab");
  Bytes stored_long = Level0("-lh0-", 1, "ab");
  Bytes zero_original = Level0("-lh0-", 0, "ab");
  Bytes zero_compressed = Level0("-lh0-", 2, "");
  zero_compressed.push_back('x');  // still 24 bytes and more

  struct Case {
    const char* what;
    Bytes archive;
    const wchar_t* message;
  };
  const Case cases[] = {
      {"23 bytes", too_small, L"LZH file is too small."},
      {"empty input", {}, L"LZH file is too small."},
      {"uncompressed size 0", zero_original, L"LZH sizes are invalid."},
      {"compressed size 0", zero_compressed, L"LZH sizes are invalid."},
      {"name past the input", name_truncated, L"LZH entry name is truncated."},
      {"extended header past the input", ext_past_input, L"LZH extended header is truncated."},
      {"extended header past the compressed size", ext_past_size,
       L"LZH extended header is truncated."},
      {"level 2 larger than the input", level2_too_big, L"LZH compressed size exceeds file size."},
      {"level 2 header shorter than its fixed part", Level2("-lh0-", 2, "ab", {}, 25),
       L"LZH data offset is invalid."},
      {"level 2 header past the input", Level2("-lh0-", 2, "ab", {}, 40),
       L"LZH data offset is invalid."},
      {"level 2 data past the input", Level2("-lh0-", 2, "ab", {}, 27),
       L"LZH data range is invalid."},
      {"level 3", level3, L"Unsupported LZH header level: 3"},
      {"data offset at the end", offset_at_end, L"LZH data offset is invalid."},
      {"level 1 data offset at the end", level1_offset_at_end, L"LZH data offset is invalid."},
      {"data past the end", range_past_end, L"LZH data range is invalid."},
      {"-lh6-", Level0("-lh6-", 2, "ab"), L"Unsupported LZH method: -lh6-"},
      {"stored entry shorter than declared", stored_short,
       L"LZH stored data size does not match the original size."},
      {"stored entry longer than declared", stored_long,
       L"LZH stored data size does not match the original size."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Result r = Extract(c.archive);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, c.message);
  }
}

TEST(LzhDecoderTest, Lh5StreamFailuresCarryTheirMessages) {
  // Each stream starts a block of 1 symbol; what follows breaks it.
  auto block = [](void (*rest)(BitWriter*)) {
    BitWriter w;
    w.Put(1, 16);
    rest(&w);
    return w.bytes();
  };
  const std::string zero_count = std::string(8, '\0');
  const std::string pre_tree_count_too_big = block([](BitWriter* w) {
    w->Put(20, 5);  // 20 lengths for 19 symbols
    for (int i = 0; i < 20; ++i) w->PutLength(1);
  });
  const std::string position_count_too_big = block([](BitWriter* w) {
    w->Put(0, 5);
    w->Put(0, 5);
    w->Put(0, 9);
    w->Put('a', 9);
    w->Put(15, 4);  // 15 lengths for 14 symbols
    for (int i = 0; i < 15; ++i) w->PutLength(4);
  });
  const std::string length_17 = block([](BitWriter* w) {
    w->Put(1, 5);
    w->PutLength(17);
  });
  // Three one-bit codes need more than the 256 entries of the table.
  const std::string table_overflow = block([](BitWriter* w) {
    w->Put(3, 5);
    w->PutLength(1);
    w->PutLength(1);
    w->PutLength(1);
    w->Put(0, 2);
  });
  // Pre-tree symbols 14 and 15 take one bit each, so symbol 16's 16-bit
  // code wraps around and hangs eight levels of nodes under the entry of
  // symbol 14.  A one-symbol position code of 14 then starts its walk at
  // that entry and runs out of the 16 peeked bits.
  const std::string position_walk = block([](BitWriter* w) {
    w->Put(17, 5);
    for (int i = 0; i < 3; ++i) w->PutLength(0);
    w->Put(3, 2);  // lengths 3..5 are zero
    for (int i = 6; i < 14; ++i) w->PutLength(0);
    w->PutLength(1);
    w->PutLength(1);
    w->PutLength(16);
    w->Put(0, 9);
    w->Put(256, 9);  // every symbol a match of 3
    w->Put(0, 4);
    w->Put(14, 4);
  });

  struct Case {
    const char* what;
    std::string stream;
    const wchar_t* message;
  };
  const Case cases[] = {
      {"block of 0 symbols", zero_count, L"Invalid LH5 block size."},
      {"pre-tree count above its alphabet", pre_tree_count_too_big,
       L"Invalid LH5 code length count."},
      {"position count above its alphabet", position_count_too_big,
       L"Invalid LH5 code length count."},
      {"code length 17", length_17, L"Invalid Huffman bit length."},
      {"short codes past the table", table_overflow, L"Huffman table overflow."},
      {"position walk out of the tree", position_walk, L"Invalid LH5 match position."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Result r = ExtractLh5(c.stream, 100);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, c.message);
  }
}

// --- "-lh5-" decoding --------------------------------------------------------

TEST(LzhDecoderTest, SingleSymbolBlockRepeatsItsSymbolWithoutBits) {
  BitWriter w;
  PutSingleSymbolBlock(&w, 5, 'Q', 0);
  PutSingleSymbolBlock(&w, 2, 'r', 0);
  Result r = ExtractLh5(w.bytes(), 7);
  ASSERT_TRUE(r.ok) << Utf16ToUtf8(r.message);
  EXPECT_EQ(r.output, "QQQQQrr");
}

TEST(LzhDecoderTest, ExhaustedStreamEndsInBlockSizeFailure) {
  BitWriter w;
  PutSingleSymbolBlock(&w, 5, 'Q', 0);
  Result r = ExtractLh5(w.bytes(), 6);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, L"Invalid LH5 block size.");
  EXPECT_EQ(r.output, "QQQQQ");  // what was decoded stays
}

TEST(LzhDecoderTest, MatchesCopyFromTheWindow) {
  struct Case {
    const char* what;
    std::vector<Token> tokens;
    uint32_t original;
    std::string expected;
  };
  const Case cases[] = {
      // The window starts as spaces: a source before the first byte reads
      // spaces, then runs on into the output.
      {"source before the first byte", {Lit('a'), Match(5, 3)}, 6, "a   a "},
      {"match as the first symbol", {Match(4, 8191)}, 4, "    "},
      // Distance 0 repeats the last byte; overlapping copies go byte by byte.
      {"run", {Lit('a'), Lit('b'), Match(7, 1)}, 9, "ababababa"},
      // A match running past the declared size is cut there.
      {"cut at the declared size", {Lit('x'), Match(257, 0), Lit('y')}, 10, "xxxxxxxxxx"},
      {"longest match", {Lit('x'), Match(257, 0)}, 258, std::string(258, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BitWriter w;
    PutFixedBlock(&w, c.tokens);
    Result r = ExtractLh5(w.bytes(), c.original);
    ASSERT_TRUE(r.ok) << Utf16ToUtf8(r.message);
    EXPECT_EQ(r.output, c.expected);
  }
}

TEST(LzhDecoderTest, FarMatchesReachAcrossTheWholeWindow) {
  // 8192 literals fill the window once; distance 8191 reaches back to the
  // first of them, across a block boundary.
  std::string expected;
  std::vector<Token> first;
  for (int i = 0; i < 8192; ++i) {
    char c = static_cast<char>('a' + (i * 7) % 26);
    first.push_back(Lit(c));
    expected.push_back(c);
  }
  BitWriter w;
  PutFixedBlock(&w, first);
  PutFixedBlock(&w, {Match(10, 8191), Match(3, 4000)});
  expected += expected.substr(0, 10);
  expected += expected.substr(expected.size() - 4001, 3);
  Result r = ExtractLh5(w.bytes(), static_cast<uint32_t>(expected.size()));
  ASSERT_TRUE(r.ok) << Utf16ToUtf8(r.message);
  EXPECT_TRUE(r.output == expected);
}

TEST(LzhDecoderTest, DeclaredSizesAreNotTrustedForReservation) {
  BitWriter w;
  PutSingleSymbolBlock(&w, 0xFFFF, 'A', 0);
  // A 30-byte archive declaring 4 GiB is refused before anything is reserved.
  Bytes huge = Level0("-lh5-", 0xFFFFFFFF, w.bytes(), "");
  ASSERT_LE(huge.size(), 32u);
  LzhDecoder decoder;
  Bytes out;
  EXPECT_FALSE(decoder.ExtractFirstEntry(huge.data(), huge.data() + huge.size(), &out));
  EXPECT_EQ(decoder.message(), L"LZH output of 4294967295 bytes is too large to hold in memory.");
  EXPECT_LE(out.capacity(), 5u);

  // Declaring 1 GiB is allowed, but 7 bytes of data hold two blocks at most:
  // only what they could expand to is reserved.
  Bytes large = Level0("-lh5-", 1u << 30, w.bytes(), "");
  Bytes out2;
  EXPECT_FALSE(decoder.ExtractFirstEntry(large.data(), large.data() + large.size(), &out2));
  EXPECT_EQ(decoder.message(), L"Invalid LH5 block size.");
  EXPECT_EQ(out2.size(), 0xFFFFu);
  EXPECT_LE(out2.capacity(), size_t{64} << 20);
}

TEST(LzhDecoderTest, OutputGrowsPastTheUpFrontReservation) {
  // 300 literals, then 20 blocks of 65535 matches of 257 bytes at distance
  // 256 + 0: about 321 MiB, more than is reserved before decoding.
  std::vector<Token> literals;
  for (int i = 0; i < 300; ++i) literals.push_back(Lit(static_cast<char>('!' + i % 90)));
  BitWriter w;
  PutFixedBlock(&w, literals);
  for (int block = 0; block < 20; ++block) {
    PutSingleSymbolBlock(&w, 0xFFFF, 510, 9);
    w.PutZeros(size_t{0xFFFF} * 8);  // the 8 extra position bits of each match
  }
  const size_t size = 300 + size_t{20} * 0xFFFF * 257;
  ASSERT_GT(size, LzhDecoder::kMaxUpFrontReservation);
  Bytes archive = Level0("-lh5-", static_cast<uint32_t>(size), "");
  archive.insert(archive.end(), w.bytes().begin(), w.bytes().end());
  archive[7] = static_cast<uint8_t>(w.bytes().size());
  archive[8] = static_cast<uint8_t>(w.bytes().size() >> 8);
  archive[9] = static_cast<uint8_t>(w.bytes().size() >> 16);
  LzhDecoder decoder;
  Bytes out;
  ASSERT_TRUE(decoder.ExtractFirstEntry(archive.data(), archive.data() + archive.size(), &out))
      << Utf16ToUtf8(decoder.message());
  ASSERT_EQ(out.size(), size);
  for (size_t i = 0; i < 300; ++i) ASSERT_EQ(out[i], '!' + i % 90);
  // Every later byte repeats the one 257 bytes before it.
  EXPECT_TRUE(std::equal(out.begin() + 300, out.end(), out.begin() + 43));
}

TEST(LzhDecoderTest, ADecoderStartsEveryArchiveFromScratch) {
  // After a real archive has filled the tables and the window, a stream of
  // one-symbol codes and a match before the first byte still gives spaces.
  std::string archive = test::ReadFileBytes(test::FixturePath("official/b230901.lzh"));
  LzhDecoder decoder;
  Bytes out;
  ASSERT_TRUE(decoder.ExtractFirstEntry(archive, &out));
  BitWriter w;
  PutSingleSymbolBlock(&w, 1, 256 + 5 - 3, 13);  // a match of 5 at distance 4096 + 0
  Bytes second = Level0("-lh5-", 5, w.bytes());
  ASSERT_TRUE(decoder.ExtractFirstEntry(second.data(), second.data() + second.size(), &out))
      << Utf16ToUtf8(decoder.message());
  EXPECT_EQ(AsString(out), "     ");
  EXPECT_EQ(decoder.entry_name(), L"a.txt");
}

}  // namespace
}  // namespace wakelore
