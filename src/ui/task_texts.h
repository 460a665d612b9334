// Fixed texts of the main dialog that belong to no section: its caption,
// the task machinery's messages, the close guard and the menu's boxes.
#ifndef WAKELORE_UI_TASK_TEXTS_H_
#define WAKELORE_UI_TASK_TEXTS_H_

namespace wakelore {

inline constexpr wchar_t kAppCaption[] = L"Wakelore";

// A task whose work threw: its report, so that the dialog still leaves the
// busy state.
inline constexpr wchar_t kTaskBrokeText[] = L"処理中に問題が発生したため中断しました。";
// The worker thread could not be created.
inline constexpr wchar_t kTaskNotStartedText[] = L"処理を開始できませんでした。";
// The status line after the cancel button.
inline constexpr wchar_t kStoppingText[] =
    L"中止しています…(処理中のファイルが終わるまでお待ちください)";
// The close guard's box while a task runs.
inline constexpr wchar_t kCloseGuardText[] =
    L"処理を中止しています。中止が終わってから、もう一度閉じてください。";
// Start-up: the head of the box when the database cannot be opened; the
// database's message follows.
inline constexpr wchar_t kDatabaseNotOpenedHead[] = L"データベースを開けませんでした。\r\n";
// Help menu without the manual beside the program.
inline constexpr wchar_t kManualMissingText[] =
    L"マニュアル(manual.html)が見つかりません。配布ファイル一式を同じフォルダに置いてください。";

}  // namespace wakelore

#endif  // WAKELORE_UI_TASK_TEXTS_H_
