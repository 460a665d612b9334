#include "archive/lzh_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "platform/format.h"
#include "platform/memory.h"
#include "platform/text.h"

namespace wakelore {

namespace {

constexpr int kTreeWalkFailed = -1;
// Smallest "-lh5-" block: a 16-bit symbol count and three one-symbol codes
// (5+5, 9+9 and 4+4 bits).
constexpr uint64_t kMinBlockBits = 16 + 10 + 18 + 8;
constexpr uint64_t kMaxBlockSymbols = 0xFFFF;
constexpr uint64_t kMaxMatchLength = 257;
// Output grows in steps of this size once the up-front reservation is used.
constexpr size_t kGrowthStep = size_t{1} << 20;

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool IsWhite(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f' ||
         c == 0x3000;
}

std::wstring NameFromBytes(const uint8_t* p, size_t n) {
  std::wstring name = Cp932ToWide(std::string_view(reinterpret_cast<const char*>(p), n));
  size_t first = 0;
  size_t last = name.size();
  while (first < last && IsWhite(name[first])) ++first;
  while (last > first && IsWhite(name[last - 1])) --last;
  return name.substr(first, last - first);
}

// The most output `compressed_bytes` of "-lh5-" data can produce before the
// stream runs dry: every block needs at least kMinBlockBits, and its count
// must start inside the data (past the end only zero bits are read, and a
// zero count ends the decode).
uint64_t ExpansionBound(size_t compressed_bytes) {
  uint64_t blocks = (uint64_t{compressed_bytes} * 8 + kMinBlockBits - 1) / kMinBlockBits;
  return blocks * kMaxBlockSymbols * kMaxMatchLength;
}

}  // namespace

namespace lzh_internal {

// Most significant bit first.  Past the end of the data it reads zero bits.
// Refill() makes at least 56 bits available, so a whole symbol (character
// code, position code and extra bits: at most 44 bits) needs one refill.
class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

  void Refill() {
    if (end_ - p_ >= 8) {
      uint64_t v;
      std::memcpy(&v, p_, 8);
      if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
      // Bits below the counted ones already hold the same stream bits or
      // zeros, so or-ing the whole word in is harmless.
      buffer_ |= v >> count_;
      p_ += (63 - count_) >> 3;
      count_ |= 56;
    } else {
      while (count_ <= 56) {
        uint64_t byte = p_ < end_ ? *p_++ : 0;
        buffer_ |= byte << (56 - count_);
        count_ += 8;
      }
    }
  }

