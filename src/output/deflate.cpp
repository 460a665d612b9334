#include "output/deflate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace wakelore {

namespace {

constexpr int kHashSize = 1 << 15;
constexpr size_t kMaxMatch = 258;
constexpr size_t kMinMatch = 3;
constexpr size_t kWindow = 32768;

// Match finding: at most this many chain steps per position, a quarter of
// them once the previous position already has a match of kGoodLength, no
// look for a longer match after one of kMaxLazy, and a match of kNiceLength
// ends the search.  A match of three bytes further back than kTooFar costs
// more than its literals and is dropped.
constexpr int kMaxChain = 128;
constexpr size_t kGoodLength = 8;
constexpr size_t kMaxLazy = 16;
constexpr size_t kNiceLength = 128;
constexpr size_t kTooFar = 4096;

constexpr int kLiteralCodes = 286;  // 0-255 literals, 256 end of block, 257-285 lengths
constexpr int kDistanceCodes = 30;
constexpr int kLengthCodes = 19;  // the alphabet of the code lengths
constexpr int kEndOfBlock = 256;
constexpr int kMaxBits = 15;
constexpr int kMaxLengthBits = 7;

const uint8_t kLengthOrder[kLengthCodes] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                            11, 4, 12, 3, 13, 2, 14, 1, 15};

uint32_t Reverse(uint32_t code, int length) {
  uint32_t r = 0;
  for (int i = 0; i < length; ++i) {
    r = (r << 1) | (code & 1);
    code >>= 1;
  }
  return r;
}

// A code or an extra-bits value ready for BitWriter::Put: the bits in the
// low 24 bits, their count in the top byte.
constexpr uint32_t Pack(uint32_t bits, int count) {
  return bits | static_cast<uint32_t>(count) << 24;
}

inline void PutCode(BitWriter* bits, uint32_t packed) {
  bits->Put(packed & 0xFFFFFF, static_cast<int>(packed >> 24));
}

inline int BitsOf(uint32_t packed) { return static_cast<int>(packed >> 24); }

// The symbols of match lengths and distances with their extra bits, and
// the fixed codes.
struct CodeTables {
  std::array<uint16_t, kMaxMatch + 1> length_symbol{};  // 257..285
  std::array<uint32_t, kMaxMatch + 1> length_extra{};   // packed extra bits
  std::array<uint8_t, kWindow + 1> distance_code{};     // 0..29
  std::array<uint32_t, kWindow + 1> distance_extra{};   // packed extra bits
  std::array<uint8_t, 288> fixed_literal_bits{};        // fixed code lengths
  std::array<uint8_t, kDistanceCodes> fixed_distance_bits{};
};

