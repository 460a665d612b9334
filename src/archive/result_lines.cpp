#include "archive/result_lines.h"

#include "archive/official_recognition.h"
#include "archive/official_text.h"

namespace wakelore {

namespace {

bool IsMarkLetter(wchar_t c) {
  return c == L'F' || c == L'K' || c == L'L' || c == L'S' || c == L'Ｆ' || c == L'Ｋ' ||
         c == L'Ｌ' || c == L'Ｓ';
}

bool IsAnyDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= 0xFF10 && c <= 0xFF19); }

// "1", "1-4", "1-2-3": starts with a boat number and holds only boat
// numbers and hyphens.
bool IsCombination(std::wstring_view token) {
  if (token.empty() || token[0] < L'1' || token[0] > L'6') return false;
  for (wchar_t c : token) {
    if (c != L'-' && (c < L'1' || c > L'6')) return false;
  }
  return true;
}

// The bet type a payout line starts with, as stored: the printed name, or
// for the 連単 and 連複 of the older files (the only pair bets then, both of
// two boats) the name the exacta and quinella have now.  Empty for any
// other token.
std::wstring BetTypeOf(std::wstring_view token) {
  for (const wchar_t* type : {L"３連単", L"３連複", L"２連単", L"２連複", L"単勝", L"複勝", L"拡連複"}) {
    if (token == type) return type;
  }
  if (token == L"連単") return L"２連単";
  if (token == L"連複") return L"２連複";
  return std::wstring();
}

// The tokens of a payout line.  The older files put full-width blanks
// between a combination and its amount ("4-5　　　  340"), so here they
// separate tokens as well.
std::vector<std::wstring> PayoutTokens(std::wstring_view line) {
  std::wstring spaced(line);
  for (wchar_t& c : spaced) {
    if (c == 0x3000) c = L' ';
  }
  return SplitTokens(spaced);
}

}  // namespace

std::optional<ResultHeader> ParseResultHeader(std::wstring_view line) {
  const std::wstring n = NormalizeWidth(line);
  if (n.find(L'R') == std::wstring::npos || n.find(L'H') == std::wstring::npos ||
      n.find(L'm') == std::wstring::npos) {
    return std::nullopt;
  }
  ResultHeader h;
  h.title = RaceTitleOf(line);
  h.distance = DistanceOf(line);
  const std::vector<std::wstring> t = SplitTokens(n);
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i][0] == L'H') {
      if (i + 1 < t.size()) h.weather = t[i + 1];
    } else if (t[i] == L"風") {
      if (i + 2 < t.size()) {
        h.windDirection = t[i + 1];
        h.windSpeed = ParseNumber(t[i + 2]);
      }
    } else if (t[i] == L"波") {
      if (i + 1 < t.size()) h.waveHeight = ParseNumber(t[i + 1]);
    }
  }
  return h;
}

std::wstring WinningTechniqueOf(std::wstring_view line) {
  constexpr std::wstring_view kRaceTime = L"ﾚｰｽﾀｲﾑ";
  if (line.find(kRaceTime) == std::wstring_view::npos) return std::wstring();
  const std::vector<std::wstring> t = SplitTokens(line);
  if (t.empty() || t.back() == kRaceTime) return std::wstring();
  return TrimSpace(t.back());
}

std::wstring PrintedTechniqueOf(std::wstring_view line) {
  if (line.find(L"決まり手") == std::wstring_view::npos) return std::wstring();
  const std::vector<std::wstring> t = PayoutTokens(line);
  for (size_t i = 0; i + 1 < t.size(); ++i) {
    if (t[i] == L"決まり手") return t[i + 1];
  }
  return std::wstring();
}

