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

// The control that gets the keyboard focus when a task starts (`busy`) or
// ends: the cancel button while it runs, so that Tab, Space and Escape keep
// working; afterwards the control that started it (`starter`, a control id;
// the import button when none is known).
int FocusControl(bool busy, int starter);

// Widths in pixels of the table list's three columns.  The name column fits
// the longest name (`longest_name_px` as the grid measures it, plus room
// for the cell's margins, at least 60); the type column keeps its preview
// width; the definition column takes what is left of `client_width_px`
// (at least 60).
struct TableListWidths {
  int name = 0;
  int type = 0;
  int definition = 0;
};
TableListWidths TableListColumnWidths(int longest_name_px, int type_px, int client_width_px);

}  // namespace wakelore

#endif  // WAKELORE_UI_CONTROL_RULES_H_
