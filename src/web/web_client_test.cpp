#include "web/web_client.h"

#include <gtest/gtest.h>

#include "tests/support/official_server.h"

namespace wakelore {
namespace {

constexpr char kPage[] = "/owpc/pc/race/index";
constexpr wchar_t kPageQuery[] = L"/owpc/pc/race/index?hd=20240105";

using WebClientTest = test::OfficialServerTest;

TEST_F(WebClientTest, PageArrivesAndAnEarlierMessageIsCleared) {
  ASSERT_TRUE(server().PutBytes(kPage, "<html>\xE9\x96\x8B\xE5\x82\xAC</html>"));
  WebClient client;
  client.message = L"earlier";
  std::string body;
  EXPECT_TRUE(FetchPage(client, kPageQuery, &body));
  EXPECT_EQ(body, "<html>\xE9\x96\x8B\xE5\x82\xAC</html>");
  EXPECT_EQ(client.message, L"");
  std::vector<test::LoggedRequest> log = server().Requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].target, "/owpc/pc/race/index?hd=20240105");
  EXPECT_EQ(log[0].user_agent, "Hullwise/1.0");
}

TEST_F(WebClientTest, FailuresSayWhy) {
  struct Case {
    const char* fault;
    const wchar_t* message;
  };
  const Case cases[] = {
      {"404", L"HTTP 404 が返されました。"},
      {"size:8388609", L"応答が大きすぎます。"},
  };
  ASSERT_TRUE(server().PutBytes(kPage, "<html></html>"));
  for (const Case& c : cases) {
    ASSERT_TRUE(server().SetFault(kPage, c.fault));
    WebClient client;
    std::string body = "old";
    EXPECT_FALSE(FetchPage(client, kPageQuery, &body)) << c.fault;
    EXPECT_EQ(client.message, c.message) << c.fault;
    EXPECT_TRUE(body.empty());
  }
}

TEST_F(WebClientTest, BodyOfExactlyTheLimitIsAccepted) {
  ASSERT_TRUE(server().SetFault(kPage, "size:8388608"));
  WebClient client;
  std::string body;
  EXPECT_TRUE(FetchPage(client, kPageQuery, &body));
  EXPECT_EQ(body.size(), 8388608u);
  EXPECT_EQ(client.message, L"");
}

TEST_F(WebClientTest, EmptyAnswerSaysSoAndNeverRepeatsAnEarlierReason) {
  WebClient used;
  std::string body;
  ASSERT_TRUE(server().SetFault(kPage, "404"));
  EXPECT_FALSE(FetchPage(used, kPageQuery, &body));
  ASSERT_TRUE(server().SetFault(kPage, "empty"));
  EXPECT_FALSE(FetchPage(used, kPageQuery, &body));
  EXPECT_EQ(used.message, L"ページが空でした。");
}

TEST_F(WebClientTest, CompressedPageIsDecoded) {
  std::string page = "<html>";
  for (int i = 0; i < 500; ++i) page += "<td class=\"is-fBold\">\xE4\xB8\x80\xE8\x88\xAC</td>";
  page += "</html>";
  ASSERT_TRUE(server().PutBytes(kPage, page));
  ASSERT_TRUE(server().SetFault(kPage, "gzip"));
  WebClient client;
  std::string body;
  EXPECT_TRUE(FetchPage(client, kPageQuery, &body));
  EXPECT_EQ(body, page);
  std::vector<test::LoggedRequest> log = server().Requests();
  ASSERT_EQ(log.size(), 1u);
  bool asked = log[0].accept_encoding.find("gzip") != std::string::npos;
  // The server compresses exactly when asked to.  libcurl always asks;
  // WinHTTP asks where it knows the decompression option (Wine's does not).
  EXPECT_EQ(log[0].gzip_sent, asked);
#ifndef _WIN32
  EXPECT_TRUE(asked);
  EXPECT_NE(log[0].accept_encoding.find("deflate"), std::string::npos);
#endif
}

}  // namespace
}  // namespace wakelore