std::optional<ResultEntry> ParseResultEntry(std::wstring_view line) {
  const std::vector<std::wstring> t = SplitTokens(line);
  if (t.size() < 9 || !IsAsciiDigits(t[1]) || !IsAsciiDigits(t[2]) || t[0].empty()) {
    return std::nullopt;
  }
  ResultEntry e;
  e.finishMark = NormalizeWidth(t[0]);
  if (t[0] == L"00") {
    // A race not established (レース不成立): a boat that finished carries
    // 00, which is no place.  Stored like a mark.
    e.finishOrder = 6;
  } else if (IsAsciiDigits(t[0])) {
    e.finishOrder = ParseInteger(t[0]);
  } else if (t[0].size() <= 2 && IsMarkLetter(t[0][0]) && (t[0].size() == 1 || IsAnyDigit(t[0][1]))) {
    e.finishOrder = 6;
  } else {
    return std::nullopt;
  }
  e.frame = ParseInteger(t[1]);
  e.registerNo = t[2];
  if (e.finishOrder < 1 || e.frame < 1 || e.frame > 6 || e.registerNo.size() != 4) {
    return std::nullopt;
  }
  e.racerName = t[3];
  e.motorNo = t[4];
  e.boatNo = t[5];
  // A name run into the motor number ("照三郎　135") would shift every
  // later column: such a line is no entry.
  if (!IsAsciiDigits(e.motorNo) || !IsAsciiDigits(e.boatNo)) return std::nullopt;
  e.exhibitionTime = ParseNumber(t[6]);
  e.courseNo = ParseInteger(t[7]);
  const std::wstring u = NormalizeWidth(t[8]);
  if (u.size() > 1 && u[0] == L'F') {
    e.startTiming = -ParseNumber(std::wstring_view(u).substr(1));
  } else {
    e.startTiming = ParseNumber(u);
  }
  for (size_t i = 9; i < t.size(); ++i) {
    if (i > 9) e.raceTime += L' ';
    e.raceTime += t[i];
  }
  return e;
}

bool LooksLikeResultEntry(std::wstring_view line) {
  // Most lines offered are payout lines and blanks: the first character
  // that is not a blank tells at once.
  const size_t first = line.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos ||
      !(line[first] == L'0' || IsMarkLetter(line[first]))) {
    return false;
  }
  const std::vector<std::wstring> t = SplitTokens(line);
  if (t.size() < 4 || t[1].size() != 1 || t[1][0] < L'1' || t[1][0] > L'6' || t[2].size() != 4 ||
      !IsAsciiDigits(t[2])) {
    return false;
  }
  const std::wstring& mark = t[0];
  if (mark.size() == 2 && IsAsciiDigits(mark)) return mark[0] == L'0' && mark[1] <= L'6';
  return !mark.empty() && mark.size() <= 2 && IsMarkLetter(mark[0]) &&
         (mark.size() == 1 || IsAnyDigit(mark[1]));
}

std::vector<PayoutItem> ParsePayoutLine(std::wstring_view line, std::wstring* bet_type) {
  std::vector<PayoutItem> items;
  const std::vector<std::wstring> t = PayoutTokens(line);
  if (t.empty()) {
    bet_type->clear();
    return items;
  }
  size_t j = 0;
  if (std::wstring type = BetTypeOf(t[0]); !type.empty()) {
    *bet_type = std::move(type);
    j = 1;
  } else if (bet_type->empty() || !IsCombination(t[0])) {
    return items;
  }
  auto add = [&](const std::wstring& combination, int32_t amount, int32_t popularity) {
    if (amount > 0) items.push_back(PayoutItem{*bet_type, combination, amount, popularity});
  };
  if (j + 1 < t.size() && t[j] == L"特払い") {
    add(t[j], ParseInteger(t[j + 1]), 0);
    j += 2;
  }
  while (j + 1 < t.size()) {
    if (!IsCombination(t[j])) break;
    const std::wstring& combination = t[j];
    const int32_t amount = ParseInteger(t[j + 1]);
    j += 2;
    int32_t popularity = 0;
    if (j + 1 < t.size() && t[j] == L"人気") {
      popularity = ParseInteger(t[j + 1]);
      j += 2;
    }
    add(combination, amount, popularity);
  }
  return items;
}

bool IsPendingResultNotice(std::wstring_view line) {
  return line.find(L"この場の全レース終了後に登録されます") != std::wstring_view::npos;
}

}  // namespace wakelore
