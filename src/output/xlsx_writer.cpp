#include "output/xlsx_writer.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <exception>
#include <future>
#include <thread>
#include <memory>
#include <new>

#include "output/xlsx_parts.h"
#include "output/zip_writer.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace wakelore {

namespace {

constexpr size_t kFlushSize = 1048576;
constexpr size_t kChunkSize = 1048576;

constexpr wchar_t kTempCreateFailed[] = L"一時ファイルを作成できません。";
constexpr wchar_t kTempWriteFailed[] =
    L"一時ファイルへの書き込みに失敗しました(ディスクの空きを確認してください)。";
constexpr wchar_t kTooManyRows[] = L"Excel の最大行数を超えました。";
constexpr wchar_t kTargetCreateFailed[] =
    L"出力ファイルを作成できません(Excelで開いたままになっていないか確認してください)。";
constexpr wchar_t kTempReadFailed[] = L"一時ファイルを読み込めません。";
constexpr wchar_t kTooLarge[] = L"出力が大きすぎます(4GB超)。期間を分けて出力してください。";
constexpr wchar_t kTargetWriteFailed[] = L"出力ファイルの書き込みに失敗しました。";

const XlsxTestHooks* g_hooks = nullptr;

// SQLite writes infinities of REAL values as "Inf" and "-Inf", which no
// spreadsheet reads as a number value; those go out as texts instead.
bool IsNumberText(const std::wstring& text) {
  size_t i = (!text.empty() && (text[0] == L'-' || text[0] == L'+')) ? 1 : 0;
  if (i >= text.size()) return false;
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (!((c >= L'0' && c <= L'9') || c == L'.' || c == L'e' || c == L'E' || c == L'+' ||
          c == L'-')) {
      return false;
    }
  }
  const wchar_t first = text[(text[0] == L'-' || text[0] == L'+') ? 1 : 0];
  return (first >= L'0' && first <= L'9') || first == L'.';
}

uint64_t SizeLimit() {
  return (g_hooks && g_hooks->size_limit > 0) ? g_hooks->size_limit : kZipSizeLimit;
}

}  // namespace

void SetXlsxTestHooks(const XlsxTestHooks* hooks) { g_hooks = hooks; }

XlsxWriter::~XlsxWriter() { Abort(); }

bool XlsxWriter::Fail(const wchar_t* message) {
  error_ = message;
  return false;
}

void XlsxWriter::Abort() {
  strings_.reset();
  if (open_) {
    (void)sheet_.Close();  // the file is deleted next
    open_ = false;
  }
  if (!temp_path_.empty()) {
    (void)DeleteFileAt(temp_path_);  // nothing more to do for it
    temp_path_.clear();
  }
}

bool XlsxWriter::Begin(const std::wstring& target, const std::wstring& sheet_name) {
  Abort();
  target_ = target;
  sheet_name_ = sheet_name;
  const std::wstring folder =
      (g_hooks && !g_hooks->temp_folder.empty()) ? g_hooks->temp_folder : TempFolder();
  std::wstring path;
  if (!CreateUniqueTempFile(folder, L"wkl", &path)) return Fail(kTempCreateFailed);
  temp_path_ = path;
  if (!sheet_.Open(temp_path_)) {
    Abort();
    return Fail(kTempCreateFailed);
  }
  strings_ = std::make_unique<XlsxSharedStrings>(
      g_hooks && g_hooks->shared_strings_max_count > 0 ? g_hooks->shared_strings_max_count
                                                       : kSharedStringsMaxCount,
      g_hooks && g_hooks->shared_strings_max_bytes > 0 ? g_hooks->shared_strings_max_bytes
                                                       : kSharedStringsMaxBytes);
  open_ = true;
  row_count_ = 0;
  sheet_bytes_ = 0;
  buffer_.clear();
  buffer_.reserve(kFlushSize + 64 * 1024);
  buffer_ += SheetHead();
  return FlushIfFull();
}

bool XlsxWriter::FlushSheet() {
  if (buffer_.empty()) return true;
  if (g_hooks && g_hooks->sheet_write_budget >= 0 &&
      sheet_bytes_ + buffer_.size() > static_cast<uint64_t>(g_hooks->sheet_write_budget)) {
    return Fail(kTempWriteFailed);
  }
  if (!open_ || !sheet_.Write(buffer_)) return Fail(kTempWriteFailed);
  sheet_bytes_ += buffer_.size();
  buffer_.clear();
  return true;
}

