#include "acquire/archive_addresses.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/official_servers.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

int64_t Day(int year, int month, int day) { return test::LocalDay(year, month, day); }

std::wstring Sep(const std::wstring& text) { return test::WithNativeSeparators(text); }

TEST(ArchiveAddressesTest, DailyArchiveNamesAndPaths) {
  struct Case {
    wchar_t letter;
    int year, month, day;
    const wchar_t* name;
    const wchar_t* path;
  };
  const Case cases[] = {
      {L'B', 2024, 1, 5, L"b240105.lzh", L"/od2/B/202401/b240105.lzh"},
      {L'b', 2024, 1, 5, L"b240105.lzh", L"/od2/B/202401/b240105.lzh"},
      {L'K', 2024, 1, 5, L"k240105.lzh", L"/od2/K/202401/k240105.lzh"},
      {L'k', 2000, 12, 31, L"k001231.lzh", L"/od2/K/200012/k001231.lzh"},
      {L'B', 1999, 2, 28, L"b990228.lzh", L"/od2/B/199902/b990228.lzh"},
  };
  std::wstring base = BaseUrlOf(ArchiveServerHost());
  for (const Case& c : cases) {
    int64_t date = Day(c.year, c.month, c.day);
    EXPECT_EQ(ArchiveFileName(c.letter, date), c.name);
    EXPECT_EQ(ArchiveUrl(c.letter, date), base + c.path);
    // Any time of the day names the same archive.
    EXPECT_EQ(ArchiveFileName(c.letter, date + 23 * 3600), c.name);
  }
}

TEST(ArchiveAddressesTest, RacerPeriodNamesAndAddress) {
  EXPECT_EQ(RacerPeriodFileName(2024, 0), L"fan2310.lzh");
  EXPECT_EQ(RacerPeriodFileName(2024, 1), L"fan2404.lzh");
  EXPECT_EQ(RacerPeriodFileName(2000, 0), L"fan9910.lzh");
  EXPECT_EQ(RacerPeriodFileName(2009, 1), L"fan0904.lzh");
  EXPECT_EQ(RacerPeriodUrl(L"fan2310.lzh"),
            BaseUrlOf(RaceSiteHost()) + L"/static_extra/pc_static/download/data/kibetsu/fan2310.lzh");
}

TEST(ArchiveAddressesTest, CachePaths) {
  EXPECT_EQ(CacheYearFolder(JoinPath(Sep(L"d\\download"), kProgramCacheFolder), 2024),
            Sep(L"d\\download\\guide\\2024年"));
  EXPECT_EQ(CacheYearFolder(L"TermResults", 987), Sep(L"TermResults\\0987年"));
}

}  // namespace
}  // namespace wakelore
