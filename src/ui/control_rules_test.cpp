#include "ui/control_rules.h"

#include <gtest/gtest.h>

#include <map>

#include "ui/dialog_ids.h"

namespace wakelore {
namespace {

// What SetBusy and then the dataset rule leave behind, starting from every
// control enabled.
std::map<int, bool> Apply(bool busy, const DatasetSwitches& dataset) {
  std::map<int, bool> enabled;
  for (int id = IDC_IMPORT_FROM; id <= IDC_DATA_FOLDER; ++id) enabled[id] = true;
  for (const ControlState& s : BusyControlStates(busy)) enabled[s.id] = s.enabled;
  for (const ControlState& s : DatasetControlStates(busy, dataset)) enabled[s.id] = s.enabled;
  return enabled;
}

TEST(ControlRulesTest, DatasetRules) {
  struct Case {
    const char* name;
    DatasetSwitches dataset;
    bool period, stadium, sql;
  } cases[] = {
      {"combined", {true, true, false}, true, true, false},
      {"racer_period", {true, false, false}, true, false, false},
      {"sql", {false, false, true}, false, false, true},
  };
  for (const Case& c : cases) {
    std::map<int, bool> enabled = Apply(false, c.dataset);
    EXPECT_EQ(enabled[IDC_EXPORT_FROM], c.period) << c.name;
    EXPECT_EQ(enabled[IDC_EXPORT_TO], c.period) << c.name;
    EXPECT_EQ(enabled[IDC_EXPORT_STADIUM], c.stadium) << c.name;
    EXPECT_EQ(enabled[IDC_SQL_TEXT], c.sql) << c.name;
    EXPECT_FALSE(enabled[IDC_CANCEL_TASK]) << c.name;
    EXPECT_TRUE(enabled[IDC_IMPORT_START]) << c.name;
    EXPECT_TRUE(enabled[IDC_FORMAT]) << c.name;
  }
}

TEST(ControlRulesTest, BusyLocksInputsButNotDisplays) {
  std::map<int, bool> enabled = Apply(true, {true, true, true});
  const int locked[] = {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1011, 1012, 1013,
                        1014, 1016, 1017, 1018, 1019, 1020, 1021, 1022, 1023, 1025};
  for (int id : locked) EXPECT_FALSE(enabled[id]) << id;
  EXPECT_TRUE(enabled[IDC_CANCEL_TASK]);
  // The progress bar, the labels and the list view stay as they are.
  for (int id : {IDC_PROGRESS, IDC_TASK_STATUS, IDC_IMPORT_STATUS, IDC_BEFORE_NOTE,
                 IDC_DATASET_NOTE, IDC_GRID, IDC_DATA_FOLDER}) {
    EXPECT_TRUE(enabled[id]) << id;
  }
  // Back to idle: the dataset's rule applies again.
  enabled = Apply(false, {true, true, false});
  EXPECT_FALSE(enabled[IDC_SQL_TEXT]);
  EXPECT_TRUE(enabled[IDC_EXPORT_FROM]);
}

TEST(ControlRulesTest, FocusGoesToCancelAndBack) {
  EXPECT_EQ(FocusControl(true, IDC_EXPORT), IDC_CANCEL_TASK);
  EXPECT_EQ(FocusControl(false, IDC_EXPORT), IDC_EXPORT);
  EXPECT_EQ(FocusControl(false, IDC_BEFORE_FETCH), IDC_BEFORE_FETCH);
  EXPECT_EQ(FocusControl(false, 0), IDC_IMPORT_START);
  // The focused control is never one a running task disables.
  for (const ControlState& s : BusyControlStates(true)) {
    if (s.id == FocusControl(true, IDC_IMPORT_START)) {
      EXPECT_TRUE(s.enabled);
    }
  }
}

TEST(ControlRulesTest, TableListColumns) {
  struct Case {
    int longest, type, client;
    TableListWidths widths;
  } cases[] = {
      {130, 60, 880, {146, 60, 674}},
      {20, 60, 880, {60, 60, 760}},    // short names keep the narrowest width
      {700, 60, 600, {716, 60, 60}},   // a very long name leaves the definition its minimum
  };
  for (const Case& c : cases) {
    TableListWidths w = TableListColumnWidths(c.longest, c.type, c.client);
    EXPECT_EQ(w.name, c.widths.name) << c.longest;
    EXPECT_EQ(w.type, c.widths.type) << c.longest;
    EXPECT_EQ(w.definition, c.widths.definition) << c.longest;
  }
}

}  // namespace
}  // namespace wakelore
