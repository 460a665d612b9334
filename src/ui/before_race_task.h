// The before-race command's work: one race's program (when the database does
// not have it yet), then its six race-day pages (the before-race page and the
// five odds pages of all seven bet types), fetched from the official servers
// and stored as one snapshot.  Runs on the dialog's
// background task with its own database connection, reports each step and
// stops between steps once asked to.
//
// Every download uses the page fetch's time-outs (platform/net.h), so a
// stalled server holds the task for at most those, never indefinitely.
#ifndef WAKELORE_UI_BEFORE_RACE_TASK_H_
#define WAKELORE_UI_BEFORE_RACE_TASK_H_

#include <cstdint>
#include <functional>
#include <string>

#include "ui/before_race_texts.h"
#include "web/web_client.h"

namespace wakelore {

// One race as chosen in section ②, and where the files are.
struct BeforeRaceRequest {
  std::wstring databasePath;
  std::wstring downloadFolder;
  int64_t day = 0;  // local midnight
  int stadiumId = 0;
  std::wstring stadiumName;
  int raceNo = 1;
};

// Shows a step's text.
using BeforeRaceProgressFn = std::function<void(const std::wstring& text)>;
// True once the user asked the task to stop.
using BeforeRaceCancelledFn = std::function<bool()>;

// Progress texts, in the order of the steps.
inline constexpr wchar_t kFetchingProgramText[] = L"番組表を取得しています…";
inline constexpr wchar_t kFetchingInfoText[] = L"直前情報を取得しています…";
inline constexpr wchar_t kFetchingOddsText[] = L"オッズを取得しています…";

// Makes sure the day's program archive is at `path` (the download cache's
// place for it, in a folder that exists): a cached copy is kept; otherwise
// the archive is fetched
// from the archive server with `client` and written there.  False with
// `client.message` set when it could not be fetched or the answer is not an
// archive (nothing is left at `path` then).
bool FetchProgramArchive(WebClient& client, int64_t day, const std::wstring& path);

// Runs the whole command and says how it went.  `cancelled` is asked before
// every step and after a download that failed (a stop asked for while a
// stalled server held the download is reported as a stop, not as a
// failure); what a finished step stored stays.
BeforeRaceOutcome RunBeforeRaceTask(const BeforeRaceRequest& request,
                                    const BeforeRaceProgressFn& progress,
                                    const BeforeRaceCancelledFn& cancelled);

// What the pages of a snapshot gave, in the outcome's terms: the
// before-race part, whether some odds page was read, and one line per odds
// page that gave nothing ("3連複: データなし").  The stored counts are left
// as they are.
struct RaceSnapshot;
void BeforeRaceOutcomeOf(const RaceSnapshot& snapshot, BeforeRaceOutcome* outcome);

}  // namespace wakelore

#endif  // WAKELORE_UI_BEFORE_RACE_TASK_H_
