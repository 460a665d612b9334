#include "acquire/import_run.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "acquire/archive_addresses.h"
#include "acquire/download_cache.h"
#include "acquire/race_day_pages.h"
#include "acquire/racer_period_importer.h"
#include "archive/race_file_importer.h"
#include "db/db_manager.h"
#include "db/db_schema.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/format.h"
#include "web/meeting_list.h"
#include "web/web_client.h"

namespace wakelore {

namespace {

constexpr int kMissingListCap = 15;
constexpr uint32_t kPauseAfterDownloadMs = 500;
constexpr uint32_t kPauseAfterMeetingPageMs = 300;
constexpr uint32_t kImportSpanMs = 1000;
// Days after which a result file is taken as the server will keep it.
constexpr int kPendingDays = 7;

// Reads the next cached archive on a second thread while the current one
// is written, so that unpacking and decoding overlap the database work;
// the database stays on the run's own thread and connection.
class ArchiveReadAhead {
 public:
  ArchiveReadAhead() = default;
  ~ArchiveReadAhead() { Wait(); }
  ArchiveReadAhead(const ArchiveReadAhead&) = delete;
  ArchiveReadAhead& operator=(const ArchiveReadAhead&) = delete;

  // Starts reading `path`; without a thread to spare the archive is simply
  // read when its turn comes.
  void Start(const std::wstring& path) {
    Wait();
    text_ = ArchiveText();
    try {
      thread_ = std::thread([this, path] { text_ = RaceFileImporter::ReadArchiveText(path); });
    } catch (const std::system_error&) {
      text_ = ArchiveText();
    }
  }
  // What was read of `path`: an empty text (no path) when it was not read
  // ahead.
  ArchiveText Take(const std::wstring& path) {
    Wait();
    ArchiveText text = std::move(text_);
    text_ = ArchiveText();
    if (text.path != path) return ArchiveText();
    return text;
  }

 private:
  void Wait() {
    if (thread_.joinable()) thread_.join();
  }

  std::thread thread_;
  ArchiveText text_;  // written by the thread until it is joined
};

// Everything one run holds from preparation to closing.
class ImportRun {
 public:
  ImportRun(const ImportOptions& options, ImportStats* stats, const ImportProgress& progress,
            const ImportPacing* pacing)
      : options_(options), stats_(stats), progress_(progress), pacing_(pacing) {}

  bool Run();

 private:
  // Reports a step; false (and `cancelled`) when the caller asked to stop.
  bool Report(const std::wstring& text) {
    if (!progress_) return true;
    if (progress_(done_, total_, text)) return true;
    stats_->cancelled = true;
    return false;
  }
  void Sleep(uint32_t ms) {
    if (pacing_ && pacing_->sleep) {
      pacing_->sleep(ms);
    } else {
      SleepMs(ms);
    }
  }
  void ImportArchiveDay(wchar_t letter, int64_t day, const std::wstring& kind_folder);
  // Where the download cache keeps the archive of `letter` ('B' or 'K') and
  // `day`.
  std::wstring ArchivePath(wchar_t letter, int64_t day) const;
  // Starts reading the archive the run imports after that of `letter` and
  // `day`, when it is cached and not yet imported.
  void ReadNextAhead(wchar_t letter, int64_t day);
  // Archives are imported inside a transaction that spans several of them,
  // so that the pages they all write (the indexes by racer, the racers)
  // go to the file once per span instead of once per archive.  It is
  // opened before an import and committed once it has been open for
  // kImportSpanMs at the end of a day, before any download (no network
  // wait holds the write lock), before the meeting pages and at the end.
  void OpenImportTransaction(const std::wstring& ds);
  void CommitImportTransaction();
  // One log line "注意: <day> <note>" for each line of an importer's notes.
  void AddNotes(const std::wstring& ds, const std::wstring& notes);
  void FetchMeetings(int64_t day, const std::wstring& ds);
  // The race-day pages of every race of the day in the database.
  void TakeRacePages(const std::wstring& ds);
  void ImportRacerPeriod(int32_t period);
  void CountOutcome(const std::wstring& outcome) {
    if (outcome == L"downloaded") {
      ++stats_->downloaded;
      Sleep(kPauseAfterDownloadMs);
    } else {
      ++stats_->existing;
    }
  }

