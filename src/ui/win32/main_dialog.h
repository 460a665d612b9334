// The main window: a modal dialog with the import, before-race and output
// sections, a status line and a menu.  It runs at most one long job at a
// time on a background thread and talks to it only through posted messages.
//
// Threads: every member function runs on the user-interface thread, except
// WorkerTask::ReportProgress and WorkerTask::Cancelled, which the worker
// thread calls.
#ifndef WAKELORE_UI_WIN32_MAIN_DIALOG_H_
#define WAKELORE_UI_WIN32_MAIN_DIALOG_H_

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/db_manager.h"

namespace wakelore {

// Posted by a task: lParam is a TaskProgress that the dialog frees.
constexpr UINT WM_TASK_PROGRESS = WM_APP + 10;
// Posted once at the end of a task: lParam is a heap std::wstring with the
// report, freed by the dialog.
constexpr UINT WM_TASK_DONE = WM_APP + 11;

// One progress report of a task.
struct TaskProgress {
  int32_t done = 0;
  int32_t total = 0;
  std::wstring text;
};

class CMainDlg {
 public:
  // The record handed to the background thread; owned by that thread.
  struct WorkerTask {
    HWND window = nullptr;
    std::atomic<bool>* cancel = nullptr;
    std::function<std::wstring(WorkerTask&)> work;

    // Posts a copy of the values to the dialog.
    void ReportProgress(int32_t done, int32_t total, const std::wstring& text);
    // True once the user asked the task to stop.
    bool Cancelled() const { return cancel->load(); }
  };

  CMainDlg();
  ~CMainDlg();
  CMainDlg(const CMainDlg&) = delete;
  CMainDlg& operator=(const CMainDlg&) = delete;

  // Shows the dialog modally; returns when it is closed.
  INT_PTR DoModal(HINSTANCE instance);

 private:
  struct StadiumChoice {
    int id;
    std::wstring name;
  };

  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  BOOL OnInitDialog();
  void OnCommand(int id, int code);
  void OnPaint();
  void OnCancel();  // the close guard
  void OnNotify(NMHDR* header);

  // Background task machinery.  `starter` is the control that started the
  // task (it gets the focus back at the end); `on_progress` and `on_done`
  // run on this thread with each progress text and with the report, before
  // the report box.
  using TextFn = std::function<void(const std::wstring&)>;
  [[nodiscard]] bool StartTask(int starter, std::function<std::wstring(WorkerTask&)> work,
                 TextFn on_done = nullptr, TextFn on_progress = nullptr);
  void SetBusy(bool busy);
  void OnTaskProgress(TaskProgress* progress);
  void OnTaskDone(std::wstring* result);
  static DWORD WINAPI TaskThread(void* parameter);

  // Control contents.
  void FillControls();
  void ApplyDefaultDates();
  void RefreshImportStatus();
  void FollowImportedDays(int64_t from, int64_t to);
  void UpdateDatasetControls();
  std::wstring CurrentDatasetKey() const;

  // Commands.
  void OnBnClickedImport();
  void OnBnClickedBeforeRace();
  void OnBnClickedPreview();
  void OnBnClickedTableList();
  void OnBnClickedExport();
  [[nodiscard]] bool BuildSelectionSql(int limit, std::wstring* sql, std::wstring* error);
  void ShowPreview(const std::wstring& sql, bool table_list);
  void ShowSelectedDefinition();
  void RestoreSqlText();
  void OnOpenDataFolder();
  void OnOpenManual();
  void OnAbout();

  // Helpers.
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  int64_t PickerDay(int id) const;
  void SetPickerDay(int id, int64_t day);
  void SetText(int id, const std::wstring& text);
  std::wstring GetText(int id) const;
  bool IsChecked(int id) const;
  int ComboSelection(int id) const;
  int ComboData(int id) const;
  std::wstring ComboText(int id) const;
  int Box(const std::wstring& text, UINT flags);
  std::wstring DatabasePath() const;

  HINSTANCE instance_ = nullptr;
  HWND window_ = nullptr;
  HICON icon_ = nullptr;
  HICON small_icon_ = nullptr;
  DbManager db_;
  std::vector<StadiumChoice> stadiums_;
  std::atomic<bool> cancel_{false};
  bool busy_ = false;
  // While the close guard's box is open, a task that ends keeps its report
  // here; it is shown once the guard's box is closed, so the two never stack.
  int guard_boxes_open_ = 0;
  std::unique_ptr<std::wstring> report_after_guard_;
  // The running task's starter and its hooks (see StartTask).
  int task_starter_ = 0;
  TextFn task_done_;
  TextFn task_progress_;
  // The table list shows a selected row's whole definition in the SQL box;
  // the user's own text waits here and comes back with the next preview or
  // dataset change, unless the user edits the box meanwhile.
  bool grid_is_table_list_ = false;
  bool sql_saved_ = false;
  bool setting_sql_ = false;
  std::wstring saved_sql_;
};

}  // namespace wakelore

#endif  // WAKELORE_UI_WIN32_MAIN_DIALOG_H_
