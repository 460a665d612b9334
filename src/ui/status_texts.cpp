#include "ui/status_texts.h"

#include "platform/format.h"

namespace wakelore {

std::wstring DateRangeText(bool ok, const std::wstring& min_date, const std::wstring& max_date) {
  if (!ok || min_date.empty()) return L"なし";
  return min_date + L"～" + max_date;
}

std::wstring RacerPeriodText(bool found, int year, int term) {
  if (!found) return L"なし";
  return Format(L"%d年%s用まで", year, term == 1 ? L"前期" : L"後期");
}

std::wstring ImportStatusText(const std::wstring& programs, const std::wstring& results,
                              const std::wstring& meetings, const std::wstring& racer_periods) {
  return Format(L"取込済み  番組表: %s  /  競走成績: %s\r\n                開催情報: %s  /  期別成績: %s",
                programs, results, meetings, racer_periods);
}

std::optional<int> ProgressPosition(int32_t done, int32_t total) {
  if (total <= 0) return std::nullopt;
  int64_t position = static_cast<int64_t>(done) * 100 / total;
  if (position < 0) position = 0;
  if (position > 100) position = 100;
  return static_cast<int>(position);
}

std::wstring ProgressLineText(int32_t done, int32_t total, const std::wstring& text) {
  if (total <= 0) return text;
  return Format(L"%s  (%d / %d)", text, done, total);
}

std::wstring FirstLine(const std::wstring& text) {
  size_t cr = text.find(L'\r');
  return cr == std::wstring::npos ? text : text.substr(0, cr);
}

std::wstring DataFolderLineText(const std::wstring& data_folder) {
  return Format(L"データ保存先: %s", data_folder);
}

}  // namespace wakelore