  const ImportOptions& options_;
  ImportStats* stats_;
  const ImportProgress& progress_;
  const ImportPacing* pacing_;
  int32_t done_ = 0;
  int32_t total_ = 0;
  int64_t today_ = 0;
  int64_t end_ = 0;              // the last day of the run
  std::wstring guide_;           // the cache folders of program and result archives
  std::wstring raceresults_;
  DbManager db_;
  std::unique_ptr<RaceFileImporter> programs_;
  std::unique_ptr<RaceFileImporter> results_;
  std::unique_ptr<WebClient> web_;
  std::wstring missing_list_;
  int missing_lines_ = 0;
  RaceDayPagesStats race_pages_;
  bool span_open_ = false;       // an import transaction is open
  uint32_t span_started_ = 0;    // tick count when it was opened
  std::wstring span_first_day_;  // the days it holds archives of
  std::wstring span_last_day_;
  int32_t span_imported_ = 0;    // archives imported inside it
  ArchiveReadAhead read_ahead_;  // last member: its thread ends first
};

void ImportRun::OpenImportTransaction(const std::wstring& ds) {
  if (!span_open_) {
    span_open_ = db_.Exec(L"BEGIN TRANSACTION;");
    span_started_ = TickCountMs();
    span_first_day_ = ds;
  }
  span_last_day_ = ds;
}

void ImportRun::CommitImportTransaction() {
  if (!span_open_) return;
  span_open_ = false;
  const int32_t imported = span_imported_;
  span_imported_ = 0;
  if (db_.Exec(L"COMMIT;")) return;
  // A commit that fails (a locked file, a full disk) loses the span's
  // archives with their marks: they are imported again by the next run.
  const std::wstring error = db_.LastError();
  (void)db_.Exec(L"ROLLBACK;");  // the commit's error is the one reported
  programs_->DropIdCaches();
  results_->DropIdCaches();
  stats_->imported_files -= imported;
  const std::wstring days = span_first_day_ == span_last_day_
                                ? span_first_day_
                                : span_first_day_ + L"～" + span_last_day_;
  stats_->log += Format(L"取込失敗: %s %s\r\n", days, error);
}

bool ImportRun::Run() {
  *stats_ = ImportStats();
  {
    DbSchema schema(db_);
    if (!schema.InitializeDatabase(options_.databasePath)) {
      stats_->error = L"データベースを開けません: " + schema.LastError();
      db_.Close();
      return false;
    }
  }
  // A day's result archive rewrites pages its program archive wrote a
  // moment ago: a page cache that holds a few days of them (64 MiB at the
  // most, for this connection only) saves reading them back from the file.
  (void)db_.Exec(L"PRAGMA cache_size = -65536;");  // only speed depends on it
  // Each archive is a savepoint of the span's transaction: the pages it
  // changes are first copied to a statement journal, which SQLite would
  // otherwise spill to a temporary file beyond 64 KiB.  In memory it holds
  // the pages one archive touches (a few MiB).
  (void)db_.Exec(L"PRAGMA temp_store = MEMORY;");  // only speed depends on it

  today_ = LocalMidnightOf(options_.referenceTime > 0 ? options_.referenceTime : NowSeconds());
  int64_t start = LocalMidnightOf(std::min(options_.fromDate, options_.toDate));
  int64_t end = LocalMidnightOf(std::max(options_.fromDate, options_.toDate));
  const int64_t tomorrow = AddCalendarDays(today_, 1);
  if (end > tomorrow) end = tomorrow;
  int64_t meeting_cutoff = 0;
  (void)FromLocalTime({2017, 1, 1}, &meeting_cutoff);  // a fixed valid day

  // Days are counted on the calendar so that a daylight-saving change in
  // the range cannot lose or add one.
  int32_t days = 0;
  for (int64_t d = start; d <= end; d = AddCalendarDays(d, 1)) ++days;
  end_ = end;

  std::vector<int32_t> periods;
  if (options_.racerPeriods) {
    const int32_t last = std::min(HalfYearIndex(today_), HalfYearIndex(end));
    for (int32_t p = HalfYearIndex(start); p <= last; ++p) periods.push_back(p);
  }
  total_ = days * ((options_.programs ? 1 : 0) + (options_.results ? 1 : 0) +
                   (options_.meetings ? 1 : 0) + (options_.racePages ? 1 : 0)) +
           static_cast<int32_t>(periods.size());

  guide_ = JoinPath(options_.downloadFolder, L"guide");
  raceresults_ = JoinPath(options_.downloadFolder, L"Raceresults");
  const std::wstring termresults = JoinPath(options_.downloadFolder, L"TermResults");
  // Both write racers, motors and boats: what is known to be stored is shared.
  auto stored = std::make_shared<StoredRowValues>();
  programs_ = std::make_unique<RaceFileImporter>(&db_, options_.reimport, stored);
  results_ = std::make_unique<RaceFileImporter>(&db_, options_.reimport, stored);
  web_ = std::make_unique<WebClient>();

  for (int64_t d = start; d <= end && !stats_->cancelled; d = AddCalendarDays(d, 1)) {
    const std::wstring ds = LocalDateText(d);
    if (options_.programs) {
      if (!Report(ds + L" 番組表を取得中")) break;
      ImportArchiveDay(L'B', d, guide_);
      ++done_;
    }
    if (options_.results) {
      if (!Report(ds + L" 競走成績を取得中")) break;
      if (d <= today_) ImportArchiveDay(L'K', d, raceresults_);
      ++done_;
    }
    if (span_open_ && (options_.meetings || TickCountMs() - span_started_ >= kImportSpanMs)) {
      CommitImportTransaction();
    }
    if (options_.meetings) {
      if (!Report(ds + L" 開催情報を取得中")) break;
      if (d >= meeting_cutoff) FetchMeetings(d, ds);
      ++done_;
    }
    if (options_.racePages) {
      CommitImportTransaction();  // the pages hold no write lock over their waits
      if (!Report(ds + L" 直前情報・オッズを取得中")) break;
      TakeRacePages(ds);
      if (stats_->cancelled) break;
      ++done_;
    }
  }

  CommitImportTransaction();

  for (int32_t p : periods) {
    if (stats_->cancelled) break;
    if (!Report(Format(L"レーサー期別成績 %d年%s用を取得中", p / 2, p % 2 == 0 ? L"前期" : L"後期"))) break;
    ImportRacerPeriod(p);
    ++done_;
  }

  stats_->race_pages = race_pages_.pages;
  stats_->races_unavailable = race_pages_.unavailable;
  stats_->log += race_pages_.log;
  if (!race_pages_.missing.empty()) {
    stats_->log += L"直前情報・オッズが揃わなかったレース(中止・未発売・通信エラー):\r\n";
    stats_->log += race_pages_.missing;
    if (race_pages_.unavailable > race_pages_.missingLines) {
      stats_->log += Format(L"  ほか %d 件\r\n", race_pages_.unavailable - race_pages_.missingLines);
    }
  }
  if (!missing_list_.empty()) {
    stats_->log += L"取得できなかったファイル(公開前・開催なし・通信エラー):\r\n";
    stats_->log += missing_list_;
    if (stats_->unavailable > missing_lines_) {
      stats_->log += Format(L"  ほか %d 件\r\n", stats_->unavailable - missing_lines_);
    }
  }
  if (progress_) progress_(done_, total_, stats_->cancelled ? L"中止しました" : L"完了しました");
  programs_.reset();
  results_.reset();
  db_.Close();
  return true;
}

std::wstring ImportRun::ArchivePath(wchar_t letter, int64_t day) const {
  LocalTime local;
  (void)ToLocalTime(day, &local);  // the run's days come from valid local dates
  return JoinPath(CacheYearFolder(letter == L'B' ? guide_ : raceresults_, local.year),
                  ArchiveFileName(letter, day));
}

void ImportRun::ReadNextAhead(wchar_t letter, int64_t day) {
  // The order of the day loop: a day's program, its result, the next day.
  wchar_t next_letter = 0;
  int64_t next_day = day;
  if (letter == L'B' && options_.results && day <= today_) {
    next_letter = L'K';
  } else {
    next_day = AddCalendarDays(day, 1);
    if (next_day > end_) return;
    if (options_.programs) {
      next_letter = L'B';
    } else if (options_.results && next_day <= today_) {
      next_letter = L'K';
    } else {
      return;
    }
  }
  const std::wstring path = ArchivePath(next_letter, next_day);
  RaceFileImporter& importer = next_letter == L'B' ? *programs_ : *results_;
  if (!IsCachedArchive(path) ||
      importer.IsImported(next_letter == L'B' ? L"PROGRAM_B" : L"RESULT_K", path)) {
    return;
  }
  read_ahead_.Start(path);
}

void ImportRun::ImportArchiveDay(wchar_t letter, int64_t day, const std::wstring& kind_folder) {
  LocalTime local;
  (void)ToLocalTime(day, &local);  // the run's days come from valid local dates
  const std::wstring ds = LocalDateText(day);
  const std::wstring name = ArchiveFileName(letter, day);
  const std::wstring path = JoinPath(CacheYearFolder(kind_folder, local.year), name);
  const std::wstring url = ArchiveUrl(letter, day);
  RaceFileImporter& importer = letter == L'B' ? *programs_ : *results_;

  // A result file that still lacks stadiums is final as the server has it
  // once the day is a week old: it is then imported as it stands.
  if (letter == L'K') results_->SetPendingResultsFinal(AddCalendarDays(day, kPendingDays) <= today_);

  ArchiveImportTally tally;
  bool ok = false;
  // A cached copy that cannot be extracted (a cut download, a bad disk) is
  // fetched once more at once; a fresh copy that cannot is dropped, so that
  // the next run fetches it again.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!IsCachedArchive(path)) CommitImportTransaction();  // a download follows
    std::wstring outcome;
    if (!DownloadToCache(url, path, &outcome)) {
      ++stats_->unavailable;
      if (missing_lines_ < kMissingListCap) {
        missing_list_ += Format(L"  %s %s\r\n", ds, letter == L'B' ? L"番組表" : L"競走成績");
        ++missing_lines_;
      }
      return;
    }
    CountOutcome(outcome);
    OpenImportTransaction(ds);
    tally = ArchiveImportTally();
    ArchiveText text = attempt == 0 ? read_ahead_.Take(path) : ArchiveText();
    ReadNextAhead(letter, day);
    ok = letter == L'B' ? importer.ImportProgramArchive(path, std::move(text), &tally)
                        : importer.ImportResultArchive(path, std::move(text), &tally);
    if (tally.filesNotExtracted == 0) break;
    // Not checked: a copy that cannot be removed is downloaded over next time.
    (void)DeleteFileAt(path);
    if (outcome != kExisting) break;
  }
  // A result archive taken before the day was over is not final: its cached
  // copy goes, so the next run downloads the archive again.
  if (tally.filesIncomplete > 0) (void)DeleteFileAt(path);  // kept, it is imported again
  if (!ok) {
    stats_->log += Format(L"取込失敗: %s %s\r\n", ds, importer.message());
  } else if (tally.filesImported >= 1) {
    ++stats_->imported_files;
    if (span_open_) ++span_imported_;
  }
  AddNotes(ds, tally.notes);
}

void ImportRun::AddNotes(const std::wstring& ds, const std::wstring& notes) {
  size_t start = 0;
  while (start < notes.size()) {
    size_t end = notes.find(L"\r\n", start);
    if (end == std::wstring::npos) end = notes.size();
    stats_->log += Format(L"注意: %s %s\r\n", ds, notes.substr(start, end - start));
    start = end + 2;
  }
}

void ImportRun::FetchMeetings(int64_t day, const std::wstring& ds) {
  bool fetch = day >= AddCalendarDays(today_, -1);
  if (!fetch) {
    std::vector<DbRow> rows;
    const bool counted =
        db_.QueryRows(Format(L"SELECT COUNT(*) AS n FROM stadium_days WHERE race_date = '%s';", ds), &rows);
    fetch = !counted || rows.empty() || std::wcstol(DbRowValue(rows[0], L"n").c_str(), nullptr, 10) <= 0;
  }
  if (!fetch) return;
  std::vector<MeetingDayRow> meeting_rows;
  if (FetchMeetingDays(*web_, ds, &meeting_rows)) {
    if (!meeting_rows.empty() && StoreMeetingDays(db_, meeting_rows)) ++stats_->grade_days;
  } else {
    stats_->log += Format(L"開催情報の取得失敗: %s %s\r\n", ds, web_->message);
  }
  Sleep(kPauseAfterMeetingPageMs);
}

void ImportRun::TakeRacePages(const std::wstring& ds) {
  const std::vector<DayRace> races = RacesOfDay(db_, ds, 0, 0);
  RaceDayPagesOptions options;
  options.skipFinal = true;
  options.replaceFinal = options_.reimport;
  options.today = today_;
  options.pauseMs = kPauseAfterMeetingPageMs;
  RaceDayPagesHooks hooks;
  hooks.sleep = [this](uint32_t ms) { Sleep(ms); };
  hooks.progress = [this](int32_t k, int32_t n, const std::wstring& text) {
    return Report(Format(L"%s (%d/%d)", text, k + 1, n));
  };
  TakeRaceDayPages(db_, *web_, ds, races, options, hooks, &race_pages_);
}

void ImportRun::ImportRacerPeriod(int32_t period) {
  const int32_t year = period / 2;
  const std::wstring name = RacerPeriodFileName(year, period % 2);
  const std::wstring termresults = JoinPath(options_.downloadFolder, L"TermResults");
  const std::wstring path = JoinPath(CacheYearFolder(termresults, year), name);
  RacerPeriodImporter importer(db_);
  bool ok = false;
  // As with the daily archives: a cached copy that cannot be extracted
  // (FAILED_LZH) is fetched once more, a fresh one is dropped.
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::wstring outcome;
    if (!DownloadToCache(RacerPeriodUrl(name), path, &outcome)) {
      ++stats_->unavailable;
      missing_list_ += Format(L"  %s(期別成績・未公開の可能性)\r\n", name);
      ++missing_lines_;
      return;
    }
    CountOutcome(outcome);
    RacerImportTally tally;
    ok = importer.ImportRacerPeriodArchive(path, &tally);
    if (tally.filesNotDecoded == 0) break;
    // Not checked: a copy that cannot be removed is downloaded over next time.
    (void)DeleteFileAt(path);
    if (outcome != kExisting) break;
  }
  if (ok) {
    ++stats_->racer_files;
  } else {
    stats_->log += Format(L"期別成績の取込失敗: %s %s\r\n", name, importer.message());
  }
}

}  // namespace

int32_t HalfYearIndex(int64_t date) {
  LocalTime local;
  (void)ToLocalTime(date, &local);  // unchanged on failure: 1970-01-01
  return 2 * local.year + (local.month >= 7 ? 1 : 0);
}

bool RunImport(const ImportOptions& options, ImportStats* stats, const ImportProgress& progress,
               const ImportPacing* pacing) {
  ImportRun run(options, stats, progress, pacing);
  return run.Run();
}

}  // namespace wakelore
