// The command line and the choice between an unattended run and the window.
#ifndef WAKELORE_APP_COMMAND_LINE_H_
#define WAKELORE_APP_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <vector>

namespace wakelore {

enum class LaunchMode { Interactive, BatchImport, BatchExport, BatchSnapshot, BatchQuery };

// The process's arguments; element 0 is the program.  Empty when the
// command line cannot be split.
std::vector<std::wstring> GetCommandLineArgs();

// Element 1, lower-cased as a whole, selects "/import", "/export",
// "/snapshot" or "/query";
// anything else (or nothing) is the interactive mode.
LaunchMode ChooseLaunchMode(const std::vector<std::wstring>& args);

// Runs the unattended run that the command line asks for and returns its
// exit code; nothing when the command line asks for none.
std::optional<int> DispatchCommandLine();

}  // namespace wakelore

#endif  // WAKELORE_APP_COMMAND_LINE_H_
