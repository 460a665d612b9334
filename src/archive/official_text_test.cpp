#include "archive/official_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

using Lines = std::vector<std::wstring>;

// A file one byte over the size limit: sparse where the file can be
// extended in place, written out in full where that is refused (Wine).
void WriteOversizedFile(const std::wstring& path) {
  ASSERT_TRUE(WriteWholeFile(path, "x"));
  std::error_code ec;
  std::filesystem::resize_file(std::filesystem::path(path), kMaxOfficialFileBytes + 1, ec);
  if (ec) {
    ASSERT_TRUE(WriteWholeFile(path, std::string(kMaxOfficialFileBytes + 1, 'x')));
  }
}

TEST(OfficialTextTest, DecodeLinesSplitsAtLineFeeds) {
  struct Case { std::string bytes; Lines expected; };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {L"a", L"b"}},
      {"a\nb\n", {L"a", L"b"}},
      {"a\r\nb", {L"a", L"b"}},               // last line without LF
      {"a\r\n\r\nb\r\n", {L"a", L"", L"b"}},   // empty lines stay
      {"a\r\r\nb\r", {L"a", L"b"}},           // every trailing CR goes
      {"\n", {L""}},
      {"a\rb\n", {L"a\rb"}},                  // inner CR stays
      {"\x94\xD4\x91\x67\x95\x5C\r\n\x82\x50\x82\x71", {L"番組表", L"１Ｒ"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeLines(c.bytes), c.expected) << testing::PrintToString(c.bytes);
  }
}

TEST(OfficialTextTest, DecodeLinesOfTheRealProgramFile) {
  const Lines lines = DecodeLines(test::ReadFileBytes(test::FixturePath("official/B230901.TXT")));
  ASSERT_GT(lines.size(), 3u);
  EXPECT_EQ(lines[0], L"STARTB");
  EXPECT_EQ(lines[1], L"24BBGN");
  EXPECT_EQ(lines[2].substr(0, 9), L"ボートレース大\u3000村");
  for (const std::wstring& line : lines) ASSERT_EQ(line.find(L'\r'), std::wstring::npos);
}

TEST(OfficialTextTest, NormalizeWidthFoldsOneForOne) {
  struct Case { std::wstring in, out; };
  const Case cases[] = {
      {L"０１２３４５６７８９", L"0123456789"},
      {L"１２Ｒ\u3000Ｈ１８００ｍ", L"12R H1800ｍ"},  // ｍ stays full-width
      {L"ｒｈ：", L"RH:"},
      {L"締切予定１５：１７", L"締切予定15:17"},
      {L"ＡＢ－", L"ＡＢ－"},
      {L"", L""},
  };
  for (const Case& c : cases) {
    const std::wstring n = NormalizeWidth(c.in);
    EXPECT_EQ(n, c.out);
    EXPECT_EQ(n.size(), c.in.size());
  }
}

TEST(OfficialTextTest, Trimming) {
  struct Case { std::wstring in, space, blanks; };
  const Case cases[] = {
      {L"  a b  ", L"a b", L"a b"},
      {L"\u3000逃げ\u3000\u3000", L"逃げ", L"逃げ"},
      {L"\r\n\tx\t\r\n", L"x", L"x"},
      {L"\u00A0x\u00A0", L"x", L"\u00A0x\u00A0"},  // only TrimSpace knows NBSP
      {L"\u2003x\u000B", L"x", L"\u2003x\u000B"},
      {L"\u3000", L"", L""},
      {L"", L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TrimSpace(c.in), c.space) << testing::PrintToString(Utf16ToUtf8(c.in));
    EXPECT_EQ(TrimBlanks(c.in), c.blanks) << testing::PrintToString(Utf16ToUtf8(c.in));
  }
}

