#include "web/odds_page.h"

#include "platform/text.h"

namespace wakelore {

namespace {

constexpr char kFinalMarker[] = "締切時オッズ";
constexpr char kUpdateMarker[] = "オッズ更新時間";
constexpr char kCancelled[] = "該当レースは中止になりました。";
constexpr size_t kLongestTime = 8;  // "23:59" with room to spare

}  // namespace

bool OddsPageIsFinal(std::string_view body) { return body.find(kFinalMarker) != std::string_view::npos; }

std::wstring OddsPageTime(std::string_view body) {
  if (OddsPageIsFinal(body)) return L"締切時";
  size_t at = body.find(kUpdateMarker);
  if (at == std::string_view::npos) return std::wstring();
  at += sizeof(kUpdateMarker) - 1;
  while (at < body.size() && (body[at] == ' ' || body[at] == '\t' || body[at] == '\r' || body[at] == '\n')) ++at;
  std::string time;
  while (at < body.size() && time.size() < kLongestTime &&
         ((body[at] >= '0' && body[at] <= '9') || body[at] == ':')) {
    time += body[at++];
  }
  if (time.empty() || time.size() >= kLongestTime || time.find(':') == std::string::npos) return std::wstring();
  return Utf8ToUtf16(time);
}

bool PageSaysCancelled(std::string_view body) { return body.find(kCancelled) != std::string_view::npos; }

}  // namespace wakelore
