#include "app/batch_query.h"

#include <cwchar>

#include "app/batch_runs.h"
#include "output/dataset_sql.h"
#include "output/datasets.h"
#include "platform/files.h"
#include "platform/text.h"

namespace wakelore {

bool DecodeQueryFile(const std::string& bytes, std::wstring* sql) {
  std::string_view text(bytes);
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  *sql = Utf8ToUtf16(text);
  // Valid UTF-8 comes back byte for byte; anything else was replaced.
  return Utf16ToUtf8(*sql) == text;
}

int32_t RunBatchQuery(const std::vector<std::wstring>& args) {
  if (args.size() < 6) return 2;
  const std::wstring& database = args[2];
  const ExportFormat format = BatchExportFormat(args[4]);
  const std::wstring& output = args[5];

  std::string bytes;
  std::wstring reason;
  if (!ReadWholeFile(args[3], &bytes, &reason, kMaxQueryFileBytes)) {
    WriteExportLog(output, database, L"cannot read the SQL file: " + reason);
    return 2;
  }
  std::wstring text;
  if (!DecodeQueryFile(bytes, &text)) {
    WriteExportLog(output, database, L"the SQL file is not UTF-8");
    return 2;
  }
  const int64_t limit = args.size() > 6 ? std::wcstoll(args[6].c_str(), nullptr, 10) : 0;
  const DatasetInfo* dataset = FindDataset(L"sql");
  return ExportStatementToFile(database, WrapCustomSql(text, 0), format, output, limit,
                               dataset ? dataset->shortLabel : L"SQL");
}

}  // namespace wakelore
