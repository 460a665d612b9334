#include "driver_util.h"

#include <commctrl.h>
#include <winhttp.h>

#include <cstdio>

namespace gui {
namespace {

struct FindData {
  DWORD pid;
  HWND exclude;
  std::wstring caption;
  HWND found;
  bool main;
};

BOOL CALLBACK FindProc(HWND window, LPARAM lparam) {
  FindData* data = reinterpret_cast<FindData*>(lparam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != data->pid || !IsWindowVisible(window) || window == data->exclude) return TRUE;
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  if (std::wstring(cls) != L"#32770") return TRUE;
  if (data->main) {
    if (GetDlgItem(window, 1006) == nullptr) return TRUE;
  } else if (!data->caption.empty() && Text(window) != data->caption) {
    return TRUE;
  }
  data->found = window;
  return FALSE;
}

// A block of memory in the program's process for messages that carry
// pointers (common controls do not marshal them between processes).
class Remote {
 public:
  Remote(HANDLE process, size_t size) : process_(process), size_(size) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~Remote() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  bool Write(const void* data, size_t size, size_t offset = 0) {
    SIZE_T written = 0;
    return address_ && WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data,
                                          size, &written) && written == size;
  }
  bool Read(void* data, size_t size, size_t offset = 0) {
    SIZE_T got = 0;
    return address_ && ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data,
                                         size, &got) && got == size;
  }
  char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
  LPARAM lparam() const { return reinterpret_cast<LPARAM>(address_); }

 private:
  HANDLE process_;
  size_t size_;
  void* address_;
};

}  // namespace

App::~App() { Kill(); }

bool App::Start(const std::wstring& exe, const std::wstring& arguments, DWORD timeout_ms) {
  std::wstring command = L"\"" + exe + L"\" " + arguments;
  std::vector<wchar_t> buffer(command.begin(), command.end());
  buffer.push_back(0);
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
  if (!CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &si, &info_)) {
    return false;
  }
  return WaitFor([this] {
    FindData data{info_.dwProcessId, nullptr, L"", nullptr, true};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&data));
    dialog_ = data.found;
    return dialog_ != nullptr;
  }, timeout_ms);
}

bool App::WaitExit(DWORD timeout_ms) {
  return info_.hProcess == nullptr || WaitForSingleObject(info_.hProcess, timeout_ms) == WAIT_OBJECT_0;
}

void App::Kill() {
  if (info_.hProcess != nullptr) {
    if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) {
      TerminateProcess(info_.hProcess, 1);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = {};
  }
}

HWND App::WaitForPopup(DWORD timeout_ms, const std::wstring& caption) {
  HWND found = nullptr;
  WaitFor([&] {
    FindData data{info_.dwProcessId, dialog_, caption, nullptr, false};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&data));
    found = data.found;
    return found != nullptr;
  }, timeout_ms);
  if (found) Sleep(100);  // let it finish its initialisation
  return found;
}

bool App::NoPopupFor(DWORD ms) { return WaitForPopup(ms) == nullptr; }

std::wstring Text(HWND window) {
  wchar_t buffer[8192] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                      5000, nullptr);
  return buffer;
}

bool SetText(HWND window, const std::wstring& text) {
  return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

std::wstring BoxText(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? Text(text) : std::wstring();
}

void Press(HWND popup, int id) {
  PostMessageW(popup, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(popup, id)));
}

void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SelectCombo(HWND dialog, int id, int index) {
  HWND combo = GetDlgItem(dialog, id);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

int ComboSelection(HWND dialog, int id) {
  return static_cast<int>(SendMessageW(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0));
}

int ComboCount(HWND dialog, int id) {
  return static_cast<int>(SendMessageW(GetDlgItem(dialog, id), CB_GETCOUNT, 0, 0));
}

bool SetPicker(HANDLE process, HWND picker, int year, int month, int day) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  Remote remote(process, sizeof(st));
  if (!remote.Write(&st, sizeof(st))) return false;
  return SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, remote.lparam()) != 0;
}

bool GetPicker(HANDLE process, HWND picker, SYSTEMTIME* st) {
  Remote remote(process, sizeof(*st));
  if (SendMessageW(picker, DTM_GETSYSTEMTIME, 0, remote.lparam()) != GDT_VALID) return false;
  return remote.Read(st, sizeof(*st));
}

int ListRowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

int ListColumnCount(HWND list) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int ListColumnWidth(HWND list, int column) {
  return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

std::wstring ListColumnName(HANDLE process, HWND list, int column) {
  const size_t kChars = 512;
  Remote remote(process, sizeof(LVCOLUMNW) + kChars * sizeof(wchar_t));
  LVCOLUMNW col = {};
  col.mask = LVCF_TEXT;
  col.pszText = reinterpret_cast<wchar_t*>(remote.at(sizeof(LVCOLUMNW)));
  col.cchTextMax = kChars;
  if (!remote.Write(&col, sizeof(col))) return L"?";
  if (!SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), remote.lparam())) return L"?";
  std::vector<wchar_t> text(kChars, 0);
  remote.Read(text.data(), kChars * sizeof(wchar_t), sizeof(LVCOLUMNW));
  text.back() = 0;
  return text.data();
}

std::wstring ListCell(HANDLE process, HWND list, int row, int column) {
  const size_t kChars = 4096;
  Remote remote(process, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(remote.at(sizeof(LVITEMW)));
  item.cchTextMax = kChars;
  if (!remote.Write(&item, sizeof(item))) return L"?";
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), remote.lparam());
  std::vector<wchar_t> text(kChars, 0);
  remote.Read(text.data(), kChars * sizeof(wchar_t), sizeof(LVITEMW));
  text.back() = 0;
  return text.data();
}

bool SelectListRow(HANDLE process, HWND list, int row) {
  Remote remote(process, sizeof(LVITEMW));
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  if (!remote.Write(&item, sizeof(item))) return false;
  return SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), remote.lparam()) != FALSE;
}

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  int stride = ((width * 3) + 3) & ~3;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
  file.bfSize = file.bfOffBits + stride * height;
  bool ok = false;
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (out) {
    ok = fwrite(&file, sizeof(file), 1, out) == 1 &&
         fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
         fwrite(bits, static_cast<size_t>(stride) * height, 1, out) == 1;
    fclose(out);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

bool ServerControl(const std::wstring& path_and_query) {
  wchar_t base[256] = {};
  if (GetEnvironmentVariableW(L"WAKELORE_ARCHIVE_SERVER", base, 256) == 0) return false;
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof(parts);
  wchar_t host[128] = {};
  parts.lpszHostName = host;
  parts.dwHostNameLength = 128;
  if (!WinHttpCrackUrl(base, 0, 0, &parts)) return false;
  bool ok = false;
  HINTERNET session = WinHttpOpen(L"gui_driver", WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
  HINTERNET connection = session ? WinHttpConnect(session, host, parts.nPort, 0) : nullptr;
  HINTERNET request = connection ? WinHttpOpenRequest(connection, L"GET", path_and_query.c_str(), nullptr,
                                                     nullptr, nullptr, 0)
                                 : nullptr;
  if (request && WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) &&
      WinHttpReceiveResponse(request, nullptr)) {
    char body[64] = {};
    DWORD got = 0;
    WinHttpReadData(request, body, sizeof(body) - 1, &got);
    ok = std::string(body, got).rfind("ok", 0) == 0;
  }
  if (request) WinHttpCloseHandle(request);
  if (connection) WinHttpCloseHandle(connection);
  if (session) WinHttpCloseHandle(session);
  return ok;
}

std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

}  // namespace gui
