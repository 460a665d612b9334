#include "web/html_tools.h"

#include <charconv>

namespace wakelore {

namespace {

bool IsAsciiBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Replaces every `entity` by `replacement`, going on one character after
// each replaced position.
void ReplaceAll(std::string* text, std::string_view entity, std::string_view replacement) {
  std::string out;
  size_t pos = 0;
  size_t found = text->find(entity);
  if (found == std::string::npos) return;
  out.reserve(text->size());
  while (found != std::string::npos) {
    out.append(*text, pos, found - pos);
    out.append(replacement);
    pos = found + entity.size();
    found = text->find(entity, pos);
  }
  out.append(*text, pos, std::string::npos);
  text->swap(out);
}

}  // namespace

bool PageSaysNoData(std::string_view body) {
  return body.find("\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF\xE3\x81\x8C\xE3\x81\x82\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x9B"
                   "\xE3\x82\x93") != std::string_view::npos;
}

std::string TrimAscii(std::string_view bytes) {
  size_t begin = 0;
  size_t end = bytes.size();
  while (begin < end && IsAsciiBlank(bytes[begin])) ++begin;
  while (end > begin && IsAsciiBlank(bytes[end - 1])) --end;
  return std::string(bytes.substr(begin, end - begin));
}

std::string HtmlToText(std::string_view html) {
  std::string text;
  text.reserve(html.size());
  bool in_tag = false;
  for (char c : html) {
    if (in_tag) {
      if (c == '>') in_tag = false;
    } else if (c == '<') {
      text += ' ';
      in_tag = true;
    } else if (c != '>') {
      text += c;
    }
  }
  // The replacement of each kind is shorter than its entity, so continuing
  // after the replaced text is "one character after the replaced position".
  ReplaceAll(&text, "&nbsp;", " ");
  ReplaceAll(&text, "&amp;", "&");
  ReplaceAll(&text, "&lt;", "<");
  ReplaceAll(&text, "&gt;", ">");
  ReplaceAll(&text, "&quot;", "\"");
  std::string collapsed;
  collapsed.reserve(text.size());
  bool blank_run = false;
  for (char c : text) {
    if (IsAsciiBlank(c)) {
      if (!blank_run) collapsed += ' ';
      blank_run = true;
    } else {
      collapsed += c;
      blank_run = false;
    }
  }
  return TrimAscii(collapsed);
}

std::string ClassOf(std::string_view tag) {
  size_t start = tag.find("class=\"");
  if (start == std::string_view::npos) return std::string();
  start += 7;
  size_t end = tag.find('"', start);
  if (end == std::string_view::npos) return std::string();
  return std::string(tag.substr(start, end - start));
}

std::vector<TableCell> TableCells(std::string_view html) {
  std::vector<TableCell> cells;
  size_t pos = 0;
  for (;;) {
    size_t open = html.find("<td", pos);
    if (open == std::string_view::npos) break;
    size_t close = html.find('>', open);
    if (close == std::string_view::npos) break;
    size_t end = html.find("</td>", close + 1);
    if (end == std::string_view::npos) break;
    TableCell cell;
    cell.cellText = HtmlToText(html.substr(close + 1, end - close - 1));
    cell.cellClass = ClassOf(html.substr(open, close - open + 1));
    cells.push_back(std::move(cell));
    pos = end + 5;
  }
  return cells;
}

double NumberIn(std::string_view text) {
  size_t start = 0;
  while (start < text.size()) {
    char c = text[start];
    if ((c >= '0' && c <= '9') || c == '.' || c == '-') break;
    ++start;
  }
  size_t end = start;
  while (end < text.size()) {
    char c = text[end];
    if ((c >= '0' && c <= '9') || c == '.' || (c == '-' && end == start)) {
      ++end;
    } else {
      break;
    }
  }
  std::string_view run = text.substr(start, end - start);
  if (run.empty() || run == "-" || run == ".") return 0.0;
  double value = 0.0;
  // Decimal text to double whatever the locale, stopping at a second '.'.
  std::from_chars_result result = std::from_chars(run.data(), run.data() + run.size(), value,
                                                  std::chars_format::fixed);
  if (result.ec != std::errc()) return 0.0;
  return value;
}

std::wstring HdQueryValue(const std::wstring& date_text) {
  std::wstring value;
  for (wchar_t c : date_text) {
    if (c != L'-') value += c;
  }
  return value;
}

}  // namespace wakelore
