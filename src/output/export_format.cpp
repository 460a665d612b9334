#include "output/export_format.h"

namespace wakelore {

std::wstring ExtensionFor(ExportFormat format) {
  switch (format) {
    case ExportFormat::TsvUtf8: return L"tsv";
    case ExportFormat::Xlsx: return L"xlsx";
    default: return L"csv";
  }
}

}  // namespace wakelore
