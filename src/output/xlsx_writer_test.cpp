#include "output/xlsx_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "output/xlsx_parts.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/test_support.h"
#include "tests/support/zip_reader.h"

namespace wakelore {
namespace {

DbCell Int(const wchar_t* t) { return {DbCellType::Integer, t}; }
DbCell Real(const wchar_t* t) { return {DbCellType::Real, t}; }
DbCell Text(const std::wstring& t) { return {DbCellType::Text, t}; }
DbCell Null() { return {DbCellType::Null, L""}; }

std::vector<test::ZipPart> ReadPackage(const std::wstring& path) {
  std::vector<test::ZipPart> parts;
  std::string error;
  EXPECT_TRUE(test::ReadZip(test::ReadFileBytes(path), &parts, &error)) << error;
  return parts;
}

std::string PartOf(const std::wstring& path, const char* name) {
  for (const test::ZipPart& p : ReadPackage(path)) {
    if (p.name == name) return p.data;
  }
  ADD_FAILURE() << "no part " << name;
  return std::string();
}

std::string SheetOf(const std::wstring& path) { return PartOf(path, kSheetPartName); }
std::string StringsOf(const std::wstring& path) { return PartOf(path, kSharedStringsPartName); }

std::string HeaderCell(const char* ref, const char* text) {
  return std::string("<c r=\"") + ref + "\" s=\"1\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
}

std::string TextCell(const char* ref, const std::string& text, bool preserve = false) {
  return std::string("<c r=\"") + ref + "\" t=\"inlineStr\"><is><t" +
         (preserve ? " xml:space=\"preserve\">" : ">") + text + "</t></is></c>";
}

std::string SharedCell(const char* ref, int index) {
  return std::string("<c r=\"") + ref + "\" t=\"s\"><v>" + std::to_string(index) + "</v></c>";
}

std::string Item(const std::string& escaped, bool preserve = false) {
  return std::string(preserve ? "<si><t xml:space=\"preserve\">" : "<si><t>") + escaped + "</t></si>";
}

std::string NumberCell(const char* ref, const char* value) {
  return std::string("<c r=\"") + ref + "\"><v>" + value + "</v></c>";
}

bool FolderIsEmpty(const std::wstring& folder) {
  std::error_code ec;
  return std::filesystem::is_empty(std::filesystem::path(folder), ec) && !ec;
}

TEST(XlsxWriterTest, CellsOfEveryKind) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"cells.xlsx");
  XlsxWriter w;
  ASSERT_TRUE(w.Begin(path, L"結合データ"));
  ASSERT_TRUE(w.WriteHeaderRow({L"id", L"a&b", L" 名前 "}));
  ASSERT_TRUE(w.WriteDataRow({Int(L"42"), Real(L"0.5"), Text(L"007"), Null(), Text(L""),
                              Text(L" lead"), Text(L"trail "), Text(L"in ner"),
                              Text(L"a&<>\"'b"), Text(L"x\x01y\tz\r\nw"), Real(L"-Inf"),
                              Text(L"結合"), Real(L"1.0e+20"), Int(L"-7")}));
  ASSERT_TRUE(w.WriteDataRow({Null(), Null()}));
  ASSERT_TRUE(w.WriteDataRow({}));
  // Texts seen before refer to their first item; "7" as text is not the
  // number 7, and "007" is not "7".
  ASSERT_TRUE(w.WriteDataRow({Text(L"a&<>\"'b"), Text(L"007"), Text(L"7"), Int(L"7"), Text(L"結合")}));
  ASSERT_TRUE(w.Finish()) << Utf16ToUtf8(w.error());

