#include "acquire/download_cache.h"

#include "platform/files.h"
#include "platform/net.h"
#include "platform/path.h"

namespace wakelore {

bool LooksLikeLzh(const std::wstring& path) {
  std::string head;
  if (!ReadFileHead(path, 16, &head)) return false;
  return head.size() >= 7 && head[2] == '-' && head[3] == 'l' && head[4] == 'h';
}

bool IsCachedArchive(const std::wstring& path) { return PathExists(path) && LooksLikeLzh(path); }

bool DownloadToCache(const std::wstring& url, const std::wstring& path, std::wstring* outcome) {
  const std::wstring folder = SplitPath(path, PathSeparators::kNative).folder;
  // Not checked: a folder that cannot be made fails the download below.
  if (!folder.empty()) (void)EnsureDirectory(folder);
  if (IsCachedArchive(path)) {
    *outcome = kExisting;
    return true;
  }
  (void)DeleteFileAt(path);  // a leftover that cannot go is overwritten by the download
  if (DownloadUrlToFile(url, path) && LooksLikeLzh(path)) {
    *outcome = kDownloaded;
    return true;
  }
  (void)DeleteFileAt(path);  // what stays is no archive and is fetched again next time
  *outcome = kDownloadFailed;
  return false;
}

}  // namespace wakelore
