#include "ui/main_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>
#include <new>

#include "app/data_folder.h"
#include "dialog/before_race_texts.h"
#include "dialog/control_rules.h"
#include "dialog/dialog_dates.h"
#include "dialog/dialog_ids.h"
#include "dialog/import_texts.h"
#include "dialog/output_texts.h"
#include "dialog/status_texts.h"
#include "platform/clock.h"
#include "platform/format.h"
#include "ui/about_dialog.h"
#include "dialog/dialog_backend.h"

namespace wakelore {
namespace {

const wchar_t kAppName[] = L"Wakelore";

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
    result = new (std::nothrow) std::wstring(L"処理中に問題が発生したため中断しました。");
  }
  if (result != nullptr &&
      !PostMessageW(task->window, WM_TASK_DONE, 0, reinterpret_cast<LPARAM>(result))) {
    delete result;
  }
  delete task;
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

bool CMainDlg::StartTask(std::function<std::wstring(WorkerTask&)> work) {
  if (busy_) return false;
  cancel_.exchange(false);
  WorkerTask* task = new WorkerTask;
  task->window = window_;
  task->cancel = &cancel_;
  task->work = std::move(work);
  SetBusy(true);
  SendMessageW(Item(IDC_PROGRESS), PBM_SETPOS, 0, 0);
  HANDLE thread = CreateThread(nullptr, 0, &CMainDlg::TaskThread, task, 0, nullptr);
  if (thread == nullptr) {
    delete task;
    SetBusy(false);
    Box(L"処理を開始できませんでした。", MB_OK | MB_ICONERROR);
    return false;
  }
  CloseHandle(thread);  // detached: nothing waits for it
  return true;
}

void CMainDlg::SetBusy(bool busy) {
  busy_ = busy;
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
}

void CMainDlg::OnTaskDone(std::wstring* result) {
  std::unique_ptr<std::wstring> owned(result);
  if (guard_boxes_open_ > 0) {
    report_after_guard_ = std::move(owned);
    return;
  }
  SetBusy(false);
  SendMessageW(Item(IDC_PROGRESS), PBM_SETPOS, 100, 0);
  RefreshImportStatus();
  SetText(IDC_TASK_STATUS, FirstLine(*result));
  Box(*result, MB_OK | MB_ICONINFORMATION);
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
        SetText(IDC_TASK_STATUS, L"中止しています…(処理中のファイルが終わるまでお待ちください)");
      }
      return;
    case IDC_BEFORE_FETCH:
      if (code == BN_CLICKED) OnBnClickedBeforeRace();
      return;
    case IDC_DATASET:
      if (code == CBN_SELCHANGE) UpdateDatasetControls();
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
  Box(L"処理を中止しています。中止が終わってから、もう一度閉じてください。",
      MB_OK | MB_ICONINFORMATION);
  --guard_boxes_open_;
  if (guard_boxes_open_ == 0 && report_after_guard_) OnTaskDone(report_after_guard_.release());
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
    Box(L"データベースを開けませんでした。\r\n" + open_error, MB_OK | MB_ICONERROR);
  }
  for (const StadiumEntry& stadium : LoadStadiumEntries(&db_)) {
    stadiums_.push_back({stadium.id, stadium.name});
  }

  FillControls();
  ApplyDefaultDates();
  RefreshImportStatus();
  SetWindowTextW(window_, kAppName);
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
  LRESULT index = SendMessageW(export_stadium, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"全場"));
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
    std::wstring text = Format(L"%dR", r);
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
  SetText(IDC_BEFORE_NOTE, L"番組表を取り込んだ日のレースが対象です(翌日分まで取得できます)。");
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

