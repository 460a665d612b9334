#include "output/table_exporter.h"

#include <vector>

#include "output/delimited_writer.h"
#include "output/xlsx_writer.h"
#include "platform/files.h"

namespace wakelore {

const wchar_t kCannotCreateOutputMessage[] =
    L"出力ファイルを作成できません(他のアプリで開いたままになっていないか確認してください)。";
const wchar_t kCancelledMessage[] = L"中止しました。";

namespace {

// How the row loop ended.
enum class PumpOutcome { kComplete, kQueryFailed, kWriteFailed, kCancelled };

// One writer's side of the row loop: each returns false when a write failed
// (the writer keeps its message).
struct RowSink {
  std::function<bool(const std::vector<std::wstring>& names)> header;
  std::function<bool(const std::vector<DbCell>& cells)> row;
  int64_t capacity = 0;  // data rows the target can hold; 0 = no bound
};

// Runs `sql` and hands the header and rows to `sink`, enforcing the row
// limit, the sink's capacity and cancellation.  Fills the counters of
// `result`; the caller decides what each outcome means for the file.
PumpOutcome PumpRows(DbManager& db, const std::wstring& sql, int64_t limit, const RowSink& sink,
                     ExportResult& result, const ExportProgress& progress) {
  bool stop = false;
  const bool ran = db.Query(
      sql,
      [&](const std::vector<std::wstring>& names) {
        if (!sink.header(names)) stop = true;
      },
      [&](const std::vector<DbCell>& cells) {
        if (stop) return false;
        if (limit > 0 && result.rows >= limit) {
          result.limited = true;
          return false;
        }
        if (sink.capacity > 0 && result.rows >= sink.capacity) {
          result.overflow = true;
          return false;
        }
        if (!sink.row(cells)) stop = true;
        ++result.rows;
        if (progress && result.rows % TableExporter::kProgressInterval == 0 &&
            !progress(result.rows)) {
          result.cancelled = true;
          return false;
        }
        return !stop;
      });
  if (!ran) return PumpOutcome::kQueryFailed;
  if (stop) return PumpOutcome::kWriteFailed;
  if (result.cancelled) return PumpOutcome::kCancelled;
  return PumpOutcome::kComplete;
}

// Removes what a failed export wrote.  A path that is not an ordinary file
// (a device the user chose as target) is never removed.
void RemoveTarget(const std::wstring& path) {
  if (IsRegularFile(path)) (void)DeleteFileAt(path);  // the export's failure is reported
}

bool ExportDelimited(DbManager& db, const std::wstring& sql, const std::wstring& path,
                     ExportFormat format, int64_t limit, ExportResult& result,
                     const ExportProgress& progress) {
  DelimitedWriter writer(format);
  if (!writer.Open(path)) {
    // Nothing of ours to delete: the file may be another program's.
    result.error = kCannotCreateOutputMessage;
    return false;
  }
  if (format != ExportFormat::CsvShiftJis) writer.AppendBytes("\xEF\xBB\xBF");

  std::vector<std::wstring> fields;  // reused for every row
  RowSink sink;
  sink.header = [&](const std::vector<std::wstring>& names) {
    return writer.WriteRow(names, &result.error);
  };
  sink.row = [&](const std::vector<DbCell>& cells) {
    fields.resize(cells.size());
    for (size_t i = 0; i < cells.size(); ++i) fields[i] = cells[i].text;  // Null: empty text
    return writer.WriteRow(fields, &result.error);
  };

  switch (PumpRows(db, sql, limit, sink, result, progress)) {
    case PumpOutcome::kQueryFailed:
      result.error = db.LastError();
      break;
    case PumpOutcome::kWriteFailed:
      // A write failure that coincides with a cancel reports the cancel.
      if (result.cancelled) result.error = kCancelledMessage;
      break;
    case PumpOutcome::kCancelled:
      result.error = kCancelledMessage;
      break;
    case PumpOutcome::kComplete:
      if (writer.Close(&result.error)) return true;
      RemoveTarget(path);
      return false;
  }
  writer.Abort();
  RemoveTarget(path);
  return false;
}

// The workbook format: the sheet holds 1048575 data rows below the header.
bool ExportWorkbook(DbManager& db, const std::wstring& sql, const std::wstring& path,
                    int64_t limit, const std::wstring& sheetName, ExportResult& result,
                    const ExportProgress& progress) {
  XlsxWriter writer;
  if (!writer.Begin(path, sheetName)) {
    // The target is not created before Finish: nothing to delete.
    result.error = writer.error();
    return false;
  }
  RowSink sink;
  sink.header = [&](const std::vector<std::wstring>& names) {
    return writer.WriteHeaderRow(names);
  };
  sink.row = [&](const std::vector<DbCell>& cells) { return writer.WriteDataRow(cells); };
  sink.capacity = kXlsxMaxRows - 1;

  switch (PumpRows(db, sql, limit, sink, result, progress)) {
    case PumpOutcome::kQueryFailed:
      result.error = db.LastError();
      break;
    case PumpOutcome::kWriteFailed:
      result.error = writer.error();
      break;
    case PumpOutcome::kCancelled:
      result.error = kCancelledMessage;
      break;
    case PumpOutcome::kComplete:
      if (writer.Finish()) return true;
      // Finish has removed its files; a target it could not open is not ours.
      result.error = writer.error();
      return false;
  }
  writer.Abort();
  RemoveTarget(path);
  return false;
}

}  // namespace

bool TableExporter::Export(DbManager& db, const std::wstring& sql, const std::wstring& path,
                           ExportFormat format, int64_t limit, const std::wstring& sheetName,
                           ExportResult& result, const ExportProgress& progress) {
  result = ExportResult();
  if (format == ExportFormat::Xlsx) {
    return ExportWorkbook(db, sql, path, limit, sheetName, result, progress);
  }
  return ExportDelimited(db, sql, path, format, limit, result, progress);
}

}  // namespace wakelore