TEST(OfficialTextTest, SplitTokens) {
  struct Case { std::wstring in; Lines expected; };
  const Case cases[] = {
      {L"", {}},
      {L" \t ", {}},
      {L"  01  1 3812 山\u3000崎\u3000\u3000聖\u3000司 67",
       {L"01", L"1", L"3812", L"山\u3000崎\u3000\u3000聖\u3000司", L"67"}},
      {L"a\tb", {L"a", L"b"}},
      {L"x ", {L"x"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitTokens(c.in), c.expected);
}

TEST(OfficialTextTest, ParseNumber) {
  struct Case { std::wstring in; double expected; };
  const Case cases[] = {
      {L"6.94", 6.94},
      {L"  0.10 ", 0.10},
      {L"-0.03", -0.03},
      {L"+2", 2.0},
      {L"．５", 0.0},          // a full-width point is not folded
      {L"１８００", 1800.0},
      {L"\u30001.5\u3000", 1.5},
      {L"2m", 2.0},            // a unit ends the number
      {L"1cm", 1.0},
      {L"1.50.8", 1.5},
      {L".5", 0.5},
      {L"5.", 5.0},
      {L".", 0.0},
      {L"K", 0.0},
      {L"", 0.0},
      {L"1e3", 1000.0},
      {L"1e", 1.0},            // an exponent without digits is not part of it
      {L"1e999", 0.0},         // out of range: no infinity
      {L"-", 0.0},
      {L"inf", 0.0},
      {L"nan", 0.0},
      {L"0x10", 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ParseNumber(c.in), c.expected) << Utf16ToUtf8(c.in);
  }
}

TEST(OfficialTextTest, ParseInteger) {
  struct Case { std::wstring in; int32_t expected; };
  const Case cases[] = {
      {L"01", 1},
      {L" 12 ", 12},
      {L"１２", 12},
      {L"-7", -7},
      {L"+7", 7},
      {L"3.9", 3},
      {L"12R", 12},
      {L"R12", 0},
      {L"", 0},
      {L".", 0},
      {L"2147483647", 2147483647},
      {L"2147483648", 2147483647},
      {L"99999999999999999999999", 2147483647},
      {L"-2147483648", -2147483647 - 1},
      {L"-99999999999999999999", -2147483647 - 1},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseInteger(c.in), c.expected) << Utf16ToUtf8(c.in);
}

TEST(OfficialTextTest, FileNameAndExtension) {
  struct Case { std::wstring path, name, extension; };
  const Case cases[] = {
      {L"C:\\data\\download\\guide\\2023年\\b230901.lzh", L"b230901.lzh", L".lzh"},
      {L"/tmp/x/K230901.LZH", L"K230901.LZH", L".lzh"},
      {L"C:\\a/b\\c.TXT", L"c.TXT", L".txt"},
      {L"a\\b/c", L"c", L""},
      {L"plain", L"plain", L""},
      {L"dir.d/file", L"file", L".d/file"},  // the last '.' of the whole path
      {L"", L"", L""},
      {L"ends\\", L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileNameOf(c.path), c.name) << Utf16ToUtf8(c.path);
    EXPECT_EQ(ExtensionOf(c.path), c.extension) << Utf16ToUtf8(c.path);
  }
}

TEST(OfficialTextTest, ReadOfficialFile) {
  test::TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir.File(L"full.txt"), "abc"));
  ASSERT_TRUE(WriteWholeFile(dir.File(L"empty.txt"), ""));
  WriteOversizedFile(dir.File(L"huge.txt"));
  struct Case { std::wstring path; bool ok; std::wstring message; };
  const Case cases[] = {
      {dir.File(L"full.txt"), true, L""},
      {dir.File(L"empty.txt"), false, L"ファイルサイズが不正です。"},
      {dir.File(L"huge.txt"), false, L"ファイルサイズが不正です。"},
      {dir.File(L"missing.txt"), false, L"ファイルを開けません。"},
      {dir.path(), false, L"ファイルを開けません。"},
  };
  for (const Case& c : cases) {
    std::string bytes = "stale";
    std::wstring message;
    EXPECT_EQ(ReadOfficialFile(c.path, &bytes, &message), c.ok) << Utf16ToUtf8(c.path);
    EXPECT_EQ(message, c.message) << Utf16ToUtf8(c.path);
    EXPECT_EQ(bytes, c.ok ? "abc" : "");
  }
}

TEST(OfficialTextTest, ReadArchiveBytes) {
  const std::string text = test::ReadFileBytes(test::FixturePath("official/B230921.TXT"));
  for (const char* name : {"b230921.lzh", "b230921_level0.lzh", "b230921_level2.lzh"}) {
    std::string bytes;
    std::wstring message;
    EXPECT_TRUE(ReadArchiveBytes(test::FixturePath(std::string("official/") + name), &bytes, &message))
        << name << ": " << Utf16ToUtf8(message);
    EXPECT_TRUE(bytes == text) << name;
  }

  test::TempDir dir;
  std::string huge = test::ReadFileBytes(test::FixturePath("official/b230901.lzh"));
  ASSERT_GT(huge.size(), 24u);
  huge[11] = 0;
  huge[12] = 0;
  huge[13] = 0;
  huge[14] = 0x10;  // declares 256 MiB
  ASSERT_TRUE(WriteWholeFile(dir.File(L"huge.lzh"), huge));
  ASSERT_TRUE(WriteWholeFile(dir.File(L"short.lzh"), "-lh5-"));
  struct Case { std::wstring path; std::wstring message; };
  const Case cases[] = {
      {dir.File(L"missing.lzh"), L"ファイルを開けません。"},
      {dir.File(L"short.lzh"), L"LZH file is too small."},
      {dir.File(L"huge.lzh"), L"ファイルサイズが不正です。"},
  };
  for (const Case& c : cases) {
    std::string bytes = "stale";
    std::wstring message;
    EXPECT_FALSE(ReadArchiveBytes(c.path, &bytes, &message));
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(bytes, "");
  }
}

}  // namespace
}  // namespace wakelore
