// Splitting a path into its folder and its file name, and joining them.  Pure functions on
// text: nothing here looks at the file system.  Thread-safe.
//
// Two separator rules, because callers differ in what they accept:
//   kSlashOrBackslash  both '\\' and '/' end a folder name, on both targets
//                      (what Windows itself accepts; for paths typed by
//                      users or handed over by other programs);
//   kNative            only kPathSeparator ('\\' on Windows, '/' on Linux),
//                      for paths this program joined itself.
#ifndef WAKELORE_PLATFORM_PATH_H_
#define WAKELORE_PLATFORM_PATH_H_

#include <string>
#include <string_view>

namespace wakelore {

enum class PathSeparators { kSlashOrBackslash, kNative };

// A path cut at its last separator.
struct PathParts {
  std::wstring folder;         // the text before the last separator; empty when there is none
  std::wstring name;           // the text after it; the whole path when there is none
  bool has_separator = false;  // whether the path holds a separator at all
};

// True when `c` separates folder names under `rule`.
bool IsPathSeparator(wchar_t c, PathSeparators rule = PathSeparators::kSlashOrBackslash);

// Cuts `path` at its last separator under `rule`.  "a\\b\\c.txt" gives
// {"a\\b", "c.txt", true}; "c.txt" gives {"", "c.txt", false}; "\\c.txt"
// gives {"", "c.txt", true}; "a\\" gives {"a", "", true}.
PathParts SplitPath(std::wstring_view path, PathSeparators rule = PathSeparators::kSlashOrBackslash);

// `folder` without its trailing '\\' and '/' characters, one kPathSeparator,
// then `name`.  An empty folder gives the separator and the name.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

}  // namespace wakelore

#endif  // WAKELORE_PLATFORM_PATH_H_
