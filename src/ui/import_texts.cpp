#include "ui/import_texts.h"

#include "ui/dialog_dates.h"
#include "platform/format.h"

namespace wakelore {

std::wstring ImportTargetText(const ImportKinds& kinds) {
  std::wstring text;
  if (kinds.programs) text += L"番組表 ";
  if (kinds.results) text += L"競走成績・払戻 ";
  if (kinds.meetings) text += L"グレード・開催情報 ";
  if (kinds.racerPeriods) text += L"レーサー期別成績";
  if (kinds.racePages) {
    if (!text.empty() && text.back() != L' ') text += L' ';
    text += L"直前情報・オッズ";
  }
  return text;
}

int ImportDayCount(int64_t from, int64_t to) {
  int64_t span = to >= from ? to - from : from - to;
  return static_cast<int>(span / 86400 + 1);
}

std::wstring ImportQuestionText(int64_t from, int64_t to, const ImportKinds& kinds) {
  int64_t earlier = from <= to ? from : to;
  int64_t later = from <= to ? to : from;
  std::wstring text = Format(
      L"データを取り込みますか?\r\n\r\n期間: %s ～ %s(%d日分)\r\n対象: %s\r\n\r\n"
      L"公式サイトから順に取得します。1年分でおよそ20〜30分かかります。",
      DayText(earlier, L"/"), DayText(later, L"/"), ImportDayCount(from, to),
      ImportTargetText(kinds));
  if (kinds.racePages) {
    // Six pages a race with 300 ms after each, about half a second a page:
    // some 150 races a day take about 8 minutes.
    text += Format(L"\r\n直前情報・オッズは1レースにつき6ページを取得します"
                   L"(1日分・約150レースでおよそ8分、%d日分でおよそ%d分)。",
                   ImportDayCount(from, to), ImportDayCount(from, to) * 8);
  }
  return text;
}

std::wstring ImportHeadline(const ImportOutcome& outcome) {
  if (outcome.cancelled) return L"取込を中止しました(取り込んだ分は保存されています)。";
  bool nothing = outcome.importedFiles == 0 && outcome.gradeDays == 0 && outcome.racerFiles == 0 &&
                 outcome.racePages == 0;
  if (nothing && outcome.unavailable > 0) {
    return L"取込が完了しました(取り込めたファイルはありません)。";
  }
  return L"取込が完了しました。";
}

namespace {

// The headline and the counters.
std::wstring ReportHead(const ImportOutcome& outcome) {
  std::wstring head = Format(
      L"%s\r\n\r\nダウンロード: %d件 / 保存済みを利用: %d件 / 取得できず: %d件\r\n"
      L"取り込んだファイル: %d件 / 開催情報: %d日分 / 期別成績: %dファイル",
      ImportHeadline(outcome), outcome.downloaded, outcome.existing, outcome.unavailable,
      outcome.importedFiles, outcome.gradeDays, outcome.racerFiles);
  if (outcome.racePages > 0 || outcome.racesUnavailable > 0) {
    head += Format(L"\r\n直前情報・オッズ: %dページ / 揃わなかったレース: %d件", outcome.racePages,
                   outcome.racesUnavailable);
  }
  return head;
}

}  // namespace

std::wstring ImportReportText(const ImportOutcome& outcome) {
  if (!outcome.ok) return L"取込に失敗しました。\r\n" + outcome.error;
  std::wstring report = ReportHead(outcome);
  if (!outcome.log.empty()) report += L"\r\n\r\n" + outcome.log;
  return report;
}

std::wstring ImportReportBoxText(const ImportOutcome& outcome, const std::wstring& report_file,
                                 bool report_file_written, int log_lines) {
  if (!outcome.ok) return ImportReportText(outcome);
  std::wstring box = ReportHead(outcome);
  if (!outcome.log.empty()) {
    box += L"\r\n";
    int shown = 0, left = 0;
    size_t start = 0;
    while (start < outcome.log.size()) {
      size_t end = outcome.log.find(L"\r\n", start);
      size_t next = end == std::wstring::npos ? outcome.log.size() : end + 2;
      if (end == std::wstring::npos) end = outcome.log.size();
      if (shown < log_lines) {
        box += L"\r\n" + outcome.log.substr(start, end - start);
        ++shown;
      } else {
        ++left;
      }
      start = next;
    }
    if (left > 0) box += Format(L"\r\nほか %d 件", left);
  }
  if (!report_file_written) {
    box += L"\r\n\r\n記録ファイルを保存できませんでした: " + report_file;
  } else if (!report_file.empty()) {
    box += L"\r\n\r\nすべての記録: " + report_file;
  }
  return box;
}

std::wstring ImportReportFileName(int year, int month, int day, int hour, int minute, int second) {
  return Format(L"取込記録_%04d%02d%02d_%02d%02d%02d.txt", year, month, day, hour, minute, second);
}

}  // namespace wakelore
