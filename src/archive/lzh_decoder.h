// LzhDecoder: extracts the first entry of an LZH archive held in memory.
//
// Understands header levels 0, 1 and 2 and the methods "-lh0-" (stored) and
// "-lh5-" (LZSS over an 8 KiB window with static Huffman coding in blocks).
// Only the entry whose header starts at the first byte is looked at; later
// entries and the end-of-archive marker are ignored.  Level 0 and 1 data
// follows the header and (level 1) its extended headers, which the
// compressed size counts; level 2 data follows the header whose 16-bit size
// opens it.  No CRC is checked: a damaged entry that still decodes to its
// declared length is accepted.
//
// Archive bytes come from outside and are treated as hostile: every read is
// bounded by the input; an entry declaring more than kMaxOutputSize is
// refused (official texts are a few hundred KiB); the output is reserved
// only up to what the input could possibly expand to, and at most 256 MiB
// up front, so a tiny archive that declares a large size cannot make the
// process reserve much.  Nothing throws: a failed allocation becomes a
// failure message.
//
// One object per archive: create it, call ExtractFirstEntry once, read the
// result, discard it.  Objects share nothing, so different threads may each
// use their own decoder without locking.
#ifndef WAKELORE_ARCHIVE_LZH_DECODER_H_
#define WAKELORE_ARCHIVE_LZH_DECODER_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wakelore {

namespace lzh_internal {
class BitReader;
}  // namespace lzh_internal

// What the header of the first entry says.
struct LzhEntryHeader {
  std::wstring method;        // header bytes 2-6, one character per byte
  std::wstring entryName;     // code page 932, white space trimmed
  uint32_t compressedSize = 0;    // level 1: without the extended headers
  uint32_t uncompressedSize = 0;
  uint64_t dataOffset = 0;    // where the entry data starts in the input
};

class LzhDecoder {
 public:
  LzhDecoder() = default;
  LzhDecoder(const LzhDecoder&) = delete;
  LzhDecoder& operator=(const LzhDecoder&) = delete;

  // Empties `*output`, message, entry name and method, then extracts the
  // first entry of the archive [begin, end).  True when `*output` holds
  // exactly the entry's declared size; on success entry_name() and method()
  // describe the entry.  False with message() set otherwise; bytes decoded
  // before the failure may remain in `*output` and are to be discarded.
  [[nodiscard]] bool ExtractFirstEntry(const uint8_t* begin, const uint8_t* end, std::vector<uint8_t>* output);
  [[nodiscard]] bool ExtractFirstEntry(std::string_view input, std::vector<uint8_t>* output);

  // Parses the first header only (the first half of ExtractFirstEntry).
  // False with message() set when the header is unusable.
  [[nodiscard]] bool ParseFirstHeader(const uint8_t* begin, const uint8_t* end, LzhEntryHeader* header);

  // One-line English failure text of the last call; empty after a success.
  const std::wstring& message() const { return message_; }
  const std::wstring& entry_name() const { return entry_name_; }
  const std::wstring& method() const { return method_; }

  // Alphabet sizes and lookup widths of the "-lh5-" codes.
  static constexpr int kCharAlphabet = 511;  // 256 bytes + lengths 3..257
  static constexpr int kPreTreeAlphabet = 19;
  static constexpr int kPositionAlphabet = 14;
  static constexpr int kCharTableBits = 12;
  static constexpr int kPtTableBits = 8;
  static constexpr int kWindowSize = 8192;
  // Largest entry extracted with "-lh5-".
  static constexpr uint64_t kMaxOutputSize = uint64_t{1} << 30;
  // Largest output reserved before decoding starts; larger entries grow.
  static constexpr uint64_t kMaxUpFrontReservation = uint64_t{256} << 20;

 private:
  using BitReader = lzh_internal::BitReader;

  // Decodes the "-lh5-" stream [data, data + size) into exactly
  // `uncompressed_size` bytes.
  [[nodiscard]] bool DecodeLh5(const uint8_t* data, size_t size, uint32_t uncompressed_size,
                               std::vector<uint8_t>* output);
  [[nodiscard]] bool ReadPtLengths(BitReader* bits, int nn, int nbit, int i_special);
  [[nodiscard]] bool ReadCharLengths(BitReader* bits);
  // Builds `table` (2^table_bits entries) and the tree arrays from `lengths`.
  [[nodiscard]] bool BuildTable(int nchar, const uint8_t* lengths, int table_bits, uint16_t* table,
                                uint16_t* left, uint16_t* right, int tree_size);
  bool Fail(const std::wstring& text);

  std::wstring message_;
  std::wstring entry_name_;
  std::wstring method_;

  std::array<uint8_t, kCharAlphabet> char_lengths_{};
  std::array<uint8_t, kPreTreeAlphabet> pt_lengths_{};
  std::array<uint16_t, 1 << kCharTableBits> char_table_{};
  std::array<uint16_t, 1 << kPtTableBits> pt_table_{};
  std::array<uint16_t, 2 * kCharAlphabet> char_left_{};
  std::array<uint16_t, 2 * kCharAlphabet> char_right_{};
  std::array<uint16_t, 128> pt_left_{};
  std::array<uint16_t, 128> pt_right_{};
};

}  // namespace wakelore

#endif  // WAKELORE_ARCHIVE_LZH_DECODER_H_
