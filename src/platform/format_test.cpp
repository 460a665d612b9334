#include "platform/format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <string>

namespace wakelore {
namespace {

TEST(FormatTest, Patterns) {
  EXPECT_EQ(Format(L"%d", 42), L"42");
  EXPECT_EQ(Format(L"%d", -7), L"-7");
  EXPECT_EQ(Format(L"%02d", 5), L"05");
  EXPECT_EQ(Format(L"%04d年", 2023), L"2023年");
  EXPECT_EQ(Format(L"%03d", -5), L"-05");
  EXPECT_EQ(Format(L"%I64d", INT64_MIN), L"-9223372036854775808");
  EXPECT_EQ(Format(L"%lu", UINT32_MAX), L"4294967295");
  EXPECT_EQ(Format(L"%u", static_cast<uint64_t>(UINT64_MAX)), L"18446744073709551615");
  EXPECT_EQ(Format(L"%x/%X", 255, 255), L"ff/FF");
  EXPECT_EQ(Format(L"%s=%s", std::wstring(L"鍵"), L"値"), L"鍵=値");
  EXPECT_EQ(Format(L"/race/%hs?rno=%d", "beforeinfo", 3), L"/race/beforeinfo?rno=3");
  EXPECT_EQ(Format(L"%c%c", L'b', 'k'), L"bk");
  EXPECT_EQ(Format(L"100%%"), L"100%");
  EXPECT_EQ(Format(L"[%5s|%-5s]", L"ab", L"cd"), L"[   ab|cd   ]");
  EXPECT_EQ(Format(L"%.3s", L"abcdef"), L"abc");
}

TEST(FormatTest, RealsUseAPointWhateverTheLocale) {
  // A locale with a decimal comma must not change the output.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  EXPECT_EQ(Format(L"%.3f", 6.75), L"6.750");
  EXPECT_EQ(Format(L"%.6f", -0.5), L"-0.500000");
  EXPECT_EQ(Format(L"%.1f", 2.25f), L"2.2");  // round-half-even on the binary value
  EXPECT_EQ(Format(L"%.2f", 1e21), L"1000000000000000000000.00");
  EXPECT_EQ(Format(L"%f", 1.0), L"1.000000");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
}  // namespace wakelore
