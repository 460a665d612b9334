#include "platform/net.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/official_servers.h"
#include "tests/support/official_server.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

class NetTest : public test::OfficialServerTest {
 protected:
  NetEndpoint Server() {
    NetEndpoint endpoint;
    EXPECT_TRUE(ParseBaseUrl(server().base_url(), &endpoint));
    return endpoint;
  }
};

TEST_F(NetTest, PageRequestIsAPlainGetWithTheAgentName) {
  ASSERT_TRUE(server().PutBytes("/owpc/pc/race/index", "<p>page</p>"));
  std::string body = "stale";
  PageFetchResult result = FetchPageBytes(Server(), L"/owpc/pc/race/index?hd=20240105", &body);
  EXPECT_EQ(result.step, PageFetchStep::kDone);
  EXPECT_EQ(body, "<p>page</p>");
  std::vector<test::LoggedRequest> log = server().Requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].method, "GET");
  EXPECT_EQ(log[0].target, "/owpc/pc/race/index?hd=20240105");
  EXPECT_EQ(log[0].user_agent, "Hullwise/1.0");
}

TEST_F(NetTest, AnswerSlowerThanTheReceiveTimeoutFailsTheTransfer) {
  ASSERT_TRUE(server().PutBytes("/slow", "late"));
  ASSERT_TRUE(server().SetFault("/slow", "slow:4000"));
  NetTimeouts quick{1000, 1000, 1000, 1000};
  std::string body;
  uint32_t start = TickCountMs();
  PageFetchResult result = FetchPageBytes(Server(), L"/slow", &body, quick);
  EXPECT_EQ(result.step, PageFetchStep::kTransfer);
  EXPECT_NE(result.code, 0u);
  EXPECT_LT(TickCountMs() - start, 3800u);
}

TEST_F(NetTest, ClosedPortFailsTheTransfer) {
  NetEndpoint closed{false, L"127.0.0.1", 1};
  std::string body;
  PageFetchResult result = FetchPageBytes(closed, L"/", &body);
  EXPECT_EQ(result.step, PageFetchStep::kTransfer);
  EXPECT_NE(result.code, 0u);
}

TEST_F(NetTest, DownloadWritesTheAnswerAndRefusesAnErrorStatus) {
  test::TempDir dir;
  std::wstring base = server().base_url();
  std::wstring file = dir.File(L"b230901.lzh");
  ASSERT_TRUE(DownloadUrlToFile(base + L"/od2/B/202309/b230901.lzh", file));
  EXPECT_EQ(test::ReadFileBytes(file), test::ReadFileBytes(test::FixturePath("official/b230901.lzh")));

  ASSERT_TRUE(server().SetFault("/od2/B/202309/b230901.lzh", "404"));
  std::wstring missing = dir.File(L"missing.lzh");
  bool reported = DownloadUrlToFile(base + L"/od2/B/202309/b230901.lzh", missing);
#ifdef _WIN32
  // Wine's urlmon reports success and keeps the error page.
  if (reported) {
    EXPECT_EQ(test::ReadFileBytes(missing).find("-lh"), std::string::npos);
  }
#else
  EXPECT_FALSE(reported);
#endif
}

}  // namespace
}  // namespace wakelore
