// Entry of the Windows program: an unattended run when the command line
// asks for one, else the main dialog.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/command_line.h"
#include "ui/win32/main_dialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof(controls);
  controls.dwICC = 0x1FF;
  InitCommonControlsEx(&controls);
  if (std::optional<int> code = wakelore::DispatchCommandLine()) {
    ExitProcess(static_cast<UINT>(*code));
  }
  // COM for the shell, the save dialog and the downloads of the before-race
  // command, which run on this thread.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  {
    wakelore::CMainDlg dialog;
    dialog.DoModal(instance);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
