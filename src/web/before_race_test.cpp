#include "web/before_race.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "db/db_schema.h"
#include "tests/support/official_server.h"
#include "tests/support/test_support.h"
#include "web/race_address.h"

namespace wakelore {
namespace {

constexpr char kBoatBlock[] = "<tbody class=\"is-fs12";
constexpr char kPagePath[] = "/owpc/pc/race/beforeinfo?rno=1&jcd=07&hd=20240105";

const std::string& Sample() {
  static const std::string sample = test::ReadFileBytes(test::FixturePath("web/beforeinfo_sample.html"));
  return sample;
}

// `text` with the first `from` after `start` replaced by `to`.
std::string Replace(std::string text, const std::string& from, const std::string& to, size_t start = 0) {
  size_t at = text.find(from, start);
  if (at == std::string::npos) {
    ADD_FAILURE() << "no " << from;
    return text;
  }
  return text.replace(at, from.size(), to);
}

// The sample's first boat block, as the site lays out one boat.
std::string SampleBlock() {
  size_t start = Sample().find(kBoatBlock);
  size_t end = Sample().find("</tbody>", start);
  return Sample().substr(start, end + 8 - start);
}

// A boat block with the boat number cell and the exhibition time and tilt
// cells (4 and 5) filled in.
std::string Boat(const std::string& frame, const std::string& exhibition = "&nbsp;",
                 const std::string& tilt = "&nbsp;") {
  std::string block = Replace(SampleBlock(), "rowspan=\"4\">1</td>", "rowspan=\"4\">" + frame + "</td>");
  block = Replace(block, "<td rowspan=\"4\">&nbsp;</td>", "<td rowspan=\"4\">" + exhibition + "</td>");
  return Replace(block, "<td rowspan=\"4\">&nbsp;</td>", "<td rowspan=\"4\">" + tilt + "</td>");
}

// A boat block cut after its first `cells` cells.
std::string ShortBoat(const std::string& frame, int cells) {
  std::string block = Boat(frame);
  size_t at = 0;
  for (int i = 0; i < cells; ++i) at = block.find("</td>", at) + 5;
  return block.substr(0, at) + "</tr></tbody>";
}

// The sample with its boat table holding `blocks` instead.
std::string WithBoats(const std::string& blocks, std::string page = Sample()) {
  size_t start = page.find(kBoatBlock);
  size_t table_end = page.find("</table>", start);
  size_t end = page.rfind("</tbody>", table_end) + 8;
  return page.replace(start, end - start, blocks);
}

std::string SixBoats() {
  return Boat("1", "6.71", "-0.5") + Boat("2", "6.80", "0.0") + Boat("3", "6.75", "0.5") +
         Boat("4", "6.90", "1.0") + Boat("5", "6.66", "-0.5") + Boat("6", "6.85", "0.0");
}

// The sample with a start exhibition of (boat, timing) pairs in course
// order, laid out as the site shows it.
std::string WithStartExhibition(const std::vector<std::pair<std::string, std::string>>& pairs,
                                std::string page = Sample()) {
  std::string rows;
  for (const auto& [boat, timing] : pairs) {
    rows += "<tr><td colspan=\"3\"><div class=\"table1_boatImage1\">"
            "<span class=\"table1_boatImage1Number is-type" + boat + "\"> " + boat + " </span>"
            "<span class=\"table1_boatImage1Time\">" + timing + "</span></div></td></tr>\n";
  }
  size_t start = page.find("<tbody class=\"is-p10-0\">");
  size_t end = page.find("</tbody>", start);
  return page.replace(start, end - start, "<tbody class=\"is-p10-0\">" + rows);
}

std::string WithWindImages(int direction, int wind, const std::string& page = Sample()) {
  std::string out = Replace(page, "is-direction1\"", "is-direction" + std::to_string(direction) + "\"");
  return Replace(out, "is-wind1\"", "is-wind" + std::to_string(wind) + "\"");
}

BeforeRaceInfo Parse(const std::string& body, bool expect_ok = true) {
  BeforeRaceInfo info;
  EXPECT_EQ(ParseBeforeInfo(body, &info), expect_ok);
  return info;
}

TEST(BeforeInfoParseTest, OfficialPageLayout) {
  BeforeRaceInfo info = Parse(Sample());
  ASSERT_EQ(info.entries.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(info.entries[i].frame_no, i + 1);
    EXPECT_EQ(info.entries[i].exhibition_time, 0.0);  // not yet published: &nbsp;
    EXPECT_EQ(info.entries[i].course_no, 0);          // the start exhibition is still empty
    EXPECT_EQ(info.entries[i].start_exhibition, 0.0);
  }
  EXPECT_FALSE(info.hasExhibition);
  EXPECT_EQ(info.weather, L"晴");
  EXPECT_EQ(info.wind_speed, 100.0);
  EXPECT_EQ(info.wave_height, 100.0);
  EXPECT_TRUE(info.hasWeather);
  // Wind index 1 with direction index 1.
  EXPECT_EQ(info.wind_condition, L"横風");
  EXPECT_EQ(info.wind_direction, L"南");
}

TEST(BeforeInfoParseTest, BoatBlocks) {
  struct Case {
    const char* name;
    std::string blocks;
    std::vector<int> frames;  // empty: the parse fails
  };
  const Case cases[] = {
      {"six", SixBoats(), {1, 2, 3, 4, 5, 6}},
      {"cell 0 holds 7", Boat("1") + Boat("7") + Boat("3"), {1, 3}},
      {"cell 0 holds 0 or text", Boat("0") + Boat("x") + Boat("2"), {2}},
      {"a block of 7 cells", Boat("1") + ShortBoat("2", 7) + Boat("3"), {1, 3}},
      {"a block of 8 cells", ShortBoat("2", 8), {2}},
      {"a seventh block", SixBoats() + Boat("1", "9.99"), {1, 2, 3, 4, 5, 6}},
      {"no usable block", Boat("9") + ShortBoat("1", 3), {}},
      {"no block at all", "", {}},
  };
  for (const Case& c : cases) {
    BeforeRaceInfo info;
    bool ok = ParseBeforeInfo(WithBoats(c.blocks), &info);
    EXPECT_EQ(ok, !c.frames.empty()) << c.name;
    std::vector<int> frames;
    for (const BoatBeforeInfo& entry : info.entries) frames.push_back(entry.frame_no);
    EXPECT_EQ(frames, c.frames) << c.name;
  }

  BeforeRaceInfo info = Parse(WithBoats(SixBoats() + Boat("1", "9.99")));
  ASSERT_EQ(info.entries.size(), 6u);
  EXPECT_EQ(info.entries[0].exhibition_time, 6.71);  // the seventh block did not replace it
  EXPECT_EQ(info.entries[0].tilt, -0.5);
  EXPECT_EQ(info.entries[4].exhibition_time, 6.66);
  EXPECT_TRUE(info.hasExhibition);

}

TEST(BeforeInfoParseTest, StartExhibition) {
  const std::string page = WithStartExhibition(
      {{"2", ".12"}, {"1", "F.03"}, {"3", "L"}, {"4", ""}, {"9", ".01"}, {"6", "0.5"}, {"5", ".07"}},
      WithBoats(SixBoats()));
  BeforeRaceInfo info = Parse(page);
  ASSERT_EQ(info.entries.size(), 6u);
  struct Expected {
    int course;
    double timing;
  };
  const Expected expected[6] = {
      {2, 0.0},   // boat 1: F.03 is no timing
      {1, 0.12},  // boat 2: .12
      {3, 0.0},   // boat 3: L
      {4, 0.0},   // boat 4: empty timing
      {0, 0.0},   // boat 5: only in a seventh pair, which is not read
      {6, 0.5},   // boat 6: course 6, after a pair naming no boat of the race
  };
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(info.entries[i].course_no, expected[i].course) << "boat " << i + 1;
    EXPECT_EQ(info.entries[i].start_exhibition, expected[i].timing) << "boat " << i + 1;
  }

