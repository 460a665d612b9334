// The XML pieces of the workbook: the five fixed parts, the head of the
// sheet, cell references, text escaping and the sheet name rules.
#ifndef WAKELORE_OUTPUT_XLSX_PARTS_H_
#define WAKELORE_OUTPUT_XLSX_PARTS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wakelore {

// Column letters of the zero-based column `index`: 0 -> A, 25 -> Z,
// 26 -> AA, 701 -> ZZ, 702 -> AAA.
std::string ColumnLetters(size_t index);

// Appends UTF-8 `bytes` to `out` as XML character data: the double quote,
// ampersand, "<" and ">" become entities; bytes below 0x20 other than TAB,
// LF and CR are dropped, as are U+FFFE and U+FFFF (not XML characters);
// everything else is copied.
void AppendXmlEscaped(std::string_view bytes, std::string* out);
std::string XmlEscape(std::string_view bytes);

// The sheet name a workbook shows for `name`: its first 31 UTF-16 units
// (never half a surrogate pair), then without [ ] : * ? / \ and control
// characters; "Sheet1" when nothing is left.
std::wstring CleanSheetName(const std::wstring& name);

// A part of the package: its name in the ZIP and its bytes.
struct XlsxPart {
  std::string name;
  std::string bytes;
};

// The five fixed parts in package order: [Content_Types].xml, _rels/.rels,
// xl/workbook.xml (naming the sheet `sheet_name`, already cleaned),
// xl/_rels/workbook.xml.rels, xl/styles.xml.  The content types and the
// workbook's relationships name the sheet, the styles and the shared
// strings, which follow the sheet in the package.
std::vector<XlsxPart> FixedXlsxParts(const std::wstring& sheet_name);

// The sheet part's name and the XML that opens it, up to <sheetData>; the
// sheet closes with kSheetTail.
inline constexpr char kSheetPartName[] = "xl/worksheets/sheet1.xml";
std::string SheetHead();
inline constexpr std::string_view kSheetTail = "</sheetData></worksheet>";

// The shared-strings part: its name, the XML that opens it with the count
// of cells that refer to it and the number of distinct texts, one item per
// text (`escaped` is XML-escaped UTF-8; blanks at either end are kept with
// xml:space), and the tail.
inline constexpr char kSharedStringsPartName[] = "xl/sharedStrings.xml";
std::string SharedStringsHead(uint64_t references, size_t unique);
void AppendSharedStringItem(std::string_view escaped, std::string* out);
inline constexpr std::string_view kSharedStringsTail = "</sst>";

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_XLSX_PARTS_H_
