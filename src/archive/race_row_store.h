// RaceRowStore: the rows the daily program and result files write — races,
// racers, motors, boats, race entries, result entries, payouts and race
// results — as upserts on one read-write connection.
//
// Every write is an upsert, so writing a row again is harmless: empty texts
// and zero numbers never overwrite stored values, and a course number stored
// by the result file or the before-race information survives a new program
// row.  Reals are bound as the decimal text the columns have always held
// would read back (weights and times to 3 places, rates to 2 or 4), so the
// stored values do not depend on how they were written.
//
// Ids of races, racers, motors and boats are kept in maps for the life of
// the store, so an id is queried once per run; a caller that rolls back
// rows the store wrote must call DropIdCaches.  A race is written at most
// once per store; racers, motors and boats on every call that brings a value
// other than the one the shared StoredRowValues know to be stored, so the
// latest non-empty values win whichever store wrote the row before.  The statements are prepared on first use and kept until
// ReleaseStatements (the end of an archive) or the end of the store.
//
// Failures are reported by the result (0 or false) and the error text of
// the failing statement, written to the message text given at creation.
//
// Not thread-safe: one thread at a time, on the connection it was given.
#ifndef WAKELORE_ARCHIVE_RACE_ROW_STORE_H_
#define WAKELORE_ARCHIVE_RACE_ROW_STORE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "archive/program_entry.h"
#include "archive/result_lines.h"
#include "archive/stored_row_values.h"

namespace wakelore {

class DbManager;
class DbStatement;

class RaceRowStore {
 public:
  // `connection` must be open read-write and outlive the store; `message`
  // receives the error text of every failure and must outlive the store.
  // `stored`: what the stores writing through the same connection know of
  // the stored racer, motor and boat rows; every store of the connection
  // must share it.  Null gives the store one of its own.
  RaceRowStore(DbManager* connection, std::wstring* message,
               std::shared_ptr<StoredRowValues> stored = nullptr);
  ~RaceRowStore();
  RaceRowStore(const RaceRowStore&) = delete;
  RaceRowStore& operator=(const RaceRowStore&) = delete;

  // Upserts; each returns the row id, or 0 on failure or without a key
  // (an empty register, motor or boat number; a stadium below 1 for motors
  // and boats).  `series_title` and `day_label` are those of the
  // race's stadium block.
  int32_t UpsertRace(const std::wstring& race_date, int32_t stadium_id, int32_t race_no,
                     const std::wstring& title, int32_t distance, const std::wstring& deadline,
                     const std::wstring& weather, const std::wstring& wind_direction,
                     double wind_speed, double wave_height, const std::wstring& series_title,
                     const std::wstring& day_label);
  int32_t UpsertRacer(const std::wstring& register_no, const std::wstring& name,
                      const std::wstring& class_name, const std::wstring& branch, int32_t age,
                      double weight, double national_win_rate, double local_win_rate);
  int32_t UpsertMotor(int32_t stadium_id, const std::wstring& motor_no, double quinella_rate);
  int32_t UpsertBoat(int32_t stadium_id, const std::wstring& boat_no, double quinella_rate);

  // Row writers of the two parsers; false on failure.
  bool StoreProgramEntry(int32_t race_id, const ProgramEntry& entry, int32_t racer_id,
                         int32_t motor_id, int32_t boat_id);
  // The result file's course and exhibition time replace what the program
  // or the before-race information stored in race_entries; then the result
  // row itself (not written when the first fails).
  bool StoreResultEntry(int32_t race_id, const ResultEntry& entry, int32_t racer_id,
                        int32_t motor_id, int32_t boat_id);
  // odds.odds_value holds the payout amount as printed.
  bool StorePayout(int32_t race_id, const PayoutItem& item);
  // Writes race_results when the race id is above 0 and at least three
  // entries were stored for the race: the frames of places 1-3 (a later
  // entry of the same place wins), the technique, and the first ３連単
  // payout with its combination (built from the places, payout 0, when
  // none was read).  True without writing otherwise.
  bool StoreRaceResult(int32_t race_id, const std::vector<ResultEntry>& entries,
                       const std::wstring& technique, const std::vector<PayoutItem>& payouts);

  // Forgets the cached ids and the shared values known to be stored.
  void DropIdCaches();
  // Finalises the prepared statements (they are prepared again on next use).
  void ReleaseStatements();

  // The store's statements, one per row writer (listed with their SQL in
  // the source).
  enum class Writer : int;

 private:
  // Keys are narrow texts (the numbers the files print need no allocation)
  // or, for races, one integer.
  using IdCache = std::unordered_map<std::string, int32_t>;
  using RateCache = std::unordered_map<std::string, double>;

  // The writer's statement, prepared on first use; null (message set) when
  // SQLite refuses it.
  DbStatement* Statement(Writer writer);
  // Runs a bound writer; false (message set) on failure.
  bool Finish(DbStatement* statement);
  // Steps a bound id query; 0 (message set) when there is no row.
  int32_t TakeId(DbStatement* query);
  int32_t UpsertEquipment(Writer writer, Writer id_writer, int32_t stadium_id,
                          const std::wstring& number, double quinella_rate, IdCache* ids,
                          RateCache* rates);

  DbManager* db_;
  std::wstring* message_;
  // The caches, emptied by DropIdCaches.
  std::unordered_map<int64_t, int32_t> race_ids_;           // date, stadium and race number
  std::unordered_map<std::string, int32_t> odd_race_ids_;   // races of other dates
  IdCache racer_ids_;                                       // by register number
  IdCache motor_ids_;                                       // by stadium and number
  IdCache boat_ids_;
  std::shared_ptr<StoredRowValues> stored_;                 // emptied as well
  std::string key_;  // scratch for building keys
  std::unique_ptr<DbStatement[]> writers_;  // one per Writer
};

}  // namespace wakelore

#endif  // WAKELORE_ARCHIVE_RACE_ROW_STORE_H_
