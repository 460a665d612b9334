#include <errno.h>
#include <stdlib.h>
#include <unistd.h>


#include "platform/process.h"
#include "platform/text.h"

namespace wakelore {

namespace {
std::vector<std::wstring>& SavedArguments() {
  static std::vector<std::wstring> args;
  return args;
}
}  // namespace

void RememberProcessArguments(int argc, char** argv) {
  std::vector<std::wstring>& args = SavedArguments();
  args.clear();
  for (int i = 0; i < argc; ++i) args.push_back(Utf8ToUtf16(argv[i] ? argv[i] : ""));
}

std::vector<std::wstring> ProcessArguments() { return SavedArguments(); }

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void WriteStandardError(const std::wstring& text) {
  std::string bytes = Utf16ToUtf8(text);
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(STDERR_FILENO, p, left);
    if (n <= 0) return;
    p += n;
    left -= static_cast<size_t>(n);
  }
}

bool EnvironmentValue(const std::wstring& name, std::wstring* value) {
  const char* text = ::getenv(Utf16ToUtf8(name).c_str());
  if (text == nullptr) return false;
  *value = Utf8ToUtf16(text);
  return true;
}

bool SetEnvironmentValue(const std::wstring& name, const std::wstring& value) {
  return ::setenv(Utf16ToUtf8(name).c_str(), Utf16ToUtf8(value).c_str(), 1) == 0;
}

bool WriteStandardOutput(std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(STDOUT_FILENO, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace wakelore