  // 1 <= n <= 32, and at least n bits available.
  uint32_t Peek(int n) const { return static_cast<uint32_t>(buffer_ >> (64 - n)); }
  // n <= available bits.
  void Skip(int n) {
    buffer_ <<= n;
    count_ -= n;
  }
  // 0 <= n <= 16.
  uint32_t Read(int n) {
    if (n == 0) return 0;
    if (count_ < n) Refill();
    uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  // Counts the 1 bits up to the first 0 bit, which is consumed as well.
  uint64_t ReadOnes() {
    uint64_t ones = 0;
    for (;;) {
      Refill();
      uint32_t word = Peek(32);
      int run = std::countl_one(word);
      if (run < 32) {
        Skip(run + 1);
        return ones + static_cast<uint64_t>(run);
      }
      Skip(32);
      ones += 32;
    }
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
  uint64_t buffer_ = 0;
  int count_ = 0;
};

}  // namespace lzh_internal

namespace {

using lzh_internal::BitReader;

// One symbol of a code with a direct table of kTableBits and tree arrays for
// longer codes.  Needs 16 available bits.  Returns kTreeWalkFailed when the
// walk leaves the tree.
template <int kTableBits>
inline int DecodeSymbol(BitReader* bits, const uint16_t* table, int n, const uint8_t* lengths,
                        const uint16_t* left, const uint16_t* right, int tree_size) {
  int s = table[bits->Peek(kTableBits)];
  if (s >= n) {
    const uint32_t code = bits->Peek(16);
    int position = 15 - kTableBits;
    do {
      if (s >= tree_size || position < 0) return kTreeWalkFailed;
      s = ((code >> position) & 1) ? right[s] : left[s];
      --position;
    } while (s >= n);
  }
  bits->Skip(lengths[s]);
  return s;
}

}  // namespace

bool LzhDecoder::Fail(const std::wstring& text) {
  message_ = text;
  return false;
}

bool LzhDecoder::ExtractFirstEntry(std::string_view input, std::vector<uint8_t>* output) {
  const uint8_t* begin = reinterpret_cast<const uint8_t*>(input.data());
  return ExtractFirstEntry(begin, begin + input.size(), output);
}

bool LzhDecoder::ParseFirstHeader(const uint8_t* begin, const uint8_t* end,
                                  LzhEntryHeader* header) {
  *header = LzhEntryHeader();
  const uint64_t length = static_cast<uint64_t>(end - begin);
  if (length < 24) return Fail(L"LZH file is too small.");
  for (int i = 2; i < 7; ++i) header->method.push_back(static_cast<wchar_t>(begin[i]));
  uint32_t compressed = Read32(begin + 7);
  header->uncompressedSize = Read32(begin + 11);
  const int level = begin[20];
  if (compressed == 0 || header->uncompressedSize == 0) return Fail(L"LZH sizes are invalid.");

  uint64_t data_offset = 0;
  if (level == 0 || level == 1) {
    const uint64_t name_length = begin[21];
    if (22 + name_length > length) return Fail(L"LZH entry name is truncated.");
    header->entryName = NameFromBytes(begin + 22, name_length);
    const uint64_t header_size = begin[0];
    data_offset = header_size + 2;
    if (level == 1 && data_offset <= length) {
      // Each extended header ends with the size of the next one; the
      // compressed size counts them, the entry data follows the last.
      uint64_t next = Read16(begin + header_size);
      while (next != 0) {
        data_offset += next;
        if (data_offset > length || next > compressed) {
          return Fail(L"LZH extended header is truncated.");
        }
        compressed -= static_cast<uint32_t>(next);
        next = Read16(begin + data_offset - 2);
      }
    }
  } else if (level == 2) {
    if (length < compressed) return Fail(L"LZH compressed size exceeds file size.");
    // The 16-bit header size covers the fixed part, the extended headers
    // and their closing zero size: the data follows it.  (The data is not
    // the tail of the input: an archive ends with a zero byte after its
    // last entry.)
    data_offset = Read16(begin);
    if (data_offset < 26) return Fail(L"LZH data offset is invalid.");
    uint64_t p = 24;
    while (p + 2 <= data_offset && p + 2 <= length) {
      const uint64_t size = Read16(begin + p);
      if (size == 0 || p + size > data_offset || p + size > length) break;
      if (size > 3 && begin[p + 2] == 1) {
        header->entryName = NameFromBytes(begin + p + 3, size - 3);
        break;
      }
      p += size;
    }
  } else {
    return Fail(Format(L"Unsupported LZH header level: %d", level));
  }
  if (data_offset >= length) return Fail(L"LZH data offset is invalid.");
  header->compressedSize = compressed;
  header->dataOffset = data_offset;
  return true;
}

bool LzhDecoder::ExtractFirstEntry(const uint8_t* begin, const uint8_t* end,
                                   std::vector<uint8_t>* output) {
  output->clear();
  message_.clear();
  entry_name_.clear();
  method_.clear();
  LzhEntryHeader header;
  if (!ParseFirstHeader(begin, end, &header)) return false;
  entry_name_ = header.entryName;
  method_ = header.method;
  const uint64_t length = static_cast<uint64_t>(end - begin);
  if (header.dataOffset + header.compressedSize > length) {
    return Fail(L"LZH data range is invalid.");
  }
  const uint8_t* data = begin + header.dataOffset;
  if (header.method == L"-lh0-") {
    if (header.compressedSize != header.uncompressedSize) {
      return Fail(L"LZH stored data size does not match the original size.");
    }
    // Bounded by the input, which is already in memory.
    try {
      output->assign(data, data + header.compressedSize);
    } catch (const std::bad_alloc&) {
      return Fail(Format(L"LZH output of %u bytes is too large to hold in memory.",
                         header.uncompressedSize));
    }
    return true;
  }
  if (header.method == L"-lh5-") {
    return DecodeLh5(data, header.compressedSize, header.uncompressedSize, output);
  }
  return Fail(Format(L"Unsupported LZH method: %s", header.method));
}

bool LzhDecoder::ReadPtLengths(BitReader* bits, int nn, int nbit, int i_special) {
  pt_lengths_.fill(0);
  const int n = static_cast<int>(bits->Read(nbit));
  if (n == 0) {
    // A one-symbol code: every lookup gives c and consumes no bits.
    pt_table_.fill(static_cast<uint16_t>(bits->Read(nbit)));
    return true;
  }
  // A count field is wider than its alphabet; a count past the alphabet
  // would store lengths for symbols that do not exist.
  if (n > nn) return Fail(L"Invalid LH5 code length count.");
  int i = 0;
  while (i < n) {
    uint64_t c = bits->Read(3);
    if (c == 7) c += bits->ReadOnes();
    // Anything above 16 is refused when the table is built.
    pt_lengths_[i++] = static_cast<uint8_t>(std::min<uint64_t>(c, 255));
    if (i == i_special) {
      int zeros = static_cast<int>(bits->Read(2));
      while (zeros-- > 0 && i < nn) pt_lengths_[i++] = 0;
    }
  }
  return BuildTable(nn, pt_lengths_.data(), kPtTableBits, pt_table_.data(), pt_left_.data(),
                    pt_right_.data(), static_cast<int>(pt_left_.size()));
}

bool LzhDecoder::ReadCharLengths(BitReader* bits) {
  char_lengths_.fill(0);
  const int n = static_cast<int>(bits->Read(9));
  if (n == 0) {
    char_table_.fill(static_cast<uint16_t>(bits->Read(9)));
    return true;
  }
  int i = 0;
  while (i < n) {
    bits->Refill();
    const int s = DecodeSymbol<kPtTableBits>(bits, pt_table_.data(), kPreTreeAlphabet,
                                             pt_lengths_.data(), pt_left_.data(),
                                             pt_right_.data(), static_cast<int>(pt_left_.size()));
    if (s == kTreeWalkFailed) return Fail(L"Invalid Huffman tree.");
    if (s > 2) {
      char_lengths_[i++] = static_cast<uint8_t>(s - 2);
      continue;
    }
    int zeros = 1;
    if (s == 1) zeros = static_cast<int>(bits->Read(4)) + 3;
    if (s == 2) zeros = static_cast<int>(bits->Read(9)) + 20;
    while (zeros-- > 0 && i < kCharAlphabet) char_lengths_[i++] = 0;
  }
  return BuildTable(kCharAlphabet, char_lengths_.data(), kCharTableBits, char_table_.data(),
                    char_left_.data(), char_right_.data(),
                    static_cast<int>(char_left_.size()));
}

// Canonical code: codes of one length are consecutive and shorter codes
// come first.  Codes up to table_bits long fill a run of table entries;
// longer ones hang off a table entry as a binary tree of nodes numbered
// from nchar.  The code is not checked for completeness: unused entries
// decode as symbol 0.
bool LzhDecoder::BuildTable(int nchar, const uint8_t* lengths, int table_bits, uint16_t* table,
                            uint16_t* left, uint16_t* right, int tree_size) {
  uint32_t count[17] = {};
  for (int k = 0; k < nchar; ++k) {
    if (lengths[k] > 16) return Fail(L"Invalid Huffman bit length.");
    ++count[lengths[k]];
  }
  uint16_t start[18];
  uint16_t weight[17];
  start[1] = 0;
  for (int i = 1; i <= 16; ++i) {
    start[i + 1] = static_cast<uint16_t>(start[i] + (count[i] << (16 - i)));
  }
  const int jut_bits = 16 - table_bits;
  for (int i = 1; i <= 16; ++i) {
    if (i <= table_bits) {
      start[i] = static_cast<uint16_t>(start[i] >> jut_bits);
      weight[i] = static_cast<uint16_t>(1u << (table_bits - i));
    } else {
      weight[i] = static_cast<uint16_t>(1u << (16 - i));
    }
  }
  const uint32_t table_size = 1u << table_bits;
  std::fill(table, table + table_size, uint16_t{0});
  std::fill(left, left + tree_size, uint16_t{0});
  std::fill(right, right + tree_size, uint16_t{0});

  int avail = nchar;
  const uint32_t mask = 1u << (15 - table_bits);
  for (int k = 0; k < nchar; ++k) {
    const int len = lengths[k];
    if (len == 0) continue;
    const uint32_t next = uint32_t{start[len]} + weight[len];
    if (len <= table_bits) {
      if (next > table_size) return Fail(L"Huffman table overflow.");
      std::fill(table + start[len], table + next, static_cast<uint16_t>(k));
    } else {
      uint32_t code = start[len];
      uint16_t* slot = &table[code >> jut_bits];
      // Every value a slot can hold (a symbol below nchar or a node below
      // avail) is a valid index of the tree arrays.
      for (int level = len - table_bits; level > 0; --level) {
        if (*slot == 0) {
          if (avail >= tree_size) return Fail(L"Huffman tree overflow.");
          left[avail] = 0;
          right[avail] = 0;
          *slot = static_cast<uint16_t>(avail++);
        }
        slot = (code & mask) ? &right[*slot] : &left[*slot];
        code <<= 1;
      }
      *slot = static_cast<uint16_t>(k);
    }
    start[len] = static_cast<uint16_t>(next);
  }
  return true;
}

bool LzhDecoder::DecodeLh5(const uint8_t* data, size_t size, uint32_t uncompressed_size,
                           std::vector<uint8_t>* output) {
  char_lengths_.fill(0);
  pt_lengths_.fill(0);
  char_table_.fill(0);
  pt_table_.fill(0);
  char_left_.fill(0);
  char_right_.fill(0);
  pt_left_.fill(0);
  pt_right_.fill(0);

  const size_t target = uncompressed_size;
  const std::wstring too_large =
      Format(L"LZH output of %u bytes is too large to hold in memory.", uncompressed_size);
  output->clear();
  if (target > kMaxOutputSize) return Fail(too_large);
  // The declared size is only a claim: reserve no more than the data could
  // expand to, and no more than kMaxUpFrontReservation; beyond that the
  // output grows as it is produced.
  const size_t reserve = static_cast<size_t>(
      std::min({uint64_t{target}, ExpansionBound(size), kMaxUpFrontReservation}));
  try {
    output->reserve(reserve);
    if (reserve >= kGrowthStep) AdviseSequentialFill(output->data(), output->capacity());
    output->resize(std::min(reserve, kGrowthStep));
  } catch (const std::bad_alloc&) {
    return Fail(too_large);
  }
  uint8_t* out = output->data();
  size_t limit = output->size();
  size_t pos = 0;

  // The 8 KiB window starts filled with spaces.  The output itself serves as
  // the window: a match source before the first output byte is a space.
  BitReader bits(data, size);
  uint32_t block_left = 0;
  while (pos < target) {
    if (block_left == 0) {
      block_left = bits.Read(16);
      if (block_left == 0) {
        output->resize(pos);
        return Fail(L"Invalid LH5 block size.");
      }
      if (!ReadPtLengths(&bits, kPreTreeAlphabet, 5, 3) || !ReadCharLengths(&bits) ||
          !ReadPtLengths(&bits, kPositionAlphabet, 4, -1)) {
        output->resize(pos);
        return false;
      }
    }
    --block_left;
    if (limit - pos < kMaxMatchLength && limit < target) {
      try {
        output->resize(std::min(target, std::max(limit + kGrowthStep, pos + kMaxMatchLength)));
      } catch (const std::bad_alloc&) {
        output->resize(pos);
        return Fail(too_large);
      }
      out = output->data();
      limit = output->size();
    }

    bits.Refill();
    int c = DecodeSymbol<kCharTableBits>(&bits, char_table_.data(), kCharAlphabet,
                                         char_lengths_.data(), char_left_.data(),
                                         char_right_.data(), static_cast<int>(char_left_.size()));
    if (c < 256) {
      if (c == kTreeWalkFailed) {
        output->resize(pos);
        return Fail(L"Invalid Huffman tree.");
      }
      out[pos++] = static_cast<uint8_t>(c);
      continue;
    }
    const size_t match_length = static_cast<size_t>(c - 253);
    const int h = DecodeSymbol<kPtTableBits>(&bits, pt_table_.data(), kPositionAlphabet,
                                             pt_lengths_.data(), pt_left_.data(),
                                             pt_right_.data(), static_cast<int>(pt_left_.size()));
    if (h == kTreeWalkFailed) {
      output->resize(pos);
      return Fail(L"Invalid LH5 match position.");
    }
    size_t distance = 0;
    if (h > 0) distance = (size_t{1} << (h - 1)) + bits.Read(h - 1);
    if (distance >= static_cast<size_t>(kWindowSize)) {
      output->resize(pos);
      return Fail(L"Invalid LH5 match position.");
    }
    const size_t n = std::min(match_length, target - pos);
    const size_t back = distance + 1;
    uint8_t* dst = out + pos;
    if (back <= pos) {
      const uint8_t* src = dst - back;
      if (back >= 16 && pos + kMaxMatchLength + 16 <= limit) {
        // Whole 16-byte pieces: each reads only bytes before itself, and
        // the up to 15 bytes written past the match lie inside the buffer
        // and are overwritten by what follows.
        for (size_t i = 0; i < n; i += 16) std::memcpy(dst + i, src + i, 16);
      } else if (back == 1) {
        std::memset(dst, *src, n);
      } else {
        for (size_t i = 0; i < n; ++i) dst[i] = src[i];
      }
    } else {
      for (size_t i = 0; i < n; ++i) {
        const size_t at = pos + i;
        dst[i] = at >= back ? out[at - back] : uint8_t{0x20};
      }
    }
    pos += n;
  }
  output->resize(pos);
  return true;
}

}  // namespace wakelore
