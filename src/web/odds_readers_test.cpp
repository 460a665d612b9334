// The readers of the 3連複, 2連単・2連複, 拡連複 and 単勝・複勝 odds pages, on
// the site's own layouts with every odds number made distinct.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/format.h"
#include "tests/support/test_support.h"
#include "web/exacta_quinella_odds.h"
#include "web/odds_grid.h"
#include "web/odds_page.h"
#include "web/quinella_place_odds.h"
#include "web/trio_odds.h"
#include "web/win_place_odds.h"

namespace wakelore {
namespace {

constexpr char kPlaceholder[] = "9999.9";

// The sample page with its n-th placeholder number (counting each end of a
// range, in page order from 0) replaced by "<n+1>.5".
std::string DistinctValues(const std::string& sample) {
  std::string page = sample;
  size_t at = 0;
  for (int n = 1;; ++n) {
    at = page.find(kPlaceholder, at);
    if (at == std::string::npos) break;
    const std::string value = std::to_string(n) + ".5";
    page.replace(at, sizeof(kPlaceholder) - 1, value);
    at += value.size();
  }
  return page;
}

// The page with the text of its n-th odds cell (from 0) replaced.
std::string WithOddsCellText(const std::string& page, int n, const std::string& text) {
  size_t at = page.find("oddsPoint");
  for (int i = 0; i < n && at != std::string::npos; ++i) at = page.find("oddsPoint", at + 1);
  if (at == std::string::npos) {
    ADD_FAILURE() << "no odds cell " << n;
    return page;
  }
  const size_t open = page.find('>', at) + 1;
  const size_t close = page.find('<', open);
  return page.substr(0, open) + text + page.substr(close);
}

std::string Sample(const char* name) {
  return test::ReadFileBytes(test::FixturePath(std::string("web/") + name));
}

std::set<std::wstring> Combinations(int boats, bool ordered) {
  std::set<std::wstring> all;
  for (int a = 1; a <= 6; ++a) {
    for (int b = 1; b <= 6; ++b) {
      if (b == a || (!ordered && b < a)) continue;
      if (boats == 2) {
        all.insert(Format(L"%d-%d", a, b));
        continue;
      }
      for (int c = 1; c <= 6; ++c) {
        if (c == a || c == b || (!ordered && c < b)) continue;
        all.insert(Format(L"%d-%d-%d", a, b, c));
      }
    }
  }
  return all;
}

std::set<std::wstring> Keys(const OddsMap& odds) {
  std::set<std::wstring> keys;
  for (const auto& entry : odds) keys.insert(entry.first);
  return keys;
}

// Every value and upper end, as the page numbered them.
std::multiset<double> Values(const std::vector<const OddsMap*>& maps) {
  std::multiset<double> values;
  for (const OddsMap* map : maps) {
    for (const auto& entry : *map) {
      values.insert(entry.second.low);
      if (entry.second.high > 0) values.insert(entry.second.high);
    }
  }
  return values;
}

struct ReaderCase {
  const char* sample;
  // Reads the page into two maps (the second stays empty for one-table pages).
  std::function<bool(const std::string&, OddsMap*, OddsMap*)> read;
  std::set<std::wstring> first_keys;
  std::set<std::wstring> second_keys;
  bool ranges_first;
  bool ranges_second;
  // Cells whose place in the page is known: combination -> its number.
  std::vector<std::pair<std::wstring, OddsValue>> first_known;
  std::vector<std::pair<std::wstring, OddsValue>> second_known;
  // A boat cell, and the same cell naming boat 7.
  const char* boat_cell;
  const char* boat_seven;
};

std::vector<ReaderCase> Cases() {
  std::set<std::wstring> boats;
  for (int b = 1; b <= 6; ++b) boats.insert(Format(L"%d", b));
  return {
      {"odds3f_sample.html",
       [](const std::string& page, OddsMap* first, OddsMap*) { return ParseTrioOdds(page, first); },
       Combinations(3, false), {}, false, false,
       // Row 1 holds 1-2-3 only; the first row of the group "3" holds 1-3-4 and 2-3-4.
       {{L"1-2-3", {1.5, 0}}, {L"1-2-4", {2.5, 0}}, {L"1-3-4", {5.5, 0}}, {L"2-3-4", {6.5, 0}}, {L"4-5-6", {20.5, 0}}},
       {}, "is-boatColor2\">3<", "is-boatColor2\">7<"},
      {"odds2tf_sample.html",
       [](const std::string& page, OddsMap* first, OddsMap* second) {
         return ParseExactaQuinellaOdds(page, first, second);
       },
       Combinations(2, true), Combinations(2, false), false, false,
       // 2連単 row 1: 1-2, 2-1, 3-1, ..., 6-1; the last cell 6-5.
       {{L"1-2", {1.5, 0}}, {L"2-1", {2.5, 0}}, {L"6-1", {6.5, 0}}, {L"2-3", {8.5, 0}}, {L"6-5", {30.5, 0}}},
       // 2連複: 1-2; then 1-3, 2-3; ... the last 5-6.
       {{L"1-2", {31.5, 0}}, {L"1-3", {32.5, 0}}, {L"2-3", {33.5, 0}}, {L"5-6", {45.5, 0}}},
       "is-borderLeftNone\">2<", "is-borderLeftNone\">7<"},
      {"oddsk_sample.html",
       [](const std::string& page, OddsMap* first, OddsMap*) { return ParseQuinellaPlaceOdds(page, first); },
       Combinations(2, false), {}, true, false,
       {{L"1-2", {1.5, 2.5}}, {L"1-3", {3.5, 4.5}}, {L"2-3", {5.5, 6.5}}, {L"5-6", {29.5, 30.5}}},
       {}, "is-borderLeftNone\">2<", "is-borderLeftNone\">7<"},
      {"oddstf_sample.html",
       [](const std::string& page, OddsMap* first, OddsMap* second) { return ParseWinPlaceOdds(page, first, second); },
       boats, boats, false, true,
       {{L"1", {1.5, 0}}, {L"6", {6.5, 0}}},
       {{L"1", {7.5, 8.5}}, {L"6", {17.5, 18.5}}},
       "is-boatColor1\">1<", "is-boatColor1\">7<"},
  };
}

TEST(OddsReadersTest, SamplesGiveEveryCombinationWithItsOwnValue) {
  for (const ReaderCase& c : Cases()) {
    SCOPED_TRACE(c.sample);
    const std::string page = DistinctValues(Sample(c.sample));
    OddsMap first, second;
    ASSERT_TRUE(c.read(page, &first, &second));
    EXPECT_EQ(Keys(first), c.first_keys);
    EXPECT_EQ(Keys(second), c.second_keys);
    for (const auto& [key, value] : first) EXPECT_EQ(value.high > 0, c.ranges_first) << key;
    for (const auto& [key, value] : second) EXPECT_EQ(value.high > 0, c.ranges_second) << key;
    // Every number of the page read back once: 1.5, 2.5, ... n.5.
    const std::multiset<double> values = Values({&first, &second});
    std::multiset<double> expected;
    for (size_t n = 1; n <= values.size(); ++n) expected.insert(static_cast<double>(n) + 0.5);
    EXPECT_EQ(values, expected);
    for (const auto& [key, value] : c.first_known) {
      EXPECT_EQ(first[key].low, value.low) << key;
      EXPECT_EQ(first[key].high, value.high) << key;
    }
    for (const auto& [key, value] : c.second_known) {
      EXPECT_EQ(second[key].low, value.low) << key;
      EXPECT_EQ(second[key].high, value.high) << key;
    }
  }
}

TEST(OddsReadersTest, CellsWithoutOddsAreLeftOutAndBrokenLayoutsKeepNothing) {
  for (const ReaderCase& c : Cases()) {
    SCOPED_TRACE(c.sample);
    const std::string sample = Sample(c.sample);
    OddsMap first, second;

    // The first odds cell shows 欠場 (an absent boat), the second a dash.
    std::string page = WithOddsCellText(WithOddsCellText(DistinctValues(sample), 0, "欠場"), 1, "-");
    ASSERT_TRUE(c.read(page, &first, &second));
    EXPECT_EQ(first.size() + second.size(), c.first_keys.size() + c.second_keys.size() - 2);

    // A partner boat 7 is no layout this reader knows: nothing is kept.
    page = sample;
    size_t at = page.find(c.boat_cell);
    ASSERT_NE(at, std::string::npos);
    page.replace(at, std::string(c.boat_cell).size(), c.boat_seven);
    EXPECT_FALSE(c.read(page, &first, &second));
    EXPECT_TRUE(first.empty());
    EXPECT_TRUE(second.empty());

    // A page without odds tables (what the site shows when it has no data).
    EXPECT_FALSE(c.read("<html><body><p>データがありません。</p></body></html>", &first, &second));
    EXPECT_TRUE(first.empty() && second.empty());
  }
}

TEST(OddsGridTest, SpannedCellsAppearAtEveryPositionTheyCover) {
  const OddsGrid grid = ReadOddsGrid(
      "<table><tr><th>x</th></tr><tr><td rowspan=\"2\">a</td><td colspan=\"2\">b</td><td rowspan=\"3\">c</td></tr>"
      "<tr><td>d</td><td>e</td></tr><tr><td>f</td></tr></table>");
  ASSERT_EQ(grid.size(), 3u);
  auto texts = [](const std::vector<TableCell>& row) {
    std::string joined;
    for (const TableCell& cell : row) joined += cell.cellText.empty() ? "_" : cell.cellText;
    return joined;
  };
  EXPECT_EQ(texts(grid[0]), "abbc");
  EXPECT_EQ(texts(grid[1]), "adec");
  EXPECT_EQ(texts(grid[2]), "f__c");

  // Spans beyond the grid's bounds are capped, never allocated as asked.
  const OddsGrid huge = ReadOddsGrid("<table><tr><td rowspan=\"999999999\" colspan=\"999999999\">x</td></tr></table>");
  ASSERT_EQ(huge.size(), 1u);
  EXPECT_EQ(huge[0].size(), kMaxGridColumns);
}

TEST(OddsPageTest, UpdateTimeDeadlineAndCancellation) {
  const struct {
    std::string body;
    std::wstring time;
    bool final_odds;
    bool cancelled;
  } cases[] = {
      {Sample("odds3t_sample.html"), L"9:02", false, false},
      {test::ReadFileBytes(test::FixturePath("web/full/odds3t_rno11_jcd19_hd20170919.html")), L"締切時", true, false},
      {"<p>オッズ更新時間 </p>", L"", false, false},
      {"<p>オッズ更新時間 123456789:00</p>", L"", false, false},
      {"<div>該当レースは中止になりました。</div>", L"", false, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OddsPageTime(c.body), c.time);
    EXPECT_EQ(OddsPageIsFinal(c.body), c.final_odds);
    EXPECT_EQ(PageSaysCancelled(c.body), c.cancelled);
  }
}

TEST(OddsValueTest, NumbersAndRanges) {
  const struct {
    const char* text;
    bool ok;
    double low;
    double high;
  } cases[] = {
      {"12.5", true, 12.5, 0}, {" 1.2-1.5 ", true, 1.2, 1.5}, {"1.0-1.0", true, 1.0, 1.0},
      {"欠場", false, 0, 0},   {"-", false, 0, 0},            {"", false, 0, 0},
      {"1.5-", false, 0, 0},   {"2.0-1.5", false, 0, 0},      {"-1.5", false, 0, 0},
  };
  for (const auto& c : cases) {
    OddsValue value;
    EXPECT_EQ(ReadOddsValue(c.text, &value), c.ok) << c.text;
    EXPECT_EQ(value.low, c.low) << c.text;
    EXPECT_EQ(value.high, c.high) << c.text;
  }
}

}  // namespace
}  // namespace wakelore
