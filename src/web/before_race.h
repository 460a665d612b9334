// The before-race information of one race (直前情報): exhibition times,
// tilts, the start exhibition and the weather at the water, as the official
// race web site publishes them shortly before the race; read from its page
// and stored onto the race and its entries.
//
// Read as the first of a race's six race-day pages (race_pages.h), which
// write the values with WriteBeforeRace inside the race's snapshot.
#ifndef WAKELORE_WEB_BEFORE_RACE_H_
#define WAKELORE_WEB_BEFORE_RACE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/db_manager.h"
#include "web/web_client.h"

namespace wakelore {

// One boat of the race.
struct BoatBeforeInfo {
  int frame_no = 0;               // 1..6
  double exhibition_time = 0;     // 0 when not published
  double tilt = 0;
  int course_no = 0;              // course in the start exhibition, 0 when not shown
  double start_exhibition = 0;    // start-exhibition timing, 0 when not shown, F or L
};

struct BeforeRaceInfo {
  std::vector<BoatBeforeInfo> entries;  // at most 6, in page order
  std::wstring weather;                 // the weather word as shown ("晴")
  double wind_speed = 0;                // m
  double wave_height = 0;               // cm
  std::wstring wind_direction;          // compass name ("北北東") or ""
  std::wstring wind_condition;          // "追い風", "向かい風", "横風", "無風" or ""
  bool hasExhibition = false;           // some entry has an exhibition time above 0
  bool hasWeather = false;              // wind or wave above 0, or a weather word
};

// Fetches the before-race page of the race (date "YYYY-MM-DD", stadium
// 1..24, race 1..12) and parses it into `*info` (reset first).  False when
// the fetch failed (client.message from FetchPage) or the page could not
// be read; then client.message is
//   "直前情報がありません(この日の開催がないか、まだ公開されていません)。"
// when the page says it has no data, else
//   "直前情報ページの形式を解釈できませんでした。".
[[nodiscard]] bool FetchBeforeInfo(WebClient& client, const std::wstring& date_text, int stadium_id, int race_no,
                                   BeforeRaceInfo* info);

// Parses a before-race page (UTF-8 bytes) into `*info` (reset first).
// True when at least one boat block was read; a page without the weather
// section still succeeds with hasWeather false.  Linear in the page size.
[[nodiscard]] bool ParseBeforeInfo(std::string_view body, BeforeRaceInfo* info);

// The text of one unit of the weather section: the unit whose class is
// "weather1_bodyUnit <unit_class>", and in it the element whose class is
// exactly `data_class`, up to the next tag, as plain text (UTF-8).  "" when
// either is missing.
std::string WeatherUnitValue(std::string_view section, std::string_view unit_class, std::string_view data_class);

// Writes what the page published onto race `race_id` and its entries, in
// one transaction: per entry exhibition time and tilt (when the time is
// above 0), course (above 0) and start-exhibition timing (above 0); on the
// race live_updated_at (now, local time) and, when hasWeather, weather,
// wind speed and wave height, plus wind direction and condition when not
// empty.  Values not published are never written, so earlier ones stay.
// A race id below 1 fails with
// "直前情報を保存するレースが選択されていません。"; a failed statement rolls
// everything back and `*message` is the database's error.  A race id that
// names no race writes nothing and succeeds.
[[nodiscard]] bool StoreBeforeRace(DbManager& db, std::wstring* message, int64_t race_id, const BeforeRaceInfo& info);

// The statements of StoreBeforeRace without a transaction of their own, for
// a caller that holds one (the race-day snapshot stores the before-race
// values and the odds in one).  All statements are attempted; false when
// any failed (db.LastError() says why).
bool WriteBeforeRace(DbManager& db, int64_t race_id, const BeforeRaceInfo& info);

}  // namespace wakelore

#endif  // WAKELORE_WEB_BEFORE_RACE_H_
