// One entry line of the daily program file (番組表): a boat, its racer with
// profile and form, its motor and its boat.
//
// The line is fixed-width code page 932 text cut by byte columns (a
// full-width character takes two bytes), so it is encoded back to code page
// 932 before it is cut:
//
//   bytes  field                     bytes  field
//   0      frame (digit 1-6)         35-39  local win rate
//   2-5    register number           40-45  local quinella rate
//   6-13   name                      46-48  motor number
//   14-15  age                       49-54  motor quinella rate
//   16-19  branch                    55-57  boat number
//   20-21  weight                    58-63  boat quinella rate
//   22-23  class (A1, B2, ...)       65-76  results so far in the series
//   24-28  national win rate         77-78  early (早見) column
//   29-34  national quinella rate
#ifndef WAKELORE_ARCHIVE_PROGRAM_ENTRY_H_
#define WAKELORE_ARCHIVE_PROGRAM_ENTRY_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wakelore {

struct ProgramEntry {
  int32_t frame = 0;
  std::wstring registerNo;
  std::wstring name;
  int32_t age = 0;
  std::wstring branch;
  double weight = 0.0;
  std::wstring className;
  double nationalWinRate = 0.0;
  double nationalQuinellaRate = 0.0;
  double localWinRate = 0.0;
  double localQuinellaRate = 0.0;
  std::wstring motorNo;
  double motorQuinellaRate = 0.0;
  std::wstring boatNo;
  double boatQuinellaRate = 0.0;
  std::wstring currentResults;
  int32_t early = 0;
};

// True for a line that has the shape of an entry line: at least 40
// characters, a digit 1-6 and then an ASCII space.  Such a line that
// ParseProgramEntry refuses is an unreadable entry, not a heading.
bool LooksLikeProgramEntry(std::wstring_view line);

// The entry of an entry line, or nothing when the line is not one: it must
// look like one, encode to at least 64 bytes (shorter than 79 is padded with
// spaces), and carry a register number, motor and boat numbers of ASCII
// digits, a name and a class of exactly two characters.
std::optional<ProgramEntry> ParseProgramEntry(std::wstring_view line);

// The current score of a racer from the results so far in the series: every
// place 1-6 counts 7 - place; the mean over 6, in percent, between 1 and 100;
// 0 when there is no place at all.
double CurrentScoreOf(std::wstring_view current_results);

}  // namespace wakelore

#endif  // WAKELORE_ARCHIVE_PROGRAM_ENTRY_H_