  const std::string expected =
      SheetHead() + "<row r=\"1\">" + HeaderCell("A1", "id") + HeaderCell("B1", "a&amp;b") +
      HeaderCell("C1", " \xE5\x90\x8D\xE5\x89\x8D ") + "</row>" + "<row r=\"2\">" +
      NumberCell("A2", "42") + NumberCell("B2", "0.5") + SharedCell("C2", 0) +
      SharedCell("F2", 1) + SharedCell("G2", 2) + SharedCell("H2", 3) + SharedCell("I2", 4) +
      SharedCell("J2", 5) + SharedCell("K2", 6) + SharedCell("L2", 7) +
      NumberCell("M2", "1.0e+20") + NumberCell("N2", "-7") + "</row>" +
      "<row r=\"3\"></row><row r=\"4\"></row>" + "<row r=\"5\">" + SharedCell("A5", 4) +
      SharedCell("B5", 0) + SharedCell("C5", 8) + NumberCell("D5", "7") + SharedCell("E5", 7) +
      "</row>" + std::string(kSheetTail);
  EXPECT_EQ(SheetOf(path), expected);
  EXPECT_EQ(StringsOf(path),
            SharedStringsHead(12, 9) + Item("007") + Item(" lead", true) + Item("trail ", true) +
                Item("in ner") + Item("a&amp;&lt;&gt;&quot;'b") + Item("xy\tz\r\nw") + Item("-Inf") +
                Item("\xE7\xB5\x90\xE5\x90\x88") + Item("7") + std::string(kSharedStringsTail));
  EXPECT_EQ(w.shared_string_count(), 0u) << "the table is freed with the package written";
}

TEST(XlsxWriterTest, TextsBeyondAFullTableStayInline) {
  // A table of two texts; a text too long for the table never enters it.
  XlsxTestHooks hooks;
  hooks.shared_strings_max_count = 2;
  struct Installed {
    explicit Installed(const XlsxTestHooks* h) { SetXlsxTestHooks(h); }
    ~Installed() { SetXlsxTestHooks(nullptr); }
  } installed(&hooks);
  test::TempDir dir;
  const std::wstring path = dir.File(L"full.xlsx");
  const std::wstring long_text(kLongestSharedText + 1, L'x');
  XlsxWriter w;
  ASSERT_TRUE(w.Begin(path, L"s"));
  ASSERT_TRUE(w.WriteHeaderRow({L"a", L"b", L"c", L"d"}));
  ASSERT_TRUE(w.WriteDataRow({Text(long_text), Text(L"a"), Text(L"b"), Text(L"c")}));
  ASSERT_TRUE(w.WriteDataRow({Text(L"a"), Text(L" d "), Text(L"b"), Text(L"c")}));
  EXPECT_EQ(w.shared_string_count(), 2u);
  ASSERT_TRUE(w.Finish()) << Utf16ToUtf8(w.error());

  EXPECT_EQ(SheetOf(path),
            SheetHead() + "<row r=\"1\">" + HeaderCell("A1", "a") + HeaderCell("B1", "b") +
                HeaderCell("C1", "c") + HeaderCell("D1", "d") + "</row>" + "<row r=\"2\">" +
                TextCell("A2", Utf16ToUtf8(long_text)) + SharedCell("B2", 0) + SharedCell("C2", 1) +
                TextCell("D2", "c") + "</row>" + "<row r=\"3\">" + SharedCell("A3", 0) +
                TextCell("B3", " d ", true) + SharedCell("C3", 1) + TextCell("D3", "c") + "</row>" +
                std::string(kSheetTail));
  EXPECT_EQ(StringsOf(path), SharedStringsHead(4, 2) + Item("a") + Item("b") +
                                 std::string(kSharedStringsTail));
}

TEST(XlsxWriterTest, PackageOfAnEmptyExport) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"empty.xlsx");
  XlsxWriter w;
  ASSERT_TRUE(w.Begin(path, L"a/b:c"));
  ASSERT_TRUE(w.WriteHeaderRow({L"only"}));
  ASSERT_TRUE(w.Finish());
  EXPECT_EQ(w.row_count(), 1);

  const std::vector<test::ZipPart> parts = ReadPackage(path);
  const std::vector<XlsxPart> fixed = FixedXlsxParts(L"abc");
  ASSERT_EQ(parts.size(), 7u);
  for (size_t i = 0; i < fixed.size(); ++i) {
    EXPECT_EQ(parts[i].name, fixed[i].name);
    EXPECT_EQ(parts[i].data, fixed[i].bytes) << fixed[i].name;
    EXPECT_EQ(parts[i].blocks, std::vector<bool>{true}) << fixed[i].name;
  }
  EXPECT_EQ(parts[5].name, kSheetPartName);
  EXPECT_EQ(parts[5].data, SheetHead() + "<row r=\"1\">" + HeaderCell("A1", "only") + "</row>" +
                               std::string(kSheetTail));
  EXPECT_EQ(parts[6].name, kSharedStringsPartName);
  EXPECT_EQ(parts[6].data, SharedStringsHead(0, 0) + std::string(kSharedStringsTail));
}

