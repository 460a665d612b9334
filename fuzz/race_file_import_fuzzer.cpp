// Whole decoded files through both importers (program, then result) on a
// fresh in-memory database per input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/official_text.h"
#include "archive/race_file_importer.h"
#include "db/db_manager.h"
#include "db/db_schema.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace wakelore;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::wstring> lines = DecodeLines(bytes);

  DbManager db;
  DbSchema schema(db);
  if (!schema.InitializeDatabase(L":memory:")) __builtin_trap();
  RaceFileImporter importer(&db, false);
  // Partial result files are taken as final for half the inputs.
  importer.SetPendingResultsFinal(size % 2 == 1);
  for (const wchar_t* type : {L"PROGRAM_B", L"RESULT_K"}) {
    ArchiveImportTally tally;
    const std::wstring path = type[0] == L'P' ? L"b240105.txt" : L"k240105.txt";
    const bool ok = importer.ImportLines(type, path, lines, &tally);
    if (ok != (tally.filesImported == 1)) __builtin_trap();
    if (tally.rowsStored > tally.linesRead) __builtin_trap();
    // The importer never leaves its transaction open.
    if (!db.Exec(L"BEGIN; COMMIT;")) __builtin_trap();
  }
  return 0;
}
