#include "db/schema_script.h"

namespace wakelore {

namespace {

constexpr wchar_t kCreateStadiums[] =
    L"CREATE TABLE IF NOT EXISTS stadiums (id INTEGER PRIMARY KEY,code TEXT UNIQUE,name TEXT,water_type TEXT,in_advantage REAL,memo TEXT);";
constexpr wchar_t kCreateRacers[] =
    L"CREATE TABLE IF NOT EXISTS racers (id INTEGER PRIMARY KEY,register_no TEXT UNIQUE,name TEXT,class_name TEXT,branch TEXT,age INTEGER,weight REAL,national_win_rate REAL,local_win_rate REAL,avg_start_timing REAL,f_count INTEGER,l_count INTEGER);";
constexpr wchar_t kCreateMotors[] =
    L"CREATE TABLE IF NOT EXISTS motors (id INTEGER PRIMARY KEY,stadium_id INTEGER,motor_no TEXT,quinella_rate REAL,win_rate REAL,memo TEXT);";
constexpr wchar_t kCreateBoats[] =
    L"CREATE TABLE IF NOT EXISTS boats (id INTEGER PRIMARY KEY,stadium_id INTEGER,boat_no TEXT,quinella_rate REAL,win_rate REAL,memo TEXT);";
constexpr wchar_t kCreateRaces[] =
    L"CREATE TABLE IF NOT EXISTS races (id INTEGER PRIMARY KEY,race_date TEXT,stadium_id INTEGER,race_no INTEGER,title TEXT,grade TEXT,distance INTEGER,weather TEXT,wind_direction TEXT,wind_condition TEXT,wind_speed REAL,wave_height REAL,tide_condition TEXT,current_speed REAL DEFAULT 0.0,deadline_time TEXT);";
constexpr wchar_t kCreateRaceEntries[] =
    L"CREATE TABLE IF NOT EXISTS race_entries (id INTEGER PRIMARY KEY,race_id INTEGER,frame_no INTEGER,racer_id INTEGER,motor_id INTEGER,boat_id INTEGER,course_no INTEGER,exhibition_time REAL,tilt REAL,start_exhibition REAL,current_score REAL,comment TEXT);";
constexpr wchar_t kCreateRaceResults[] =
    L"CREATE TABLE IF NOT EXISTS race_results (id INTEGER PRIMARY KEY,race_id INTEGER,first_frame INTEGER,second_frame INTEGER,third_frame INTEGER,winning_technique TEXT,trifecta TEXT,trifecta_payout INTEGER);";
constexpr wchar_t kCreateRaceResultEntries[] =
    L"CREATE TABLE IF NOT EXISTS race_result_entries (id INTEGER PRIMARY KEY,race_id INTEGER,finish_order INTEGER,frame_no INTEGER,register_no TEXT,racer_name TEXT,motor_no TEXT,boat_no TEXT,exhibition_time REAL,course_no INTEGER,start_timing REAL,race_time TEXT,imported_at TEXT);";
constexpr wchar_t kCreateOdds[] =
    L"CREATE TABLE IF NOT EXISTS odds (id INTEGER PRIMARY KEY,race_id INTEGER,bet_type TEXT,combination TEXT,odds_value REAL,updated_at TEXT);";
constexpr wchar_t kCreateLiveOdds[] =
    L"CREATE TABLE IF NOT EXISTS live_odds (id INTEGER PRIMARY KEY,race_id INTEGER,bet_type TEXT,combination TEXT,odds_value REAL,fetched_at TEXT);";
constexpr wchar_t kCreatePredictionSettings[] =
    L"CREATE TABLE IF NOT EXISTS prediction_settings (id INTEGER PRIMARY KEY,name TEXT,weight_frame_advantage REAL,weight_national_win REAL,weight_local_win REAL,weight_motor REAL,weight_boat REAL,weight_avg_st REAL,weight_exhibition REAL,weight_weather REAL,weight_recent_score REAL,risk_preference INTEGER,is_default INTEGER);";
constexpr wchar_t kCreatePredictionResults[] =
    L"CREATE TABLE IF NOT EXISTS prediction_results (id INTEGER PRIMARY KEY,race_id INTEGER,settings_id INTEGER,frame_no INTEGER,prediction_rank INTEGER,prediction_index REAL,confidence REAL,comment TEXT,created_at TEXT);";
constexpr wchar_t kCreateDataFiles[] =
    L"CREATE TABLE IF NOT EXISTS data_files (id INTEGER PRIMARY KEY,file_type TEXT,source_path TEXT UNIQUE,status TEXT,imported_rows INTEGER,message TEXT,imported_at TEXT);";
constexpr wchar_t kCreateRacerPeriodStats[] =
    L"CREATE TABLE IF NOT EXISTS racer_period_stats (id INTEGER PRIMARY KEY,register_no TEXT,period_year INTEGER,period_term INTEGER,name TEXT,name_kana TEXT,branch TEXT,class_name TEXT,birth_era TEXT,birth_date_text TEXT,gender INTEGER,age INTEGER,height_cm INTEGER,weight_kg REAL,blood_type TEXT,win_rate REAL,quinella_rate REAL,first_count INTEGER,second_count INTEGER,start_count INTEGER,final_count INTEGER,championship_count INTEGER,avg_start_timing REAL,prev_class TEXT,prev2_class TEXT,prev3_class TEXT,prev_ability REAL,current_ability REAL,calc_from TEXT,calc_to TEXT,training_term INTEGER,origin TEXT,source_file TEXT,imported_at TEXT,UNIQUE(register_no, period_year, period_term));";
constexpr wchar_t kCreateRacerPeriodCourseStats[] =
    L"CREATE TABLE IF NOT EXISTS racer_period_course_stats (id INTEGER PRIMARY KEY,register_no TEXT,period_year INTEGER,period_term INTEGER,course_no INTEGER,entry_count INTEGER,quinella_rate REAL,avg_start_timing REAL,avg_start_rank REAL,first_count INTEGER,second_count INTEGER,third_count INTEGER,fourth_count INTEGER,fifth_count INTEGER,sixth_count INTEGER,f_count INTEGER,l0_count INTEGER,l1_count INTEGER,k0_count INTEGER,k1_count INTEGER,s0_count INTEGER,s1_count INTEGER,s2_count INTEGER,UNIQUE(register_no, period_year, period_term, course_no));";

}  // namespace

const std::wstring& SchemaScript() {
  static const std::wstring script = std::wstring() +
      kCreateStadiums +
      kCreateRacers +
      kCreateMotors +
      kCreateBoats +
      kCreateRaces +
      kCreateRaceEntries +
      kCreateRaceResults +
      kCreateRaceResultEntries +
      kCreateOdds +
      kCreateLiveOdds +
      kCreatePredictionSettings +
      kCreatePredictionResults +
      kCreateDataFiles +
      kCreateRacerPeriodStats +
      kCreateRacerPeriodCourseStats +
      L"CREATE UNIQUE INDEX IF NOT EXISTS ux_data_files_path ON data_files(source_path);" +
      L"CREATE UNIQUE INDEX IF NOT EXISTS ux_races_key ON races(race_date, stadium_id, race_no);" +
      L"CREATE UNIQUE INDEX IF NOT EXISTS ux_motors_stadium_no ON motors(stadium_id, motor_no);" +
      L"CREATE UNIQUE INDEX IF NOT EXISTS ux_boats_stadium_no ON boats(stadium_id, boat_no);" +
      L"CREATE UNIQUE INDEX IF NOT EXISTS ux_race_entries_key ON race_entries(race_id, frame_no);" +
      L"CREATE UNIQUE INDEX IF NOT EXISTS ux_race_results_race ON race_results(race_id);" +
      L"CREATE UNIQUE INDEX IF NOT EXISTS ux_odds_key ON odds(race_id, bet_type, combination);" +
      L"CREATE UNIQUE INDEX IF NOT EXISTS ux_result_entries_race_frame ON race_result_entries(race_id, frame_no);" +
      L"CREATE INDEX IF NOT EXISTS ix_races_date ON races(race_date);" +
      L"CREATE INDEX IF NOT EXISTS ix_races_stadium_date ON races(stadium_id, race_date);" +
      L"CREATE INDEX IF NOT EXISTS ix_race_entries_race ON race_entries(race_id);" +
      L"CREATE INDEX IF NOT EXISTS ix_result_entries_register ON race_result_entries(register_no);" +
      L"CREATE INDEX IF NOT EXISTS ix_result_entries_register_course ON race_result_entries(register_no, course_no);" +
      L"CREATE INDEX IF NOT EXISTS ix_result_entries_finish ON race_result_entries(race_id, finish_order);" +
      L"CREATE INDEX IF NOT EXISTS ix_live_odds_race ON live_odds(race_id, bet_type, fetched_at);";
  return script;
}

const std::wstring& RacerPeriodTablesScript() {
  static const std::wstring script = std::wstring() + kCreateDataFiles + kCreateRacerPeriodStats +
                                     kCreateRacerPeriodCourseStats;
  return script;
}

const std::wstring& StadiumDaysScript() {
  static const std::wstring script =
      L"CREATE TABLE IF NOT EXISTS stadium_days (race_date TEXT NOT NULL,stadium_id INTEGER NOT NULL,grade TEXT,grade_class TEXT,category TEXT,time_zone TEXT,series_title TEXT,period_text TEXT,day_label TEXT,fetched_at TEXT,PRIMARY KEY (race_date, stadium_id));";
  return script;
}

}  // namespace wakelore
