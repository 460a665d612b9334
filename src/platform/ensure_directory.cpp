#include "platform/files.h"

namespace wakelore {

namespace {
bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }
}  // namespace

bool EnsureDirectory(const std::wstring& path) {
  if (path.empty()) return false;
  std::wstring native = path;
  for (wchar_t& c : native) {
    if (IsSeparator(c)) c = kPathSeparator;
  }
  if (PathExists(native)) return true;
  // A drive root ("C:\") is never created.
  size_t scan = (native.size() >= 3 && native[1] == L':' && native[2] == kPathSeparator) ? 3 : 0;
  for (;;) {
    size_t next = scan < native.size() ? native.find(kPathSeparator, scan) : std::wstring::npos;
    const bool last = next == std::wstring::npos;
    const std::wstring prefix = last ? native : native.substr(0, next);
    if (!prefix.empty() && !PathExists(prefix) && !CreateOneDirectory(prefix, nullptr)) {
      return false;
    }
    if (last) return true;
    scan = next + 1;
  }
}

}  // namespace wakelore
