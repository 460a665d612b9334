#include "ui/win32/main_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>
#include <new>

#include "app/data_folder.h"
#include "ui/before_race_texts.h"
#include "ui/control_rules.h"
#include "ui/dialog_dates.h"
#include "ui/dialog_ids.h"
#include "ui/import_texts.h"
#include "ui/output_texts.h"
#include "ui/status_texts.h"
#include "platform/clock.h"
#include "ui/before_race_task.h"
#include "ui/dialog_backend.h"
#include "ui/dialog_paths.h"
#include "ui/import_status.h"
#include "ui/task_texts.h"
#include "ui/win32/about_dialog.h"
#include "ui/win32/report_box.h"

namespace wakelore {
namespace {

// Keeps the wait cursor up for the life of the object.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }

 private:
  HCURSOR previous_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Worker task

void CMainDlg::WorkerTask::ReportProgress(int32_t done, int32_t total, const std::wstring& text) {
  TaskProgress* progress = new (std::nothrow) TaskProgress;
  if (progress == nullptr) return;
  progress->done = done;
  progress->total = total;
  progress->text = text;
  if (!PostMessageW(window, WM_TASK_PROGRESS, 0, reinterpret_cast<LPARAM>(progress))) {
    delete progress;
  }
}

DWORD WINAPI CMainDlg::TaskThread(void* parameter) {
  WorkerTask* task = static_cast<WorkerTask*>(parameter);
  // The downloads of a task go through urlmon, which needs COM on the
  // calling thread.
  HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  std::wstring* result = nullptr;
  try {
    result = new std::wstring(task->work(*task));
  } catch (...) {
    // The dialog stays busy (and cannot be closed) until it hears from the
    // task, so a job that dies still reports.
    result = new (std::nothrow) std::wstring(kTaskBrokeText);
  }
  if (result != nullptr &&
      !PostMessageW(task->window, WM_TASK_DONE, 0, reinterpret_cast<LPARAM>(result))) {
    delete result;
  }
  delete task;
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

bool CMainDlg::StartTask(int starter, std::function<std::wstring(WorkerTask&)> work,
                         TextFn on_done, TextFn on_progress) {
  if (busy_) return false;
  cancel_.exchange(false);
  WorkerTask* task = new WorkerTask;
  task->window = window_;
  task->cancel = &cancel_;
  task->work = std::move(work);
  task_starter_ = starter;
  task_done_ = std::move(on_done);
  task_progress_ = std::move(on_progress);
  SetBusy(true);
  SendMessageW(Item(IDC_PROGRESS), PBM_SETPOS, 0, 0);
  HANDLE thread = CreateThread(nullptr, 0, &CMainDlg::TaskThread, task, 0, nullptr);
  if (thread == nullptr) {
    delete task;
    task_done_ = nullptr;
    task_progress_ = nullptr;
    SetBusy(false);
    Box(kTaskNotStartedText, MB_OK | MB_ICONERROR);
    return false;
  }
  CloseHandle(thread);  // detached: nothing waits for it
  return true;
}

void CMainDlg::SetBusy(bool busy) {
  busy_ = busy;
  // The control to focus is enabled first: disabling the focused button
  // would leave the keyboard with nowhere to go.
  HWND focus = Item(FocusControl(busy, task_starter_));
  EnableWindow(focus, TRUE);
  SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
  for (const ControlState& state : BusyControlStates(busy)) {
    EnableWindow(Item(state.id), state.enabled ? TRUE : FALSE);
  }
  if (!busy) UpdateDatasetControls();
}

void CMainDlg::OnTaskProgress(TaskProgress* progress) {
  std::unique_ptr<TaskProgress> owned(progress);
  if (std::optional<int> position = ProgressPosition(progress->done, progress->total)) {
    SendMessageW(Item(IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(*position), 0);
  }
  SetText(IDC_TASK_STATUS, ProgressLineText(progress->done, progress->total, progress->text));
  if (task_progress_) task_progress_(progress->text);
}

void CMainDlg::OnTaskDone(std::wstring* result) {
  std::unique_ptr<std::wstring> owned(result);
  if (guard_boxes_open_ > 0) {
    report_after_guard_ = std::move(owned);
    return;
  }
  SetBusy(false);
  SendMessageW(Item(IDC_PROGRESS), PBM_SETPOS, 0, 0);
  RefreshImportStatus();
  TextFn done = std::move(task_done_);
  task_done_ = nullptr;
  task_progress_ = nullptr;
  if (done) done(*result);
  SetText(IDC_TASK_STATUS, FirstLine(*result));
  ShowReportBox(instance_, window_, kAppCaption, *result);
}

// ---------------------------------------------------------------------------
// Dialog plumbing

CMainDlg::CMainDlg() = default;

CMainDlg::~CMainDlg() {
  if (icon_ != nullptr) DestroyIcon(icon_);
  if (small_icon_ != nullptr) DestroyIcon(small_icon_);
}

INT_PTR CMainDlg::DoModal(HINSTANCE instance) {
  instance_ = instance;
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, &CMainDlg::DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CMainDlg::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  CMainDlg* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CMainDlg*>(lparam);
    self->window_ = window;
    SetWindowLongPtrW(window, DWLP_USER, lparam);
  } else {
    self = reinterpret_cast<CMainDlg*>(GetWindowLongPtrW(window, DWLP_USER));
  }
  if (self == nullptr) return FALSE;
  return self->HandleMessage(message, wparam, lparam);
}

INT_PTR CMainDlg::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_PAINT:
      if (IsIconic(window_)) {
        OnPaint();
        return TRUE;
      }
      return FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(icon_);
    case DM_GETDEFID:
      // Enter is the dialog's OK action, which does nothing here.
      SetWindowLongPtrW(window_, DWLP_MSGRESULT, MAKELONG(IDOK, DC_HASDEFID));
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_NOTIFY:
      OnNotify(reinterpret_cast<NMHDR*>(lparam));
      return FALSE;
    case WM_CLOSE:
      OnCancel();
      return TRUE;
    case WM_TASK_PROGRESS:
      OnTaskProgress(reinterpret_cast<TaskProgress*>(lparam));
      return TRUE;
    case WM_TASK_DONE:
      OnTaskDone(reinterpret_cast<std::wstring*>(lparam));
      return TRUE;
    default:
      return FALSE;
  }
}

void CMainDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDOK:
      return;  // Enter never closes the dialog
    case IDCANCEL:
    case ID_FILE_EXIT:
      OnCancel();
      return;
    case IDC_IMPORT_START:
      if (code == BN_CLICKED) OnBnClickedImport();
      return;
    case IDC_CANCEL_TASK:
      if (code == BN_CLICKED) {
        cancel_.exchange(true);
        SetText(IDC_TASK_STATUS, kStoppingText);
      }
      return;
    case IDC_BEFORE_FETCH:
      if (code == BN_CLICKED) OnBnClickedBeforeRace();
      return;
    case IDC_DATASET:
      if (code == CBN_SELCHANGE) {
        RestoreSqlText();
        UpdateDatasetControls();
      }
      return;
    case IDC_BEFORE_STADIUM:
    case IDC_BEFORE_RACE:
      // A result beside the button belongs to the race it was fetched for.
      if (code == CBN_SELCHANGE) SetText(IDC_BEFORE_NOTE, kBeforeRaceHintText);
      return;
    case IDC_SQL_TEXT:
      // The user's edit wins over the text kept behind a definition.
      if (code == EN_CHANGE && !setting_sql_) sql_saved_ = false;
      return;
    case IDC_PREVIEW:
      if (code == BN_CLICKED) OnBnClickedPreview();
      return;
    case IDC_EXPORT:
      if (code == BN_CLICKED) OnBnClickedExport();
      return;
    case IDC_TABLE_LIST:
      if (code == BN_CLICKED) OnBnClickedTableList();
      return;
    case ID_FILE_OPEN_DATA_FOLDER:
      OnOpenDataFolder();
      return;
    case ID_HELP_MANUAL:
      OnOpenManual();
      return;
    case ID_HELP_ABOUT:
      OnAbout();
      return;
    default:
      return;
  }
}

