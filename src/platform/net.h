// The network: one page fetched into memory, one URL downloaded to a file.
//
// Windows fetches pages with WinHTTP and downloads with URLDownloadToFileW;
// Linux uses libcurl for both.  Both behave alike as far as callers can
// tell: the same agent name, time-outs, accepted encodings, status rule and
// body limit, and failures reported at the same step.
//
// Every call opens and closes its own session; nothing is shared between
// calls, so any thread may call at any time.
#ifndef WAKELORE_PLATFORM_NET_H_
#define WAKELORE_PLATFORM_NET_H_

#include <cstddef>
#include <string>

namespace wakelore {

// The agent name sent with every page request.
inline constexpr wchar_t kNetAgentName[] = L"Hullwise/1.0";

// Largest page body accepted; a body of exactly this size is accepted.
inline constexpr size_t kPageBodyLimit = 8388608;

// Where a request goes.
struct NetEndpoint {
  bool secure = true;  // https (TLS) when set, plain http otherwise
  std::wstring host;
  int port = 443;
};

// Time-outs of one page fetch in milliseconds.  Linux cannot time name
// resolution apart from the connection, so there the two are added into one
// connect time-out; send and receive become "no progress for that long".
struct NetTimeouts {
  int resolve_ms = 10000;
  int connect_ms = 10000;
  int send_ms = 15000;
  int receive_ms = 15000;
};

// The step at which a page fetch stopped.
enum class PageFetchStep {
  kDone,          // status 200; the body (maybe empty) is complete
  kSession,       // the session could not be opened
  kConnect,       // the connection could not be created
  kRequest,       // the request could not be created
  kTransfer,      // sending or receiving failed; `code` = the system's error
  kStatus,        // the status was not 200; `code` = the status
  kRead,          // reading the body failed
  kTooLarge,      // the body grew past kPageBodyLimit
};

struct PageFetchResult {
  PageFetchStep step = PageFetchStep::kDone;
  // kTransfer: the platform's error number (Windows GetLastError, libcurl's
  // CURLcode); kStatus: the HTTP status; otherwise 0.
  unsigned long code = 0;
};

// GET `path_and_query` from `endpoint` with no extra headers and no body,
// asking for gzip and deflate and decoding them (where the platform can:
// a WinHTTP that refuses the decompression option asks for no compression
// and the page arrives plain).  `*body` is emptied first and receives the
// (decoded) bytes; after a failure it holds whatever arrived.  Redirects are
// followed as the platform does by default.
PageFetchResult FetchPageBytes(const NetEndpoint& endpoint, const std::wstring& path_and_query,
                               std::string* body, const NetTimeouts& timeouts = NetTimeouts());

// Downloads `url` into the file `path` (created or replaced).  True when the
// platform reports success.  Linux also requires a success status; urlmon
// may report success for an error answer and keep its body (Wine's does),
// so callers check what the file holds.  After a failure a partial file may
// remain; the caller deletes it.  Windows may answer from the system's URL
// cache, so the cache entry of `url` is dropped first; Linux refuses bodies
// over 128 MiB.
[[nodiscard]] bool DownloadUrlToFile(const std::wstring& url, const std::wstring& path);

}  // namespace wakelore

#endif  // WAKELORE_PLATFORM_NET_H_
