#include "db/db_schema.h"

#include <charconv>
#include <set>

#include "db/schema_script.h"
#include "platform/format.h"
#include "platform/text.h"

namespace wakelore {

namespace {

// A decimal number at the start of `text` (after blanks); 0 when there is none.
template <typename T>
T ParseLeading(const std::wstring& text) {
  std::string ascii;
  for (wchar_t c : text) {
    if (c > 0x7F) break;
    ascii.push_back(static_cast<char>(c));
  }
  size_t start = ascii.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return T{};
  const char* first = ascii.data() + start;
  if (*first == '+') ++first;
  T value{};
  auto [end, ec] = std::from_chars(first, ascii.data() + ascii.size(), value);
  if (ec != std::errc()) return T{};
  return value;
}

std::set<std::wstring> LowerColumnNames(const std::vector<DbRow>& table_info) {
  std::set<std::wstring> names;
  for (const DbRow& row : table_info) names.insert(ToLowerText(DbRowValue(row, L"name")));
  return names;
}

}  // namespace

const std::vector<ExtraColumn>& ExtraColumnTable() {
  static const std::vector<ExtraColumn> table = {
      {L"races", L"series_title", L"TEXT"},
      {L"races", L"day_label", L"TEXT"},
      {L"race_entries", L"class_name", L"TEXT"},
      {L"race_entries", L"branch", L"TEXT"},
      {L"race_entries", L"age", L"INTEGER"},
      {L"race_entries", L"weight", L"REAL"},
      {L"race_entries", L"national_win_rate", L"REAL"},
      {L"race_entries", L"national_quinella_rate", L"REAL"},
      {L"race_entries", L"local_win_rate", L"REAL"},
      {L"race_entries", L"local_quinella_rate", L"REAL"},
      {L"race_entries", L"motor_no", L"TEXT"},
      {L"race_entries", L"motor_quinella_rate", L"REAL"},
      {L"race_entries", L"boat_no", L"TEXT"},
      {L"race_entries", L"boat_quinella_rate", L"REAL"},
      {L"race_entries", L"current_results", L"TEXT"},
      {L"odds", L"popularity", L"INTEGER"},
      {L"race_result_entries", L"finish_mark", L"TEXT"},
      {L"live_odds", L"odds_high", L"REAL"},
      {L"live_odds", L"official_time", L"TEXT"},
      {L"live_odds", L"is_final", L"INTEGER"},
  };
  return table;
}

const std::vector<StadiumInfo>& StadiumMaster() {
  static const std::vector<StadiumInfo> master = {
      {1, L"KRY", L"桐生", L"淡水", 0.78, L"ナイター開催が多い"},
      {2, L"TDA", L"戸田", L"淡水", 0.70, L"水面が狭く展開差に注意"},
      {3, L"EDG", L"江戸川", L"河川", 0.62, L"潮と風の影響が大きい"},
      {4, L"HWJ", L"平和島", L"海水", 0.69, L"風向きによる波乱に注意"},
      {5, L"TMG", L"多摩川", L"淡水", 0.74, L"広めの静水面"},
      {6, L"HMN", L"浜名湖", L"汽水", 0.73, L"広い水面"},
      {7, L"GMG", L"蒲郡", L"汽水", 0.77, L"ナイター"},
      {8, L"TKN", L"常滑", L"海水", 0.75, L"イン安定寄り"},
      {9, L"TSU", L"津", L"淡水", 0.74, L"1Mの攻防重視"},
      {10, L"MKN", L"三国", L"淡水", 0.76, L"朝条件差に注意"},
      {11, L"BWK", L"びわこ", L"淡水", 0.72, L"湖面風に注意"},
      {12, L"SME", L"住之江", L"淡水", 0.80, L"イン評価高め"},
      {13, L"AMG", L"尼崎", L"淡水", 0.78, L"堅め決着も多い"},
      {14, L"NRT", L"鳴門", L"海水", 0.71, L"潮位影響を確認"},
      {15, L"MRG", L"丸亀", L"海水", 0.76, L"ナイター"},
      {16, L"KJM", L"児島", L"海水", 0.74, L"潮と風を確認"},
      {17, L"MYJ", L"宮島", L"海水", 0.73, L"干満差に注意"},
      {18, L"TKY", L"徳山", L"海水", 0.79, L"イン傾向強め"},
      {19, L"SMN", L"下関", L"海水", 0.77, L"ナイター"},
      {20, L"WKM", L"若松", L"海水", 0.76, L"ナイター"},
      {21, L"ASY", L"芦屋", L"淡水", 0.78, L"モーニング"},
      {22, L"FKO", L"福岡", L"海水", 0.66, L"うねり注意"},
      {23, L"KRT", L"唐津", L"淡水", 0.77, L"モーニング"},
      {24, L"OMR", L"大村", L"海水", 0.82, L"イン傾向強め"},
  };
  return master;
}

DbSchema::DbSchema(DbManager& db) : db_(db) { FillFallbackStadiums(); }

void DbSchema::FillFallbackStadiums() {
  const std::vector<StadiumInfo>& master = StadiumMaster();
  fallback_stadiums_.clear();
  for (int i = 0; i < 24; ++i) {
    StadiumInfo info;
    info.id = i + 1;
    info.code = Format(L"S%02d", info.id);
    info.name = master[static_cast<size_t>(i)].name;
    info.water_type = (info.id == 3 || info.id == 22) ? L"河川/海水" : L"淡水/海水";
    info.in_advantage = (i % 6) * 0.025 + 0.68;
    info.memo = L"フォールバックマスタ";
    fallback_stadiums_.push_back(std::move(info));
  }
}

bool DbSchema::InitializeDatabase(const std::wstring& path) {
  if (fallback_stadiums_.empty()) FillFallbackStadiums();
  if (!db_.OpenReadWrite(path)) {
    CopyDbError();
    return false;
  }
  bool ok = true;
  if (db_.Exec(SchemaScript())) {
    if (!MigrateRaceColumns()) ok = false;
  } else {
    // Taken now rather than at the end, so that a message left over from an
    // earlier preparation of this object is never reported for this one.
    CopyDbError();
    ok = false;
  }
  if (!SeedStadiums()) ok = false;
  if (!WriteDefaultPredictionSettings()) ok = false;
  return ok;
}

bool DbSchema::MigrateRaceColumns() {
  std::vector<DbRow> info;
  if (!db_.QueryRows(L"PRAGMA table_info(races);", &info)) {
    CopyDbError();
    return false;
  }
  const std::set<std::wstring> present = LowerColumnNames(info);
  static const struct {
    const wchar_t* column;
    const wchar_t* statement;
  } kRaceColumns[] = {
      {L"wind_condition", L"ALTER TABLE races ADD COLUMN wind_condition TEXT;"},
      {L"tide_condition", L"ALTER TABLE races ADD COLUMN tide_condition TEXT;"},
      {L"current_speed", L"ALTER TABLE races ADD COLUMN current_speed REAL DEFAULT 0.0;"},
      {L"live_updated_at", L"ALTER TABLE races ADD COLUMN live_updated_at TEXT;"},
  };
  for (const auto& item : kRaceColumns) {
    if (present.count(item.column) != 0) continue;
    if (!db_.Exec(item.statement)) {
      CopyDbError();
      return false;
    }
  }
  return AddMissingColumns();
}

bool DbSchema::AddMissingColumns() {
  // Table name -> its lower-cased column names (empty: no such table).
  std::vector<std::pair<std::wstring, std::set<std::wstring>>> tables;
  auto find = [&tables](const std::wstring& table) -> std::set<std::wstring>* {
    for (auto& entry : tables) {
      if (entry.first == table) return &entry.second;
    }
    return nullptr;
  };
  for (const ExtraColumn& extra : ExtraColumnTable()) {
    if (find(extra.table) != nullptr) continue;
    std::vector<DbRow> info;
    if (!db_.QueryRows(Format(L"PRAGMA table_info(%s);", extra.table), &info)) {
      CopyDbError();
      return false;
    }
    tables.emplace_back(extra.table, LowerColumnNames(info));
  }
  for (const ExtraColumn& extra : ExtraColumnTable()) {
    std::set<std::wstring>* columns = find(extra.table);
    if (columns == nullptr || columns->empty()) continue;
    if (columns->count(extra.column) != 0) continue;
    if (!db_.Exec(Format(L"ALTER TABLE %s ADD COLUMN %s %s;", extra.table, extra.column,
                         extra.type))) {
      CopyDbError();
      return false;
    }
    columns->insert(extra.column);
  }
  if (!db_.Exec(StadiumDaysScript())) {
    CopyDbError();
    return false;
  }
  return true;
}

bool DbSchema::SeedStadiums() {
  for (const StadiumInfo& s : StadiumMaster()) {
    const std::wstring sql = Format(
        L"INSERT OR IGNORE INTO stadiums (id, code, name, water_type, in_advantage, memo) "
        L"VALUES (%d, %s, %s, %s, %.6f, %s);",
        s.id, SqlQuote(s.code), SqlQuote(s.name), SqlQuote(s.water_type), s.in_advantage,
        SqlQuote(s.memo));
    if (!db_.Exec(sql)) {
      CopyDbError();
      return false;
    }
  }
  return true;
}

bool DbSchema::WriteDefaultPredictionSettings() {
  const std::wstring sql = Format(
      L"INSERT OR REPLACE INTO prediction_settings (id, name, weight_frame_advantage, "
      L"weight_national_win, weight_local_win, weight_motor, weight_boat, weight_avg_st, "
      L"weight_exhibition, weight_weather, weight_recent_score, risk_preference, is_default) "
      L"VALUES (%d, %s, %.6f, %.6f, %.6f, %.6f, %.6f, %.6f, %.6f, %.6f, %.6f, %d, %d);",
      1, SqlQuote(L"標準"), 1.3, 1.0, 0.8, 1.1, 0.7, 0.9, 0.9, 0.5, 0.8, 1, 1);
  if (!db_.Exec(sql)) {
    CopyDbError();
    return false;
  }
  return true;
}

std::vector<StadiumInfo> DbSchema::LoadStadiums() {
  std::vector<DbRow> rows;
  if (!db_.QueryRows(
          L"SELECT id, code, name, water_type, in_advantage, memo FROM stadiums ORDER BY id;",
          &rows) ||
      rows.empty()) {
    return fallback_stadiums_;
  }
  std::vector<StadiumInfo> stadiums;
  stadiums.reserve(rows.size());
  for (const DbRow& row : rows) {
    StadiumInfo info;
    info.id = ParseLeading<int32_t>(DbRowValue(row, L"id"));
    info.code = DbRowValue(row, L"code");
    info.name = DbRowValue(row, L"name");
    info.water_type = DbRowValue(row, L"water_type");
    info.in_advantage = ParseLeading<double>(DbRowValue(row, L"in_advantage"));
    info.memo = DbRowValue(row, L"memo");
    stadiums.push_back(std::move(info));
  }
  return stadiums;
}

std::wstring DbSchema::LatestResultDate() {
  std::vector<DbRow> rows;
  if (!db_.QueryRows(L"SELECT MAX(r.race_date) AS value FROM races r JOIN race_results rr ON "
                     L"rr.race_id = r.id;",
                     &rows) ||
      rows.empty()) {
    return std::wstring();
  }
  return DbRowValue(rows.front(), L"value");
}

std::wstring DbSchema::LatestProgramDate() {
  std::vector<DbRow> rows;
  if (!db_.QueryRows(L"SELECT MAX(race_date) AS value FROM races;", &rows) || rows.empty()) {
    return std::wstring();
  }
  return DbRowValue(rows.front(), L"value");
}

bool DbSchema::LatestRacerPeriod(int32_t* year, int32_t* term) {
  *year = 0;
  *term = 0;
  std::vector<DbRow> rows;
  if (!db_.QueryRows(L"SELECT period_year, period_term FROM racer_period_stats ORDER BY "
                     L"period_year DESC, period_term DESC LIMIT 1;",
                     &rows) ||
      rows.empty()) {
    return false;
  }
  *year = ParseLeading<int32_t>(DbRowValue(rows.front(), L"period_year"));
  *term = ParseLeading<int32_t>(DbRowValue(rows.front(), L"period_term"));
  return *year > 0 && *term > 0;
}

}  // namespace wakelore
