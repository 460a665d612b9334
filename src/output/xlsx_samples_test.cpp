// Writes sample workbooks and deflate streams for outside readers (unzip,
// Python's zipfile and zlib, LibreOffice) into the folder named by
// WAKELORE_XLSX_SAMPLES; tests/suites.d/30-xlsx-readers runs this and checks
// what it finds.  Skipped when the variable is not set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "archive/race_file_importer.h"
#include "db/db_manager.h"
#include "db/db_schema.h"
#include "output/dataset_sql.h"
#include "output/deflate.h"
#include "output/table_exporter.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

std::wstring SamplesFolder() {
  const char* folder = std::getenv("WAKELORE_XLSX_SAMPLES");
  return folder && *folder ? Utf8ToUtf16(folder) : std::wstring();
}

std::wstring In(const std::wstring& folder, const wchar_t* name) {
  return folder + kPathSeparator + name;
}

// Texts, integers, reals, NULLs, empty texts, blanks at either end,
// control characters and XML specials, and enough plain rows to matter.
const wchar_t kSampleTable[] =
    L"CREATE TABLE sample(id INTEGER, name TEXT, value REAL, note TEXT, code TEXT);"
    L"INSERT INTO sample VALUES"
    L" (1, ' lead', 0.5, 'a&b<c>\"d''e', '007'),"
    L" (2, 'trail ', -1.25, 'x' || char(1) || 'y', ''),"
    L" (3, 'in ner', 1e20, 'tab' || char(9) || 'cr' || char(13) || 'lf' || char(10) || 'end', NULL),"
    L" (4, '', NULL, NULL, '=1+1'),"
    L" (NULL, '結合データ', 3.0, '😀 emoji', '0'),"
    L" (9223372036854775807, 'big', 1e-7, 'ｶﾅ ', ' '),"
    L" (-5, char(1), 1e999, '', 'x'),"
    L" (6, '  ', -0.0, '&amp;', 'end');"
    L"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)"
    L" INSERT INTO sample SELECT 100 + i, '選手' || i, i * 0.25, printf('%05d', i),"
    L" CASE WHEN i % 3 = 0 THEN NULL ELSE 'c' || i END FROM n;";

bool ExportTo(DbManager* db, const std::wstring& sql, const std::wstring& path,
              ExportFormat format, const std::wstring& sheet) {
  ExportResult result;
  const bool ok = TableExporter::Export(*db, sql, path, format, 0, sheet, result, nullptr);
  EXPECT_TRUE(ok) << Utf16ToUtf8(path) << ": " << Utf16ToUtf8(result.error);
  return ok;
}

void WriteDeflateSample(const std::wstring& folder, const std::wstring& name,
                        const std::string& input, size_t chunk) {
  std::string stream;
  BitWriter bits(&stream);
  size_t at = 0;
  do {
    const size_t n = std::min(chunk, input.size() - at);
    DeflateBlock(reinterpret_cast<const uint8_t*>(input.data()) + at, n, at + n >= input.size(),
                 &bits);
    at += n;
  } while (at < input.size());
  bits.FlushPartialByte();
  ASSERT_TRUE(WriteWholeFile(folder + kPathSeparator + name + L".in", input));
  ASSERT_TRUE(WriteWholeFile(folder + kPathSeparator + name + L".raw", stream));
}

