// Small tools with which the page readers cut values out of the official
// pages.  They work on the page's bytes (UTF-8) as they arrived; readers
// convert the values they keep with Utf8ToUtf16.  All are pure functions,
// linear in their input, safe on any bytes.
#ifndef WAKELORE_WEB_HTML_TOOLS_H_
#define WAKELORE_WEB_HTML_TOOLS_H_

#include <string>
#include <string_view>
#include <vector>

namespace wakelore {

// One td element: its content as text (HtmlToText) and the value of the
// class attribute of its opening tag ("" when none).
struct TableCell {
  std::string cellText;
  std::string cellClass;
};

// True when the page holds "データがありません" (the site's own words for a
// race it has no data for).
bool PageSaysNoData(std::string_view body);

// Without spaces, tabs, CR and LF at both ends.
std::string TrimAscii(std::string_view bytes);

// Plain text of HTML: every tag becomes one space (a tag runs from '<' to
// the next '>', or to the end; a stray '>' is dropped); then "&nbsp;",
// "&amp;", "&lt;", "&gt;" and "&quot;" are replaced, each over the whole
// text before the next (so "&amp;lt;" ends as "<"); other entities stay;
// runs of spaces, tabs, CR and LF become one space; both ends are trimmed.
std::string HtmlToText(std::string_view html);

// The value of class="..." in a tag (double quotes only); "" when absent
// or unterminated.
std::string ClassOf(std::string_view tag);

// Every td element in document order: from "<td" (longer tag names that
// begin with td count too) to the first "</td>" after its '>'.  Nested
// tables are not handled.  The list ends at a td without '>' or "</td>".
std::vector<TableCell> TableCells(std::string_view html);

// The first number in a text: the first run of digits and '.' (a '-' only
// as its first character) read as a decimal number up to a second '.'.
// 0 when there is none, or the run is "-" or ".".  "F.05" gives 0.05,
// "12-3" gives 12.
double NumberIn(std::string_view text);

// The hd query value of a date text: "2024-01-05" gives "20240105".
std::wstring HdQueryValue(const std::wstring& date_text);

}  // namespace wakelore

#endif  // WAKELORE_WEB_HTML_TOOLS_H_
