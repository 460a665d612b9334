#include "archive/race_row_store.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "db/db_manager.h"
#include "db/db_statement.h"
#include "platform/format.h"

namespace wakelore {

// The row writers run thousands of times per archive, so each is prepared
// once (on its first use) and bound with new values for every row.  The
// id of a row is queried after its upsert: a RETURNING clause costs more
// (SQLite buffers its rows in a temporary table on every step).
enum class RaceRowStore::Writer : int {
  kRace, kRaceId, kRacer, kRacerId, kMotor, kMotorId, kBoat, kBoatId,
  kProgramEntry, kResultEntry, kResultRow, kPayout, kRaceResult, kCount
};

namespace {

using Writer = RaceRowStore::Writer;

struct WriterSql {
  Writer writer;
  const char* sql;
};

constexpr WriterSql kWriters[] = {
    {Writer::kRace,
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
     "races.deadline_time END;"},
    {Writer::kRaceId,
     "SELECT id FROM races WHERE race_date=? AND stadium_id=? AND race_no=?;"},
    {Writer::kRacer,
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
     "racers.local_win_rate END "
     // The row is left alone (no page written) when nothing would change.
     "WHERE (excluded.name<>'' AND excluded.name IS NOT racers.name) OR "
     "(excluded.class_name<>'' AND excluded.class_name IS NOT racers.class_name) OR "
     "(excluded.branch<>'' AND excluded.branch IS NOT racers.branch) OR "
     "(excluded.age>0 AND excluded.age IS NOT racers.age) OR "
     "(excluded.weight>0 AND excluded.weight IS NOT racers.weight) OR "
     "(excluded.national_win_rate>0 AND excluded.national_win_rate IS NOT racers.national_win_rate) OR "
     "(excluded.local_win_rate>0 AND excluded.local_win_rate IS NOT racers.local_win_rate);"},
    {Writer::kRacerId,
     "SELECT id FROM racers WHERE register_no=?;"},
    {Writer::kMotor,
     "INSERT INTO motors (stadium_id, motor_no, quinella_rate, win_rate, memo) "
     "VALUES (?, ?, ?, 0.0, '') ON CONFLICT(stadium_id, motor_no) DO UPDATE SET "
     "quinella_rate=CASE WHEN excluded.quinella_rate>0 THEN excluded.quinella_rate "
     "ELSE motors.quinella_rate END "
     "WHERE excluded.quinella_rate>0 AND excluded.quinella_rate IS NOT motors.quinella_rate;"},
    {Writer::kMotorId,
     "SELECT id FROM motors WHERE stadium_id=? AND motor_no=?;"},
    {Writer::kBoat,
     "INSERT INTO boats (stadium_id, boat_no, quinella_rate, win_rate, memo) "
     "VALUES (?, ?, ?, 0.0, '') ON CONFLICT(stadium_id, boat_no) DO UPDATE SET "
     "quinella_rate=CASE WHEN excluded.quinella_rate>0 THEN excluded.quinella_rate "
     "ELSE boats.quinella_rate END "
     "WHERE excluded.quinella_rate>0 AND excluded.quinella_rate IS NOT boats.quinella_rate;"},
    {Writer::kBoatId,
     "SELECT id FROM boats WHERE stadium_id=? AND boat_no=?;"},
    {Writer::kProgramEntry,
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
     "current_results=excluded.current_results;"},
    {Writer::kResultEntry,
     "INSERT INTO race_entries (race_id, frame_no, racer_id, motor_id, boat_id, course_no, "
     "exhibition_time, tilt, start_exhibition, current_score, comment) "
     "VALUES (?, ?, ?, ?, ?, ?, ?, 0.0, 0.0, 0.0, '') "
     "ON CONFLICT(race_id, frame_no) DO UPDATE SET racer_id=excluded.racer_id, "
     "motor_id=excluded.motor_id, boat_id=excluded.boat_id, course_no=excluded.course_no, "
     "exhibition_time=excluded.exhibition_time;"},
    {Writer::kResultRow,
     "INSERT INTO race_result_entries (race_id, finish_order, frame_no, register_no, "
     "racer_name, motor_no, boat_no, exhibition_time, course_no, start_timing, race_time, "
     "imported_at, finish_mark) "
     "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, datetime('now', 'localtime'), ?) "
     "ON CONFLICT(race_id, frame_no) DO UPDATE SET finish_order=excluded.finish_order, "
     "register_no=excluded.register_no, racer_name=excluded.racer_name, "
     "motor_no=excluded.motor_no, boat_no=excluded.boat_no, "
     "exhibition_time=excluded.exhibition_time, course_no=excluded.course_no, "
     "start_timing=excluded.start_timing, race_time=excluded.race_time, "
     "imported_at=excluded.imported_at, finish_mark=excluded.finish_mark;"},
    {Writer::kPayout,
     "INSERT INTO odds (race_id, bet_type, combination, odds_value, updated_at, popularity) "
     "VALUES (?, ?, ?, ?, datetime('now', 'localtime'), ?) "
     "ON CONFLICT(race_id, bet_type, combination) DO UPDATE SET odds_value=excluded.odds_value, "
     "updated_at=excluded.updated_at, popularity=excluded.popularity;"},
    {Writer::kRaceResult,
     "INSERT INTO race_results (race_id, first_frame, second_frame, third_frame, "
     "winning_technique, trifecta, trifecta_payout) VALUES (?, ?, ?, ?, ?, ?, ?) "
     "ON CONFLICT(race_id) DO UPDATE SET first_frame=excluded.first_frame, "
     "second_frame=excluded.second_frame, third_frame=excluded.third_frame, "
     "winning_technique=excluded.winning_technique, trifecta=excluded.trifecta, "
     "trifecta_payout=excluded.trifecta_payout;"},
};

// The table is indexed by the writer: every writer once, in order.
constexpr bool IsInWriterOrder() {
  if (sizeof(kWriters) / sizeof(kWriters[0]) != static_cast<size_t>(Writer::kCount)) return false;
  for (size_t i = 0; i < sizeof(kWriters) / sizeof(kWriters[0]); ++i) {
    if (static_cast<size_t>(kWriters[i].writer) != i) return false;
  }
  return true;
}
static_assert(IsInWriterOrder(), "one statement per writer, in the order of the writers");

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

// Appends `text` to a cache key: ASCII as it is, any other character as a
// marker byte and its four bytes, so that distinct texts make distinct keys.
void AppendKey(std::wstring_view text, std::string* key) {
  for (wchar_t c : text) {
    const auto u = static_cast<uint32_t>(c);
    if (u < 0x80) {
      key->push_back(static_cast<char>(u));
    } else {
      key->push_back('\xFF');
      for (int shift = 24; shift >= 0; shift -= 8) key->push_back(static_cast<char>((u >> shift) & 0xFF));
    }
  }
}

// The race key as one integer: the date's digits (a date of the form
// YYYY-MM-DD), the stadium and the race number (0 to 65535 each); -1 for
// anything else.
int64_t RaceNumberKey(std::wstring_view date, int32_t stadium_id, int32_t race_no) {
  if (date.size() != 10 || date[4] != L'-' || date[7] != L'-') return -1;
  if (stadium_id < 0 || stadium_id > 0xFFFF || race_no < 0 || race_no > 0xFFFF) return -1;
  int64_t digits = 0;
  for (size_t i = 0; i < date.size(); ++i) {
    if (i == 4 || i == 7) continue;
    if (date[i] < L'0' || date[i] > L'9') return -1;
    digits = digits * 10 + (date[i] - L'0');
  }
  return (digits << 32) | (static_cast<int64_t>(stadium_id) << 16) | race_no;
}

}  // namespace

RaceRowStore::RaceRowStore(DbManager* connection, std::wstring* message,
                           std::shared_ptr<StoredRowValues> stored)
    : db_(connection),
      message_(message),
      stored_(stored ? std::move(stored) : std::make_shared<StoredRowValues>()) {}

RaceRowStore::~RaceRowStore() = default;

void RaceRowStore::DropIdCaches() {
  race_ids_.clear();
  odd_race_ids_.clear();
  racer_ids_.clear();
  motor_ids_.clear();
  boat_ids_.clear();
  stored_->Clear();
}

void RaceRowStore::ReleaseStatements() { writers_.reset(); }

DbStatement* RaceRowStore::Statement(Writer writer) {
  if (!writers_) writers_ = std::make_unique<DbStatement[]>(static_cast<size_t>(Writer::kCount));
  DbStatement& statement = writers_[static_cast<size_t>(writer)];
  if (!statement.IsPrepared() && !statement.Prepare(*db_, kWriters[static_cast<int>(writer)].sql)) {
    *message_ = statement.error();
    return nullptr;
  }
  return &statement;
}

bool RaceRowStore::Finish(DbStatement* statement) {
  if (statement->Run()) return true;
  *message_ = statement->error();
  return false;
}

int32_t RaceRowStore::TakeId(DbStatement* query) {
  int64_t id = 0;
  if (!query->QueryInt(&id) || id <= 0 || id > INT32_MAX) {
    *message_ = query->error().empty() ? std::wstring(L"登録した行が見つかりません。") : query->error();
    return 0;
  }
  return static_cast<int32_t>(id);
}

int32_t RaceRowStore::UpsertRace(const std::wstring& race_date, int32_t stadium_id,
                                 int32_t race_no, const std::wstring& title, int32_t distance,
                                 const std::wstring& deadline, const std::wstring& weather,
                                 const std::wstring& wind_direction, double wind_speed,
                                 double wave_height, const std::wstring& series_title,
                                 const std::wstring& day_label) {
  const int64_t number = RaceNumberKey(race_date, stadium_id, race_no);
  if (number >= 0) {
    if (auto it = race_ids_.find(number); it != race_ids_.end()) return it->second;
  } else {
    key_.clear();
    AppendKey(race_date, &key_);
    key_ += '|' + std::to_string(stadium_id) + '|' + std::to_string(race_no);
    if (auto it = odd_race_ids_.find(key_); it != odd_race_ids_.end()) return it->second;
  }
  DbStatement* upsert = Statement(Writer::kRace);
  if (upsert == nullptr) return 0;
  upsert->Text(race_date).Int(stadium_id).Int(race_no).Text(title).Int(distance).Text(weather)
      .Text(wind_direction).Real(Decimals(wind_speed, 3)).Real(Decimals(wave_height, 3))
      .Text(deadline).Text(series_title).Text(day_label);
  if (!Finish(upsert)) return 0;
  DbStatement* query = Statement(Writer::kRaceId);
  if (query == nullptr) return 0;
  query->Text(race_date).Int(stadium_id).Int(race_no);
  const int32_t id = TakeId(query);
  if (id > 0) {
    if (number >= 0) {
      race_ids_[number] = id;
    } else {
      odd_race_ids_[key_] = id;
    }
  }
  return id;
}

int32_t RaceRowStore::UpsertRacer(const std::wstring& register_no, const std::wstring& name,
                                  const std::wstring& class_name, const std::wstring& branch,
                                  int32_t age, double weight, double national_win_rate,
                                  double local_win_rate) {
  if (register_no.empty()) return 0;
  const StoredRowValues::Racer values{name, class_name, branch, age, Decimals(weight, 3),
                                      Decimals(national_win_rate, 4), Decimals(local_win_rate, 4)};
  key_.clear();
  AppendKey(register_no, &key_);
  // A racer runs several races a meeting, in the program and the result
  // file: when every value this call brings is already stored (as far as
  // the stores of this connection know), the row cannot change.
  const auto id = racer_ids_.find(key_);
  const auto stored = stored_->racers.find(key_);
  if (id != racer_ids_.end() && stored != stored_->racers.end() && stored->second.Holds(values)) {
    return id->second;
  }
  DbStatement* upsert = Statement(Writer::kRacer);
  if (upsert == nullptr) return 0;
  upsert->Text(register_no).Text(name).Text(class_name).Text(branch).Int(age)
      .Real(values.weight).Real(values.nationalWinRate).Real(values.localWinRate);
  if (!Finish(upsert)) return 0;
  if (stored != stored_->racers.end()) {
    stored->second.Take(values);
  } else {
    stored_->racers[key_].Take(values);
  }
  if (id != racer_ids_.end()) return id->second;
  DbStatement* query = Statement(Writer::kRacerId);
  if (query == nullptr) return 0;
  query->Text(register_no);
  const int32_t taken = TakeId(query);
  if (taken > 0) racer_ids_[key_] = taken;
  return taken;
}

int32_t RaceRowStore::UpsertMotor(int32_t stadium_id, const std::wstring& motor_no,
                                  double quinella_rate) {
  if (stadium_id < 1 || motor_no.empty()) return 0;
  return UpsertEquipment(Writer::kMotor, Writer::kMotorId, stadium_id, motor_no, quinella_rate,
                         &motor_ids_, &stored_->motorRates);
}

int32_t RaceRowStore::UpsertBoat(int32_t stadium_id, const std::wstring& boat_no,
                                 double quinella_rate) {
  if (stadium_id < 1 || boat_no.empty()) return 0;
  return UpsertEquipment(Writer::kBoat, Writer::kBoatId, stadium_id, boat_no, quinella_rate,
                         &boat_ids_, &stored_->boatRates);
}

int32_t RaceRowStore::UpsertEquipment(Writer writer, Writer id_writer, int32_t stadium_id,
                                      const std::wstring& number, double quinella_rate,
                                      IdCache* ids, RateCache* rates) {
  key_.assign(reinterpret_cast<const char*>(&stadium_id), sizeof stadium_id);
  AppendKey(number, &key_);
  const double rate = Decimals(quinella_rate, 4);
  const auto cached = ids->find(key_);
  // Without a rate the upsert of a row that exists changes nothing,
  // whatever the database holds (the result file names motors and boats
  // for every boat of every race), nor with the rate known to be stored.
  if (cached != ids->end()) {
    if (!(rate > 0)) return cached->second;
    const auto stored = rates->find(key_);
    if (stored != rates->end() && stored->second == rate) return cached->second;
  }
  DbStatement* upsert = Statement(writer);
  if (upsert == nullptr) return 0;
  upsert->Int(stadium_id).Text(number).Real(rate);
  if (!Finish(upsert)) return 0;
  if (rate > 0) (*rates)[key_] = rate;
  if (cached != ids->end()) return cached->second;
  DbStatement* query = Statement(id_writer);
  if (query == nullptr) return 0;
  query->Int(stadium_id).Text(number);
  const int32_t taken = TakeId(query);
  if (taken > 0) (*ids)[key_] = taken;
  return taken;
}

bool RaceRowStore::StoreProgramEntry(int32_t race_id, const ProgramEntry& entry,
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

bool RaceRowStore::StoreResultEntry(int32_t race_id, const ResultEntry& entry,
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

bool RaceRowStore::StorePayout(int32_t race_id, const PayoutItem& item) {
  DbStatement* insert = Statement(Writer::kPayout);
  if (insert == nullptr) return false;
  insert->Int(race_id).Text(item.betType).Text(item.combination)
      .Real(static_cast<double>(item.amount)).Int(item.popularity);
  return Finish(insert);
}

bool RaceRowStore::StoreRaceResult(int32_t race_id, const std::vector<ResultEntry>& entries,
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
