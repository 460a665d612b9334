// Recognising the structure of a daily program or result file: the line that
// opens a stadium block, the meeting day and series title of the block, the
// race header lines, and the date carried by the file name.
//
// All functions are pure functions of their arguments (ReadDayLabel and
// TakeSeriesTitle change only what they are given) and accept any text.
#ifndef WAKELORE_ARCHIVE_OFFICIAL_RECOGNITION_H_
#define WAKELORE_ARCHIVE_OFFICIAL_RECOGNITION_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wakelore {

// The stadium id 1-24 named by a stadium line, or 0 when the line is not one.
// A line is a stadium line only when it holds "［成績］", "[成績]",
// "ボートレース" or one of the venue forms "競艇場" and "競走場"; the name is
// looked for next to that marker first, then anywhere in the line (the
// longest name wins).  Spaces inside a name ("大　村") do not matter, and
// the former names the files printed count as well ("琵琶湖" is 11).
int32_t DetectStadium(std::wstring_view line);

// The stadium printed right next to a marker ("琵琶湖［成績］",
// "ボートレース大　村", "大　村　競走場"), or 0: the first steps of
// DetectStadium only, so a series title that merely mentions a stadium
// names none.  This is the check of a block opened by its code line.
int32_t PrintedStadiumOf(std::wstring_view line);

// True for a block heading that names no stadium this system knows: a line
// starting in its first column that holds a marker of DetectStadium but no
// name of the table.  A block opened so, without a code line, belongs to
// no stadium.
bool IsUnnamedStadiumHeading(std::wstring_view line);

// The code line that opens ("24KBGN") or closes ("24KEND") a stadium block
// of a daily file: two digits (the stadium code, not range-checked), the
// kind (K result, B program), then BGN or END, and nothing after it but
// blanks.
struct BlockCode {
  int32_t code = 0;
  wchar_t kind = L'K';
  bool begin = false;
  std::wstring text;  // the six characters, for messages
};
std::optional<BlockCode> BlockCodeOf(std::wstring_view line);

// The official name of stadium `id` (1-24), empty for any other id.
std::wstring StadiumNameOf(int32_t id);

// "YYYY-MM-DD" from a file name such as b240105.lzh (letter, yy, mm, dd;
// yy below 80 is 20yy, else 19yy), or empty when the name does not start
// with `letter` (compared lower-case) followed by six ASCII digits and at
// least one more character.  Month and day are not range-checked.
std::wstring DateFromFileName(std::wstring_view path, wchar_t letter);

// Reads a meeting-day label such as "第　３日" (spaces and full-width digits
// allowed) from `line` into `*day_label` as "第3日"; leaves it unchanged when
// the line holds none.
void ReadDayLabel(std::wstring_view line, std::wstring* day_label);

// While `*expect_title` is set, takes the trimmed line as the block's series
// title unless it is empty or one of the decorations of the block head
// (＊ banners, the notice "内容については…", the payout heading, rules);
// taking it clears `*expect_title`.
void TakeSeriesTitle(std::wstring_view line, bool* expect_title, std::wstring* series_title);

// Race header readers.  The race number is the run of digits directly before
// the first "R" (full-width letters and digits count), 0 when there is none.
int32_t RaceNumberOf(std::wstring_view line);
// The digits directly after the first "H" ("Ｈ１８００ｍ" -> 1800); 1800 when
// there are none.
int32_t DistanceOf(std::wstring_view line);
// The raw text between the first "R" and the first "H", trimmed; empty when
// there is no "R" or it does not come before the "H".
std::wstring RaceTitleOf(std::wstring_view line);
// The first five characters after "締切予定" ("15:17"), or empty; the
// older "締切予定時刻１０：５７" reads the same.
std::wstring DeadlineOf(std::wstring_view line);

}  // namespace wakelore

#endif  // WAKELORE_ARCHIVE_OFFICIAL_RECOGNITION_H_
