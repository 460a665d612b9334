#include <windows.h>

#include <climits>

#include "platform/text.h"

namespace wakelore {

namespace {

std::wstring Decode(UINT code_page, std::string_view bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX) return std::wstring();
  const int in = static_cast<int>(bytes.size());
  int n = MultiByteToWideChar(code_page, 0, bytes.data(), in, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), in, out.data(), n);
  return out;
}

std::string Encode(UINT code_page, std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int in = static_cast<int>(text.size());
  int n = WideCharToMultiByte(code_page, 0, text.data(), in, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), in, out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring MapCase(std::wstring_view text, DWORD flag) {
  if (text.empty() || text.size() > INT_MAX) return std::wstring(text);
  const int in = static_cast<int>(text.size());
  int n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flag, text.data(), in, nullptr, 0, nullptr,
                        nullptr, 0);
  if (n <= 0) return std::wstring(text);
  std::wstring out(static_cast<size_t>(n), L'\0');
  LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flag, text.data(), in, out.data(), n, nullptr, nullptr,
                0);
  return out;
}

}  // namespace

std::string Utf16ToUtf8(std::wstring_view text) { return Encode(CP_UTF8, text); }
std::wstring Utf8ToUtf16(std::string_view bytes) { return Decode(CP_UTF8, bytes); }
std::wstring Cp932ToWide(std::string_view bytes) { return Decode(932, bytes); }
std::string WideToCp932(std::wstring_view text) { return Encode(932, text); }
std::wstring ToLowerText(std::wstring_view text) { return MapCase(text, LCMAP_LOWERCASE); }
std::wstring ToUpperText(std::wstring_view text) { return MapCase(text, LCMAP_UPPERCASE); }

}  // namespace wakelore
