#include <windows.h>
#include <shellapi.h>

#include "platform/process.h"
#include "platform/text.h"

namespace wakelore {

void RememberProcessArguments(int, char**) {}

std::vector<std::wstring> ProcessArguments() {
  std::vector<std::wstring> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return args;
  for (int i = 0; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return args;
}

namespace {
HANDLE StandardError() {
  HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
  return (h == nullptr || h == INVALID_HANDLE_VALUE) ? nullptr : h;
}
}  // namespace

bool StandardErrorIsTerminal() {
  HANDLE h = StandardError();
  DWORD mode;
  return h != nullptr && GetConsoleMode(h, &mode);
}

void WriteStandardError(const std::wstring& text) {
  HANDLE h = StandardError();
  if (h == nullptr || text.empty()) return;
  DWORD mode, written;
  if (GetConsoleMode(h, &mode)) {
    WriteConsoleW(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  } else {
    std::string bytes = Utf16ToUtf8(text);
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
}

bool EnvironmentValue(const std::wstring& name, std::wstring* value) {
  SetLastError(ERROR_SUCCESS);
  DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (size == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
    value->clear();
    return true;
  }
  std::wstring buffer(size, L'\0');
  DWORD length = GetEnvironmentVariableW(name.c_str(), buffer.data(), size);
  if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
  if (length >= size) return false;  // changed between the two calls
  buffer.resize(length);
  *value = buffer;
  return true;
}

bool SetEnvironmentValue(const std::wstring& name, const std::wstring& value) {
  return SetEnvironmentVariableW(name.c_str(), value.c_str()) != 0;
}

bool WriteStandardOutput(std::string_view bytes) {
  HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    DWORD chunk = static_cast<DWORD>(left < (1u << 30) ? left : (1u << 30));
    DWORD written = 0;
    if (!WriteFile(h, p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    left -= written;
  }
  return true;
}

}  // namespace wakelore
