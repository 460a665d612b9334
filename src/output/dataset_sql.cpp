#include "output/dataset_sql.h"

#include "platform/format.h"

namespace wakelore {

namespace {

// Fragments shared by the statements.  The column aliases are the headers
// of every preview and export, so they are part of the interface.
constexpr wchar_t kRaceDateFilter[] =
    L"r.race_date BETWEEN '%s' AND '%s'";
constexpr wchar_t kLimitClause[] =
    L" LIMIT %d";
constexpr wchar_t kStadiumJoin[] =
    L"JOIN stadiums s ON s.id = r.stadium_id LEFT JOIN stadium_days sd ON sd.race_date = "
    L"r.race_date AND sd.stadium_id = r.stadium_id ";
constexpr wchar_t kRacerNameExpr[] =
    L"REPLACE(REPLACE(%s,'　',''),' ','')";
constexpr wchar_t kFinishOrderExpr[] =
    L"CASE WHEN re.finish_mark IS NULL OR re.finish_mark='' THEN re.finish_order WHEN "
    L"re.finish_mark GLOB '[0-9]*' THEN CAST(re.finish_mark AS INTEGER) END";
constexpr wchar_t kFinishMarkExpr[] =
    L"CASE WHEN re.finish_mark GLOB '[0-9]*' THEN NULL ELSE NULLIF(re.finish_mark,'') END";
constexpr wchar_t kStartTimingExpr[] =
    L"CASE WHEN re.course_no > 0 THEN re.start_timing END";
constexpr wchar_t kExhibitionTimeExpr[] =
    L"NULLIF(re.exhibition_time, 0)";
constexpr wchar_t kRaceTimeExpr[] =
    L"CASE WHEN re.race_time GLOB '*[0-9].[0-9]*' THEN TRIM(re.race_time) END";
constexpr wchar_t kBetTypeLabelCase[] =
    L"CASE o.bet_type WHEN '３連単' THEN '3連単' WHEN '３連複' THEN '3連複' WHEN '２連単' THEN '2連単' WHEN "
    L"'２連複' THEN '2連複' ELSE o.bet_type END";
constexpr wchar_t kBetTypeOrderCase[] =
    L"CASE o.bet_type WHEN '単勝' THEN 1 WHEN '複勝' THEN 2 WHEN '２連単' THEN 3 WHEN '２連複' THEN 4 "
    L"WHEN '拡連複' THEN 5 WHEN '３連単' THEN 6 WHEN '３連複' THEN 7 ELSE 9 END";
constexpr wchar_t kLeadTemplate[] =
    L"r.race_date AS 開催日, r.stadium_id AS 場コード, s.name AS 場名, r.race_no AS レース, "
    L"COALESCE(NULLIF(sd.grade,''), %s) AS グレード, CASE WHEN sd.grade IS NOT NULL AND "
    L"sd.grade<>'' THEN '公式' WHEN r.series_title IS NOT NULL AND r.series_title<>'' THEN '推定' "
    L"END AS グレード取得元, NULLIF(sd.category,'') AS 区分, NULLIF(sd.time_zone,'') AS 時間帯, "
    L"COALESCE(NULLIF(sd.series_title,''), r.series_title) AS 開催名, "
    L"COALESCE(NULLIF(r.day_label,''), sd.day_label) AS 開催日目, r.title AS レース名, r.distance AS "
    L"距離";
constexpr wchar_t kGradeInferenceCase[] =
    L"CASE WHEN r.series_title IS NULL OR r.series_title='' THEN NULL WHEN r.series_title "
    L"LIKE '%ボートレースクラシック%' OR r.series_title LIKE '%総理大臣杯%' OR r.series_title LIKE "
    L"'%ボートレースオールスター%' OR r.series_title LIKE '%笹川賞%' OR r.series_title LIKE '%グランドチャンピオン%' "
    L"OR r.series_title LIKE '%オーシャンカップ%' OR r.series_title LIKE '%ボートレースメモリアル%' OR "
    L"r.series_title LIKE '%モーターボート記念%' OR r.series_title LIKE '%ボートレースダービー%' OR "
    L"r.series_title LIKE '%全日本選手権%' OR r.series_title LIKE '%賞金王決定戦%' OR r.series_title LIKE "
    L"'%ボートレースグランプリ%' THEN 'SG' WHEN r.series_title LIKE '%ＢＢＣトーナメント%' OR r.series_title LIKE "
    L"'%マスターズチャンピオン%' OR r.series_title LIKE '%レディースチャンピオン%' OR r.series_title LIKE "
    L"'%クイーンズクライマックス%' OR r.series_title LIKE '%ヤングダービー%' OR r.series_title LIKE "
    L"'%スピードクイーンメモリアル%' THEN 'PG1' WHEN r.series_title LIKE '%地区選手権%' OR (r.series_title LIKE "
    L"'%開設%周年記念%' AND r.series_title NOT LIKE '%ボートピア%' AND r.series_title NOT LIKE '%ＢＴＳ%' "
    L"AND r.series_title NOT LIKE '%ＭＢＰ%' AND r.series_title NOT LIKE '%オラレ%') THEN 'G1' WHEN "
    L"r.series_title LIKE '%オールレディース%' OR r.series_title LIKE '%マスターズリーグ%' THEN 'G3' ELSE "
    L"'一般' END";
constexpr wchar_t kTemplateProgram[] =
    L"SELECT %s, r.deadline_time AS 締切予定, e.frame_no AS 枠, rc.register_no AS 登録番号, %s AS 選手名, "
    L"e.class_name AS 級別, e.branch AS 支部, e.age AS 年齢, e.weight AS 体重, e.national_win_rate AS "
    L"全国勝率, e.national_quinella_rate AS 全国2連率, e.local_win_rate AS 当地勝率, "
    L"e.local_quinella_rate AS 当地2連率, e.motor_no AS モーター, e.motor_quinella_rate AS モーター2連率, "
    L"e.boat_no AS ボート, e.boat_quinella_rate AS ボート2連率, e.current_results AS 今節成績 FROM "
    L"race_entries e JOIN races r ON r.id = e.race_id %sLEFT JOIN racers rc ON rc.id = "
    L"e.racer_id WHERE e.class_name IS NOT NULL AND %s ORDER BY r.race_date, r.stadium_id, "
    L"r.race_no, e.frame_no%s";
constexpr wchar_t kTemplateResult[] =
    L"SELECT %s, r.weather AS 天候, r.wind_direction AS 風向, r.wind_speed AS 風速m, r.wave_height "
    L"AS 波高cm, rr.winning_technique AS 決まり手, %s AS 着順, %s AS 着順記号, re.frame_no AS 枠, "
    L"NULLIF(re.course_no, 0) AS 進入, %s AS ST, %s AS 展示タイム, %s AS レースタイム, re.register_no AS "
    L"登録番号, %s AS 選手名, re.motor_no AS モーター, re.boat_no AS ボート FROM race_result_entries re "
    L"JOIN races r ON r.id = re.race_id %sLEFT JOIN race_results rr ON rr.race_id = r.id "
    L"WHERE %s ORDER BY r.race_date, r.stadium_id, r.race_no, re.finish_order, re.frame_no%s";
constexpr wchar_t kTemplatePayout[] =
    L"SELECT %s, %s AS 券種, o.combination AS 組番, CAST(o.odds_value AS INTEGER) AS 払戻金, "
    L"NULLIF(o.popularity, 0) AS 人気 FROM odds o JOIN races r ON r.id = o.race_id %sWHERE %s "
    L"ORDER BY r.race_date, r.stadium_id, r.race_no, %s, o.combination%s";
constexpr wchar_t kTemplateCombined[] =
    L"SELECT %s, r.deadline_time AS 締切予定, r.weather AS 天候, r.wind_direction AS 風向, "
    L"r.wind_speed AS 風速m, r.wave_height AS 波高cm, rr.winning_technique AS 決まり手, e.frame_no AS "
    L"枠, rc.register_no AS 登録番号, %s AS 選手名, e.class_name AS 級別, e.branch AS 支部, e.age AS 年齢, "
    L"e.weight AS 体重, e.national_win_rate AS 全国勝率, e.national_quinella_rate AS 全国2連率, "
    L"e.local_win_rate AS 当地勝率, e.local_quinella_rate AS 当地2連率, e.motor_no AS モーター, "
    L"e.motor_quinella_rate AS モーター2連率, e.boat_no AS ボート, e.boat_quinella_rate AS ボート2連率, "
    L"e.current_results AS 今節成績, %s AS 展示タイム, NULLIF(re.course_no, 0) AS 進入, %s AS ST, %s AS "
    L"着順, %s AS 着順記号, %s AS レースタイム, (SELECT CAST(o.odds_value AS INTEGER) FROM odds o WHERE "
    L"o.race_id = r.id AND o.bet_type = '単勝' ORDER BY o.odds_value DESC LIMIT 1) AS 単勝払戻, "
    L"(SELECT o.combination FROM odds o WHERE o.race_id = r.id AND o.bet_type = '２連単' ORDER "
    L"BY o.odds_value DESC LIMIT 1) AS 二連単組番, (SELECT CAST(o.odds_value AS INTEGER) FROM odds "
    L"o WHERE o.race_id = r.id AND o.bet_type = '２連単' ORDER BY o.odds_value DESC LIMIT 1) AS "
    L"二連単払戻, (SELECT o.combination FROM odds o WHERE o.race_id = r.id AND o.bet_type = '３連単' "
    L"ORDER BY o.odds_value DESC LIMIT 1) AS 三連単組番, (SELECT CAST(o.odds_value AS INTEGER) "
    L"FROM odds o WHERE o.race_id = r.id AND o.bet_type = '３連単' ORDER BY o.odds_value DESC "
    L"LIMIT 1) AS 三連単払戻, (SELECT NULLIF(o.popularity, 0) FROM odds o WHERE o.race_id = r.id "
    L"AND o.bet_type = '３連単' ORDER BY o.odds_value DESC LIMIT 1) AS 三連単人気 FROM race_entries e "
    L"JOIN races r ON r.id = e.race_id %sLEFT JOIN racers rc ON rc.id = e.racer_id LEFT JOIN "
    L"race_result_entries re ON re.race_id = e.race_id AND re.frame_no = e.frame_no LEFT JOIN "
    L"race_results rr ON rr.race_id = r.id WHERE e.class_name IS NOT NULL AND %s ORDER BY "
    L"r.race_date, r.stadium_id, r.race_no, e.frame_no%s";
constexpr wchar_t kTemplateStadiumDays[] =
    L"SELECT sd.race_date AS 開催日, sd.stadium_id AS 場コード, s.name AS 場名, sd.grade AS グレード, "
    L"NULLIF(sd.category,'') AS 区分, NULLIF(sd.time_zone,'') AS 時間帯, sd.series_title AS 開催名, "
    L"sd.period_text AS 開催期間, sd.day_label AS 開催日目 FROM stadium_days sd JOIN stadiums s ON "
    L"s.id = sd.stadium_id WHERE %s ORDER BY sd.race_date, sd.stadium_id%s";
constexpr wchar_t kTemplateLiveInfo[] =
    L"SELECT %s, r.live_updated_at AS 取得日時, r.weather AS 天候, r.wind_direction AS 風向, "
    L"r.wind_condition AS 風の向き, r.wind_speed AS 風速m, r.wave_height AS 波高cm, e.frame_no AS 枠, "
    L"rc.register_no AS 登録番号, %s AS 選手名, e.exhibition_time AS 展示タイム, e.tilt AS チルト, "
    L"e.course_no AS 進入, NULLIF(e.start_exhibition, 0) AS 展示ST FROM race_entries e JOIN races "
    L"r ON r.id = e.race_id %sLEFT JOIN racers rc ON rc.id = e.racer_id WHERE "
    L"r.live_updated_at IS NOT NULL AND %s ORDER BY r.race_date, r.stadium_id, r.race_no, "
    L"e.frame_no%s";
// live_odds spells the bet types with ASCII digits ("3連単"), the result
// file's payouts in odds with full-width ones ("３連単").
constexpr wchar_t kLiveBetTypeOrderCase[] =
    L"CASE lo.bet_type WHEN '単勝' THEN 1 WHEN '複勝' THEN 2 WHEN '2連単' THEN 3 WHEN '2連複' THEN 4 "
    L"WHEN '拡連複' THEN 5 WHEN '3連単' THEN 6 WHEN '3連複' THEN 7 ELSE 9 END";
constexpr wchar_t kTemplateLiveOdds[] =
    L"SELECT %s, lo.fetched_at AS 取得日時, lo.combination AS 組番, lo.odds_value AS オッズ, lo.bet_type AS "
    L"券種, lo.odds_high AS オッズ上限, lo.official_time AS 更新時刻, lo.is_final AS 確定 FROM live_odds lo "
    L"JOIN races r ON r.id = lo.race_id %sWHERE %s ORDER BY r.race_date, r.stadium_id, r.race_no, "
    L"lo.fetched_at, %s, lo.combination%s";
// The final odds of each race and bet type (the latest final snapshot,
// should there be more than one), beside the payout of the combination
// when it paid.
constexpr wchar_t kTemplateFinalOdds[] =
    L"SELECT %s, lo.bet_type AS 券種, lo.combination AS 組番, lo.odds_value AS 最終オッズ, lo.odds_high AS "
    L"オッズ上限, lo.official_time AS 更新時刻, lo.fetched_at AS 取得日時, CAST(o.odds_value AS INTEGER) AS "
    L"払戻金, NULLIF(o.popularity, 0) AS 人気 FROM live_odds lo JOIN races r ON r.id = lo.race_id %sLEFT "
    L"JOIN odds o ON o.race_id = lo.race_id AND o.bet_type = CASE lo.bet_type WHEN '3連単' THEN '３連単' "
    L"WHEN '3連複' THEN '３連複' WHEN '2連単' THEN '２連単' WHEN '2連複' THEN '２連複' ELSE lo.bet_type END "
    L"AND o.combination = lo.combination WHERE lo.is_final = 1 AND lo.fetched_at = (SELECT "
    L"MAX(f.fetched_at) FROM live_odds f WHERE f.race_id = lo.race_id AND f.bet_type = lo.bet_type AND "
    L"f.is_final = 1) AND %s ORDER BY r.race_date, r.stadium_id, r.race_no, %s, lo.combination%s";
constexpr wchar_t kTemplateRacerPeriod[] =
    L"SELECT p.register_no AS 登録番号, %s AS 選手名, p.name_kana AS 読み, p.period_year AS 年, CASE "
    L"p.period_term WHEN 1 THEN '前期' WHEN 2 THEN '後期' END AS 期, p.branch AS 支部, p.class_name "
    L"AS 級別, CASE p.gender WHEN 1 THEN '男' WHEN 2 THEN '女' END AS 性別, p.age AS 年齢, "
    L"p.height_cm AS 身長, p.weight_kg AS 体重, p.blood_type AS 血液型, p.win_rate AS 勝率, "
    L"p.quinella_rate AS 二連率, p.start_count AS 出走回数, p.first_count AS 一着回数, p.second_count AS "
    L"二着回数, p.final_count AS 優出回数, p.championship_count AS 優勝回数, p.avg_start_timing AS 平均ST, "
    L"p.prev_class AS 前期級別, p.prev2_class AS 前々期級別, p.prev3_class AS 前々々期級別, p.calc_from AS "
    L"算出期間自, p.calc_to AS 算出期間至, p.training_term AS 登録期, p.origin AS 出身地 FROM "
    L"racer_period_stats p WHERE p.period_year BETWEEN %d AND %d ORDER BY p.period_year, "
    L"p.period_term, p.register_no%s";
constexpr wchar_t kTemplateRacerCourse[] =
    L"SELECT c.register_no AS 登録番号, %s AS 選手名, c.period_year AS 年, CASE c.period_term WHEN 1 "
    L"THEN '前期' WHEN 2 THEN '後期' END AS 期, c.course_no AS コース, c.entry_count AS 進入回数, "
    L"c.quinella_rate AS 二連率, c.avg_start_timing AS 平均ST, c.avg_start_rank AS 平均スタート順位, "
    L"c.first_count AS 一着, c.second_count AS 二着, c.third_count AS 三着, c.fourth_count AS 四着, "
    L"c.fifth_count AS 五着, c.sixth_count AS 六着, c.f_count AS F, c.l0_count AS L0, c.l1_count "
    L"AS L1, c.k0_count AS K0, c.k1_count AS K1, c.s0_count AS S0, c.s1_count AS S1, "
    L"c.s2_count AS S2 FROM racer_period_course_stats c LEFT JOIN racer_period_stats p ON "
    L"p.register_no = c.register_no AND p.period_year = c.period_year AND p.period_term = "
    L"c.period_term WHERE c.period_year BETWEEN %d AND %d ORDER BY c.period_year, "
    L"c.period_term, c.register_no, c.course_no%s";
constexpr wchar_t kStadiumDaysFilter[] = L"sd.race_date BETWEEN '%s' AND '%s'";

int YearOf(const std::wstring& date) {
  int year = 0;
  for (size_t i = 0; i < 4; ++i) year = year * 10 + (date[i] - L'0');
  return year;
}

std::wstring RacerName(const wchar_t* column) { return Format(kRacerNameExpr, column); }

bool IsWhiteSpace(wchar_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

}  // namespace

bool IsIsoDate(const std::wstring& text) {
  if (text.size() != 10) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i == 4 || i == 7) {
      if (text[i] != L'-') return false;
    } else if (text[i] < L'0' || text[i] > L'9') {
      return false;
    }
  }
  return true;
}

