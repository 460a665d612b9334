#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"

namespace wakelore::test {

std::wstring SourcePath(const std::string& relative) {
  std::string unix_path = std::string(WAKELORE_SOURCE_DIR) + "/" + relative;
#ifdef _WIN32
  std::wstring path = L"Z:" + Utf8ToUtf16(unix_path);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
#else
  return Utf8ToUtf16(unix_path);
#endif
}

std::wstring FixturePath(const std::string& relative) {
  return SourcePath("tests/fixtures/" + relative);
}

std::wstring WithNativeSeparators(const std::wstring& text) {
  std::wstring out = text;
  for (wchar_t& c : out) {
    if (c == L'\\') c = kPathSeparator;
  }
  return out;
}

int64_t LocalDay(int year, int month, int day, int hour) {
  LocalTime local;
  local.year = year;
  local.month = month;
  local.day = day;
  local.hour = hour;
  int64_t seconds = 0;
  EXPECT_TRUE(FromLocalTime(local, &seconds)) << year << "-" << month << "-" << day;
  return seconds;
}

std::string ReadFileBytes(const std::wstring& path) {
  std::string bytes;
  std::wstring error;
  EXPECT_TRUE(ReadWholeFile(path, &bytes, &error)) << Utf16ToUtf8(path) << ": " << Utf16ToUtf8(error);
  return bytes;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::wstring name = L"wakelore-test";
  if (info) name += L"-" + Utf8ToUtf16(info->name());
  for (wchar_t& c : name) {
    if (c == L'/' || c == L'\\') c = L'_';
  }
  std::error_code ec;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::wstring candidate = TempFolder() + kPathSeparator + name + L"-" +
                             std::to_wstring(static_cast<unsigned long>(TickCountMs())) + L"-" +
                             std::to_wstring(counter++);
    if (std::filesystem::create_directory(std::filesystem::path(candidate), ec)) {
      path_ = candidate;
      return;
    }
  }
  ADD_FAILURE() << "cannot create a temporary folder";
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(path_), ec);
}

std::wstring TempDir::File(const std::wstring& name) const { return path_ + kPathSeparator + name; }

}  // namespace wakelore::test
