// Decisions and texts of the output section: the user's own statement, the
// preview's column widths, the export format choice, the proposed file name
// and save filter, and the export's progress and report texts.
#ifndef WAKELORE_UI_OUTPUT_TEXTS_H_
#define WAKELORE_UI_OUTPUT_TEXTS_H_

#include <cstdint>
#include <string>

namespace wakelore {

// The preview shows at most this many rows.
constexpr int kPreviewRowLimit = 100;

// The statement of the table list.
extern const wchar_t kTableListSql[];

// The example statement put into the SQL box at start.
extern const wchar_t kDefaultCustomSql[];

// Checks a statement typed by the user.  Blanks, TABs, CRs and LFs are
// removed at both ends (the result in `*trimmed`); it must not be empty and
// its first word (up to a blank, TAB, CR, LF or "(") must read SELECT, WITH
// or VALUES in any letter case.  On failure `*error` holds the message for
// the user.  The database refuses writes on its own; this only spares the
// round trip and gives a clearer message.
[[nodiscard]] bool CheckCustomSql(const std::wstring& text, std::wstring* trimmed, std::wstring* error);

// Width in pixels of a preview column: name length x 14 + 20, within 60..200.
int PreviewColumnWidth(const std::wstring& name);

// The first entry of the export stadium list (item data 0).
inline constexpr wchar_t kAllStadiumsText[] = L"全場";

// A preview whose statement failed: the status line, and the head of the
// warning box, followed by the database's message.
inline constexpr wchar_t kPreviewFailedText[] = L"プレビューに失敗しました。";
inline constexpr wchar_t kReadFailedHead[] = L"データを読み出せませんでした。\r\n";

// A text with its line breaks (LF, CR LF or a lone CR) made CR LF, as an
// edit box shows them: a table's definition as SQLite keeps it.
std::wstring CrLfLines(const std::wstring& text);

// The status line after a preview: the row count, or the no-data text.
std::wstring PreviewStatusText(int rows);

// Entries of the format combo box in their order, and the export format
// value each stands for (Xlsx 3, CsvUtf8 0, CsvShiftJis 1, TsvUtf8 2).
// An index outside the list (no selection) counts as entry 0.
extern const wchar_t* const kFormatLabels[4];
int ExportFormatValueForIndex(int index);

// The proposed file name: "Wakelore_%s_%s-%s.%s" (short label, the two
// picker days as YYYYMMDD in the pickers' order, extension) for a dataset
// that uses the period, "Wakelore_%s.%s" for one that does not, and
// "Wakelore_出力.%s" when there is no dataset (`short_label` empty).
std::wstring DefaultExportFileName(const std::wstring& short_label, bool uses_period,
                                   int64_t from, int64_t to, const std::wstring& ext);

// "%s ファイル (*.%s)|*.%s|すべてのファイル (*.*)|*.*||" with the extension in
// upper case first.  Entries are separated by "|" as written here; the
// window layer turns them into the NUL separators of the save dialog.
std::wstring SaveFilterText(const std::wstring& ext);

// Progress texts of the export task.
extern const wchar_t kExportStartText[];
std::wstring ExportRowsText(int64_t rows);

// The export's final report.
std::wstring ExportReportText(bool ok, int64_t rows, const std::wstring& path, bool overflow,
                              const std::wstring& error);

}  // namespace wakelore

#endif  // WAKELORE_UI_OUTPUT_TEXTS_H_
