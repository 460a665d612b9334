#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

TEST(IsRegularFile, TellsFilesFromFoldersDevicesAndNothing) {
  test::TempDir dir;
  const std::wstring file = dir.File(L"a.txt");
  ASSERT_TRUE(WriteWholeFile(file, "x"));
  EXPECT_TRUE(IsRegularFile(file));
  EXPECT_FALSE(IsRegularFile(dir.path()));
  EXPECT_FALSE(IsRegularFile(dir.File(L"missing")));
  EXPECT_FALSE(IsRegularFile(L""));
#ifdef _WIN32
  EXPECT_FALSE(IsRegularFile(L"NUL"));
  EXPECT_FALSE(IsRegularFile(L"Z:\\dev\\null"));  // Wine's view of a device
#else
  EXPECT_FALSE(IsRegularFile(L"/dev/null"));
#endif
}

}  // namespace
}  // namespace wakelore
