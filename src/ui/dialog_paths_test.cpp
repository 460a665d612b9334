#include "ui/dialog_paths.h"

#include <gtest/gtest.h>

#include "platform/files.h"

namespace wakelore {
namespace {

TEST(DialogPathsTest, FilesOfTheDataAndProgramFolders) {
  const std::wstring sep(1, kPathSeparator);
  // A folder given with a trailing separator gets no second one.
  EXPECT_EQ(MainDatabasePath(L"data" + sep), L"data" + sep + L"wakelore.db");
  EXPECT_EQ(DownloadFolderPath(L"data"), L"data" + sep + L"download");
  EXPECT_EQ(ManualPath(L"prog"), L"prog" + sep + L"manual.html");
}

}  // namespace
}  // namespace wakelore
