// Reading the official fixed-format text files: turning file bytes into
// lines, and the small text functions the program, result and racer period
// readers share.
//
// The official files are code page 932 (Shift-JIS) text with CR LF line
// ends, laid out in columns of half-width and full-width characters.  The
// functions below are tuned to them: full-width digits and a few full-width
// letters are folded to ASCII so that numbers and markers can be found, and
// the folding keeps every character in its place, so a position found in the
// folded text indexes the raw text too.
//
// Every function here is pure (except the two readers, which only read the
// file system) and thread-safe.  All of them accept any input: outside bytes
// never make them read out of bounds or allocate without limit.
#ifndef WAKELORE_ARCHIVE_OFFICIAL_TEXT_H_
#define WAKELORE_ARCHIVE_OFFICIAL_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wakelore {

// Largest official file (or archive) the readers accept: 128 MiB.
inline constexpr uint64_t kMaxOfficialFileBytes = 134217728;

// Reads a whole file (denying writers while it reads) into `*bytes`.  The
// file must hold 1 to kMaxOfficialFileBytes bytes.  On failure `*message`
// receives one of "ファイルを開けません。", "ファイルサイズが不正です。" or
// "ファイルを最後まで読み込めません。" and `*bytes` is emptied.
[[nodiscard]] bool ReadOfficialFile(const std::wstring& path, std::string* bytes, std::wstring* message);

// Reads an LZH archive with ReadOfficialFile and extracts its first entry
// into `*bytes`.  On failure `*message` receives the reader's message or the
// decoder's (English) one.
[[nodiscard]] bool ReadArchiveBytes(const std::wstring& path, std::string* bytes, std::wstring* message);

// Code page 932 bytes -> lines.  The whole buffer is converted at once, then
// split at every LF; trailing CRs of each line are dropped.  Empty lines are
// kept; what follows the last LF is a line only when it is not empty.
std::vector<std::wstring> DecodeLines(std::string_view bytes);

// Folds full-width digits, R/r, H/h and the colon to ASCII, and U+3000 to an
// ASCII space, one character for one, so the length never changes.
std::wstring NormalizeWidth(std::wstring_view text);

// True for the characters treated as white space: the Unicode White_Space
// set (tab, LF, VT, FF, CR, space, U+0085, U+00A0, U+1680, U+2000-U+200A,
// U+2028, U+2029, U+202F, U+205F, U+3000).  Fixed here so that both targets
// agree whatever the C library's locale says.
bool IsWhiteSpace(wchar_t c);

// White space (IsWhiteSpace) removed at both ends.
std::wstring TrimSpace(std::wstring_view text);

// Space, tab, CR, LF and U+3000 removed at both ends.
std::wstring TrimBlanks(std::wstring_view text);

// The runs of characters between ASCII spaces and tabs; empty runs dropped.
// The ideographic space U+3000 does not separate tokens.
std::vector<std::wstring> SplitTokens(std::wstring_view text);

// A decimal number at the start of NormalizeWidth + TrimSpace of `text`:
// optional sign, digits with an optional point, an optional exponent; the
// number ends at the first character that cannot continue it.  No number
// gives 0.0; so does a value too large for a double (never an infinity or
// NaN, which could not be written into SQL text).
double ParseNumber(std::wstring_view text);

// The same for a decimal integer (optional sign and digits).  No digits
// give 0; values beyond the 32-bit range are clamped to it.
int32_t ParseInteger(std::wstring_view text);

// The text after the last '/' or '\'; the whole path when it has neither.
std::wstring FileNameOf(std::wstring_view path);

// The text from the last '.' of the path to its end, lower-cased; empty
// when the path has no '.'.
std::wstring ExtensionOf(std::wstring_view path);

// True when `text` is not empty and every character is an ASCII digit.
bool IsAsciiDigits(std::wstring_view text);

}  // namespace wakelore

#endif  // WAKELORE_ARCHIVE_OFFICIAL_TEXT_H_
