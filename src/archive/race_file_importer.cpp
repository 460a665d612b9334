#include "archive/race_file_importer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "archive/official_recognition.h"
#include "archive/official_text.h"
#include "db/db_manager.h"
#include "db/db_statement.h"
#include "platform/format.h"

namespace wakelore {

namespace {

constexpr wchar_t kProgramType[] = L"PROGRAM_B";
constexpr wchar_t kResultType[] = L"RESULT_K";
constexpr wchar_t kImported[] = L"IMPORTED";
constexpr wchar_t kFailed[] = L"FAILED";
constexpr wchar_t kIncompleteMessage[] = L"未確定の成績を含むため、次回取り込み直します。";

std::wstring FirstCharacters(const std::wstring& text, size_t count) {
  return text.size() > count ? text.substr(0, count) : text;
}

// Each note goes to the caller's notes and, indented, under the summary
// line of the log.
void AddNotes(const std::wstring& notes, ArchiveImportTally* tally) {
  size_t start = 0;
  while (start < notes.size()) {
    size_t end = notes.find(L"\r\n", start);
    if (end == std::wstring::npos) end = notes.size();
    tally->log += L"  " + notes.substr(start, end - start) + L"\r\n";
    start = end + 2;
  }
  tally->notes += notes;
}

std::wstring UndeterminedMessage(const std::vector<std::wstring>& blocks) {
  std::wstring list;
  for (const std::wstring& block : blocks) {
    if (!list.empty()) list += L"、";
    list += block;
  }
  return Format(L"場を判定できないブロックがあります(%s)。", list);
}

}  // namespace

RaceFileImporter::RaceFileImporter(DbManager* connection, bool reimport)
    : db_(connection), reimport_(reimport) {}

RaceFileImporter::~RaceFileImporter() = default;

bool RaceFileImporter::ImportProgramArchive(const std::wstring& path, ArchiveImportTally* tally) {
  return ImportArchive(path, Kind::kProgram, tally);
}

bool RaceFileImporter::ImportResultArchive(const std::wstring& path, ArchiveImportTally* tally) {
  return ImportArchive(path, Kind::kResult, tally);
}

bool RaceFileImporter::ImportLines(const std::wstring& file_type, const std::wstring& path,
                                   const std::vector<std::wstring>& lines,
                                   ArchiveImportTally* tally) {
  if (file_type == kProgramType) return ImportDecoded(path, Kind::kProgram, lines, tally);
  if (file_type == kResultType) return ImportDecoded(path, Kind::kResult, lines, tally);
  return false;
}

bool RaceFileImporter::ImportArchive(const std::wstring& path, Kind kind,
                                     ArchiveImportTally* tally) {
  const wchar_t* type = kind == Kind::kProgram ? kProgramType : kResultType;
  if (!reimport_ && IsImported(type, path)) {
    tally->filesNotRead += 1;
    tally->log += Format(L"%s: 取込済みのためスキップ\r\n", FileNameOf(path));
    return true;
  }
  std::string bytes;
  const bool read = ExtensionOf(path) == L".lzh" ? ReadArchiveBytes(path, &bytes)
                                                  : ReadWholeFile(path, &bytes);
  if (!read) {
    tally->filesNotRead += 1;
    tally->filesNotExtracted += 1;
    RecordDataFile(type, path, kFailed, 0, message_);
    return false;
  }
  std::vector<std::wstring> lines;
  try {
    lines = DecodeLines(bytes);
  } catch (const std::bad_alloc&) {
    tally->filesNotRead += 1;
    message_ = L"ファイルサイズが不正です。";
    RecordDataFile(type, path, kFailed, 0, message_);
    return false;
  }
  std::string().swap(bytes);
  return ImportDecoded(path, kind, lines, tally);
}

bool RaceFileImporter::ImportDecoded(const std::wstring& path, Kind kind,
                                     const std::vector<std::wstring>& lines,
                                     ArchiveImportTally* tally) {
  const wchar_t* type = kind == Kind::kProgram ? kProgramType : kResultType;
  const std::wstring date = DateFromFileName(path, kind == Kind::kProgram ? L'b' : L'k');
  if (date.empty()) {
    tally->filesNotRead += 1;
    message_ = L"日付を判定できません。";
    RecordDataFile(type, path, kFailed, 0, message_);
    return false;
  }

  // Inside a caller's transaction the archive is a savepoint of it: its
  // rows and its mark then last only as long as that transaction.
  const bool nested = db_->InTransaction();
  const wchar_t* const undo = nested ? L"ROLLBACK TO archive; RELEASE archive;" : L"ROLLBACK;";
  db_->Exec(nested ? L"SAVEPOINT archive;" : L"BEGIN TRANSACTION;");
  FileCounts counts;
  if (kind == Kind::kProgram) {
    ParseProgramLines(date, lines, &counts);
  } else {
    ParseResultLines(date, lines, &counts);
  }
  if (counts.failures == 0) {
    // A clean file is recorded "IMPORTED" in the same transaction as its
    // rows, so the mark and the rows are kept or lost together.  A commit
    // that fails (a locked file, a full disk) loses the whole file: it is
    // then recorded "FAILED" after the rollback.
    const bool clean = IsComplete(counts);
    if (clean) counts.recorded = RecordDataFile(type, path, kImported, counts.stored, L"");
    if (!db_->Exec(nested ? L"RELEASE archive;" : L"COMMIT;")) {
      counts.lost = true;
      counts.recorded = false;
      message_ = db_->LastError();
      db_->Exec(undo);
      DropIdCaches();
    }
  } else {
    db_->Exec(undo);
    DropIdCaches();
  }
  writers_.reset();
  return kind == Kind::kProgram ? CloseProgramFile(path, counts, tally)
                                : CloseResultFile(path, counts, tally);
}

void RaceFileImporter::DropIdCaches() {
  race_ids_.clear();
  racer_ids_.clear();
  motor_ids_.clear();
  boat_ids_.clear();
  racer_values_.clear();
  motor_rates_.clear();
  boat_rates_.clear();
}

bool RaceFileImporter::IsComplete(const FileCounts& counts) const {
  return counts.parsed == counts.stored && counts.unreadable == 0 && counts.undetermined.empty() &&
         (counts.pendingStadiums.empty() || pending_results_final_);
}

void RaceFileImporter::BeginBlockTitles() {
  series_title_.clear();
  day_label_.clear();
  expect_series_title_ = true;
}

RaceFileImporter::BlockStep RaceFileImporter::StepBlock(const std::wstring& line, Block* block,
                                                        FileCounts* counts) {
  if (const std::optional<BlockCode> code = BlockCodeOf(line)) {
    *block = Block();
    if (!code->begin) return BlockStep::kClosed;
    block->coded = true;
    block->label = code->text;
    if (code->code >= 1 && code->code <= 24) {
      block->stadium = code->code;
      BeginBlockTitles();
    } else {
      counts->undetermined.push_back(block->label);
    }
    return BlockStep::kOpened;
  }
  if (block->coded) {
    // The printed name checks the code; the code stays.
    const int32_t printed = PrintedStadiumOf(line);
    if (printed == 0) return BlockStep::kNone;
    if (block->stadium > 0 && printed != block->stadium && !block->mismatchNoted) {
      block->mismatchNoted = true;
      counts->notes += Format(L"%s: 場名が%sと印字されています。場コードの%sとして取り込みました。\r\n",
                              block->label, StadiumNameOf(printed), StadiumNameOf(block->stadium));
    }
    if (block->stadium > 0) ReadDayLabel(line, &day_label_);
    return BlockStep::kHeading;
  }
  // A file without code lines: the printed names open the blocks.
  if (const int32_t s = DetectStadium(line); s > 0) {
    const bool opened = s != block->stadium;
    if (opened) {
      *block = Block();
      block->stadium = s;
      block->label = TrimBlanks(line);
      BeginBlockTitles();
    }
    ReadDayLabel(line, &day_label_);
    return opened ? BlockStep::kOpened : BlockStep::kHeading;
  }
  if (IsUnnamedStadiumHeading(line)) {
    *block = Block();
    block->label = FirstCharacters(TrimBlanks(line), 20);
    counts->undetermined.push_back(block->label);
    return BlockStep::kOpened;
  }
  return BlockStep::kNone;
}

// ---------------------------------------------------------------------------
// Program files

void RaceFileImporter::ParseProgramLines(const std::wstring& date,
                                         const std::vector<std::wstring>& lines,
                                         FileCounts* counts) {
  Block block;
  int32_t race_id = 0;
  for (const std::wstring& line : lines) {
    const BlockStep step = StepBlock(line, &block, counts);
    if (step != BlockStep::kNone) {
      race_id = 0;
      continue;
    }
    const int32_t stadium = block.stadium;
    const int32_t r = RaceNumberOf(line);
    if (stadium > 0 && r >= 1 && r <= 12 && NormalizeWidth(line).find(L'H') != std::wstring::npos) {
      expect_series_title_ = false;
      race_id = UpsertRace(date, stadium, r, RaceTitleOf(line), DistanceOf(line), DeadlineOf(line),
                           L"", L"", 0.0, 0.0);
      if (race_id > 0) counts->races += 1;
      continue;
    }
    if (stadium > 0 && race_id == 0) {
      TakeSeriesTitle(line, &expect_series_title_, &series_title_);
    }
    if (race_id == 0) continue;

    const std::optional<ProgramEntry> entry = ParseProgramEntry(line);
    if (!entry) {
      if (LooksLikeProgramEntry(line)) {
        if (counts->unreadable == 0) counts->example = line;
        counts->unreadable += 1;
      }
      continue;
    }
    counts->parsed += 1;
    const int32_t racer_id =
        UpsertRacer(entry->registerNo, entry->name, entry->className, entry->branch, entry->age,
                    entry->weight, entry->nationalWinRate, entry->localWinRate);
    const int32_t motor_id = UpsertMotor(stadium, entry->motorNo, entry->motorQuinellaRate);
    const int32_t boat_id = UpsertBoat(stadium, entry->boatNo, entry->boatQuinellaRate);
    if (racer_id > 0 && StoreProgramEntry(race_id, *entry, racer_id, motor_id, boat_id)) {
      counts->stored += 1;
    } else {
      counts->failures += 1;
    }
  }
}

bool RaceFileImporter::CloseProgramFile(const std::wstring& path, const FileCounts& counts,
                                        ArchiveImportTally* tally) {
  tally->linesRead += counts.parsed + counts.unreadable;
  tally->rowsStored += counts.stored;
  tally->failures += counts.failures + counts.unreadable;
  tally->races += counts.races;

  const std::wstring example = FirstCharacters(counts.example, 40);
  bool ok = false;
  if (IsComplete(counts) && !counts.lost) {
    tally->filesImported += 1;
    if (!counts.recorded) RecordDataFile(kProgramType, path, kImported, counts.stored, L"");
    ok = true;
  } else {
    if (counts.parsed == counts.stored && !counts.lost) {
      // No statement failed: the message says what was not read.
      if (counts.unreadable > 0) {
        message_ = Format(L"読めなかった出走行が %d 行あります(例: %s)", counts.unreadable, example);
      } else if (!counts.undetermined.empty()) {
        message_ = UndeterminedMessage(counts.undetermined);
      }
    }
    RecordDataFile(kProgramType, path, kFailed, counts.stored, message_);
  }
  tally->log += Format(L"%s: races=%d entries=%d/%d\r\n", FileNameOf(path), counts.races,
                       counts.stored, counts.parsed + counts.unreadable);
  if (counts.unreadable > 0) {
    tally->log += Format(L"  読めなかった出走行 %d 行(書式が変わった可能性があります): %s\r\n",
                         counts.unreadable, example);
  }
  AddNotes(counts.notes, tally);
  return ok;
}

// ---------------------------------------------------------------------------
// Result files

void RaceFileImporter::ParseResultLines(const std::wstring& date,
                                        const std::vector<std::wstring>& lines,
                                        FileCounts* counts) {
  Block block;
  race_ = ResultRace();
  for (const std::wstring& line : lines) {
    const BlockStep step = StepBlock(line, &block, counts);
    if (step != BlockStep::kNone) {
      FinishRace();
      continue;
    }
    const int32_t stadium = block.stadium;
    if (IsPendingResultNotice(line)) {
      // A stadium still racing: the file is a copy taken during the day.
      // (A block of no known stadium has already failed the file.)
      if (stadium > 0) {
        FinishRace();
        auto& pending = counts->pendingStadiums;
        if (std::find(pending.begin(), pending.end(), stadium) == pending.end()) {
          pending.push_back(stadium);
        }
      }
      continue;
    }
    const int32_t r = RaceNumberOf(line);
    if (stadium > 0 && r >= 1 && r <= 12) {
      if (const std::optional<ResultHeader> h = ParseResultHeader(line)) {
        expect_series_title_ = false;
        FinishRace();
        race_.id = UpsertRace(date, stadium, r, h->title, h->distance, L"", h->weather,
                              h->windDirection, h->windSpeed, h->waveHeight);
        if (race_.id > 0) counts->races += 1;
        continue;
      }
    }
    if (stadium > 0 && race_.id == 0) {
      TakeSeriesTitle(line, &expect_series_title_, &series_title_);
    }
    if (race_.id == 0) continue;

    std::wstring technique = WinningTechniqueOf(line);
    if (!technique.empty()) {
      race_.technique = std::move(technique);
      continue;
    }
    // The older files print it on the pair-bet line, after the payout.
    if (std::wstring printed = PrintedTechniqueOf(line); !printed.empty()) {
      race_.technique = std::move(printed);
    }
    if (const std::optional<ResultEntry> entry = ParseResultEntry(line)) {
      counts->parsed += 1;
      const int32_t racer_id =
          UpsertRacer(entry->registerNo, entry->racerName, L"", L"", 0, 0.0, 0.0, 0.0);
      const int32_t motor_id = UpsertMotor(stadium, entry->motorNo, 0.0);
      const int32_t boat_id = UpsertBoat(stadium, entry->boatNo, 0.0);
      if (racer_id > 0 && StoreResultEntry(race_.id, *entry, racer_id, motor_id, boat_id)) {
        race_.entries.push_back(*entry);
        counts->stored += 1;
      } else {
        counts->failures += 1;
      }
      continue;
    }
    for (PayoutItem& item : ParsePayoutLine(line, &race_.betType)) {
      StorePayout(race_.id, item);
      race_.payouts.push_back(std::move(item));
    }
  }
  FinishRace();
}

void RaceFileImporter::FinishRace() {
  if (race_.id > 0) StoreRaceResult(race_.id, race_.entries, race_.technique, race_.payouts);
  race_ = ResultRace();
}

bool RaceFileImporter::CloseResultFile(const std::wstring& path, const FileCounts& counts,
                                       ArchiveImportTally* tally) {
  tally->linesRead += counts.parsed;
  tally->rowsStored += counts.stored;
  tally->failures += counts.failures;
  tally->races += counts.races;

  const bool stored_all = counts.parsed == counts.stored && !counts.lost;
  const bool pending = !counts.pendingStadiums.empty();
  const bool incomplete = pending && !pending_results_final_;
  if (incomplete) tally->filesIncomplete += 1;
  const bool ok = stored_all && IsComplete(counts);
  if (ok) {
    tally->filesImported += 1;
    if (!counts.recorded) RecordDataFile(kResultType, path, kImported, counts.stored, L"");
  } else {
    if (stored_all) {
      message_ = counts.undetermined.empty() ? std::wstring(kIncompleteMessage)
                                             : UndeterminedMessage(counts.undetermined);
    }
    RecordDataFile(kResultType, path, kFailed, counts.stored, message_);
  }
  tally->log += Format(L"%s: races=%d results=%d/%d\r\n", FileNameOf(path), counts.races,
                       counts.stored, counts.parsed);
  if (incomplete) {
    tally->log += Format(L"  成績が未確定の場が %d 場あります。次回取り込み直します。\r\n",
                         static_cast<int32_t>(counts.pendingStadiums.size()));
  }
  std::wstring notes = counts.notes;
  if (pending && !incomplete) {
    // Final as the server has it: the stadiums it lacks are named.
    for (int32_t stadium : counts.pendingStadiums) {
      notes += Format(L"%s: 成績未登録\r\n", StadiumNameOf(stadium));
    }
  }
  AddNotes(notes, tally);
  return ok;
}

// ---------------------------------------------------------------------------
// Reading

bool RaceFileImporter::ReadWholeFile(const std::wstring& path, std::string* bytes) {
  return ReadOfficialFile(path, bytes, &message_);
}

bool RaceFileImporter::ReadArchiveBytes(const std::wstring& path, std::string* bytes) {
  return wakelore::ReadArchiveBytes(path, bytes, &message_);
}

// ---------------------------------------------------------------------------
// Bookkeeping and upserts

bool RaceFileImporter::IsImported(const std::wstring& file_type, const std::wstring& path) {
  if (reimport_) return false;
  std::vector<DbRow> rows;
  const bool ok = db_->QueryRows(
      Format(L"SELECT id FROM data_files WHERE file_type=%s AND source_path=%s AND "
             L"status='IMPORTED' LIMIT 1;",
             SqlQuote(file_type), SqlQuote(path)),
      &rows);
  return ok && !rows.empty();
}

bool RaceFileImporter::RecordDataFile(const std::wstring& file_type, const std::wstring& path,
                                      const std::wstring& status, int32_t rows,
                                      const std::wstring& message) {
  return db_->Exec(Format(
      L"INSERT INTO data_files (file_type, source_path, status, imported_rows, message, "
      L"imported_at) VALUES (%s, %s, %s, %d, %s, datetime('now', 'localtime')) "
      L"ON CONFLICT(source_path) DO UPDATE SET file_type=excluded.file_type, "
      L"status=excluded.status, imported_rows=excluded.imported_rows, message=excluded.message, "
      L"imported_at=excluded.imported_at;",
      SqlQuote(file_type), SqlQuote(path), SqlQuote(status), rows, SqlQuote(message)));
}

int32_t RaceFileImporter::QueryId(const std::wstring& sql) {
  std::vector<DbRow> rows;
  if (db_->QueryRows(sql, &rows) && !rows.empty()) {
    return ParseInteger(DbRowValue(rows[0], L"value"));
  }
  message_ = db_->LastError();
  return 0;
}

// The row writers run thousands of times per archive, so each is prepared
// once (on its first use) and bound with new values for every row.  The
// statements last until the archive ends (or the importer ends, for calls
// outside an archive).  Reals are bound as the decimal text the columns
// have always held would read back, so the stored values do not depend on
// how they were written.
enum class RaceFileImporter::Writer : int {
  kRace, kRaceId, kRacer, kRacerId, kMotor, kMotorId, kBoat, kBoatId,
  kProgramEntry, kResultEntry, kResultRow, kPayout, kRaceResult, kCount
};

namespace {

constexpr const char* kWriterSql[] = {
    // kRace
    "INSERT INTO races (race_date, stadium_id, race_no, title, grade, distance, weather, "
    "wind_direction, wind_speed, wave_height, deadline_time, series_title, day_label) "
    "VALUES (?, ?, ?, ?, '', ?, ?, ?, ?, ?, ?, ?, ?) "
    "ON CONFLICT(race_date, stadium_id, race_no) DO UPDATE SET "
    "title=CASE WHEN excluded.title<>'' THEN excluded.title ELSE races.title END, "
    "series_title=CASE WHEN excluded.series_title<>'' THEN excluded.series_title ELSE "
    "races.series_title END, "
    "day_label=CASE WHEN excluded.day_label<>'' THEN excluded.day_label ELSE races.day_label END, "
    "distance=CASE WHEN excluded.distance>0 THEN excluded.distance ELSE races.distance END, "
    "weather=CASE WHEN excluded.weather<>'' THEN excluded.weather ELSE races.weather END, "
    "wind_direction=CASE WHEN excluded.wind_direction<>'' THEN excluded.wind_direction ELSE "
    "races.wind_direction END, "
    "wind_speed=CASE WHEN excluded.wind_speed>0 THEN excluded.wind_speed ELSE races.wind_speed END, "
    "wave_height=CASE WHEN excluded.wave_height>0 THEN excluded.wave_height ELSE "
    "races.wave_height END, "
    "deadline_time=CASE WHEN excluded.deadline_time<>'' THEN excluded.deadline_time ELSE "
    "races.deadline_time END;",
    // kRaceId
    "SELECT id FROM races WHERE race_date=? AND stadium_id=? AND race_no=?;",
    // kRacer
    "INSERT INTO racers (register_no, name, class_name, branch, age, weight, national_win_rate, "
    "local_win_rate, avg_start_timing, f_count, l_count) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 0.0, 0, 0) "
    "ON CONFLICT(register_no) DO UPDATE SET "
    "name=CASE WHEN excluded.name<>'' THEN excluded.name ELSE racers.name END, "
    "class_name=CASE WHEN excluded.class_name<>'' THEN excluded.class_name ELSE "
    "racers.class_name END, "
    "branch=CASE WHEN excluded.branch<>'' THEN excluded.branch ELSE racers.branch END, "
    "age=CASE WHEN excluded.age>0 THEN excluded.age ELSE racers.age END, "
    "weight=CASE WHEN excluded.weight>0 THEN excluded.weight ELSE racers.weight END, "
    "national_win_rate=CASE WHEN excluded.national_win_rate>0 THEN excluded.national_win_rate "
    "ELSE racers.national_win_rate END, "
    "local_win_rate=CASE WHEN excluded.local_win_rate>0 THEN excluded.local_win_rate ELSE "
    "racers.local_win_rate END;",
    // kRacerId
    "SELECT id FROM racers WHERE register_no=?;",
    // kMotor
    "INSERT INTO motors (stadium_id, motor_no, quinella_rate, win_rate, memo) "
    "VALUES (?, ?, ?, 0.0, '') ON CONFLICT(stadium_id, motor_no) DO UPDATE SET "
    "quinella_rate=CASE WHEN excluded.quinella_rate>0 THEN excluded.quinella_rate "
    "ELSE motors.quinella_rate END;",
    // kMotorId
    "SELECT id FROM motors WHERE stadium_id=? AND motor_no=?;",
    // kBoat
    "INSERT INTO boats (stadium_id, boat_no, quinella_rate, win_rate, memo) "
    "VALUES (?, ?, ?, 0.0, '') ON CONFLICT(stadium_id, boat_no) DO UPDATE SET "
    "quinella_rate=CASE WHEN excluded.quinella_rate>0 THEN excluded.quinella_rate "
    "ELSE boats.quinella_rate END;",
    // kBoatId
    "SELECT id FROM boats WHERE stadium_id=? AND boat_no=?;",
    // kProgramEntry
    "INSERT INTO race_entries (race_id, frame_no, racer_id, motor_id, boat_id, course_no, "
    "exhibition_time, tilt, start_exhibition, current_score, comment, class_name, branch, age, "
    "weight, national_win_rate, national_quinella_rate, local_win_rate, local_quinella_rate, "
    "motor_no, motor_quinella_rate, boat_no, boat_quinella_rate, current_results) "
    "VALUES (?, ?, ?, ?, ?, ?, 0.0, 0.0, 0.0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
    "ON CONFLICT(race_id, frame_no) DO UPDATE SET racer_id=excluded.racer_id, "
    "motor_id=excluded.motor_id, boat_id=excluded.boat_id, "
    "course_no=CASE WHEN race_entries.course_no>0 THEN race_entries.course_no ELSE "
    "excluded.course_no END, "
    "current_score=excluded.current_score, comment=excluded.comment, "
    "class_name=excluded.class_name, branch=excluded.branch, age=excluded.age, "
    "weight=excluded.weight, national_win_rate=excluded.national_win_rate, "
    "national_quinella_rate=excluded.national_quinella_rate, "
    "local_win_rate=excluded.local_win_rate, local_quinella_rate=excluded.local_quinella_rate, "
    "motor_no=excluded.motor_no, motor_quinella_rate=excluded.motor_quinella_rate, "
    "boat_no=excluded.boat_no, boat_quinella_rate=excluded.boat_quinella_rate, "
    "current_results=excluded.current_results;",
    // kResultEntry
    "INSERT INTO race_entries (race_id, frame_no, racer_id, motor_id, boat_id, course_no, "
    "exhibition_time, tilt, start_exhibition, current_score, comment) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, 0.0, 0.0, 0.0, '') "
    "ON CONFLICT(race_id, frame_no) DO UPDATE SET racer_id=excluded.racer_id, "
    "motor_id=excluded.motor_id, boat_id=excluded.boat_id, course_no=excluded.course_no, "
    "exhibition_time=excluded.exhibition_time;",
    // kResultRow
    "INSERT INTO race_result_entries (race_id, finish_order, frame_no, register_no, "
    "racer_name, motor_no, boat_no, exhibition_time, course_no, start_timing, race_time, "
    "imported_at, finish_mark) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, datetime('now', 'localtime'), ?) "
    "ON CONFLICT(race_id, frame_no) DO UPDATE SET finish_order=excluded.finish_order, "
    "register_no=excluded.register_no, racer_name=excluded.racer_name, "
    "motor_no=excluded.motor_no, boat_no=excluded.boat_no, "
    "exhibition_time=excluded.exhibition_time, course_no=excluded.course_no, "
    "start_timing=excluded.start_timing, race_time=excluded.race_time, "
    "imported_at=excluded.imported_at, finish_mark=excluded.finish_mark;",
    // kPayout
    "INSERT INTO odds (race_id, bet_type, combination, odds_value, updated_at, popularity) "
    "VALUES (?, ?, ?, ?, datetime('now', 'localtime'), ?) "
    "ON CONFLICT(race_id, bet_type, combination) DO UPDATE SET odds_value=excluded.odds_value, "
    "updated_at=excluded.updated_at, popularity=excluded.popularity;",
    // kRaceResult
    "INSERT INTO race_results (race_id, first_frame, second_frame, third_frame, "
    "winning_technique, trifecta, trifecta_payout) VALUES (?, ?, ?, ?, ?, ?, ?) "
    "ON CONFLICT(race_id) DO UPDATE SET first_frame=excluded.first_frame, "
    "second_frame=excluded.second_frame, third_frame=excluded.third_frame, "
    "winning_technique=excluded.winning_technique, trifecta=excluded.trifecta, "
    "trifecta_payout=excluded.trifecta_payout;",
};
// `value` as the decimal text with `places` digits after the point reads back.
double Decimals(double value, int places) {
  // Most values come from texts with no more digits than that: they are
  // already the nearest double of their decimal, and printing is slow.
  static constexpr double kScale[] = {1.0, 10.0, 100.0, 1000.0, 10000.0};
  if (places >= 0 && places <= 4 && std::fabs(value) < 1e9) {
    const double nearest = std::nearbyint(value * kScale[places]) / kScale[places];
    if (nearest == value) return value;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", places, value);
  return std::strtod(text, nullptr);
}

}  // namespace

DbStatement* RaceFileImporter::Statement(Writer writer) {
  static_assert(sizeof(kWriterSql) / sizeof(kWriterSql[0]) == static_cast<size_t>(Writer::kCount),
                "one statement per writer");
  if (!writers_) writers_ = std::make_unique<DbStatement[]>(static_cast<size_t>(Writer::kCount));
  DbStatement& statement = writers_[static_cast<size_t>(writer)];
  if (!statement.IsPrepared() && !statement.Prepare(*db_, kWriterSql[static_cast<int>(writer)])) {
    message_ = statement.error();
    return nullptr;
  }
  return &statement;
}

bool RaceFileImporter::Finish(DbStatement* statement) {
  if (statement->Run()) return true;
  message_ = statement->error();
  return false;
}

int32_t RaceFileImporter::TakeId(DbStatement* query, const std::wstring& key,
                                 IdCache* ids) {
  int64_t id = 0;
  if (!query->QueryInt(&id) || id <= 0 || id > INT32_MAX) {
    message_ = query->error().empty() ? std::wstring(L"登録した行が見つかりません。") : query->error();
    return 0;
  }
  (*ids)[key] = static_cast<int32_t>(id);
  return static_cast<int32_t>(id);
}

int32_t RaceFileImporter::UpsertRace(const std::wstring& race_date, int32_t stadium_id,
                                     int32_t race_no, const std::wstring& title,
                                     int32_t distance, const std::wstring& deadline,
                                     const std::wstring& weather,
                                     const std::wstring& wind_direction, double wind_speed,
                                     double wave_height) {
  std::wstring key = race_date;
  key += L'|';
  key += std::to_wstring(stadium_id);
  key += L'|';
  key += std::to_wstring(race_no);
  if (auto it = race_ids_.find(key); it != race_ids_.end()) return it->second;
  DbStatement* upsert = Statement(Writer::kRace);
  if (upsert == nullptr) return 0;
  upsert->Text(race_date).Int(stadium_id).Int(race_no).Text(title).Int(distance).Text(weather)
      .Text(wind_direction).Real(Decimals(wind_speed, 3)).Real(Decimals(wave_height, 3))
      .Text(deadline).Text(series_title_).Text(day_label_);
  if (!Finish(upsert)) return 0;
  DbStatement* query = Statement(Writer::kRaceId);
  if (query == nullptr) return 0;
  query->Text(race_date).Int(stadium_id).Int(race_no);
  return TakeId(query, key, &race_ids_);
}

int32_t RaceFileImporter::UpsertRacer(const std::wstring& register_no, const std::wstring& name,
                                      const std::wstring& class_name, const std::wstring& branch,
                                      int32_t age, double weight, double national_win_rate,
                                      double local_win_rate) {
  if (register_no.empty()) return 0;
  const RacerValues values{name, class_name, branch, age, Decimals(weight, 3),
                           Decimals(national_win_rate, 4), Decimals(local_win_rate, 4)};
  // A racer runs several races a meeting: when every value this call would
  // store is already what this importer last stored, the row cannot change.
  const auto id = racer_ids_.find(register_no);
  const auto written = racer_values_.find(register_no);
  if (id != racer_ids_.end() && written != racer_values_.end() &&
      written->second.Holds(values)) {
    return id->second;
  }
  DbStatement* upsert = Statement(Writer::kRacer);
  if (upsert == nullptr) return 0;
  upsert->Text(register_no).Text(name).Text(class_name).Text(branch).Int(age)
      .Real(values.weight).Real(values.nationalWinRate).Real(values.localWinRate);
  if (!Finish(upsert)) return 0;
  racer_values_[register_no].Take(values);
  if (id != racer_ids_.end()) return id->second;
  DbStatement* query = Statement(Writer::kRacerId);
  if (query == nullptr) return 0;
  query->Text(register_no);
  return TakeId(query, register_no, &racer_ids_);
}

bool RaceFileImporter::RacerValues::Holds(const RacerValues& next) const {
  return (next.name.empty() || next.name == name) &&
         (next.className.empty() || next.className == className) &&
         (next.branch.empty() || next.branch == branch) && (next.age <= 0 || next.age == age) &&
         (!(next.weight > 0) || next.weight == weight) &&
         (!(next.nationalWinRate > 0) || next.nationalWinRate == nationalWinRate) &&
         (!(next.localWinRate > 0) || next.localWinRate == localWinRate);
}

void RaceFileImporter::RacerValues::Take(const RacerValues& next) {
  // The upsert keeps a stored value where the new one is empty or zero;
  // an unknown field stays unknown here (empty or zero) until written.
  if (!next.name.empty()) name = next.name;
  if (!next.className.empty()) className = next.className;
  if (!next.branch.empty()) branch = next.branch;
  if (next.age > 0) age = next.age;
  if (next.weight > 0) weight = next.weight;
  if (next.nationalWinRate > 0) nationalWinRate = next.nationalWinRate;
  if (next.localWinRate > 0) localWinRate = next.localWinRate;
}

int32_t RaceFileImporter::UpsertMotor(int32_t stadium_id, const std::wstring& motor_no,
                                      double quinella_rate) {
  if (stadium_id < 1 || motor_no.empty()) return 0;
  return UpsertEquipment(Writer::kMotor, Writer::kMotorId, stadium_id, motor_no, quinella_rate,
                         &motor_ids_, &motor_rates_);
}

int32_t RaceFileImporter::UpsertBoat(int32_t stadium_id, const std::wstring& boat_no,
                                     double quinella_rate) {
  if (stadium_id < 1 || boat_no.empty()) return 0;
  return UpsertEquipment(Writer::kBoat, Writer::kBoatId, stadium_id, boat_no, quinella_rate,
                         &boat_ids_, &boat_rates_);
}

int32_t RaceFileImporter::UpsertEquipment(Writer upsert_writer, Writer id_writer,
                                          int32_t stadium_id, const std::wstring& number,
                                          double quinella_rate, IdCache* ids,
                                          RateCache* rates) {
  std::wstring key = std::to_wstring(stadium_id);
  key += L'|';
  key += number;
  const double rate = Decimals(quinella_rate, 4);
  const auto cached = ids->find(key);
  // Without a rate the upsert of a known row changes nothing (the result
  // file names motors and boats for every boat of every race), nor with
  // the rate this importer stored last.
  if (cached != ids->end()) {
    const auto written = rates->find(key);
    if (!(rate > 0) || (written != rates->end() && written->second == rate)) return cached->second;
  }
  DbStatement* upsert = Statement(upsert_writer);
  if (upsert == nullptr) return 0;
  upsert->Int(stadium_id).Text(number).Real(rate);
  if (!Finish(upsert)) return 0;
  if (rate > 0) (*rates)[key] = rate;
  if (cached != ids->end()) return cached->second;
  DbStatement* query = Statement(id_writer);
  if (query == nullptr) return 0;
  query->Int(stadium_id).Text(number);
  return TakeId(query, key, ids);
}

// ---------------------------------------------------------------------------
// Row writers

bool RaceFileImporter::StoreProgramEntry(int32_t race_id, const ProgramEntry& entry,
                                         int32_t racer_id, int32_t motor_id, int32_t boat_id) {
  DbStatement* insert = Statement(Writer::kProgramEntry);
  if (insert == nullptr) return false;
  insert->Int(race_id).Int(entry.frame).Int(racer_id).Int(motor_id).Int(boat_id).Int(entry.frame)
      .Real(Decimals(CurrentScoreOf(entry.currentResults), 4))
      .Text(Format(L"今節成績:%s 早見:%d", entry.currentResults, entry.early))
      .Text(entry.className).Text(entry.branch).Int(entry.age).Real(Decimals(entry.weight, 1))
      .Real(Decimals(entry.nationalWinRate, 2)).Real(Decimals(entry.nationalQuinellaRate, 2))
      .Real(Decimals(entry.localWinRate, 2)).Real(Decimals(entry.localQuinellaRate, 2))
      .Text(entry.motorNo).Real(Decimals(entry.motorQuinellaRate, 2)).Text(entry.boatNo)
      .Real(Decimals(entry.boatQuinellaRate, 2)).Text(entry.currentResults);
  return Finish(insert);
}

bool RaceFileImporter::StoreResultEntry(int32_t race_id, const ResultEntry& entry,
                                        int32_t racer_id, int32_t motor_id, int32_t boat_id) {
  DbStatement* entry_row = Statement(Writer::kResultEntry);
  if (entry_row == nullptr) return false;
  entry_row->Int(race_id).Int(entry.frame).Int(racer_id).Int(motor_id).Int(boat_id)
      .Int(entry.courseNo).Real(Decimals(entry.exhibitionTime, 3));
  if (!Finish(entry_row)) return false;
  DbStatement* result_row = Statement(Writer::kResultRow);
  if (result_row == nullptr) return false;
  result_row->Int(race_id).Int(entry.finishOrder).Int(entry.frame).Text(entry.registerNo)
      .Text(entry.racerName).Text(entry.motorNo).Text(entry.boatNo)
      .Real(Decimals(entry.exhibitionTime, 3)).Int(entry.courseNo)
      .Real(Decimals(entry.startTiming, 3)).Text(entry.raceTime).Text(entry.finishMark);
  return Finish(result_row);
}

bool RaceFileImporter::StorePayout(int32_t race_id, const PayoutItem& item) {
  DbStatement* insert = Statement(Writer::kPayout);
  if (insert == nullptr) return false;
  insert->Int(race_id).Text(item.betType).Text(item.combination)
      .Real(static_cast<double>(item.amount)).Int(item.popularity);
  return Finish(insert);
}

bool RaceFileImporter::StoreRaceResult(int32_t race_id, const std::vector<ResultEntry>& entries,
                                       const std::wstring& technique,
                                       const std::vector<PayoutItem>& payouts) {
  if (race_id <= 0 || entries.size() < 3) return true;
  int32_t places[3] = {0, 0, 0};
  for (const ResultEntry& e : entries) {
    if (e.finishOrder >= 1 && e.finishOrder <= 3) places[e.finishOrder - 1] = e.frame;
  }
  std::wstring trifecta;
  int32_t payout = 0;
  for (const PayoutItem& p : payouts) {
    if (p.betType == L"３連単") {
      trifecta = p.combination;
      payout = p.amount;
      break;
    }
  }
  if (trifecta.empty() && places[0] > 0 && places[1] > 0 && places[2] > 0) {
    trifecta = Format(L"%d-%d-%d", places[0], places[1], places[2]);
  }
  DbStatement* insert = Statement(Writer::kRaceResult);
  if (insert == nullptr) return false;
  insert->Int(race_id).Int(places[0]).Int(places[1]).Int(places[2]).Text(technique)
      .Text(trifecta).Int(payout);
  return Finish(insert);
}

}  // namespace wakelore
