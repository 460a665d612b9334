#include "archive/race_file_importer.h"

#include <algorithm>
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

RaceFileImporter::RaceFileImporter(DbManager* connection, bool reimport,
                                   std::shared_ptr<StoredRowValues> stored)
    : db_(connection), reimport_(reimport), store_(connection, &message_, std::move(stored)) {}

RaceFileImporter::~RaceFileImporter() = default;

bool RaceFileImporter::ImportProgramArchive(const std::wstring& path, ArchiveImportTally* tally) {
  return ImportArchive(path, Kind::kProgram, nullptr, tally);
}

bool RaceFileImporter::ImportResultArchive(const std::wstring& path, ArchiveImportTally* tally) {
  return ImportArchive(path, Kind::kResult, nullptr, tally);
}

bool RaceFileImporter::ImportProgramArchive(const std::wstring& path, ArchiveText&& text,
                                            ArchiveImportTally* tally) {
  return ImportArchive(path, Kind::kProgram, &text, tally);
}

bool RaceFileImporter::ImportResultArchive(const std::wstring& path, ArchiveText&& text,
                                           ArchiveImportTally* tally) {
  return ImportArchive(path, Kind::kResult, &text, tally);
}

ArchiveText RaceFileImporter::ReadArchiveText(const std::wstring& path) {
  ArchiveText text;
  text.path = path;
  std::string bytes;
  const bool read = ExtensionOf(path) == L".lzh" ? ReadArchiveBytes(path, &bytes, &text.message)
                                                  : ReadOfficialFile(path, &bytes, &text.message);
  if (!read) return text;
  text.extracted = true;
  try {
    text.lines = DecodeLines(bytes);
    text.read = true;
  } catch (const std::bad_alloc&) {
    text.lines.clear();
    text.message = L"ファイルサイズが不正です。";
  }
  return text;
}

bool RaceFileImporter::ImportLines(const std::wstring& file_type, const std::wstring& path,
                                   const std::vector<std::wstring>& lines,
                                   ArchiveImportTally* tally) {
  if (file_type == kProgramType) return ImportDecoded(path, Kind::kProgram, lines, tally);
  if (file_type == kResultType) return ImportDecoded(path, Kind::kResult, lines, tally);
  return false;
}

bool RaceFileImporter::ImportArchive(const std::wstring& path, Kind kind, ArchiveText* text,
                                     ArchiveImportTally* tally) {
  const wchar_t* type = kind == Kind::kProgram ? kProgramType : kResultType;
  if (!reimport_ && IsImported(type, path)) {
    tally->filesNotRead += 1;
    tally->log += Format(L"%s: 取込済みのためスキップ\r\n", FileNameOf(path));
    return true;
  }
  ArchiveText read_here;
  if (text == nullptr || text->path != path) {
    read_here = ReadArchiveText(path);
    text = &read_here;
  }
  if (!text->read) {
    tally->filesNotRead += 1;
    if (!text->extracted) tally->filesNotExtracted += 1;
    message_ = text->message;
    RecordDataFile(type, path, kFailed, 0, message_);
    return false;
  }
  const std::vector<std::wstring> lines = std::move(text->lines);
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
  // Not checked (as before): a failed begin shows in the commit below.
  (void)db_->Exec(nested ? L"SAVEPOINT archive;" : L"BEGIN TRANSACTION;");
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
      (void)db_->Exec(undo);  // the commit's error is the one reported
      DropIdCaches();
    }
  } else {
    (void)db_->Exec(undo);  // the failure is already recorded
    DropIdCaches();
  }
  store_.ReleaseStatements();
  return kind == Kind::kProgram ? CloseProgramFile(path, counts, tally)
                                : CloseResultFile(path, counts, tally);
}