  // A timing marker missing after a boat marker ends the reading there.
  std::string cut = WithStartExhibition({{"3", ".10"}, {"1", ".20"}}, WithBoats(SixBoats()));
  size_t second_timing = cut.find("table1_boatImage1Time", cut.find("table1_boatImage1Time") + 1);
  cut.replace(second_timing, 21, "table1_boatImageXTime");
  info = Parse(cut);
  EXPECT_EQ(info.entries[2].course_no, 1);
  EXPECT_EQ(info.entries[2].start_exhibition, 0.10);
  EXPECT_EQ(info.entries[0].course_no, 0);
}

TEST(BeforeInfoParseTest, WindIndexAndDirectionIndex) {
  struct Case {
    int wind;
    int direction;
    const wchar_t* condition;
    const wchar_t* compass;
  };
  const Case cases[] = {
      {5, 1, L"追い風", L"西"},  // (5 - 1 + 40) % 16 = 12
      {17, 1, L"無風", L""},
      {0, 1, L"", L""},
      {18, 1, L"", L""},
      {12, 3, L"向かい風", L"北北東"},
      {16, 16, L"横風", L"南"},
      {9, 10, L"横風", L"南南東"},   // (9 - 10 + 40) % 16 = 7
      {3, 0, L"追い風", L""},      // no direction index: condition only
      {7, 17, L"追い風", L""},
      {15, 2, L"向かい風", L"東南東"},
  };
  for (const Case& c : cases) {
    BeforeRaceInfo info = Parse(WithWindImages(c.direction, c.wind));
    EXPECT_EQ(info.wind_condition, c.condition) << c.wind << "/" << c.direction;
    EXPECT_EQ(info.wind_direction, c.compass) << c.wind << "/" << c.direction;
  }
}

TEST(BeforeInfoParseTest, WeatherSection) {
  // Without the section the weather stays empty and the parse succeeds.
  BeforeRaceInfo info = Parse(Replace(Sample(), "class=\"weather1\"", "class=\"weather2\""));
  EXPECT_FALSE(info.hasWeather);
  EXPECT_EQ(info.weather, L"");
  EXPECT_EQ(info.wind_speed, 0.0);
  EXPECT_EQ(info.wind_condition, L"");
  EXPECT_EQ(info.entries.size(), 6u);

  // The wind image counts only inside the wind direction unit.
  std::string moved = Replace(Sample(), "<p class=\"weather1_bodyUnitImage is-wind1\"></p>", "");
  moved = Replace(moved, "<div class=\"weather1_bodyUnit is-waterTemperature\">",
                  "<div class=\"weather1_bodyUnit is-waterTemperature\"><p class=\"weather1_bodyUnitImage is-wind5\">");
  info = Parse(moved);
  EXPECT_EQ(info.wind_condition, L"");
  EXPECT_EQ(info.wind_direction, L"");

  // Values of a calm day: nothing above 0 and no weather word.
  std::string calm = Replace(Sample(), "<span class=\"weather1_bodyUnitLabelTitle\">晴</span>",
                             "<span class=\"weather1_bodyUnitLabelTitle\"></span>");
  calm = Replace(calm, ">100m<", ">0m<");
  calm = Replace(calm, ">100cm<", ">0cm<");
  info = Parse(calm);
  EXPECT_FALSE(info.hasWeather);
  calm = Replace(calm, ">0cm<", ">3cm<");
  info = Parse(calm);
  EXPECT_TRUE(info.hasWeather);
  EXPECT_EQ(info.wave_height, 3.0);

  // The section ends at its end marker: units after it are not read.
  std::string ended = Replace(Sample(), "<div class=\"weather1_bodyUnit is-wind\">",
                              "<div class=\"weather1_stand\"></div><div class=\"weather1_bodyUnit is-wind\">");
  info = Parse(ended);
  EXPECT_EQ(info.weather, L"晴");
  EXPECT_EQ(info.wind_speed, 0.0);
  EXPECT_EQ(info.wave_height, 0.0);
  EXPECT_EQ(info.wind_condition, L"");
}

TEST(BeforeInfoParseTest, WeatherUnitValue) {
  const std::string section =
      "<div class=\"weather1_bodyUnit is-wind\"><span class=\"weather1_bodyUnitLabelData\"> 4m </span></div>"
      "<div class=\"weather1_bodyUnit is-windDirection\"><span class=\"weather1_bodyUnitLabelData\">x</span></div>"
      "<div class=\"weather1_bodyUnit is-wave\"></div>"
      "<div class=\"weather1_bodyUnit is-x\"><span class=\"weather1_bodyUnitLabelData\">9cm</span></div>"
      "<div class=\"weather1_bodyUnit is-temp\"><span class=\"weather1_bodyUnitLabelData\">1&amp;2";
  EXPECT_EQ(WeatherUnitValue(section, "is-wind", "weather1_bodyUnitLabelData"), "4m");
  EXPECT_EQ(WeatherUnitValue(section, "is-wave", "weather1_bodyUnitLabelData"), "");  // not in its unit
  EXPECT_EQ(WeatherUnitValue(section, "is-temp", "weather1_bodyUnitLabelData"), "1&2");  // to the section end
  EXPECT_EQ(WeatherUnitValue(section, "is-rain", "weather1_bodyUnitLabelData"), "");
  EXPECT_EQ(WeatherUnitValue(section, "is-wind", "weather1_bodyUnitLabelTitle"), "");
}

class BeforeRaceStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbSchema schema(db_);
    ASSERT_TRUE(schema.InitializeDatabase(dir_.File(L"wakelore.db")));
    ASSERT_TRUE(db_.Exec(
        L"INSERT INTO races (id, race_date, stadium_id, race_no, weather, wind_direction, wind_condition, "
        L"wind_speed, wave_height) VALUES (5, '2024-01-05', 7, 1, '雨', '北', '向かい風', 2, 3), "
        L"(6, '2024-01-05', 7, 2, NULL, NULL, NULL, NULL, NULL);"
        L"INSERT INTO race_entries (race_id, frame_no, exhibition_time, tilt, course_no, start_exhibition) VALUES "
        L"(5, 1, 6.5, 1.0, 4, 0.2), (5, 2, NULL, NULL, NULL, NULL), (5, 3, NULL, NULL, NULL, NULL), "
        L"(5, 4, NULL, NULL, NULL, NULL), (5, 5, NULL, NULL, NULL, NULL), (5, 6, NULL, NULL, NULL, NULL), "
        L"(6, 1, 7.0, 0.5, 1, 0.1);"));
  }
  std::vector<DbRow> Rows(const std::wstring& sql) {
    std::vector<DbRow> rows;
    EXPECT_TRUE(db_.QueryRows(sql, &rows)) << db_.LastError().size();
    return rows;
  }
  DbRow Entry(int race, int frame) {
    std::vector<DbRow> rows = Rows(L"SELECT exhibition_time, tilt, course_no, start_exhibition FROM race_entries "
                                   L"WHERE race_id=" + std::to_wstring(race) + L" AND frame_no=" +
                                   std::to_wstring(frame) + L";");
    return rows.empty() ? DbRow() : rows[0];
  }
  DbRow Race(int id) {
    std::vector<DbRow> rows = Rows(L"SELECT * FROM races WHERE id=" + std::to_wstring(id) + L";");
    return rows.empty() ? DbRow() : rows[0];
  }

  test::TempDir dir_;
  DbManager db_;
};

