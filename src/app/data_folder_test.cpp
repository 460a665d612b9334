#include "app/data_folder.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

constexpr wchar_t kSep = kPathSeparator;

TEST(IsFolderWritableTest, WriteTestLeavesNoProbe) {
  test::TempDir dir;
  const std::wstring folder = dir.File(L"new");
  ASSERT_TRUE(IsFolderWritable(folder));
  EXPECT_TRUE(IsDirectory(folder));
  EXPECT_FALSE(PathExists(folder + kSep + L".write_test"));
}

TEST(ResolveDataFolderTest, PrefersTheProgramFolder) {
  test::TempDir program, local;
  const std::wstring chosen = ResolveDataFolder(program.path(), [&](std::wstring* out) {
    *out = local.path();
    return true;
  });
  EXPECT_EQ(chosen, program.path() + kSep + L"data");
  EXPECT_TRUE(IsDirectory(chosen));
  EXPECT_FALSE(PathExists(local.File(L"Wakelore")));
}

TEST(ResolveDataFolderTest, AFileNamedDataSendsItToThePerUserFolder) {
  test::TempDir program, local;
  ASSERT_TRUE(WriteWholeFile(program.File(L"data"), "not a folder"));
  const std::wstring chosen = ResolveDataFolder(program.path(), [&](std::wstring* out) {
    *out = local.path();
    return true;
  });
  EXPECT_EQ(chosen, local.path() + kSep + L"Wakelore");
  EXPECT_TRUE(IsDirectory(chosen)) << "the per-user folder is created when missing";
}

TEST(ResolveDataFolderTest, NeitherWritableKeepsTheProgramFolder) {
  test::TempDir program, local;
  ASSERT_TRUE(WriteWholeFile(program.File(L"data"), "x"));
  ASSERT_TRUE(WriteWholeFile(local.File(L"Wakelore"), "x"));
  auto local_folder = [&](std::wstring* out) {
    *out = local.path();
    return true;
  };
  EXPECT_EQ(ResolveDataFolder(program.path(), local_folder), program.path() + kSep + L"data");
  EXPECT_EQ(ResolveDataFolder(program.path(), [](std::wstring*) { return false; }),
            program.path() + kSep + L"data");
}

TEST(DataFolderTest, ProgramFolderAndDataFolderOfThisProcess) {
  const std::wstring program = GetProgramFolder();
  EXPECT_TRUE(IsDirectory(program)) << Utf16ToUtf8(program);
  const std::wstring data = GetDataFolder();
  EXPECT_FALSE(data.empty());
  EXPECT_EQ(GetDataFolder(), data) << "resolved once and kept";
}

}  // namespace
}  // namespace wakelore
