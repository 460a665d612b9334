// The buffering of OutputFile, the same on every platform; opening, closing
// and the writes themselves live in posix/files_posix.cpp and
// win32/files_windows.cpp.
#include "platform/files.h"

namespace wakelore {

bool OutputFile::Flush() {
  if (failed_ || handle_ == kInvalid) return false;
  if (!buffer_.empty()) {
    if (!WriteThrough(buffer_.data(), buffer_.size())) failed_ = true;
    buffer_.clear();
  }
  return !failed_;
}

bool OutputFile::Write(std::string_view bytes) {
  if (failed_ || handle_ == kInvalid) return false;
  if (buffer_.size() + bytes.size() > kBufferSize) {
    if (!Flush()) return false;
    if (bytes.size() >= kBufferSize) {
      if (!WriteThrough(bytes.data(), bytes.size())) failed_ = true;
      return !failed_;
    }
  }
  buffer_.append(bytes);
  return true;
}

}  // namespace wakelore
