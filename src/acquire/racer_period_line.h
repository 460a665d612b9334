// One line of the racer period file (レーサー期別成績): the racer's profile,
// the results of the calculation period and the statistics per starting
// course, in fixed byte columns of code page 932 text.
//
//   offset width field                      offset width field
//     0     4   register_no (chars)          75    2   final_count
//     4    16   name (SJIS)                  77    2   championship_count
//    20    15   name_kana (SJIS)             79    3   avg_start_timing /100
//    35     4   branch (SJIS)                82  6x13  course block 1
//    39     2   class_name (SJIS)           160    2   prev_class (SJIS)
//    41     1   birth_era (SJIS)            162    2   prev2_class (SJIS)
//    42     6   birth_date_text (chars)     164    2   prev3_class (SJIS)
//    48     1   gender                      166    4   prev_ability /100
//    49     2   age                         170    4   current_ability /100
//    51     3   height_cm                   174    4   period_year
//    54     2   weight_kg                   178    1   period_term
//    56     2   blood_type (SJIS)           179    8   calc_from (YYYYMMDD)
//    58     4   win_rate /100               187    8   calc_to (YYYYMMDD)
//    62     4   quinella_rate /10           195    3   training_term
//    66     3   first_count                 198  6x34  course block 2
//    69     3   second_count                402    8   (not read)
//    72     3   start_count                 410    6   origin (SJIS)
//
// Course block 1, per course: entry_count 3, quinella_rate 4 (/10),
// avg_start_timing 3 (/100), avg_start_rank 3 (/100).  Course block 2, per
// course: first..sixth_count 3 each, then f, l0, l1, k0, k1, s0, s1, s2
// counts 2 each.  Unmarked fields are integers (sign and digits; blank or
// no digits is 0), "/n" ones integers divided by n.  Every field is cut at
// its offset (bytes past the end of the line are absent) and trimmed of
// white space.  The eight bytes at 402 are skipped only when the line holds
// all of them; a shorter line has its origin at 402 when it reaches 408.
//
// All functions are pure, thread-safe and safe on any bytes.
#ifndef WAKELORE_ACQUIRE_RACER_PERIOD_LINE_H_
#define WAKELORE_ACQUIRE_RACER_PERIOD_LINE_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wakelore {

// Shortest line that holds a racer (up to the second course block).
inline constexpr size_t kRacerLineMinBytes = 198;

struct RacerCourseRecord {
  int32_t entry_count = 0;
  double quinella_rate = 0.0;
  double avg_start_timing = 0.0;
  double avg_start_rank = 0.0;
  int32_t first_count = 0;
  int32_t second_count = 0;
  int32_t third_count = 0;
  int32_t fourth_count = 0;
  int32_t fifth_count = 0;
  int32_t sixth_count = 0;
  int32_t f_count = 0;
  int32_t l0_count = 0;
  int32_t l1_count = 0;
  int32_t k0_count = 0;
  int32_t k1_count = 0;
  int32_t s0_count = 0;
  int32_t s1_count = 0;
  int32_t s2_count = 0;
};

struct RacerPeriodRecord {
  std::wstring register_no;
  std::wstring name;
  std::wstring name_kana;
  std::wstring branch;
  std::wstring class_name;
  std::wstring birth_era;
  std::wstring birth_date_text;
  int32_t gender = 0;
  int32_t age = 0;
  int32_t height_cm = 0;
  double weight_kg = 0.0;
  std::wstring blood_type;
  double win_rate = 0.0;
  double quinella_rate = 0.0;
  int32_t first_count = 0;
  int32_t second_count = 0;
  int32_t start_count = 0;
  int32_t final_count = 0;
  int32_t championship_count = 0;
  double avg_start_timing = 0.0;
  std::array<RacerCourseRecord, 6> courses;  // courses 1 to 6
  std::wstring prev_class;
  std::wstring prev2_class;
  std::wstring prev3_class;
  double prev_ability = 0.0;
  double current_ability = 0.0;
  int32_t period_year = 0;
  int32_t period_term = 0;
  std::wstring calc_from;  // YYYY-MM-DD (an 8-character field), else as it stands
  std::wstring calc_to;
  int32_t training_term = 0;
  std::wstring origin;
};

// The lines of a racer period file: a line ends at CR, LF or CR LF; empty
// lines are dropped; a last line without a break counts.  The views point
// into `bytes`.
std::vector<std::string_view> SplitRacerLines(std::string_view bytes);

// True for a line that holds a racer: at least kRacerLineMinBytes bytes,
// the first four ASCII digits.  Others (headers, trailers) are skipped.
bool IsRacerLine(std::string_view line);

// The fields of a line as laid out above.  The period stays 0 where the
// line leaves it blank (see PeriodFromFileName).
RacerPeriodRecord ParseRacerPeriodLine(std::string_view line);

// The period an archive is for, from its file name: fanYY10 is the first
// half-year (term 1) of the year after 20YY (fan9910: 2000), fanYY04 the
// second (term 2) of 20YY.  Other names leave `*year` and `*term` unchanged.
void PeriodFromFileName(const std::wstring& path, int32_t* year, int32_t* term);

}  // namespace wakelore

#endif  // WAKELORE_ACQUIRE_RACER_PERIOD_LINE_H_