bool XlsxWriter::FlushIfFull() { return buffer_.size() >= kFlushSize ? FlushSheet() : true; }

void XlsxWriter::AppendCellRef(size_t column, const char* row, size_t row_length) {
  while (letters_.size() <= column) letters_.push_back(ColumnLetters(letters_.size()));
  buffer_ += "<c r=\"";
  buffer_ += letters_[column];
  buffer_.append(row, row_length);
  buffer_ += '"';
}

bool XlsxWriter::WriteHeaderRow(const std::vector<std::wstring>& names) {
  ++row_count_;
  buffer_ += "<row r=\"1\">";
  for (size_t i = 0; i < names.size(); ++i) {
    AppendCellRef(i, "1", 1);
    buffer_ += " s=\"1\" t=\"inlineStr\"><is><t>";
    AppendXmlEscaped(Utf16ToUtf8(names[i]), &buffer_);
    buffer_ += "</t></is></c>";
  }
  buffer_ += "</row>";
  return FlushIfFull();
}

bool XlsxWriter::WriteDataRow(const std::vector<DbCell>& cells) {
  if (row_count_ > kXlsxMaxRows - 1) return Fail(kTooManyRows);
  ++row_count_;
  char row[24];
  const size_t row_length =
      static_cast<size_t>(std::to_chars(row, row + sizeof row, row_count_).ptr - row);
  buffer_ += "<row r=\"";
  buffer_.append(row, row_length);
  buffer_ += "\">";
  for (size_t i = 0; i < cells.size(); ++i) {
    const DbCell& cell = cells[i];
    if (cell.type == DbCellType::Null) continue;
    const bool number = cell.type != DbCellType::Text && IsNumberText(cell.text);
    if (number) {
      AppendCellRef(i, row, row_length);
      buffer_ += "><v>";
      for (wchar_t c : cell.text) buffer_ += static_cast<char>(c);  // digits, sign, point, e
      buffer_ += "</v></c>";
      continue;
    }
    if (cell.text.empty()) continue;
    cell_text_.clear();
    AppendXmlEscaped(Utf16ToUtf8(cell.text), &cell_text_);
    AppendCellRef(i, row, row_length);
    int64_t index = -1;
    try {
      index = strings_->Intern(cell_text_);
    } catch (const std::bad_alloc&) {
      index = -1;  // no memory for one more text: this one stays inline
    }
    if (index >= 0) {
      char digits[24];
      const char* end = std::to_chars(digits, digits + sizeof digits, index).ptr;
      buffer_ += " t=\"s\"><v>";
      buffer_.append(digits, static_cast<size_t>(end - digits));
      buffer_ += "</v></c>";
      continue;
    }
    const bool preserve =
        !cell_text_.empty() && (cell_text_.front() == ' ' || cell_text_.back() == ' ');
    buffer_ += preserve ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                        : " t=\"inlineStr\"><is><t>";
    buffer_ += cell_text_;
    buffer_ += "</t></is></c>";
  }
  buffer_ += "</row>";
  return FlushIfFull();
}

bool XlsxWriter::Finish() {
  if (!open_) return false;
  buffer_ += kSheetTail;
  if (!FlushSheet()) {
    Abort();
    return false;
  }
  open_ = false;
  if (!sheet_.Close()) {
    Abort();
    return Fail(kTempWriteFailed);
  }
  buffer_.clear();
  buffer_.shrink_to_fit();
  if (g_hooks && g_hooks->remove_sheet_before_reading) (void)DeleteFileAt(temp_path_);  // the test hook's own fault

  const std::vector<XlsxPart> parts = FixedXlsxParts(CleanSheetName(sheet_name_));
  LocalTime now;
  (void)ToLocalTime(NowSeconds(), &now);  // unchanged on failure: 1970-01-01
  ZipWriter zip;
  zip.set_size_limit_for_testing(SizeLimit());
  if (g_hooks) zip.set_write_budget_for_testing(g_hooks->target_write_budget);
  if (!zip.Open(target_, DosDateTime(now))) {
    Abort();
    return Fail(kTargetCreateFailed);
  }
  bool ok = true;
  for (const XlsxPart& part : parts) {
    if (!zip.AddPart(part.name, part.bytes)) {
      ok = false;
      break;
    }
  }
  ok = ok && WriteSheetPart(&zip) && WriteSharedStringsPart(&zip) && zip.Finish();
  if (!ok) {
    if (error_.empty() || zip.failure() != ZipWriter::Failure::None) {
      error_ = zip.failure() == ZipWriter::Failure::TooLarge ? kTooLarge : kTargetWriteFailed;
    }
    zip.Abort();
    Abort();
    return false;
  }
  Abort();  // deletes the temporary file
  return true;
}

