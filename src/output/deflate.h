// A small deflate encoder (RFC 1951) for the workbook's ZIP parts.  Matches
// are found over hash chains (at most 128 steps per position) with one step
// of lazy evaluation; each block then gets its own Huffman codes, or the
// fixed ones when those come out shorter (small parts).  Memory is bounded
// by the block: the match tables (256 KiB) and four bytes per input byte at
// most for the block's symbols, all freed when the block is written.
#ifndef WAKELORE_OUTPUT_DEFLATE_H_
#define WAKELORE_OUTPUT_DEFLATE_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace wakelore {

// Collects a deflate bit stream: values go in least significant bit first,
// complete bytes are appended to the caller's string.  One writer carries a
// stream across several blocks; the caller may take (and clear) the bytes
// appended so far at any time, the pending bits stay in the writer.
class BitWriter {
 public:
  explicit BitWriter(std::string* out) : out_(out) {}

  // Appends the low `count` bits of `bits` (count <= 32).
  void Put(uint32_t bits, int count) {
    acc_ |= static_cast<uint64_t>(bits) << count_;
    count_ += count;
    if (count_ >= 32) {
      const char b[4] = {static_cast<char>(acc_), static_cast<char>(acc_ >> 8),
                         static_cast<char>(acc_ >> 16), static_cast<char>(acc_ >> 24)};
      out_->append(b, 4);
      acc_ >>= 32;
      count_ -= 32;
    }
  }

  // Appends every pending bit, the last byte filled up with zero bits.  Ends
  // a stream; call it once after the final block.
  void FlushPartialByte();

  // Appends the bits another writer produced: its complete bytes `bytes`,
  // then its `count` pending bits `bits`.
  void AppendStream(const std::string& bytes, uint64_t bits, int count);

  // The bits not yet moved to the output (fewer than 32).
  uint64_t pending_bits() const { return acc_; }
  int pending_count() const { return count_; }

  std::string* out() const { return out_; }

 private:
  std::string* out_;
  uint64_t acc_ = 0;
  int count_ = 0;
};

// Appends one block holding `size` bytes of `data` to `bits`, marked final
// when `final` is set, with dynamic or fixed Huffman codes, whichever is
// shorter.  Matches never reach before `data`, so each block stands on its
// own apart from the shared bit stream.  The tables live only during the
// call; throws std::bad_alloc when they cannot be had.
void DeflateBlock(const uint8_t* data, size_t size, bool final, BitWriter* bits);

// One block compressed on a bit stream of its own, so that blocks can be
// made on several threads and joined in order with BitWriter::AppendStream.
struct DeflatedBlock {
  std::string bytes;
  uint64_t pending_bits = 0;
  int pending_count = 0;
};
DeflatedBlock DeflateBlockAlone(const uint8_t* data, size_t size, bool final);

// One whole stream: a single final block, flushed to a byte boundary.
std::string DeflateAll(const void* data, size_t size);

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_DEFLATE_H_
