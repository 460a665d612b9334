// RaceFileImporter: imports the daily program archives (番組表, b*.lzh) and
// result archives (競走成績, k*.lzh) of the official archive server into the
// database.
//
// One archive is one call: it is skipped when data_files already records it
// "IMPORTED" (unless the importer was made with `reimport`), read and
// extracted whole in memory, dated by its file name, parsed line by line
// inside one transaction (a savepoint when the caller has a transaction
// open), and recorded in data_files:
//   file_type "PROGRAM_B" or "RESULT_K", source_path = the path as given,
//   status "IMPORTED" when every line read was stored, "FAILED" otherwise.
// Only "IMPORTED" makes a later call skip the archive.
//
// Every write is an upsert, so importing an archive again is harmless: empty
// texts and zero numbers never overwrite stored values, and a course number
// stored by the result file or the before-race information survives a new
// import of the program.
//
// Stadium blocks: every block of a daily file opens with its code line
// ("11KBGN": stadium code, kind) and closes with "11KEND".  The code line
// gives the stadium; the names printed in the block ("琵琶湖［成績］",
// "ボートレース大　村", "大　村　競走場") are only its check: where they
// disagree the code wins and the log says so.  A file without code lines
// is read by the printed names.  A block whose stadium cannot be told (a
// code outside 1-24, a heading naming no known stadium) stores nothing:
// the other blocks are imported, and the file is recorded "FAILED" with
// "場を判定できないブロックがあります(25KBGN)。", so nothing of it is ever
// written to another stadium.
//
// Result files taken during the day: the server publishes a day's result
// archive before the day is over, with the notice "データは、この場の全レース
// 終了後に登録されます。" in place of the races of every stadium still racing.
// Such a file is not final: the races it holds are stored, but it is recorded
// "FAILED" with "未確定の成績を含むため、次回取り込み直します。", the call
// returns false and the tally counts it in filesIncomplete, so that the
// caller drops its cached copy and the next run fetches the archive again.
// Some files keep such a block for good.  Once the caller says the file is
// final (SetPendingResultsFinal, for a day long enough ago), it is recorded
// "IMPORTED" with the stadiums it holds, and each stadium it lacks is named
// in the log and the notes ("若松: 成績未登録").
//
// The rows are written by the importer's RaceRowStore, which keeps the ids
// of races, racers, motors and boats for the life of the importer, so an id
// is queried once per run.  A rolled-back archive empties those caches: the
// rows they named may be gone.  The store's prepared statements are kept
// until the archive ends.
//
// Not thread-safe: one thread at a time, on the connection it was given.
#ifndef WAKELORE_ARCHIVE_RACE_FILE_IMPORTER_H_
#define WAKELORE_ARCHIVE_RACE_FILE_IMPORTER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/race_row_store.h"
#include "archive/result_lines.h"
#include "archive/stored_row_values.h"

namespace wakelore {

class DbManager;

// What one archive call did.  Zeroed by the caller; the importer only adds.
struct ArchiveImportTally {
  int32_t filesImported = 0;   // 1 when the archive was recorded "IMPORTED" now
  int32_t filesNotRead = 0;    // 1 when skipped as imported, unreadable or undatable
  int32_t races = 0;           // races for which an id was obtained
  int32_t linesRead = 0;       // entry or result lines counted
  int32_t rowsStored = 0;      // entry or result rows stored
  int32_t failures = 0;        // lines that could not be read or stored
  // 1 when the archive is a result file taken before the day was over
  // (recorded "FAILED"); a cached copy of it must not be reused.
  int32_t filesIncomplete = 0;
  // 1 when the archive could not be read or extracted: a cached copy of it
  // is of no use.
  int32_t filesNotExtracted = 0;
  std::wstring log;            // one summary line per archive, each ending "\r\n"
  // What a caller should show although the archive was read: stadiums a
  // final result file lacks ("若松: 成績未登録"), blocks whose code line and
  // printed name disagree.  One line each, ending "\r\n"; also in `log`.
  std::wstring notes;
};

// An archive read and decoded ahead of its import (ReadArchiveText).
struct ArchiveText {
  std::wstring path;
  bool extracted = false;           // the file was read and its entry extracted
  bool read = false;                // and decoded; false: `message` says why not
  std::wstring message;
  std::vector<std::wstring> lines;  // the decoded lines when read
};

class RaceFileImporter {
 public:
  // `connection` must be open read-write and outlive the importer.
  // `stored`: what the importers writing through the same connection know
  // of the stored rows (see StoredRowValues); every importer of the
  // connection that writes racers, motors or boats must share it.  Null
  // gives the importer one of its own.
  RaceFileImporter(DbManager* connection, bool reimport,
                   std::shared_ptr<StoredRowValues> stored = nullptr);
  ~RaceFileImporter();
  RaceFileImporter(const RaceFileImporter&) = delete;
  RaceFileImporter& operator=(const RaceFileImporter&) = delete;