void CMainDlg::RefreshImportStatus() {
  auto range = [this](const wchar_t* sql) {
    std::vector<DbRow> rows;
    bool ok = db_.IsOpen() && db_.QueryRows(sql, &rows) && !rows.empty();
    return DateRangeText(ok, ok ? DbRowValue(rows[0], L"min_date") : L"",
                         ok ? DbRowValue(rows[0], L"max_date") : L"");
  };
  std::wstring programs = range(
      L"SELECT MIN(r.race_date) AS min_date, MAX(r.race_date) AS max_date FROM races r WHERE "
      L"EXISTS (SELECT 1 FROM race_entries e WHERE e.race_id = r.id AND e.class_name IS NOT "
      L"NULL);");
  std::wstring results = range(
      L"SELECT MIN(r.race_date) AS min_date, MAX(r.race_date) AS max_date FROM races r JOIN "
      L"race_results rr ON rr.race_id = r.id;");
  std::wstring meetings =
      range(L"SELECT MIN(race_date) AS min_date, MAX(race_date) AS max_date FROM stadium_days;");
  int year = 0, term = 0;
  bool found = LatestRacerPeriodOf(&db_, &year, &term);
  SetText(IDC_IMPORT_STATUS,
          ImportStatusText(programs, results, meetings, RacerPeriodText(found, year, term)));
}

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
  if (!kinds.Any()) {
    Box(L"取り込むデータを1つ以上選んでください。", MB_OK | MB_ICONINFORMATION);
    return;
  }
  int64_t from = PickerDay(IDC_IMPORT_FROM);
  int64_t to = PickerDay(IDC_IMPORT_TO);
  if (Box(ImportQuestionText(from, to, kinds), MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;

  ImportRequest request;
  request.databasePath = DatabasePath();
  request.downloadFolder = GetDataFolder() + L"\\download";
  request.fromDate = from;
  request.toDate = to;
  request.kinds = kinds;
  // Not checked: the controls that start a task are disabled while one runs.
  (void)StartTask([request](WorkerTask& task) {
    return RunImportTask(request, [&task](int32_t done, int32_t total, const std::wstring& text) {
      task.ReportProgress(done, total, text);
      return !task.Cancelled();
    });
  });
}

void CMainDlg::OnBnClickedBeforeRace() {
  BeforeRaceRequest request;
  request.day = PickerDay(IDC_BEFORE_DATE);
  request.stadiumId = ComboData(IDC_BEFORE_STADIUM);
  request.stadiumName = ComboText(IDC_BEFORE_STADIUM);
  request.raceNo = ComboSelection(IDC_BEFORE_RACE) + 1;
  std::wstring shown = DayText(request.day, L"/");
  if (Box(BeforeRaceQuestionText(shown, request.stadiumName, request.raceNo),
          MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
    return;
  }
  WaitCursor wait;
  BeforeRaceOutcome outcome;
  auto note = [this](const std::wstring& text) {
    SetText(IDC_BEFORE_NOTE, text);
    UpdateWindow(Item(IDC_BEFORE_NOTE));
  };
  if (!FetchBeforeRace(&db_, request, GetDataFolder() + L"\\download", note, &outcome)) {
    note(L"このレースの番組表がありません。");
    Box(L"このレースの番組表が見つかりませんでした。\r\n日付・場・レース番号をご確認ください(その日に開催がない場の可能性があります)。",
        MB_OK | MB_ICONINFORMATION);
    return;
  }
  note(BeforeRaceNoteText(outcome));
  Box(BeforeRaceMessageText(outcome, shown, request.stadiumName, request.raceNo),
      MB_OK | MB_ICONINFORMATION);
}

// ---------------------------------------------------------------------------
// Output commands

bool CMainDlg::BuildSelectionSql(int limit, std::wstring* sql, std::wstring* error) {
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
  ShowPreview(sql);
}

void CMainDlg::OnBnClickedTableList() { ShowPreview(kTableListSql); }

void CMainDlg::ShowPreview(const std::wstring& sql) {
  WaitCursor wait;
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
  SendMessageW(grid, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(grid, nullptr, TRUE);
  if (ok) {
    SetText(IDC_TASK_STATUS, PreviewStatusText(count));
  } else {
    SetText(IDC_TASK_STATUS, L"プレビューに失敗しました。");
    Box(L"データを読み出せませんでした。\r\n" + db_.LastError(), MB_OK | MB_ICONWARNING);
  }
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
  (void)StartTask([request](WorkerTask& task) {
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
  std::wstring path = GetProgramFolder() + L"\\manual.html";
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    Box(L"マニュアル(manual.html)が見つかりません。配布ファイル一式を同じフォルダに置いてください。",
        MB_OK | MB_ICONINFORMATION);
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
  return MessageBoxW(window_, text.c_str(), kAppName, flags);
}

std::wstring CMainDlg::DatabasePath() const { return GetDataFolder() + L"\\wakelore.db"; }

}  // namespace wakelore
