// Remembered value texts.
#include "textmemo.h"

#include <cstring>

namespace {

constexpr size_t kLongest = 64;      // longer values (comments, notes) are rarely repeated
constexpr uint32_t kTrial = 256;     // reads after which a column that seldom repeats is left out
constexpr uint32_t kWorthwhile = 4;  // kept while at least one read in this many is a repeat

// The entry a value goes to: its length and its first and last eight bytes, mixed. Cheap for the
// short values the memo holds, and different codes, dates and ids land apart.
size_t entryOf(const CellView &cell, size_t entries) {
  const size_t size = size_t(cell.size);
  uint64_t head = 0;
  uint64_t tail = 0;
  if (size >= 8) {
    std::memcpy(&head, cell.data, 8);
    std::memcpy(&tail, cell.data + size - 8, 8);
  } else {
    std::memcpy(&head, cell.data, size);
  }
  const uint64_t mixed = (head ^ (tail * 0xff51afd7ed558ccdull) ^ size) * 0x9e3779b97f4a7c15ull;
  return size_t(mixed >> 40) & (entries - 1);
}

}  // namespace

void TextMemo::reset(uint64_t recordSet, int columns) {
  recordSet_ = recordSet;
  columns_.clear();
  columns_.resize(size_t(columns));
}

const QString *TextMemo::Find(int column, const CellView &cell) {
  Column &memo = columns_[size_t(column)];
  if (memo.retired || size_t(cell.size) > kLongest) return nullptr;
  ++memo.reads;
  memo.lastEntry = entryOf(cell, kEntries);
  const Entry &entry = memo.entries[memo.lastEntry];
  if (!entry.used || entry.bytes.size() != size_t(cell.size) ||
      std::memcmp(entry.bytes.data(), cell.data, size_t(cell.size)) != 0)
    return nullptr;
  ++memo.hits;
  return &entry.text;
}

void TextMemo::Remember(int column, const CellView &cell, const QString &text) {
  Column &memo = columns_[size_t(column)];
  if (memo.retired || size_t(cell.size) > kLongest) return;
  if (memo.reads >= kTrial && memo.hits * kWorthwhile < memo.reads) {
    memo.retired = true;
    memo.entries = {};
    return;
  }
  Entry &entry = memo.entries[memo.lastEntry];
  entry.bytes.assign(cell.data, size_t(cell.size));
  entry.text = text;
  entry.used = true;
}
