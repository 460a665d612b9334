// Texts of the import command: the confirmation question and the final
// report built from the import run's counters.
#ifndef WAKELORE_UI_IMPORT_TEXTS_H_
#define WAKELORE_UI_IMPORT_TEXTS_H_

#include <cstdint>
#include <string>

namespace wakelore {

struct ImportKinds {
  bool programs = false;
  bool results = false;
  bool meetings = false;
  bool racerPeriods = false;
  bool racePages = false;  // 直前情報・オッズ: the six race-day pages of every race
  bool Any() const { return programs || results || meetings || racerPeriods || racePages; }
};

// The box when no data kind is checked.
inline constexpr wchar_t kNoKindCheckedText[] = L"取り込むデータを1つ以上選んでください。";

// "番組表 競走成績・払戻 グレード・開催情報 レーサー期別成績" with only the
// checked kinds; the first three carry one trailing blank, the fourth none;
// "直前情報・オッズ" follows last, after one blank when something precedes
// it without one.
std::wstring ImportTargetText(const ImportKinds& kinds);

// |to - from| / 86400 + 1.
int ImportDayCount(int64_t from, int64_t to);

// The OK/Cancel question before an import: the earlier and the later of the
// two picker days as YYYY/MM/DD, the day count and the target text; with
// the race-day pages, how long they take (6 pages a race).
std::wstring ImportQuestionText(int64_t from, int64_t to, const ImportKinds& kinds);

// What an import run reported, copied from its statistics.
struct ImportOutcome {
  bool ok = false;  // the run could open the database
  std::wstring error;
  bool cancelled = false;
  int downloaded = 0;
  int existing = 0;
  int unavailable = 0;
  int importedFiles = 0;
  int gradeDays = 0;
  int racerFiles = 0;
  int racePages = 0;         // race-day pages requested
  int racesUnavailable = 0;  // races with a page that gave nothing
  std::wstring log;
};

// The report's first line: "取込を中止しました(取り込んだ分は保存されています)。"
// for a cancelled run; "取込が完了しました(取り込めたファイルはありません)。"
// when nothing at all was taken in (no archive, no meeting day, no racer
// file) and some files were not available; else "取込が完了しました。".
std::wstring ImportHeadline(const ImportOutcome& outcome);

// The whole report: "取込に失敗しました。" + the error when the run could not
// start; otherwise the headline, the counters (the race-day pages when any
// were requested) and the log when there is one.
// This is what the report file holds.
std::wstring ImportReportText(const ImportOutcome& outcome);

// The report box shows at most this many lines of the run's log.
constexpr int kReportBoxLogLines = 20;

// The report as the report box shows it, kept to a screen's height: the
// headline, the counters, the first `log_lines` lines of the log, then
// "ほか %d 件" with the number of lines left out, then a line naming the
// report file ("すべての記録: %s") when `report_file` is not empty, or
// saying it could not be written ("記録ファイルを保存できませんでした: %s")
// when `report_file_written` is false.
std::wstring ImportReportBoxText(const ImportOutcome& outcome, const std::wstring& report_file,
                                 bool report_file_written, int log_lines = kReportBoxLogLines);

// The report file's name for a run that ended at the local time given:
// "取込記録_YYYYMMDD_HHMMSS.txt".
std::wstring ImportReportFileName(int year, int month, int day, int hour, int minute, int second);

}  // namespace wakelore

#endif  // WAKELORE_UI_IMPORT_TEXTS_H_
