#include "output/zip_writer.h"

#include <new>

#include "output/crc32.h"

namespace wakelore {

namespace {

constexpr uint16_t kVersion = 20;  // 2.0: deflate
constexpr uint16_t kMethodDeflate = 8;

void Put16(std::string* out, uint32_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

DosStamp DosDateTime(const LocalTime& t) {
  int year = t.year < 1980 ? 1980 : (t.year > 2107 ? 2107 : t.year);
  DosStamp s;
  s.time = static_cast<uint16_t>(t.hour * 2048 + t.minute * 32 + t.second / 2);
  s.date = static_cast<uint16_t>((year - 1980) * 512 + t.month * 32 + t.day);
  return s;
}

bool ZipWriter::Open(const std::wstring& path, DosStamp stamp) {
  failure_ = Failure::None;
  entries_.clear();
  position_ = 0;
  streaming_ = false;
  stamp_ = stamp;
  path_ = path;
  if (!file_.Open(path)) {
    path_.clear();
    return Fail(Failure::Write);
  }
  return true;
}

bool ZipWriter::Fail(Failure failure) {
  failure_ = failure;
  return false;
}

bool ZipWriter::Append(std::string_view bytes) {
  if (budget_ >= 0 && position_ + bytes.size() > static_cast<uint64_t>(budget_)) {
    return Fail(Failure::Write);
  }
  if (!file_.Write(bytes)) return Fail(Failure::Write);
  position_ += bytes.size();
  return true;
}

bool ZipWriter::Patch(uint64_t offset, std::string_view bytes) {
  if (budget_ >= 0 && offset + bytes.size() > static_cast<uint64_t>(budget_)) {
    return Fail(Failure::Write);
  }
  if (!file_.WriteAt(offset, bytes)) return Fail(Failure::Write);
  return true;
}

std::string ZipWriter::LocalHeader(const ZipEntry& e) const {
  std::string h;
  h.reserve(30 + e.name.size());
  Put32(&h, 0x04034B50);
  Put16(&h, kVersion);
  Put16(&h, 0);  // flags
  Put16(&h, kMethodDeflate);
  Put16(&h, stamp_.time);
  Put16(&h, stamp_.date);
  Put32(&h, e.crc);
  Put32(&h, e.compressed_size);
  Put32(&h, e.uncompressed_size);
  Put16(&h, static_cast<uint32_t>(e.name.size()));
  Put16(&h, 0);  // extra field length
  h.append(e.name);
  return h;
}

bool ZipWriter::AddPart(const std::string& name, std::string_view bytes) {
  if (!file_.is_open() || streaming_) return Fail(Failure::Write);
  if (position_ > limit_ || bytes.size() > limit_) return Fail(Failure::TooLarge);
  std::string data;
  try {
    data = DeflateAll(bytes.data(), bytes.size());
  } catch (const std::bad_alloc&) {
    return Fail(Failure::Write);
  }
  if (data.size() > limit_) return Fail(Failure::TooLarge);
  ZipEntry e;
  e.name = name;
  e.crc = Crc32(0, bytes.data(), bytes.size());
  e.compressed_size = static_cast<uint32_t>(data.size());
  e.uncompressed_size = static_cast<uint32_t>(bytes.size());
  e.local_header_offset = static_cast<uint32_t>(position_);
  if (!Append(LocalHeader(e)) || !Append(data)) return false;
  entries_.push_back(std::move(e));
  return true;
}

bool ZipWriter::BeginPart(const std::string& name) {
  if (!file_.is_open() || streaming_) return Fail(Failure::Write);
  if (position_ > limit_) return Fail(Failure::TooLarge);
  streamed_ = ZipEntry();
  streamed_.name = name;
  streamed_.local_header_offset = static_cast<uint32_t>(position_);
  streamed_in_ = 0;
  streamed_out_ = 0;
  streamed_crc_ = 0;
  compressed_.clear();
  bits_ = BitWriter(&compressed_);
  if (!Append(LocalHeader(streamed_))) return false;
  streaming_ = true;
  return true;
}

bool ZipWriter::CountChunk(const void* data, size_t size) {
  if (!streaming_) return Fail(Failure::Write);
  streamed_crc_ = Crc32(streamed_crc_, data, size);
  streamed_in_ += size;
  if (streamed_in_ > limit_) return Fail(Failure::TooLarge);
  return true;
}

bool ZipWriter::WriteCompressed(bool final) {
  if (final) bits_.FlushPartialByte();
  streamed_out_ += compressed_.size();
  if (streamed_out_ > limit_) return Fail(Failure::TooLarge);
  const bool ok = Append(compressed_);
  compressed_.clear();
  return ok;
}

bool ZipWriter::AddChunk(const void* data, size_t size, bool final) {
  if (!CountChunk(data, size)) return false;
  try {
    DeflateBlock(static_cast<const uint8_t*>(data), size, final, &bits_);
  } catch (const std::bad_alloc&) {
    return Fail(Failure::Write);
  }
  return WriteCompressed(final);
}

bool ZipWriter::AddDeflatedChunk(const void* data, size_t size, const DeflatedBlock& block,
                                 bool final) {
  if (!CountChunk(data, size)) return false;
  bits_.AppendStream(block.bytes, block.pending_bits, block.pending_count);
  return WriteCompressed(final);
}

bool ZipWriter::EndPart() {
  if (!streaming_) return Fail(Failure::Write);
  streaming_ = false;
  streamed_.crc = streamed_crc_;
  streamed_.compressed_size = static_cast<uint32_t>(streamed_out_);
  streamed_.uncompressed_size = static_cast<uint32_t>(streamed_in_);
  if (!Patch(streamed_.local_header_offset, LocalHeader(streamed_))) return false;
  entries_.push_back(streamed_);
  compressed_.clear();
  compressed_.shrink_to_fit();
  return true;
}

bool ZipWriter::Finish() {
  if (!file_.is_open() || streaming_) return Fail(Failure::Write);
  const uint64_t directory_offset = position_;
  std::string dir;
  for (const ZipEntry& e : entries_) {
    Put32(&dir, 0x02014B50);
    Put16(&dir, kVersion);  // made by: MS-DOS attributes, 2.0
    Put16(&dir, kVersion);
    Put16(&dir, 0);  // flags
    Put16(&dir, kMethodDeflate);
    Put16(&dir, stamp_.time);
    Put16(&dir, stamp_.date);
    Put32(&dir, e.crc);
    Put32(&dir, e.compressed_size);
    Put32(&dir, e.uncompressed_size);
    Put16(&dir, static_cast<uint32_t>(e.name.size()));
    Put16(&dir, 0);  // extra field length
    Put16(&dir, 0);  // comment length
    Put16(&dir, 0);  // disk number start
    Put16(&dir, 0);  // internal attributes
    Put32(&dir, 0);  // external attributes
    Put32(&dir, e.local_header_offset);
    dir.append(e.name);
  }
  const uint64_t directory_size = dir.size();
  // The end record's offset and the offsets inside the directory are 32-bit.
  if (directory_offset + directory_size > limit_) return Fail(Failure::TooLarge);
  Put32(&dir, 0x06054B50);
  Put16(&dir, 0);  // this disk
  Put16(&dir, 0);  // disk of the directory
  Put16(&dir, static_cast<uint32_t>(entries_.size()));
  Put16(&dir, static_cast<uint32_t>(entries_.size()));
  Put32(&dir, static_cast<uint32_t>(directory_size));
  Put32(&dir, static_cast<uint32_t>(directory_offset));
  Put16(&dir, 0);  // comment length
  if (!Append(dir)) return false;
  if (!file_.Close()) return Fail(Failure::Write);
  path_.clear();
  return true;
}

void ZipWriter::Abort() {
  if (file_.is_open()) (void)file_.Close();  // the file is deleted next
  if (!path_.empty()) (void)DeleteFileAt(path_);  // nothing more to do for it
  path_.clear();
  streaming_ = false;
}

}  // namespace wakelore
