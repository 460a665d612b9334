#include "web/before_race.h"

#include <algorithm>

#include "platform/format.h"
#include "platform/text.h"
#include "web/html_tools.h"
#include "web/page_integer.h"
#include "web/race_address.h"

namespace wakelore {

namespace {

constexpr std::string_view kBoatBlockStart = "<tbody class=\"is-fs12";
constexpr std::string_view kBlockEnd = "</tbody>";
constexpr std::string_view kStartBoat = "table1_boatImage1Number";
constexpr std::string_view kStartTiming = "table1_boatImage1Time";
constexpr std::string_view kWeatherStart = "class=\"weather1\"";
constexpr std::string_view kWeatherEnd = "weather1_stand";
constexpr std::string_view kDirectionImage = "weather1_bodyUnitImage is-direction";
constexpr std::string_view kWindDirectionUnit = "weather1_bodyUnit is-windDirection\"";
constexpr std::string_view kWindImage = "weather1_bodyUnitImage is-wind";
constexpr std::string_view kUnitPrefix = "weather1_bodyUnit ";
// Without an end marker the weather section is taken to be this long.
constexpr size_t kWeatherSectionMax = 6000;
constexpr size_t kMaxBoats = 6;

constexpr const wchar_t* kCompass[16] = {
    L"北", L"北北東", L"北東", L"東北東", L"東", L"東南東", L"南東", L"南南東",
    L"南", L"南南西", L"南西", L"西南西", L"西", L"西北西", L"北西", L"北北西",
};

// The text between the first '>' at or after `from` and the '<' after it;
// false when either is missing.  `*lt` receives the position of that '<'.
bool TextAfterTag(std::string_view body, size_t from, std::string* text, size_t* lt) {
  size_t gt = body.find('>', from);
  if (gt == std::string_view::npos) return false;
  size_t end = body.find('<', gt + 1);
  if (end == std::string_view::npos) return false;
  *text = TrimAscii(body.substr(gt + 1, end - gt - 1));
  *lt = end;
  return true;
}

void ReadBoats(std::string_view body, BeforeRaceInfo* info) {
  size_t pos = 0;
  while (info->entries.size() < kMaxBoats) {
    size_t start = body.find(kBoatBlockStart, pos);
    if (start == std::string_view::npos) return;
    size_t end = body.find(kBlockEnd, start);
    if (end == std::string_view::npos) return;
    pos = end + kBlockEnd.size();
    std::vector<TableCell> cells = TableCells(body.substr(start, end - start));
    if (cells.size() < 8) continue;
    int frame = PageInteger(cells[0].cellText);
    if (frame < 1 || frame > 6) continue;
    BoatBeforeInfo boat;
    boat.frame_no = frame;
    boat.exhibition_time = NumberIn(cells[4].cellText);
    boat.tilt = NumberIn(cells[5].cellText);
    if (boat.exhibition_time > 0) info->hasExhibition = true;
    info->entries.push_back(boat);
  }
}

// The start exhibition lists the boats in the order of their courses, each
// with its timing; "F.03" (flying) and "L" (late) are not timings.
void ReadStartExhibition(std::string_view body, BeforeRaceInfo* info) {
  size_t pos = 0;
  for (int course = 1; course <= 6; ++course) {
    size_t marker = body.find(kStartBoat, pos);
    if (marker == std::string_view::npos) return;
    std::string boat_text;
    size_t lt = 0;
    if (!TextAfterTag(body, marker + kStartBoat.size(), &boat_text, &lt)) return;
    size_t timing_marker = body.find(kStartTiming, lt);
    if (timing_marker == std::string_view::npos) return;
    std::string timing;
    if (!TextAfterTag(body, timing_marker + kStartTiming.size(), &timing, &pos)) return;

    int boat = PageInteger(boat_text);
    auto entry = std::find_if(info->entries.begin(), info->entries.end(),
                              [boat](const BoatBeforeInfo& e) { return e.frame_no == boat; });
    if (entry == info->entries.end()) continue;
    entry->course_no = course;
    bool not_a_timing = !timing.empty() && (timing[0] == 'F' || timing[0] == 'L');
    entry->start_exhibition = not_a_timing ? 0.0 : NumberIn(timing);
  }
}

// The image index after `marker` in `text` ("is-wind5" gives 5), 0 when the
// marker is absent or lies at or beyond `limit`.
int IndexAfter(std::string_view text, size_t from, size_t limit, std::string_view marker) {
  size_t at = text.find(marker, from);
  if (at == std::string_view::npos || at >= limit) return 0;
  return PageInteger(text.substr(at + marker.size()));
}

// Wind index 1..16 is the wind's direction relative to the course (3..7
// from behind, 11..15 head-on, the rest across), 17 is calm; the compass
// name comes from the wind index turned by the direction index of the
// stadium's layout.
void SetWindTexts(int wind, int direction, BeforeRaceInfo* info) {
  if (wind == 17) {
    info->wind_condition = L"無風";
    return;
  }
  if (wind < 1 || wind > 16) return;
  if (wind >= 3 && wind <= 7) {
    info->wind_condition = L"追い風";
  } else if (wind >= 11 && wind <= 15) {
    info->wind_condition = L"向かい風";
  } else {
    info->wind_condition = L"横風";
  }
  if (direction >= 1 && direction <= 16) info->wind_direction = kCompass[(wind - direction + 40) % 16];
}

void ReadWeather(std::string_view body, BeforeRaceInfo* info) {
  size_t start = body.find(kWeatherStart);
  if (start == std::string_view::npos) return;
  size_t end = body.find(kWeatherEnd, start + kWeatherStart.size());
  if (end == std::string_view::npos) end = std::min(body.size(), start + kWeatherSectionMax);
  std::string_view section = body.substr(start, end - start);

  int direction = IndexAfter(section, 0, section.size(), kDirectionImage);
  info->weather = Utf8ToUtf16(WeatherUnitValue(section, "is-weather", "weather1_bodyUnitLabelTitle"));
  info->wind_speed = NumberIn(WeatherUnitValue(section, "is-wind", "weather1_bodyUnitLabelData"));
  info->wave_height = NumberIn(WeatherUnitValue(section, "is-wave", "weather1_bodyUnitLabelData"));

  int wind = 0;
  size_t unit = section.find(kWindDirectionUnit);
  if (unit != std::string_view::npos) {
    // Searching 10 bytes on skips the unit's own "weather1_bodyUnit ".
    size_t unit_end = section.find(kUnitPrefix, unit + 10);
    if (unit_end == std::string_view::npos) unit_end = section.size();
    wind = IndexAfter(section, unit, unit_end, kWindImage);
  }
  info->hasWeather = info->wind_speed > 0 || info->wave_height > 0 || !info->weather.empty();
  SetWindTexts(wind, direction, info);
}

}  // namespace

std::string WeatherUnitValue(std::string_view section, std::string_view unit_class, std::string_view data_class) {
  std::string unit_marker = std::string(kUnitPrefix) + std::string(unit_class) + "\"";
  size_t unit = section.find(unit_marker);
  if (unit == std::string_view::npos) return std::string();
  size_t unit_end = section.find(kUnitPrefix, unit + unit_marker.size());
  if (unit_end == std::string_view::npos) unit_end = section.size();
  std::string_view unit_text = section.substr(unit, unit_end - unit);
  std::string data_marker = std::string(data_class) + "\">";
  size_t data = unit_text.find(data_marker);
  if (data == std::string_view::npos) return std::string();
  size_t value = data + data_marker.size();
  size_t lt = unit_text.find('<', value);
  if (lt == std::string_view::npos) lt = unit_text.size();
  return HtmlToText(unit_text.substr(value, lt - value));
}

bool ParseBeforeInfo(std::string_view body, BeforeRaceInfo* info) {
  *info = BeforeRaceInfo();
  ReadBoats(body, info);
  if (info->entries.empty()) return false;
  ReadStartExhibition(body, info);
  ReadWeather(body, info);
  return true;
}

bool FetchBeforeInfo(WebClient& client, const std::wstring& date_text, int stadium_id, int race_no,
                     BeforeRaceInfo* info) {
  *info = BeforeRaceInfo();
  std::string body;
  if (!FetchPage(client, RacePagePath("beforeinfo", date_text, stadium_id, race_no), &body)) return false;
  if (ParseBeforeInfo(body, info)) return true;
  client.message = PageSaysNoData(body) ? L"直前情報がありません(この日の開催がないか、まだ公開されていません)。"
                                        : L"直前情報ページの形式を解釈できませんでした。";
  return false;
}

bool WriteBeforeRace(DbManager& db, int64_t race_id, const BeforeRaceInfo& info) {
  bool ok = true;
  for (const BoatBeforeInfo& entry : info.entries) {
    std::wstring set;
    auto add = [&set](const std::wstring& item) {
      if (!set.empty()) set += L", ";
      set += item;
    };
    if (entry.exhibition_time > 0) add(Format(L"exhibition_time=%.3f, tilt=%.2f", entry.exhibition_time, entry.tilt));
    if (entry.course_no > 0) add(Format(L"course_no=%d", entry.course_no));
    if (entry.start_exhibition > 0) add(Format(L"start_exhibition=%.3f", entry.start_exhibition));
    if (set.empty()) continue;
    if (!db.Exec(Format(L"UPDATE race_entries SET %s WHERE race_id=%d AND frame_no=%d;", set, race_id,
                        entry.frame_no))) {
      ok = false;
    }
  }
  std::wstring set = L"live_updated_at=datetime('now', 'localtime')";
  if (info.hasWeather) {
    set += Format(L", weather=%s, wind_speed=%.3f, wave_height=%.3f", SqlQuote(info.weather), info.wind_speed,
                  info.wave_height);
  }
  if (!info.wind_direction.empty()) set += Format(L", wind_direction=%s", SqlQuote(info.wind_direction));
  if (!info.wind_condition.empty()) set += Format(L", wind_condition=%s", SqlQuote(info.wind_condition));
  if (!db.Exec(Format(L"UPDATE races SET %s WHERE id=%d;", set, race_id))) ok = false;

  return ok;
}

bool StoreBeforeRace(DbManager& db, std::wstring* message, int64_t race_id, const BeforeRaceInfo& info) {
  if (race_id < 1) {
    *message = L"直前情報を保存するレースが選択されていません。";
    return false;
  }
  // Without a transaction of its own (one already open on the connection)
  // a rollback here would undo someone else's work: stop before writing.
  if (!db.Exec(L"BEGIN TRANSACTION;")) {
    *message = db.LastError();
    return false;
  }
  const bool ok = WriteBeforeRace(db, race_id, info);
  if (ok && db.Exec(L"COMMIT;")) return true;
  // A failed commit (the file locked by another connection) leaves the
  // transaction open; it must not stay open on the dialog's connection.
  *message = db.LastError();
  (void)db.Exec(L"ROLLBACK;");  // the commit's error is the one reported
  return false;
}

}  // namespace wakelore
