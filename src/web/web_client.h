// Fetches one page of the official race web site into memory.
//
// Every fetch opens and closes its own session, connection and request on
// RaceSiteHost (TLS on 443 unless overridden), sends a plain GET with the
// agent "Hullwise/1.0", accepts gzip and deflate, allows name resolution
// and connection 10 s each and sending and receiving 15 s each, accepts
// only status 200 and at most 8,388,608 bytes of body.  There is no retry.
//
// A client is used by one thread at a time.  The import run keeps one for
// all the meeting pages of a run; the before-race command makes its own.
#ifndef WAKELORE_WEB_WEB_CLIENT_H_
#define WAKELORE_WEB_WEB_CLIENT_H_

#include <string>

#include "platform/net.h"

namespace wakelore {

struct WebClient {
  // Why the last fetch failed.  Every fetch clears it first, so it is empty
  // after a success and never repeats an earlier failure.
  std::wstring message;
};

// The reason given for an empty 200 answer.
inline constexpr wchar_t kEmptyPageMessage[] = L"ページが空でした。";

// GETs `path` (path and query, "/owpc/pc/race/index?hd=20240105") into
// `*body`.  True for status 200 with a non-empty body.  False otherwise,
// with client.message set to the reason (kEmptyPageMessage for an empty 200
// answer).  `*body` is empty after every failure.
[[nodiscard]] bool FetchPage(WebClient& client, const std::wstring& path, std::string* body);

// FetchPage from another server (the archive server's small daily
// archives), with the same time-outs, limit and messages.
bool FetchPageFrom(WebClient& client, const NetEndpoint& server, const std::wstring& path,
                   std::string* body);

}  // namespace wakelore

#endif  // WAKELORE_WEB_WEB_CLIENT_H_
