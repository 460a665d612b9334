// Type-checked printf-style formatting into wide strings.
//
// The patterns are the familiar printf ones, checked against the argument
// types at compile time:
//   %s   a wide string (std::wstring, std::wstring_view, const wchar_t*)
//   %hs  a narrow string (std::string, std::string_view, const char*)
//   %c   one character (wchar_t or char)
//   %d %i %u %x %X  any integer type; length modifiers (l, ll, h, I64, z)
//        are accepted and ignored, the argument's own type decides
//   %f   a floating-point value, always with a point whatever the locale
//   %%   a percent sign
// Flags '-' and '0', a width and a precision (".3") are honoured.  A pattern
// that does not match its arguments does not compile.
#ifndef WAKELORE_PLATFORM_FORMAT_H_
#define WAKELORE_PLATFORM_FORMAT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace wakelore {

namespace format_internal {

enum class ArgKind { kInteger, kFloat, kWide, kNarrow, kChar, kInvalid };

template <typename T>
consteval ArgKind KindOf() {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, wchar_t> || std::is_same_v<U, char>) {
    return ArgKind::kChar;
  } else if constexpr (std::is_same_v<U, bool>) {
    return ArgKind::kInvalid;
  } else if constexpr (std::is_integral_v<U> || std::is_enum_v<U>) {
    return ArgKind::kInteger;
  } else if constexpr (std::is_floating_point_v<U>) {
    return ArgKind::kFloat;
  } else if constexpr (std::is_convertible_v<const U&, std::wstring_view>) {
    return ArgKind::kWide;
  } else if constexpr (std::is_convertible_v<const U&, std::string_view>) {
    return ArgKind::kNarrow;
  } else {
    return ArgKind::kInvalid;
  }
}

// Called only from a failing constant evaluation: it is not constexpr, so
// the compiler reports the call site.
void PatternDoesNotMatchArguments();

struct Spec {
  bool left = false;
  bool zero = false;
  int width = 0;
  int precision = -1;
  bool narrow = false;  // 'h' before 's'
  wchar_t conversion = 0;
};

// Parses the conversion that starts after '%' at `pattern[*pos]`.
// Returns false on a malformed one.  Usable at compile time.
constexpr bool ParseSpec(std::wstring_view pattern, size_t* pos, Spec* spec) {
  size_t i = *pos;
  while (i < pattern.size() && (pattern[i] == L'-' || pattern[i] == L'0')) {
    if (pattern[i] == L'-') spec->left = true;
    if (pattern[i] == L'0') spec->zero = true;
    ++i;
  }
  while (i < pattern.size() && pattern[i] >= L'0' && pattern[i] <= L'9') {
    spec->width = spec->width * 10 + (pattern[i] - L'0');
    ++i;
  }
  if (i < pattern.size() && pattern[i] == L'.') {
    ++i;
    spec->precision = 0;
    while (i < pattern.size() && pattern[i] >= L'0' && pattern[i] <= L'9') {
      spec->precision = spec->precision * 10 + (pattern[i] - L'0');
      ++i;
    }
  }
  if (pattern.substr(i, 3) == L"I64") {
    i += 3;
  } else {
    while (i < pattern.size() &&
           (pattern[i] == L'l' || pattern[i] == L'h' || pattern[i] == L'z')) {
      if (pattern[i] == L'h') spec->narrow = true;
      ++i;
    }
  }
  if (i >= pattern.size()) return false;
  spec->conversion = pattern[i];
  *pos = i + 1;
  return true;
}

constexpr ArgKind KindOfConversion(const Spec& spec) {
  switch (spec.conversion) {
    case L'd': case L'i': case L'u': case L'x': case L'X':
      return ArgKind::kInteger;
    case L'f':
      return ArgKind::kFloat;
    case L's':
      return spec.narrow ? ArgKind::kNarrow : ArgKind::kWide;
    case L'c':
      return ArgKind::kChar;
    default:
      return ArgKind::kInvalid;
  }
}

template <typename... Args>
consteval void CheckPattern(std::wstring_view pattern) {
  constexpr ArgKind kinds[] = {KindOf<Args>()..., ArgKind::kInvalid};
  size_t arg = 0;
  for (size_t i = 0; i < pattern.size();) {
    if (pattern[i] != L'%') { ++i; continue; }
    ++i;
    if (i < pattern.size() && pattern[i] == L'%') { ++i; continue; }
    Spec spec;
    if (!ParseSpec(pattern, &i, &spec)) PatternDoesNotMatchArguments();
    ArgKind wanted = KindOfConversion(spec);
    if (wanted == ArgKind::kInvalid || arg >= sizeof...(Args) || kinds[arg] != wanted) {
      PatternDoesNotMatchArguments();
    }
    ++arg;
  }
  if (arg != sizeof...(Args)) PatternDoesNotMatchArguments();
}

// One argument, type-erased after the compile-time check.
struct Arg {
  ArgKind kind = ArgKind::kInvalid;
  bool is_signed = false;
  int64_t i = 0;
  uint64_t u = 0;
  double f = 0;
  std::wstring_view wide = {};
  std::string_view narrow = {};
  wchar_t ch = 0;
};

template <typename T>
Arg MakeArg(const T& value) {
  using U = std::remove_cvref_t<T>;
  Arg a;
  a.kind = KindOf<T>();
  if constexpr (std::is_same_v<U, wchar_t>) {
    a.ch = value;
  } else if constexpr (std::is_same_v<U, char>) {
    a.ch = static_cast<wchar_t>(static_cast<unsigned char>(value));
  } else if constexpr (std::is_enum_v<U>) {
    a.is_signed = true;
    a.i = static_cast<int64_t>(value);
  } else if constexpr (std::is_integral_v<U>) {
    a.is_signed = std::is_signed_v<U>;
    if constexpr (std::is_signed_v<U>) a.i = value; else a.u = value;
  } else if constexpr (std::is_floating_point_v<U>) {
    a.f = static_cast<double>(value);
  } else if constexpr (std::is_convertible_v<const U&, std::wstring_view>) {
    a.wide = std::wstring_view(value);
  } else {
    a.narrow = std::string_view(value);
  }
  return a;
}

std::wstring FormatArgs(std::wstring_view pattern, const Arg* args, size_t count);

}  // namespace format_internal

// A pattern checked against Args when it is a constant expression.
template <typename... Args>
class FormatPattern {
 public:
  template <typename S>
    requires std::is_convertible_v<const S&, std::wstring_view>
  consteval FormatPattern(const S& s) : text_(s) {  // NOLINT: implicit on purpose
    format_internal::CheckPattern<Args...>(text_);
  }
  std::wstring_view text() const { return text_; }

 private:
  std::wstring_view text_;
};

// Formats `args` by `pattern`.  Never throws for a well-formed call (the
// pattern was checked at compile time); allocation failure propagates.
template <typename... Args>
std::wstring Format(FormatPattern<std::type_identity_t<Args>...> pattern, const Args&... args) {
  const format_internal::Arg packed[] = {format_internal::MakeArg(args)...,
                                         format_internal::Arg()};
  return format_internal::FormatArgs(pattern.text(), packed, sizeof...(Args));
}

}  // namespace wakelore

#endif  // WAKELORE_PLATFORM_FORMAT_H_
