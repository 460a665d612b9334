// The version dialog of the help menu.
#ifndef WAKELORE_UI_WIN32_ABOUT_DIALOG_H_
#define WAKELORE_UI_WIN32_ABOUT_DIALOG_H_

#include <windows.h>

namespace wakelore {

// The program's version text.
extern const wchar_t kVersionText[];

class CAboutDlg {
 public:
  // Shows the dialog modally over `owner`; OK or Escape closes it.
  INT_PTR DoModal(HINSTANCE instance, HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
};

}  // namespace wakelore

#endif  // WAKELORE_UI_WIN32_ABOUT_DIALOG_H_
