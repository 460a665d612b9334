// Entry of the Linux program: unattended runs only (there is no window).
#include "app/command_line.h"
#include "app/usage.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  wakelore::RememberProcessArguments(argc, argv);
  if (std::optional<int> code = wakelore::DispatchCommandLine()) return *code;
  wakelore::WriteStandardError(wakelore::UsageText());
  return 2;
}
