// Drives the main dialog of wakelore.exe through window messages, as a user
// would through the mouse and keyboard, and checks what it shows.
//
//   gui_driver.exe tests PROGRAM_FOLDER
//       Runs the checks; the program folder holds wakelore.exe (and nothing
//       else at the start).  Prints one line per check and the closing line
//       "N passed, N failed".
//   gui_driver.exe shots PROGRAM_FOLDER OUTPUT_FOLDER
//       Saves pictures of the window as BMP files.
//
// The stand-in official servers are reached through WAKELORE_ARCHIVE_SERVER
// and WAKELORE_RACE_SITE, inherited by the program.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/version.h"
#include "db/db_manager.h"
#include "ui/dialog_ids.h"
#include "driver_util.h"

namespace {

using gui::App;

int g_passed = 0;
int g_failed = 0;
std::wstring g_folder;  // program folder

// One named check: collects its failures and prints one line.
class Check {
 public:
  explicit Check(const char* name) : name_(name) {}
  ~Check() {
    if (problems_.empty()) {
      std::printf("PASS %s\n", name_);
      ++g_passed;
    } else {
      std::printf("FAIL %s\n%s", name_, problems_.c_str());
      ++g_failed;
    }
    std::fflush(stdout);
  }
  bool That(bool ok, const std::string& what) {
    if (!ok) problems_ += "    " + what + "\n";
    return ok;
  }
  bool Equal(const std::wstring& actual, const std::wstring& expected, const std::string& what) {
    return That(actual == expected,
                what + ": got [" + gui::Utf8(actual) + "] expected [" + gui::Utf8(expected) + "]");
  }
  bool Equal(long long actual, long long expected, const std::string& what) {
    return That(actual == expected, what + ": got " + std::to_string(actual) + " expected " +
                                        std::to_string(expected));
  }

 private:
  const char* name_;
  std::string problems_;
};

std::wstring Exe() { return g_folder + L"\\wakelore.exe"; }
std::wstring DataFolder() { return g_folder + L"\\data"; }

// Today + `days` as YYYY-MM-DD.
std::wstring DayFromToday(int days) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  now.wHour = 12;
  now.wMinute = now.wSecond = now.wMilliseconds = 0;
  FILETIME ft;
  SystemTimeToFileTime(&now, &ft);
  ULARGE_INTEGER value;
  value.LowPart = ft.dwLowDateTime;
  value.HighPart = ft.dwHighDateTime;
  value.QuadPart += static_cast<long long>(days) * 864000000000LL;
  ft.dwLowDateTime = value.LowPart;
  ft.dwHighDateTime = value.HighPart;
  SYSTEMTIME st;
  FileTimeToSystemTime(&ft, &st);
  wchar_t text[16];
  swprintf(text, 16, L"%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
  return text;
}

std::wstring PickerText(App& app, int id) {
  SYSTEMTIME st = {};
  if (!gui::GetPicker(app.process(), app.Item(id), &st)) return L"(none)";
  wchar_t text[16];
  swprintf(text, 16, L"%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
  return text;
}

bool Enabled(App& app, int id) { return IsWindowEnabled(app.Item(id)) != FALSE; }

// The window that has the keyboard focus in the program's dialog thread.
HWND FocusOf(App& app) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  DWORD thread = GetWindowThreadProcessId(app.dialog(), nullptr);
  if (!GetGUIThreadInfo(thread, &info)) return nullptr;
  return info.hwndFocus;
}

bool FocusIs(App& app, int id) {
  return gui::WaitFor([&] { return FocusOf(app) == app.Item(id); }, 3000);
}

// Presses and releases a real key (through the system's input queue, as a
// keyboard does) with the dialog in front.
void PressKey(App& app, WORD key) {
  SetForegroundWindow(app.dialog());
  gui::WaitFor([&] { return GetForegroundWindow() == app.dialog(); }, 2000);
  INPUT input[2] = {};
  input[0].type = INPUT_KEYBOARD;
  input[0].ki.wVk = key;
  input[1] = input[0];
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
  Sleep(300);
}

// Milliseconds the dialog took to answer a WM_NULL, or -1 when it did not
// answer within a second.
long long AnswerTimeMs(App& app) {
  DWORD start = GetTickCount();
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(app.dialog(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 1000, &result)) {
    return -1;
  }
  return static_cast<long long>(GetTickCount() - start);
}

// UTF-8 file contents as wide text (a leading byte order mark dropped).
std::wstring ReadUtf8File(const std::wstring& path) {
  std::string bytes;
  FILE* in = _wfopen(path.c_str(), L"rb");
  if (!in) return L"";
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof(buffer), in)) > 0) bytes.append(buffer, got);
  fclose(in);
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
  return text;
}

void DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

bool StartFresh(App& app) {
  DeleteTree(DataFolder());
  return app.Start(Exe(), L"");
}

// Closes the dialog through Escape and waits for the process to end.
bool CloseIdle(App& app) {
  PostMessageW(app.dialog(), WM_COMMAND, IDCANCEL, 0);
  return app.WaitExit(10000);
}

// ---------------------------------------------------------------------------

