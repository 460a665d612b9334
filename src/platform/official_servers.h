// The two official servers everything is imported from: the archive server
// (daily program and result archives) and the race web site (racer period
// archives and the web pages).  Both are reached over HTTPS on port 443.
//
// For tests and mirrors the environment variables WAKELORE_ARCHIVE_SERVER
// and WAKELORE_RACE_SITE may hold a base URL ("http://127.0.0.1:8123") that
// replaces scheme, host and port.  They are read once, on first use; unset
// or empty means the official host.  A value that is not such a base URL
// gives an address no request can reach, so a mistyped override never
// falls back to the real servers.
//
// Kept in the platform layer, beside NetEndpoint, so that the download cache
// (acquire) and the web client (web) both reach the servers without either
// depending on the other.
#ifndef WAKELORE_PLATFORM_OFFICIAL_SERVERS_H_
#define WAKELORE_PLATFORM_OFFICIAL_SERVERS_H_

#include <string>

#include "platform/net.h"

namespace wakelore {

inline constexpr wchar_t kArchiveServerHost[] = L"www1.mbrace.or.jp";
inline constexpr wchar_t kRaceSiteHost[] = L"www.boatrace.jp";

inline constexpr wchar_t kArchiveServerVariable[] = L"WAKELORE_ARCHIVE_SERVER";
inline constexpr wchar_t kRaceSiteVariable[] = L"WAKELORE_RACE_SITE";

// The server in use (the constant or its override).  Thread-safe.
const NetEndpoint& ArchiveServerHost();
const NetEndpoint& RaceSiteHost();

// "http://host:port" or "https://host" (the port only when it is not the
// scheme's own); the start of every address on that server.
std::wstring BaseUrlOf(const NetEndpoint& endpoint);

// Reads a base URL: "http://" or "https://" (any letter case), a host (a
// name, an IPv4 address or a bracketed IPv6 address), an optional ":port"
// (1-65535) and an optional single trailing '/'.  False for anything else.
[[nodiscard]] bool ParseBaseUrl(const std::wstring& text, NetEndpoint* endpoint);

// The endpoint for `host` on 443 when `override_text` is empty, else the
// parsed override, else an endpoint with an empty host (unreachable).
NetEndpoint ResolveServer(const wchar_t* host, const std::wstring& override_text);

}  // namespace wakelore

#endif  // WAKELORE_PLATFORM_OFFICIAL_SERVERS_H_
