#include <iconv.h>

#include <array>
#include <cstdint>
#include <cwctype>
#include <memory>
#include <mutex>

#include "platform/text.h"

namespace wakelore {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kUnmapped932 = 0x30FB;  // Windows' default character for 932

void AppendUtf8(std::string* out, char32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsLead932(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrail932(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

char32_t Single932(unsigned char b) {
  if (b < 0x80) return b;
  if (b == 0x80) return 0x80;
  if (b == 0xA0) return 0xF8F0;
  if (b >= 0xA1 && b <= 0xDF) return 0xFF61 + (b - 0xA1);
  if (b >= 0xFD) return 0xF8F1 + (b - 0xFD);
  return kUnmapped932;
}

// Where Windows' conversion to code page 932 differs from iconv's CP932:
// Windows writes the best fit for characters the page lacks (accented
// Latin letters as their base letter, the yen sign as 5C, guillemets and
// the micro sign as their double-byte look-alikes, U+3094 as katakana VU)
// and has no mapping for four characters iconv maps (the wave dash U+301C,
// the minus sign U+2212, the em dash U+2014 and the double vertical line
// U+2016 become '?').  Taken from WideCharToMultiByte(932, 0, ...) over the
// whole Basic Multilingual Plane; every other character converts alike.
// 0 = no mapping ('?').
struct BestFit932 {
  char16_t character;
  uint16_t bytes;
};
constexpr BestFit932 kWindows932Differences[] = {
    {0x00A1, 0x21}, {0x00A5, 0x5C}, {0x00A6, 0x7C}, {0x00A9, 0x63}, {0x00AA, 0x61},
    {0x00AB, 0x81E1}, {0x00AD, 0x2D}, {0x00AE, 0x52}, {0x00AF, 0x8150}, {0x00B2, 0x32},
    {0x00B3, 0x33}, {0x00B5, 0x83CA}, {0x00B7, 0x8145}, {0x00B8, 0x8143}, {0x00B9, 0x31},
    {0x00BA, 0x6F}, {0x00BB, 0x81E2}, {0x00C0, 0x41}, {0x00C1, 0x41}, {0x00C2, 0x41},
    {0x00C3, 0x41}, {0x00C4, 0x41}, {0x00C5, 0x41}, {0x00C6, 0x41}, {0x00C7, 0x43},
    {0x00C8, 0x45}, {0x00C9, 0x45}, {0x00CA, 0x45}, {0x00CB, 0x45}, {0x00CC, 0x49},
    {0x00CD, 0x49}, {0x00CE, 0x49}, {0x00CF, 0x49}, {0x00D0, 0x44}, {0x00D1, 0x4E},
    {0x00D2, 0x4F}, {0x00D3, 0x4F}, {0x00D4, 0x4F}, {0x00D5, 0x4F}, {0x00D6, 0x4F},
    {0x00D8, 0x4F}, {0x00D9, 0x55}, {0x00DA, 0x55}, {0x00DB, 0x55}, {0x00DC, 0x55},
    {0x00DD, 0x59}, {0x00DE, 0x54}, {0x00DF, 0x73}, {0x00E0, 0x61}, {0x00E1, 0x61},
    {0x00E2, 0x61}, {0x00E3, 0x61}, {0x00E4, 0x61}, {0x00E5, 0x61}, {0x00E6, 0x61},
    {0x00E7, 0x63}, {0x00E8, 0x65}, {0x00E9, 0x65}, {0x00EA, 0x65}, {0x00EB, 0x65},
    {0x00EC, 0x69}, {0x00ED, 0x69}, {0x00EE, 0x69}, {0x00EF, 0x69}, {0x00F0, 0x64},
    {0x00F1, 0x6E}, {0x00F2, 0x6F}, {0x00F3, 0x6F}, {0x00F4, 0x6F}, {0x00F5, 0x6F},
    {0x00F6, 0x6F}, {0x00F8, 0x6F}, {0x00F9, 0x75}, {0x00FA, 0x75}, {0x00FB, 0x75},
    {0x00FC, 0x75}, {0x00FD, 0x79}, {0x00FE, 0x74}, {0x00FF, 0x79}, {0x2014, 0}, {0x2016, 0},
    {0x2212, 0}, {0x301C, 0}, {0x3094, 0x8394},
};

// Tables built once from iconv's CP932: decoding of every lead/trail pair,
// and the byte sequence for every BMP character.
struct Cp932Tables {
  std::array<char16_t, 0x10000> pair_to_char{};   // index lead<<8|trail; 0 = unmapped
  std::array<uint16_t, 0x10000> char_to_bytes{};  // 0 = not representable (except U+0000)

  Cp932Tables() {
    iconv_t dec = iconv_open("UTF-32LE", "CP932");
    iconv_t enc = iconv_open("CP932", "UTF-32LE");
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLead932(static_cast<unsigned char>(lead))) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        if (!IsTrail932(static_cast<unsigned char>(trail))) continue;
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        unsigned char out[8];
        char* inp = in;
        size_t inleft = 2;
        char* outp = reinterpret_cast<char*>(out);
        size_t outleft = sizeof out;
        iconv(dec, nullptr, nullptr, nullptr, nullptr);
        if (dec != reinterpret_cast<iconv_t>(-1) &&
            iconv(dec, &inp, &inleft, &outp, &outleft) != static_cast<size_t>(-1) &&
            outleft == sizeof out - 4) {
          uint32_t cp = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<uint32_t>(out[3]) << 24);
          if (cp > 0 && cp < 0x10000) pair_to_char[lead << 8 | trail] = static_cast<char16_t>(cp);
        }
      }
    }
    for (unsigned b = 0; b < 0x100; ++b) {
      unsigned char byte = static_cast<unsigned char>(b);
      if (IsLead932(byte)) continue;
      char32_t cp = Single932(byte);
      if (cp != kUnmapped932 && char_to_bytes[cp] == 0) char_to_bytes[cp] = static_cast<uint16_t>(b);
    }
    for (uint32_t cp = 0x80; cp < 0x10000; ++cp) {
      if (char_to_bytes[cp] != 0 || (cp >= 0xD800 && cp <= 0xDFFF)) continue;
      unsigned char in[4] = {static_cast<unsigned char>(cp), static_cast<unsigned char>(cp >> 8), 0, 0};
      char out[4];
      char* inp = reinterpret_cast<char*>(in);
      size_t inleft = 4;
      char* outp = out;
      size_t outleft = sizeof out;
      iconv(enc, nullptr, nullptr, nullptr, nullptr);
      if (enc != reinterpret_cast<iconv_t>(-1) &&
          iconv(enc, &inp, &inleft, &outp, &outleft) != static_cast<size_t>(-1) &&
          outleft == 2) {
        char_to_bytes[cp] = static_cast<uint16_t>(static_cast<unsigned char>(out[0]) << 8 |
                                                  static_cast<unsigned char>(out[1]));
      }
    }
    for (const BestFit932& fit : kWindows932Differences) char_to_bytes[fit.character] = fit.bytes;
    if (dec != reinterpret_cast<iconv_t>(-1)) iconv_close(dec);
    if (enc != reinterpret_cast<iconv_t>(-1)) iconv_close(enc);
  }
};

