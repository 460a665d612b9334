#include "platform/path.h"

#include "platform/files.h"

namespace wakelore {

bool IsPathSeparator(wchar_t c, PathSeparators rule) {
  if (rule == PathSeparators::kNative) return c == kPathSeparator;
  return c == L'\\' || c == L'/';
}

PathParts SplitPath(std::wstring_view path, PathSeparators rule) {
  PathParts parts;
  size_t cut = path.size();
  while (cut > 0 && !IsPathSeparator(path[cut - 1], rule)) --cut;
  if (cut == 0) {
    parts.name = std::wstring(path);
    return parts;
  }
  parts.has_separator = true;
  parts.folder = std::wstring(path.substr(0, cut - 1));
  parts.name = std::wstring(path.substr(cut));
  return parts;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  size_t end = folder.size();
  while (end > 0 && IsPathSeparator(folder[end - 1])) --end;
  std::wstring path = folder.substr(0, end);
  path += kPathSeparator;
  path += name;
  return path;
}

}  // namespace wakelore
