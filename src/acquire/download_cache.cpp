#include "acquire/download_cache.h"

#include "app/data_folder.h"
#include "platform/files.h"
#include "platform/net.h"

namespace wakelore {

bool LooksLikeLzh(const std::wstring& path) {
  std::string head;
  if (!ReadFileHead(path, 16, &head)) return false;
  return head.size() >= 7 && head[2] == '-' && head[3] == 'l' && head[4] == 'h';
}

bool IsCachedArchive(const std::wstring& path) { return PathExists(path) && LooksLikeLzh(path); }

bool DownloadToCache(const std::wstring& url, const std::wstring& path, std::wstring* outcome) {
  size_t last = path.find_last_of(kPathSeparator);
  if (last != std::wstring::npos && last > 0) EnsureDirectory(path.substr(0, last));
  if (IsCachedArchive(path)) {
    *outcome = kExisting;
    return true;
  }
  DeleteFileAt(path);
  if (DownloadUrlToFile(url, path) && LooksLikeLzh(path)) {
    *outcome = kDownloaded;
    return true;
  }
  DeleteFileAt(path);
  *outcome = kDownloadFailed;
  return false;
}

}  // namespace wakelore