void CheckStartupOnEmptyDatabase(App& app) {
  Check c("start-up on an empty database");
  c.Equal(gui::Text(app.dialog()), L"Wakelore", "caption");
  c.Equal(gui::Text(app.Item(IDC_DATA_FOLDER)), L"データ保存先: " + DataFolder(), "data folder line");
  c.Equal(gui::Text(app.Item(IDC_IMPORT_STATUS)),
          L"取込済み  番組表: なし  /  競走成績: なし\r\n                開催情報: なし  /  期別成績: なし",
          "import status");
  c.Equal(gui::Text(app.Item(IDC_TASK_STATUS)), L"", "task status");
  c.Equal(gui::Text(app.Item(IDC_BEFORE_NOTE)),
          L"番組表を取り込んだ日のレースが対象です(翌日分まで取得できます)。", "before-race hint");
  for (int id : {IDC_KIND_PROGRAMS, IDC_KIND_RESULTS, IDC_KIND_MEETINGS, IDC_KIND_RACER_PERIODS}) {
    c.That(SendMessageW(app.Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED, "kind box checked " + std::to_string(id));
  }
  c.That(!Enabled(app, IDC_CANCEL_TASK), "cancel button disabled");
  c.That(Enabled(app, IDC_IMPORT_START), "import button enabled");
  c.Equal(gui::ComboCount(app.dialog(), IDC_BEFORE_RACE), 12, "race numbers");
  c.Equal(gui::Text(app.Item(IDC_BEFORE_RACE)), L"1R", "first race");
  c.Equal(gui::ComboCount(app.dialog(), IDC_FORMAT), 4, "formats");
  c.Equal(gui::Text(app.Item(IDC_FORMAT)), L"Excel(.xlsx)", "first format");
  c.Equal(gui::ComboCount(app.dialog(), IDC_EXPORT_STADIUM), 25, "export stadiums (all + 24)");
  c.Equal(gui::Text(app.Item(IDC_EXPORT_STADIUM)), L"全場", "first export stadium");
  c.Equal(gui::ComboCount(app.dialog(), IDC_BEFORE_STADIUM), 24, "before-race stadiums");
  c.Equal(gui::Text(app.Item(IDC_BEFORE_STADIUM)), L"桐生", "first before-race stadium");
  c.Equal(gui::ComboCount(app.dialog(), IDC_DATASET), 11, "datasets");
  c.Equal(gui::Text(app.Item(IDC_DATASET)), L"結合データ(1行=1艇、出走表+結果+払戻)", "first dataset");
  c.That(gui::Text(app.Item(IDC_SQL_TEXT)).rfind(L"SELECT r.race_date, s.name", 0) == 0, "SQL box example");
}

void CheckDefaultDatesOnEmptyDatabase(App& app) {
  Check c("default dates on an empty database");
  c.Equal(PickerText(app, IDC_IMPORT_FROM), DayFromToday(-30), "import from");
  c.Equal(PickerText(app, IDC_IMPORT_TO), DayFromToday(0), "import to");
  c.Equal(PickerText(app, IDC_BEFORE_DATE), DayFromToday(0), "before-race date");
  c.Equal(PickerText(app, IDC_EXPORT_FROM), DayFromToday(-30), "export from");
  c.Equal(PickerText(app, IDC_EXPORT_TO), DayFromToday(0), "export to");
}

void CheckDatasetEnabling(App& app) {
  Check c("enabling rules per dataset");
  struct Case {
    int index;
    const char* key;
    bool period, stadium, sql;
  } cases[] = {{8, "racer_period", true, false, false},
               {7, "final_odds", true, true, false},
               {10, "sql", false, false, true},
               {5, "live_info", true, true, false},
               {0, "combined", true, true, false}};
  for (const Case& k : cases) {
    gui::SelectCombo(app.dialog(), IDC_DATASET, k.index);
    std::string key = k.key;
    c.Equal(Enabled(app, IDC_EXPORT_FROM), k.period, key + " export from");
    c.Equal(Enabled(app, IDC_EXPORT_TO), k.period, key + " export to");
    c.Equal(Enabled(app, IDC_EXPORT_STADIUM), k.stadium, key + " stadium");
    c.Equal(Enabled(app, IDC_SQL_TEXT), k.sql, key + " SQL box");
  }
  gui::SelectCombo(app.dialog(), IDC_DATASET, 8);
  c.Equal(gui::Text(app.Item(IDC_DATASET_NOTE)),
          L"選手ごとの期別の勝率・2連率・出走数・優勝回数・平均STなどです。期間は年で絞り込みます(場は無関係)。",
          "description follows the dataset");
  gui::SelectCombo(app.dialog(), IDC_DATASET, 0);
}

void CheckEnterDoesNothing(App& app) {
  Check c("Enter does not close the dialog");
  SetFocus(nullptr);
  PostMessageW(app.Item(IDC_KIND_PROGRAMS), WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(app.Item(IDC_KIND_PROGRAMS), WM_KEYUP, VK_RETURN, 0);
  PostMessageW(app.dialog(), WM_COMMAND, IDOK, 0);
  c.That(app.NoPopupFor(1000), "no box appears");
  c.That(IsWindow(app.dialog()) && IsWindowVisible(app.dialog()), "dialog still open");
}

void CheckMissingManual(App& app) {
  Check c("help without manual.html");
  PostMessageW(app.dialog(), WM_COMMAND, ID_HELP_MANUAL, 0);
  HWND box = app.WaitForPopup(10000);
  if (!c.That(box != nullptr, "a box appears")) return;
  c.Equal(gui::BoxText(box),
          L"マニュアル(manual.html)が見つかりません。配布ファイル一式を同じフォルダに置いてください。",
          "box text");
  gui::Press(box, IDOK);
  c.That(gui::WaitFor([&] { return !IsWindow(box); }, 5000), "box closes");
}

void CheckVersionDialog(App& app) {
  Check c("version dialog");
  PostMessageW(app.dialog(), WM_COMMAND, ID_HELP_ABOUT, 0);
  HWND about = app.WaitForPopup(10000, L"バージョン情報");
  if (!c.That(about != nullptr, "the dialog appears")) return;
  c.Equal(gui::Text(GetDlgItem(about, IDC_ABOUT_VERSION)), L"Wakelore  バージョン " WAKELORE_VERSION_W, "version line");
  PostMessageW(about, WM_COMMAND, IDCANCEL, 0);  // Escape
  c.That(gui::WaitFor([&] { return !IsWindow(about); }, 5000), "Escape closes it");
}

void CheckExitWhenIdle(App& app) {
  Check c("exit menu closes the idle dialog");
  PostMessageW(app.dialog(), WM_COMMAND, ID_FILE_EXIT, 0);
  c.That(app.WaitExit(10000), "process ends");
}

// Sets both pickers of a range.
void SetRange(App& app, int from_id, int to_id, int y1, int m1, int d1, int y2, int m2, int d2) {
  gui::SetPicker(app.process(), app.Item(from_id), y1, m1, d1);
  gui::SetPicker(app.process(), app.Item(to_id), y2, m2, d2);
}

void SetCheck(App& app, int id, bool on) {
  SendMessageW(app.Item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Clicks a command and returns the box it raises (or null).
HWND ClickForBox(App& app, int id, DWORD timeout_ms = 10000) {
  gui::Click(app.dialog(), id);
  return app.WaitForPopup(timeout_ms);
}

// Waits for a box to go away after pressing one of its buttons.
bool Answer(HWND box, int button) {
  gui::Press(box, button);
  return gui::WaitFor([&] { return !IsWindow(box); }, 10000);
}

const int kLockedWhileBusy[] = {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1011, 1012, 1013,
                                1014, 1016, 1017, 1018, 1019, 1020, 1021, 1022, 1023, 1025};

void CheckImportQuestions(App& app) {
  Check c("import question: kinds, reversed period, Cancel");
  for (int id : {1002, 1003, 1004, 1005}) SetCheck(app, id, false);
  HWND box = ClickForBox(app, IDC_IMPORT_START);
  if (c.That(box != nullptr, "box without kinds")) {
    c.Equal(gui::BoxText(box), L"取り込むデータを1つ以上選んでください。", "no kinds");
    Answer(box, IDOK);
  }
  SetCheck(app, IDC_KIND_RACER_PERIODS, true);
  SetRange(app, IDC_IMPORT_FROM, IDC_IMPORT_TO, 2024, 3, 10, 2024, 3, 1);
  box = ClickForBox(app, IDC_IMPORT_START);
  if (c.That(box != nullptr, "question")) {
    c.Equal(gui::BoxText(box),
            L"データを取り込みますか?\r\n\r\n期間: 2024/03/01 ～ 2024/03/10(10日分)\r\n対象: レーサー期別成績\r\n\r\n"
            L"公式サイトから順に取得します。1年分でおよそ20〜30分かかります。",
            "question text");
    Answer(box, IDCANCEL);
  }
  c.That(Enabled(app, IDC_IMPORT_START) && !Enabled(app, IDC_CANCEL_TASK), "Cancel starts nothing");
  for (int id : {1002, 1003, 1004, 1005}) SetCheck(app, id, true);
}

// Runs an import of the fixture day 2023-09-01 and checks the dialog while it
// works and when it reports.
void CheckFullImport(App& app) {
  Check c("import of the fixture day: busy state, progress, report");
  SetRange(app, IDC_IMPORT_FROM, IDC_IMPORT_TO, 2023, 9, 1, 2023, 9, 1);
  HWND box = ClickForBox(app, IDC_IMPORT_START);
  if (!c.That(box != nullptr, "question")) return;
  Answer(box, IDOK);
  if (c.That(gui::WaitFor([&] { return Enabled(app, IDC_CANCEL_TASK); }, 5000), "cancel enabled while busy")) {
    for (int id : kLockedWhileBusy) c.That(!Enabled(app, id), "disabled while busy: " + std::to_string(id));
    c.That(FocusIs(app, IDC_CANCEL_TASK), "focus on the cancel button while busy");
  }
  std::wstring progress;
  gui::WaitFor([&] {
    progress = gui::Text(app.Item(IDC_TASK_STATUS));
    return progress.find(L" / ") != std::wstring::npos;
  }, 10000);
  c.That(progress.find(L"2023-09-01 ") == 0 && progress.find(L"  (") != std::wstring::npos,
         "progress line with counter: [" + gui::Utf8(progress) + "]");
  box = app.WaitForPopup(90000);
  if (!c.That(box != nullptr, "final report")) return;
  std::wstring report = gui::BoxText(box);
  c.That(report.find(L"取込が完了しました。\r\n\r\nダウンロード: ") == 0, "report head: [" + gui::Utf8(report) + "]");
  c.That(report.find(L"取り込んだファイル: 2件") != std::wstring::npos, "two archives imported: [" + gui::Utf8(report) + "]");
  c.Equal(gui::Text(app.Item(IDC_TASK_STATUS)), L"取込が完了しました。", "status shows the first line");
  Answer(box, IDOK);
  c.That(!Enabled(app, IDC_CANCEL_TASK) && Enabled(app, IDC_IMPORT_START), "idle again");
  c.That(!Enabled(app, IDC_SQL_TEXT), "dataset rule applies again (SQL box off)");
  c.Equal(SendMessageW(app.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0, "bar reset at the end");
  c.That(FocusIs(app, IDC_IMPORT_START), "focus back on the import button");
  // The export period (the last 30 days, empty) and the before-race date
  // (today, no race) follow what was just imported.
  c.Equal(PickerText(app, IDC_EXPORT_FROM), L"2023-09-01", "export from after the import");
  c.Equal(PickerText(app, IDC_EXPORT_TO), L"2023-09-01", "export to after the import");
  c.Equal(PickerText(app, IDC_BEFORE_DATE), L"2023-09-01", "before-race date after the import");
  std::wstring status = gui::Text(app.Item(IDC_IMPORT_STATUS));
  c.That(status.find(L"番組表: 2023-09-01～2023-09-01  /  競走成績: 2023-09-01～2023-09-01") != std::wstring::npos,
         "import status: [" + gui::Utf8(status) + "]");
}

void CheckPreviewAndTableList(App& app) {
  {
    Check c("preview of 100 rows with column widths");
    gui::SelectCombo(app.dialog(), IDC_DATASET, 1);  // program
    gui::SelectCombo(app.dialog(), IDC_EXPORT_STADIUM, 0);
    SetRange(app, IDC_EXPORT_FROM, IDC_EXPORT_TO, 2023, 9, 1, 2023, 9, 1);
    gui::Click(app.dialog(), IDC_PREVIEW);
    HWND grid = app.Item(IDC_GRID);
    gui::WaitFor([&] { return gui::ListRowCount(grid) > 0; }, 10000);
    c.Equal(gui::ListRowCount(grid), 100, "rows");
    c.Equal(gui::Text(app.Item(IDC_PREVIEW_STATUS)), L"プレビュー: 先頭 100 行を表示しています。", "status under the grid");
    int columns = gui::ListColumnCount(grid);
    c.That(columns > 20, "columns: " + std::to_string(columns));
    for (int i = 0; i < columns; ++i) {
      std::wstring name = gui::ListColumnName(app.process(), grid, i);
      int expected = static_cast<int>(name.size()) * 14 + 20;
      expected = expected > 200 ? 200 : (expected < 60 ? 60 : expected);
      c.Equal(gui::ListColumnWidth(grid, i), expected, "width of " + gui::Utf8(name));
    }
    c.Equal(gui::ListColumnName(app.process(), grid, 0), L"開催日", "first column");
    c.Equal(gui::ListCell(app.process(), grid, 0, 0), L"2023-09-01", "first cell");
    c.Equal(gui::ListCell(app.process(), grid, 0, 2), L"桐生", "stadium name cell");
  }
  {
    Check c("preview with no rows clears the grid");
    SetRange(app, IDC_EXPORT_FROM, IDC_EXPORT_TO, 2020, 1, 1, 2020, 1, 2);
    gui::Click(app.dialog(), IDC_PREVIEW);
    gui::WaitFor([&] { return gui::ListRowCount(app.Item(IDC_GRID)) == 0; }, 10000);
    Sleep(200);
    c.Equal(gui::ListRowCount(app.Item(IDC_GRID)), 0, "rows");
    c.Equal(gui::Text(app.Item(IDC_PREVIEW_STATUS)),
            L"該当するデータがありません(期間・場の指定、または取込状況をご確認ください)。", "status");
  }
  {
    Check c("table list");
    gui::Click(app.dialog(), IDC_TABLE_LIST);
    HWND grid = app.Item(IDC_GRID);
    gui::WaitFor([&] { return gui::ListColumnCount(grid) == 3 && gui::ListRowCount(grid) > 0; }, 10000);
    c.Equal(gui::ListColumnName(app.process(), grid, 0), L"名前", "column 1");
    c.Equal(gui::ListColumnName(app.process(), grid, 2), L"定義", "column 3");
    int rows = gui::ListRowCount(grid);
    RECT client = {};
    GetClientRect(grid, &client);
    int widths = gui::ListColumnWidth(grid, 0) + gui::ListColumnWidth(grid, 1) + gui::ListColumnWidth(grid, 2);
    int longest = 0;
    for (int i = 0; i < rows; ++i) {
      std::wstring name = gui::ListCell(app.process(), grid, i, 0);
      longest = std::max(longest, static_cast<int>(name.size()));
    }
    c.That(gui::ListColumnWidth(grid, 0) >= longest * 5, "name column fits the longest name (" +
           std::to_string(longest) + " letters): " + std::to_string(gui::ListColumnWidth(grid, 0)));
    c.That(widths <= client.right && widths >= client.right - 40,
           "definition takes the rest: " + std::to_string(widths) + " of " + std::to_string(client.right));
    std::wstring definition = gui::ListCell(app.process(), grid, 1, 2);
    std::wstring before = gui::Text(app.Item(IDC_SQL_TEXT));
    gui::SelectListRow(app.process(), grid, 1);
    std::wstring shown = gui::Text(app.Item(IDC_SQL_TEXT));
    std::wstring flat;
    for (size_t i = 0; i < shown.size(); ++i) {
      if (shown[i] == L'\r' && i + 1 < shown.size() && shown[i + 1] == L'\n') continue;
      flat += shown[i];
    }
    c.Equal(flat, definition, "SQL box shows the selected row's whole definition");
    gui::Click(app.dialog(), IDC_TABLE_LIST);
    gui::WaitFor([&] { return gui::Text(app.Item(IDC_SQL_TEXT)) == before; }, 5000);
    c.Equal(gui::Text(app.Item(IDC_SQL_TEXT)), before, "the user's text comes back");
    c.That(rows >= 16, "tables listed: " + std::to_string(rows));
    bool sorted = true, own = false, create = true;
    std::wstring previous;
    for (int i = 0; i < rows; ++i) {
      std::wstring name = gui::ListCell(app.process(), grid, i, 0);
      if (name < previous) sorted = false;
      if (name.rfind(L"sqlite_", 0) == 0) own = true;
      std::wstring definition = gui::ListCell(app.process(), grid, i, 2);
      if (definition.compare(0, 7, L"CREATE ") != 0) create = false;
      previous = name;
    }
    c.That(sorted, "ordered by name");
    c.That(!own, "no sqlite_ tables");
    c.That(create, "definitions are CREATE statements");
  }
  {
    Check c("own SQL: refused, failing and accepted statements");
    gui::SelectCombo(app.dialog(), IDC_DATASET, 10);  // sql
    gui::SetText(app.Item(IDC_SQL_TEXT), L"DELETE FROM races");
    HWND box = ClickForBox(app, IDC_PREVIEW);
    if (c.That(box != nullptr, "refusal box")) {
      c.Equal(gui::BoxText(box), L"読み取り専用の SELECT 文だけ実行できます。", "DELETE refused");
      Answer(box, IDOK);
    }
    gui::SetText(app.Item(IDC_SQL_TEXT), L"  ");
    box = ClickForBox(app, IDC_PREVIEW);
    if (c.That(box != nullptr, "empty box")) {
      c.Equal(gui::BoxText(box), L"SQLを入力してください。", "empty text");
      Answer(box, IDOK);
    }
    gui::SetText(app.Item(IDC_SQL_TEXT), L"SELECT * FROM no_such_table");
    box = ClickForBox(app, IDC_PREVIEW);
    if (c.That(box != nullptr, "failure box")) {
      c.That(gui::BoxText(box).find(L"データを読み出せませんでした。\r\n") == 0, "failure text");
      Answer(box, IDOK);
      c.Equal(gui::Text(app.Item(IDC_PREVIEW_STATUS)), L"プレビューに失敗しました。", "failure status");
    }
    gui::SetText(app.Item(IDC_SQL_TEXT), L"select race_no AS x from races;\r\n");
    gui::Click(app.dialog(), IDC_PREVIEW);
    gui::WaitFor([&] { return gui::ListRowCount(app.Item(IDC_GRID)) > 0; }, 10000);
    c.Equal(gui::ListRowCount(app.Item(IDC_GRID)), 100, "lower-case select with semicolon, cut at 100");
    c.Equal(gui::ListColumnWidth(app.Item(IDC_GRID), 0), 60, "one-letter column width");
    gui::SelectCombo(app.dialog(), IDC_DATASET, 0);
  }
}

// The file-name field of a save dialog (Explorer style or old style).
HWND FileNameField(HWND dialog) {
  for (int id : {0x47c, 0x480}) {
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) continue;
    wchar_t cls[32] = {};
    GetClassNameW(item, cls, 32);
    if (std::wstring(cls) == L"ComboBox" || std::wstring(cls) == L"ComboBoxEx32") {
      HWND edit = FindWindowExW(item, nullptr, L"Edit", nullptr);
      if (edit) return edit;
    }
    return item;
  }
  return nullptr;
}

// Fills the database of the program folder (the program is closed) with 250
// races of 2023-09-01, one program entry and a result each, and one racer
// period.
bool SeedDatabase() {
  wakelore::DbManager db;
  if (!db.OpenReadWrite(DataFolder() + L"\\wakelore.db")) return false;
  return db.Exec(
      L"BEGIN;"
      L"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 250) "
      L"INSERT INTO races (id, race_date, stadium_id, race_no, title, distance) "
      L"SELECT i, '2023-09-01', 1 + (i - 1) / 12, 1 + (i - 1) % 12, '予選', 1800 FROM n;"
      L"INSERT INTO race_entries (race_id, frame_no, class_name) SELECT id, 1, 'A1' FROM races;"
      L"INSERT INTO race_results (race_id, winning_technique) SELECT id, '逃げ' FROM races;"
      L"INSERT INTO racer_period_stats (register_no, period_year, period_term, name) "
      L"VALUES ('4444', 2023, 2, 'テスト');"
      L"COMMIT;");
}

void CheckSeededStart(App& app) {
  Check c("dates and import status with stored results");
  c.Equal(PickerText(app, IDC_IMPORT_FROM), L"2023-09-02", "import from = day after the last result");
  c.Equal(PickerText(app, IDC_IMPORT_TO), DayFromToday(0), "import to");
  c.Equal(PickerText(app, IDC_EXPORT_TO), L"2023-09-01", "export to = last program day");
  c.Equal(PickerText(app, IDC_EXPORT_FROM), L"2023-08-02", "export from = 30 days before");
  c.Equal(gui::Text(app.Item(IDC_IMPORT_STATUS)),
          L"取込済み  番組表: 2023-09-01～2023-09-01  /  競走成績: 2023-09-01～2023-09-01\r\n"
          L"                開催情報: なし  /  期別成績: 2023年後期用まで",
          "import status");
}

void CheckSaveDialogProposals(App& app) {
  Check c("save dialog: proposed names, reversed period, Cancel");
  struct Case {
    int dataset, format;
    const wchar_t* name;
  } cases[] = {{1, 0, L"Wakelore_出走表_20230910-20230901.xlsx"},
               {8, 0, L"Wakelore_期別成績_20230910-20230901.xlsx"},
               {10, 1, L"Wakelore_SQL.csv"},
               {2, 3, L"Wakelore_競走成績_20230910-20230901.tsv"}};
  SetRange(app, IDC_EXPORT_FROM, IDC_EXPORT_TO, 2023, 9, 10, 2023, 9, 1);
  gui::SetText(app.Item(IDC_SQL_TEXT), L"SELECT 1");
  for (const Case& k : cases) {
    gui::SelectCombo(app.dialog(), IDC_DATASET, k.dataset);
    gui::SelectCombo(app.dialog(), IDC_FORMAT, k.format);
    HWND save = ClickForBox(app, IDC_EXPORT);
    if (!c.That(save != nullptr, "save dialog")) continue;
    HWND field = FileNameField(save);
    if (c.That(field != nullptr, "file name field")) c.Equal(gui::Text(field), k.name, "proposed name");
    Answer(save, IDCANCEL);
    c.That(app.NoPopupFor(500), "Cancel starts nothing");
    c.That(Enabled(app, IDC_IMPORT_START), "still idle");
  }
  gui::SelectCombo(app.dialog(), IDC_FORMAT, 0);
  gui::SelectCombo(app.dialog(), IDC_DATASET, 0);
}

// Starts a slow import (programs only, over days the servers do not have,
// the first answer held back) and waits until it is busy.
bool StartSlowImport(Check& c, App& app) {
  gui::ServerControl(L"/__control/reset");
  for (int day = 2; day <= 6; ++day) {
    c.That(gui::ServerControl(L"/__control/fault?path=/od2/B/202309/b23090" + std::to_wstring(day) +
                              L".lzh&kind=slow:3000"),
           "slow answer set on the stand-in server");
  }
  for (int id : {1003, 1004, 1005}) SetCheck(app, id, false);
  SetRange(app, IDC_IMPORT_FROM, IDC_IMPORT_TO, 2023, 9, 2, 2023, 9, 20);
  HWND box = ClickForBox(app, IDC_IMPORT_START);
  for (int id : {1003, 1004, 1005}) SetCheck(app, id, true);
  if (!c.That(box != nullptr, "question")) return false;
  Answer(box, IDOK);
  return c.That(gui::WaitFor([&] { return Enabled(app, IDC_CANCEL_TASK); }, 5000), "busy");
}

// Starts an export of a long generated result as CSV and waits until the
// task runs.
bool StartLongExport(Check& c, App& app, const std::wstring& target) {
  gui::SelectCombo(app.dialog(), IDC_DATASET, 10);  // sql
  gui::SelectCombo(app.dialog(), IDC_FORMAT, 1);
  gui::SetText(app.Item(IDC_SQL_TEXT),
               L"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000000)\r\n"
               L"SELECT i AS 番号, 'xxxxxxxxxxxxxxxxxxxxxxxx' AS 埋め草 FROM n");
  HWND save = ClickForBox(app, IDC_EXPORT);
  if (!c.That(save != nullptr, "save dialog")) return false;
  HWND field = FileNameField(save);
  if (!c.That(field != nullptr, "file name field")) return false;
  gui::SetText(field, target);
  gui::Press(save, IDOK);
  return c.That(gui::WaitFor([&] { return Enabled(app, IDC_CANCEL_TASK); }, 10000), "busy");
}

void CheckExportWhileBusyAndCancel(App& app, const std::wstring& out_folder) {
  Check c("long export: busy state, row progress, cancel button");
  std::wstring target = out_folder + L"\\long.csv";
  if (!StartLongExport(c, app, target)) return;
  for (int id : kLockedWhileBusy) c.That(!Enabled(app, id), "disabled while busy: " + std::to_string(id));
  std::wstring progress;
  bool counted = gui::WaitFor([&] {
    progress = gui::Text(app.Item(IDC_TASK_STATUS));
    return progress.find(L"出力しています… ") == 0 && progress.find(L" 行") != std::wstring::npos;
  }, 30000);
  c.That(counted, "row count in the status line: [" + gui::Utf8(progress) + "]");
  c.That(progress.find(L"(") == std::wstring::npos, "no counter without a total");
  c.Equal(SendMessageW(app.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0, "bar left alone without a total");
  gui::Click(app.dialog(), IDC_CANCEL_TASK);
  HWND report = app.WaitForPopup(60000);
  if (!c.That(report != nullptr, "report")) return;
  c.Equal(gui::BoxText(report), L"出力できませんでした。\r\n中止しました。", "cancel report");
  c.Equal(gui::Text(app.Item(IDC_TASK_STATUS)), L"出力できませんでした。", "first line in the status");
  Answer(report, IDOK);
  c.That(GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES, "no file left");
  c.That(Enabled(app, IDC_IMPORT_START) && !Enabled(app, IDC_CANCEL_TASK), "idle again");
  c.That(Enabled(app, IDC_SQL_TEXT) && !Enabled(app, IDC_EXPORT_FROM), "sql dataset rules apply again");
  c.Equal(SendMessageW(app.Item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0, "bar reset after the report");
  c.That(FocusIs(app, IDC_EXPORT), "focus back on the export button");
}

void CheckCloseGuardDuringExport(App& app, const std::wstring& out_folder) {
  Check c("close guard: Escape during an export, then again after it");
  if (!StartLongExport(c, app, out_folder + L"\\guard.csv")) return;
  PostMessageW(app.dialog(), WM_COMMAND, IDCANCEL, 0);  // Escape
  HWND box = app.WaitForPopup(5000);
  if (!c.That(box != nullptr, "guard box")) return;
  c.Equal(gui::BoxText(box), L"処理を中止しています。中止が終わってから、もう一度閉じてください。", "guard text");
  Answer(box, IDOK);
  c.That(IsWindowVisible(app.dialog()) != FALSE, "dialog stays open");
  HWND report = app.WaitForPopup(60000);
  if (!c.That(report != nullptr, "the task reports after being asked to stop")) return;
  c.Equal(gui::BoxText(report), L"出力できませんでした。\r\n中止しました。", "cancelled report");
  Answer(report, IDOK);
  PostMessageW(app.dialog(), WM_CLOSE, 0, 0);  // the close box
  c.That(app.WaitExit(10000), "closing now ends the program");
}

void CheckCancelButton(App& app) {
  Check c("cancel button stops the import");
  if (!StartSlowImport(c, app)) return;
  // Sent, not posted: the status is read before the task's next report.
  SendMessageW(app.dialog(), WM_COMMAND, MAKEWPARAM(IDC_CANCEL_TASK, BN_CLICKED),
               reinterpret_cast<LPARAM>(app.Item(IDC_CANCEL_TASK)));
  bool busy = !Enabled(app, IDC_IMPORT_START);
  c.Equal(gui::Text(app.Item(IDC_TASK_STATUS)), L"中止しています…(処理中のファイルが終わるまでお待ちください)",
          "status while stopping");
  c.That(busy, "still busy until the task reports");
  HWND report = app.WaitForPopup(60000);
  if (!c.That(report != nullptr, "report")) return;
  c.That(gui::BoxText(report).find(L"取込を中止しました(取り込んだ分は保存されています)。\r\n") == 0,
         "cancelled head: [" + gui::Utf8(gui::BoxText(report)) + "]");
  Answer(report, IDOK);
  c.That(Enabled(app, IDC_IMPORT_START), "idle again");
  gui::ServerControl(L"/__control/reset");
}

void CheckKeysDuringImport(App& app) {
  Check c("real keys during an import: Tab reaches the cancel button, Escape opens the guard");
  if (!StartSlowImport(c, app)) return;
  c.That(FocusIs(app, IDC_CANCEL_TASK), "focus on the cancel button");
  PressKey(app, VK_TAB);
  c.That(gui::WaitFor([&] { return FocusOf(app) != app.Item(IDC_CANCEL_TASK); }, 3000),
         "Tab moves the focus on");
  PressKey(app, VK_TAB);  // the grid and the cancel button are the only stops left
  c.That(FocusIs(app, IDC_CANCEL_TASK), "Tab comes round to the cancel button");
  PressKey(app, VK_ESCAPE);
  HWND guard = app.WaitForPopup(5000);
  if (c.That(guard != nullptr, "Escape opens the guard box")) {
    c.Equal(gui::BoxText(guard), L"処理を中止しています。中止が終わってから、もう一度閉じてください。", "guard text");
    Answer(guard, IDOK);
  }
  HWND report = app.WaitForPopup(60000);
  if (!c.That(report != nullptr, "the import reports")) return;
  c.That(gui::BoxText(report).find(L"取込を中止しました") == 0, "cancelled: [" + gui::Utf8(gui::BoxText(report)) + "]");
  Answer(report, IDOK);
  c.That(IsWindowVisible(app.dialog()) != FALSE, "dialog stays open");
  c.That(FocusIs(app, IDC_IMPORT_START), "focus back on the import button");
  gui::ServerControl(L"/__control/reset");
}

// A month that the stand-in servers know nothing of: every archive and
// meeting page answers 404.
void CheckMonthOf404s(App& app) {
  Check c("a month of 404s: the box fits the screen, the report file holds every line");
  gui::ServerControl(L"/__control/reset");
  for (int id : {1003, 1005}) SetCheck(app, id, false);
  SetRange(app, IDC_IMPORT_FROM, IDC_IMPORT_TO, 2023, 8, 1, 2023, 8, 31);
  HWND box = ClickForBox(app, IDC_IMPORT_START);
  for (int id : {1003, 1005}) SetCheck(app, id, true);
  if (!c.That(box != nullptr, "question")) return;
  Answer(box, IDOK);
  HWND report = nullptr;
  gui::WaitFor([&] {
    report = app.WaitForPopup(500);
    return report != nullptr && gui::BoxText(report).find(L"取込") == 0;
  }, 180000);
  if (!c.That(report != nullptr, "report")) return;
  std::wstring text = gui::BoxText(report);
  const std::wstring head = L"取込が完了しました(取り込めたファイルはありません)。";
  c.That(text.rfind(head + L"\r\n", 0) == 0, "headline: [" + gui::Utf8(text) + "]");
  c.Equal(gui::Text(app.Item(IDC_TASK_STATUS)), head, "status line");
  RECT rect = {};
  GetWindowRect(report, &rect);
  c.That(rect.bottom - rect.top <= GetSystemMetrics(SM_CYSCREEN) && rect.top >= 0,
         "box height " + std::to_string(rect.bottom - rect.top) + " within the screen's " +
             std::to_string(GetSystemMetrics(SM_CYSCREEN)));
  c.That(text.find(L"\r\nほか ") != std::wstring::npos, "the rest is counted");
  const std::wstring named = L"すべての記録: ";
  size_t at = text.rfind(named);
  if (c.That(at != std::wstring::npos, "the box names the report file")) {
    std::wstring path = text.substr(at + named.size());
    c.That(path.rfind(DataFolder() + L"\\取込記録_", 0) == 0, "file in the data folder: " + gui::Utf8(path));
    std::wstring file = ReadUtf8File(path);
    c.That(file.rfind(head, 0) == 0, "file starts with the headline");
    int missing = 0;
    for (int day = 1; day <= 31; ++day) {
      wchar_t line[64];
      swprintf(line, 64, L"開催情報の取得失敗: 2023-08-%02d ", day);
      if (file.find(line) == std::wstring::npos) ++missing;
    }
    c.Equal(missing, 0, "meeting failures missing from the file");
  }
  Answer(report, IDOK);
}

// The program archive of the day is held back by the stand-in server for a
// minute: the window keeps answering and the command can be stopped.
void CheckBeforeRaceAgainstStalledServer(App& app) {
  Check c("before-race command against a stalled server: responsive, cancellable");
  gui::ServerControl(L"/__control/reset");
  c.That(gui::ServerControl(L"/__control/fault?path=/od2/B/202308/b230805.lzh&kind=slow:60000"), "stall set");
  gui::SetPicker(app.process(), app.Item(IDC_BEFORE_DATE), 2023, 8, 5);
  gui::SelectCombo(app.dialog(), IDC_BEFORE_STADIUM, 1);
  HWND box = ClickForBox(app, IDC_BEFORE_FETCH);
  if (!c.That(box != nullptr, "question")) return;
  Answer(box, IDOK);
  if (!c.That(gui::WaitFor([&] { return Enabled(app, IDC_CANCEL_TASK); }, 5000), "runs as a task")) return;
  c.That(FocusIs(app, IDC_CANCEL_TASK), "focus on the cancel button");
  c.That(gui::WaitFor([&] { return gui::Text(app.Item(IDC_BEFORE_NOTE)) == L"番組表を取得しています…"; }, 5000),
         "note shows the step");
  c.Equal(gui::Text(app.Item(IDC_TASK_STATUS)), L"番組表を取得しています…", "status shows the step");
  long long slowest = 0;
  for (int i = 0; i < 5; ++i) {
    long long ms = AnswerTimeMs(app);
    if (ms < 0 || ms > slowest) slowest = ms < 0 ? 100000 : ms;
    Sleep(300);
  }
  c.That(slowest < 1000, "WM_NULL answered within 1 s (slowest " + std::to_string(slowest) + " ms)");
  gui::Click(app.dialog(), IDC_CANCEL_TASK);
  // The held download ends at the receive time-out (15 s), well before the
  // server would answer.
  DWORD stopped_at = GetTickCount();
  HWND report = app.WaitForPopup(90000);
  c.That(GetTickCount() - stopped_at < 45000,
         "stopped within the time-outs: " + std::to_string(GetTickCount() - stopped_at) + " ms");
  if (c.That(report != nullptr, "the command reports after the stop")) {
    c.Equal(gui::BoxText(report), L"直前情報の取得を中止しました。", "report");
    Answer(report, IDOK);
  }
  c.Equal(gui::Text(app.Item(IDC_BEFORE_NOTE)), L"中止しました", "note");
  c.That(Enabled(app, IDC_BEFORE_FETCH) && !Enabled(app, IDC_CANCEL_TASK), "idle again");
  c.That(FocusIs(app, IDC_BEFORE_FETCH), "focus back on the fetch button");
  gui::ServerControl(L"/__control/reset");
}

void CheckBeforeRaceNoteFollowsTheRace(App& app) {
  Check c("the note beside the fetch button goes back to the hint when the race changes");
  const std::wstring hint = L"番組表を取り込んだ日のレースが対象です(翌日分まで取得できます)。";
  c.That(gui::Text(app.Item(IDC_BEFORE_NOTE)) != hint, "a result is shown first");
  gui::SelectCombo(app.dialog(), IDC_BEFORE_RACE, 2);
  c.Equal(gui::Text(app.Item(IDC_BEFORE_NOTE)), hint, "after the race number changed");
  gui::SelectCombo(app.dialog(), IDC_BEFORE_RACE, 0);
}

void CheckBeforeRace(App& app) {
  gui::ServerControl(L"/__control/reset");
  gui::ServerControl(L"/__control/put?path=/owpc/pc/race/beforeinfo&fixture=web/beforeinfo_sample.html");
  for (const wchar_t* page : {L"odds3t", L"odds3f", L"odds2tf", L"oddsk", L"oddstf"}) {
    gui::ServerControl(std::wstring(L"/__control/put?path=/owpc/pc/race/") + page + L"&fixture=web/" + page +
                       L"_sample.html");
  }
  {
    Check c("before-race fetch of a race in the database");
    gui::SetPicker(app.process(), app.Item(IDC_BEFORE_DATE), 2023, 9, 1);
    gui::SelectCombo(app.dialog(), IDC_BEFORE_STADIUM, 1);  // 戸田
    gui::SelectCombo(app.dialog(), IDC_BEFORE_RACE, 0);
    HWND box = ClickForBox(app, IDC_BEFORE_FETCH);
    if (c.That(box != nullptr, "question")) {
      c.Equal(gui::BoxText(box),
              L"2023/09/01 戸田 1R の直前情報と全券種のオッズを公式サイトから取り込みます。\r\nよろしいですか?",
              "question text");
      Answer(box, IDOK);
      HWND done = app.WaitForPopup(30000);
      if (c.That(done != nullptr, "closing box")) {
        std::wstring text = gui::BoxText(done);
        c.That(text.find(L"直前情報の取込が終了しました。\r\n\r\n2023/09/01 戸田 1R\r\n展示") == 0,
               "closing text: [" + gui::Utf8(text) + "]");
        Answer(done, IDOK);
      }
      std::wstring note = gui::Text(app.Item(IDC_BEFORE_NOTE));
      c.That(note.find(L"オッズ212点(") != std::wstring::npos &&
                 note.find(L"3連単120 3連複20 2連単30 2連複15 拡連複15 単勝6 複勝6") != std::wstring::npos,
             "summary: [" + gui::Utf8(note) + "]");
    }
  }
  {
    Check c("before-race fetch of a race whose program must be fetched first");
    gui::SetPicker(app.process(), app.Item(IDC_BEFORE_DATE), 2023, 9, 21);
    gui::SelectCombo(app.dialog(), IDC_BEFORE_STADIUM, 1);
    HWND box = ClickForBox(app, IDC_BEFORE_FETCH);
    if (c.That(box != nullptr, "question")) {
      Answer(box, IDOK);
      HWND done = app.WaitForPopup(30000);
      if (c.That(done != nullptr, "closing box")) {
        c.That(gui::BoxText(done).find(L"直前情報の取込が終了しました。") == 0,
               "closing text: [" + gui::Utf8(gui::BoxText(done)) + "]");
        Answer(done, IDOK);
      }
    }
  }
  {
    Check c("before-race fetch of a race with no program anywhere");
    gui::ServerControl(L"/__control/reset");
    gui::SetPicker(app.process(), app.Item(IDC_BEFORE_DATE), 2023, 9, 5);
    HWND box = ClickForBox(app, IDC_BEFORE_FETCH);
    if (c.That(box != nullptr, "question")) {
      Answer(box, IDOK);
      HWND done = app.WaitForPopup(30000);
      if (c.That(done != nullptr, "box")) {
        c.Equal(gui::BoxText(done), L"番組表を取得できませんでした: HTTP 404 が返されました。", "box text");
        Answer(done, IDOK);
      }
      c.Equal(gui::Text(app.Item(IDC_BEFORE_NOTE)), L"番組表を取得できませんでした", "note");
    }
  }
  {
    Check c("before-race fetch when both pages fail");
    gui::SetPicker(app.process(), app.Item(IDC_BEFORE_DATE), 2023, 9, 1);
    HWND box = ClickForBox(app, IDC_BEFORE_FETCH);
    if (c.That(box != nullptr, "question")) {
      Answer(box, IDOK);
      HWND done = app.WaitForPopup(30000);
      if (c.That(done != nullptr, "box")) {
        std::wstring text = gui::BoxText(done);
        c.That(text.find(L"取得できなかった項目があります。\r\n直前情報: ") == 0 &&
                   text.find(L"\r\n3連単: ") != std::wstring::npos,
               "problem list: [" + gui::Utf8(text) + "]");
        Answer(done, IDOK);
      }
      c.Equal(gui::Text(app.Item(IDC_BEFORE_NOTE)), L"取得できませんでした", "note");
    }
  }
}

std::string FileHead(const std::wstring& path, size_t count) {
  std::string head;
  FILE* in = _wfopen(path.c_str(), L"rb");
  if (!in) return head;
  head.resize(count);
  head.resize(fread(head.data(), 1, count, in));
  fclose(in);
  return head;
}

void CheckExports(App& app, const std::wstring& out_folder, int rows) {
  struct Case {
    int format;
    const wchar_t* ext;
    std::string head;
  } cases[] = {{0, L"xlsx", "PK"}, {1, L"csv", "\xEF\xBB\xBF"}, {2, L"csv", "\x8A\x4A"}, {3, L"tsv", "\xEF\xBB\xBF"}};
  gui::SelectCombo(app.dialog(), IDC_DATASET, 1);  // program
  SetRange(app, IDC_EXPORT_FROM, IDC_EXPORT_TO, 2023, 9, 1, 2023, 9, 1);
  for (const Case& k : cases) {
    std::string name = "export in format " + std::to_string(k.format);
    Check c(name.c_str());
    gui::SelectCombo(app.dialog(), IDC_FORMAT, k.format);
    HWND save = ClickForBox(app, IDC_EXPORT);
    if (!c.That(save != nullptr, "save dialog")) continue;
    HWND field = FileNameField(save);
    if (!c.That(field != nullptr, "file name field")) {
      Answer(save, IDCANCEL);
      continue;
    }
    c.Equal(gui::Text(field), std::wstring(L"Wakelore_出走表_20230901-20230901.") + k.ext, "proposed name");
    std::wstring target = out_folder + L"\\out" + std::to_wstring(k.format) + L"." + k.ext;
    gui::SetText(field, target);
    gui::Press(save, IDOK);
    HWND report = nullptr;
    gui::WaitFor([&] {
      report = app.WaitForPopup(200);
      return report != nullptr && report != save && IsWindow(report) && !gui::BoxText(report).empty();
    }, 60000);
    if (!c.That(report != nullptr, "report")) continue;
    c.Equal(gui::BoxText(report), std::to_wstring(rows) + L" 行を出力しました。\r\n" + target, "report text");
    Answer(report, IDOK);
    c.That(FileHead(target, k.head.size()) == k.head, "file starts as its format does");
  }
  gui::SelectCombo(app.dialog(), IDC_FORMAT, 0);
  gui::SelectCombo(app.dialog(), IDC_DATASET, 0);
}

int RunTests() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring out_folder = std::wstring(temp) + L"wakelore_gui_out";
  DeleteTree(out_folder);
  CreateDirectoryW(out_folder.c_str(), nullptr);
  {
    App app;
    if (!StartFresh(app)) {
      Check c("start-up");
      c.That(false, "main dialog did not appear");
      return 1;
    }
    CheckStartupOnEmptyDatabase(app);
    CheckDefaultDatesOnEmptyDatabase(app);
    CheckDatasetEnabling(app);
    CheckEnterDoesNothing(app);
    CheckMissingManual(app);
    CheckVersionDialog(app);
    CheckImportQuestions(app);
    CheckFullImport(app);
    CheckBeforeRace(app);
    CheckBeforeRaceNoteFollowsTheRace(app);
    CheckBeforeRaceAgainstStalledServer(app);
    CheckKeysDuringImport(app);
    CheckCancelButton(app);
    CheckMonthOf404s(app);
    CheckExitWhenIdle(app);
  }
  {
    Check c("database seeded for the output checks");
    App app;
    c.That(StartFresh(app) && CloseIdle(app), "fresh database");
    c.That(SeedDatabase(), "seeding");
  }
  {
    App app;
    if (app.Start(Exe(), L"")) {
      CheckSeededStart(app);
      CheckPreviewAndTableList(app);
      CheckSaveDialogProposals(app);
      CheckExports(app, out_folder, 250);
      CheckExportWhileBusyAndCancel(app, out_folder);
      CheckCloseGuardDuringExport(app, out_folder);
    }
  }
  DeleteTree(out_folder);
  return 0;
}

// ---------------------------------------------------------------------------

void Shot(HWND window, const std::wstring& path) {
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  Sleep(700);
  gui::SaveWindowBitmap(window, path);
}

int TakeShots(const std::wstring& out) {
  App app;
  if (!StartFresh(app)) {
    std::printf("main dialog did not appear\n");
    return 1;
  }
  Shot(app.dialog(), out + L"\\main_idle.bmp");

  PostMessageW(app.dialog(), WM_COMMAND, ID_HELP_ABOUT, 0);
  if (HWND about = app.WaitForPopup(10000, L"バージョン情報")) {
    Shot(about, out + L"\\about.bmp");
    Answer(about, IDOK);
  }

  // An import caught in the middle (the stand-in servers answer slowly).
  SetRange(app, IDC_IMPORT_FROM, IDC_IMPORT_TO, 2023, 9, 1, 2023, 9, 1);
  if (HWND box = ClickForBox(app, IDC_IMPORT_START)) {
    Answer(box, IDOK);
    bool running = gui::WaitFor([&] {
      return gui::Text(app.Item(IDC_TASK_STATUS)).find(L"取得中") != std::wstring::npos &&
             Enabled(app, IDC_CANCEL_TASK);
    }, 20000);
    if (running) {
      Sleep(300);
      Shot(app.dialog(), out + L"\\main_import.bmp");
    } else {
      std::printf("no import in progress to show\n");
    }
    if (HWND report = app.WaitForPopup(120000)) Answer(report, IDOK);
  }

  // The before-race command while the day's program is on its way.
  gui::ServerControl(L"/__control/fault?path=/od2/B/202309/b230921.lzh&kind=slow:4000");
  gui::SetPicker(app.process(), app.Item(IDC_BEFORE_DATE), 2023, 9, 21);
  gui::SelectCombo(app.dialog(), IDC_BEFORE_STADIUM, 1);
  if (HWND box = ClickForBox(app, IDC_BEFORE_FETCH)) {
    Answer(box, IDOK);
    if (gui::WaitFor([&] { return gui::Text(app.Item(IDC_BEFORE_NOTE)) == L"番組表を取得しています…"; }, 10000)) {
      Sleep(300);
      Shot(app.dialog(), out + L"\\main_before_race.bmp");
    } else {
      std::printf("no before-race command in progress to show\n");
    }
    if (HWND report = app.WaitForPopup(60000)) Answer(report, IDOK);
  }

  // The report of a month with nothing published: cut to 20 lines, the
  // rest in the report file.
  for (int id : {1003, 1005}) SetCheck(app, id, false);
  SetRange(app, IDC_IMPORT_FROM, IDC_IMPORT_TO, 2023, 8, 1, 2023, 8, 31);
  if (HWND box = ClickForBox(app, IDC_IMPORT_START)) {
    Answer(box, IDOK);
    HWND report = nullptr;
    gui::WaitFor([&] {
      report = app.WaitForPopup(500);
      return report != nullptr && gui::BoxText(report).find(L"取込") == 0;
    }, 180000);
    if (report != nullptr) {
      Shot(report, out + L"\\report.bmp");
      Answer(report, IDOK);
    }
  }
  for (int id : {1003, 1005}) SetCheck(app, id, true);

  // A preview of the combined dataset for the imported day, or the table
  // list when there is nothing imported.
  gui::SelectCombo(app.dialog(), IDC_DATASET, 0);
  SetRange(app, IDC_EXPORT_FROM, IDC_EXPORT_TO, 2023, 9, 1, 2023, 9, 1);
  gui::Click(app.dialog(), IDC_PREVIEW);
  Sleep(1000);
  if (gui::ListRowCount(app.Item(IDC_GRID)) == 0) {
    gui::Click(app.dialog(), IDC_TABLE_LIST);
    gui::WaitFor([&] { return gui::ListRowCount(app.Item(IDC_GRID)) > 0; }, 10000);
  }
  Shot(app.dialog(), out + L"\\main_preview.bmp");
  CloseIdle(app);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: gui_driver tests|shots PROGRAM_FOLDER [OUTPUT_FOLDER]\n");
    return 2;
  }
  std::wstring mode = argv[1];
  g_folder = argv[2];
  int rc = 0;
  if (mode == L"tests") {
    rc = RunTests();
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return (rc != 0 || g_failed != 0) ? 1 : 0;
  }
  if (mode == L"shots" && argc >= 4) return TakeShots(argv[3]);
  return 2;
}
