// Texts of the import command: the confirmation question and the final
// report built from the import run's counters.
#ifndef WAKELORE_DIALOG_IMPORT_TEXTS_H_
#define WAKELORE_DIALOG_IMPORT_TEXTS_H_

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

// The final report: "取込に失敗しました。" + the error when the run could not
// start; otherwise the head (complete or cancelled), the counters (the
// race-day pages when any were requested) and the log when there is one.
std::wstring ImportReportText(const ImportOutcome& outcome);

}  // namespace wakelore

#endif  // WAKELORE_DIALOG_IMPORT_TEXTS_H_
