// The running process: its command line and its standard error stream.
#ifndef WAKELORE_PLATFORM_PROCESS_H_
#define WAKELORE_PLATFORM_PROCESS_H_

#include <string>
#include <string_view>
#include <vector>

namespace wakelore {

// Linux only: keeps the arguments main() received, for ProcessArguments().
// Call once at start, before any other thread exists.  Windows ignores it
// and reads the command line from the system.
void RememberProcessArguments(int argc, char** argv);

// The command line split into arguments; element 0 is the program as the
// command line names it.  Empty when the split fails.
std::vector<std::wstring> ProcessArguments();

// True when standard error is an interactive terminal (or Windows console).
bool StandardErrorIsTerminal();

// Writes text to standard error (UTF-8 on Linux, the console's own wide
// output on Windows).  Does nothing when there is no standard error.
void WriteStandardError(const std::wstring& text);

// The value of an environment variable of this process.  False when it is
// not set (an empty value counts as set).
[[nodiscard]] bool EnvironmentValue(const std::wstring& name, std::wstring* value);

// Sets an environment variable of this process (for the tests, which point
// the program at stand-in servers).  Not thread-safe: call before threads
// that read the environment start.
[[nodiscard]] bool SetEnvironmentValue(const std::wstring& name, const std::wstring& value);

// Writes bytes unchanged to standard output (binary: no newline
// translation).  False when a write failed or there is no standard output.
[[nodiscard]] bool WriteStandardOutput(std::string_view bytes);

}  // namespace wakelore

#endif  // WAKELORE_PLATFORM_PROCESS_H_
