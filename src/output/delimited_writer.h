// DelimitedWriter: writes rows of text as CSV or TSV lines.
//
// CSV quotes a field that holds a comma, a double quote, CR or LF (inner
// quotes doubled); TSV turns TAB, CR and LF inside a field into spaces and
// never quotes.  Every line ends with CR LF.  Lines are converted to UTF-8,
// or to code page 932 for CsvShiftJis (characters it cannot hold become
// '?'), and collected in one buffer that goes to the file in pieces of at
// least 1 MiB.
//
// The file is opened exclusively (created or truncated; another writer of
// the same file fails to open it).  The writer never deletes it: that is
// the caller's decision.  One writer belongs to one thread.
#ifndef WAKELORE_OUTPUT_DELIMITED_WRITER_H_
#define WAKELORE_OUTPUT_DELIMITED_WRITER_H_

#include <string>
#include <string_view>
#include <vector>

#include "output/export_format.h"
#include "platform/files.h"

namespace wakelore {

class DelimitedWriter {
 public:
  // The buffer is written out once it holds this many bytes.
  static constexpr size_t kFlushThreshold = 1 << 20;

  // `format` is CsvUtf8, CsvShiftJis or TsvUtf8 (anything else writes CSV
  // in UTF-8).
  explicit DelimitedWriter(ExportFormat format);
  DelimitedWriter(const DelimitedWriter&) = delete;
  DelimitedWriter& operator=(const DelimitedWriter&) = delete;

  // Opens `path` for writing.  False when it cannot be created or is held
  // by another writer.
  [[nodiscard]] bool Open(const std::wstring& path);

  // Puts bytes into the buffer as they are (the byte-order mark).
  void AppendBytes(std::string_view bytes) { buffer_.append(bytes); }

  // Appends one line.  False only when the flush it caused failed; then
  // `*error` holds the message.
  [[nodiscard]] bool WriteRow(const std::vector<std::wstring>& fields, std::wstring* error);

  // Writes the buffer to the file.  On failure `*error` gets the disk-full
  // message and the buffer is kept.
  [[nodiscard]] bool Flush(std::wstring* error);

  // Flushes and closes.  False, with the disk-full message in `*error`,
  // when bytes could not be written (some file systems report that only
  // on close).
  [[nodiscard]] bool Close(std::wstring* error);

  // Closes without writing what is pending and without reporting errors.
  void Abort();

  bool is_open() const { return open_; }

 private:
  void AppendField(const std::wstring& field);

  const ExportFormat format_;
  OutputFile file_;
  bool open_ = false;
  std::string buffer_;
  std::wstring line_;  // reused for every row
};

// The message of a failed write.
extern const wchar_t kWriteFailedMessage[];

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_DELIMITED_WRITER_H_
