#include "tests/support/zip_reader.h"

#include "output/crc32.h"

namespace wakelore::test {

namespace {

class BitReader {
 public:
  explicit BitReader(const std::string& s) : s_(s) {}
  bool Bits(int count, uint32_t* value) {
    if (pos_ + static_cast<size_t>(count) > s_.size() * 8) return false;
    const size_t byte = pos_ / 8;
    uint64_t v = 0;
    for (size_t i = 0; i < 5 && byte + i < s_.size(); ++i) {
      v |= static_cast<uint64_t>(static_cast<unsigned char>(s_[byte + i])) << (8 * i);
    }
    *value = static_cast<uint32_t>((v >> (pos_ % 8)) & ((uint64_t{1} << count) - 1));
    pos_ += static_cast<size_t>(count);
    return true;
  }
  // A Huffman code: most significant bit first.
  bool CodeBits(int count, uint32_t* value) {
    uint32_t v;
    if (!Bits(count, &v)) return false;
    uint32_t r = 0;
    for (int i = 0; i < count; ++i, v >>= 1) r = (r << 1) | (v & 1);
    *value = r;
    return true;
  }
  void AlignToByte() { pos_ = (pos_ + 7) / 8 * 8; }
  size_t byte_pos() const { return pos_ / 8; }
  void skip_bytes(size_t n) { pos_ += n * 8; }

 private:
  const std::string& s_;
  size_t pos_ = 0;
};

bool FixedSymbol(BitReader* r, uint32_t* sym) {
  uint32_t v;
  if (!r->CodeBits(7, &v)) return false;
  if (v <= 23) {
    *sym = 256 + v;
    return true;
  }
  uint32_t bit;
  if (!r->CodeBits(1, &bit)) return false;
  v = (v << 1) | bit;
  if (v >= 0x30 && v <= 0xBF) {
    *sym = v - 0x30;
    return true;
  }
  if (v >= 0xC0 && v <= 0xC7) {
    *sym = 280 + (v - 0xC0);
    return true;
  }
  if (!r->CodeBits(1, &bit)) return false;
  v = (v << 1) | bit;
  *sym = 144 + (v - 0x190);
  return v >= 0x190 && v <= 0x1FF;
}

// A canonical Huffman code read bit by bit (RFC 1951 section 3.2.2):
// counts per length and the symbols in code order.  Build refuses
// over-subscribed sets and incomplete ones, as zlib does: only a literal or
// distance code may be a single code of one bit, and only a distance code
// may be empty.
struct Huffman {
  uint16_t count[16] = {};
  std::vector<uint16_t> symbols;

  bool Build(const uint8_t* lengths, int n, bool allow_single, bool allow_none) {
    for (uint16_t& c : count) c = 0;
    for (int i = 0; i < n; ++i) ++count[lengths[i]];
    count[0] = 0;
    int left = 1;
    int used = 0;
    for (int len = 1; len <= 15; ++len) {
      left = left * 2 - count[len];
      used += count[len];
      if (left < 0) return false;
    }
    if (used == 0) {
      if (!allow_none) return false;
    } else if (left > 0 && !(allow_single && used == 1 && count[1] == 1)) {
      return false;
    }
    uint16_t offs[16] = {};
    for (int len = 1; len < 15; ++len) offs[len + 1] = static_cast<uint16_t>(offs[len] + count[len]);
    symbols.assign(static_cast<size_t>(used), 0);
    for (int i = 0; i < n; ++i) {
      if (lengths[i] != 0) symbols[offs[lengths[i]]++] = static_cast<uint16_t>(i);
    }
    return true;
  }

