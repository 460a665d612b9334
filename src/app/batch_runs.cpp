#include "app/batch_runs.h"

#include <cwchar>

#include "acquire/import_run.h"
#include "db/db_manager.h"
#include "output/dataset_sql.h"
#include "output/datasets.h"
#include "output/table_exporter.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/text.h"

namespace wakelore {

namespace {

// One line on a terminal, rewritten in place; nothing when standard error
// is not a terminal (scheduled tasks, redirected output).
class TerminalStatus {
 public:
  TerminalStatus() : enabled_(StandardErrorIsTerminal()) {}
  bool enabled() const { return enabled_; }
  void Show(const std::wstring& text) {
    if (!enabled_) return;
    std::wstring line = L"\r" + text;
    if (text.size() < width_) line.append(width_ - text.size(), L' ');
    width_ = text.size();
    WriteStandardError(line);
  }
  void Finish() {
    if (enabled_ && width_ > 0) WriteStandardError(L"\n");
    width_ = 0;
  }

 private:
  bool enabled_;
  size_t width_ = 0;
};

}  // namespace

std::wstring DefaultDownloadFolder(const std::wstring& database_path) {
  const PathParts parts = SplitPath(database_path);
  const std::wstring folder = parts.has_separator ? parts.folder : L".";
  return folder + kPathSeparator + L"download";
}

bool ParseBatchDate(const std::wstring& text, int64_t* date) {
  int year = 0, month = 0, day = 0;
  if (std::swscanf(text.c_str(), L"%d-%d-%d", &year, &month, &day) != 3) return false;
  if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  return FromLocalTime({year, month, day}, date);
}

void WriteBatchLog(const std::wstring& path, const std::wstring& text) {
  // Not checked: the exit code still tells the outcome when no log can be written.
  (void)WriteWholeFile(path, "\xEF\xBB\xBF" + Utf16ToUtf8(text));
}

bool ParseImportArguments(const std::vector<std::wstring>& args, ImportOptions* options,
                          std::wstring* log_path) {
  if (args.size() < 7) return false;
  *options = ImportOptions();
  options->databasePath = args[2];
  options->downloadFolder =
      args.size() > 7 && !args[7].empty() ? args[7] : DefaultDownloadFolder(args[2]);
  if (!ParseBatchDate(args[3], &options->fromDate) || !ParseBatchDate(args[4], &options->toDate)) {
    return false;
  }
  const std::wstring letters = ToUpperText(args[5]);
  options->programs = letters.find(L'B') != std::wstring::npos;
  options->results = letters.find(L'K') != std::wstring::npos;
  options->meetings = letters.find(L'G') != std::wstring::npos;
  options->racerPeriods = letters.find(L'R') != std::wstring::npos;
  options->racePages = letters.find(L'L') != std::wstring::npos;
  options->reimport = letters.find(L'F') != std::wstring::npos;
  options->referenceTime = 0;
  *log_path = args[6];
  return true;
}

ExportFormat BatchExportFormat(const std::wstring& word) {
  const std::wstring lower = ToLowerText(word);
  if (lower == L"xlsx") return ExportFormat::Xlsx;
  if (lower == L"sjis") return ExportFormat::CsvShiftJis;
  if (lower == L"tsv") return ExportFormat::TsvUtf8;
  return ExportFormat::CsvUtf8;
}

int32_t RunBatchImport(const std::vector<std::wstring>& args) {
  ImportOptions options;
  std::wstring log_path;
  if (!ParseImportArguments(args, &options, &log_path)) return 2;

  TerminalStatus status;
  ImportProgress progress;
  if (status.enabled()) {
    progress = [&status](int32_t done, int32_t total, const std::wstring& text) {
      status.Show(Format(L"[%d/%d] %s", done, total, text));
      return true;
    };
  }
  ImportStats stats;
  const uint32_t started = TickCountMs();
  const bool ok = RunImport(options, &stats, progress);
  const uint32_t elapsed = TickCountMs() - started;
  status.Finish();

  if (IsSameFile(log_path, options.databasePath)) return ok ? 0 : 3;  // never over the database
  WriteBatchLog(log_path,
                Format(L"ok=%d elapsed_ms=%u downloaded=%d existing=%d unavailable=%d "
                       L"imported_files=%d grade_days=%d racer_files=%d race_pages=%d races_unavailable=%d\r\n",
                       ok ? 1 : 0, elapsed, stats.downloaded, stats.existing, stats.unavailable,
                       stats.imported_files, stats.grade_days, stats.racer_files, stats.race_pages,
                       stats.races_unavailable) +
                    stats.error + stats.log);
  return ok ? 0 : 3;
}

int32_t RunBatchExport(const std::vector<std::wstring>& args) {
  if (args.size() < 9) return 2;
  const ExportFormat format = BatchExportFormat(args[7]);
  const std::wstring& output = args[8];
  const DatasetInfo* dataset = FindDataset(args[3]);
  const int stadium = static_cast<int>(std::wcstol(args[6].c_str(), nullptr, 10));
  const std::wstring sql = BuildDatasetSql(args[3], args[4], args[5], stadium, 0);
  if (dataset == nullptr || sql.empty()) {
    WriteExportLog(output, args[2], L"unknown dataset or bad date");
    return 2;
  }
  const int64_t limit = args.size() > 9 ? std::wcstoll(args[9].c_str(), nullptr, 10) : 0;
  return ExportStatementToFile(args[2], sql, format, output, limit, dataset->shortLabel);
}

void WriteExportLog(const std::wstring& output, const std::wstring& database,
                    const std::wstring& text) {
  const std::wstring log_path = output + L".log";
  // However the names were chosen, the log never goes over the database.
  if (IsSameFile(log_path, database)) return;
  WriteBatchLog(log_path, text);
}

int32_t ExportStatementToFile(const std::wstring& database, const std::wstring& sql,
                              ExportFormat format, const std::wstring& output, int64_t limit,
                              const std::wstring& sheet_name) {
  DbManager db;
  if (!db.OpenReadOnly(database)) {
    WriteExportLog(output, database, db.LastError());
    return 3;
  }

  TerminalStatus status;
  ExportProgress progress;
  if (status.enabled()) {
    progress = [&status](int64_t rows) {
      status.Show(Format(L"%d 行", rows));
      return true;
    };
  }
  ExportResult result;
  const uint32_t started = TickCountMs();
  const bool ok = TableExporter::Export(db, sql, output, format, limit, sheet_name, result, progress);
  const uint32_t elapsed = TickCountMs() - started;
  if (status.enabled()) status.Show(Format(L"%d 行", result.rows));
  status.Finish();

  WriteExportLog(output, database,
                 Format(L"ok=%d rows=%I64d limited=%d overflow=%d elapsed_ms=%lu error=%s",
                        ok ? 1 : 0, result.rows, result.limited ? 1 : 0, result.overflow ? 1 : 0,
                        elapsed, result.error));
  db.Close();
  return ok ? 0 : 4;
}

}  // namespace wakelore
