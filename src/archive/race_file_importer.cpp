#include "archive/race_file_importer.h"

#include <new>

#include "archive/official_recognition.h"
#include "archive/official_text.h"
#include "db/db_manager.h"
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

}  // namespace

RaceFileImporter::RaceFileImporter(DbManager* connection, bool reimport)
    : db_(connection), reimport_(reimport) {}

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

  db_->Exec(L"BEGIN TRANSACTION;");
  FileCounts counts;
  if (kind == Kind::kProgram) {
    ParseProgramLines(date, lines, &counts);
  } else {
    ParseResultLines(date, lines, &counts);
  }
  if (counts.failures == 0) {
    // A commit that fails (a locked file, a full disk) loses the whole file:
    // it must not be recorded as imported.
    if (!db_->Exec(L"COMMIT;")) {
      counts.lost = true;
      message_ = db_->LastError();
      db_->Exec(L"ROLLBACK;");
      DropIdCaches();
    }
  } else {
    db_->Exec(L"ROLLBACK;");
    DropIdCaches();
  }
  return kind == Kind::kProgram ? CloseProgramFile(path, counts, tally)
                                : CloseResultFile(path, counts, tally);
}

void RaceFileImporter::DropIdCaches() {
  race_ids_.clear();
  racer_ids_.clear();
  motor_ids_.clear();
  boat_ids_.clear();
}

void RaceFileImporter::BeginStadiumLine(const std::wstring& line, int32_t stadium,
                                        int32_t* current_stadium) {
  if (stadium != *current_stadium) {
    series_title_.clear();
    day_label_.clear();
    expect_series_title_ = true;
  }
  *current_stadium = stadium;
  ReadDayLabel(line, &day_label_);
}

// ---------------------------------------------------------------------------
// Program files

