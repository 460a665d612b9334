#include "archive/program_entry.h"

#include <algorithm>

#include "archive/official_text.h"
#include "platform/text.h"

namespace wakelore {

namespace {

constexpr size_t kMinimumBytes = 64;
constexpr size_t kPaddedBytes = 79;

std::wstring Field(const std::string& bytes, size_t offset, size_t width) {
  return TrimSpace(Cp932ToWide(std::string_view(bytes).substr(offset, width)));
}

}  // namespace

bool LooksLikeProgramEntry(std::wstring_view line) {
  return line.size() >= 40 && line[0] >= L'1' && line[0] <= L'6' && line[1] == L' ';
}

std::optional<ProgramEntry> ParseProgramEntry(std::wstring_view line) {
  if (!LooksLikeProgramEntry(line)) return std::nullopt;
  std::string bytes = WideToCp932(line);
  if (bytes.size() < kMinimumBytes) return std::nullopt;
  if (bytes.size() < kPaddedBytes) bytes.resize(kPaddedBytes, ' ');

  ProgramEntry e;
  e.frame = bytes[0] - '0';
  e.registerNo = Field(bytes, 2, 4);
  if (!IsAsciiDigits(e.registerNo)) return std::nullopt;
  e.name = Field(bytes, 6, 8);
  e.age = ParseInteger(Field(bytes, 14, 2));
  e.branch = Field(bytes, 16, 4);
  e.weight = ParseNumber(Field(bytes, 20, 2));
  e.className = Field(bytes, 22, 2);
  if (e.className.size() != 2 || e.name.empty()) return std::nullopt;
  e.nationalWinRate = ParseNumber(Field(bytes, 24, 5));
  e.nationalQuinellaRate = ParseNumber(Field(bytes, 29, 6));
  e.localWinRate = ParseNumber(Field(bytes, 35, 5));
  e.localQuinellaRate = ParseNumber(Field(bytes, 40, 6));
  e.motorNo = Field(bytes, 46, 3);
  e.motorQuinellaRate = ParseNumber(Field(bytes, 49, 6));
  e.boatNo = Field(bytes, 55, 3);
  e.boatQuinellaRate = ParseNumber(Field(bytes, 58, 6));
  if (!IsAsciiDigits(e.motorNo) || !IsAsciiDigits(e.boatNo)) return std::nullopt;
  e.currentResults = Field(bytes, 65, 12);
  e.early = ParseInteger(Field(bytes, 77, 2));
  return e;
}

double CurrentScoreOf(std::wstring_view current_results) {
  int count = 0;
  int sum = 0;
  for (wchar_t c : current_results) {
    if (c >= L'1' && c <= L'6') {
      ++count;
      sum += 7 - (c - L'0');
    }
  }
  if (count == 0) return 0.0;
  const double score = static_cast<double>(sum) / count / 6.0 * 100.0;
  return std::clamp(score, 1.0, 100.0);
}

}  // namespace wakelore
