#include "platform/official_servers.h"

#include "platform/process.h"
#include "platform/text.h"

namespace wakelore {

namespace {

NetEndpoint FromEnvironment(const wchar_t* host, const wchar_t* variable) {
  std::wstring value;
  if (!EnvironmentValue(variable, &value)) value.clear();
  return ResolveServer(host, value);
}

bool IsHostChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
         c == L'.' || c == L'_';
}

}  // namespace

const NetEndpoint& ArchiveServerHost() {
  static const NetEndpoint endpoint = FromEnvironment(kArchiveServerHost, kArchiveServerVariable);
  return endpoint;
}

const NetEndpoint& RaceSiteHost() {
  static const NetEndpoint endpoint = FromEnvironment(kRaceSiteHost, kRaceSiteVariable);
  return endpoint;
}

std::wstring BaseUrlOf(const NetEndpoint& endpoint) {
  std::wstring url = endpoint.secure ? L"https://" : L"http://";
  if (endpoint.host.find(L':') != std::wstring::npos) {
    url += L"[" + endpoint.host + L"]";
  } else {
    url += endpoint.host;
  }
  if (endpoint.port != (endpoint.secure ? 443 : 80)) url += L":" + std::to_wstring(endpoint.port);
  return url;
}

bool ParseBaseUrl(const std::wstring& text, NetEndpoint* endpoint) {
  std::wstring lower = ToLowerText(text);
  NetEndpoint parsed;
  size_t pos;
  if (lower.rfind(L"https://", 0) == 0) {
    parsed.secure = true;
    parsed.port = 443;
    pos = 8;
  } else if (lower.rfind(L"http://", 0) == 0) {
    parsed.secure = false;
    parsed.port = 80;
    pos = 7;
  } else {
    return false;
  }
  std::wstring rest = text.substr(pos);
  if (!rest.empty() && rest.back() == L'/') rest.pop_back();
  size_t port_at = std::wstring::npos;
  if (!rest.empty() && rest[0] == L'[') {
    size_t close = rest.find(L']');
    if (close == std::wstring::npos || close < 2) return false;
    parsed.host = rest.substr(1, close - 1);
    for (wchar_t c : parsed.host) {
      if (!(IsHostChar(c) || c == L':') || c == L'_') return false;
    }
    if (close + 1 < rest.size()) {
      if (rest[close + 1] != L':') return false;
      port_at = close + 2;
    }
  } else {
    size_t colon = rest.find(L':');
    parsed.host = rest.substr(0, colon);
    if (parsed.host.empty()) return false;
    for (wchar_t c : parsed.host) {
      if (!IsHostChar(c)) return false;
    }
    if (colon != std::wstring::npos) port_at = colon + 1;
  }
  if (parsed.host.empty()) return false;
  if (port_at != std::wstring::npos) {
    std::wstring digits = rest.substr(port_at);
    if (digits.empty() || digits.size() > 5) return false;
    int port = 0;
    for (wchar_t c : digits) {
      if (c < L'0' || c > L'9') return false;
      port = port * 10 + (c - L'0');
    }
    if (port < 1 || port > 65535) return false;
    parsed.port = port;
  }
  *endpoint = parsed;
  return true;
}

NetEndpoint ResolveServer(const wchar_t* host, const std::wstring& override_text) {
  NetEndpoint endpoint;
  if (override_text.empty()) {
    endpoint.host = host;
    return endpoint;
  }
  if (ParseBaseUrl(override_text, &endpoint)) return endpoint;
  return NetEndpoint{true, L"", 443};
}

}  // namespace wakelore
