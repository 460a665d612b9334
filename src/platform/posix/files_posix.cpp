#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"

namespace wakelore {

namespace {

std::string Native(const std::wstring& path) { return Utf16ToUtf8(path); }


bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool PathExists(const std::wstring& path) {
  struct stat st;
  return !path.empty() && ::stat(Native(path).c_str(), &st) == 0;
}

bool IsDirectory(const std::wstring& path) {
  struct stat st;
  return !path.empty() && ::stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::wstring& path) {
  struct stat st;
  return !path.empty() && ::stat(Native(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateOneDirectory(const std::wstring& path, bool* existed) {
  if (existed) *existed = false;
  if (::mkdir(Native(path).c_str(), 0777) == 0) return true;
  if (errno == EEXIST) {
    if (existed) *existed = true;
    return true;
  }
  return false;
}

bool DeleteFileAt(const std::wstring& path) {
  std::string native = Native(path);
  if (::unlink(native.c_str()) == 0) return true;
  return errno == ENOENT;
}

int64_t FileSizeOf(const std::wstring& path) {
  struct stat st;
  if (::stat(Native(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool ProbeCreateFile(const std::wstring& path) {
  std::string native = Native(path);
  int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(native.c_str());
  return true;
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes, std::wstring* error,
                   uint64_t max_bytes) {
  bytes->clear();
  int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = L"cannot open file";
    return false;
  }
  // Writers that use OutputFile take an exclusive lock; share it while reading.
  ::flock(fd, LOCK_SH | LOCK_NB);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    if (error) *error = L"not a regular file";
    return false;
  }
  if (static_cast<uint64_t>(st.st_size) > max_bytes) {
    ::close(fd);
    if (error) *error = L"file too large";
    return false;
  }
  try {
    bytes->reserve(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    ::close(fd);
    if (error) *error = L"out of memory";
    return false;
  }
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      bytes->clear();
      if (error) *error = L"read error";
      return false;
    }
    if (n == 0) break;
    if (bytes->size() + static_cast<size_t>(n) > max_bytes) {
      ::close(fd);
      bytes->clear();
      if (error) *error = L"file too large";
      return false;
    }
    bytes->append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes) {
  int fd = ::open(Native(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  if (::close(fd) != 0) ok = false;
  return ok;
}

OutputFile::~OutputFile() {
  if (handle_ != kInvalid) ::close(handle_);
}

bool OutputFile::Open(const std::wstring& path, unsigned long* os_error) {
  if (handle_ != kInvalid) (void)Close();  // the old file is left as it is
  failed_ = false;
  buffer_.clear();
  std::string native = Native(path);
  if (IsHeldByAnotherWriter(path)) {
    if (os_error) *os_error = EBUSY;
    return false;
  }
  // Not O_TRUNC: the file is emptied only once the lock is ours.
  int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (os_error) *os_error = static_cast<unsigned long>(errno);
    return false;
  }
  struct stat st;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &st) != 0 ||
      (S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0)) {
    if (os_error) *os_error = static_cast<unsigned long>(errno);
    ::close(fd);
    return false;
  }
  handle_ = fd;
  path_ = path;
  buffer_.reserve(kBufferSize);
  return true;
}

bool OutputFile::WriteThrough(const char* data, size_t size) {
  return WriteAll(handle_, data, size);
}

bool OutputFile::WriteAt(uint64_t offset, std::string_view bytes) {
  if (!Flush()) return false;
  const char* data = bytes.data();
  size_t size = bytes.size();
  while (size > 0) {
    ssize_t n = ::pwrite(handle_, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

bool OutputFile::Close() {
  if (handle_ == kInvalid) return false;
  bool ok = Flush();
  if (::close(handle_) != 0) ok = false;
  handle_ = kInvalid;
  buffer_.clear();
  buffer_.shrink_to_fit();
  return ok;
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::wstring& path) {
  Close();
  int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

int64_t InputFile::Size() const {
  struct stat st;
  if (handle_ == kInvalid || ::fstat(handle_, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool InputFile::Read(char* data, size_t capacity, size_t* got) {
  *got = 0;
  if (handle_ == kInvalid) return false;
  for (;;) {
    ssize_t n = ::read(handle_, data, capacity);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    *got = static_cast<size_t>(n);
    return true;
  }
}

void InputFile::Close() {
  if (handle_ != kInvalid) ::close(handle_);
  handle_ = kInvalid;
}

std::wstring TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = (dir && *dir) ? dir : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return Utf8ToUtf16(folder);
}

bool CreateUniqueTempFile(const std::wstring& folder, const std::wstring& prefix,
                          std::wstring* path) {
  // Like GetTempFileNameW: up to three characters of the prefix, a unique
  // part, ".tmp".
  std::string pattern = Native(folder) + "/" + Native(prefix.substr(0, 3)) + "XXXXXX.tmp";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  int fd = ::mkstemps(buf.data(), 4);
  if (fd < 0) return false;
  ::close(fd);
  *path = Utf8ToUtf16(buf.data());
  return true;
}

bool IsSameFile(const std::wstring& a, const std::wstring& b) {
  struct stat sa, sb;
  if (a.empty() || b.empty() || ::stat(Native(a).c_str(), &sa) != 0 ||
      ::stat(Native(b).c_str(), &sb) != 0) {
    return false;
  }
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool IsHeldByAnotherWriter(const std::wstring& path) {
  int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool held = false;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    // Another OutputFile holds its exclusive lock.
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
      held = errno == EWOULDBLOCK;
    } else {
      ::flock(fd, LOCK_UN);
      // A read lease is granted only while no descriptor anywhere has the
      // file open for writing.  Other refusals (not the owner, a file
      // system without leases) say nothing.
      if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
      } else {
        held = errno == EAGAIN;
      }
    }
  }
  ::close(fd);
  return held;
}

bool CreateTempFileBeside(const std::wstring& target, std::wstring* path) {
  const size_t slash = target.find_last_of(L'/');
  const std::string folder = slash == std::wstring::npos ? "./" : Native(target.substr(0, slash + 1));
  static std::atomic<uint32_t> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const uint64_t unique = (static_cast<uint64_t>(::getpid()) << 32) ^
                            (static_cast<uint64_t>(::time(nullptr)) << 8) ^
                            (static_cast<uint64_t>(counter.fetch_add(1)) * 2654435761u);
    char name[40];
    std::snprintf(name, sizeof name, "wkl%012llx.tmp",
                  static_cast<unsigned long long>(unique & 0xFFFFFFFFFFFFull));
    const std::string candidate = folder + name;
    // The mode OutputFile gives a new file (less the umask), not the 0600
    // of a private temporary file: this one becomes the user's output.
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      *path = Utf8ToUtf16(candidate);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool MoveFileOver(const std::wstring& source, const std::wstring& target) {
  const std::string from = Native(source);
  const std::string to = Native(target);
  // The bytes reach the disk before the name does.
  int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // A file that is replaced keeps the permissions the user gave it.
  struct stat old_file;
  if (::stat(to.c_str(), &old_file) == 0 && S_ISREG(old_file.st_mode)) {
    ::fchmod(fd, old_file.st_mode & 07777);
  }
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  if (!synced || ::rename(from.c_str(), to.c_str()) != 0) return false;
  const size_t slash = to.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : to.substr(0, slash + 1);
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);  // the rename itself; a folder that cannot be synced still holds it
    ::close(dir);
  }
  return true;
}

std::wstring ProgramFilePath() {
  char buf[PATH_MAX + 1];
  ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return std::wstring();
  return Utf8ToUtf16(std::string_view(buf, static_cast<size_t>(n)));
}

bool LocalDataFolder(std::wstring* folder) {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg == '/') {
    *folder = Utf8ToUtf16(xdg);
    while (folder->size() > 1 && folder->back() == L'/') folder->pop_back();
    return true;
  }
  const char* home = std::getenv("HOME");
  if (!home || !*home) return false;
  std::string base = home;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  *folder = Utf8ToUtf16(base + "/.local/share");
  return true;
}

}  // namespace wakelore