std::wstring BuildDatasetSql(const std::wstring& key, const std::wstring& fromDate,
                             const std::wstring& toDate, int stadiumId, int limit) {
  if (!IsIsoDate(fromDate) || !IsIsoDate(toDate)) return std::wstring();
  const std::wstring lead = Format(kLeadTemplate, std::wstring_view(kGradeInferenceCase));
  std::wstring filter = Format(kRaceDateFilter, fromDate, toDate);
  if (stadiumId > 0) filter += Format(L" AND r.stadium_id = %d", stadiumId);
  const std::wstring limit_clause = limit > 0 ? Format(kLimitClause, limit) : std::wstring();

  if (key == L"program") {
    return Format(kTemplateProgram, lead, RacerName(L"rc.name"), std::wstring_view(kStadiumJoin),
                  filter, limit_clause);
  }
  if (key == L"result") {
    return Format(kTemplateResult, lead, std::wstring_view(kFinishOrderExpr),
                  std::wstring_view(kFinishMarkExpr), std::wstring_view(kStartTimingExpr),
                  std::wstring_view(kExhibitionTimeExpr), std::wstring_view(kRaceTimeExpr),
                  RacerName(L"re.racer_name"), std::wstring_view(kStadiumJoin), filter,
                  limit_clause);
  }
  if (key == L"payout") {
    return Format(kTemplatePayout, lead, std::wstring_view(kBetTypeLabelCase),
                  std::wstring_view(kStadiumJoin), filter, std::wstring_view(kBetTypeOrderCase),
                  limit_clause);
  }
  if (key == L"combined") {
    return Format(kTemplateCombined, lead, RacerName(L"rc.name"),
                  std::wstring_view(kExhibitionTimeExpr), std::wstring_view(kStartTimingExpr),
                  std::wstring_view(kFinishOrderExpr), std::wstring_view(kFinishMarkExpr),
                  std::wstring_view(kRaceTimeExpr), std::wstring_view(kStadiumJoin), filter,
                  limit_clause);
  }
  if (key == L"stadium_days") {
    std::wstring own_filter = Format(kStadiumDaysFilter, fromDate, toDate);
    if (stadiumId > 0) own_filter += Format(L" AND sd.stadium_id = %d", stadiumId);
    return Format(kTemplateStadiumDays, own_filter, limit_clause);
  }
  if (key == L"live_info") {
    return Format(kTemplateLiveInfo, lead, RacerName(L"rc.name"), std::wstring_view(kStadiumJoin),
                  filter, limit_clause);
  }
  if (key == L"live_odds") {
    return Format(kTemplateLiveOdds, lead, std::wstring_view(kStadiumJoin), filter,
                  std::wstring_view(kLiveBetTypeOrderCase), limit_clause);
  }
  if (key == L"final_odds") {
    return Format(kTemplateFinalOdds, lead, std::wstring_view(kStadiumJoin), filter,
                  std::wstring_view(kLiveBetTypeOrderCase), limit_clause);
  }
  if (key == L"racer_period") {
    return Format(kTemplateRacerPeriod, RacerName(L"p.name"), YearOf(fromDate), YearOf(toDate),
                  limit_clause);
  }
  if (key == L"racer_course") {
    return Format(kTemplateRacerCourse, RacerName(L"p.name"), YearOf(fromDate), YearOf(toDate),
                  limit_clause);
  }
  return std::wstring();
}

std::wstring WrapCustomSql(const std::wstring& sql, int limit) {
  size_t begin = 0;
  size_t end = sql.size();
  while (begin < end && IsWhiteSpace(sql[begin])) ++begin;
  while (end > begin && IsWhiteSpace(sql[end - 1])) --end;
  while (end > begin && std::wstring_view(L"; \t\r\n").find(sql[end - 1]) != std::wstring_view::npos) {
    --end;
  }
  const std::wstring text = sql.substr(begin, end - begin);
  // The line break ends a "--" comment at the end of the user's text
  // before the closing bracket.
  if (limit > 0) return Format(L"SELECT * FROM (%s\n) LIMIT %d", text, limit);
  return text;
}

}  // namespace wakelore
