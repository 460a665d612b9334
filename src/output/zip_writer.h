// ZipWriter: writes a ZIP package part by part to one output file, every
// part deflated (method 8) with a 32-bit central directory and no extras.
//
// Small parts are handed over whole; a large part can be streamed in
// chunks (one part at a time), its local header written with zero CRC and
// sizes first and rewritten in place once they are known, so no data
// descriptor is needed.
// Every header and directory record carries one modification time.
//
// Not thread-safe: one owner at a time.  A writer destroyed without Finish
// closes the file but leaves it in place; call Abort to remove it.
#ifndef WAKELORE_OUTPUT_ZIP_WRITER_H_
#define WAKELORE_OUTPUT_ZIP_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output/deflate.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace wakelore {

// One part as the central directory lists it.
struct ZipEntry {
  std::string name;  // ASCII
  uint32_t crc = 0;
  uint32_t compressed_size = 0;
  uint32_t uncompressed_size = 0;
  uint32_t local_header_offset = 0;
};

// MS-DOS time and date of a local time (years before 1980 count as 1980,
// after 2107 as 2107).
struct DosStamp {
  uint16_t time = 0;
  uint16_t date = 0;
};
DosStamp DosDateTime(const LocalTime& local);

// Sizes and offsets above this many bytes make a package too large for the
// 32-bit records.
inline constexpr uint64_t kZipSizeLimit = 4294967280u;  // 0xFFFFFFF0

class ZipWriter {
 public:
  enum class Failure { None, Write, TooLarge };

  ZipWriter() = default;
  ~ZipWriter() = default;
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Creates or truncates `path` exclusively.  False when it cannot be
  // created (held open by another program, missing folder, no permission).
  [[nodiscard]] bool Open(const std::wstring& path, DosStamp stamp);

  // One whole part, deflated as a single final block.
  [[nodiscard]] bool AddPart(const std::string& name, std::string_view bytes);

  // A part streamed in chunks: BeginPart, AddChunk for each chunk (the last
  // one with `final` set, possibly empty), EndPart.  Each chunk is one
  // deflate block of the part's single bit stream.
  [[nodiscard]] bool BeginPart(const std::string& name);
  [[nodiscard]] bool AddChunk(const void* data, size_t size, bool final);
  // The same with the chunk's block already made by DeflateBlockAlone (on
  // another thread); `data` is the chunk itself, for the CRC and sizes.
  [[nodiscard]] bool AddDeflatedChunk(const void* data, size_t size, const DeflatedBlock& block, bool final);
  [[nodiscard]] bool EndPart();

  // Writes the central directory and the end record in one write and closes
  // the file.
  [[nodiscard]] bool Finish();

  // Closes without reporting errors and deletes the file.
  void Abort();

  // Why the last false result happened.
  Failure failure() const { return failure_; }
  const std::vector<ZipEntry>& entries() const { return entries_; }

  // For tests: a smaller size limit, and writes that fail once the package
  // would grow past `budget` bytes (a full disk); negative = no budget.
  void set_size_limit_for_testing(uint64_t limit) { limit_ = limit; }
  void set_write_budget_for_testing(int64_t budget) { budget_ = budget; }

 private:
  bool Fail(Failure failure);
  [[nodiscard]] bool Append(std::string_view bytes);
  [[nodiscard]] bool Patch(uint64_t offset, std::string_view bytes);
  [[nodiscard]] bool CountChunk(const void* data, size_t size);
  [[nodiscard]] bool WriteCompressed(bool final);
  std::string LocalHeader(const ZipEntry& entry) const;

  OutputFile file_;
  std::wstring path_;
  DosStamp stamp_;
  uint64_t position_ = 0;
  std::vector<ZipEntry> entries_;
  Failure failure_ = Failure::None;
  uint64_t limit_ = kZipSizeLimit;
  int64_t budget_ = -1;

  // The part being streamed.
  ZipEntry streamed_;
  std::string compressed_;
  BitWriter bits_{&compressed_};
  uint64_t streamed_in_ = 0;
  uint64_t streamed_out_ = 0;
  uint32_t streamed_crc_ = 0;
  bool streaming_ = false;
};

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_ZIP_WRITER_H_
