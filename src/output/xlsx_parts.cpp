#include "output/xlsx_parts.h"

#include <cstdint>

#include "platform/text.h"

namespace wakelore {

namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr char kDocRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr char kPackageRelNs[] = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr char kContentTypesNs[] = "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr char kOfficeDocumentRel[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
constexpr char kWorksheetRel[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
constexpr char kStylesRel[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
constexpr char kSharedStringsRel[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";

}  // namespace

std::string ColumnLetters(size_t index) {
  char letters[16];
  size_t at = sizeof letters;
  for (size_t n = index + 1; n > 0 && at > 0; n = (n - 1) / 26) {
    letters[--at] = static_cast<char>('A' + (n - 1) % 26);
  }
  return std::string(letters + at, sizeof letters - at);
}

void AppendXmlEscaped(std::string_view bytes, std::string* out) {
  const size_t n = bytes.size();
  size_t plain = 0;  // start of the run of bytes copied unchanged
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    const char* entity = nullptr;
    size_t skip = 1;
    if (c == '"') {
      entity = "&quot;";
    } else if (c == '&') {
      entity = "&amp;";
    } else if (c == '<') {
      entity = "&lt;";
    } else if (c == '>') {
      entity = "&gt;";
    } else if (c < 0x20) {
      if (c == '\t' || c == '\n' || c == '\r') continue;
      entity = "";
    } else if (c == 0xEF && i + 2 < n && static_cast<unsigned char>(bytes[i + 1]) == 0xBF &&
               (static_cast<unsigned char>(bytes[i + 2]) & 0xFE) == 0xBE) {
      entity = "";  // U+FFFE, U+FFFF
      skip = 3;
    } else {
      continue;
    }
    out->append(bytes.data() + plain, i - plain);
    out->append(entity);
    i += skip - 1;
    plain = i + 1;
  }
  out->append(bytes.data() + plain, n - plain);
}

std::string XmlEscape(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  AppendXmlEscaped(bytes, &out);
  return out;
}

std::wstring CleanSheetName(const std::wstring& name) {
  // Excel counts the 31 in UTF-16 units, whatever the width of wchar_t here.
  std::wstring cut;
  size_t units = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    const uint32_t c = static_cast<uint32_t>(name[i]);
    const bool pair = sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() &&
                      static_cast<uint32_t>(name[i + 1]) >= 0xDC00 &&
                      static_cast<uint32_t>(name[i + 1]) <= 0xDFFF;
    const size_t width = (pair || c > 0xFFFF) ? 2 : 1;
    if (units + width > 31) break;
    cut.push_back(name[i]);
    if (pair) cut.push_back(name[++i]);
    units += width;
  }
  std::wstring clean;
  for (wchar_t c : cut) {
    if (static_cast<uint32_t>(c) < 0x20) continue;
    if (std::wstring_view(L"[]:*?/\\").find(c) != std::wstring_view::npos) continue;
    clean.push_back(c);
  }
  return clean.empty() ? std::wstring(L"Sheet1") : clean;
}

std::vector<XlsxPart> FixedXlsxParts(const std::wstring& sheet_name) {
  const std::string decl = kDeclaration;
  std::vector<XlsxPart> parts;
  parts.push_back(
      {"[Content_Types].xml",
       decl + "<Types xmlns=\"" + kContentTypesNs + "\">" +
           "<Default Extension=\"rels\" "
           "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/xl/workbook.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
           "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
           "<Override PartName=\"/xl/styles.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
           "<Override PartName=\"/xl/sharedStrings.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
           "</Types>"});
  parts.push_back({"_rels/.rels", decl + "<Relationships xmlns=\"" + kPackageRelNs + "\">" +
                                      "<Relationship Id=\"rId1\" Type=\"" + kOfficeDocumentRel +
                                      "\" Target=\"xl/workbook.xml\"/></Relationships>"});
  parts.push_back({"xl/workbook.xml", decl + "<workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" +
                                          kDocRelNs + "\">" + "<sheets><sheet name=\"" +
                                          XmlEscape(Utf16ToUtf8(sheet_name)) +
                                          "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"});
  parts.push_back({"xl/_rels/workbook.xml.rels",
                   decl + "<Relationships xmlns=\"" + kPackageRelNs + "\">" +
                       "<Relationship Id=\"rId1\" Type=\"" + kWorksheetRel +
                       "\" Target=\"worksheets/sheet1.xml\"/>" + "<Relationship Id=\"rId2\" Type=\"" +
                       kStylesRel + "\" Target=\"styles.xml\"/>" + "<Relationship Id=\"rId3\" Type=\"" +
                       kSharedStringsRel + "\" Target=\"sharedStrings.xml\"/></Relationships>"});
  parts.push_back(
      {"xl/styles.xml",
       decl + "<styleSheet xmlns=\"" + kMainNs + "\">" +
           "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Yu Gothic\"/><family val=\"3\"/>"
           "<charset val=\"128\"/></font><font><b/><sz val=\"11\"/><name val=\"Yu Gothic\"/>"
           "<family val=\"3\"/><charset val=\"128\"/></font></fonts>"
           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
           "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
           "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
           "</cellStyleXfs><cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
           "borderId=\"0\" xfId=\"0\"/><xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" "
           "xfId=\"0\" applyFont=\"1\"/></cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" "
           "xfId=\"0\" builtinId=\"0\"/></cellStyles></styleSheet>"});
  return parts;
}

std::string SharedStringsHead(uint64_t references, size_t unique) {
  return std::string(kDeclaration) + "<sst xmlns=\"" + kMainNs + "\" count=\"" +
         std::to_string(references) + "\" uniqueCount=\"" + std::to_string(unique) + "\">";
}

void AppendSharedStringItem(std::string_view escaped, std::string* out) {
  const bool preserve = !escaped.empty() && (escaped.front() == ' ' || escaped.back() == ' ');
  out->append(preserve ? "<si><t xml:space=\"preserve\">" : "<si><t>");
  out->append(escaped);
  out->append("</t></si>");
}

std::string SheetHead() {
  return std::string(kDeclaration) + "<worksheet xmlns=\"" + kMainNs + "\">" +
         "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"><pane ySplit=\"1\" "
         "topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
         "<selection pane=\"bottomLeft\"/></sheetView></sheetViews>"
         "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData>";
}

}  // namespace wakelore