TEST_F(BeforeRaceStoreTest, FindRaceId) {
  EXPECT_EQ(FindRaceId(db_, L"2024-01-05", 7, 2), 6);
  EXPECT_EQ(FindRaceId(db_, L"2024-01-05", 7, 3), 0);
  EXPECT_EQ(FindRaceId(db_, L"2024-01-06", 7, 1), 0);
  EXPECT_EQ(FindRaceId(db_, L"2024-01-05' OR '1'='1", 7, 1), 0);
}

TEST_F(BeforeRaceStoreTest, UnpublishedValuesKeepWhatWasStored) {
  BeforeRaceInfo info;
  info.entries = {{1, 0.0, 0.5, 0, 0.0}, {2, 6.8, -0.5, 3, 0.0}, {3, 0.0, 0.0, 0, 0.13}};
  // No weather published, no direction.
  std::wstring message;
  ASSERT_TRUE(StoreBeforeRace(db_, &message, 5, info));

  DbRow one = Entry(5, 1);
  EXPECT_EQ(DbRowValue(one, L"exhibition_time"), L"6.5");
  EXPECT_EQ(DbRowValue(one, L"tilt"), L"1.0");  // the tilt goes only with a time
  EXPECT_EQ(DbRowValue(one, L"course_no"), L"4");
  EXPECT_EQ(DbRowValue(one, L"start_exhibition"), L"0.2");
  DbRow two = Entry(5, 2);
  EXPECT_EQ(DbRowValue(two, L"exhibition_time"), L"6.8");
  EXPECT_EQ(DbRowValue(two, L"tilt"), L"-0.5");
  EXPECT_EQ(DbRowValue(two, L"course_no"), L"3");
  EXPECT_EQ(DbRowValue(two, L"start_exhibition"), L"");
  EXPECT_EQ(DbRowValue(Entry(5, 3), L"start_exhibition"), L"0.13");
  EXPECT_EQ(DbRowValue(Entry(6, 1), L"exhibition_time"), L"7.0");  // another race

  DbRow race = Race(5);
  EXPECT_EQ(DbRowValue(race, L"weather"), L"雨");
  EXPECT_EQ(DbRowValue(race, L"wind_direction"), L"北");
  EXPECT_EQ(DbRowValue(race, L"wind_condition"), L"向かい風");
  EXPECT_EQ(DbRowValue(race, L"wind_speed"), L"2.0");
  EXPECT_EQ(DbRowValue(race, L"live_updated_at").size(), 19u);
  EXPECT_EQ(DbRowValue(Race(6), L"live_updated_at"), L"");

  // Calm: a condition but no direction; the old direction stays.
  info.hasWeather = true;
  info.weather = L"晴";
  info.wind_speed = 0;
  info.wave_height = 1;
  info.wind_condition = L"無風";
  ASSERT_TRUE(StoreBeforeRace(db_, &message, 5, info));
  race = Race(5);
  EXPECT_EQ(DbRowValue(race, L"weather"), L"晴");
  EXPECT_EQ(DbRowValue(race, L"wind_speed"), L"0.0");
  EXPECT_EQ(DbRowValue(race, L"wave_height"), L"1.0");
  EXPECT_EQ(DbRowValue(race, L"wind_direction"), L"北");
  EXPECT_EQ(DbRowValue(race, L"wind_condition"), L"無風");
}

