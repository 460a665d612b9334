// The program's place in the file system: its own folder and the data folder
// (database and download cache).  Folder creation (EnsureDirectory) is in
// platform/files.h.
#ifndef WAKELORE_APP_DATA_FOLDER_H_
#define WAKELORE_APP_DATA_FOLDER_H_

#include <functional>
#include <string>

namespace wakelore {

// The data folder: program folder + "data" when that is writable, else the
// per-user local data folder + "Wakelore" when that is, else program folder
// + "data" all the same.  Resolved on the first call (thread-safe) and kept
// unchanged for the rest of the process.  Never empty.
std::wstring GetDataFolder();

// The folder of the running program file (the text before the last
// separator of its path, or the whole path when it holds none).
std::wstring GetProgramFolder();

// EnsureDirectory, then a write test: a probe file ".write_test" is created
// in the folder and removed again.
bool IsFolderWritable(const std::wstring& folder);

// The resolution rule of GetDataFolder with its inputs given, for tests:
// `local_data_folder` fills the per-user folder and returns false when the
// system has none.
std::wstring ResolveDataFolder(const std::wstring& program_folder,
                               const std::function<bool(std::wstring*)>& local_data_folder);

}  // namespace wakelore

#endif  // WAKELORE_APP_DATA_FOLDER_H_
