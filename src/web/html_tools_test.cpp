#include "web/html_tools.h"

#include <gtest/gtest.h>

namespace wakelore {
namespace {

TEST(HtmlToolsTest, HtmlToText) {
  struct Case {
    const char* html;
    const char* text;
  };
  const Case cases[] = {
      {"a&amp;lt;b", "a<b"},  // entities decoded twice, in order
      {"x&#12354;y", "x&#12354;y"},
      {"1<br>2", "1 2"},
      {"<td class=\"x\">\r\n  6.78 \t</td>", "6.78"},
      {"a&nbsp;&nbsp;b", "a b"},
      {"&lt;b&gt; &quot;q&quot; &amp;amp;", "<b> \"q\" &amp;"},
      {"a > b", "a b"},           // a stray '>' is dropped
      {"keep<unterminated tag", "keep"},
      {"", ""},
      {"<p></p>", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(HtmlToText(c.html), c.text) << c.html;
}

TEST(HtmlToolsTest, ClassOfReadsDoubleQuotedValuesOnly) {
  EXPECT_EQ(ClassOf("<td class=\"is-G1a is-fBold\">"), "is-G1a is-fBold");
  EXPECT_EQ(ClassOf("<td class=\"\">"), "");
  EXPECT_EQ(ClassOf("<td class='x'>"), "");
  EXPECT_EQ(ClassOf("<td class=x>"), "");
  EXPECT_EQ(ClassOf("<td class=\"open"), "");
  EXPECT_EQ(ClassOf("<td>"), "");
}

TEST(HtmlToolsTest, TableCellsInDocumentOrder) {
  std::vector<TableCell> cells =
      TableCells("<tr><td class=\"a\">1</td><td>two <b>2</b></td><th>no</th><td class=\"c\">3</td></tr>");
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].cellText, "1");
  EXPECT_EQ(cells[0].cellClass, "a");
  EXPECT_EQ(cells[1].cellText, "two 2");
  EXPECT_EQ(cells[1].cellClass, "");
  EXPECT_EQ(cells[2].cellText, "3");
  EXPECT_EQ(cells[2].cellClass, "c");

  // A td without "</td>" ends the list; so does one without '>'.
  EXPECT_EQ(TableCells("<td>1</td><td>2<td>3").size(), 1u);
  EXPECT_EQ(TableCells("<td>1</td><td class=\"x\"").size(), 1u);
  // Nested tables are not handled: the inner "</td>" ends the outer cell.
  cells = TableCells("<td>a<table><tr><td>b</td></tr></table></td>");
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0].cellText, "a b");
}

TEST(HtmlToolsTest, NumberIn) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"6.78\xE7\xA7\x92", 6.78}, {"F.05", 0.05},  {"12-3", 12},   {"-0.5m", -0.5}, {"-", 0},
      {".", 0},                   {"abc", 0},      {"", 0},        {"1.2.3", 1.2},  {"x--5", 0},
      {"--5", 0},                 {"  42 kg", 42}, {"-.5", -0.5},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(NumberIn(c.text), c.value) << c.text;
}

TEST(HtmlToolsTest, SmallTextHelpers) {
  EXPECT_EQ(TrimAscii(" \t\r\n a b \n"), "a b");
  EXPECT_EQ(TrimAscii("\xE3\x80\x80x"), "\xE3\x80\x80x");  // the ideographic space stays
  EXPECT_TRUE(PageSaysNoData("<p>\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF\xE3\x81\x8C\xE3\x81\x82\xE3\x82\x8A"
                             "\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93</p>"));
  EXPECT_FALSE(PageSaysNoData("<p>\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF</p>"));
  EXPECT_EQ(HdQueryValue(L"2024-01-05"), L"20240105");
}

}  // namespace
}  // namespace wakelore
