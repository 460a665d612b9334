#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <climits>

#include "platform/files.h"

namespace wakelore {

namespace {

bool WriteAll(HANDLE h, const char* data, size_t size) {
  while (size > 0) {
    DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(h, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}
}  // namespace

bool PathExists(const std::wstring& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::wstring& path) {
  DWORD a = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsRegularFile(const std::wstring& path) {
  DWORD a = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
    return false;
  }
  // Attributes do not tell a device that a path reaches (Wine maps Z:\dev);
  // the type of an open handle does.  An open without access rights is not
  // refused by other handles' sharing modes.
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return true;
  const bool disk = GetFileType(h) == FILE_TYPE_DISK;
  CloseHandle(h);
  return disk;
}

bool CreateOneDirectory(const std::wstring& path, bool* existed) {
  if (existed) *existed = false;
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (existed) *existed = true;
    return true;
  }
  return false;
}

bool DeleteFileAt(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) return true;
  DWORD e = GetLastError();
  return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
}

int64_t FileSizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return -1;
  }
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ProbeCreateFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes, std::wstring* error,
                   uint64_t max_bytes) {
  bytes->clear();
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (error) *error = L"cannot open file";
    return false;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h, &size) || size.QuadPart < 0) {
    CloseHandle(h);
    if (error) *error = L"cannot read file size";
    return false;
  }
  if (static_cast<uint64_t>(size.QuadPart) > max_bytes ||
      static_cast<uint64_t>(size.QuadPart) > SIZE_MAX / 2) {
    CloseHandle(h);
    if (error) *error = L"file too large";
    return false;
  }
  try {
    bytes->resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    CloseHandle(h);
    if (error) *error = L"out of memory";
    return false;
  }
  size_t done = 0;
  while (done < bytes->size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(h, bytes->data() + done, chunk, &got, nullptr)) {
      CloseHandle(h);
      bytes->clear();
      if (error) *error = L"read error";
      return false;
    }
    if (got == 0) break;
    done += got;
  }
  bytes->resize(done);
  CloseHandle(h);
  return true;
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(h, bytes.data(), bytes.size());
  if (!CloseHandle(h)) ok = false;
  return ok;
}

OutputFile::~OutputFile() {
  if (handle_ != kInvalid) CloseHandle(handle_);
}

bool OutputFile::Open(const std::wstring& path, unsigned long* os_error) {
  if (handle_ != kInvalid) (void)Close();  // the old file is left as it is
  failed_ = false;
  buffer_.clear();
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (os_error) *os_error = GetLastError();
    return false;
  }
  handle_ = h;
  path_ = path;
  buffer_.reserve(kBufferSize);
  return true;
}

bool OutputFile::WriteThrough(const char* data, size_t size) {
  return WriteAll(handle_, data, size);
}

bool OutputFile::WriteAt(uint64_t offset, std::string_view bytes) {
  if (!Flush()) return false;
  LARGE_INTEGER zero{}, back{}, target{};
  target.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(handle_, zero, &back, FILE_CURRENT) ||
      !SetFilePointerEx(handle_, target, nullptr, FILE_BEGIN) ||
      !WriteAll(handle_, bytes.data(), bytes.size()) ||
      !SetFilePointerEx(handle_, back, nullptr, FILE_BEGIN)) {
    failed_ = true;
    return false;
  }
  return true;
}

bool OutputFile::Close() {
  if (handle_ == kInvalid) return false;
  bool ok = Flush();
  if (!CloseHandle(handle_)) ok = false;
  handle_ = kInvalid;
  buffer_.clear();
  buffer_.shrink_to_fit();
  return ok;
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::wstring& path) {
  Close();
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  return true;
}

int64_t InputFile::Size() const {
  LARGE_INTEGER size{};
  if (handle_ == kInvalid || !GetFileSizeEx(handle_, &size)) return -1;
  return static_cast<int64_t>(size.QuadPart);
}

bool InputFile::Read(char* data, size_t capacity, size_t* got) {
  *got = 0;
  if (handle_ == kInvalid) return false;
  DWORD chunk = capacity > (1u << 30) ? (1u << 30) : static_cast<DWORD>(capacity);
  DWORD n = 0;
  if (!ReadFile(handle_, data, chunk, &n, nullptr)) return false;
  *got = n;
  return true;
}

void InputFile::Close() {
  if (handle_ != kInvalid) CloseHandle(handle_);
  handle_ = kInvalid;
}

std::wstring TempFolder() {
  wchar_t buf[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  if (n == 0 || n > MAX_PATH) return L".";
  std::wstring folder(buf, n);
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return folder;
}

bool CreateUniqueTempFile(const std::wstring& folder, const std::wstring& prefix,
                          std::wstring* path) {
  wchar_t buf[MAX_PATH + 1];
  if (GetTempFileNameW(folder.c_str(), prefix.c_str(), 0, buf) == 0) return false;
  *path = buf;
  return true;
}

namespace {

// The volume and index of an existing file or folder.
bool FileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info) {
  // No access rights: other handles' sharing modes do not refuse this open.
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileInformationByHandle(h, info) != 0;
  CloseHandle(h);
  return ok;
}

}  // namespace

bool IsSameFile(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  if (a.empty() || b.empty() || !FileIdentity(a, &ia) || !FileIdentity(b, &ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool IsHeldByAnotherWriter(const std::wstring& path) {
  if (!IsRegularFile(path)) return false;
  // Reading while denying writers fails when a handle with write access is
  // open, or one that denies reading.
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return false;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION;
}

bool CreateTempFileBeside(const std::wstring& target, std::wstring* path) {
  const size_t slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash + 1);
  wchar_t buf[MAX_PATH + 1];
  if (GetTempFileNameW(folder.c_str(), L"wkl", 0, buf) == 0) return false;
  *path = buf;
  return true;
}

bool MoveFileOver(const std::wstring& source, const std::wstring& target) {
  return MoveFileExW(source.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::wstring ProgramFilePath() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::wstring();
  return std::wstring(buf, n);
}

bool LocalDataFolder(std::wstring* folder) {
  wchar_t buf[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, buf))) return false;
  *folder = buf;
  return true;
}

}  // namespace wakelore
