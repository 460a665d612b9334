// Helpers shared by the unit tests of both targets.
#ifndef WAKELORE_TESTS_SUPPORT_TEST_SUPPORT_H_
#define WAKELORE_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <cstdint>
#include <string>

namespace wakelore::test {

// A path of the source tree (relative with '/'), as this target sees it:
// under Wine the Linux tree is reached through drive Z:.
std::wstring SourcePath(const std::string& relative);

// A file of the fixtures: tests/fixtures/<relative>, the repository's copy of
// the shared fixture folder, so that a clone on its own runs every test.
std::wstring FixturePath(const std::string& relative);

// `text` with every '\\' turned into this target's kPathSeparator, so that
// one expected path reads the same for both targets.
std::wstring WithNativeSeparators(const std::wstring& text);

// Seconds since 1970 of a local day at `hour`:00; fails the current test
// when the day cannot be converted.
int64_t LocalDay(int year, int month, int day, int hour = 0);

// Reads a whole file; fails the current test when it cannot.
std::string ReadFileBytes(const std::wstring& path);

// A fresh empty folder under the temporary folder, removed with everything
// in it when the object ends.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& path() const { return path_; }
  // path() + separator + name
  std::wstring File(const std::wstring& name) const;

 private:
  std::wstring path_;
};

}  // namespace wakelore::test

#endif  // WAKELORE_TESTS_SUPPORT_TEST_SUPPORT_H_
