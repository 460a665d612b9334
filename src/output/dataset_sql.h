// Turns a dataset choice into the text of one SELECT statement, and makes a
// user's own statement ready to run.  Pure text functions: nothing here
// touches a database, and all may be called from any thread.
#ifndef WAKELORE_OUTPUT_DATASET_SQL_H_
#define WAKELORE_OUTPUT_DATASET_SQL_H_

#include <string>

namespace wakelore {

// True when `text` is ten characters of the form DDDD-DD-DD (ASCII digits).
// Month and day ranges are not checked.
bool IsIsoDate(const std::wstring& text);

// The statement of dataset `key` for race days from `fromDate` to `toDate`
// (YYYY-MM-DD, passed in order), one stadium (1..24; 0 or less: all) and a
// row limit (0 or less: none).  The period datasets filter on the years of
// the dates and ignore the stadium.  Returns the empty text when a date is
// malformed or the key has no template (including "sql").
std::wstring BuildDatasetSql(const std::wstring& key, const std::wstring& fromDate,
                             const std::wstring& toDate, int stadiumId, int limit);

// A user's statement with surrounding white space and trailing separators
// (";", blanks, TAB, CR, LF) removed; with limit > 0 it is wrapped as
// "SELECT * FROM (...\n) LIMIT n", the line break ending a "--" comment
// at the end of the text before the closing bracket.
std::wstring WrapCustomSql(const std::wstring& sql, int limit);

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_DATASET_SQL_H_
