#include "output/xlsx_shared_strings.h"

#include <gtest/gtest.h>

#include <string>

namespace wakelore {
namespace {

TEST(XlsxSharedStringsTest, EachTextOnceInFirstSeenOrder) {
  XlsxSharedStrings table;
  const struct {
    std::string text;
    int64_t index;
  } cases[] = {
      {"逃げ", 0}, {"差し", 1}, {"逃げ", 0}, {"逃げ ", 2},  // a trailing blank is another text
      {"A1", 3},   {"a1", 4},   {"差し", 1}, {std::string("x\0y", 3), 5}, {std::string("x\0z", 3), 6},
  };
  for (const auto& c : cases) EXPECT_EQ(table.Intern(c.text), c.index) << c.text;
  EXPECT_EQ(table.size(), 7u);
  EXPECT_EQ(table.references(), std::size(cases));
  EXPECT_EQ(table.at(0), "逃げ");
  EXPECT_EQ(table.at(2), "逃げ ");
  EXPECT_EQ(table.at(6), std::string_view("x\0z", 3));
}

TEST(XlsxSharedStringsTest, ManyTextsAreAllFoundAgain) {
  // Enough to grow the hash table many times and to fill several blocks.
  XlsxSharedStrings table;
  const int n = 150000;
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(table.Intern("選手" + std::to_string(i) + std::string(i % 13, '.')), i);
  }
  for (int i = n - 1; i >= 0; i -= 7) {
    ASSERT_EQ(table.Intern("選手" + std::to_string(i) + std::string(i % 13, '.')), i);
  }
  EXPECT_EQ(table.size(), static_cast<size_t>(n));
  EXPECT_EQ(table.at(12345), "選手12345" + std::string(12345 % 13, '.'));
}

TEST(XlsxSharedStringsTest, FullTableRefusesNewTextsOnly) {
  {
    XlsxSharedStrings table(3, kSharedStringsMaxBytes);
    EXPECT_EQ(table.Intern("a"), 0);
    EXPECT_EQ(table.Intern("b"), 1);
    EXPECT_EQ(table.Intern("c"), 2);
    EXPECT_EQ(table.Intern("d"), -1);
    EXPECT_EQ(table.Intern("b"), 1);
    EXPECT_EQ(table.size(), 3u);
    EXPECT_EQ(table.references(), 4u) << "a refused text is no reference";
  }
  {
    const size_t limit = 256 * 1024;
    XlsxSharedStrings table(kSharedStringsMaxCount, limit);
    int added = 0;
    while (table.Intern(std::to_string(added) + std::string(1000, 'x')) >= 0) ++added;
    EXPECT_GT(added, 100);
    EXPECT_LE(table.bytes(), limit);
    EXPECT_EQ(table.Intern("0" + std::string(1000, 'x')), 0);
    EXPECT_EQ(table.Intern("new" + std::string(1000, 'x')), -1);
    EXPECT_EQ(table.Intern(std::string(kLongestSharedText + 1, 'y')), -1);
    EXPECT_EQ(table.size(), static_cast<size_t>(added));
  }
  XlsxSharedStrings table;
  EXPECT_EQ(table.Intern(std::string(kLongestSharedText + 1, 'y')), -1);
  EXPECT_EQ(table.Intern(std::string(kLongestSharedText, 'y')), 0);
  table.Clear();
  EXPECT_EQ(table.size(), 0u);
  EXPECT_EQ(table.Intern("z"), 0);
}

}  // namespace
}  // namespace wakelore
