// Files and folders.  Paths are wide strings joined with kPathSeparator
// ('\\' on Windows, '/' on Linux).  Every function is thread-safe and
// reports failure by its result; none throws except on allocation failure.
#ifndef WAKELORE_PLATFORM_FILES_H_
#define WAKELORE_PLATFORM_FILES_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace wakelore {

#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
#else
inline constexpr wchar_t kPathSeparator = L'/';
#endif

// True when something (file or folder) exists at `path`.
bool PathExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
// True when `path` is an ordinary file: not a folder, device or pipe.
bool IsRegularFile(const std::wstring& path);

// Creates one folder (its parent must exist).  True when it was created or
// already existed as a folder or file (`*existed` tells which case, may be null).
[[nodiscard]] bool CreateOneDirectory(const std::wstring& path, bool* existed);

// Creates `path` and every missing parent.  True when the path exists
// afterwards (a file counts).  Both '/' and '\\' separate components on
// both targets; a drive root ("C:\") is never created.
[[nodiscard]] bool EnsureDirectory(const std::wstring& path);

// Removes a file; true when it is gone afterwards.
[[nodiscard]] bool DeleteFileAt(const std::wstring& path);

// Size of a file in bytes, or -1 when it cannot be read.
int64_t FileSizeOf(const std::wstring& path);

// Creates `path` for writing without sharing and removes it again when the
// handle closes (the write test of a folder).  True when that worked.
[[nodiscard]] bool ProbeCreateFile(const std::wstring& path);

// Reads a whole file while denying writers.  Fails, with a short English
// reason in `*error`, when the file cannot be opened or read or holds more
// than `max_bytes`.
[[nodiscard]] bool ReadWholeFile(const std::wstring& path, std::string* bytes, std::wstring* error,
                                 uint64_t max_bytes = UINT64_MAX);

// Creates or truncates `path` and writes `bytes` (not exclusive; for logs
// and small files).  True when everything was written.
[[nodiscard]] bool WriteWholeFile(const std::wstring& path, std::string_view bytes);

// An output file opened exclusively: created or truncated, no other writer
// or reader can open it while it is held (Windows: share mode 0; Linux: an
// advisory flock that other users of this class respect, and a file that
// IsHeldByAnotherWriter reports is refused before it is touched).  Writes are
// buffered.  The destructor closes without deleting.  Not thread-safe: one
// owner at a time.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Opens `path`; false when it cannot be created or is held by another
  // OutputFile.  `*os_error` receives the system's error number (may be null).
  [[nodiscard]] bool Open(const std::wstring& path, unsigned long* os_error = nullptr);
  // Appends bytes; false once any write has failed (disk full and the like).
  [[nodiscard]] bool Write(std::string_view bytes);
  // Writes pending bytes, then overwrites `bytes` at `offset` from the start
  // of the file; later Writes append where they would have anyway.  False
  // when a write or seek failed (the file then counts as failed).
  [[nodiscard]] bool WriteAt(uint64_t offset, std::string_view bytes);
  // Flushes and closes; false when the flush or close failed.
  [[nodiscard]] bool Close();
  bool is_open() const { return handle_ != kInvalid; }
  const std::wstring& path() const { return path_; }

 private:
  [[nodiscard]] bool Flush();
  // Writes `size` bytes straight to the handle, past the buffer; the one
  // write each platform supplies.
  [[nodiscard]] bool WriteThrough(const char* data, size_t size);
  static constexpr size_t kBufferSize = 1 << 16;
#ifdef _WIN32
  using Handle = void*;
  static inline Handle const kInvalid = reinterpret_cast<void*>(-1);
#else
  using Handle = int;
  static constexpr Handle kInvalid = -1;
#endif
  Handle handle_ = kInvalid;
  std::wstring path_;
  std::string buffer_;
  bool failed_ = false;
};

// A file opened for reading in pieces, shared with other readers only.
// The destructor closes it.  Not thread-safe: one owner at a time.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  [[nodiscard]] bool Open(const std::wstring& path);
  // Size of the open file in bytes, or -1 when it cannot be told.
  int64_t Size() const;
  // Reads up to `capacity` bytes into `data`; `*got` = 0 at the end of the
  // file.  False on a read error.
  [[nodiscard]] bool Read(char* data, size_t capacity, size_t* got);
  void Close();
  bool is_open() const { return handle_ != kInvalid; }

 private:
#ifdef _WIN32
  using Handle = void*;
  static inline Handle const kInvalid = reinterpret_cast<void*>(-1);
#else
  using Handle = int;
  static constexpr Handle kInvalid = -1;
#endif
  Handle handle_ = kInvalid;
};

// The user's temporary folder, without a trailing separator.
std::wstring TempFolder();

// Creates a new empty file with a unique name that starts with `prefix` in
// `folder` (GetTempFileNameW semantics) and returns its path in `*path`.
[[nodiscard]] bool CreateUniqueTempFile(const std::wstring& folder, const std::wstring& prefix,
                                        std::wstring* path);

// True when `a` and `b` both name one existing file, however the two paths
// are spelled (links, "." and "..", letter case): the same device and inode
// on Linux, the same volume serial number and file index on Windows.
bool IsSameFile(const std::wstring& a, const std::wstring& b);

// True when some other open of `path` writes to it, as far as the system
// can tell: on Windows a handle with write access or one that denies
// sharing; on Linux an OutputFile's lock or, for a file of this user on a
// local file system, any descriptor open for writing (a read lease is
// refused then).  False for a missing file, a device and when the system
// cannot tell.
bool IsHeldByAnotherWriter(const std::wstring& path);

// Creates a new empty file with a unique name beginning with "wkl" in the
// folder of `target` (the working folder when `target` names none), with
// the permissions of an ordinary new file, and returns its path in
// `*path`.  Used to write an output completely before MoveFileOver puts it
// in place.
bool CreateTempFileBeside(const std::wstring& target, std::wstring* path);

// Moves the closed file `source` over `target` (in the same folder) in one
// step: afterwards `target` is either its old file, untouched, or the whole
// of `source`, never a part.  Linux: fsync, rename, fsync of the folder,
// and a replaced file's permissions are kept;
// Windows: MoveFileExW with MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH, which fails while another handle holds the
// target without sharing deletion (Excel).  On false both files are as
// they were.
bool MoveFileOver(const std::wstring& source, const std::wstring& target);

// Path of the running program file.
std::wstring ProgramFilePath();

// The per-user local data folder (Windows: CSIDL_LOCAL_APPDATA; Linux:
// $XDG_DATA_HOME or ~/.local/share).  False when the system has none.
[[nodiscard]] bool LocalDataFolder(std::wstring* folder);

// Reads up to `max_bytes` from the start of a file while denying writers.
// False when the file cannot be opened or read.
[[nodiscard]] bool ReadFileHead(const std::wstring& path, size_t max_bytes, std::string* bytes);

}  // namespace wakelore

#endif  // WAKELORE_PLATFORM_FILES_H_
