#include "ui/output_texts.h"

#include "ui/dialog_dates.h"
#include "platform/format.h"
#include "platform/text.h"

namespace wakelore {

const wchar_t kTableListSql[] =
    L"SELECT name AS 名前, type AS 種類, sql AS 定義 FROM sqlite_master WHERE type IN "
    L"('table', 'view') AND name NOT LIKE 'sqlite_%' ORDER BY name";

const wchar_t kDefaultCustomSql[] =
    L"SELECT r.race_date, s.name, r.race_no, o.bet_type, o.combination, o.odds_value\r\n"
    L"FROM odds o JOIN races r ON r.id = o.race_id JOIN stadiums s ON s.id = r.stadium_id\r\n"
    L"WHERE o.bet_type = '３連単' AND o.odds_value >= 10000\r\n"
    L"ORDER BY r.race_date DESC";

const wchar_t* const kFormatLabels[4] = {
    L"Excel(.xlsx)", L"CSV(UTF-8・Excelでそのまま開ける)", L"CSV(Shift-JIS)",
    L"TSV(タブ区切り・UTF-8)"};

const wchar_t kExportStartText[] = L"出力しています…(件数が多いと数十秒かかります)";

namespace {

bool IsEdgeBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

}  // namespace

bool CheckCustomSql(const std::wstring& text, std::wstring* trimmed, std::wstring* error) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsEdgeBlank(text[begin])) ++begin;
  while (end > begin && IsEdgeBlank(text[end - 1])) --end;
  *trimmed = text.substr(begin, end - begin);
  if (trimmed->empty()) {
    *error = L"SQLを入力してください。";
    return false;
  }
  size_t stop = trimmed->find_first_of(L" \t\r\n(");
  std::wstring first = ToUpperText(trimmed->substr(0, stop));
  if (first != L"SELECT" && first != L"WITH" && first != L"VALUES") {
    *error = L"読み取り専用の SELECT 文だけ実行できます。";
    return false;
  }
  error->clear();
  return true;
}

int PreviewColumnWidth(const std::wstring& name) {
  size_t length = name.size() > 1000 ? 1000 : name.size();
  int width = static_cast<int>(length) * 14 + 20;
  if (width > 200) width = 200;
  if (width < 60) width = 60;
  return width;
}

std::wstring PreviewStatusText(int rows) {
  if (rows == 0) {
    return L"該当するデータがありません(期間・場の指定、または取込状況をご確認ください)。";
  }
  return Format(L"プレビュー: 先頭 %d 行を表示しています。", rows);
}

int ExportFormatValueForIndex(int index) {
  static const int kValues[4] = {3, 0, 1, 2};
  if (index < 0 || index > 3) index = 0;
  return kValues[index];
}

std::wstring DefaultExportFileName(const std::wstring& short_label, bool uses_period,
                                   int64_t from, int64_t to, const std::wstring& ext) {
  if (short_label.empty()) return Format(L"Wakelore_%s.%s", L"出力", ext);
  if (uses_period) {
    return Format(L"Wakelore_%s_%s-%s.%s", short_label, DayText(from, L""), DayText(to, L""),
                  ext);
  }
  return Format(L"Wakelore_%s.%s", short_label, ext);
}

std::wstring SaveFilterText(const std::wstring& ext) {
  return Format(L"%s ファイル (*.%s)|*.%s|すべてのファイル (*.*)|*.*||", ToUpperText(ext), ext,
                ext);
}

std::wstring ExportRowsText(int64_t rows) { return Format(L"出力しています… %d 行", rows); }

std::wstring ExportReportText(bool ok, int64_t rows, const std::wstring& path, bool overflow,
                              const std::wstring& error) {
  if (!ok) return L"出力できませんでした。\r\n" + error;
  std::wstring report = Format(L"%d 行を出力しました。\r\n%s", rows, path);
  if (overflow) {
    report +=
        L"\r\n\r\nExcel の1シートに入る行数(約104万行)を超えたため、そこで打ち切りました。"
        L"\r\n期間を分けるか、CSV で出力してください。";
  }
  if (rows == 0) {
    report += L"\r\n\r\n該当するデータがありませんでした。期間・場の指定、または取込状況をご確認ください。";
  }
  return report;
}

std::wstring CrLfLines(const std::wstring& text) {
  std::wstring lines;
  lines.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r') {
      lines += L"\r\n";
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else if (text[i] == L'\n') {
      lines += L"\r\n";
    } else {
      lines += text[i];
    }
  }
  return lines;
}

}  // namespace wakelore
