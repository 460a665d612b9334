#include "output/deflate.h"

#include <array>
#include <cstring>
#include <memory>

namespace wakelore {

namespace {

constexpr int kHashSize = 1 << 15;
constexpr int kMaxChain = 48;
constexpr size_t kMaxMatch = 258;
constexpr size_t kMinMatch = 3;
constexpr size_t kWindow = 32768;

uint32_t Reverse(uint32_t code, int length) {
  uint32_t r = 0;
  for (int i = 0; i < length; ++i) {
    r = (r << 1) | (code & 1);
    code >>= 1;
  }
  return r;
}

// A code ready for BitWriter::Put: the bits in the low 24 bits, their count
// in the top byte.
constexpr uint32_t Pack(uint32_t bits, int count) {
  return bits | static_cast<uint32_t>(count) << 24;
}

struct CodeTables {
  std::array<uint32_t, 288> literal{};       // symbol -> reversed fixed code
  std::array<uint32_t, kMaxMatch + 1> length{};  // match length -> symbol code + extra bits
  std::array<uint32_t, kWindow + 1> distance{};  // distance -> 5-bit code + extra bits
};

CodeTables BuildTables() {
  CodeTables t;
  for (uint32_t s = 0; s < 288; ++s) {
    uint32_t code;
    int len;
    if (s < 144) {
      code = 0x30 + s;
      len = 8;
    } else if (s < 256) {
      code = 0x190 + (s - 144);
      len = 9;
    } else if (s < 280) {
      code = s - 256;
      len = 7;
    } else {
      code = 0xC0 + (s - 280);
      len = 8;
    }
    t.literal[s] = Pack(Reverse(code, len), len);
  }
  static const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                           15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
  static const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  for (int code = 0; code < 29; ++code) {
    const uint32_t sym = t.literal[257 + code];
    const uint32_t sym_bits = sym & 0xFFFFFF;
    const int sym_len = static_cast<int>(sym >> 24);
    const uint32_t last = code == 28 ? 258 : kLengthBase[code + 1] - 1u;
    for (uint32_t len = kLengthBase[code]; len <= last; ++len) {
      t.length[len] = Pack(sym_bits | (len - kLengthBase[code]) << sym_len, sym_len + kLengthExtra[code]);
    }
  }
  static const uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                         33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                         1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
  for (int code = 0; code < 30; ++code) {
    const int extra = code < 4 ? 0 : code / 2 - 1;
    const uint32_t bits = Reverse(static_cast<uint32_t>(code), 5);
    const uint32_t last = code == 29 ? kWindow : kDistBase[code + 1] - 1u;
    for (uint32_t d = kDistBase[code]; d <= last; ++d) {
      t.distance[d] = Pack(bits | (d - kDistBase[code]) << 5, 5 + extra);
    }
  }
  return t;
}

const CodeTables& Tables() {
  static const CodeTables tables = BuildTables();
  return tables;
}

inline void PutCode(BitWriter* bits, uint32_t packed) {
  bits->Put(packed & 0xFFFFFF, static_cast<int>(packed >> 24));
}

inline uint32_t Hash(const uint8_t* p) {
  return ((((static_cast<uint32_t>(p[0]) << 5) ^ p[1]) << 5) ^ p[2]) & (kHashSize - 1);
}

// Length of the common prefix of a and b, at most `cap`.
inline size_t CommonPrefix(const uint8_t* a, const uint8_t* b, size_t cap) {
  size_t n = 0;
  while (n + 8 <= cap) {
    uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) return n + static_cast<size_t>(__builtin_ctzll(x ^ y) >> 3);
    n += 8;
  }
  while (n < cap && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

void BitWriter::FlushPartialByte() {
  while (count_ > 0) {
    out_->push_back(static_cast<char>(acc_));
    acc_ >>= 8;
    count_ = count_ > 8 ? count_ - 8 : 0;
  }
  acc_ = 0;
}

void BitWriter::AppendStream(const std::string& bytes, uint64_t bits, int count) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t n = bytes.size();
  for (; n >= 4; n -= 4, p += 4) {
    Put(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
            static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24,
        32);
  }
  for (; n > 0; --n, ++p) Put(*p, 8);
  if (count > 0) Put(static_cast<uint32_t>(bits), count);
}

void DeflateBlock(const uint8_t* b, size_t n, bool final, BitWriter* bits) {
  const CodeTables& t = Tables();
  bits->Put(final ? 1u : 0u, 1);
  bits->Put(1u, 2);  // fixed Huffman codes

  // The previous-position links are kept for the last 32768 positions only:
  // a chain is left as soon as it reaches further back than that, so an
  // older link is never read, and the small table stays in the cache.
  // Slots are read only after they were written, so prev needs no filling.
  std::unique_ptr<int32_t[]> head(new int32_t[kHashSize]);
  std::unique_ptr<int32_t[]> prev(new int32_t[kWindow]);
  for (int i = 0; i < kHashSize; ++i) head[i] = -1;
  auto enter = [&](size_t j) {
    const uint32_t h = Hash(b + j);
    prev[j & (kWindow - 1)] = head[h];
    head[h] = static_cast<int32_t>(j);
  };

  size_t e = 0;
  while (e < n) {
    size_t best = 0;
    size_t distance = 0;
    if (e + 2 < n) {
      const size_t cap = n - e < kMaxMatch ? n - e : kMaxMatch;
      int32_t candidate = head[Hash(b + e)];
      for (int steps = 0; candidate >= 0 && steps < kMaxChain; ++steps) {
        const size_t c = static_cast<size_t>(candidate);
        if (e - c > kWindow) break;
        // Only a candidate that agrees on byte `best` can be longer; checking
        // the bytes before it as well only skips more of the hopeless ones.
        if (b[c + best] == b[e + best] &&
            (best < 4 || std::memcmp(b + c + best - 4, b + e + best - 4, 4) == 0)) {
          const size_t len = CommonPrefix(b + c, b + e, cap);
          if (len > best) {
            best = len;
            distance = e - c;
            if (best == cap) break;
          }
        }
        candidate = prev[c & (kWindow - 1)];
      }
    }
    if (best >= kMinMatch) {
      PutCode(bits, t.length[best]);
      PutCode(bits, t.distance[distance]);
      const size_t end = e + best;
      const size_t last = n >= 3 ? n - 3 : 0;  // j + 2 < n
      for (size_t j = e; j < end && j <= last; ++j) enter(j);
      e = end;
    } else {
      PutCode(bits, t.literal[b[e]]);
      if (e + 2 < n) enter(e);
      ++e;
    }
  }
  PutCode(bits, t.literal[256]);
}

DeflatedBlock DeflateBlockAlone(const uint8_t* data, size_t size, bool final) {
  DeflatedBlock block;
  block.bytes.reserve(size / 2 + 64);
  BitWriter bits(&block.bytes);
  DeflateBlock(data, size, final, &bits);
  block.pending_bits = bits.pending_bits();
  block.pending_count = bits.pending_count();
  return block;
}

std::string DeflateAll(const void* data, size_t size) {
  std::string out;
  out.reserve(size + size / 8 + 16);
  BitWriter bits(&out);
  DeflateBlock(static_cast<const uint8_t*>(data), size, true, &bits);
  bits.FlushPartialByte();
  return out;
}

}  // namespace wakelore
