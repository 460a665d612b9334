#include "platform/format.h"

#include <charconv>
#include <cstdlib>

namespace wakelore {
namespace format_internal {

namespace {

void Pad(std::wstring* out, std::wstring_view body, const Spec& spec, bool numeric) {
  const size_t width = spec.width > 0 ? static_cast<size_t>(spec.width) : 0;
  if (body.size() >= width) {
    out->append(body);
    return;
  }
  const size_t fill = width - body.size();
  if (spec.left) {
    out->append(body);
    out->append(fill, L' ');
  } else if (spec.zero && numeric) {
    // Zeros go after the sign.
    size_t sign = (!body.empty() && (body[0] == L'-' || body[0] == L'+')) ? 1 : 0;
    out->append(body.substr(0, sign));
    out->append(fill, L'0');
    out->append(body.substr(sign));
  } else {
    out->append(fill, L' ');
    out->append(body);
  }
}

std::wstring Widen(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring IntegerText(const Arg& a, wchar_t conversion, int precision) {
  char buf[72];
  int base = (conversion == L'x' || conversion == L'X') ? 16 : 10;
  std::to_chars_result r;
  bool negative = false;
  uint64_t magnitude;
  if (a.is_signed && a.i < 0) {
    negative = true;
    magnitude = static_cast<uint64_t>(0) - static_cast<uint64_t>(a.i);
  } else {
    magnitude = a.is_signed ? static_cast<uint64_t>(a.i) : a.u;
  }
  if (conversion == L'u' && negative) {
    // printf's %u shows the two's-complement bits of a negative value.
    magnitude = static_cast<uint64_t>(a.i);
    negative = false;
  }
  r = std::to_chars(buf, buf + sizeof buf, magnitude, base);
  std::string digits(buf, r.ptr);
  if (conversion == L'X') {
    for (char& c : digits) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (precision > 0 && digits.size() < static_cast<size_t>(precision)) {
    digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
  }
  return (negative ? L"-" : L"") + Widen(digits);
}

std::wstring FloatText(double value, int precision) {
  if (precision < 0) precision = 6;
  if (precision > 60) precision = 60;
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
  if (r.ec != std::errc()) return L"?";
  return Widen(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
}

}  // namespace

std::wstring FormatArgs(std::wstring_view pattern, const Arg* args, size_t count) {
  std::wstring out;
  out.reserve(pattern.size() + 16 * count);
  size_t arg = 0;
  for (size_t i = 0; i < pattern.size();) {
    wchar_t c = pattern[i];
    if (c != L'%') {
      out.push_back(c);
      ++i;
      continue;
    }
    ++i;
    if (i < pattern.size() && pattern[i] == L'%') {
      out.push_back(L'%');
      ++i;
      continue;
    }
    Spec spec;
    if (!ParseSpec(pattern, &i, &spec) || arg >= count) break;  // cannot happen after the check
    const Arg& a = args[arg++];
    switch (KindOfConversion(spec)) {
      case ArgKind::kInteger:
        Pad(&out, IntegerText(a, spec.conversion, spec.precision), spec, true);
        break;
      case ArgKind::kFloat:
        Pad(&out, FloatText(a.f, spec.precision), spec, true);
        break;
      case ArgKind::kWide: {
        std::wstring_view s = a.wide;
        if (spec.precision >= 0 && s.size() > static_cast<size_t>(spec.precision)) {
          s = s.substr(0, static_cast<size_t>(spec.precision));
        }
        Pad(&out, s, spec, false);
        break;
      }
      case ArgKind::kNarrow: {
        std::string_view s = a.narrow;
        if (spec.precision >= 0 && s.size() > static_cast<size_t>(spec.precision)) {
          s = s.substr(0, static_cast<size_t>(spec.precision));
        }
        // Narrow arguments are ASCII in this program (URL parts, keys);
        // bytes above 0x7F are widened as Latin-1.
        std::wstring w;
        w.reserve(s.size());
        for (char ch : s) w.push_back(static_cast<wchar_t>(static_cast<unsigned char>(ch)));
        Pad(&out, w, spec, false);
        break;
      }
      case ArgKind::kChar:
        Pad(&out, std::wstring_view(&a.ch, 1), spec, false);
        break;
      case ArgKind::kInvalid:
        break;
    }
  }
  return out;
}

}  // namespace format_internal
}  // namespace wakelore
