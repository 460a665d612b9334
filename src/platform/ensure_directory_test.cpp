#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

constexpr wchar_t kSep = kPathSeparator;

TEST(EnsureDirectoryTest, CreatesEveryMissingParent) {
  test::TempDir dir;
  // Mixed separators: both are accepted on both targets.
  const std::wstring path = dir.path() + L"/a\\b/c";
  ASSERT_TRUE(EnsureDirectory(path));
  EXPECT_TRUE(IsDirectory(dir.File(L"a")));
  EXPECT_TRUE(IsDirectory(dir.File(L"a") + kSep + L"b"));
  EXPECT_TRUE(IsDirectory(dir.File(L"a") + kSep + L"b" + kSep + L"c"));
  EXPECT_TRUE(EnsureDirectory(path)) << "existing folders are fine";
  EXPECT_TRUE(EnsureDirectory(path + kSep)) << "a trailing separator is fine";
}

TEST(EnsureDirectoryTest, EdgeCases) {
  test::TempDir dir;
  EXPECT_FALSE(EnsureDirectory(L""));
  const std::wstring file = dir.File(L"file");
  ASSERT_TRUE(WriteWholeFile(file, "x"));
  EXPECT_TRUE(EnsureDirectory(file)) << "an existing file counts";
  EXPECT_FALSE(EnsureDirectory(file + kSep + L"below")) << "nothing can be created under a file";
}

}  // namespace
}  // namespace wakelore
