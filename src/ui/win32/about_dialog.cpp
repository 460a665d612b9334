#include "ui/win32/about_dialog.h"

#include <string>

#include "app/version.h"
#include "ui/dialog_ids.h"
#include "platform/format.h"

namespace wakelore {

const wchar_t kVersionText[] = WAKELORE_VERSION_W;

INT_PTR CAboutDlg::DoModal(HINSTANCE instance, HWND owner) {
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, &CAboutDlg::DialogProc, 0);
}

INT_PTR CALLBACK CAboutDlg::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      std::wstring text = Format(L"Wakelore  バージョン %s", kVersionText);
      SetDlgItemTextW(window, IDC_ABOUT_VERSION, text.c_str());
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(window, LOWORD(wparam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace wakelore
