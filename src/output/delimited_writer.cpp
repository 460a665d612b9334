#include "output/delimited_writer.h"

#include "platform/text.h"

namespace wakelore {

const wchar_t kWriteFailedMessage[] =
    L"出力ファイルの書き込みに失敗しました(ディスクの空きを確認してください)。";

DelimitedWriter::DelimitedWriter(ExportFormat format) : format_(format) {}

bool DelimitedWriter::Open(const std::wstring& path) {
  Abort();
  if (!file_.Open(path)) return false;
  open_ = true;
  buffer_.reserve(kFlushThreshold + (kFlushThreshold >> 2));
  return true;
}

void DelimitedWriter::AppendField(const std::wstring& field) {
  if (format_ == ExportFormat::TsvUtf8) {
    const size_t start = line_.size();
    line_ += field;
    for (size_t i = start; i < line_.size(); ++i) {
      if (line_[i] == L'\t' || line_[i] == L'\r' || line_[i] == L'\n') line_[i] = L' ';
    }
    return;
  }
  if (field.find_first_of(L",\"\r\n") == std::wstring::npos) {
    line_ += field;
    return;
  }
  line_ += L'"';
  for (wchar_t c : field) {
    if (c == L'"') line_ += L'"';
    line_ += c;
  }
  line_ += L'"';
}

bool DelimitedWriter::WriteRow(const std::vector<std::wstring>& fields, std::wstring* error) {
  const wchar_t separator = format_ == ExportFormat::TsvUtf8 ? L'\t' : L',';
  line_.clear();
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) line_ += separator;
    AppendField(fields[i]);
  }
  line_ += L"\r\n";
  if (format_ == ExportFormat::CsvShiftJis) {
    buffer_ += WideToCp932(line_);
  } else {
    buffer_ += Utf16ToUtf8(line_);
  }
  if (buffer_.size() >= kFlushThreshold) return Flush(error);
  return true;
}

bool DelimitedWriter::Flush(std::wstring* error) {
  if (buffer_.empty()) return true;
  if (!open_ || !file_.Write(buffer_)) {
    *error = kWriteFailedMessage;
    return false;
  }
  buffer_.clear();
  return true;
}

bool DelimitedWriter::Close(std::wstring* error) {
  if (!open_) return true;
  const bool flushed = Flush(error);
  open_ = false;
  buffer_.clear();
  if (!file_.Close() && flushed) {
    *error = kWriteFailedMessage;
    return false;
  }
  return flushed;
}

void DelimitedWriter::Abort() {
  buffer_.clear();
  if (open_) (void)file_.Close();  // the file is deleted next
  open_ = false;
}

}  // namespace wakelore