void CMainDlg::OnCancel() {
  if (!busy_) {
    EndDialog(window_, IDCANCEL);
    return;
  }
  cancel_.exchange(true);
  ++guard_boxes_open_;
  Box(kCloseGuardText, MB_OK | MB_ICONINFORMATION);
  --guard_boxes_open_;
  if (guard_boxes_open_ == 0 && report_after_guard_) OnTaskDone(report_after_guard_.release());
}

void CMainDlg::OnNotify(NMHDR* header) {
  if (header == nullptr) return;
  if (header->idFrom == IDC_BEFORE_DATE && header->code == DTN_DATETIMECHANGE) {
    SetText(IDC_BEFORE_NOTE, kBeforeRaceHintText);
  } else if (header->idFrom == IDC_GRID && header->code == LVN_ITEMCHANGED) {
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (grid_is_table_list_ && (change->uNewState & LVIS_SELECTED) != 0) ShowSelectedDefinition();
  }
}

void CMainDlg::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  SendMessageW(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(window_, &client);
  int cx = GetSystemMetrics(SM_CXICON);
  int cy = GetSystemMetrics(SM_CYICON);
  int x = (client.right - client.left - cx + 1) / 2;
  int y = (client.bottom - client.top - cy + 1) / 2;
  DrawIcon(dc, x, y, icon_);
  EndPaint(window_, &paint);
}

