#include "output/table_exporter.h"

#include <vector>

#include "output/delimited_writer.h"
#include "output/staged_output.h"
#include "output/xlsx_writer.h"
#include "platform/files.h"

namespace wakelore {

const wchar_t kCannotCreateOutputMessage[] =
    L"出力ファイルを作成できません(他のアプリで開いたままになっていないか確認してください)。";
const wchar_t kCancelledMessage[] = L"中止しました。";
const wchar_t kCannotCreateWorkbookMessage[] =
    L"出力ファイルを作成できません(Excelで開いたままになっていないか確認してください)。";
const wchar_t kOutputIsDatabaseMessage[] =
    L"出力先に読み出し中のデータベースファイルが指定されています。別のファイル名を指定してください。";

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

bool ExportDelimited(DbManager& db, const std::wstring& sql, const std::wstring& path,
                     ExportFormat format, int64_t limit, ExportResult& result,
                     const ExportProgress& progress) {
  StagedOutput output;
  DelimitedWriter writer(format);
  if (!output.Begin(path) || !writer.Open(output.write_path())) {
    // Nothing was written: an older file at `path` is as it was.
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
      if (!writer.Close(&result.error)) return false;  // `output` removes its file
      if (output.Commit()) return true;
      result.error = kCannotCreateOutputMessage;
      return false;
  }
  writer.Abort();
  return false;  // `output` removes its file; the target is untouched
}

// The workbook format: the sheet holds 1048575 data rows below the header.
bool ExportWorkbook(DbManager& db, const std::wstring& sql, const std::wstring& path,
                    int64_t limit, const std::wstring& sheetName, ExportResult& result,
                    const ExportProgress& progress) {
  StagedOutput output;
  if (!output.Begin(path)) {
    result.error = kCannotCreateWorkbookMessage;
    return false;
  }
  XlsxWriter writer;
  if (!writer.Begin(output.write_path(), sheetName)) {
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
      if (!writer.Finish()) {
        result.error = writer.error();
        return false;
      }
      if (output.Commit()) return true;
      result.error = kCannotCreateWorkbookMessage;
      return false;
  }
  writer.Abort();
  return false;
}

}  // namespace

bool TableExporter::Export(DbManager& db, const std::wstring& sql, const std::wstring& path,
                           ExportFormat format, int64_t limit, const std::wstring& sheetName,
                           ExportResult& result, const ExportProgress& progress) {
  result = ExportResult();
  // Compared as files, not as path texts: the database under any name.
  if (IsSameFile(path, db.FilePath())) {
    result.error = kOutputIsDatabaseMessage;
    return false;
  }
  if (format == ExportFormat::Xlsx) {
    return ExportWorkbook(db, sql, path, limit, sheetName, result, progress);
  }
  return ExportDelimited(db, sql, path, format, limit, result, progress);
}

}  // namespace wakelore
