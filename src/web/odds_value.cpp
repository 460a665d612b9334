#include "web/odds_value.h"

#include "web/html_tools.h"

namespace wakelore {

bool ReadOddsValue(std::string_view text, OddsValue* value) {
  *value = OddsValue();
  const std::string trimmed = TrimAscii(text);
  // The range's hyphen is the first one after the first character (a
  // leading '-' would be a sign, which odds never carry).
  const size_t dash = trimmed.find('-', 1);
  const double low = NumberIn(std::string_view(trimmed).substr(0, dash));
  if (!(low > 0)) return false;
  double high = 0;
  if (dash != std::string::npos) {
    high = NumberIn(std::string_view(trimmed).substr(dash + 1));
    if (!(high >= low)) return false;
  }
  value->low = low;
  value->high = high;
  return true;
}

}  // namespace wakelore