TEST(XlsxSamples, WriteForOutsideReaders) {
  const std::wstring folder = SamplesFolder();
  if (folder.empty()) GTEST_SKIP() << "WAKELORE_XLSX_SAMPLES is not set";

  const std::wstring db_path = In(folder, L"sample.db");
  (void)DeleteFileAt(db_path);  // a sample of an earlier run, if any
  DbManager db;
  ASSERT_TRUE(db.OpenReadWrite(db_path));
  ASSERT_TRUE(db.Exec(kSampleTable)) << Utf16ToUtf8(db.LastError());
  const std::wstring query = L"SELECT * FROM sample ORDER BY rowid";
  ASSERT_TRUE(WriteWholeFile(In(folder, L"sample.sql"), Utf16ToUtf8(query)));
  ASSERT_TRUE(ExportTo(&db, query, In(folder, L"sample.xlsx"), ExportFormat::Xlsx, L"サンプル[1]"));
  ASSERT_TRUE(ExportTo(&db, L"SELECT * FROM sample WHERE 0", In(folder, L"empty.xlsx"),
                       ExportFormat::Xlsx, L"???"));
  // A sheet of about 2.5 MiB: three chunks, three blocks.
  ASSERT_TRUE(ExportTo(
      &db,
      L"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 22500)"
      L" SELECT i AS n, 'row ' || i || ' 桐生 戸田' AS t, i * 0.5 AS r FROM n",
      In(folder, L"big.xlsx"), ExportFormat::Xlsx, L"big"));
  db.Close();

  // The combined dataset of a real day (program and result archives), as
  // workbook and as CSV, for LibreOffice to compare.
  const std::wstring day_path = In(folder, L"dataset.db");
  (void)DeleteFileAt(day_path);  // a sample of an earlier run, if any
  DbManager day;
  DbSchema schema(day);
  ASSERT_TRUE(schema.InitializeDatabase(day_path)) << Utf16ToUtf8(schema.LastError());
  RaceFileImporter importer(&day, false);
  ArchiveImportTally tally;
  ASSERT_TRUE(importer.ImportProgramArchive(test::FixturePath("official/b230901.lzh"), &tally))
      << Utf16ToUtf8(importer.message());
  ASSERT_TRUE(importer.ImportResultArchive(test::FixturePath("official/k230901.lzh"), &tally))
      << Utf16ToUtf8(importer.message());
  const std::wstring dataset = BuildDatasetSql(L"combined", L"2023-09-01", L"2023-09-01", 0, 0);
  ASSERT_FALSE(dataset.empty());
  ASSERT_TRUE(WriteWholeFile(In(folder, L"dataset.sql"), Utf16ToUtf8(dataset)));
  ASSERT_TRUE(ExportTo(&day, dataset, In(folder, L"dataset.xlsx"), ExportFormat::Xlsx, L"結合データ"));
  ASSERT_TRUE(ExportTo(&day, dataset, In(folder, L"dataset.csv"), ExportFormat::CsvUtf8, L""));
  day.Close();

  std::string random, xml, runs;
  uint32_t seed = 99;
  for (int i = 0; i < 300000; ++i) {
    seed = seed * 1103515245u + 12345u;
    random.push_back(static_cast<char>(seed >> 16));
  }
  for (int i = 0; i < 30000; ++i) {
    xml += "<row r=\"" + std::to_string(i) + "\"><c r=\"B" + std::to_string(i) +
           "\" t=\"inlineStr\"><is><t>" + std::to_string(i % 97) + "</t></is></c></row>";
  }
  for (int i = 0; i < 2000; ++i) runs += std::string(static_cast<size_t>(i % 600), static_cast<char>('a' + i % 3));
  // Byte frequencies after the Fibonacci numbers, shuffled: the code
  // lengths must be cut to 15 bits and stay a complete code.
  std::string skewed;
  uint32_t a = 1, b = 1;
  for (int symbol = 0; symbol < 27; ++symbol) {
    skewed.append(a, static_cast<char>('A' + symbol));
    const uint32_t next = a + b;
    a = b;
    b = next;
  }
  for (size_t i = skewed.size() - 1; i > 0; --i) {
    seed = seed * 1103515245u + 12345u;
    std::swap(skewed[i], skewed[(seed >> 8) % (i + 1)]);
  }
  WriteDeflateSample(folder, L"deflate_random", random, 1 << 20);
  WriteDeflateSample(folder, L"deflate_xml", xml, 1 << 20);
  WriteDeflateSample(folder, L"deflate_runs", runs, 1 << 20);
  WriteDeflateSample(folder, L"deflate_chunked", xml, 100000);
  WriteDeflateSample(folder, L"deflate_empty", std::string(), 1 << 20);
  WriteDeflateSample(folder, L"deflate_skewed", skewed, 1 << 20);
}

}  // namespace
}  // namespace wakelore