TEST(XlsxWriterTest, WideRowsUseThreeLetterColumns) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"wide.xlsx");
  XlsxWriter w;
  ASSERT_TRUE(w.Begin(path, L"wide"));
  std::vector<std::wstring> names(705, L"n");
  std::vector<DbCell> cells(705, Int(L"1"));
  ASSERT_TRUE(w.WriteHeaderRow(names));
  ASSERT_TRUE(w.WriteDataRow(cells));
  ASSERT_TRUE(w.Finish());
  const std::string sheet = SheetOf(path);
  for (const char* ref : {"Z2", "AA2", "ZZ2", "AAA2", "AAB2", "AAC2"}) {
    EXPECT_NE(sheet.find(NumberCell(ref, "1")), std::string::npos) << ref;
  }
  EXPECT_NE(sheet.find(HeaderCell("AAC1", "n")), std::string::npos);
  EXPECT_EQ(sheet.find("AAD"), std::string::npos);
}

TEST(XlsxWriterTest, LargeSheetIsDeflatedInMebibyteBlocksOfOneStream) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"big.xlsx");
  XlsxWriter w;
  ASSERT_TRUE(w.Begin(path, L"big"));
  ASSERT_TRUE(w.WriteHeaderRow({L"n", L"text"}));
  // About 2.6 MiB of sheet XML.
  for (int i = 0; i < 31000; ++i) {
    ASSERT_TRUE(w.WriteDataRow({Int(std::to_wstring(i * 7919 % 100003).c_str()),
                                Text(L"row " + std::to_wstring(i) + L" 桐生 戸田")}));
  }
  ASSERT_TRUE(w.Finish());
  for (const test::ZipPart& p : ReadPackage(path)) {
    if (p.name != kSheetPartName) continue;
    EXPECT_GT(p.data.size(), 2u * 1048576 + 1048576 / 4);
    EXPECT_LT(p.data.size(), 3u * 1048576);
    EXPECT_EQ(p.blocks, (std::vector<bool>{false, false, true}));
    EXPECT_NE(p.data.find("<row r=\"31001\">"), std::string::npos);
  }
}

TEST(XlsxWriterTest, TemporaryFileLivesInTheTempFolderUntilFinishOrAbort) {
  test::TempDir dir;
  const std::wstring target = dir.File(L"t.xlsx");
  const std::wstring prefix = TempFolder() + kPathSeparator + L"wkl";
  {
    XlsxWriter w;
    ASSERT_TRUE(w.Begin(target, L"s"));
    const std::wstring temp = w.temporary_path();
    EXPECT_EQ(temp.rfind(prefix, 0), 0u) << Utf16ToUtf8(temp);
    EXPECT_TRUE(PathExists(temp));
    EXPECT_FALSE(PathExists(target)) << "the target appears only at the end";
    ASSERT_TRUE(w.WriteHeaderRow({L"a"}));
    ASSERT_TRUE(w.Finish());
    EXPECT_FALSE(PathExists(temp));
    EXPECT_TRUE(w.temporary_path().empty());
    EXPECT_TRUE(PathExists(target));
    EXPECT_FALSE(w.Finish()) << "a finished writer is no longer open";
  }
  ASSERT_TRUE(DeleteFileAt(target));
  {
    XlsxWriter w;
    ASSERT_TRUE(w.Begin(target, L"s"));
    const std::wstring first = w.temporary_path();
    ASSERT_TRUE(w.Begin(target, L"s"));  // a second Begin drops the first file
    EXPECT_FALSE(PathExists(first));
    const std::wstring second = w.temporary_path();
    w.Abort();
    EXPECT_FALSE(PathExists(second));
    EXPECT_FALSE(PathExists(target));
  }
  std::wstring dropped;
  {
    XlsxWriter w;
    ASSERT_TRUE(w.Begin(target, L"s"));
    ASSERT_TRUE(w.WriteHeaderRow({L"a"}));
    dropped = w.temporary_path();
  }
  EXPECT_FALSE(PathExists(dropped)) << "destroying an open writer deletes its file";
  EXPECT_FALSE(PathExists(target));
}

