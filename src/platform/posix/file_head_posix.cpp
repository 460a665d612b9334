#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/text.h"

namespace wakelore {

bool ReadFileHead(const std::wstring& path, size_t max_bytes, std::string* bytes) {
  bytes->clear();
  int fd = ::open(Utf16ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // Writers that use OutputFile take an exclusive lock; share it while reading.
  ::flock(fd, LOCK_SH | LOCK_NB);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  bytes->resize(max_bytes);
  size_t got = 0;
  while (got < max_bytes) {
    ssize_t n = ::read(fd, bytes->data() + got, max_bytes - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      bytes->clear();
      return false;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bytes->resize(got);
  ::close(fd);
  return true;
}

}  // namespace wakelore
