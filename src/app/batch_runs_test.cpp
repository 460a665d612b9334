#include "app/batch_runs.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/files.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

TEST(ParseBatchDateTest, Cases) {
  struct Case { std::wstring text; bool ok; std::wstring day; };
  const Case cases[] = {
      {L"2023-09-01", true, L"2023-09-01"},
      {L"2023-9-1", true, L"2023-09-01"},
      {L" 2023-09-01xyz", true, L"2023-09-01"},
      {L"2024-02-30", true, L"2024-03-01"},
      {L"2024-13-01", false, L""},
      {L"1969-12-31", false, L""},
      {L"2024-00-10", false, L""},
      {L"2024-01-32", false, L""},
      {L"2024-01", false, L""},
      {L"", false, L""},
  };
  for (const Case& c : cases) {
    int64_t date = 0;
    EXPECT_EQ(ParseBatchDate(c.text, &date), c.ok) << testing::PrintToString(c.text);
    if (c.ok) {
      EXPECT_EQ(LocalDateText(date), c.day) << testing::PrintToString(c.text);
    }
  }
}

TEST(ParseImportArgumentsTest, LettersPathsAndCounts) {
  ImportOptions o;
  std::wstring log;
  const std::vector<std::wstring> six = {L"w", L"/import", L"db", L"2023-09-01", L"2023-09-02", L"bk"};
  EXPECT_FALSE(ParseImportArguments(six, &o, &log));
  std::vector<std::wstring> args = six;
  args.push_back(L"run.log");
  ASSERT_TRUE(ParseImportArguments(args, &o, &log));
  EXPECT_TRUE(o.programs && o.results);
  EXPECT_FALSE(o.meetings || o.racerPeriods || o.reimport);
  EXPECT_EQ(log, L"run.log");
  EXPECT_EQ(o.downloadFolder, std::wstring(L".") + kPathSeparator + L"download");
  args[5] = L"RGxF";
  args[2] = L"/data/x.db";
  args.push_back(L"");
  ASSERT_TRUE(ParseImportArguments(args, &o, &log));
  EXPECT_TRUE(o.meetings && o.racerPeriods && o.reimport);
  EXPECT_FALSE(o.programs || o.results);
  EXPECT_EQ(o.downloadFolder, std::wstring(L"/data") + kPathSeparator + L"download");
  args[7] = L"cache";
  ASSERT_TRUE(ParseImportArguments(args, &o, &log));
  EXPECT_EQ(o.downloadFolder, L"cache");
  args[3] = L"2024-13-01";
  EXPECT_FALSE(ParseImportArguments(args, &o, &log));
}

TEST(BatchExportFormatTest, Words) {
  EXPECT_EQ(BatchExportFormat(L"XLSX"), ExportFormat::Xlsx);
  EXPECT_EQ(BatchExportFormat(L"sjis"), ExportFormat::CsvShiftJis);
  EXPECT_EQ(BatchExportFormat(L"Tsv"), ExportFormat::TsvUtf8);
  EXPECT_EQ(BatchExportFormat(L"csv"), ExportFormat::CsvUtf8);
  EXPECT_EQ(BatchExportFormat(L""), ExportFormat::CsvUtf8);
  EXPECT_EQ(BatchExportFormat(L"pdf"), ExportFormat::CsvUtf8);
}

TEST(RunBatchExportTest, RefusalsWriteTheirLogAndNoOutput) {
  test::TempDir dir;
  const std::wstring out = dir.File(L"out.csv");
  auto args = [&](const std::wstring& db, const std::wstring& key, const std::wstring& from) {
    return std::vector<std::wstring>{L"w", L"/export", db, key, from, L"2023-09-01", L"0", L"csv", out};
  };
  EXPECT_EQ(RunBatchExport({L"w", L"/export", L"db"}), 2);
  EXPECT_FALSE(PathExists(out + L".log"));
  for (const auto& bad : {args(L"x.db", L"sql", L"2023-09-01"), args(L"x.db", L"Combined", L"2023-09-01"),
                          args(L"x.db", L"combined", L"2023-9-1")}) {
    EXPECT_EQ(RunBatchExport(bad), 2);
    EXPECT_EQ(test::ReadFileBytes(out + L".log"), "\xEF\xBB\xBFunknown dataset or bad date");
    EXPECT_FALSE(PathExists(out));
  }
  EXPECT_EQ(RunBatchExport(args(dir.File(L"missing.db"), L"combined", L"2023-09-01")), 3);
  EXPECT_EQ(test::ReadFileBytes(out + L".log"), "\xEF\xBB\xBFunable to open database file");
  EXPECT_FALSE(PathExists(out));
}

}  // namespace
}  // namespace wakelore
