#include "ui/win32/report_box.h"

#include "ui/dialog_ids.h"

namespace wakelore {
namespace {

constexpr int kTextId = 0xFFFF;

struct ReportBoxArgs {
  const std::wstring* caption;
  const std::wstring* text;
};

RECT WorkAreaOf(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
  if (monitor != nullptr && GetMonitorInfoW(monitor, &info)) return info.rcWork;
  RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return screen;
}

// Sizes the text, the button and the box to the text and the screen, and
// centres the box on the screen's work area.
void Layout(HWND box, const std::wstring& text) {
  HWND edit = GetDlgItem(box, kTextId);
  HWND ok = GetDlgItem(box, IDOK);
  RECT work = WorkAreaOf(GetParent(box) != nullptr ? GetParent(box) : box);
  const int work_w = work.right - work.left, work_h = work.bottom - work.top;
  RECT unit = {0, 0, 7, 14};  // margin and button height in dialog units
  MapDialogRect(box, &unit);
  const int margin = unit.right, button_h = unit.bottom;
  RECT button_rect = {};
  GetWindowRect(ok, &button_rect);
  const int button_w = button_rect.right - button_rect.left;

  HDC dc = GetDC(box);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)));
  RECT line = {0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &line,
            DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  int text_w = line.right - line.left + GetSystemMetrics(SM_CXVSCROLL);
  if (text_w < work_w * 2 / 5) text_w = work_w * 2 / 5;
  if (text_w > work_w * 7 / 10) text_w = work_w * 7 / 10;
  RECT wrapped = {0, 0, text_w - GetSystemMetrics(SM_CXVSCROLL), 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &wrapped,
            DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK | DT_EDITCONTROL);
  SelectObject(dc, old);
  ReleaseDC(box, dc);

  RECT frame = {0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(box, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(box, GWL_EXSTYLE)));
  const int frame_w = frame.right - frame.left, frame_h = frame.bottom - frame.top;
  const int fixed_h = frame_h + margin * 3 + button_h;
  int text_h = wrapped.bottom - wrapped.top + 4;
  bool scroll = false;
  if (text_h > work_h - fixed_h) {
    text_h = work_h - fixed_h;
    scroll = true;
  }
  ShowScrollBar(edit, SB_VERT, scroll ? TRUE : FALSE);
  const int client_w = text_w + margin * 2, client_h = text_h + margin * 3 + button_h;
  MoveWindow(edit, margin, margin, text_w, text_h, FALSE);
  MoveWindow(ok, client_w - margin - button_w, margin * 2 + text_h, button_w, button_h, FALSE);
  const int box_w = client_w + frame_w, box_h = client_h + frame_h;
  MoveWindow(box, work.left + (work_w - box_w) / 2, work.top + (work_h - box_h) / 2, box_w, box_h,
             TRUE);
}

INT_PTR CALLBACK ReportBoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const ReportBoxArgs* args = reinterpret_cast<const ReportBoxArgs*>(lparam);
      SetWindowTextW(box, args->caption->c_str());
      SetDlgItemTextW(box, kTextId, args->text->c_str());
      Layout(box, *args->text);
      SetFocus(GetDlgItem(box, IDOK));
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        EndDialog(box, LOWORD(wparam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowReportBox(HINSTANCE instance, HWND owner, const std::wstring& caption,
                   const std::wstring& text) {
  ReportBoxArgs args = {&caption, &text};
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_REPORT), owner, &ReportBoxProc,
                  reinterpret_cast<LPARAM>(&args));
}

}  // namespace wakelore
