#include "platform/path.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

// '\\' in an expected path stands for the platform's separator.
std::wstring Sep(const std::wstring& text) { return test::WithNativeSeparators(text); }

TEST(PathTest, SplitAtTheLastSlashOrBackslash) {
  struct Case {
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* name;
    bool has_separator;
  };
  const Case cases[] = {
      {L"C:\\data\\wakelore.db", L"C:\\data", L"wakelore.db", true},
      {L"/home/u/data/wakelore.db", L"/home/u/data", L"wakelore.db", true},
      {L"a/b\\c.txt", L"a/b", L"c.txt", true},
      {L"a\\b/c.txt", L"a\\b", L"c.txt", true},
      {L"wakelore.db", L"", L"wakelore.db", false},
      {L"\\x", L"", L"x", true},
      {L"/x", L"", L"x", true},
      {L"folder\\", L"folder", L"", true},
      {L"a\\\\b", L"a\\", L"b", true},
      {L"", L"", L"", false},
  };
  for (const Case& c : cases) {
    const PathParts parts = SplitPath(c.path);
    EXPECT_EQ(parts.folder, c.folder) << c.path;
    EXPECT_EQ(parts.name, c.name) << c.path;
    EXPECT_EQ(parts.has_separator, c.has_separator) << c.path;
  }
}

TEST(PathTest, NativeRuleSplitsOnlyAtThePlatformSeparator) {
  const std::wstring other = kPathSeparator == L'\\' ? L"/" : L"\\";
  const PathParts parts = SplitPath(Sep(L"cache\\guide") + other + L"b240105.lzh", PathSeparators::kNative);
  EXPECT_EQ(parts.folder, L"cache");
  EXPECT_EQ(parts.name, L"guide" + other + L"b240105.lzh");
  EXPECT_FALSE(SplitPath(other + L"x", PathSeparators::kNative).has_separator);
  EXPECT_TRUE(IsPathSeparator(kPathSeparator, PathSeparators::kNative));
  EXPECT_FALSE(IsPathSeparator(other[0], PathSeparators::kNative));
  EXPECT_TRUE(IsPathSeparator(L'/'));
  EXPECT_TRUE(IsPathSeparator(L'\\'));
  EXPECT_FALSE(IsPathSeparator(L':'));
}

TEST(PathTest, JoinDropsTrailingSeparatorsAndAddsOne) {
  EXPECT_EQ(JoinPath(Sep(L"C:\\data\\download\\"), L"x"), Sep(L"C:\\data\\download\\x"));
  EXPECT_EQ(JoinPath(L"a\\/", L"x"), Sep(L"a\\x"));
  EXPECT_EQ(JoinPath(L"a//", L"x"), Sep(L"a\\x"));
  EXPECT_EQ(JoinPath(L"", L"x"), Sep(L"\\x"));
  EXPECT_EQ(JoinPath(L"a", L""), Sep(L"a\\"));
}

}  // namespace
}  // namespace wakelore
