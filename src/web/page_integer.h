// Whole numbers in page text, read the way the page readers need them.
#ifndef WAKELORE_WEB_PAGE_INTEGER_H_
#define WAKELORE_WEB_PAGE_INTEGER_H_

#include <string_view>

namespace wakelore {

// The integer at the start of `text`: leading spaces, tabs, CR and LF are
// skipped, then an optional sign and a run of digits; whatever follows is
// ignored.  0 when there are no digits ("", "-", "x1").  Long runs saturate
// at plus or minus 1,000,000,000 instead of overflowing, so a hostile page
// yields an out-of-range number, never undefined behaviour.
int PageInteger(std::string_view text);

}  // namespace wakelore

#endif  // WAKELORE_WEB_PAGE_INTEGER_H_
