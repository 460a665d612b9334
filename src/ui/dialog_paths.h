// Where the main dialog keeps its files: the database and the download
// cache inside the data folder, the manual beside the program.  The folders
// themselves come from app/data_folder.h; these only name what lies in them.
#ifndef WAKELORE_UI_DIALOG_PATHS_H_
#define WAKELORE_UI_DIALOG_PATHS_H_

#include <string>

namespace wakelore {

// data folder + separator + "wakelore.db"
std::wstring MainDatabasePath(const std::wstring& data_folder);

// data folder + separator + "download"
std::wstring DownloadFolderPath(const std::wstring& data_folder);

// program folder + separator + "manual.html"
std::wstring ManualPath(const std::wstring& program_folder);

}  // namespace wakelore

#endif  // WAKELORE_UI_DIALOG_PATHS_H_
