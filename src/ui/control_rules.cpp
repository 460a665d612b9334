#include "ui/control_rules.h"

#include "ui/dialog_ids.h"

namespace wakelore {

std::vector<ControlState> BusyControlStates(bool busy) {
  static const int kLocked[] = {
      IDC_IMPORT_FROM,   IDC_IMPORT_TO,     IDC_KIND_PROGRAMS,  IDC_KIND_RESULTS,
      IDC_KIND_MEETINGS, IDC_KIND_RACER_PERIODS, IDC_IMPORT_START, IDC_BEFORE_DATE,
      IDC_BEFORE_STADIUM, IDC_BEFORE_RACE,  IDC_BEFORE_FETCH,   IDC_DATASET,
      IDC_EXPORT_FROM,   IDC_EXPORT_TO,     IDC_EXPORT_STADIUM, IDC_FORMAT,
      IDC_PREVIEW,       IDC_EXPORT,        IDC_TABLE_LIST,     IDC_SQL_TEXT,
      IDC_KIND_RACE_PAGES};
  std::vector<ControlState> states;
  for (int id : kLocked) states.push_back({id, !busy});
  states.push_back({IDC_CANCEL_TASK, busy});
  return states;
}

std::vector<ControlState> DatasetControlStates(bool busy, const DatasetSwitches& dataset) {
  if (busy) return {};
  return {{IDC_EXPORT_FROM, dataset.usesPeriod},
          {IDC_EXPORT_TO, dataset.usesPeriod},
          {IDC_EXPORT_STADIUM, dataset.usesStadium},
          {IDC_SQL_TEXT, dataset.isSql}};
}

int FocusControl(bool busy, int starter) {
  if (busy) return IDC_CANCEL_TASK;
  return starter != 0 ? starter : IDC_IMPORT_START;
}

TableListWidths TableListColumnWidths(int longest_name_px, int type_px, int client_width_px) {
  constexpr int kCellMargins = 16;
  constexpr int kNarrowest = 60;
  TableListWidths widths;
  widths.name = longest_name_px + kCellMargins;
  if (widths.name < kNarrowest) widths.name = kNarrowest;
  widths.type = type_px;
  widths.definition = client_width_px - widths.name - widths.type;
  if (widths.definition < kNarrowest) widths.definition = kNarrowest;
  return widths;
}

}  // namespace wakelore
