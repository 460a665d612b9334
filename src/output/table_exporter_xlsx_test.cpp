// The workbook format of TableExporter::Export: rows reach the sheet, the
// sheet's capacity, and no file left behind on any failure or cancel.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/db_manager.h"
#include "output/table_exporter.h"
#include "output/xlsx_parts.h"
#include "output/xlsx_writer.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/text.h"
#include "tests/support/test_support.h"
#include "tests/support/zip_reader.h"

namespace wakelore {
namespace {

std::wstring Numbers(int64_t n, const std::wstring& columns) {
  return Format(L"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %d) "
                L"SELECT %s FROM c",
                n, columns);
}

class WorkbookExportTest : public testing::Test {
 protected:
  void SetUp() override {
    temp_ = dir_.File(L"tmp");
    ASSERT_TRUE(CreateOneDirectory(temp_, nullptr));
    hooks_.temp_folder = temp_;
    SetXlsxTestHooks(&hooks_);
    ASSERT_TRUE(db_.OpenReadWrite(dir_.File(L"t.db")));
  }
  void TearDown() override { SetXlsxTestHooks(nullptr); }

  bool Export(const std::wstring& sql, int64_t limit = 0, const ExportProgress& progress = nullptr) {
    return TableExporter::Export(db_, sql, out_, ExportFormat::Xlsx, limit, L"結合データ", result_,
                                 progress);
  }
  std::string Sheet() {
    std::vector<test::ZipPart> parts;
    std::string error;
    EXPECT_TRUE(test::ReadZip(test::ReadFileBytes(out_), &parts, &error)) << error;
    return parts.size() == 7 ? parts[5].data : std::string();
  }
  bool TempFolderEmpty() const {
    std::error_code ec;
    return std::filesystem::is_empty(std::filesystem::path(temp_), ec) && !ec;
  }

  test::TempDir dir_;
  std::wstring temp_;
  XlsxTestHooks hooks_;
  DbManager db_;
  std::wstring out_ = dir_.File(L"out.xlsx");
  ExportResult result_;
};

TEST_F(WorkbookExportTest, RowsReachTheSheet) {
  ASSERT_TRUE(db_.Exec(L"CREATE TABLE t (a TEXT, b REAL, c INTEGER);"
                       L"INSERT INTO t VALUES ('x y', 1.5, 7), (NULL, NULL, NULL), ('', 0.25, -1);"));
  ASSERT_TRUE(Export(L"SELECT a AS 名前, b, c FROM t")) << Utf16ToUtf8(result_.error);
  EXPECT_EQ(result_.rows, 3);
  EXPECT_FALSE(result_.limited || result_.overflow || result_.cancelled);
  EXPECT_TRUE(result_.error.empty());
  EXPECT_EQ(Sheet(),
            SheetHead() +
                "<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"inlineStr\"><is><t>\xE5\x90\x8D\xE5\x89\x8D</t></is></c>"
                "<c r=\"B1\" s=\"1\" t=\"inlineStr\"><is><t>b</t></is></c>"
                "<c r=\"C1\" s=\"1\" t=\"inlineStr\"><is><t>c</t></is></c></row>"
                "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c>"
                "<c r=\"B2\"><v>1.5</v></c><c r=\"C2\"><v>7</v></c></row>"
                "<row r=\"3\"></row>"
                "<row r=\"4\"><c r=\"B4\"><v>0.25</v></c><c r=\"C4\"><v>-1</v></c></row>" +
                std::string(kSheetTail));
  EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(WorkbookExportTest, RowLimitAndEmptyResult) {
  ASSERT_TRUE(Export(Numbers(150, L"x"), 100));
  EXPECT_EQ(result_.rows, 100);
  EXPECT_TRUE(result_.limited);
  const std::string sheet = Sheet();
  EXPECT_NE(sheet.find("<row r=\"101\">"), std::string::npos);
  EXPECT_EQ(sheet.find("<row r=\"102\">"), std::string::npos);

  ASSERT_TRUE(Export(Numbers(5, L"x") + L" WHERE x > 9"));
  EXPECT_EQ(result_.rows, 0);
  EXPECT_EQ(Sheet(), SheetHead() +
                         "<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"inlineStr\"><is><t>x</t></is></c></row>" +
                         std::string(kSheetTail));
}

TEST_F(WorkbookExportTest, FullSheetStopsAt1048575DataRows) {
  ASSERT_TRUE(Export(Numbers(1048580, L"NULL AS n")));
  EXPECT_EQ(result_.rows, 1048575);
  EXPECT_TRUE(result_.overflow);
  EXPECT_FALSE(result_.limited);
  const std::string sheet = Sheet();
  EXPECT_NE(sheet.find("<row r=\"1048576\"></row></sheetData>"), std::string::npos);
  EXPECT_TRUE(TempFolderEmpty());
}

// Each way an export can fail, with an older file at the target that the
// user chose to overwrite: it stays as it was.
TEST_F(WorkbookExportTest, FailuresLeaveNoFiles) {
  const std::wstring cancelled = L"中止しました。";
  const struct {
    const char* what;
    std::wstring sql;
    bool cancel;
    int64_t sheet_budget;
    std::wstring error;  // empty: the connection's message
  } cases[] = {
      {"cancelled at 10000 rows", Numbers(30000, L"x"), true, -1, cancelled},
      {"statement refused", L"DELETE FROM sqlite_master", false, -1, L""},
      {"statement fails while stepping", Numbers(20000, L"abs(-9223372036854775807 - x)"), false,
       -1, L""},
      {"temporary file full", Numbers(200000, L"x, 'some text ' || x"), false, 1 << 20,
       L"一時ファイルへの書き込みに失敗しました(ディスクの空きを確認してください)。"},
      {"temporary folder missing", Numbers(10, L"x"), false, -2, L"一時ファイルを作成できません。"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(WriteWholeFile(out_, "older workbook"));
    hooks_.sheet_write_budget = c.sheet_budget >= 0 ? c.sheet_budget : -1;
    hooks_.temp_folder = c.sheet_budget == -2 ? dir_.File(L"missing") : temp_;
    int calls = 0;
    ExportProgress progress = [&](int64_t rows) {
      ++calls;
      EXPECT_EQ(rows, 10000 * calls);
      return !c.cancel;
    };
    EXPECT_FALSE(Export(c.sql, 0, progress)) << c.what;
    EXPECT_EQ(result_.error, c.error.empty() ? db_.LastError() : c.error) << c.what;
    EXPECT_FALSE(result_.error.empty()) << c.what;
    EXPECT_EQ(result_.cancelled, c.cancel) << c.what;
    if (c.cancel) {
      EXPECT_EQ(result_.rows, 10000);
    }
    EXPECT_EQ(test::ReadFileBytes(out_), "older workbook") << c.what;
    EXPECT_TRUE(TempFolderEmpty()) << c.what;
  }
}

TEST_F(WorkbookExportTest, TargetOpenElsewhereIsLeftAlone) {
  OutputFile holder;
  ASSERT_TRUE(holder.Open(out_));
  ASSERT_TRUE(holder.Write("open in Excel"));
  EXPECT_FALSE(Export(Numbers(10, L"x")));
  EXPECT_EQ(result_.error,
            L"出力ファイルを作成できません(Excelで開いたままになっていないか確認してください)。");
  EXPECT_EQ(result_.rows, 0) << "refused before any row was read";
  ASSERT_TRUE(holder.Close());
  EXPECT_EQ(test::ReadFileBytes(out_), "open in Excel");
  EXPECT_TRUE(TempFolderEmpty());
}

}  // namespace
}  // namespace wakelore