  bool Decode(BitReader* r, uint32_t* sym) const {
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= 15; ++len) {
      uint32_t bit;
      if (!r->Bits(1, &bit)) return false;
      code |= static_cast<int>(bit);
      const int c = count[len];
      if (code - c < first) {
        const size_t at = static_cast<size_t>(index + (code - first));
        if (at >= symbols.size()) return false;
        *sym = symbols[at];
        return true;
      }
      index += c;
      first = (first + c) << 1;
      code <<= 1;
    }
    return false;
  }
};

// Reads the code lengths of a dynamic block and builds its two codes.
bool ReadDynamicCodes(BitReader* r, Huffman* lit, Huffman* dist, std::string* error) {
  static const uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  uint32_t hlit, hdist, hclen;
  if (!r->Bits(5, &hlit) || !r->Bits(5, &hdist) || !r->Bits(4, &hclen)) {
    return *error = "truncated dynamic header", false;
  }
  hlit += 257;
  hdist += 1;
  hclen += 4;
  if (hlit > 286 || hdist > 30) return *error = "too many length or distance codes", false;
  uint8_t lengths[320] = {};
  for (uint32_t i = 0; i < hclen; ++i) {
    uint32_t v;
    if (!r->Bits(3, &v)) return *error = "truncated code length code", false;
    lengths[kOrder[i]] = static_cast<uint8_t>(v);
  }
  Huffman lencode;
  if (!lencode.Build(lengths, 19, false, false)) return *error = "bad code length code", false;
  uint8_t all[320] = {};
  uint32_t at = 0;
  while (at < hlit + hdist) {
    uint32_t sym;
    if (!lencode.Decode(r, &sym)) return *error = "bad code length symbol", false;
    if (sym < 16) {
      all[at++] = static_cast<uint8_t>(sym);
      continue;
    }
    uint32_t repeat, value = 0;
    if (sym == 16) {
      if (at == 0) return *error = "repeat with no previous length", false;
      value = all[at - 1];
      if (!r->Bits(2, &repeat)) return *error = "truncated repeat", false;
      repeat += 3;
    } else if (sym == 17) {
      if (!r->Bits(3, &repeat)) return *error = "truncated repeat", false;
      repeat += 3;
    } else {
      if (!r->Bits(7, &repeat)) return *error = "truncated repeat", false;
      repeat += 11;
    }
    if (at + repeat > hlit + hdist) return *error = "code lengths run past the end", false;
    for (uint32_t k = 0; k < repeat; ++k) all[at++] = static_cast<uint8_t>(value);
  }
  if (all[256] == 0) return *error = "no end-of-block code", false;
  if (!lit->Build(all, static_cast<int>(hlit), true, false)) return *error = "bad literal/length code set", false;
  if (!dist->Build(all + hlit, static_cast<int>(hdist), true, true)) return *error = "bad distance code set", false;
  return true;
}

uint32_t Le(const std::string& s, size_t at, int size) {
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

}  // namespace

bool Inflate(const std::string& stream, std::string* out, std::vector<bool>* finals,
             std::string* error) {
  static const uint16_t kLenBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                        31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static const uint8_t kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  static const uint16_t kDistBase[30] = {1,   2,   3,   4,   5,    7,    9,    13,   17,    25,
                                         33,  49,  65,  97,  129,  193,  257,  385,  513,   769,
                                         1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
  out->clear();
  if (finals) finals->clear();
  BitReader r(stream);
  uint32_t final = 0;
  while (!final) {
    uint32_t type;
    if (!r.Bits(1, &final) || !r.Bits(2, &type)) return *error = "truncated block header", false;
    if (finals) finals->push_back(final != 0);
    if (type == 0) {
      r.AlignToByte();
      const size_t at = r.byte_pos();
      if (at + 4 > stream.size()) return *error = "truncated stored block", false;
      const uint32_t len = Le(stream, at, 2);
      if ((len ^ 0xFFFF) != Le(stream, at + 2, 2) || at + 4 + len > stream.size()) {
        return *error = "bad stored block", false;
      }
      out->append(stream, at + 4, len);
      r.skip_bytes(4 + len);
      continue;
    }
    if (type == 3) return *error = "reserved block type", false;
    Huffman lit, dist;
    const bool dynamic = type == 2;
    if (dynamic && !ReadDynamicCodes(&r, &lit, &dist, error)) return false;
    for (;;) {
      uint32_t sym = 0;
      if (!(dynamic ? lit.Decode(&r, &sym) : FixedSymbol(&r, &sym))) {
        return *error = "bad literal/length code", false;
      }
      if (sym < 256) {
        out->push_back(static_cast<char>(sym));
        continue;
      }
      if (sym == 256) break;
      if (sym > 285) return *error = "length symbol above 285", false;
      uint32_t extra, dcode, dextra;
      if (!r.Bits(kLenExtra[sym - 257], &extra)) return *error = "truncated length", false;
      const size_t length = kLenBase[sym - 257] + extra;
      if (!(dynamic ? dist.Decode(&r, &dcode) : r.CodeBits(5, &dcode)) || dcode > 29) {
        return *error = "bad distance code", false;
      }
      const int dbits = dcode < 4 ? 0 : static_cast<int>(dcode) / 2 - 1;
      if (!r.Bits(dbits, &dextra)) return *error = "truncated distance", false;
      const size_t distance = kDistBase[dcode] + dextra;
      if (distance > out->size() || distance > 32768) return *error = "distance too far back", false;
      if (distance >= length) {
        out->append(*out, out->size() - distance, length);
      } else {
        for (size_t i = 0; i < length; ++i) out->push_back((*out)[out->size() - distance]);
      }
    }
  }
  r.AlignToByte();
  if (r.byte_pos() != stream.size()) return *error = "bytes after the final block", false;
  return true;
}

bool ReadZip(const std::string& z, std::vector<ZipPart>* parts, std::string* error) {
  parts->clear();
  if (z.size() < 22) return *error = "too short", false;
  const size_t end = z.size() - 22;
  if (Le(z, end, 4) != 0x06054B50) return *error = "no end record at the very end", false;
  const uint32_t count = Le(z, end + 10, 2);
  const uint32_t dir_size = Le(z, end + 12, 4);
  const uint32_t dir_offset = Le(z, end + 16, 4);
  if (Le(z, end + 8, 2) != count || static_cast<uint64_t>(dir_offset) + dir_size != end) {
    return *error = "end record does not match the directory", false;
  }
  size_t at = dir_offset;
  size_t expected_local = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (at + 46 > end || Le(z, at, 4) != 0x02014B50) return *error = "bad directory record", false;
    const uint32_t name_len = Le(z, at + 28, 2);
    if (Le(z, at + 30, 2) != 0 || Le(z, at + 32, 2) != 0 || at + 46 + name_len > end) {
      return *error = "directory record with extra or comment", false;
    }
    ZipPart part;
    part.flags = static_cast<uint16_t>(Le(z, at + 8, 2));
    part.method = static_cast<uint16_t>(Le(z, at + 10, 2));
    const uint32_t crc = Le(z, at + 16, 4);
    const uint32_t csize = Le(z, at + 20, 4);
    const uint32_t usize = Le(z, at + 24, 4);
    const uint32_t local = Le(z, at + 42, 4);
    part.name = z.substr(at + 46, name_len);
    part.compressed_size = csize;
    // The local header repeats the directory's fields at offset 4 - 30.
    if (local != expected_local || local + 30 + name_len > dir_offset ||
        Le(z, local, 4) != 0x04034B50 || z.compare(local + 4, 26, z, at + 6, 26) != 0 ||
        z.compare(local + 30, name_len, part.name) != 0) {
      return *error = "local header of " + part.name + " differs from its directory record", false;
    }
    const size_t data = local + 30 + name_len;
    if (data + csize > dir_offset) return *error = "data of " + part.name + " overruns", false;
    if (part.method != 8) return *error = part.name + " is not deflated", false;
    part.data.reserve(usize < (1u << 30) ? usize : 0);
    if (!Inflate(z.substr(data, csize), &part.data, &part.blocks, error)) {
      *error = part.name + ": " + *error;
      return false;
    }
    if (part.data.size() != usize || Crc32(0, part.data.data(), part.data.size()) != crc) {
      return *error = "size or CRC of " + part.name + " does not match", false;
    }
    expected_local = data + csize;
    at += 46 + name_len;
    parts->push_back(std::move(part));
  }
  if (at != end || expected_local != dir_offset) return *error = "gaps in the package", false;
  return true;
}

}  // namespace wakelore::test
