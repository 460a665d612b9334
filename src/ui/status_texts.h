// Texts of the main dialog's status lines: the import status, the progress
// line of a running task and the first line of a report.
#ifndef WAKELORE_UI_STATUS_TEXTS_H_
#define WAKELORE_UI_STATUS_TEXTS_H_

#include <cstdint>
#include <optional>
#include <string>

namespace wakelore {

// "min～max" for a MIN/MAX query of dates; "なし" when the query failed
// (`ok` false) or gave no row / an empty minimum (`min_date` empty).
std::wstring DateRangeText(bool ok, const std::wstring& min_date, const std::wstring& max_date);

// "%d年前期用まで" for term 1, "%d年後期用まで" for any other term;
// "なし" when no period was found.
std::wstring RacerPeriodText(bool found, int year, int term);

// The two-line import status from the four parts above, in the order
// programs, results, meeting information, racer periods.
std::wstring ImportStatusText(const std::wstring& programs, const std::wstring& results,
                              const std::wstring& meetings, const std::wstring& racer_periods);

// The progress bar position of a report (done * 100 / total, in 64 bits,
// kept within 0..100), or none when total <= 0 (the bar is left alone).
std::optional<int> ProgressPosition(int32_t done, int32_t total);

// The status line of a report: the text alone when total <= 0, else
// "%s  (%d / %d)".
std::wstring ProgressLineText(int32_t done, int32_t total, const std::wstring& text);

// A report's first line: the text up to its first CR, or the whole text.
std::wstring FirstLine(const std::wstring& text);

// "データ保存先: %s"
std::wstring DataFolderLineText(const std::wstring& data_folder);

}  // namespace wakelore

#endif  // WAKELORE_UI_STATUS_TEXTS_H_
