// XlsxWriter: writes one Excel workbook (Office Open XML, transitional
// SpreadsheetML) with a single sheet: a bold, frozen header row (inline
// strings) and the data rows, numbers as numbers and texts through the
// shared-strings table, each distinct text stored once.
//
// While rows arrive the sheet's XML is streamed to a temporary file ("wkl"
// prefix, in the user's temporary folder), so a sheet of a million rows
// never sits in memory; only the distinct texts are kept, in a table of
// bounded size (XlsxSharedStrings): once it is full, texts not in it are
// written as inline strings.  Finish packs the fixed parts, the sheet and
// then the shared strings (known only at the end) into the target ZIP,
// compressing the sheet and the strings in 1 MiB chunks.
//
// Calling order: Begin, WriteHeaderRow once, WriteDataRow per row, then
// Finish (success) or Abort (failure or cancel).  After any false result
// error() says why.  The temporary file never outlives Finish, Abort or the
// writer itself.  A writer belongs to one thread.
#ifndef WAKELORE_OUTPUT_XLSX_WRITER_H_
#define WAKELORE_OUTPUT_XLSX_WRITER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/db_manager.h"
#include "output/xlsx_shared_strings.h"
#include "platform/files.h"

namespace wakelore {

// The sheet holds at most this many rows, the header row included.
inline constexpr int64_t kXlsxMaxRows = 1048576;

class XlsxWriter {
 public:
  XlsxWriter() = default;
  ~XlsxWriter();
  XlsxWriter(const XlsxWriter&) = delete;
  XlsxWriter& operator=(const XlsxWriter&) = delete;

  // Aborts any earlier use, creates the temporary sheet file and writes the
  // sheet's head.  `target` is created only by Finish.
  [[nodiscard]] bool Begin(const std::wstring& target, const std::wstring& sheet_name);

  // Row 1: the column names in bold.
  [[nodiscard]] bool WriteHeaderRow(const std::vector<std::wstring>& names);

  // The next row; a Null cell and an empty text write no cell.  A text
  // cell refers to the shared strings, or holds its text inline when the
  // table is full.  Refuses rows beyond the sheet's capacity.
  [[nodiscard]] bool WriteDataRow(const std::vector<DbCell>& cells);

  // Closes the sheet and builds the target package; the temporary file is
  // deleted either way, and on failure no target is left by this writer.
  // False when the writer is not open.
  [[nodiscard]] bool Finish();

  // Closes and deletes the temporary file without reporting errors.
  void Abort();

  const std::wstring& error() const { return error_; }
  // The temporary sheet file; empty when there is none.
  const std::wstring& temporary_path() const { return temp_path_; }
  // Rows written so far, the header row included.
  int64_t row_count() const { return row_count_; }
  // Distinct texts in the shared-strings table so far (emptied by Finish
  // and Abort).
  size_t shared_string_count() const { return strings_ ? strings_->size() : 0; }

 private:
  [[nodiscard]] bool FlushIfFull();
  [[nodiscard]] bool FlushSheet();
  bool Fail(const wchar_t* message);
  // Fills `chunk` with the next piece of a part; sets `*last` with the last
  // piece.  False when the piece cannot be had (error_ set).
  using ChunkSource = std::function<bool(std::string* chunk, bool* last)>;
  [[nodiscard]] bool WriteStreamedPart(class ZipWriter* zip, const char* name, const ChunkSource& next);
  [[nodiscard]] bool WriteSheetPart(class ZipWriter* zip);
  [[nodiscard]] bool WriteSharedStringsPart(class ZipWriter* zip);
  void AppendCellRef(size_t column, const char* row, size_t row_length);

  std::wstring target_;
  std::wstring temp_path_;
  std::wstring sheet_name_;
  OutputFile sheet_;
  bool open_ = false;
  std::string buffer_;
  int64_t row_count_ = 0;
  uint64_t sheet_bytes_ = 0;  // written to the temporary file so far
  std::wstring error_;
  std::vector<std::string> letters_;  // column letters, by column
  std::string cell_text_;             // reused UTF-8 of one cell
  std::unique_ptr<XlsxSharedStrings> strings_;
};

// Seams for tests only; production code never sets them.  They replace the
// temporary folder and make the file operations of later writers fail as a
// full disk or a vanished file would.
struct XlsxTestHooks {
  std::wstring temp_folder;                 // non-empty: used instead of TempFolder()
  int64_t sheet_write_budget = -1;          // >= 0: temporary-file writes beyond this fail
  bool remove_sheet_before_reading = false; // the temporary file is gone when Finish reads it
  int64_t target_write_budget = -1;         // >= 0: target writes beyond this fail
  uint64_t size_limit = 0;                  // non-zero: replaces the 4 GB package limit
  size_t shared_strings_max_count = 0;      // non-zero: replaces the table's limit of texts
  size_t shared_strings_max_bytes = 0;      // non-zero: replaces the table's memory limit
};

// Installs `hooks` (not copied; null removes them).  Not thread-safe: set
// them while no writer is running.
void SetXlsxTestHooks(const XlsxTestHooks* hooks);

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_XLSX_WRITER_H_
