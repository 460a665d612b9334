// One suite for both targets.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <filesystem>
#include <fstream>

#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wakelore {
namespace {

TEST(FilesTest, WholeFileWriteAndRead) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"日本語.bin");
  const std::string bytes("a\0b\r\n\xFF", 6);
  ASSERT_TRUE(WriteWholeFile(path, bytes));
  EXPECT_TRUE(PathExists(path));
  EXPECT_FALSE(IsDirectory(path));
  EXPECT_EQ(FileSizeOf(path), 6);
  std::string read;
  std::wstring error;
  ASSERT_TRUE(ReadWholeFile(path, &read, &error));
  EXPECT_EQ(read, bytes);
  EXPECT_FALSE(ReadWholeFile(path, &read, &error, 5));
  EXPECT_EQ(error, L"file too large");
  EXPECT_FALSE(ReadWholeFile(dir.File(L"missing"), &read, &error));
  EXPECT_TRUE(DeleteFileAt(path));
  EXPECT_FALSE(PathExists(path));
  EXPECT_TRUE(DeleteFileAt(path));  // already gone counts as removed
}

TEST(FilesTest, DirectoriesAndProbe) {
  test::TempDir dir;
  const std::wstring sub = dir.File(L"sub");
  bool existed = true;
  ASSERT_TRUE(CreateOneDirectory(sub, &existed));
  EXPECT_FALSE(existed);
  ASSERT_TRUE(CreateOneDirectory(sub, &existed));
  EXPECT_TRUE(existed);
  EXPECT_TRUE(IsDirectory(sub));
  EXPECT_FALSE(CreateOneDirectory(dir.File(L"no") + kPathSeparator + L"parent", nullptr));
  const std::wstring probe = sub + kPathSeparator + L".write_test";
  EXPECT_TRUE(ProbeCreateFile(probe));
  EXPECT_FALSE(PathExists(probe));
}

TEST(FilesTest, OutputFileIsExclusiveAndTruncates) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"out.csv");
  ASSERT_TRUE(WriteWholeFile(path, "old content that is longer"));
  OutputFile first;
  ASSERT_TRUE(first.Open(path));
  EXPECT_TRUE(first.Write("new"));
  OutputFile second;
  EXPECT_FALSE(second.Open(path)) << "a second writer must be refused while the first holds the file";
  std::string big(200000, 'x');  // larger than the buffer
  EXPECT_TRUE(first.Write(big));
  ASSERT_TRUE(first.Close());
  EXPECT_EQ(FileSizeOf(path), static_cast<int64_t>(3 + big.size()));
  EXPECT_TRUE(second.Open(path));
  EXPECT_TRUE(second.Close());
  EXPECT_EQ(FileSizeOf(path), 0);
}

TEST(FilesTest, SameFileComparesFilesNotPathTexts) {
  test::TempDir dir;
  const std::wstring a = dir.File(L"a.db");
  const std::wstring b = dir.File(L"b.db");
  ASSERT_TRUE(WriteWholeFile(a, "a"));
  ASSERT_TRUE(WriteWholeFile(b, "a"));
  const std::wstring dotted = dir.path() + kPathSeparator + L"." + kPathSeparator + L"a.db";
  const std::wstring linked = dir.File(L"hard link.db");
  std::error_code ec;
  std::filesystem::create_hard_link(std::filesystem::path(a), std::filesystem::path(linked), ec);
  ASSERT_FALSE(ec) << ec.message();
  EXPECT_TRUE(IsSameFile(a, a));
  EXPECT_TRUE(IsSameFile(a, dotted));
  EXPECT_TRUE(IsSameFile(linked, a));
  EXPECT_FALSE(IsSameFile(a, b)) << "equal bytes, other file";
  EXPECT_FALSE(IsSameFile(a, dir.File(L"missing.db")));
  EXPECT_FALSE(IsSameFile(dir.File(L"missing.db"), dir.File(L"missing.db")));
  EXPECT_FALSE(IsSameFile(a, L""));
#ifdef _WIN32
  std::wstring upper = a;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  EXPECT_TRUE(IsSameFile(a, upper));
#else
  const std::wstring symlink = dir.File(L"symlink.db");
  std::filesystem::create_symlink(std::filesystem::path(a), std::filesystem::path(symlink), ec);
  ASSERT_FALSE(ec) << ec.message();
  EXPECT_TRUE(IsSameFile(symlink, a));
#endif
}

TEST(FilesTest, WritersHoldingAFileAreSeen) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"out.csv");
  EXPECT_FALSE(IsHeldByAnotherWriter(path)) << "missing";
  ASSERT_TRUE(WriteWholeFile(path, "older"));
  EXPECT_FALSE(IsHeldByAnotherWriter(path)) << "closed";
  {
    std::ifstream reader(std::filesystem::path(path), std::ios::binary);
    ASSERT_TRUE(reader.good());
    EXPECT_FALSE(IsHeldByAnotherWriter(path)) << "a reader does not hold it";
  }
  {
    OutputFile holder;
    ASSERT_TRUE(holder.Open(path));
    EXPECT_TRUE(IsHeldByAnotherWriter(path));
  }
  ASSERT_TRUE(WriteWholeFile(path, "older"));
  {
    // Any program that writes it, not only this program's OutputFile.
    std::ofstream writer(std::filesystem::path(path), std::ios::binary | std::ios::app);
    ASSERT_TRUE(writer.good());
    EXPECT_TRUE(IsHeldByAnotherWriter(path));
    OutputFile second;
    EXPECT_FALSE(second.Open(path)) << "an output open refuses a file another writer has open";
  }
  EXPECT_EQ(test::ReadFileBytes(path), "older");
  EXPECT_FALSE(IsHeldByAnotherWriter(path));
}