TEST(XlsxWriterTest, FinishWithoutBeginKeepsTheErrorText) {
  XlsxWriter w;
  EXPECT_FALSE(w.Finish());
  EXPECT_TRUE(w.error().empty());
}

// Every failure the writer reports, each made to happen, with the files
// that must be gone afterwards.
class XlsxWriterFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_ = dir_.File(L"tmp");
    ASSERT_TRUE(CreateOneDirectory(temp_, nullptr));
    hooks_.temp_folder = temp_;
    SetXlsxTestHooks(&hooks_);
  }
  void TearDown() override { SetXlsxTestHooks(nullptr); }

  // Begins a workbook of `rows` rows of mixed cells; the sheet is a few
  // hundred kilobytes for 3000 rows.
  bool WriteRows(XlsxWriter* w, int rows) {
    if (!w->Begin(target(), L"s") || !w->WriteHeaderRow({L"n", L"t", L"r"})) return false;
    for (int i = 0; i < rows; ++i) {
      if (!w->WriteDataRow({Int(std::to_wstring(i).c_str()),
                            Text(L"テキスト " + std::to_wstring(i * 31 % 977)), Real(L"2.5")})) {
        return false;
      }
    }
    return true;
  }
  std::wstring target() const { return dir_.File(L"out.xlsx"); }

  test::TempDir dir_;
  std::wstring temp_;
  XlsxTestHooks hooks_;
};

TEST_F(XlsxWriterFailureTest, TemporaryFileCannotBeCreated) {
  hooks_.temp_folder = dir_.File(L"missing");
  XlsxWriter w;
  EXPECT_FALSE(w.Begin(target(), L"s"));
  EXPECT_EQ(w.error(), L"一時ファイルを作成できません。");
  EXPECT_TRUE(w.temporary_path().empty());
  EXPECT_FALSE(PathExists(target()));
}

TEST_F(XlsxWriterFailureTest, TemporaryFileWriteFails) {
  const std::wstring message =
      L"一時ファイルへの書き込みに失敗しました(ディスクの空きを確認してください)。";
  hooks_.sheet_write_budget = 1 << 20;  // the first 1 MiB flush already fails
  {
    XlsxWriter w;
    EXPECT_FALSE(WriteRows(&w, 100000));
    EXPECT_EQ(w.error(), message);
    EXPECT_LT(w.row_count(), 100000);
    EXPECT_FALSE(FolderIsEmpty(temp_)) << "kept until the caller aborts";
    w.Abort();
    EXPECT_TRUE(FolderIsEmpty(temp_));
    EXPECT_FALSE(PathExists(target()));
  }
  hooks_.sheet_write_budget = 100;  // the last flush, inside Finish, fails
  {
    XlsxWriter w;
    ASSERT_TRUE(WriteRows(&w, 10));
    EXPECT_FALSE(w.Finish());
    EXPECT_EQ(w.error(), message);
    EXPECT_TRUE(FolderIsEmpty(temp_));
    EXPECT_FALSE(PathExists(target()));
  }
}

TEST_F(XlsxWriterFailureTest, TargetCannotBeCreated) {
  const std::wstring message =
      L"出力ファイルを作成できません(Excelで開いたままになっていないか確認してください)。";
  {
    // The target is open elsewhere (as in Excel): it is left untouched.
    ASSERT_TRUE(WriteWholeFile(target(), "older workbook"));
    OutputFile holder;
    ASSERT_TRUE(holder.Open(target()));
    XlsxWriter w;
    ASSERT_TRUE(WriteRows(&w, 10));
    EXPECT_FALSE(w.Finish());
    EXPECT_EQ(w.error(), message);
    EXPECT_TRUE(FolderIsEmpty(temp_));
    EXPECT_TRUE(PathExists(target()));
  }
  {
    XlsxWriter w;
    ASSERT_TRUE(w.Begin(dir_.File(L"no-folder") + kPathSeparator + L"x.xlsx", L"s"));
    EXPECT_FALSE(w.Finish());
    EXPECT_EQ(w.error(), message);
    EXPECT_TRUE(FolderIsEmpty(temp_));
  }
}

