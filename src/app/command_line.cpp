#include "app/command_line.h"

#include "app/batch_query.h"
#include "app/batch_runs.h"
#include "app/batch_snapshot.h"
#include "platform/process.h"
#include "platform/text.h"

namespace wakelore {

std::vector<std::wstring> GetCommandLineArgs() { return ProcessArguments(); }

LaunchMode ChooseLaunchMode(const std::vector<std::wstring>& args) {
  if (args.size() < 2) return LaunchMode::Interactive;
  const std::wstring mode = ToLowerText(args[1]);
  if (mode == L"/import") return LaunchMode::BatchImport;
  if (mode == L"/export") return LaunchMode::BatchExport;
  if (mode == L"/snapshot") return LaunchMode::BatchSnapshot;
  if (mode == L"/query") return LaunchMode::BatchQuery;
  return LaunchMode::Interactive;
}

std::optional<int> DispatchCommandLine() {
  const std::vector<std::wstring> args = GetCommandLineArgs();
  switch (ChooseLaunchMode(args)) {
    case LaunchMode::BatchImport:
      return RunBatchImport(args);
    case LaunchMode::BatchExport:
      return RunBatchExport(args);
    case LaunchMode::BatchSnapshot:
      return RunBatchSnapshot(args);
    case LaunchMode::BatchQuery:
      return RunBatchQuery(args);
    case LaunchMode::Interactive:
      break;
  }
  return std::nullopt;
}

}  // namespace wakelore
