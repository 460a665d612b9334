#include "app/data_folder.h"

#include "platform/files.h"

namespace wakelore {

namespace {
bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }
}  // namespace

bool EnsureDirectory(const std::wstring& path) {
  if (path.empty()) return false;
  std::wstring native = path;
  for (wchar_t& c : native) {
    if (IsSeparator(c)) c = kPathSeparator;
  }
  if (PathExists(native)) return true;
  // A drive root ("C:\") is never created.
  size_t scan = (native.size() >= 3 && native[1] == L':' && native[2] == kPathSeparator) ? 3 : 0;
  for (;;) {
    size_t next = scan < native.size() ? native.find(kPathSeparator, scan) : std::wstring::npos;
    const bool last = next == std::wstring::npos;
    const std::wstring prefix = last ? native : native.substr(0, next);
    if (!prefix.empty() && !PathExists(prefix) && !CreateOneDirectory(prefix, nullptr)) {
      return false;
    }
    if (last) return true;
    scan = next + 1;
  }
}

bool IsFolderWritable(const std::wstring& folder) {
  if (!EnsureDirectory(folder)) return false;
  return ProbeCreateFile(folder + kPathSeparator + L".write_test");
}

std::wstring GetProgramFolder() {
  const std::wstring program = ProgramFilePath();
  const size_t last = program.find_last_of(L"\\/");
  return last == std::wstring::npos ? program : program.substr(0, last);
}

std::wstring ResolveDataFolder(const std::wstring& program_folder,
                               const std::function<bool(std::wstring*)>& local_data_folder) {
  const std::wstring preferred = program_folder + kPathSeparator + L"data";
  if (IsFolderWritable(preferred)) return preferred;
  std::wstring local;
  if (local_data_folder && local_data_folder(&local) && !local.empty()) {
    const std::wstring per_user = local + kPathSeparator + L"Wakelore";
    if (IsFolderWritable(per_user)) return per_user;
  }
  return preferred;
}

std::wstring GetDataFolder() {
  static const std::wstring folder = ResolveDataFolder(GetProgramFolder(), LocalDataFolder);
  return folder;
}

}  // namespace wakelore