// A part made in chunks by `next`, each chunk one deflate block of the
// part's bit stream.  Sets error_ itself for the failures of `next` and
// leaves the target's to the caller (through zip->failure()).
//
// Each chunk is one block that starts with empty match tables, so the
// blocks are independent: helper threads compress a few chunks ahead while
// this thread reads, sums and writes, and the blocks are joined into the
// one bit stream in order.  The bytes are those of compressing the chunks
// one after the other.
bool XlsxWriter::WriteStreamedPart(ZipWriter* zip, const char* name, const ChunkSource& next) {
  error_.clear();
  if (!zip->BeginPart(name)) return false;
  struct Pending {
    std::unique_ptr<std::string> data;     // declared first: destroyed after
    std::future<DeflatedBlock> block;      // the future, which waits for its task
    bool final = false;
  };
  std::deque<Pending> queue;
  const size_t depth = std::max(2u, std::thread::hardware_concurrency()) + 1;
  auto take = [&]() {
    Pending& front = queue.front();
    DeflatedBlock block;
    try {
      block = front.block.get();
    } catch (const std::exception&) {  // out of memory in the task
      error_ = kTargetWriteFailed;
      return false;
    }
    const bool ok = zip->AddDeflatedChunk(front.data->data(), front.data->size(), block, front.final);
    queue.pop_front();
    return ok;
  };
  bool final = false;
  try {
    do {
      Pending piece;
      piece.data = std::make_unique<std::string>();
      if (!next(piece.data.get(), &final)) return false;
      piece.final = final;
      const uint8_t* bytes = reinterpret_cast<const uint8_t*>(piece.data->data());
      piece.block = std::async(std::launch::async | std::launch::deferred, DeflateBlockAlone, bytes,
                               piece.data->size(), final);
      queue.push_back(std::move(piece));
      while (queue.size() >= depth || (final && !queue.empty())) {
        if (!take()) return false;
      }
    } while (!final);
  } catch (const std::exception&) {  // no memory or no thread for the next chunk
    error_ = kTargetWriteFailed;
    return false;
  }
  return zip->EndPart();
}

// The sheet part, read back from the temporary file in 1 MiB chunks.
bool XlsxWriter::WriteSheetPart(ZipWriter* zip) {
  error_.clear();
  InputFile in;
  if (!in.Open(temp_path_)) {
    // The part's local header comes first, as for every other failure.
    return zip->BeginPart(kSheetPartName) && Fail(kTempReadFailed);
  }
  const int64_t length = in.Size();
  uint64_t total = 0;
  const bool ok = WriteStreamedPart(zip, kSheetPartName, [&](std::string* chunk, bool* last) {
    if (length < 0) return Fail(kTempReadFailed);
    if (static_cast<uint64_t>(length) > SizeLimit()) return Fail(kTooLarge);
    chunk->resize(kChunkSize);
    size_t got = 0;
    if (!in.Read(chunk->data(), kChunkSize, &got)) return Fail(kTempReadFailed);
    if (got == 0 && total < static_cast<uint64_t>(length)) return Fail(kTempReadFailed);
    chunk->resize(got);
    total += got;
    *last = total >= static_cast<uint64_t>(length);
    return true;
  });
  in.Close();
  return ok;
}

// The shared strings, made from the table in pieces of about 1 MiB; the
// table is freed once the part is written.
bool XlsxWriter::WriteSharedStringsPart(ZipWriter* zip) {
  size_t at = 0;
  bool head = true;
  const bool ok = WriteStreamedPart(zip, kSharedStringsPartName, [&](std::string* chunk, bool* last) {
    chunk->clear();
    if (head) {
      *chunk = SharedStringsHead(strings_->references(), strings_->size());
      head = false;
    }
    for (; at < strings_->size() && chunk->size() < kChunkSize; ++at) {
      AppendSharedStringItem(strings_->at(at), chunk);
    }
    *last = at >= strings_->size();
    if (*last) chunk->append(kSharedStringsTail);
    return true;
  });
  strings_.reset();
  return ok;
}

}  // namespace wakelore
