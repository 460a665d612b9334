#include "output/xlsx_shared_strings.h"

#include <cstring>

namespace wakelore {

namespace {

constexpr size_t kBlockSize = size_t{1} << 20;
constexpr size_t kFirstSlots = 1024;

uint32_t HashOf(std::string_view text) {
  // FNV-1a over 8-byte words, folded to 32 bits.
  uint64_t h = 0xCBF29CE484222325ull ^ text.size();
  const char* p = text.data();
  size_t n = text.size();
  for (; n >= 8; n -= 8, p += 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * 0x100000001B3ull;
    h ^= h >> 29;
  }
  for (; n > 0; --n, ++p) h = (h ^ static_cast<unsigned char>(*p)) * 0x100000001B3ull;
  h ^= h >> 32;
  return static_cast<uint32_t>(h);
}

}  // namespace

XlsxSharedStrings::XlsxSharedStrings(size_t max_strings, size_t max_bytes)
    : max_strings_(max_strings), max_bytes_(max_bytes) {}

void XlsxSharedStrings::Clear() {
  std::vector<std::string>().swap(blocks_);
  std::vector<Entry>().swap(entries_);
  std::vector<uint32_t>().swap(slots_);
  bytes_ = 0;
  references_ = 0;
}

void XlsxSharedStrings::Grow() {
  const size_t size = slots_.empty() ? kFirstSlots : slots_.size() * 2;
  std::vector<uint32_t> slots(size, 0);
  const size_t mask = size - 1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    size_t at = entries_[i].hash & mask;
    while (slots[at] != 0) at = (at + 1) & mask;
    slots[at] = static_cast<uint32_t>(i + 1);
  }
  bytes_ += (size - slots_.size()) * sizeof(uint32_t);
  slots_.swap(slots);
}

int64_t XlsxSharedStrings::Intern(std::string_view text) {
  if (text.size() > kLongestSharedText) return -1;
  const uint32_t hash = HashOf(text);
  size_t at = 0;
  if (!slots_.empty()) {
    const size_t mask = slots_.size() - 1;
    for (at = hash & mask; slots_[at] != 0; at = (at + 1) & mask) {
      const size_t index = slots_[at] - 1;
      const Entry& e = entries_[index];
      if (e.hash == hash && e.length == text.size() &&
          std::memcmp(blocks_[e.block].data() + e.offset, text.data(), text.size()) == 0) {
        ++references_;
        return static_cast<int64_t>(index);
      }
    }
  }
  // New: is there room, the slots it may need included?
  const bool grow = slots_.empty() || 2 * (entries_.size() + 1) > slots_.size();
  const size_t slot_cost = grow ? (slots_.empty() ? kFirstSlots : slots_.size()) * sizeof(uint32_t) : 0;
  const size_t cost = text.size() + sizeof(Entry);
  if (entries_.size() >= max_strings_ || bytes_ + cost + slot_cost > max_bytes_) return -1;
  const bool new_block = blocks_.empty() || blocks_.back().size() + text.size() > kBlockSize;
  if (new_block) {
    blocks_.emplace_back();
    blocks_.back().reserve(kBlockSize);
  }
  std::string& block = blocks_.back();
  Entry e;
  e.block = static_cast<uint32_t>(blocks_.size() - 1);
  e.offset = static_cast<uint32_t>(block.size());
  e.length = static_cast<uint32_t>(text.size());
  e.hash = hash;
  block.append(text);
  entries_.push_back(e);
  bytes_ += cost;
  ++references_;
  const size_t index = entries_.size() - 1;
  // Keep the slots at most half full.
  if (grow) {
    Grow();
  } else {
    slots_[at] = static_cast<uint32_t>(index + 1);
  }
  return static_cast<int64_t>(index);
}

}  // namespace wakelore
