// Which controls of the main dialog are enabled: the rule while a task runs
// and the rule of the selected dataset.
#ifndef WAKELORE_UI_CONTROL_RULES_H_
#define WAKELORE_UI_CONTROL_RULES_H_

#include <vector>

namespace wakelore {

struct ControlState {
  int id;
  bool enabled;
};

// What the selected dataset asks of the output section.
struct DatasetSwitches {
  bool usesPeriod = false;
  bool usesStadium = false;
  bool isSql = false;  // the user's own statement: the SQL box is enabled
};

// The controls a running task locks (every input and command button) and the
// cancel button, which is enabled exactly while busy.  The list view, the
// labels and the progress bar are never touched.
std::vector<ControlState> BusyControlStates(bool busy);

// The period pickers, the export stadium and the SQL box as the dataset
// wants them; empty while busy (the task's lock stays in force).
std::vector<ControlState> DatasetControlStates(bool busy, const DatasetSwitches& dataset);

}  // namespace wakelore

#endif  // WAKELORE_UI_CONTROL_RULES_H_