TEST(FilesTest, TemporaryFileBesideIsMovedOverTheTarget) {
  test::TempDir dir;
  const std::wstring target = dir.File(L"結果.csv");
  ASSERT_TRUE(WriteWholeFile(target, "older"));
  std::wstring temporary;
  ASSERT_TRUE(CreateTempFileBeside(target, &temporary));
  EXPECT_EQ(temporary.substr(0, dir.path().size() + 4), dir.path() + kPathSeparator + L"wkl");
  EXPECT_EQ(FileSizeOf(temporary), 0);
  std::wstring another;
  ASSERT_TRUE(CreateTempFileBeside(target, &another));
  EXPECT_NE(another, temporary);
  EXPECT_TRUE(DeleteFileAt(another));
  ASSERT_TRUE(WriteWholeFile(temporary, "new and complete"));

#ifdef _WIN32
  {
    // A program holding the target without sharing (as Excel does) keeps it.
    OutputFile holder;
    ASSERT_TRUE(holder.Open(target));
    EXPECT_FALSE(MoveFileOver(temporary, target));
    EXPECT_EQ(FileSizeOf(temporary), 16);
  }
  ASSERT_TRUE(WriteWholeFile(target, "older"));
#endif
  ASSERT_TRUE(MoveFileOver(temporary, target));
  EXPECT_EQ(test::ReadFileBytes(target), "new and complete");
  EXPECT_FALSE(PathExists(temporary));
  EXPECT_FALSE(CreateTempFileBeside(dir.File(L"missing") + kPathSeparator + L"x.csv", &temporary));
#ifndef _WIN32
  // The output gets the mode of any new output file, not a private one.
  const std::wstring plain = dir.File(L"plain.csv");
  OutputFile file;
  ASSERT_TRUE(file.Open(plain));
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(std::filesystem::status(std::filesystem::path(Utf16ToUtf8(target))).permissions(),
            std::filesystem::status(std::filesystem::path(Utf16ToUtf8(plain))).permissions());
  // A replaced file keeps the permissions its owner gave it.
  const std::filesystem::perms own = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
  std::filesystem::permissions(std::filesystem::path(Utf16ToUtf8(target)), own);
  ASSERT_TRUE(CreateTempFileBeside(target, &temporary));
  ASSERT_TRUE(MoveFileOver(temporary, target));
  EXPECT_EQ(std::filesystem::status(std::filesystem::path(Utf16ToUtf8(target))).permissions(), own);
#endif
}

TEST(FilesTest, OutputFileInMissingFolderFails) {
  test::TempDir dir;
  OutputFile file;
  unsigned long os_error = 0;
  EXPECT_FALSE(file.Open(dir.File(L"missing") + kPathSeparator + L"x.csv", &os_error));
  EXPECT_NE(os_error, 0u);
  EXPECT_FALSE(file.Write("x"));
}

#ifndef _WIN32
TEST(FilesTest, OutputFileReportsAFullDisk) {
  OutputFile file;
  ASSERT_TRUE(file.Open(L"/dev/full"));
  std::string chunk(1 << 17, 'x');
  EXPECT_FALSE(file.Write(chunk) && file.Close());
}
#endif

TEST(FilesTest, UniqueTempFiles) {
  test::TempDir dir;
  std::wstring a, b;
  ASSERT_TRUE(CreateUniqueTempFile(dir.path(), L"wkl", &a));
  ASSERT_TRUE(CreateUniqueTempFile(dir.path(), L"wkl", &b));
  EXPECT_NE(a, b);
  EXPECT_TRUE(PathExists(a));
  const std::wstring name = a.substr(a.find_last_of(kPathSeparator) + 1);
  EXPECT_EQ(name.substr(0, 3), L"wkl");
  EXPECT_FALSE(TempFolder().empty());
}

TEST(FilesTest, WriteAtPatchesEarlierBytesAndInputFileReadsInPieces) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"patched.bin");
  OutputFile out;
  ASSERT_TRUE(out.Open(path));
  ASSERT_TRUE(out.Write("0123456789"));
  ASSERT_TRUE(out.WriteAt(2, "ab"));  // pending bytes go out first
  ASSERT_TRUE(out.Write("XY"));      // appends at the end, not after the patch
  ASSERT_TRUE(out.Close());
  EXPECT_EQ(test::ReadFileBytes(path), "01ab456789XY");

  InputFile in;
  ASSERT_TRUE(in.Open(path));
  EXPECT_EQ(in.Size(), 12);
  std::string got;
  char buf[5];
  size_t n = 0;
  do {
    ASSERT_TRUE(in.Read(buf, sizeof buf, &n));
    got.append(buf, n);
  } while (n > 0);
  EXPECT_EQ(got, "01ab456789XY");
  in.Close();
  EXPECT_FALSE(in.Open(dir.File(L"missing.bin")));
  EXPECT_FALSE(in.Read(buf, sizeof buf, &n));
}

TEST(FilesTest, ProgramAndLocalDataFolders) {
  const std::wstring program = ProgramFilePath();
  EXPECT_TRUE(PathExists(program)) << Utf16ToUtf8(program);
  std::wstring local;
  EXPECT_TRUE(LocalDataFolder(&local));
  EXPECT_FALSE(local.empty());
}

}  // namespace
}  // namespace wakelore
