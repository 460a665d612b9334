// The stand-in official servers (tests/support/official_server.py) seen
// from a unit test of either target.
//
// One server serves the whole test program.  Before the first test runs,
// a global test environment finds it: the base URL in WAKELORE_TEST_SERVER
// (scripts/run_tests starts one server for both targets and sets it), or
// else a server it starts itself (Linux: python3 in the background;
// Windows under Wine: "start /unix").  It then points
// WAKELORE_ARCHIVE_SERVER and WAKELORE_RACE_SITE at that server unless they
// are set already, so no test can reach the real hosts.  A server the
// environment started is stopped when the test program ends.
//
// Tests that talk to the server derive from OfficialServerTest, which
// clears the server's faults, bodies and request log before each test.
#ifndef WAKELORE_TESTS_SUPPORT_OFFICIAL_SERVER_H_
#define WAKELORE_TESTS_SUPPORT_OFFICIAL_SERVER_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/net.h"

namespace wakelore::test {

// One request the server received (control requests are not logged).
struct LoggedRequest {
  std::string method;
  std::string target;           // path and query as sent
  std::string accept_encoding;  // the Accept-Encoding header, "" when absent
  std::string user_agent;
  bool gzip_sent = false;       // the answer went out gzip-encoded
};

class OfficialServer {
 public:
  // The server of this test program; ok() is false when none could be
  // found or started.
  static OfficialServer& Get();

  bool ok() const { return ok_; }
  const std::wstring& base_url() const { return base_url_; }

  // Each returns false (and adds a test failure) when the server refused.
  bool Reset();
  // kind: "404", "html", "empty", "gzip", "size:N", "slow:MS" or "none".
  bool SetFault(const std::string& path, const std::string& kind);
  // Serves a file of the shared fixtures (relative, with '/').
  bool PutFixture(const std::string& path, const std::string& fixture);
  // Serves these bytes (up to about 48 KB: they travel in the query).
  bool PutBytes(const std::string& path, const std::string& bytes);
  // The requests since the last Reset, oldest first.
  std::vector<LoggedRequest> Requests();
  // Only the targets of Requests().
  std::vector<std::string> RequestedTargets();

  // Used by the test environment.
  bool Start();
  void Stop();

 private:
  bool Control(const std::string& path_and_query, std::string* answer);

  bool ok_ = false;
  bool started_here_ = false;
  std::wstring base_url_;
  NetEndpoint endpoint_;
};

// Base for tests that use the server: skips nothing, fails when the
// server is missing, and resets it before each test.
class OfficialServerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  OfficialServer& server() { return OfficialServer::Get(); }
};

// Percent-encodes a query value.
std::string QueryEscape(const std::string& value);

}  // namespace wakelore::test

#endif  // WAKELORE_TESTS_SUPPORT_OFFICIAL_SERVER_H_