const Cp932Tables& Tables() {
  static const Cp932Tables* tables = new Cp932Tables();  // built once, thread-safe, kept
  return *tables;
}


}  // namespace

std::string Utf16ToUtf8(std::wstring_view text) {
  // wchar_t holds whole code points here; surrogate halves are invalid alone.
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = static_cast<char32_t>(text[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() &&
        static_cast<char32_t>(text[i + 1]) >= 0xDC00 && static_cast<char32_t>(text[i + 1]) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      cp = kReplacement;
    }
    AppendUtf8(&out, cp);
  }
  return out;
}

std::wstring Utf8ToUtf16(std::string_view bytes) {
  // Each maximal invalid subpart becomes one U+FFFD, as Windows does.
  std::wstring out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      out.push_back(static_cast<wchar_t>(b));
      ++i;
      continue;
    }
    int need;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    char32_t cp;
    if (b >= 0xC2 && b <= 0xDF) { need = 1; cp = b & 0x1F; }
    else if (b >= 0xE0 && b <= 0xEF) {
      need = 2; cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3; cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      out.push_back(static_cast<wchar_t>(kReplacement));
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < need; ++k, ++j) {
      const unsigned char first_lo = k == 0 ? lo : 0x80;
      const unsigned char first_hi = k == 0 ? hi : 0xBF;
      if (j >= n || p[j] < first_lo || p[j] > first_hi) { ok = false; break; }
      cp = (cp << 6) | (p[j] & 0x3F);
    }
    if (!ok) {
      out.push_back(static_cast<wchar_t>(kReplacement));
      i = j;  // the lead and the continuation bytes that were valid so far
      continue;
    }
    out.push_back(static_cast<wchar_t>(cp));
    i = j;
  }
  return out;
}

std::wstring Cp932ToWide(std::string_view bytes) {
  const Cp932Tables& t = Tables();
  std::wstring out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t i = 0; i < bytes.size();) {
    unsigned char b = p[i];
    if (IsLead932(b)) {
      // As on Windows, a lead byte takes the next byte along even when
      // that is no valid trail byte; only a lead byte at the end stands alone.
      if (i + 1 < bytes.size()) {
        char16_t c = IsTrail932(p[i + 1]) ? t.pair_to_char[b << 8 | p[i + 1]] : 0;
        out.push_back(static_cast<wchar_t>(c ? c : kUnmapped932));
        i += 2;
      } else {
        out.push_back(static_cast<wchar_t>(kUnmapped932));
        i += 1;
      }
      continue;
    }
    out.push_back(static_cast<wchar_t>(Single932(b)));
    ++i;
  }
  return out;
}

std::string WideToCp932(std::wstring_view text) {
  const Cp932Tables& t = Tables();
  std::string out;
  out.reserve(text.size() * 2);
  for (wchar_t wc : text) {
    uint32_t cp = static_cast<uint32_t>(wc);
    if (cp == 0) { out.push_back('\0'); continue; }
    uint16_t bytes = cp < 0x10000 ? t.char_to_bytes[cp] : 0;
    if (bytes == 0) {
      out.push_back('?');
      // Windows converts UTF-16 units: a character beyond the BMP is two
      // unmappable surrogates there, so two default characters.
      if (cp >= 0x10000) out.push_back('?');
    } else if (bytes > 0xFF) {
      out.push_back(static_cast<char>(bytes >> 8));
      out.push_back(static_cast<char>(bytes & 0xFF));
    } else {
      out.push_back(static_cast<char>(bytes));
    }
  }
  return out;
}

std::wstring ToLowerText(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return out;
}

std::wstring ToUpperText(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return out;
}

}  // namespace wakelore
