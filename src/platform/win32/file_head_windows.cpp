#include <windows.h>

#include "platform/files.h"

namespace wakelore {

bool ReadFileHead(const std::wstring& path, size_t max_bytes, std::string* bytes) {
  bytes->clear();
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bytes->resize(max_bytes);
  size_t got = 0;
  bool ok = true;
  while (got < max_bytes) {
    DWORD want = max_bytes - got > 0x10000000 ? 0x10000000 : static_cast<DWORD>(max_bytes - got);
    DWORD n = 0;
    if (!ReadFile(h, bytes->data() + got, want, &n, nullptr)) {
      ok = false;
      break;
    }
    if (n == 0) break;
    got += n;
  }
  CloseHandle(h);
  bytes->resize(ok ? got : 0);
  return ok;
}

}  // namespace wakelore
