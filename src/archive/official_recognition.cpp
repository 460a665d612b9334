#include "archive/official_recognition.h"

#include <initializer_list>

#include "archive/official_text.h"
#include "platform/format.h"
#include "platform/text.h"

namespace wakelore {

namespace {

// Official stadium codes are the positions in this table plus one.
constexpr const wchar_t* kStadiumNames[24] = {
    L"桐生", L"戸田", L"江戸川", L"平和島", L"多摩川", L"浜名湖", L"蒲郡", L"常滑",
    L"津",   L"三国", L"びわこ", L"住之江", L"尼崎",   L"鳴門",   L"丸亀", L"児島",
    L"宮島", L"徳山", L"下関",   L"若松",   L"芦屋",   L"福岡",   L"唐津", L"大村",
};

std::wstring WithoutSpaces(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (c != L' ' && c != 0x3000 && c != L'\t') out.push_back(c);
  }
  return out;
}

// Names the files printed before a stadium took its present name: 琵琶湖
// until about 2019.  Looked at after the present names.
struct FormerName {
  int32_t id;
  const wchar_t* name;
};
constexpr FormerName kFormerNames[] = {{11, L"琵琶湖"}};

int32_t ExactMatch(std::wstring_view text) {
  const std::wstring compact = WithoutSpaces(text);
  for (int32_t i = 0; i < 24; ++i) {
    if (compact == kStadiumNames[i]) return i + 1;
  }
  for (const FormerName& former : kFormerNames) {
    if (compact == former.name) return former.id;
  }
  return 0;
}

int32_t LongestMatch(std::wstring_view text) {
  const std::wstring compact = WithoutSpaces(text);
  int32_t best = 0;
  size_t best_length = 0;
  auto consider = [&](int32_t id, std::wstring_view name) {
    if (name.size() > best_length && compact.find(name) != std::wstring::npos) {
      best = id;
      best_length = name.size();
    }
  };
  for (int32_t i = 0; i < 24; ++i) consider(i + 1, kStadiumNames[i]);
  for (const FormerName& former : kFormerNames) consider(former.id, former.name);
  return best;
}

// The line without any of `markers`, in one pass (a line from outside may be
// long and full of them).
std::wstring WithoutMarkers(std::wstring_view line,
                            std::initializer_list<std::wstring_view> markers) {
  std::wstring out;
  out.reserve(line.size());
  size_t i = 0;
  while (i < line.size()) {
    size_t skip = 0;
    for (std::wstring_view marker : markers) {
      if (line.substr(i, marker.size()) == marker) {
        skip = marker.size();
        break;
      }
    }
    if (skip > 0) {
      i += skip;
    } else {
      out.push_back(line[i++]);
    }
  }
  return out;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

namespace {

constexpr std::wstring_view kResultWide = L"［成績］";
constexpr std::wstring_view kResultAscii = L"[成績]";
constexpr std::wstring_view kBoatRace = L"ボートレース";
// The venue forms of the older files: "浜名湖　競艇場", "大　村　競走場".
constexpr std::wstring_view kVenueForms[] = {L"競艇場", L"競走場"};

// Steps 1-3 of the recognition: the name right next to one of the markers.
// `*marked` tells whether the line holds any marker at all.
int32_t NameNextToMarker(std::wstring_view line, bool* marked) {
  size_t at = line.find(kResultWide);
  if (at == std::wstring_view::npos) at = line.find(kResultAscii);
  *marked = at != std::wstring_view::npos;
  if (*marked) {
    if (int32_t id = ExactMatch(line.substr(0, at))) return id;
  }
  const size_t boat = line.find(kBoatRace);
  if (boat != std::wstring_view::npos) {
    *marked = true;
    std::wstring_view after = line.substr(boat + kBoatRace.size());
    const size_t space = after.find(L' ');
    if (space != std::wstring_view::npos) after = after.substr(0, space);
    if (int32_t id = ExactMatch(after)) return id;
  }
  for (std::wstring_view venue : kVenueForms) {
    const size_t stadium = line.find(venue);
    if (stadium == std::wstring_view::npos) continue;
    *marked = true;
    std::wstring_view before = line.substr(0, stadium);
    const size_t space = before.rfind(L' ');
    if (space != std::wstring_view::npos) before = before.substr(space + 1);
    if (int32_t id = ExactMatch(before)) return id;
  }
  return 0;
}

}  // namespace

int32_t DetectStadium(std::wstring_view line) {
  bool marked = false;
  if (int32_t id = NameNextToMarker(line, &marked)) return id;
  if (!marked) return 0;
  return LongestMatch(
      WithoutMarkers(line, {kBoatRace, kVenueForms[0], kVenueForms[1], kResultWide}));
}

int32_t PrintedStadiumOf(std::wstring_view line) {
  bool marked = false;
  return NameNextToMarker(line, &marked);
}

bool IsUnnamedStadiumHeading(std::wstring_view line) {
  if (line.empty() || line[0] == L' ' || line[0] == 0x3000 || line[0] == L'\t') return false;
  bool marked = false;
  if (NameNextToMarker(line, &marked) != 0 || !marked) return false;
  return LongestMatch(WithoutMarkers(
             line, {kBoatRace, kVenueForms[0], kVenueForms[1], kResultWide})) == 0;
}

std::optional<BlockCode> BlockCodeOf(std::wstring_view line) {
  // "24KBGN", "11BEND": two digits, the kind letter, BGN or END; trailing
  // blanks are allowed, nothing else.
  size_t end = line.size();
  while (end > 0 && (line[end - 1] == L' ' || line[end - 1] == L'\t' || line[end - 1] == 0x3000)) {
    --end;
  }
  if (end != 6) return std::nullopt;
  if (!IsDigit(line[0]) || !IsDigit(line[1])) return std::nullopt;
  if (line[2] != L'K' && line[2] != L'B') return std::nullopt;
  const std::wstring_view mark = line.substr(3, 3);
  if (mark != L"BGN" && mark != L"END") return std::nullopt;
  BlockCode code;
  code.code = (line[0] - L'0') * 10 + (line[1] - L'0');
  code.kind = line[2];
  code.begin = mark == L"BGN";
  code.text = std::wstring(line.substr(0, 6));
  return code;
}

std::wstring StadiumNameOf(int32_t id) {
  if (id < 1 || id > 24) return std::wstring();
  return kStadiumNames[id - 1];
}

std::wstring DateFromFileName(std::wstring_view path, wchar_t letter) {
  const std::wstring name = ToLowerText(FileNameOf(path));
  if (name.size() <= 6 || name[0] != letter) return std::wstring();
  for (size_t i = 1; i <= 6; ++i) {
    if (!IsDigit(name[i])) return std::wstring();
  }
  const int yy = (name[1] - L'0') * 10 + (name[2] - L'0');
  const int year = yy < 80 ? 2000 + yy : 1900 + yy;
  return Format(L"%04d-%s-%s", year, name.substr(3, 2), name.substr(5, 2));
}

void ReadDayLabel(std::wstring_view line, std::wstring* day_label) {
  const std::wstring n = NormalizeWidth(line);
  const size_t dai = n.find(L'第');
  if (dai == std::wstring::npos) return;
  size_t i = dai + 1;
  while (i < n.size() && n[i] == L' ') ++i;
  const size_t digits = i;
  while (i < n.size() && IsDigit(n[i])) ++i;
  if (i == digits || i >= n.size() || n[i] != L'日') return;
  *day_label = Format(L"第%s日", n.substr(digits, i - digits));
}

void TakeSeriesTitle(std::wstring_view line, bool* expect_title, std::wstring* series_title) {
  if (!*expect_title) return;
  const std::wstring t = TrimBlanks(line);
  if (t.empty()) return;
  for (const wchar_t* skip : {L"＊", L"内容については", L"[払戻金]", L"払戻金", L"----"}) {
    if (t.find(skip) != std::wstring::npos) return;
  }
  *series_title = t;
  *expect_title = false;
}

int32_t RaceNumberOf(std::wstring_view line) {
  // Asked of every line of a file: read in place, as NormalizeWidth would
  // make the letters and digits (R, Ｒ or ｒ; ASCII or full-width digits).
  const auto is_r = [](wchar_t c) { return c == L'R' || c == 0xFF32 || c == 0xFF52; };
  const auto is_digit = [](wchar_t c) { return IsDigit(c) || (c >= 0xFF10 && c <= 0xFF19); };
  size_t r = 0;
  while (r < line.size() && !is_r(line[r])) ++r;
  if (r == line.size() || r == 0) return 0;
  size_t start = r;
  while (start > 0 && is_digit(line[start - 1])) --start;
  if (start == r) return 0;
  return ParseInteger(line.substr(start, r - start));
}

int32_t DistanceOf(std::wstring_view line) {
  const std::wstring n = NormalizeWidth(line);
  const size_t h = n.find(L'H');
  if (h == std::wstring::npos) return 1800;
  size_t end = h + 1;
  while (end < n.size() && IsDigit(n[end])) ++end;
  if (end == h + 1) return 1800;
  return ParseInteger(std::wstring_view(n).substr(h + 1, end - h - 1));
}

std::wstring RaceTitleOf(std::wstring_view line) {
  const std::wstring n = NormalizeWidth(line);
  const size_t a = n.find(L'R');
  const size_t b = n.find(L'H');  // npos when absent: the title runs to the end
  if (a == std::wstring::npos || a >= b) return std::wstring();
  const size_t end = b == std::wstring::npos ? line.size() : b;
  return TrimSpace(line.substr(a + 1, end - a - 1));
}

std::wstring DeadlineOf(std::wstring_view line) {
  constexpr std::wstring_view kMarker = L"締切予定";
  const std::wstring n = NormalizeWidth(line);
  const size_t at = n.find(kMarker);
  if (at == std::wstring::npos) return std::wstring();
  std::wstring_view after = std::wstring_view(n).substr(at + kMarker.size());
  constexpr std::wstring_view kOlderMarker = L"時刻";  // "締切予定時刻" until the 2000s
  if (after.substr(0, kOlderMarker.size()) == kOlderMarker) after.remove_prefix(kOlderMarker.size());
  std::wstring rest = TrimSpace(after);
  if (rest.size() > 5) rest.resize(5);
  return rest;
}

}  // namespace wakelore
