// Any bytes through the HTML tools the page readers use.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "web/html_tools.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view html(reinterpret_cast<const char*>(data), size);
  wakelore::HtmlToText(html);
  for (const wakelore::TableCell& cell : wakelore::TableCells(html)) {
    wakelore::NumberIn(cell.cellText);
    wakelore::TrimAscii(cell.cellClass);
  }
  wakelore::ClassOf(html);
  wakelore::NumberIn(html);
  wakelore::PageSaysNoData(html);
  return 0;
}