void RaceFileImporter::ParseProgramLines(const std::wstring& date,
                                         const std::vector<std::wstring>& lines,
                                         FileCounts* counts) {
  int32_t stadium = 0;
  int32_t race_id = 0;
  for (const std::wstring& line : lines) {
    const int32_t s = DetectStadium(line);
    if (s > 0) {
      BeginStadiumLine(line, s, &stadium);
      race_id = 0;
    }
    const int32_t r = RaceNumberOf(line);
    if (stadium > 0 && r >= 1 && r <= 12 && NormalizeWidth(line).find(L'H') != std::wstring::npos) {
      expect_series_title_ = false;
      race_id = UpsertRace(date, stadium, r, RaceTitleOf(line), DistanceOf(line), DeadlineOf(line),
                           L"", L"", 0.0, 0.0);
      if (race_id > 0) counts->races += 1;
      continue;
    }
    if (s == 0 && stadium > 0 && race_id == 0) {
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
  if (counts.parsed == counts.stored && counts.unreadable == 0 && !counts.lost) {
    tally->filesImported += 1;
    RecordDataFile(kProgramType, path, kImported, counts.stored, L"");
    ok = true;
  } else {
    if (counts.unreadable > 0) {
      message_ = Format(L"読めなかった出走行が %d 行あります(例: %s)", counts.unreadable, example);
    }
    RecordDataFile(kProgramType, path, kFailed, counts.stored, message_);
  }
  tally->log += Format(L"%s: races=%d entries=%d/%d\r\n", FileNameOf(path), counts.races,
                       counts.stored, counts.parsed + counts.unreadable);
  if (counts.unreadable > 0) {
    tally->log += Format(L"  読めなかった出走行 %d 行(書式が変わった可能性があります): %s\r\n",
                         counts.unreadable, example);
  }
  return ok;
}

// ---------------------------------------------------------------------------
// Result files

void RaceFileImporter::ParseResultLines(const std::wstring& date,
                                        const std::vector<std::wstring>& lines,
                                        FileCounts* counts) {
  int32_t stadium = 0;
  race_ = ResultRace();
  for (const std::wstring& line : lines) {
    const int32_t s = DetectStadium(line);
    if (s > 0) {
      FinishRace();
      BeginStadiumLine(line, s, &stadium);
    }
    if (IsPendingResultNotice(line)) {
      // A stadium still racing: the file is a copy taken during the day.
      counts->pendingBlocks += 1;
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
    if (s == 0 && stadium > 0 && race_.id == 0) {
      TakeSeriesTitle(line, &expect_series_title_, &series_title_);
    }
    if (race_.id == 0) continue;

    std::wstring technique = WinningTechniqueOf(line);
    if (!technique.empty()) {
      race_.technique = std::move(technique);
      continue;
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
  const bool incomplete = counts.pendingBlocks > 0;
  if (incomplete) tally->filesIncomplete += 1;
  if (stored_all && !incomplete) {
    tally->filesImported += 1;
    RecordDataFile(kResultType, path, kImported, counts.stored, L"");
  } else {
    if (stored_all) message_ = kIncompleteMessage;
    RecordDataFile(kResultType, path, kFailed, counts.stored, message_);
  }
  tally->log += Format(L"%s: races=%d results=%d/%d\r\n", FileNameOf(path), counts.races,
                       counts.stored, counts.parsed);
  if (incomplete) {
    tally->log += Format(L"  成績が未確定の場が %d 場あります。次回取り込み直します。\r\n",
                         counts.pendingBlocks);
  }
  return stored_all && !incomplete;
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

int32_t RaceFileImporter::UpsertRace(const std::wstring& race_date, int32_t stadium_id,
                                     int32_t race_no, const std::wstring& title,
                                     int32_t distance, const std::wstring& deadline,
                                     const std::wstring& weather,
                                     const std::wstring& wind_direction, double wind_speed,
                                     double wave_height) {
  const std::wstring key = Format(L"%s|%d|%d", race_date, stadium_id, race_no);
  if (auto it = race_ids_.find(key); it != race_ids_.end()) return it->second;
  const std::wstring sql = Format(
      L"INSERT INTO races (race_date, stadium_id, race_no, title, grade, distance, weather, "
      L"wind_direction, wind_speed, wave_height, deadline_time, series_title, day_label) "
      L"VALUES (%s, %d, %d, %s, '', %d, %s, %s, %.3f, %.3f, %s, %s, %s) "
      L"ON CONFLICT(race_date, stadium_id, race_no) DO UPDATE SET "
      L"title=CASE WHEN excluded.title<>'' THEN excluded.title ELSE races.title END, "
      L"series_title=CASE WHEN excluded.series_title<>'' THEN excluded.series_title ELSE "
      L"races.series_title END, "
      L"day_label=CASE WHEN excluded.day_label<>'' THEN excluded.day_label ELSE races.day_label "
      L"END, "
      L"distance=CASE WHEN excluded.distance>0 THEN excluded.distance ELSE races.distance END, "
      L"weather=CASE WHEN excluded.weather<>'' THEN excluded.weather ELSE races.weather END, "
      L"wind_direction=CASE WHEN excluded.wind_direction<>'' THEN excluded.wind_direction ELSE "
      L"races.wind_direction END, "
      L"wind_speed=CASE WHEN excluded.wind_speed>0 THEN excluded.wind_speed ELSE "
      L"races.wind_speed END, "
      L"wave_height=CASE WHEN excluded.wave_height>0 THEN excluded.wave_height ELSE "
      L"races.wave_height END, "
      L"deadline_time=CASE WHEN excluded.deadline_time<>'' THEN excluded.deadline_time ELSE "
      L"races.deadline_time END;",
      SqlQuote(race_date), stadium_id, race_no, SqlQuote(title), distance, SqlQuote(weather),
      SqlQuote(wind_direction), wind_speed, wave_height, SqlQuote(deadline),
      SqlQuote(series_title_), SqlQuote(day_label_));
  if (!db_->Exec(sql)) {
    message_ = db_->LastError();
    return 0;
  }
  const int32_t id = QueryId(
      Format(L"SELECT id AS value FROM races WHERE race_date=%s AND stadium_id=%d AND race_no=%d;",
             SqlQuote(race_date), stadium_id, race_no));
  if (id > 0) race_ids_[key] = id;
  return id;
}

int32_t RaceFileImporter::UpsertRacer(const std::wstring& register_no, const std::wstring& name,
                                      const std::wstring& class_name, const std::wstring& branch,
                                      int32_t age, double weight, double national_win_rate,
                                      double local_win_rate) {
  if (register_no.empty()) return 0;
  const std::wstring sql = Format(
      L"INSERT INTO racers (register_no, name, class_name, branch, age, weight, "
      L"national_win_rate, local_win_rate, avg_start_timing, f_count, l_count) "
      L"VALUES (%s, %s, %s, %s, %d, %.3f, %.4f, %.4f, 0.0, 0, 0) "
      L"ON CONFLICT(register_no) DO UPDATE SET "
      L"name=CASE WHEN excluded.name<>'' THEN excluded.name ELSE racers.name END, "
      L"class_name=CASE WHEN excluded.class_name<>'' THEN excluded.class_name ELSE "
      L"racers.class_name END, "
      L"branch=CASE WHEN excluded.branch<>'' THEN excluded.branch ELSE racers.branch END, "
      L"age=CASE WHEN excluded.age>0 THEN excluded.age ELSE racers.age END, "
      L"weight=CASE WHEN excluded.weight>0 THEN excluded.weight ELSE racers.weight END, "
      L"national_win_rate=CASE WHEN excluded.national_win_rate>0 THEN excluded.national_win_rate "
      L"ELSE racers.national_win_rate END, "
      L"local_win_rate=CASE WHEN excluded.local_win_rate>0 THEN excluded.local_win_rate ELSE "
      L"racers.local_win_rate END;",
      SqlQuote(register_no), SqlQuote(name), SqlQuote(class_name), SqlQuote(branch), age, weight,
      national_win_rate, local_win_rate);
  if (!db_->Exec(sql)) {
    message_ = db_->LastError();
    return 0;
  }
  if (auto it = racer_ids_.find(register_no); it != racer_ids_.end()) return it->second;
  const int32_t id = QueryId(
      Format(L"SELECT id AS value FROM racers WHERE register_no=%s;", SqlQuote(register_no)));
  if (id > 0) racer_ids_[register_no] = id;
  return id;
}

int32_t RaceFileImporter::UpsertMotor(int32_t stadium_id, const std::wstring& motor_no,
                                      double quinella_rate) {
  if (stadium_id < 1 || motor_no.empty()) return 0;
  return UpsertKeyed(
      Format(L"INSERT INTO motors (stadium_id, motor_no, quinella_rate, win_rate, memo) "
             L"VALUES (%d, %s, %.4f, 0.0, '') ON CONFLICT(stadium_id, motor_no) DO UPDATE SET "
             L"quinella_rate=CASE WHEN excluded.quinella_rate>0 THEN excluded.quinella_rate "
             L"ELSE motors.quinella_rate END;",
             stadium_id, SqlQuote(motor_no), quinella_rate),
      Format(L"SELECT id AS value FROM motors WHERE stadium_id=%d AND motor_no=%s;", stadium_id,
             SqlQuote(motor_no)),
      Format(L"%d|%s", stadium_id, motor_no), &motor_ids_);
}

int32_t RaceFileImporter::UpsertBoat(int32_t stadium_id, const std::wstring& boat_no,
                                     double quinella_rate) {
  if (stadium_id < 1 || boat_no.empty()) return 0;
  return UpsertKeyed(
      Format(L"INSERT INTO boats (stadium_id, boat_no, quinella_rate, win_rate, memo) "
             L"VALUES (%d, %s, %.4f, 0.0, '') ON CONFLICT(stadium_id, boat_no) DO UPDATE SET "
             L"quinella_rate=CASE WHEN excluded.quinella_rate>0 THEN excluded.quinella_rate "
             L"ELSE boats.quinella_rate END;",
             stadium_id, SqlQuote(boat_no), quinella_rate),
      Format(L"SELECT id AS value FROM boats WHERE stadium_id=%d AND boat_no=%s;", stadium_id,
             SqlQuote(boat_no)),
      Format(L"%d|%s", stadium_id, boat_no), &boat_ids_);
}

int32_t RaceFileImporter::UpsertKeyed(const std::wstring& upsert_sql,
                                      const std::wstring& id_sql, const std::wstring& key,
                                      std::map<std::wstring, int32_t>* ids) {
  if (!db_->Exec(upsert_sql)) {
    message_ = db_->LastError();
    return 0;
  }
  if (auto it = ids->find(key); it != ids->end()) return it->second;
  const int32_t id = QueryId(id_sql);
  if (id > 0) (*ids)[key] = id;
  return id;
}

// ---------------------------------------------------------------------------
// Row writers

bool RaceFileImporter::StoreProgramEntry(int32_t race_id, const ProgramEntry& entry,
                                         int32_t racer_id, int32_t motor_id, int32_t boat_id) {
  const std::wstring comment =
      Format(L"今節成績:%s 早見:%d", entry.currentResults, entry.early);
  const std::wstring sql = Format(
      L"INSERT INTO race_entries (race_id, frame_no, racer_id, motor_id, boat_id, course_no, "
      L"exhibition_time, tilt, start_exhibition, current_score, comment, class_name, branch, age, "
      L"weight, national_win_rate, national_quinella_rate, local_win_rate, local_quinella_rate, "
      L"motor_no, motor_quinella_rate, boat_no, boat_quinella_rate, current_results) "
      L"VALUES (%d, %d, %d, %d, %d, %d, 0.0, 0.0, 0.0, %.4f, %s, %s, %s, %d, %.1f, %.2f, %.2f, "
      L"%.2f, %.2f, %s, %.2f, %s, %.2f, %s) "
      L"ON CONFLICT(race_id, frame_no) DO UPDATE SET racer_id=excluded.racer_id, "
      L"motor_id=excluded.motor_id, boat_id=excluded.boat_id, "
      L"course_no=CASE WHEN race_entries.course_no>0 THEN race_entries.course_no ELSE "
      L"excluded.course_no END, "
      L"current_score=excluded.current_score, comment=excluded.comment, "
      L"class_name=excluded.class_name, branch=excluded.branch, age=excluded.age, "
      L"weight=excluded.weight, national_win_rate=excluded.national_win_rate, "
      L"national_quinella_rate=excluded.national_quinella_rate, "
      L"local_win_rate=excluded.local_win_rate, local_quinella_rate=excluded.local_quinella_rate, "
      L"motor_no=excluded.motor_no, motor_quinella_rate=excluded.motor_quinella_rate, "
      L"boat_no=excluded.boat_no, boat_quinella_rate=excluded.boat_quinella_rate, "
      L"current_results=excluded.current_results;",
      race_id, entry.frame, racer_id, motor_id, boat_id, entry.frame,
      CurrentScoreOf(entry.currentResults), SqlQuote(comment), SqlQuote(entry.className),
      SqlQuote(entry.branch), entry.age, entry.weight, entry.nationalWinRate,
      entry.nationalQuinellaRate, entry.localWinRate, entry.localQuinellaRate,
      SqlQuote(entry.motorNo), entry.motorQuinellaRate, SqlQuote(entry.boatNo),
      entry.boatQuinellaRate, SqlQuote(entry.currentResults));
  if (!db_->Exec(sql)) {
    message_ = db_->LastError();
    return false;
  }
  return true;
}

bool RaceFileImporter::StoreResultEntry(int32_t race_id, const ResultEntry& entry,
                                        int32_t racer_id, int32_t motor_id, int32_t boat_id) {
  const std::wstring entry_sql = Format(
      L"INSERT INTO race_entries (race_id, frame_no, racer_id, motor_id, boat_id, course_no, "
      L"exhibition_time, tilt, start_exhibition, current_score, comment) "
      L"VALUES (%d, %d, %d, %d, %d, %d, %.3f, 0.0, 0.0, 0.0, '') "
      L"ON CONFLICT(race_id, frame_no) DO UPDATE SET racer_id=excluded.racer_id, "
      L"motor_id=excluded.motor_id, boat_id=excluded.boat_id, course_no=excluded.course_no, "
      L"exhibition_time=excluded.exhibition_time;",
      race_id, entry.frame, racer_id, motor_id, boat_id, entry.courseNo, entry.exhibitionTime);
  if (!db_->Exec(entry_sql)) {
    message_ = db_->LastError();
    return false;
  }
  const std::wstring result_sql = Format(
      L"INSERT INTO race_result_entries (race_id, finish_order, frame_no, register_no, "
      L"racer_name, motor_no, boat_no, exhibition_time, course_no, start_timing, race_time, "
      L"imported_at, finish_mark) "
      L"VALUES (%d, %d, %d, %s, %s, %s, %s, %.3f, %d, %.3f, %s, datetime('now', 'localtime'), %s) "
      L"ON CONFLICT(race_id, frame_no) DO UPDATE SET finish_order=excluded.finish_order, "
      L"register_no=excluded.register_no, racer_name=excluded.racer_name, "
      L"motor_no=excluded.motor_no, boat_no=excluded.boat_no, "
      L"exhibition_time=excluded.exhibition_time, course_no=excluded.course_no, "
      L"start_timing=excluded.start_timing, race_time=excluded.race_time, "
      L"imported_at=excluded.imported_at, finish_mark=excluded.finish_mark;",
      race_id, entry.finishOrder, entry.frame, SqlQuote(entry.registerNo),
      SqlQuote(entry.racerName), SqlQuote(entry.motorNo), SqlQuote(entry.boatNo),
      entry.exhibitionTime, entry.courseNo, entry.startTiming, SqlQuote(entry.raceTime),
      SqlQuote(entry.finishMark));
  if (!db_->Exec(result_sql)) {
    message_ = db_->LastError();
    return false;
  }
  return true;
}

bool RaceFileImporter::StorePayout(int32_t race_id, const PayoutItem& item) {
  const std::wstring sql = Format(
      L"INSERT INTO odds (race_id, bet_type, combination, odds_value, updated_at, popularity) "
      L"VALUES (%d, %s, %s, %.3f, datetime('now', 'localtime'), %d) "
      L"ON CONFLICT(race_id, bet_type, combination) DO UPDATE SET odds_value=excluded.odds_value, "
      L"updated_at=excluded.updated_at, popularity=excluded.popularity;",
      race_id, SqlQuote(item.betType), SqlQuote(item.combination),
      static_cast<double>(item.amount), item.popularity);
  if (!db_->Exec(sql)) {
    message_ = db_->LastError();
    return false;
  }
  return true;
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
  const std::wstring sql = Format(
      L"INSERT INTO race_results (race_id, first_frame, second_frame, third_frame, "
      L"winning_technique, trifecta, trifecta_payout) VALUES (%d, %d, %d, %d, %s, %s, %d) "
      L"ON CONFLICT(race_id) DO UPDATE SET first_frame=excluded.first_frame, "
      L"second_frame=excluded.second_frame, third_frame=excluded.third_frame, "
      L"winning_technique=excluded.winning_technique, trifecta=excluded.trifecta, "
      L"trifecta_payout=excluded.trifecta_payout;",
      race_id, places[0], places[1], places[2], SqlQuote(technique), SqlQuote(trifecta), payout);
  if (!db_->Exec(sql)) {
    message_ = db_->LastError();
    return false;
  }
  return true;
}

}  // namespace wakelore
