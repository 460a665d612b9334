#include "acquire/racer_period_line.h"

#include "archive/official_text.h"
#include "platform/text.h"

namespace wakelore {

namespace {

// Reads the fields of one line left to right.
class FieldReader {
 public:
  explicit FieldReader(std::string_view line) : line_(line) {}

  std::string_view Cut(size_t offset, size_t width) const {
    if (offset >= line_.size()) return std::string_view();
    return line_.substr(offset, width);
  }
  std::wstring Sjis(size_t offset, size_t width) const { return TrimSpace(Cp932ToWide(Cut(offset, width))); }
  std::wstring Chars(size_t offset, size_t width) const {
    std::string_view bytes = Cut(offset, width);
    std::wstring text;
    text.reserve(bytes.size());
    for (char c : bytes) text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return TrimSpace(text);
  }
  int32_t Int(size_t offset, size_t width) const { return ParseInteger(Chars(offset, width)); }
  double Scaled(size_t offset, size_t width, double divisor) const { return Int(offset, width) / divisor; }
  std::wstring Date(size_t offset, size_t width) const {
    std::wstring text = Chars(offset, width);
    if (text.size() != 8) return text;
    return text.substr(0, 4) + L"-" + text.substr(4, 2) + L"-" + text.substr(6, 2);
  }

 private:
  std::string_view line_;
};

}  // namespace

std::vector<std::string_view> SplitRacerLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < bytes.size()) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      if (i > start) lines.push_back(bytes.substr(start, i - start));
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      start = i + 1;
    }
    ++i;
  }
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

bool IsRacerLine(std::string_view line) {
  if (line.size() < kRacerLineMinBytes) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return false;
  }
  return true;
}

RacerPeriodRecord ParseRacerPeriodLine(std::string_view line) {
  FieldReader f(line);
  RacerPeriodRecord r;
  r.register_no = f.Chars(0, 4);
  r.name = f.Sjis(4, 16);
  r.name_kana = f.Sjis(20, 15);
  r.branch = f.Sjis(35, 4);
  r.class_name = f.Sjis(39, 2);
  r.birth_era = f.Sjis(41, 1);
  r.birth_date_text = f.Chars(42, 6);
  r.gender = f.Int(48, 1);
  r.age = f.Int(49, 2);
  r.height_cm = f.Int(51, 3);
  r.weight_kg = f.Int(54, 2);
  r.blood_type = f.Sjis(56, 2);
  r.win_rate = f.Scaled(58, 4, 100.0);
  r.quinella_rate = f.Scaled(62, 4, 10.0);
  r.first_count = f.Int(66, 3);
  r.second_count = f.Int(69, 3);
  r.start_count = f.Int(72, 3);
  r.final_count = f.Int(75, 2);
  r.championship_count = f.Int(77, 2);
  r.avg_start_timing = f.Scaled(79, 3, 100.0);
  for (size_t i = 0; i < 6; ++i) {
    size_t at = 82 + i * 13;
    RacerCourseRecord& c = r.courses[i];
    c.entry_count = f.Int(at, 3);
    c.quinella_rate = f.Scaled(at + 3, 4, 10.0);
    c.avg_start_timing = f.Scaled(at + 7, 3, 100.0);
    c.avg_start_rank = f.Scaled(at + 10, 3, 100.0);
  }
  r.prev_class = f.Sjis(160, 2);
  r.prev2_class = f.Sjis(162, 2);
  r.prev3_class = f.Sjis(164, 2);
  r.prev_ability = f.Scaled(166, 4, 100.0);
  r.current_ability = f.Scaled(170, 4, 100.0);
  r.period_year = f.Int(174, 4);
  r.period_term = f.Int(178, 1);
  r.calc_from = f.Date(179, 8);
  r.calc_to = f.Date(187, 8);
  r.training_term = f.Int(195, 3);
  for (size_t i = 0; i < 6; ++i) {
    size_t at = 198 + i * 34;
    RacerCourseRecord& c = r.courses[i];
    c.first_count = f.Int(at, 3);
    c.second_count = f.Int(at + 3, 3);
    c.third_count = f.Int(at + 6, 3);
    c.fourth_count = f.Int(at + 9, 3);
    c.fifth_count = f.Int(at + 12, 3);
    c.sixth_count = f.Int(at + 15, 3);
    c.f_count = f.Int(at + 18, 2);
    c.l0_count = f.Int(at + 20, 2);
    c.l1_count = f.Int(at + 22, 2);
    c.k0_count = f.Int(at + 24, 2);
    c.k1_count = f.Int(at + 26, 2);
    c.s0_count = f.Int(at + 28, 2);
    c.s1_count = f.Int(at + 30, 2);
    c.s2_count = f.Int(at + 32, 2);
  }
  // The eight bytes before the origin are skipped only when the line holds
  // them all; the origin is read only when all six of its bytes are there.
  size_t origin_at = line.size() >= 410 ? 410 : 402;
  if (line.size() >= origin_at + 6) r.origin = f.Sjis(origin_at, 6);
  return r;
}

void PeriodFromFileName(const std::wstring& path, int32_t* year, int32_t* term) {
  std::wstring name = ToLowerText(FileNameOf(path));
  size_t fan = name.find(L"fan");
  if (fan == std::wstring::npos || name.size() - fan < 7) return;
  std::wstring yy = name.substr(fan + 3, 2);
  std::wstring mm = name.substr(fan + 5, 2);
  int32_t value = ParseInteger(yy);
  if (mm == L"10") {
    // fan9910 is the file of 2000's first half-year, as the cache names it,
    // not of 2100.
    *year = 2000 + (value + 1) % 100;
    *term = 1;
  } else if (mm == L"04") {
    *year = 2000 + value;
    *term = 2;
  }
}

}  // namespace wakelore
