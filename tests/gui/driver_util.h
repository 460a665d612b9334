// Helpers of the dialog driver: starting the program, finding its windows,
// reading and setting controls of another process, answering message boxes
// and saving window pictures.
#ifndef WAKELORE_TESTS_GUI_DRIVER_UTIL_H_
#define WAKELORE_TESTS_GUI_DRIVER_UTIL_H_

#include <windows.h>

#include <string>
#include <vector>

namespace gui {

// The program under test, started with CreateProcess.
class App {
 public:
  ~App();
  // Starts `exe` with `arguments` and waits up to `timeout_ms` for its main
  // dialog.  False when it does not appear.
  bool Start(const std::wstring& exe, const std::wstring& arguments, DWORD timeout_ms = 30000);
  // True once the process has ended (waits up to `timeout_ms`).
  bool WaitExit(DWORD timeout_ms);
  void Kill();

  HWND dialog() const { return dialog_; }
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  DWORD pid() const { return info_.dwProcessId; }
  HANDLE process() const { return info_.hProcess; }

  // A visible top-level dialog of the program other than the main dialog
  // (message box, save dialog, version dialog), waiting up to `timeout_ms`.
  HWND WaitForPopup(DWORD timeout_ms, const std::wstring& caption = L"");
  // True when no such popup appears within `ms`.
  bool NoPopupFor(DWORD ms);

 private:
  PROCESS_INFORMATION info_ = {};
  HWND dialog_ = nullptr;
};

std::wstring Text(HWND window);
bool SetText(HWND window, const std::wstring& text);
// The message text of a message box.
std::wstring BoxText(HWND box);
// Presses a button of a popup (IDOK, IDCANCEL, IDYES...).
void Press(HWND popup, int id);
// Posts a button click to the dialog (it returns at once; boxes may follow).
void Click(HWND dialog, int id);
// Selects an entry of a combo box and tells the dialog as a user change would.
void SelectCombo(HWND dialog, int id, int index);
int ComboSelection(HWND dialog, int id);
int ComboCount(HWND dialog, int id);

// Date pickers, through memory of the program's process.
bool SetPicker(HANDLE process, HWND picker, int year, int month, int day);
bool GetPicker(HANDLE process, HWND picker, SYSTEMTIME* st);

// List view contents.
int ListRowCount(HWND list);
int ListColumnCount(HWND list);
int ListColumnWidth(HWND list, int column);
std::wstring ListColumnName(HANDLE process, HWND list, int column);
std::wstring ListCell(HANDLE process, HWND list, int row, int column);
// Selects and focuses one row, as a click on it would.
bool SelectListRow(HANDLE process, HWND list, int row);

// Waits until `pred` holds, polling every 50 ms; false on timeout.
template <typename Pred>
bool WaitFor(Pred pred, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start > timeout_ms) return false;
    Sleep(50);
  }
}

// Saves the window's screen area (frame included) as a 24-bit BMP.
bool SaveWindowBitmap(HWND window, const std::wstring& path);

// Asks the stand-in official servers (WAKELORE_ARCHIVE_SERVER) for a
// control address such as "/__control/reset"; true on an "ok" answer.
bool ServerControl(const std::wstring& path_and_query);

// UTF-8 for the log.
std::string Utf8(const std::wstring& text);

}  // namespace gui

#endif  // WAKELORE_TESTS_GUI_DRIVER_UTIL_H_
