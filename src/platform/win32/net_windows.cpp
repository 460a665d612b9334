#include <windows.h>
#include <urlmon.h>
#include <winhttp.h>

#include <cstring>
#include <new>

#include "platform/net.h"

namespace wakelore {

namespace {

class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  ~InternetHandle() {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return handle_; }

 private:
  HINTERNET handle_;
};

}  // namespace

PageFetchResult FetchPageBytes(const NetEndpoint& endpoint, const std::wstring& path_and_query,
                               std::string* body, const NetTimeouts& timeouts) {
  PageFetchResult result;
  body->clear();
  InternetHandle session(WinHttpOpen(kNetAgentName, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (session.get() == nullptr) {
    result.step = PageFetchStep::kSession;
    return result;
  }
  WinHttpSetTimeouts(session.get(), timeouts.resolve_ms, timeouts.connect_ms, timeouts.send_ms,
                     timeouts.receive_ms);
  if (endpoint.host.empty() || endpoint.port <= 0 || endpoint.port > 65535) {
    result.step = PageFetchStep::kConnect;
    return result;
  }
  InternetHandle connection(WinHttpConnect(session.get(), endpoint.host.c_str(),
                                           static_cast<INTERNET_PORT>(endpoint.port), 0));
  if (connection.get() == nullptr) {
    result.step = PageFetchStep::kConnect;
    return result;
  }
  InternetHandle request(WinHttpOpenRequest(connection.get(), L"GET", path_and_query.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            endpoint.secure ? WINHTTP_FLAG_SECURE : 0));
  if (request.get() == nullptr) {
    result.step = PageFetchStep::kRequest;
    return result;
  }
  // Waiting for the headers has a time-out of its own (90 s by default);
  // it gets the receive time-out too, so a server that never answers is
  // given up after the same time on every platform.
  DWORD response_timeout = static_cast<DWORD>(timeouts.receive_ms);
  WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response_timeout,
                   sizeof(response_timeout));
  // WinHTTP before Windows 8.1 (and Wine's) does not know this option.  It
  // then asks for no compression and the page arrives plain, so a refusal
  // is no reason to give up.
  DWORD decompression = WINHTTP_DECOMPRESSION_FLAG_ALL;
  WinHttpSetOption(request.get(), WINHTTP_OPTION_DECOMPRESSION, &decompression, sizeof(decompression));
  if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                          0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    result.step = PageFetchStep::kTransfer;
    result.code = GetLastError();
    return result;
  }
  DWORD status = 0;
  DWORD status_size = sizeof(status);
  WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size, WINHTTP_NO_HEADER_INDEX);
  if (status != 200) {
    result.step = PageFetchStep::kStatus;
    result.code = status;
    return result;
  }
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request.get(), &available)) {
      result.step = PageFetchStep::kRead;
      return result;
    }
    if (available == 0) break;
    // Never read (or allocate) more than one byte past the limit.
    size_t room = kPageBodyLimit + 1 - body->size();
    DWORD want = available < room ? available : static_cast<DWORD>(room);
    size_t before = body->size();
    try {
      body->resize(before + want);
    } catch (const std::bad_alloc&) {
      body->resize(before);
      result.step = PageFetchStep::kRead;
      return result;
    }
    DWORD got = 0;
    if (!WinHttpReadData(request.get(), &(*body)[before], want, &got)) {
      body->resize(before);
      result.step = PageFetchStep::kRead;
      return result;
    }
    body->resize(before + got);
    if (body->size() > kPageBodyLimit) {
      result.step = PageFetchStep::kTooLarge;
      return result;
    }
  }
  return result;
}

namespace {

// urlmon may answer from the system's URL cache.  An archive server that
// answered a notice page for a day not yet published must be asked again
// on the next run, so the cached answer is dropped first.  wininet is
// loaded only for this one call.
void ForgetCachedUrl(const std::wstring& url) {
  HMODULE wininet = LoadLibraryW(L"wininet.dll");
  if (wininet == nullptr) return;
  using DeleteEntry = BOOL(WINAPI*)(LPCWSTR);
  FARPROC proc = GetProcAddress(wininet, "DeleteUrlCacheEntryW");
  if (proc != nullptr) {
    DeleteEntry delete_entry = nullptr;
    static_assert(sizeof(delete_entry) == sizeof(proc));
    memcpy(&delete_entry, &proc, sizeof(proc));
    delete_entry(url.c_str());
  }
  FreeLibrary(wininet);
}

}  // namespace

bool DownloadUrlToFile(const std::wstring& url, const std::wstring& path) {
  ForgetCachedUrl(url);
  return SUCCEEDED(URLDownloadToFileW(nullptr, url.c_str(), path.c_str(), 0, nullptr));
}

}  // namespace wakelore
