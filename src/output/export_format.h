// The output file formats.  The numbers are fixed: the command line and the
// dialog's format list map to them.
#ifndef WAKELORE_OUTPUT_EXPORT_FORMAT_H_
#define WAKELORE_OUTPUT_EXPORT_FORMAT_H_

#include <cstdint>
#include <string>

namespace wakelore {

enum class ExportFormat : int32_t {
  CsvUtf8 = 0,      // comma-separated, UTF-8 with a byte-order mark
  CsvShiftJis = 1,  // comma-separated, code page 932, no byte-order mark
  TsvUtf8 = 2,      // tab-separated, UTF-8 with a byte-order mark
  Xlsx = 3,         // Excel workbook
};

// The file extension without the dot: "tsv", "xlsx", or "csv" for every
// other value.
std::wstring ExtensionFor(ExportFormat format);

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_EXPORT_FORMAT_H_
