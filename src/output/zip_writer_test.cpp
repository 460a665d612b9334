#include "output/zip_writer.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/test_support.h"
#include "tests/support/zip_reader.h"

namespace wakelore {
namespace {

TEST(ZipWriterTest, DosDateTime) {
  const struct {
    LocalTime local;
    uint16_t time;
    uint16_t date;
  } cases[] = {
      {{2024, 3, 15, 13, 45, 58}, 13 * 2048 + 45 * 32 + 29, 44 * 512 + 3 * 32 + 15},
      {{1980, 1, 1, 0, 0, 1}, 0, 1 * 32 + 1},                  // odd seconds round down
      {{2107, 12, 31, 23, 59, 59}, 0xBF7D, 127 * 512 + 12 * 32 + 31},
      {{1970, 1, 1, 9, 0, 0}, 9 * 2048, 1 * 32 + 1},          // before 1980: 1980
  };
  for (const auto& c : cases) {
    const DosStamp s = DosDateTime(c.local);
    EXPECT_EQ(s.time, c.time) << c.local.year;
    EXPECT_EQ(s.date, c.date) << c.local.year;
  }
}

TEST(ZipWriterTest, WholeAndStreamedPartsReadBack) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"p.zip");
  ZipWriter zip;
  ASSERT_TRUE(zip.Open(path, DosStamp{0x1234, 0x5678}));
  ASSERT_TRUE(zip.AddPart("a.txt", "hello hello hello"));
  ASSERT_TRUE(zip.AddPart("empty", ""));
  ASSERT_TRUE(zip.BeginPart("dir/streamed.xml"));
  const std::string chunks[] = {"<row>one</row>", "<row>two</row><row>two</row>", ""};
  for (size_t i = 0; i < 3; ++i) ASSERT_TRUE(zip.AddChunk(chunks[i].data(), chunks[i].size(), i == 2));
  ASSERT_TRUE(zip.EndPart());
  ASSERT_TRUE(zip.Finish());

  std::vector<test::ZipPart> parts;
  std::string error;
  ASSERT_TRUE(test::ReadZip(test::ReadFileBytes(path), &parts, &error)) << error;
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0].name, "a.txt");
  EXPECT_EQ(parts[0].data, "hello hello hello");
  EXPECT_EQ(parts[1].data, "");
  EXPECT_EQ(parts[2].name, "dir/streamed.xml");
  EXPECT_EQ(parts[2].data, chunks[0] + chunks[1]);
  EXPECT_EQ(parts[2].blocks, (std::vector<bool>{false, false, true}));
  for (const auto& p : parts) {
    EXPECT_EQ(p.method, 8);
    EXPECT_EQ(p.flags, 0);
  }
  const std::string bytes = test::ReadFileBytes(path);
  EXPECT_EQ(bytes.substr(10, 4), std::string("\x34\x12\x78\x56", 4)) << "time, then date";
}

TEST(ZipWriterTest, FailuresAreReportedAndAbortRemovesTheFile) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"p.zip");
  // 300 bytes above 0x8F without repeats: 9-bit literals, so the part grows
  // to about 338 bytes when deflated.
  std::string data;
  uint32_t seed = 12345;
  for (int i = 0; i < 300; ++i) {
    seed = seed * 1103515245u + 12345u;
    data.push_back(static_cast<char>(0x90 + (seed >> 16) % 0x70));
  }
  auto write = [&](uint64_t limit, int64_t budget, ZipWriter::Failure* failure) {
    ZipWriter zip;
    zip.set_size_limit_for_testing(limit);
    zip.set_write_budget_for_testing(budget);
    if (!zip.Open(path, DosStamp{})) return false;
    bool ok = zip.AddPart("small", "x") && zip.BeginPart("big") &&
              zip.AddChunk(data.data(), 100, false) &&
              zip.AddChunk(data.data() + 100, data.size() - 100, true) && zip.EndPart() &&
              zip.Finish();
    *failure = zip.failure();
    if (!ok) zip.Abort();
    return ok;
  };
  ZipWriter::Failure failure;
  ASSERT_TRUE(write(kZipSizeLimit, -1, &failure));
  const int64_t size = FileSizeOf(path);
  ASSERT_GT(size, 330 + 36 + 33);

  const struct {
    const char* what;
    uint64_t limit;
    int64_t budget;
    ZipWriter::Failure failure;
  } cases[] = {
      {"part larger than the limit", 299, -1, ZipWriter::Failure::TooLarge},
      {"deflated part larger than the limit", 320, -1, ZipWriter::Failure::TooLarge},
      {"directory ends beyond the limit", static_cast<uint64_t>(size) - 30, -1,
       ZipWriter::Failure::TooLarge},
      {"disk full in the first header", kZipSizeLimit, 10, ZipWriter::Failure::Write},
      {"disk full in the streamed header", kZipSizeLimit, 50, ZipWriter::Failure::Write},
      {"disk full in the streamed data", kZipSizeLimit, 150, ZipWriter::Failure::Write},
      {"disk full in the directory", kZipSizeLimit, size - 10, ZipWriter::Failure::Write},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(write(c.limit, c.budget, &failure)) << c.what;
    EXPECT_EQ(failure, c.failure) << c.what;
    EXPECT_FALSE(PathExists(path)) << c.what;
  }
}

TEST(ZipWriterTest, TargetHeldByAnotherWriterCannotBeOpened) {
  test::TempDir dir;
  const std::wstring path = dir.File(L"held.zip");
  OutputFile holder;
  ASSERT_TRUE(holder.Open(path));
  ZipWriter zip;
  EXPECT_FALSE(zip.Open(path, DosStamp{}));
  zip.Abort();
  EXPECT_TRUE(PathExists(path)) << "a file this writer did not create is left alone";
}

}  // namespace
}  // namespace wakelore
