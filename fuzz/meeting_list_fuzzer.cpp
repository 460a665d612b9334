// Any bytes as the meeting list page of a day.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "web/meeting_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<wakelore::MeetingDayRow> rows;
  wakelore::ParseMeetingList(std::string_view(reinterpret_cast<const char*>(data), size), L"2020-12-01", &rows);
  return 0;
}
