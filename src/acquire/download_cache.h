// Fetches an official archive into the download cache at most once.
//
// A copy already in the cache that begins like an LZH archive is reused
// without any network access; anything else at the path is replaced by a
// fresh download, and a download that does not begin like an LZH archive
// (an error page, a notice for a day not yet published) is deleted again.
// So the cache holds only files that look like archives.  No state, no
// locks; any thread may call.
#ifndef WAKELORE_ACQUIRE_DOWNLOAD_CACHE_H_
#define WAKELORE_ACQUIRE_DOWNLOAD_CACHE_H_

#include <string>

namespace wakelore {

// The outcome words; callers compare them as text.
inline constexpr wchar_t kDownloaded[] = L"downloaded";
inline constexpr wchar_t kExisting[] = L"existing";
inline constexpr wchar_t kDownloadFailed[] = L"failed";

// True when the file can be opened and its first bytes (at least 7 of
// them) have '-', 'l', 'h' at offsets 2, 3 and 4: the start of the method
// id of an LZH entry header.  Nothing else is checked.
bool LooksLikeLzh(const std::wstring& path);

// True when `path` holds a copy that DownloadToCache keeps without going to
// the network.
bool IsCachedArchive(const std::wstring& path);

// Makes sure `path` holds the archive at `url`: creates the folder before
// the last separator, keeps a valid copy ("existing"), else downloads
// ("downloaded") or leaves nothing at the path ("failed").  True exactly for
// "downloaded" and "existing".  No retry and no pause: pacing is the
// caller's.
[[nodiscard]] bool DownloadToCache(const std::wstring& url, const std::wstring& path, std::wstring* outcome);

}  // namespace wakelore

#endif  // WAKELORE_ACQUIRE_DOWNLOAD_CACHE_H_
