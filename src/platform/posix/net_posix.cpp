#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/net.h"
#include "platform/text.h"

namespace wakelore {

namespace {

// libcurl's global set-up is not thread-safe before 7.84; do it once.
bool CurlReady() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return ready;
}

struct CurlHandle {
  CURL* curl = curl_easy_init();
  ~CurlHandle() {
    if (curl != nullptr) curl_easy_cleanup(curl);
  }
};

// Options shared by pages and downloads.
void CommonOptions(CURL* curl, const std::string& url, const std::string& agent) {
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  // Loopback addresses never go through a proxy taken from the environment.
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
}

struct PageSink {
  CURL* curl = nullptr;
  std::string* body = nullptr;
  bool checked_status = false;
  bool bad_status = false;
  bool too_large = false;
  bool out_of_memory = false;
};

size_t PageWrite(char* data, size_t size, size_t count, void* context) {
  PageSink* sink = static_cast<PageSink*>(context);
  size_t n = size * count;
  if (!sink->checked_status) {
    // The status is known before the first body byte: an answer other than
    // 200 is not read any further.
    sink->checked_status = true;
    long status = 0;
    curl_easy_getinfo(sink->curl, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
      sink->bad_status = true;
      return 0;
    }
  }
  size_t room = kPageBodyLimit + 1 - sink->body->size();
  size_t take = n < room ? n : room;
  try {
    sink->body->append(data, take);
  } catch (const std::bad_alloc&) {
    sink->out_of_memory = true;
    return 0;
  }
  if (sink->body->size() > kPageBodyLimit) {
    sink->too_large = true;
    return 0;
  }
  return n;
}

// libcurl measures stalls in whole seconds.
long WholeSeconds(int ms) {
  long s = (static_cast<long>(ms) + 999) / 1000;
  return s < 1 ? 1 : s;
}

}  // namespace

PageFetchResult FetchPageBytes(const NetEndpoint& endpoint, const std::wstring& path_and_query,
                               std::string* body, const NetTimeouts& timeouts) {
  PageFetchResult result;
  body->clear();
  if (!CurlReady()) {
    result.step = PageFetchStep::kSession;
    return result;
  }
  CurlHandle handle;
  if (handle.curl == nullptr) {
    result.step = PageFetchStep::kSession;
    return result;
  }
  if (endpoint.host.empty() || endpoint.port <= 0 || endpoint.port > 65535) {
    result.step = PageFetchStep::kConnect;
    return result;
  }
  if (path_and_query.empty() || path_and_query[0] != L'/') {
    result.step = PageFetchStep::kRequest;
    return result;
  }
  std::string host = Utf16ToUtf8(endpoint.host);
  if (host.find(':') != std::string::npos) host = "[" + host + "]";
  std::string url = std::string(endpoint.secure ? "https://" : "http://") + host + ":" +
                    std::to_string(endpoint.port) + Utf16ToUtf8(path_and_query);
  CURL* curl = handle.curl;
  CommonOptions(curl, url, Utf16ToUtf8(kNetAgentName));
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(timeouts.resolve_ms) + static_cast<long>(timeouts.connect_ms));
  long stall_seconds =
      WholeSeconds(timeouts.send_ms > timeouts.receive_ms ? timeouts.send_ms : timeouts.receive_ms);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, stall_seconds);
  PageSink sink;
  sink.curl = curl;
  sink.body = body;
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, PageWrite);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  CURLcode rc = curl_easy_perform(curl);

  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  if (sink.bad_status || (rc == CURLE_OK && status != 200)) {
    body->clear();
    result.step = PageFetchStep::kStatus;
    result.code = static_cast<unsigned long>(status);
  } else if (sink.too_large) {
    result.step = PageFetchStep::kTooLarge;
  } else if (sink.out_of_memory) {
    result.step = PageFetchStep::kRead;
  } else if (rc != CURLE_OK) {
    // A failure after the headers arrived is a failed read of the body, as
    // WinHTTP reports it; before that it is a failed exchange.
    result.step = status == 200 ? PageFetchStep::kRead : PageFetchStep::kTransfer;
    result.code = static_cast<unsigned long>(rc);
  }
  return result;
}

namespace {

constexpr curl_off_t kDownloadLimit = 128 * 1024 * 1024;

struct FileSink {
  int fd = -1;
  curl_off_t written = 0;
  bool failed = false;
};

size_t FileWrite(char* data, size_t size, size_t count, void* context) {
  FileSink* sink = static_cast<FileSink*>(context);
  size_t n = size * count;
  // libcurl 7.x enforces the size limit only when the length is announced.
  if (static_cast<curl_off_t>(n) > kDownloadLimit - sink->written) {
    sink->failed = true;
    return 0;
  }
  sink->written += static_cast<curl_off_t>(n);
  size_t done = 0;
  while (done < n) {
    ssize_t w = ::write(sink->fd, data + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      sink->failed = true;
      return 0;
    }
    done += static_cast<size_t>(w);
  }
  return n;
}

}  // namespace

bool DownloadUrlToFile(const std::wstring& url, const std::wstring& path) {
  if (!CurlReady()) return false;
  CurlHandle handle;
  if (handle.curl == nullptr) return false;
  std::string file = Utf16ToUtf8(path);
  FileSink sink;
  sink.fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (sink.fd < 0) return false;
  CURL* curl = handle.curl;
  // The same agent as the pages; the system's downloader sends its own.
  CommonOptions(curl, Utf16ToUtf8(url), Utf16ToUtf8(kNetAgentName));
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, 20000L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, kDownloadLimit);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, FileWrite);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  CURLcode rc = curl_easy_perform(curl);
  bool closed = ::close(sink.fd) == 0;
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  // A file URL or a redirect loop would leave status 0; only a success
  // status counts.
  return rc == CURLE_OK && !sink.failed && closed && status >= 200 && status < 300;
}

}  // namespace wakelore
