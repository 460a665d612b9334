#include "acquire/archive_addresses.h"

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/official_servers.h"

namespace wakelore {

namespace {

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }
wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

int TwoDigits(int value) { return ((value % 100) + 100) % 100; }

}  // namespace

std::wstring ArchiveFileName(wchar_t letter, int64_t date) {
  LocalTime local;
  if (!ToLocalTime(date, &local)) return std::wstring();
  return Format(L"%c%02d%02d%02d.lzh", AsciiLower(letter), TwoDigits(local.year), local.month, local.day);
}

std::wstring ArchiveUrl(wchar_t letter, int64_t date) {
  LocalTime local;
  if (!ToLocalTime(date, &local)) return std::wstring();
  return BaseUrlOf(ArchiveServerHost()) +
         Format(L"/od2/%c/%04d%02d/%s", AsciiUpper(letter), local.year, local.month, ArchiveFileName(letter, date));
}

std::wstring RacerPeriodFileName(int year, int half) {
  if (half == 0) return Format(L"fan%02d10.lzh", TwoDigits(year - 1));
  return Format(L"fan%02d04.lzh", TwoDigits(year));
}

std::wstring RacerPeriodUrl(const std::wstring& file_name) {
  return BaseUrlOf(RaceSiteHost()) + L"/static_extra/pc_static/download/data/kibetsu/" + file_name;
}

std::wstring CacheYearFolder(const std::wstring& kind_folder, int year) {
  return Format(L"%s%c%04d年", kind_folder, kPathSeparator, year);
}

}  // namespace wakelore