CodeTables BuildTables() {
  CodeTables t;
  static const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                           15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
  static const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  for (int code = 0; code < 29; ++code) {
    const uint32_t last = code == 28 ? 258 : kLengthBase[code + 1] - 1u;
    for (uint32_t len = kLengthBase[code]; len <= last; ++len) {
      t.length_symbol[len] = static_cast<uint16_t>(257 + code);
      t.length_extra[len] = Pack(len - kLengthBase[code], kLengthExtra[code]);
    }
  }
  static const uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                         33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                         1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
  for (int code = 0; code < 30; ++code) {
    const int extra = code < 4 ? 0 : code / 2 - 1;
    const uint32_t last = code == 29 ? kWindow : kDistBase[code + 1] - 1u;
    for (uint32_t d = kDistBase[code]; d <= last; ++d) {
      t.distance_code[d] = static_cast<uint8_t>(code);
      t.distance_extra[d] = Pack(d - kDistBase[code], extra);
    }
  }
  for (int s = 0; s < 288; ++s) t.fixed_literal_bits[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
  for (int d = 0; d < kDistanceCodes; ++d) t.fixed_distance_bits[d] = 5;
  return t;
}

const CodeTables& Tables() {
  static const CodeTables tables = BuildTables();
  return tables;
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

// One symbol of the block as the match finder produced it: a literal byte
// (below 256), or a match as distance << 9 | length.
using Symbol = uint32_t;
inline bool IsLiteral(Symbol s) { return s < 256; }
inline size_t MatchLength(Symbol s) { return s & 511; }
inline size_t MatchDistance(Symbol s) { return s >> 9; }

// Lempel-Ziv pass over the block with hash chains and one step of lazy
// evaluation: a match found at a position is taken only when the next
// position has no longer one.  Matches never reach before `b`.
void FindMatches(const uint8_t* b, size_t n, std::vector<Symbol>* out) {
  out->clear();
  if (n == 0) return;
  out->reserve(n / 3 + 16);
  // The previous-position links are kept for the last 32768 positions only:
  // a chain is left as soon as it reaches further back than that, so an
  // older link is never read.  Slots are read only after they were written,
  // so prev needs no filling.
  std::unique_ptr<int32_t[]> head(new int32_t[kHashSize]);
  std::unique_ptr<int32_t[]> prev(new int32_t[kWindow]);
  for (int i = 0; i < kHashSize; ++i) head[i] = -1;
  auto enter = [&](size_t j) {
    const uint32_t h = Hash(b + j);
    prev[j & (kWindow - 1)] = head[h];
    head[h] = static_cast<int32_t>(j);
  };
  // The longest match at e longer than `shorter` (0 when none), the nearest
  // among equally long ones.
  auto longest = [&](size_t e, size_t shorter, size_t* distance) -> size_t {
    const size_t cap = n - e < kMaxMatch ? n - e : kMaxMatch;
    size_t best = shorter < kMinMatch ? kMinMatch - 1 : shorter;
    if (best >= cap) return 0;
    const size_t found_before = best;
    int chain = shorter >= kGoodLength ? kMaxChain / 4 : kMaxChain;
    int32_t candidate = head[Hash(b + e)];
    for (; candidate >= 0 && chain > 0; --chain) {
      const size_t c = static_cast<size_t>(candidate);
      if (e - c > kWindow) break;
      // Only a candidate that agrees on byte `best` can be longer; checking
      // the bytes before it as well only skips more of the hopeless ones.
      if (b[c + best] == b[e + best] &&
          (best < 4 || std::memcmp(b + c + best - 4, b + e + best - 4, 4) == 0)) {
        const size_t len = CommonPrefix(b + c, b + e, cap);
        if (len > best) {
          best = len;
          *distance = e - c;
          if (best >= cap || best >= kNiceLength) break;
        }
      }
      candidate = prev[c & (kWindow - 1)];
    }
    if (best == found_before) return 0;
    if (best == kMinMatch && *distance > kTooFar) return 0;
    return best;
  };

  size_t e = 0;
  bool pending = false;  // the literal b[e - 1] is not emitted yet
  size_t prev_length = 0, prev_distance = 0;
  while (e < n) {
    size_t length = 0, distance = 0;
    if (e + 2 < n) {
      if (prev_length < kMaxLazy) length = longest(e, prev_length, &distance);
      enter(e);
    }
    if (prev_length >= kMinMatch && length <= prev_length) {
      // The match found at e - 1 stands.
      out->push_back(static_cast<Symbol>(prev_distance << 9 | prev_length));
      const size_t end = e - 1 + prev_length;
      for (size_t j = e + 1; j < end && j + 2 < n; ++j) enter(j);
      e = end;
      pending = false;
      prev_length = 0;
      continue;
    }
    if (pending) out->push_back(b[e - 1]);
    pending = true;
    prev_length = length;
    prev_distance = distance;
    ++e;
  }
  if (pending) out->push_back(b[n - 1]);
}

// Huffman code lengths of at most `max_bits` for the `count` frequencies;
// symbols of frequency 0 get length 0.  At least two symbols always get a
// code (a zero frequency is raised where needed), so every code is complete
// as inflaters require.
void BuildLengths(const uint32_t* freq_in, int count, int max_bits, uint8_t* lengths) {
  std::vector<uint32_t> freq(freq_in, freq_in + count);
  int used = 0;
  for (int i = 0; i < count; ++i) used += freq[i] != 0;
  for (int i = 0; i < count && used < 2; ++i) {
    if (freq[i] == 0) {
      freq[i] = 1;
      ++used;
    }
  }
  std::fill(lengths, lengths + count, 0);
  // Leaves sorted by frequency (ties by symbol, for the same code every
  // time); internal nodes follow in the order made, which is also by
  // frequency, so two queues give the two smallest each step.
  std::vector<int> order;
  for (int i = 0; i < count; ++i) {
    if (freq[i] != 0) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return freq[a] < freq[b]; });
  const int leaves = static_cast<int>(order.size());
  std::vector<uint64_t> weight(2 * leaves);
  std::vector<int> parent(2 * leaves, -1);
  for (int i = 0; i < leaves; ++i) weight[i] = freq[order[i]];
  int next_leaf = 0, next_node = leaves, made = leaves;
  auto smallest = [&]() {
    if (next_leaf < leaves && (next_node >= made || weight[next_leaf] <= weight[next_node])) {
      return next_leaf++;
    }
    return next_node++;
  };
  while (made < 2 * leaves - 1) {
    const int a = smallest();
    const int b = smallest();
    weight[made] = weight[a] + weight[b];
    parent[a] = parent[b] = made;
    ++made;
  }
  // Depths from the root down; nodes made later sit higher.
  std::vector<int> depth(2 * leaves, 0);
  for (int i = made - 2; i >= 0; --i) depth[i] = depth[parent[i]] + 1;

  // Limit the lengths: count codes per length, move the deepest up to
  // max_bits, then pay for the excess by lengthening shorter codes, as the
  // Kraft sum requires.
  std::vector<int> per_length(kMaxBits + 2, 0);
  const int limit = std::max(max_bits, 1);
  for (int i = 0; i < leaves; ++i) ++per_length[std::min(depth[i], limit)];
  uint32_t total = 0;
  for (int len = 1; len <= limit; ++len) total += static_cast<uint32_t>(per_length[len]) << (limit - len);
  while (total > (1u << limit)) {
    --per_length[limit];
    for (int len = limit - 1; len > 0; --len) {
      if (per_length[len] > 0) {
        --per_length[len];
        per_length[len + 1] += 2;
        break;
      }
    }
    --total;
  }
  // The rarest symbols get the longest codes.
  int at = 0;
  for (int len = limit; len >= 1; --len) {
    for (int k = 0; k < per_length[len]; ++k) lengths[order[at++]] = static_cast<uint8_t>(len);
  }
}

// Canonical codes (RFC 1951 section 3.2.2) of `lengths`, packed and
// bit-reversed for BitWriter::Put.
void BuildCodes(const uint8_t* lengths, int count, uint32_t* codes) {
  int per_length[kMaxBits + 1] = {};
  for (int i = 0; i < count; ++i) ++per_length[lengths[i]];
  per_length[0] = 0;
  uint32_t next[kMaxBits + 2] = {};
  uint32_t code = 0;
  for (int len = 1; len <= kMaxBits; ++len) {
    code = (code + static_cast<uint32_t>(per_length[len - 1])) << 1;
    next[len] = code;
  }
  for (int i = 0; i < count; ++i) {
    const int len = lengths[i];
    codes[i] = len == 0 ? 0 : Pack(Reverse(next[len]++, len), len);
  }
}

// The code lengths of both trees, run-length coded with symbols 16, 17 and
// 18; each item is the symbol | extra value << 8.
void RunLengths(const uint8_t* lengths, int count, std::vector<uint32_t>* items) {
  items->clear();
  for (int i = 0; i < count;) {
    const uint8_t len = lengths[i];
    int run = 1;
    while (i + run < count && lengths[i + run] == len) ++run;
    i += run;
    if (len == 0) {
      while (run >= 11) {
        const int take = std::min(run, 138);
        items->push_back(18u | static_cast<uint32_t>(take - 11) << 8);
        run -= take;
      }
      if (run >= 3) {
        items->push_back(17u | static_cast<uint32_t>(run - 3) << 8);
        run = 0;
      }
    } else {
      items->push_back(len);
      --run;
      while (run >= 3) {
        const int take = std::min(run, 6);
        items->push_back(16u | static_cast<uint32_t>(take - 3) << 8);
        run -= take;
      }
    }
    for (; run > 0; --run) items->push_back(len);
  }
}

constexpr int kRepeatExtraBits[3] = {2, 3, 7};  // symbols 16, 17, 18

// Bits of the block's symbols under the given code lengths, headers aside.
uint64_t SymbolBits(const uint32_t* lit_freq, const uint32_t* dist_freq, const uint8_t* lit_bits,
                    const uint8_t* dist_bits) {
  static const uint8_t kLengthExtraOfSymbol[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  uint64_t total = 0;
  for (int s = 0; s < kLiteralCodes; ++s) {
    total += static_cast<uint64_t>(lit_freq[s]) *
             (lit_bits[s] + (s > kEndOfBlock ? kLengthExtraOfSymbol[s - 257] : 0));
  }
  for (int d = 0; d < kDistanceCodes; ++d) {
    total += static_cast<uint64_t>(dist_freq[d]) * (dist_bits[d] + (d < 4 ? 0 : d / 2 - 1));
  }
  return total;
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
  std::vector<Symbol> symbols;
  FindMatches(b, n, &symbols);

  uint32_t lit_freq[kLiteralCodes] = {};
  uint32_t dist_freq[kDistanceCodes] = {};
  for (Symbol s : symbols) {
    if (IsLiteral(s)) {
      ++lit_freq[s];
    } else {
      ++lit_freq[t.length_symbol[MatchLength(s)]];
      ++dist_freq[t.distance_code[MatchDistance(s)]];
    }
  }
  lit_freq[kEndOfBlock] = 1;

  // The block's own codes, and what they cost against the fixed ones.
  uint8_t lit_bits[kLiteralCodes], dist_bits[kDistanceCodes];
  BuildLengths(lit_freq, kLiteralCodes, kMaxBits, lit_bits);
  BuildLengths(dist_freq, kDistanceCodes, kMaxBits, dist_bits);
  int hlit = kLiteralCodes;
  while (hlit > 257 && lit_bits[hlit - 1] == 0) --hlit;
  int hdist = kDistanceCodes;
  while (hdist > 1 && dist_bits[hdist - 1] == 0) --hdist;
  uint8_t both[kLiteralCodes + kDistanceCodes];
  std::memcpy(both, lit_bits, static_cast<size_t>(hlit));
  std::memcpy(both + hlit, dist_bits, static_cast<size_t>(hdist));
  std::vector<uint32_t> items;
  RunLengths(both, hlit + hdist, &items);
  uint32_t len_freq[kLengthCodes] = {};
  for (uint32_t item : items) ++len_freq[item & 0xFF];
  uint8_t len_bits[kLengthCodes];
  BuildLengths(len_freq, kLengthCodes, kMaxLengthBits, len_bits);
  int hclen = kLengthCodes;
  while (hclen > 4 && len_bits[kLengthOrder[hclen - 1]] == 0) --hclen;

  uint64_t dynamic_bits = 5 + 5 + 4 + 3 * static_cast<uint64_t>(hclen);
  for (uint32_t item : items) {
    const uint32_t sym = item & 0xFF;
    dynamic_bits += len_bits[sym] + (sym >= 16 ? kRepeatExtraBits[sym - 16] : 0);
  }
  dynamic_bits += SymbolBits(lit_freq, dist_freq, lit_bits, dist_bits);
  const uint64_t fixed_bits =
      SymbolBits(lit_freq, dist_freq, t.fixed_literal_bits.data(), t.fixed_distance_bits.data());

  uint32_t lit_codes[288], dist_codes[kDistanceCodes];
  bits->Put(final ? 1u : 0u, 1);
  if (fixed_bits <= dynamic_bits) {
    bits->Put(1u, 2);  // fixed Huffman codes
    BuildCodes(t.fixed_literal_bits.data(), 288, lit_codes);
    BuildCodes(t.fixed_distance_bits.data(), kDistanceCodes, dist_codes);
  } else {
    bits->Put(2u, 2);  // the block's own codes
    bits->Put(static_cast<uint32_t>(hlit - 257), 5);
    bits->Put(static_cast<uint32_t>(hdist - 1), 5);
    bits->Put(static_cast<uint32_t>(hclen - 4), 4);
    for (int i = 0; i < hclen; ++i) bits->Put(len_bits[kLengthOrder[i]], 3);
    uint32_t len_codes[kLengthCodes];
    BuildCodes(len_bits, kLengthCodes, len_codes);
    for (uint32_t item : items) {
      const uint32_t sym = item & 0xFF;
      PutCode(bits, len_codes[sym]);
      if (sym >= 16) bits->Put(item >> 8, kRepeatExtraBits[sym - 16]);
    }
    BuildCodes(lit_bits, kLiteralCodes, lit_codes);
    BuildCodes(dist_bits, kDistanceCodes, dist_codes);
  }
  for (Symbol s : symbols) {
    if (IsLiteral(s)) {
      PutCode(bits, lit_codes[s]);
      continue;
    }
    const size_t length = MatchLength(s);
    const size_t distance = MatchDistance(s);
    const uint32_t length_code = lit_codes[t.length_symbol[length]];
    const uint32_t length_extra = t.length_extra[length];
    // A length code and its extra bits fit one Put (at most 15 + 5 bits).
    bits->Put((length_code & 0xFFFFFF) | (length_extra & 0xFFFFFF) << BitsOf(length_code),
              BitsOf(length_code) + BitsOf(length_extra));
    const uint32_t distance_code = dist_codes[t.distance_code[distance]];
    const uint32_t distance_extra = t.distance_extra[distance];
    bits->Put((distance_code & 0xFFFFFF) | (distance_extra & 0xFFFFFF) << BitsOf(distance_code),
              BitsOf(distance_code) + BitsOf(distance_extra));
  }
  PutCode(bits, lit_codes[kEndOfBlock]);
}

DeflatedBlock DeflateBlockAlone(const uint8_t* data, size_t size, bool final) {
  DeflatedBlock block;
  block.bytes.reserve(size / 4 + 64);
  BitWriter bits(&block.bytes);
  DeflateBlock(data, size, final, &bits);
  block.pending_bits = bits.pending_bits();
  block.pending_count = bits.pending_count();
  return block;
}

std::string DeflateAll(const void* data, size_t size) {
  std::string out;
  out.reserve(size / 2 + 64);
  BitWriter bits(&out);
  DeflateBlock(static_cast<const uint8_t*>(data), size, true, &bits);
  bits.FlushPartialByte();
  return out;
}

}  // namespace wakelore
