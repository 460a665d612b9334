#include "app/data_folder.h"

#include "platform/files.h"
#include "platform/path.h"

namespace wakelore {

bool IsFolderWritable(const std::wstring& folder) {
  if (!EnsureDirectory(folder)) return false;
  return ProbeCreateFile(folder + kPathSeparator + L".write_test");
}

std::wstring GetProgramFolder() {
  const std::wstring program = ProgramFilePath();
  const PathParts parts = SplitPath(program);
  return parts.has_separator ? parts.folder : program;
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