TEST_F(BeforeRaceStoreTest, NoRaceChosen) {
  BeforeRaceInfo info;
  std::wstring message;
  EXPECT_FALSE(StoreBeforeRace(db_, &message, 0, info));
  EXPECT_EQ(message, L"直前情報を保存するレースが選択されていません。");
}

TEST_F(BeforeRaceStoreTest, FailedStoreRollsBack) {
  ASSERT_TRUE(db_.Exec(L"CREATE TRIGGER refuse BEFORE UPDATE ON race_entries WHEN NEW.frame_no = 3 "
                       L"BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
  BeforeRaceInfo info = Parse(WithBoats(SixBoats()));
  info.wind_condition = L"追い風";
  std::wstring message;
  EXPECT_FALSE(StoreBeforeRace(db_, &message, 5, info));
  EXPECT_NE(message.find(L"refused"), std::wstring::npos);
  EXPECT_EQ(DbRowValue(Entry(5, 2), L"exhibition_time"), L"");
  EXPECT_EQ(DbRowValue(Entry(5, 4), L"exhibition_time"), L"");
  EXPECT_EQ(DbRowValue(Race(5), L"live_updated_at"), L"");
  EXPECT_EQ(DbRowValue(Race(5), L"wind_condition"), L"向かい風");
  EXPECT_TRUE(db_.Exec(L"BEGIN TRANSACTION; COMMIT;"));  // nothing left open

  // Inside someone else's transaction the store refuses before writing.
  ASSERT_TRUE(db_.Exec(L"DROP TRIGGER refuse; BEGIN TRANSACTION;"));
  EXPECT_FALSE(StoreBeforeRace(db_, &message, 5, info));
  EXPECT_TRUE(db_.Exec(L"COMMIT;"));
  EXPECT_EQ(DbRowValue(Entry(5, 2), L"exhibition_time"), L"");
}

class BeforeInfoFetchTest : public test::OfficialServerTest {
 protected:
  void SetUp() override {
    test::OfficialServerTest::SetUp();
    DbSchema schema(db_);
    ASSERT_TRUE(schema.InitializeDatabase(dir_.File(L"wakelore.db")));
    ASSERT_TRUE(db_.Exec(L"INSERT INTO races (race_date, stadium_id, race_no) VALUES ('2024-01-05', 7, 1);"));
    ASSERT_TRUE(db_.Exec(L"INSERT INTO race_entries (race_id, frame_no) SELECT id, f FROM races, (SELECT 1 AS f "
                         L"UNION SELECT 2 UNION SELECT 3 UNION SELECT 4 UNION SELECT 5 UNION SELECT 6);"));
  }
  test::TempDir dir_;
  DbManager db_;
};

TEST_F(BeforeInfoFetchTest, FetchStoreAndReadBack) {
  const std::string page = WithStartExhibition({{"1", ".11"}, {"3", "F.01"}, {"2", ".15"}, {"4", ".20"},
                                                {"5", ".18"}, {"6", ".22"}},
                                               WithWindImages(1, 5, WithBoats(SixBoats())));
  ASSERT_TRUE(server().PutBytes(kPagePath, page));
  WebClient client;
  BeforeRaceInfo info;
  ASSERT_TRUE(FetchBeforeInfo(client, L"2024-01-05", 7, 1, &info)) << client.message.size();
  EXPECT_EQ(server().RequestedTargets(), std::vector<std::string>{kPagePath});

  int64_t race = FindRaceId(db_, L"2024-01-05", 7, 1);
  ASSERT_GT(race, 0);
  std::wstring message;
  ASSERT_TRUE(StoreBeforeRace(db_, &message, race, info));

  std::vector<DbRow> rows;
  ASSERT_TRUE(db_.QueryRows(L"SELECT frame_no, exhibition_time, tilt, course_no, start_exhibition FROM race_entries "
                            L"ORDER BY frame_no;",
                            &rows));
  ASSERT_EQ(rows.size(), 6u);
  const wchar_t* expected[6][4] = {
      {L"6.71", L"-0.5", L"1", L"0.11"}, {L"6.8", L"0.0", L"3", L"0.15"}, {L"6.75", L"0.5", L"2", L""},
      {L"6.9", L"1.0", L"4", L"0.2"},    {L"6.66", L"-0.5", L"5", L"0.18"}, {L"6.85", L"0.0", L"6", L"0.22"},
  };
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(DbRowValue(rows[i], L"exhibition_time"), expected[i][0]) << i;
    EXPECT_EQ(DbRowValue(rows[i], L"tilt"), expected[i][1]) << i;
    EXPECT_EQ(DbRowValue(rows[i], L"course_no"), expected[i][2]) << i;
    EXPECT_EQ(DbRowValue(rows[i], L"start_exhibition"), expected[i][3]) << i;
  }
  ASSERT_TRUE(db_.QueryRows(L"SELECT * FROM races;", &rows));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(DbRowValue(rows[0], L"weather"), L"晴");
  EXPECT_EQ(DbRowValue(rows[0], L"wind_speed"), L"100.0");
  EXPECT_EQ(DbRowValue(rows[0], L"wave_height"), L"100.0");
  EXPECT_EQ(DbRowValue(rows[0], L"wind_condition"), L"追い風");
  EXPECT_EQ(DbRowValue(rows[0], L"wind_direction"), L"西");
  EXPECT_NE(DbRowValue(rows[0], L"live_updated_at"), L"");
}

TEST_F(BeforeInfoFetchTest, PagesThatCannotBeRead) {
  struct Case {
    const char* name;
    std::string body;  // "" with a fault instead
    const char* fault;
    const wchar_t* message;
  };
  const Case cases[] = {
      {"no data", "<html><body><p>\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF\xE3\x81\x8C\xE3\x81\x82\xE3\x82\x8A\xE3\x81"
                  "\xBE\xE3\x81\x9B\xE3\x82\x93</p></body></html>",
       "none", L"直前情報がありません(この日の開催がないか、まだ公開されていません)。"},
      {"another layout", WithBoats(""), "none", L"直前情報ページの形式を解釈できませんでした。"},
      {"missing page", "<html></html>", "404", L"HTTP 404 が返されました。"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(server().PutBytes(kPagePath, c.body));
    ASSERT_TRUE(server().SetFault(kPagePath, c.fault));
    WebClient client;
    BeforeRaceInfo info;
    info.weather = L"old";
    EXPECT_FALSE(FetchBeforeInfo(client, L"2024-01-05", 7, 1, &info)) << c.name;
    EXPECT_EQ(client.message, c.message) << c.name;
    EXPECT_TRUE(info.entries.empty()) << c.name;
  }
}

}  // namespace
}  // namespace wakelore