TEST_F(XlsxWriterFailureTest, FailuresWhileBuildingThePackageRemoveBothFiles) {
  // A clean run first, for the sizes and for where the compressed sheet
  // and shared strings lie in the package.
  int64_t package_size = 0;
  uint32_t sheet_size = 0;
  int64_t sheet_middle = 0, strings_middle = 0;
  {
    XlsxWriter w;
    ASSERT_TRUE(WriteRows(&w, 3000));
    ASSERT_TRUE(w.Finish());
    package_size = FileSizeOf(target());
    int64_t offset = 0;
    for (const test::ZipPart& p : ReadPackage(target())) {
      const int64_t data = offset + 30 + static_cast<int64_t>(p.name.size());
      if (p.name == kSheetPartName) {
        sheet_size = static_cast<uint32_t>(p.data.size());
        sheet_middle = data + p.compressed_size / 2;
      }
      if (p.name == kSharedStringsPartName) strings_middle = data + p.compressed_size / 2;
      offset = data + p.compressed_size;
    }
    ASSERT_GT(sheet_size, 100000u);
    ASSERT_GT(strings_middle, sheet_middle);
  }
  const std::wstring write_failed = L"出力ファイルの書き込みに失敗しました。";
  const std::wstring too_large = L"出力が大きすぎます(4GB超)。期間を分けて出力してください。";
  const struct {
    const char* what;
    bool remove_sheet;
    uint64_t size_limit;
    int64_t target_budget;
    std::wstring message;
  } cases[] = {
      {"temporary file gone before reading", true, 0, -1, L"一時ファイルを読み込めません。"},
      {"sheet above the size limit", false, sheet_size - 1u, -1, too_large},
      {"disk full in the fixed parts", false, 0, 200, write_failed},
      {"disk full in the sheet", false, 0, sheet_middle, write_failed},
      {"disk full in the shared strings", false, 0, strings_middle, write_failed},
      {"disk full in the directory", false, 0, package_size - 30, write_failed},
  };
  for (const auto& c : cases) {
    hooks_.remove_sheet_before_reading = c.remove_sheet;
    hooks_.size_limit = c.size_limit;
    hooks_.target_write_budget = c.target_budget;
    ASSERT_TRUE(WriteWholeFile(target(), "older workbook"));
    XlsxWriter w;
    ASSERT_TRUE(WriteRows(&w, 3000)) << c.what;
    EXPECT_FALSE(w.Finish()) << c.what;
    EXPECT_EQ(w.error(), c.message) << c.what;
    EXPECT_TRUE(FolderIsEmpty(temp_)) << c.what;
    EXPECT_TRUE(w.temporary_path().empty()) << c.what;
    EXPECT_FALSE(PathExists(target())) << c.what;
  }
}

TEST_F(XlsxWriterFailureTest, RowsBeyondTheSheetAreRefused) {
  XlsxWriter w;
  ASSERT_TRUE(w.Begin(target(), L"s"));
  ASSERT_TRUE(w.WriteHeaderRow({L"n"}));
  const std::vector<DbCell> none;
  for (int64_t i = 1; i < kXlsxMaxRows; ++i) {
    if (!w.WriteDataRow(none)) FAIL() << "row " << i << ": " << Utf16ToUtf8(w.error());
  }
  EXPECT_EQ(w.row_count(), kXlsxMaxRows);
  EXPECT_FALSE(w.WriteDataRow(none));
  EXPECT_EQ(w.error(), L"Excel の最大行数を超えました。");
  EXPECT_EQ(w.row_count(), kXlsxMaxRows);
  w.Abort();
  EXPECT_TRUE(FolderIsEmpty(temp_));
}

}  // namespace
}  // namespace wakelore
