// Conversions between the program's wide strings and the byte encodings it
// meets: UTF-8 (SQLite, logs, workbook parts) and code page 932 (the official
// text files and the Shift-JIS CSV).
//
// Both platforms give the same results.  Windows converts with
// MultiByteToWideChar / WideCharToMultiByte; Linux with tables built once
// from iconv's CP932 (Microsoft's mapping) plus Windows' replacement rules:
//   decoding 932: a lead byte and the byte after it that map to nothing
//     (invalid trail byte included) give one U+30FB, as does a lead byte
//     at the end; 0x80 -> U+0080, 0xA0 -> U+F8F0,
//     0xFD..0xFF -> U+F8F1..U+F8F3 (as Windows does);
//   encoding 932: Windows' best fit for characters 932 lacks (é -> e,
//     ¥ -> 5C), '?' for the rest, and '?' for U+301C, U+2212, U+2014 and
//     U+2016, which iconv maps but Windows does not;
//   UTF-8: invalid sequences and lone surrogates become U+FFFD.
// All functions are thread-safe.
#ifndef WAKELORE_PLATFORM_TEXT_H_
#define WAKELORE_PLATFORM_TEXT_H_

#include <string>
#include <string_view>

namespace wakelore {

std::string Utf16ToUtf8(std::wstring_view text);
std::wstring Utf8ToUtf16(std::string_view bytes);

std::wstring Cp932ToWide(std::string_view bytes);
std::string WideToCp932(std::wstring_view text);

// Locale-aware case mapping of a whole text (Windows: LCMapStringEx with the
// user's locale; Linux: towlower/towupper).  ASCII letters always map.
std::wstring ToLowerText(std::wstring_view text);
std::wstring ToUpperText(std::wstring_view text);

}  // namespace wakelore

#endif  // WAKELORE_PLATFORM_TEXT_H_
