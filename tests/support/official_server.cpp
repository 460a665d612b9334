#include "tests/support/official_server.h"

#include <atomic>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/official_servers.h"
#include "platform/process.h"
#include "platform/text.h"

namespace wakelore::test {

namespace {

constexpr wchar_t kTestServerVariable[] = L"WAKELORE_TEST_SERVER";

std::string Base64UrlSafe(const std::string& bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                 static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  size_t left = bytes.size() - i;
  if (left > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (left == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += left == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::vector<std::string> SplitOn(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

class ServerEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { OfficialServer::Get().Start(); }
  void TearDown() override { OfficialServer::Get().Stop(); }
};

::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

}  // namespace

std::string QueryEscape(const std::string& value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : value) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~' || c == '/') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

OfficialServer& OfficialServer::Get() {
  static OfficialServer server;
  return server;
}

bool OfficialServer::Start() {
  if (ok_) return true;
  std::wstring base;
  if (!EnvironmentValue(kTestServerVariable, &base) || base.empty()) {
    // Start one: it writes its base URL into a file under /tmp (Z:\tmp
    // under Wine), which is polled below.
    static std::atomic<int> counter{0};
    std::string name = "/tmp/wakelore-official-" + std::to_string(static_cast<unsigned long>(NowSeconds())) +
                       "-" + std::to_string(TickCountMs()) + "-" + std::to_string(counter++) + ".url";
    std::string script = std::string(WAKELORE_SOURCE_DIR) + "/tests/support/official_server.py";
    std::string args = " '" + script + "' --port-file '" + name + "' --idle-exit 900";
#ifdef _WIN32
    std::string command = "start /unix /usr/bin/env python3" + args;
    for (char& c : command) {
      if (c == '\'') c = '"';
    }
    std::wstring port_file = L"Z:" + Utf8ToUtf16(name);
    for (wchar_t& c : port_file) {
      if (c == L'/') c = L'\\';
    }
#else
    std::string command = "python3" + args + " >/dev/null 2>&1 </dev/null &";
    std::wstring port_file = Utf8ToUtf16(name);
#endif
    if (std::system(command.c_str()) != 0) {
      ADD_FAILURE() << "cannot start the stand-in server: " << command;
      return false;
    }
    std::string text;
    std::wstring error;
    uint32_t start = TickCountMs();
    while (!ReadWholeFile(port_file, &text, &error, 4096) || text.find('\n') == std::string::npos) {
      if (TickCountMs() - start > 60000) {
        ADD_FAILURE() << "the stand-in server did not start within 60 s";
        return false;
      }
      SleepMs(50);
    }
    (void)DeleteFileAt(port_file);  // a temporary file
    text.resize(text.find('\n'));
    base = Utf8ToUtf16(text);
    started_here_ = true;
  }
  if (!ParseBaseUrl(base, &endpoint_)) {
    ADD_FAILURE() << "not a base URL: " << Utf16ToUtf8(base);
    return false;
  }
  base_url_ = base;
  ok_ = true;
  std::wstring existing;
  if (!EnvironmentValue(kArchiveServerVariable, &existing)) (void)SetEnvironmentValue(kArchiveServerVariable, base);
  if (!EnvironmentValue(kRaceSiteVariable, &existing)) (void)SetEnvironmentValue(kRaceSiteVariable, base);
  return true;
}

void OfficialServer::Stop() {
  if (ok_ && started_here_) {
    std::string answer;
    Control("/__control/quit", &answer);
  }
  ok_ = false;
  started_here_ = false;
}

bool OfficialServer::Control(const std::string& path_and_query, std::string* answer) {
  if (!ok_) {
    ADD_FAILURE() << "no stand-in server";
    return false;
  }
  PageFetchResult result = FetchPageBytes(endpoint_, Utf8ToUtf16(path_and_query), answer);
  if (result.step != PageFetchStep::kDone) {
    ADD_FAILURE() << "control request " << path_and_query << " failed at step "
                  << static_cast<int>(result.step) << " code " << result.code << ": " << *answer;
    return false;
  }
  return true;
}

bool OfficialServer::Reset() {
  std::string answer;
  return Control("/__control/reset", &answer);
}

bool OfficialServer::SetFault(const std::string& path, const std::string& kind) {
  std::string answer;
  return Control("/__control/fault?path=" + QueryEscape(path) + "&kind=" + QueryEscape(kind), &answer);
}

bool OfficialServer::PutFixture(const std::string& path, const std::string& fixture) {
  std::string answer;
  return Control("/__control/put?path=" + QueryEscape(path) + "&fixture=" + QueryEscape(fixture), &answer);
}

bool OfficialServer::PutBytes(const std::string& path, const std::string& bytes) {
  std::string answer;
  return Control("/__control/put?path=" + QueryEscape(path) + "&b64=" + Base64UrlSafe(bytes), &answer);
}

std::vector<LoggedRequest> OfficialServer::Requests() {
  std::vector<LoggedRequest> requests;
  std::string answer;
  if (!Control("/__control/log", &answer)) return requests;
  for (const std::string& line : SplitOn(answer, '\n')) {
    if (line.empty()) continue;
    std::vector<std::string> fields = SplitOn(line, '\t');
    if (fields.size() != 5) {
      ADD_FAILURE() << "unreadable log line: " << line;
      continue;
    }
    requests.push_back(LoggedRequest{fields[0], fields[1], fields[2], fields[3], fields[4] == "gzip"});
  }
  return requests;
}

std::vector<std::string> OfficialServer::RequestedTargets() {
  std::vector<std::string> targets;
  for (const LoggedRequest& request : Requests()) targets.push_back(request.target);
  return targets;
}

void OfficialServerTest::SetUp() {
  ASSERT_TRUE(server().ok()) << "the stand-in official server is not running";
  ASSERT_TRUE(server().Reset());
}

}  // namespace wakelore::test
