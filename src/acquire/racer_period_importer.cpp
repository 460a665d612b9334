#include "acquire/racer_period_importer.h"

#include <vector>

#include "acquire/racer_period_line.h"
#include "archive/lzh_decoder.h"
#include "archive/official_text.h"
#include "db/db_statement.h"
#include "db/schema_script.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/text.h"

namespace wakelore {

namespace {

constexpr uint64_t kMaxArchiveBytes = 67108864;

constexpr char kRacerSql[] =
    "INSERT INTO racers (register_no, name, class_name, branch, age, weight, national_win_rate, local_win_rate, "
    "avg_start_timing, f_count, l_count) VALUES (?, ?, ?, ?, ?, ?, ?, 0.0, ?, 0, 0) ON CONFLICT(register_no) DO "
    "UPDATE SET name=excluded.name, class_name=excluded.class_name, branch=excluded.branch, age=excluded.age, "
    "weight=excluded.weight, national_win_rate=excluded.national_win_rate, "
    "avg_start_timing=excluded.avg_start_timing;";

constexpr char kPeriodSql[] =
    "INSERT INTO racer_period_stats (register_no, period_year, period_term, name, name_kana, branch, class_name, "
    "birth_era, birth_date_text, gender, age, height_cm, weight_kg, blood_type, win_rate, quinella_rate, "
    "first_count, second_count, start_count, final_count, championship_count, avg_start_timing, prev_class, "
    "prev2_class, prev3_class, prev_ability, current_ability, calc_from, calc_to, training_term, origin, "
    "source_file, imported_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
    "?, ?, ?, ?, ?, ?, ?, datetime('now', 'localtime')) ON CONFLICT(register_no, period_year, period_term) DO "
    "UPDATE SET name=excluded.name, name_kana=excluded.name_kana, branch=excluded.branch, "
    "class_name=excluded.class_name, age=excluded.age, weight_kg=excluded.weight_kg, win_rate=excluded.win_rate, "
    "quinella_rate=excluded.quinella_rate, avg_start_timing=excluded.avg_start_timing, "
    "current_ability=excluded.current_ability, source_file=excluded.source_file, "
    "imported_at=excluded.imported_at;";

constexpr char kCourseSql[] =
    "INSERT INTO racer_period_course_stats (register_no, period_year, period_term, course_no, entry_count, "
    "quinella_rate, avg_start_timing, avg_start_rank, first_count, second_count, third_count, fourth_count, "
    "fifth_count, sixth_count, f_count, l0_count, l1_count, k0_count, k1_count, s0_count, s1_count, s2_count) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT(register_no, "
    "period_year, period_term, course_no) DO UPDATE SET entry_count=excluded.entry_count, "
    "quinella_rate=excluded.quinella_rate, avg_start_timing=excluded.avg_start_timing, "
    "avg_start_rank=excluded.avg_start_rank, first_count=excluded.first_count, "
    "second_count=excluded.second_count, third_count=excluded.third_count, fourth_count=excluded.fourth_count, "
    "fifth_count=excluded.fifth_count, sixth_count=excluded.sixth_count, f_count=excluded.f_count, "
    "l0_count=excluded.l0_count, l1_count=excluded.l1_count, k0_count=excluded.k0_count, "
    "k1_count=excluded.k1_count, s0_count=excluded.s0_count, s1_count=excluded.s1_count, "
    "s2_count=excluded.s2_count;";

}  // namespace

void RacerPeriodImporter::Record(const std::wstring& path, const wchar_t* status, int32_t rows,
                                 const std::wstring& message) {
  // Not checked: an archive left unrecorded is only imported again next time.
  (void)db_.Exec(Format(L"INSERT INTO data_files (file_type, source_path, status, imported_rows, message, imported_at) "
                  L"VALUES ('RACER_PERIOD', %s, %s, %d, %s, datetime('now', 'localtime')) ON CONFLICT(source_path) "
                  L"DO UPDATE SET status=excluded.status, imported_rows=excluded.imported_rows, "
                  L"message=excluded.message, imported_at=excluded.imported_at;",
                  SqlQuote(path), SqlQuote(status), rows, SqlQuote(message)));
}

bool RacerPeriodImporter::ImportRacerPeriodArchive(const std::wstring& path, RacerImportTally* tally) {
  if (!db_.Exec(RacerPeriodTablesScript())) {
    message_ = db_.LastError();
    return false;
  }
  const std::wstring name = FileNameOf(path);
  std::vector<DbRow> found;
  if (db_.QueryRows(Format(L"SELECT id FROM data_files WHERE file_type='RACER_PERIOD' AND source_path=%s AND "
                           L"status='IMPORTED' LIMIT 1;",
                           SqlQuote(path)),
                    &found) &&
      !found.empty()) {
    tally->filesSkipped += 1;
    tally->log += Format(L"%s: 取込済みのためスキップ\r\n", name);
    return true;
  }

  std::string archive;
  std::wstring read_error;
  if (!ReadWholeFile(path, &archive, &read_error, kMaxArchiveBytes) || archive.empty()) {
    int64_t size = FileSizeOf(path);
    if (!PathExists(path) || IsDirectory(path) || size < 0) {
      message_ = L"Failed to open file.";
    } else if (size == 0 || static_cast<uint64_t>(size) > kMaxArchiveBytes) {
      message_ = L"File size is invalid.";
    } else {
      message_ = L"Failed to read complete file.";
    }
    tally->failures += 1;
    Record(path, L"FAILED", 0, message_);
    return false;
  }

  std::vector<uint8_t> text;
  {
    LzhDecoder decoder;
    if (!decoder.ExtractFirstEntry(archive, &text)) {
      message_ = decoder.message();
      tally->filesNotDecoded += 1;
      Record(path, L"FAILED_LZH", 0, message_);
      tally->log += Format(L"%s: LZH展開失敗: %s\r\n", name, message_);
      return false;
    }
  }
  archive.clear();
  archive.shrink_to_fit();
  std::string_view bytes(reinterpret_cast<const char*>(text.data()), text.size());

  DbStatement racer, period, course;
  if (!racer.Prepare(db_, kRacerSql) || !period.Prepare(db_, kPeriodSql) || !course.Prepare(db_, kCourseSql)) {
    message_ = !racer.error().empty() ? racer.error() : !period.error().empty() ? period.error() : course.error();
    tally->failures += 1;
    Record(path, L"FAILED", 0, message_);
    return false;
  }

  // Not checked (as before): a failed begin shows in the commit below.
  (void)db_.Exec(L"BEGIN TRANSACTION;");
  int32_t read = 0;
  int32_t stored = 0;
  int32_t failed = 0;
  for (std::string_view line : SplitRacerLines(bytes)) {
    if (!IsRacerLine(line)) continue;
    ++read;
    RacerPeriodRecord r = ParseRacerPeriodLine(line);
    if (r.period_year == 0 || r.period_term == 0) PeriodFromFileName(path, &r.period_year, &r.period_term);

    DbStatement* at = &racer;
    bool ok = racer.Text(r.register_no)
                  .Text(r.name)
                  .Text(r.class_name)
                  .Text(r.branch)
                  .Int(r.age)
                  .Real(r.weight_kg)
                  .Real(r.win_rate)
                  .Real(r.avg_start_timing)
                  .Run();
    if (ok) at = &period;
    ok = ok && period.Text(r.register_no)
                   .Int(r.period_year)
                   .Int(r.period_term)
                   .Text(r.name)
                   .Text(r.name_kana)
                   .Text(r.branch)
                   .Text(r.class_name)
                   .Text(r.birth_era)
                   .Text(r.birth_date_text)
                   .Int(r.gender)
                   .Int(r.age)
                   .Int(r.height_cm)
                   .Real(r.weight_kg)
                   .Text(r.blood_type)
                   .Real(r.win_rate)
                   .Real(r.quinella_rate)
                   .Int(r.first_count)
                   .Int(r.second_count)
                   .Int(r.start_count)
                   .Int(r.final_count)
                   .Int(r.championship_count)
                   .Real(r.avg_start_timing)
                   .Text(r.prev_class)
                   .Text(r.prev2_class)
                   .Text(r.prev3_class)
                   .Real(r.prev_ability)
                   .Real(r.current_ability)
                   .Text(r.calc_from)
                   .Text(r.calc_to)
                   .Int(r.training_term)
                   .Text(r.origin)
                   .Text(path)
                   .Run();
    if (ok) at = &course;
    for (int i = 0; ok && i < 6; ++i) {
      const RacerCourseRecord& c = r.courses[static_cast<size_t>(i)];
      ok = course.Text(r.register_no)
               .Int(r.period_year)
               .Int(r.period_term)
               .Int(i + 1)
               .Int(c.entry_count)
               .Real(c.quinella_rate)
               .Real(c.avg_start_timing)
               .Real(c.avg_start_rank)
               .Int(c.first_count)
               .Int(c.second_count)
               .Int(c.third_count)
               .Int(c.fourth_count)
               .Int(c.fifth_count)
               .Int(c.sixth_count)
               .Int(c.f_count)
               .Int(c.l0_count)
               .Int(c.l1_count)
               .Int(c.k0_count)
               .Int(c.k1_count)
               .Int(c.s0_count)
               .Int(c.s1_count)
               .Int(c.s2_count)
               .Run();
    }
    if (ok) {
      ++stored;
    } else {
      ++failed;
      message_ = at->error();
    }
  }
  if (failed > 0) {
    (void)db_.Exec(L"ROLLBACK;");  // the failed rows are what is reported
  } else if (!db_.Exec(L"COMMIT;")) {
    // A commit refused (the file locked by another connection) stored
    // nothing: the archive must not be recorded as imported.
    message_ = db_.LastError();
    (void)db_.Exec(L"ROLLBACK;");  // the commit's error is the one reported
    tally->rowsRead += read;
    tally->failures += 1;
    tally->log += Format(L"%s: %d/%d rows imported\r\n", name, 0, read);
    Record(path, L"FAILED", 0, message_);
    return false;
  }

  tally->rowsRead += read;
  tally->rowsImported += stored;
  tally->failures += failed;
  tally->log += Format(L"%s: %d/%d rows imported\r\n", name, stored, read);
  if (failed > 0) {
    Record(path, L"FAILED", stored, L"Some rows failed.");
    return false;
  }
  tally->filesImported += 1;
  Record(path, L"IMPORTED", stored, L"");
  return true;
}

}  // namespace wakelore