void RaceFileImporter::DropIdCaches() { store_.DropIdCaches(); }

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
    // The printed names of the block head check the code; the code stays.
    // Once the races have begun, no line is taken for a heading.
    if (block->racing) return BlockStep::kNone;
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
    // Named by the heading up to its first ASCII space ("湖　畔［成績］").
    block->label = FirstCharacters(TrimBlanks(line.substr(0, line.find(L' '))), 20);
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
      block.racing = true;
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
        store_.UpsertRacer(entry->registerNo, entry->name, entry->className, entry->branch,
                           entry->age, entry->weight, entry->nationalWinRate, entry->localWinRate);
    const int32_t motor_id =
        store_.UpsertMotor(stadium, entry->motorNo, entry->motorQuinellaRate);
    const int32_t boat_id = store_.UpsertBoat(stadium, entry->boatNo, entry->boatQuinellaRate);
    if (racer_id > 0 &&
        store_.StoreProgramEntry(race_id, *entry, racer_id, motor_id, boat_id)) {
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
        block.racing = true;
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
          store_.UpsertRacer(entry->registerNo, entry->racerName, L"", L"", 0, 0.0, 0.0, 0.0);
      const int32_t motor_id = store_.UpsertMotor(stadium, entry->motorNo, 0.0);
      const int32_t boat_id = store_.UpsertBoat(stadium, entry->boatNo, 0.0);
      if (racer_id > 0 &&
          store_.StoreResultEntry(race_.id, *entry, racer_id, motor_id, boat_id)) {
        race_.entries.push_back(*entry);
        counts->stored += 1;
      } else {
        counts->failures += 1;
      }
      continue;
    }
    if (LooksLikeResultEntry(line)) {
      // Its columns cannot be told: nothing of it is stored, nor the race's
      // result, which would lack the boat.
      if (counts->unreadable == 0) counts->example = line;
      counts->unreadable += 1;
      race_.unreadable = true;
      continue;
    }
    for (PayoutItem& item : ParsePayoutLine(line, &race_.betType)) {
      store_.StorePayout(race_.id, item);
      race_.payouts.push_back(std::move(item));
    }
  }
  FinishRace();
}

void RaceFileImporter::FinishRace() {
  if (race_.id > 0 && !race_.unreadable) {
    store_.StoreRaceResult(race_.id, race_.entries, race_.technique, race_.payouts);
  }
  race_ = ResultRace();
}

bool RaceFileImporter::CloseResultFile(const std::wstring& path, const FileCounts& counts,
                                       ArchiveImportTally* tally) {
  tally->linesRead += counts.parsed + counts.unreadable;
  tally->rowsStored += counts.stored;
  tally->failures += counts.failures + counts.unreadable;
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
      if (counts.unreadable > 0) {
        message_ = Format(L"読めなかった成績行が %d 行あります(例: %s)", counts.unreadable,
                          FirstCharacters(counts.example, 40));
      } else if (!counts.undetermined.empty()) {
        message_ = UndeterminedMessage(counts.undetermined);
      } else {
        message_ = kIncompleteMessage;
      }
    }
    RecordDataFile(kResultType, path, kFailed, counts.stored, message_);
  }
  tally->log += Format(L"%s: races=%d results=%d/%d\r\n", FileNameOf(path), counts.races,
                       counts.stored, counts.parsed + counts.unreadable);
  if (counts.unreadable > 0) {
    tally->log += Format(L"  読めなかった成績行 %d 行(書式が変わった可能性があります): %s\r\n",
                         counts.unreadable, FirstCharacters(counts.example, 40));
  }
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
// Bookkeeping

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

int32_t RaceFileImporter::UpsertRace(const std::wstring& race_date, int32_t stadium_id,
                                     int32_t race_no, const std::wstring& title,
                                     int32_t distance, const std::wstring& deadline,
                                     const std::wstring& weather,
                                     const std::wstring& wind_direction, double wind_speed,
                                     double wave_height) {
  return store_.UpsertRace(race_date, stadium_id, race_no, title, distance, deadline, weather,
                           wind_direction, wind_speed, wave_height, series_title_, day_label_);
}

}  // namespace wakelore