  // Imports one program / result archive (a path ending in .lzh, any case)
  // or an unpacked text file (any other path).  True when the archive was
  // skipped as imported or every line read was stored; false with message()
  // set otherwise.  Writes the data_files row and one log line.
  [[nodiscard]] bool ImportProgramArchive(const std::wstring& path, ArchiveImportTally* tally);
  [[nodiscard]] bool ImportResultArchive(const std::wstring& path, ArchiveImportTally* tally);
  // The same with the archive already read by ReadArchiveText (a `text` of
  // another path is not used: the archive is read here).
  [[nodiscard]] bool ImportProgramArchive(const std::wstring& path, ArchiveText&& text,
                                          ArchiveImportTally* tally);
  [[nodiscard]] bool ImportResultArchive(const std::wstring& path, ArchiveText&& text,
                                         ArchiveImportTally* tally);

  // Reads and decodes an archive (or an unpacked text file) as the import
  // does.  Uses no database and no importer: may run on any thread, for
  // example while the previous archive is written.
  static ArchiveText ReadArchiveText(const std::wstring& path);

  // Whether data_files records the archive (file type "PROGRAM_B" or
  // "RESULT_K") as "IMPORTED", so that an import would skip it; always
  // false for an importer made with `reimport`.
  bool IsImported(const std::wstring& file_type, const std::wstring& path);

  // The steps after reading, for lines already decoded: dates the file by
  // `path`, parses inside one transaction and records the outcome.
  // `file_type` is "PROGRAM_B" or "RESULT_K".
  bool ImportLines(const std::wstring& file_type, const std::wstring& path,
                   const std::vector<std::wstring>& lines, ArchiveImportTally* tally);

  // Forgets the cached ids and stored values; for a caller that rolled
  // back a transaction the importer's archives were part of.
  void DropIdCaches();

  // Whether the result files imported from now on are final as the server
  // has them, pending stadium blocks and all (see above).  Off at creation.
  void SetPendingResultsFinal(bool final_file) { pending_results_final_ = final_file; }

  // Text of the latest failure; a success leaves it unchanged.
  const std::wstring& message() const { return message_; }

 private:
  // Counters of one file, filled by a parser and read by its closing step.
  struct FileCounts {
    int32_t parsed = 0;
    int32_t stored = 0;
    int32_t failures = 0;
    int32_t unreadable = 0;
    int32_t races = 0;
    std::vector<int32_t> pendingStadiums;   // blocks whose results are not out yet
    std::vector<std::wstring> undetermined;  // blocks whose stadium is not known
    std::wstring notes;          // lines for ArchiveImportTally::notes
    bool lost = false;           // the commit failed: nothing of the file was kept
    bool recorded = false;       // "IMPORTED" was written with the rows
    std::wstring example;        // first unreadable line
  };
  // The stadium block being read.
  struct Block {
    int32_t stadium = 0;         // 0: none yet, closed, or not determined
    bool coded = false;          // opened by its code line
    bool mismatchNoted = false;
    bool racing = false;         // a race header of the block has been read
    std::wstring label;          // the code line, or the heading
  };
  // What a line did to the block structure.
  enum class BlockStep { kNone, kOpened, kHeading, kClosed };
  // The race being read from a result file.
  struct ResultRace {
    int32_t id = 0;
    bool unreadable = false;     // a line of it could not be read
    std::wstring technique;
    std::wstring betType;
    std::vector<ResultEntry> entries;
    std::vector<PayoutItem> payouts;
  };

  enum class Kind { kProgram, kResult };

  // `text`: the archive read ahead, or null to read it here.
  bool ImportArchive(const std::wstring& path, Kind kind, ArchiveText* text,
                     ArchiveImportTally* tally);
  bool ImportDecoded(const std::wstring& path, Kind kind, const std::vector<std::wstring>& lines,
                     ArchiveImportTally* tally);
  // Follows the block structure: code lines, and the printed headings that
  // check them (or, in a file without code lines, open the blocks).
  BlockStep StepBlock(const std::wstring& line, Block* block, FileCounts* counts);
  // A new block: its series title and day label are still to be read.
  void BeginBlockTitles();
  // Whether a file with these counts may be recorded "IMPORTED".
  bool IsComplete(const FileCounts& counts) const;
  void ParseProgramLines(const std::wstring& date, const std::vector<std::wstring>& lines,
                         FileCounts* counts);
  bool CloseProgramFile(const std::wstring& path, const FileCounts& counts,
                        ArchiveImportTally* tally);
  void ParseResultLines(const std::wstring& date, const std::vector<std::wstring>& lines,
                        FileCounts* counts);
  bool CloseResultFile(const std::wstring& path, const FileCounts& counts,
                       ArchiveImportTally* tally);
  void FinishRace();
  // data_files bookkeeping.
  bool RecordDataFile(const std::wstring& file_type, const std::wstring& path,
                      const std::wstring& status, int32_t rows, const std::wstring& message);
  // A race of the current stadium block, with the block's series title and
  // day label.
  int32_t UpsertRace(const std::wstring& race_date, int32_t stadium_id, int32_t race_no,
                     const std::wstring& title, int32_t distance, const std::wstring& deadline,
                     const std::wstring& weather, const std::wstring& wind_direction,
                     double wind_speed, double wave_height);

  DbManager* db_;
  const bool reimport_;
  std::wstring message_;
  std::wstring series_title_;
  std::wstring day_label_;
  bool expect_series_title_ = false;
  bool pending_results_final_ = false;
  ResultRace race_;
  RaceRowStore store_;  // writes into message_
};

}  // namespace wakelore

#endif  // WAKELORE_ARCHIVE_RACE_FILE_IMPORTER_H_
