#include "archive/official_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <new>

#include "archive/lzh_decoder.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace wakelore {

bool ReadOfficialFile(const std::wstring& path, std::string* bytes, std::wstring* message) {
  bytes->clear();
  std::wstring error;
  bool ok = false;
  try {
    ok = ReadWholeFile(path, bytes, &error, kMaxOfficialFileBytes);
  } catch (const std::bad_alloc&) {
    ok = false;
    error = L"out of memory";
  }
  if (!ok) {
    bytes->clear();
    // The platform reader names its reason in English; the importers speak
    // of three cases only.
    if (error == L"cannot open file" || error == L"not a regular file") {
      *message = L"ファイルを開けません。";
    } else if (error == L"read error") {
      *message = L"ファイルを最後まで読み込めません。";
    } else {
      *message = L"ファイルサイズが不正です。";
    }
    return false;
  }
  if (bytes->empty()) {
    *message = L"ファイルサイズが不正です。";
    return false;
  }
  return true;
}

bool ReadArchiveBytes(const std::wstring& path, std::string* bytes, std::wstring* message) {
  std::string archive;
  if (!ReadOfficialFile(path, &archive, message)) {
    bytes->clear();
    return false;
  }
  bytes->clear();
  LzhDecoder decoder;
  const auto* begin = reinterpret_cast<const uint8_t*>(archive.data());
  const uint8_t* end = begin + archive.size();
  // The entry is held whole in memory and decoded into lines after that:
  // an entry declaring more than an official file can hold is refused
  // before anything is reserved for it.
  LzhEntryHeader header;
  if (decoder.ParseFirstHeader(begin, end, &header) &&
      header.uncompressedSize > kMaxOfficialFileBytes) {
    *message = L"ファイルサイズが不正です。";
    return false;
  }
  try {
    std::vector<uint8_t> entry;
    if (!decoder.ExtractFirstEntry(begin, end, &entry)) {
      *message = decoder.message();
      return false;
    }
    std::string().swap(archive);
    bytes->assign(entry.begin(), entry.end());
  } catch (const std::bad_alloc&) {
    bytes->clear();
    *message = L"ファイルサイズが不正です。";
    return false;
  }
  return true;
}

std::vector<std::wstring> DecodeLines(std::string_view bytes) {
  std::vector<std::wstring> lines;
  if (bytes.empty()) return lines;
  const std::wstring text = Cp932ToWide(bytes);
  size_t start = 0;
  while (start < text.size()) {
    size_t lf = text.find(L'\n', start);
    const bool last = lf == std::wstring::npos;
    size_t end = last ? text.size() : lf;
    size_t cut = end;
    while (cut > start && text[cut - 1] == L'\r') --cut;
    if (!last || end > start) lines.emplace_back(text, start, cut - start);
    if (last) break;
    start = lf + 1;
  }
  return lines;
}

std::wstring NormalizeWidth(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) {
    if (c >= 0xFF10 && c <= 0xFF19) {
      c = static_cast<wchar_t>(L'0' + (c - 0xFF10));
    } else if (c == 0xFF32 || c == 0xFF52) {
      c = L'R';
    } else if (c == 0xFF28 || c == 0xFF48) {
      c = L'H';
    } else if (c == 0xFF1A) {
      c = L':';
    } else if (c == 0x3000) {
      c = L' ';
    }
  }
  return out;
}

bool IsWhiteSpace(wchar_t c) {
  const uint32_t u = static_cast<uint32_t>(c);
  return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0x85 || u == 0xA0 || u == 0x1680 ||
         (u >= 0x2000 && u <= 0x200A) || u == 0x2028 || u == 0x2029 || u == 0x202F ||
         u == 0x205F || u == 0x3000;
}

namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x3000;
}

template <typename Pred>
std::wstring TrimBy(std::wstring_view text, Pred pred) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && pred(text[begin])) ++begin;
  while (end > begin && pred(text[end - 1])) --end;
  return std::wstring(text.substr(begin, end - begin));
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

std::wstring TrimSpace(std::wstring_view text) { return TrimBy(text, IsWhiteSpace); }

std::wstring TrimBlanks(std::wstring_view text) { return TrimBy(text, IsBlank); }

std::vector<std::wstring> SplitTokens(std::wstring_view text) {
  std::vector<std::wstring> tokens;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
    size_t start = i;
    while (i < text.size() && text[i] != L' ' && text[i] != L'\t') ++i;
    if (i > start) tokens.emplace_back(text.substr(start, i - start));
  }
  return tokens;
}

double ParseNumber(std::wstring_view text) {
  const std::wstring n = TrimSpace(NormalizeWidth(text));
  size_t i = 0;
  bool negative = false;
  if (i < n.size() && (n[i] == L'+' || n[i] == L'-')) {
    negative = n[i] == L'-';
    ++i;
  }
  std::string number;
  size_t mantissa_digits = 0;
  while (i < n.size() && IsDigit(n[i])) {
    number.push_back(static_cast<char>(n[i++]));
    ++mantissa_digits;
  }
  if (i < n.size() && n[i] == L'.') {
    number.push_back('.');
    ++i;
    while (i < n.size() && IsDigit(n[i])) {
      number.push_back(static_cast<char>(n[i++]));
      ++mantissa_digits;
    }
  }
  if (mantissa_digits == 0) return 0.0;
  if (i < n.size() && (n[i] == L'e' || n[i] == L'E')) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < n.size() && (n[j] == L'+' || n[j] == L'-')) exponent.push_back(static_cast<char>(n[j++]));
    size_t exponent_digits = 0;
    while (j < n.size() && IsDigit(n[j])) {
      exponent.push_back(static_cast<char>(n[j++]));
      ++exponent_digits;
    }
    if (exponent_digits > 0) number += exponent;
  }
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec != std::errc() || !std::isfinite(value)) return 0.0;
  return negative ? -value : value;
}

int32_t ParseInteger(std::wstring_view text) {
  const std::wstring n = TrimSpace(NormalizeWidth(text));
  size_t i = 0;
  bool negative = false;
  if (i < n.size() && (n[i] == L'+' || n[i] == L'-')) {
    negative = n[i] == L'-';
    ++i;
  }
  constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
  int64_t value = 0;
  while (i < n.size() && IsDigit(n[i])) {
    value = value * 10 + (n[i] - L'0');
    if (value > kLimit) value = kLimit;  // saturate; keeps the product small
    ++i;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) value = std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

std::wstring FileNameOf(std::wstring_view path) { return SplitPath(path).name; }

std::wstring ExtensionOf(std::wstring_view path) {
  const size_t dot = path.rfind(L'.');
  if (dot == std::wstring_view::npos) return std::wstring();
  return ToLowerText(path.substr(dot));
}

bool IsAsciiDigits(std::wstring_view text) {
  if (text.empty()) return false;
  for (wchar_t c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

}  // namespace wakelore