// ---------------------------------------------------------------------------
// Initialisation and control contents

BOOL CMainDlg::OnInitDialog() {
  icon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_WAKELORE), IMAGE_ICON,
                                        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  small_icon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_WAKELORE), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), 0));
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));

  std::wstring open_error;
  if (!OpenMainDatabase(&db_, DatabasePath(), &open_error)) {
    Box(kDatabaseNotOpenedHead + open_error, MB_OK | MB_ICONERROR);
  }
  for (const StadiumEntry& stadium : LoadStadiumEntries(&db_)) {
    stadiums_.push_back({stadium.id, stadium.name});
  }

  FillControls();
  ApplyDefaultDates();
  RefreshImportStatus();
  SetWindowTextW(window_, kAppCaption);
  SetText(IDC_DATA_FOLDER, DataFolderLineText(GetDataFolder()));
  UpdateDatasetControls();
  return TRUE;
}

void CMainDlg::FillControls() {
  for (int id : {IDC_KIND_PROGRAMS, IDC_KIND_RESULTS, IDC_KIND_MEETINGS, IDC_KIND_RACER_PERIODS}) {
    CheckDlgButton(window_, id, BST_CHECKED);
  }

  HWND export_stadium = Item(IDC_EXPORT_STADIUM);
  HWND before_stadium = Item(IDC_BEFORE_STADIUM);
  LRESULT index = SendMessageW(export_stadium, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kAllStadiumsText));
  SendMessageW(export_stadium, CB_SETITEMDATA, static_cast<WPARAM>(index), 0);
  for (const StadiumChoice& stadium : stadiums_) {
    index = SendMessageW(export_stadium, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(stadium.name.c_str()));
    SendMessageW(export_stadium, CB_SETITEMDATA, static_cast<WPARAM>(index), stadium.id);
    index = SendMessageW(before_stadium, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(stadium.name.c_str()));
    SendMessageW(before_stadium, CB_SETITEMDATA, static_cast<WPARAM>(index), stadium.id);
  }
  SendMessageW(export_stadium, CB_SETCURSEL, 0, 0);
  SendMessageW(before_stadium, CB_SETCURSEL, 0, 0);

  HWND race = Item(IDC_BEFORE_RACE);
  for (int r = 1; r <= 12; ++r) {
    std::wstring text = RaceNumberText(r);
    SendMessageW(race, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SendMessageW(race, CB_SETCURSEL, 0, 0);

  HWND dataset = Item(IDC_DATASET);
  for (const DatasetInfo& entry : Datasets()) {
    SendMessageW(dataset, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.label.c_str()));
  }
  SendMessageW(dataset, CB_SETCURSEL, 0, 0);

  HWND format = Item(IDC_FORMAT);
  for (const wchar_t* label : kFormatLabels) {
    SendMessageW(format, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
  }
  SendMessageW(format, CB_SETCURSEL, 0, 0);

  SendMessageW(Item(IDC_PROGRESS), PBM_SETRANGE32, 0, 100);
  HWND grid = Item(IDC_GRID);
  SendMessageW(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
  SetText(IDC_SQL_TEXT, kDefaultCustomSql);
  SetText(IDC_TASK_STATUS, L"");
  SetText(IDC_BEFORE_NOTE, kBeforeRaceHintText);
}

void CMainDlg::ApplyDefaultDates() {
  int64_t today = LocalMidnightOf(NowSeconds());
  DialogDefaultDates dates =
      DefaultDates(today, LatestResultDateText(&db_), LatestProgramDateText(&db_));
  SetPickerDay(IDC_IMPORT_FROM, dates.importFrom);
  SetPickerDay(IDC_IMPORT_TO, dates.importTo);
  SetPickerDay(IDC_BEFORE_DATE, dates.beforeRaceDate);
  SetPickerDay(IDC_EXPORT_FROM, dates.exportFrom);
  SetPickerDay(IDC_EXPORT_TO, dates.exportTo);
}

void CMainDlg::RefreshImportStatus() { SetText(IDC_IMPORT_STATUS, ImportStatusOf(&db_)); }

void CMainDlg::UpdateDatasetControls() {
  int selection = ComboSelection(IDC_DATASET);
  const std::vector<DatasetInfo>& entries = Datasets();
  if (selection < 0 || selection >= static_cast<int>(entries.size())) return;
  const DatasetInfo& entry = entries[static_cast<size_t>(selection)];
  SetText(IDC_DATASET_NOTE, entry.description);
  DatasetSwitches switches;
  switches.usesPeriod = entry.usesPeriod;
  switches.usesStadium = entry.usesStadium;
  switches.isSql = entry.key == L"sql";
  for (const ControlState& state : DatasetControlStates(busy_, switches)) {
    EnableWindow(Item(state.id), state.enabled ? TRUE : FALSE);
  }
}

std::wstring CMainDlg::CurrentDatasetKey() const {
  int selection = ComboSelection(IDC_DATASET);
  const std::vector<DatasetInfo>& entries = Datasets();
  if (selection < 0 || selection >= static_cast<int>(entries.size())) return std::wstring();
  return entries[static_cast<size_t>(selection)].key;
}

// ---------------------------------------------------------------------------
// Import and before-race commands

void CMainDlg::OnBnClickedImport() {
  ImportKinds kinds;
  kinds.programs = IsChecked(IDC_KIND_PROGRAMS);
  kinds.results = IsChecked(IDC_KIND_RESULTS);
  kinds.meetings = IsChecked(IDC_KIND_MEETINGS);
  kinds.racerPeriods = IsChecked(IDC_KIND_RACER_PERIODS);
  kinds.racePages = IsChecked(IDC_KIND_RACE_PAGES);  // off until the user checks it
  if (!kinds.Any()) {
    Box(kNoKindCheckedText, MB_OK | MB_ICONINFORMATION);
    return;
  }
  int64_t from = PickerDay(IDC_IMPORT_FROM);
  int64_t to = PickerDay(IDC_IMPORT_TO);
  if (Box(ImportQuestionText(from, to, kinds), MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;

  ImportRequest request;
  request.databasePath = DatabasePath();
  request.downloadFolder = DownloadFolderPath(GetDataFolder());
  request.reportFolder = GetDataFolder();
  request.fromDate = from;
  request.toDate = to;
  request.kinds = kinds;
  auto work = [request](WorkerTask& task) {
    return RunImportTask(request, [&task](int32_t done, int32_t total, const std::wstring& text) {
      task.ReportProgress(done, total, text);
      return !task.Cancelled();
    });
  };
  auto done = [this, from, to](const std::wstring&) { FollowImportedDays(from, to); };
  // Not checked: the controls that start a task are disabled while one runs.
  (void)StartTask(IDC_IMPORT_START, work, done);
}

void CMainDlg::FollowImportedDays(int64_t from, int64_t to) {
  AfterImportFacts facts;
  facts.importFrom = from;
  facts.importTo = to;
  facts.importPeriodHasData = RacesBetween(&db_, from, to);
  facts.exportPeriodHasData =
      RacesBetween(&db_, PickerDay(IDC_EXPORT_FROM), PickerDay(IDC_EXPORT_TO));
  int64_t before_day = PickerDay(IDC_BEFORE_DATE);
  facts.beforeRaceDateHasRace = RacesBetween(&db_, before_day, before_day);
  facts.lastProgramDay = LatestProgramDayBetween(&db_, from, to);
  DatesAfterImport dates = DatesAfterImportOf(facts);
  if (dates.moveExport) {
    SetPickerDay(IDC_EXPORT_FROM, dates.exportFrom);
    SetPickerDay(IDC_EXPORT_TO, dates.exportTo);
  }
  if (dates.moveBeforeRace) {
    SetPickerDay(IDC_BEFORE_DATE, dates.beforeRaceDate);
    SetText(IDC_BEFORE_NOTE, kBeforeRaceHintText);
  }
}

void CMainDlg::OnBnClickedBeforeRace() {
  BeforeRaceRequest request;
  request.databasePath = DatabasePath();
  request.downloadFolder = DownloadFolderPath(GetDataFolder());
  request.day = PickerDay(IDC_BEFORE_DATE);
  request.stadiumId = ComboData(IDC_BEFORE_STADIUM);
  request.stadiumName = ComboText(IDC_BEFORE_STADIUM);
  request.raceNo = ComboSelection(IDC_BEFORE_RACE) + 1;
  std::wstring shown = DayText(request.day, L"/");
  if (Box(BeforeRaceQuestionText(shown, request.stadiumName, request.raceNo),
          MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
    return;
  }
  // The worker fills the outcome before it posts its report; the dialog
  // reads it only after the report has arrived.
  auto outcome = std::make_shared<BeforeRaceOutcome>();
  auto work = [request, shown, outcome](WorkerTask& task) {
    *outcome = RunBeforeRaceTask(
        request, [&task](const std::wstring& text) { task.ReportProgress(0, 0, text); },
        [&task] { return task.Cancelled(); });
    return BeforeRaceMessageText(*outcome, shown, request.stadiumName, request.raceNo);
  };
  auto done = [this, outcome](const std::wstring&) {
    SetText(IDC_BEFORE_NOTE, BeforeRaceNoteText(*outcome));
  };
  auto progress = [this](const std::wstring& text) { SetText(IDC_BEFORE_NOTE, text); };
  // Not checked: the controls that start a task are disabled while one runs.
  (void)StartTask(IDC_BEFORE_FETCH, work, done, progress);
}

// ---------------------------------------------------------------------------
// Output commands

bool CMainDlg::BuildSelectionSql(int limit, std::wstring* sql, std::wstring* error) {
  RestoreSqlText();  // never run a definition that only stands in the box
  SelectionInput input;
  input.key = CurrentDatasetKey();
  input.from = PickerDay(IDC_EXPORT_FROM);
  input.to = PickerDay(IDC_EXPORT_TO);
  int selection = ComboSelection(IDC_EXPORT_STADIUM);
  input.stadiumId = selection < 0 ? 0 : ComboData(IDC_EXPORT_STADIUM);
  input.customSql = GetText(IDC_SQL_TEXT);
  input.limit = limit;
  return BuildSelectionStatement(input, sql, error);
}

void CMainDlg::OnBnClickedPreview() {
  std::wstring sql, error;
  if (!BuildSelectionSql(kPreviewRowLimit, &sql, &error)) {
    Box(error, MB_OK | MB_ICONINFORMATION);
    return;
  }
  ShowPreview(sql, false);
}

void CMainDlg::OnBnClickedTableList() { ShowPreview(kTableListSql, true); }

void CMainDlg::ShowPreview(const std::wstring& sql, bool table_list) {
  WaitCursor wait;
  RestoreSqlText();
  grid_is_table_list_ = false;
  HWND grid = Item(IDC_GRID);
  SendMessageW(grid, WM_SETREDRAW, FALSE, 0);
  SendMessageW(grid, LVM_DELETEALLITEMS, 0, 0);
  while (SendMessageW(grid, LVM_DELETECOLUMN, 0, 0)) {
  }
  int count = 0;
  size_t columns = 0;
  auto on_header = [&](const std::vector<std::wstring>& names) {
    columns = names.size();
    for (size_t i = 0; i < names.size(); ++i) {
      LVCOLUMNW column = {};
      column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      column.fmt = LVCFMT_LEFT;
      column.cx = PreviewColumnWidth(names[i]);
      column.pszText = const_cast<wchar_t*>(names[i].c_str());
      column.iSubItem = static_cast<int>(i);
      SendMessageW(grid, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
  };
  auto on_row = [&](const std::vector<DbCell>& cells) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = count;
    std::wstring first = cells.empty() ? std::wstring() : cells[0].text;
    item.pszText = const_cast<wchar_t*>(first.c_str());
    int row = static_cast<int>(SendMessageW(grid, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (size_t i = 1; i < cells.size() && i < columns && row >= 0; ++i) {
      LVITEMW sub = {};
      sub.iSubItem = static_cast<int>(i);
      sub.pszText = const_cast<wchar_t*>(cells[i].text.c_str());
      SendMessageW(grid, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    }
    ++count;
    return count < kPreviewRowLimit;
  };
  bool ok = db_.Query(sql, on_header, on_row);
  if (ok && table_list && columns == 3) {
    // Name, type, definition: the name fits its longest entry and the
    // definition takes the rest of the grid.
    int longest = 0;
    std::vector<wchar_t> name(256);
    for (int row = 0; row < count; ++row) {
      LVITEMW item = {};
      item.iSubItem = 0;
      item.pszText = name.data();
      item.cchTextMax = static_cast<int>(name.size());
      SendMessageW(grid, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
      int width = static_cast<int>(
          SendMessageW(grid, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(name.data())));
      if (width > longest) longest = width;
    }
    RECT client = {};
    GetClientRect(grid, &client);
    int type_width = static_cast<int>(SendMessageW(grid, LVM_GETCOLUMNWIDTH, 1, 0));
    TableListWidths widths = TableListColumnWidths(
        longest, type_width, client.right - client.left - GetSystemMetrics(SM_CXVSCROLL));
    SendMessageW(grid, LVM_SETCOLUMNWIDTH, 0, widths.name);
    SendMessageW(grid, LVM_SETCOLUMNWIDTH, 2, widths.definition);
    grid_is_table_list_ = true;
  }
  SendMessageW(grid, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(grid, nullptr, TRUE);
  if (ok) {
    SetText(IDC_PREVIEW_STATUS, PreviewStatusText(count));
  } else {
    SetText(IDC_PREVIEW_STATUS, kPreviewFailedText);
    Box(kReadFailedHead + db_.LastError(), MB_OK | MB_ICONWARNING);
  }
}

void CMainDlg::ShowSelectedDefinition() {
  HWND grid = Item(IDC_GRID);
  int row = static_cast<int>(SendMessageW(grid, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (row < 0) return;
  // A definition is at most what SQLite stores for one CREATE statement;
  // the grid hands back as much as the buffer holds.
  std::vector<wchar_t> text(65536, L'\0');
  LVITEMW item = {};
  item.iSubItem = 2;
  item.pszText = text.data();
  item.cchTextMax = static_cast<int>(text.size());
  SendMessageW(grid, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  if (!sql_saved_) {
    saved_sql_ = GetText(IDC_SQL_TEXT);
    sql_saved_ = true;
  }
  setting_sql_ = true;
  SetText(IDC_SQL_TEXT, CrLfLines(text.data()));
  setting_sql_ = false;
}

void CMainDlg::RestoreSqlText() {
  if (!sql_saved_) return;
  sql_saved_ = false;
  setting_sql_ = true;
  SetText(IDC_SQL_TEXT, saved_sql_);
  setting_sql_ = false;
}

void CMainDlg::OnBnClickedExport() {
  std::wstring sql, error;
  if (!BuildSelectionSql(0, &sql, &error)) {
    Box(error, MB_OK | MB_ICONINFORMATION);
    return;
  }
  const DatasetInfo* dataset = FindDataset(CurrentDatasetKey());
  int format = ExportFormatValueForIndex(ComboSelection(IDC_FORMAT));
  std::wstring ext = ExtensionForFormat(format);
  std::wstring name =
      DefaultExportFileName(dataset ? dataset->shortLabel : L"", dataset && dataset->usesPeriod,
                            PickerDay(IDC_EXPORT_FROM), PickerDay(IDC_EXPORT_TO), ext);
  std::wstring filter = SaveFilterText(ext);
  for (wchar_t& c : filter) {
    if (c == L'|') c = L'\0';
  }
  std::vector<wchar_t> path(MAX_PATH * 4, L'\0');
  name.copy(path.data(), path.size() - 1);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = window_;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.lpstrDefExt = ext.c_str();
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&ofn)) return;

  ExportRequest request;
  request.sql = sql;
  request.path = path.data();
  request.format = format;
  request.sheetName = dataset ? dataset->shortLabel : L"Sheet1";
  request.databasePath = DatabasePath();
  // Not checked: the controls that start a task are disabled while one runs.
  (void)StartTask(IDC_EXPORT, [request](WorkerTask& task) {
    task.ReportProgress(0, 0, kExportStartText);
    return RunExportTask(request, [&task](int64_t rows) {
      task.ReportProgress(0, 0, ExportRowsText(rows));
      return !task.Cancelled();
    });
  });
}

// ---------------------------------------------------------------------------
// Menu commands

void CMainDlg::OnOpenDataFolder() {
  ShellExecuteW(window_, L"open", GetDataFolder().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CMainDlg::OnOpenManual() {
  std::wstring path = ManualPath(GetProgramFolder());
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    Box(kManualMissingText, MB_OK | MB_ICONINFORMATION);
    return;
  }
  ShellExecuteW(window_, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CMainDlg::OnAbout() { CAboutDlg().DoModal(instance_, window_); }

// ---------------------------------------------------------------------------
// Helpers

int64_t CMainDlg::PickerDay(int id) const {
  SYSTEMTIME st = {};
  SendMessageW(Item(id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
  LocalTime local;
  local.year = st.wYear;
  local.month = st.wMonth;
  local.day = st.wDay;
  int64_t seconds = 0;
  if (!FromLocalTime(local, &seconds)) return 0;
  return LocalMidnightOf(seconds);
}

void CMainDlg::SetPickerDay(int id, int64_t day) {
  LocalTime local;
  if (!ToLocalTime(day, &local)) return;
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(local.year);
  st.wMonth = static_cast<WORD>(local.month);
  st.wDay = static_cast<WORD>(local.day);
  st.wDayOfWeek = static_cast<WORD>(local.weekday);
  SendMessageW(Item(id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

void CMainDlg::SetText(int id, const std::wstring& text) { SetDlgItemTextW(window_, id, text.c_str()); }

std::wstring CMainDlg::GetText(int id) const {
  HWND item = Item(id);
  int length = GetWindowTextLengthW(item);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(item, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

bool CMainDlg::IsChecked(int id) const { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }

int CMainDlg::ComboSelection(int id) const {
  return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0));
}

int CMainDlg::ComboData(int id) const {
  int selection = ComboSelection(id);
  if (selection < 0) return 0;
  return static_cast<int>(SendMessageW(Item(id), CB_GETITEMDATA, static_cast<WPARAM>(selection), 0));
}

std::wstring CMainDlg::ComboText(int id) const {
  int selection = ComboSelection(id);
  if (selection < 0) return std::wstring();
  LRESULT length = SendMessageW(Item(id), CB_GETLBTEXTLEN, static_cast<WPARAM>(selection), 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(Item(id), CB_GETLBTEXT, static_cast<WPARAM>(selection), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

int CMainDlg::Box(const std::wstring& text, UINT flags) {
  return MessageBoxW(window_, text.c_str(), kAppCaption, flags);
}

std::wstring CMainDlg::DatabasePath() const { return MainDatabasePath(GetDataFolder()); }

}  // namespace wakelore
