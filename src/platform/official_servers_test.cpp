#include "platform/official_servers.h"

#include <gtest/gtest.h>

#include "tests/support/official_server.h"

namespace wakelore {
namespace {

TEST(OfficialServersTest, BaseUrlsAreReadLikeThis) {
  struct Case {
    const wchar_t* text;
    bool ok;
    bool secure = false;
    const wchar_t* host = L"";
    int port = 0;
  };
  const Case cases[] = {
      {L"http://127.0.0.1:8123", true, false, L"127.0.0.1", 8123},
      {L"http://127.0.0.1:8123/", true, false, L"127.0.0.1", 8123},
      {L"HTTPS://mirror.example", true, true, L"mirror.example", 443},
      {L"http://mirror.example", true, false, L"mirror.example", 80},
      {L"http://[::1]:9000", true, false, L"::1", 9000},
      {L"127.0.0.1:8123", false},
      {L"ftp://127.0.0.1", false},
      {L"http://", false},
      {L"http://:80", false},
      {L"http://host:0", false},
      {L"http://host:65536", false},
      {L"http://host:80x", false},
      {L"http://host/od2", false},
      {L"http://host//", false},
      {L"http://ho st", false},
      {L"http://user@host", false},
  };
  for (const Case& c : cases) {
    NetEndpoint endpoint;
    ASSERT_EQ(ParseBaseUrl(c.text, &endpoint), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(endpoint.secure, c.secure) << c.text;
    EXPECT_EQ(endpoint.host, c.host) << c.text;
    EXPECT_EQ(endpoint.port, c.port) << c.text;
  }
}

TEST(OfficialServersTest, OverrideReplacesTheHostAndABadOneReachesNothing) {
  NetEndpoint official = ResolveServer(kArchiveServerHost, L"");
  EXPECT_TRUE(official.secure);
  EXPECT_EQ(official.host, L"www1.mbrace.or.jp");
  EXPECT_EQ(official.port, 443);
  EXPECT_EQ(BaseUrlOf(official), L"https://www1.mbrace.or.jp");
  EXPECT_EQ(BaseUrlOf(ResolveServer(kRaceSiteHost, L"")), L"https://www.boatrace.jp");

  EXPECT_EQ(BaseUrlOf(ResolveServer(kRaceSiteHost, L"http://127.0.0.1:8123/")), L"http://127.0.0.1:8123");
  EXPECT_EQ(ResolveServer(kRaceSiteHost, L"127.0.0.1:8123").host, L"");
}

// The test program points both overrides at the stand-in server before any
// test runs; this shows the program reads them.
TEST(OfficialServersTest, TestProgramTalksToTheStandInServer) {
  const std::wstring& base = test::OfficialServer::Get().base_url();
  ASSERT_FALSE(base.empty());
  NetEndpoint expected;
  ASSERT_TRUE(ParseBaseUrl(base, &expected));
  EXPECT_EQ(BaseUrlOf(ArchiveServerHost()), BaseUrlOf(expected));
  EXPECT_EQ(BaseUrlOf(RaceSiteHost()), BaseUrlOf(expected));
  EXPECT_EQ(ArchiveServerHost().host, L"127.0.0.1");
}

}  // namespace
}  // namespace wakelore
