#include "output/xlsx_parts.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/text.h"

namespace wakelore {
namespace {

TEST(XlsxPartsTest, ColumnLetters) {
  const struct {
    size_t index;
    const char* letters;
  } cases[] = {{0, "A"},     {25, "Z"},    {26, "AA"},    {51, "AZ"},    {52, "BA"},
               {701, "ZZ"}, {702, "AAA"}, {703, "AAB"}, {18277, "ZZZ"}, {18278, "AAAA"}};
  for (const auto& c : cases) EXPECT_EQ(ColumnLetters(c.index), c.letters) << c.index;
}

TEST(XlsxPartsTest, XmlEscape) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"a&b", "a&amp;b"},
      {"<x y=\"1\">", "&lt;x y=&quot;1&quot;&gt;"},
      {"it's", "it's"},                                    // apostrophe stays
      {"a\x01" "b\x1F" "c", "abc"},                        // control characters dropped
      {std::string("a\0b", 3), "ab"},
      {"t\tl\nc\r", "t\tl\nc\r"},                          // TAB, LF, CR stay
      {"\xE7\xB5\x90\xE5\x90\x88", "\xE7\xB5\x90\xE5\x90\x88"},  // 結合
      {"x\xEF\xBF\xBEy\xEF\xBF\xBFz", "xyz"},              // U+FFFE, U+FFFF are no XML characters
      {"\xEF\xBF\xBD\xEF\xBC\x91", "\xEF\xBF\xBD\xEF\xBC\x91"},  // U+FFFD, U+FF11 stay
      {"\xEF\xBF", "\xEF\xBF"},                            // a cut-off sequence is only copied
  };
  for (const auto& c : cases) EXPECT_EQ(XmlEscape(c.in), c.out) << c.in;
}

TEST(XlsxPartsTest, SheetNames) {
  const struct {
    std::wstring in;
    std::wstring out;
  } cases[] = {
      {L"結合データ", L"結合データ"},
      {L"", L"Sheet1"},
      {L"[]:*?/\\", L"Sheet1"},
      {L"a[b]c:d*e?f/g\\h", L"abcdefgh"},
      {std::wstring(40, L'x'), std::wstring(31, L'x')},
      // Cut at 31 first, then cleaned: the result is shorter than 31.
      {L"[[[[[" + std::wstring(30, L'y'), std::wstring(26, L'y')},
      {std::wstring(31, L'/') + L"tail", L"Sheet1"},
      {L"tab\there", L"tabhere"},
      // A character outside the BMP counts two, and is never cut in half.
      {std::wstring(30, L'z') + L"\U0001F600", std::wstring(30, L'z')},
      {std::wstring(29, L'z') + L"\U0001F600", std::wstring(29, L'z') + L"\U0001F600"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CleanSheetName(c.in), c.out) << Utf16ToUtf8(c.in);
  }
}

TEST(XlsxPartsTest, FixedPartsInPackageOrder) {
  const std::vector<XlsxPart> parts = FixedXlsxParts(L"A&B");
  ASSERT_EQ(parts.size(), 5u);
  const char* names[] = {"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml",
                         "xl/_rels/workbook.xml.rels", "xl/styles.xml"};
  for (size_t i = 0; i < parts.size(); ++i) {
    EXPECT_EQ(parts[i].name, names[i]);
    EXPECT_EQ(parts[i].bytes.rfind(
                  "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<", 0),
              0u)
        << names[i];
    EXPECT_EQ(std::count(parts[i].bytes.begin(), parts[i].bytes.end(), '\n'), 1) << names[i];
    EXPECT_EQ(parts[i].bytes.find("> <"), std::string::npos) << names[i];
  }
  EXPECT_NE(parts[2].bytes.find("<sheet name=\"A&amp;B\" sheetId=\"1\" r:id=\"rId1\"/>"),
            std::string::npos);
  // The shared strings follow the sheet in the package; the content types
  // and the workbook's relationships name them from the start.
  EXPECT_NE(parts[0].bytes.find(
                "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/"
                "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"),
            std::string::npos);
  EXPECT_NE(parts[3].bytes.find(
                "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
                "2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>"),
            std::string::npos);
}

TEST(XlsxPartsTest, SharedStringsPart) {
  std::string part = SharedStringsHead(5, 2);
  AppendSharedStringItem("a&amp;b", &part);
  AppendSharedStringItem(" x", &part);
  part += kSharedStringsTail;
  EXPECT_EQ(part,
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"5\" "
            "uniqueCount=\"2\"><si><t>a&amp;b</t></si><si><t xml:space=\"preserve\"> x</t></si></sst>");
}

}  // namespace
}  // namespace wakelore
