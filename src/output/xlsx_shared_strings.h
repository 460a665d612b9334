// XlsxSharedStrings: the workbook's table of distinct cell texts
// (xl/sharedStrings.xml).  A text cell names its text by index into the
// table, so a text repeated down a column is stored once.
//
// The table lives in memory until the workbook is packed, so it is bounded:
// once it holds `max_strings` texts or `max_bytes` of memory (the texts and
// their bookkeeping), a text not yet in it is refused and the caller writes
// that cell as an inline string; texts already in the table keep being
// found.  A text longer than kLongestSharedText is always refused: a text
// that long is rarely repeated.
//
// Texts are kept as they go into the XML (escaped UTF-8), in the order they
// were first added, which is the order of their indexes.  Not thread-safe.
#ifndef WAKELORE_OUTPUT_XLSX_SHARED_STRINGS_H_
#define WAKELORE_OUTPUT_XLSX_SHARED_STRINGS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wakelore {

inline constexpr size_t kSharedStringsMaxCount = 200000;
inline constexpr size_t kSharedStringsMaxBytes = size_t{64} << 20;
inline constexpr size_t kLongestSharedText = 32768;

class XlsxSharedStrings {
 public:
  explicit XlsxSharedStrings(size_t max_strings = kSharedStringsMaxCount,
                             size_t max_bytes = kSharedStringsMaxBytes);
  XlsxSharedStrings(const XlsxSharedStrings&) = delete;
  XlsxSharedStrings& operator=(const XlsxSharedStrings&) = delete;

  // The index of `text`, added at the end when it is new and the table has
  // room; -1 when it is new and the table is full (or the text too long).
  // Every found or added text counts one reference.  May throw
  // std::bad_alloc.
  int64_t Intern(std::string_view text);

  // Distinct texts held, references counted (the part's uniqueCount and
  // count), and the memory the table accounts for.
  size_t size() const { return entries_.size(); }
  uint64_t references() const { return references_; }
  size_t bytes() const { return bytes_; }

  // The text of index i (0 <= i < size()).
  std::string_view at(size_t i) const {
    const Entry& e = entries_[i];
    return std::string_view(blocks_[e.block].data() + e.offset, e.length);
  }

  // Empties the table and frees its memory; the limits stay.
  void Clear();

 private:
  struct Entry {
    uint32_t block;
    uint32_t offset;
    uint32_t length;
    uint32_t hash;
  };
  void Grow();

  size_t max_strings_;
  size_t max_bytes_;
  std::vector<std::string> blocks_;  // the texts, back to back, in blocks of 1 MiB
  std::vector<Entry> entries_;       // by index
  std::vector<uint32_t> slots_;      // open addressing: index + 1, 0 = empty
  size_t bytes_ = 0;
  uint64_t references_ = 0;
};

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_XLSX_SHARED_STRINGS_H_
