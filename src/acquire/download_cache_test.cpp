#include "acquire/download_cache.h"

#include <gtest/gtest.h>

#include "acquire/archive_addresses.h"
#include "platform/files.h"
#include "platform/official_servers.h"
#include "tests/support/official_server.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

constexpr char kPath[] = "/od2/B/202309/b230901.lzh";

class DownloadCacheTest : public test::OfficialServerTest {
 protected:
  std::wstring Url() { return BaseUrlOf(ArchiveServerHost()) + L"/od2/B/202309/b230901.lzh"; }
  std::wstring CachedPath() {
    return JoinPath(CacheYearFolder(JoinPath(JoinPath(dir_.path(), L"download"), kProgramCacheFolder), 2023),
                    L"b230901.lzh");
  }
  std::string Archive() { return test::ReadFileBytes(test::FixturePath("official/b230901.lzh")); }

  test::TempDir dir_;
};

TEST_F(DownloadCacheTest, MissingArchiveIsDownloadedIntoNewFolders) {
  ASSERT_TRUE(server().PutFixture(kPath, "official/b230901.lzh"));
  std::wstring outcome;
  EXPECT_TRUE(DownloadToCache(Url(), CachedPath(), &outcome));
  EXPECT_EQ(outcome, L"downloaded");
  EXPECT_EQ(test::ReadFileBytes(CachedPath()), Archive());
  EXPECT_EQ(server().RequestedTargets(), std::vector<std::string>{kPath});
}

TEST_F(DownloadCacheTest, ValidCopyIsReusedWithoutAskingTheServer) {
  ASSERT_TRUE(server().PutFixture(kPath, "official/b230901.lzh"));
  std::wstring outcome;
  ASSERT_TRUE(DownloadToCache(Url(), CachedPath(), &outcome));
  ASSERT_TRUE(server().Reset());
  // The server would now deliver another archive.
  ASSERT_TRUE(server().PutFixture(kPath, "official/b230921.lzh"));
  EXPECT_TRUE(DownloadToCache(Url(), CachedPath(), &outcome));
  EXPECT_EQ(outcome, L"existing");
  EXPECT_EQ(test::ReadFileBytes(CachedPath()), Archive());
  EXPECT_TRUE(server().Requests().empty());
}

TEST_F(DownloadCacheTest, CachedCopyThatIsNoArchiveIsReplaced) {
  const std::string copies[] = {
      std::string("\x1f\x00-lh", 5) + "5",             // 6 bytes: too short to judge
      std::string("<html><body>notice</body></html>"),  // not an archive
      std::string(),                                    // empty
  };
  std::wstring path = CachedPath();
  ASSERT_TRUE(EnsureDirectory(path.substr(0, path.find_last_of(kPathSeparator))));
  for (const std::string& copy : copies) {
    ASSERT_TRUE(server().Reset());
    ASSERT_TRUE(server().PutFixture(kPath, "official/b230901.lzh"));
    ASSERT_TRUE(WriteWholeFile(path, copy));
    std::wstring outcome;
    EXPECT_TRUE(DownloadToCache(Url(), path, &outcome)) << copy;
    EXPECT_EQ(outcome, L"downloaded") << copy;
    EXPECT_EQ(test::ReadFileBytes(path), Archive());
    EXPECT_EQ(server().Requests().size(), 1u);
  }
}

TEST_F(DownloadCacheTest, AnswerThatIsNoArchiveLeavesNoFile) {
  const char* faults[] = {"html", "404", "empty"};
  for (const char* fault : faults) {
    ASSERT_TRUE(server().Reset());
    ASSERT_TRUE(server().PutFixture(kPath, "official/b230901.lzh"));
    ASSERT_TRUE(server().SetFault(kPath, fault));
    std::wstring outcome;
    EXPECT_FALSE(DownloadToCache(Url(), CachedPath(), &outcome)) << fault;
    EXPECT_EQ(outcome, L"failed") << fault;
    EXPECT_FALSE(PathExists(CachedPath())) << fault;
    EXPECT_EQ(server().Requests().size(), 1u) << fault;
  }
}

TEST_F(DownloadCacheTest, UnreachableServerFails) {
  std::wstring outcome;
  EXPECT_FALSE(DownloadToCache(L"http://127.0.0.1:1/od2/B/202309/b230901.lzh", CachedPath(), &outcome));
  EXPECT_EQ(outcome, L"failed");
  EXPECT_FALSE(PathExists(CachedPath()));
}

TEST(LooksLikeLzhTest, JudgesTheFirstBytesOnly) {
  test::TempDir dir;
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {std::string("\x00\x00-lh5-", 7), true},
      {std::string("\xff\xff-lh0-and a damaged rest", 25), true},
      {std::string("\x00\x00-lh5", 6), false},
      {std::string("\x00\x00-lz5-", 7), false},
      {std::string("-lh5-xyz"), false},
      {std::string(), false},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::wstring path = dir.File(L"f" + std::to_wstring(n++));
    ASSERT_TRUE(WriteWholeFile(path, c.bytes));
    EXPECT_EQ(LooksLikeLzh(path), c.valid) << n;
  }
  EXPECT_FALSE(LooksLikeLzh(dir.File(L"absent")));
  EXPECT_FALSE(LooksLikeLzh(dir.path()));
}

}  // namespace
}  // namespace wakelore
