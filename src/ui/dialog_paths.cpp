#include "ui/dialog_paths.h"

#include "acquire/archive_addresses.h"

namespace wakelore {

std::wstring MainDatabasePath(const std::wstring& data_folder) {
  return JoinPath(data_folder, L"wakelore.db");
}

std::wstring DownloadFolderPath(const std::wstring& data_folder) {
  return JoinPath(data_folder, L"download");
}

std::wstring ManualPath(const std::wstring& program_folder) {
  return JoinPath(program_folder, L"manual.html");
}

}  // namespace wakelore
