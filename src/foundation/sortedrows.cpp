// Byte-order sort of held rows: a check whether they came in order, else a sort of row numbers by
// an eight-byte prefix of each row, comparing whole rows only where the prefixes are equal.
#include "sortedrows.h"

#include <algorithm>
#include <string_view>

namespace {

std::string_view viewOf(QByteArrayView bytes) {
  return {bytes.data(), size_t(bytes.size())};
}

// The first eight bytes of a row as a number that orders as the bytes do (a shorter row padded
// with zero bytes, so equal prefixes still need the full comparison).
uint64_t prefixOf(QByteArrayView row) {
  uint64_t prefix = 0;
  for (qsizetype i = 0; i < 8; ++i) prefix = (prefix << 8) | (i < row.size() ? uint8_t(row[i]) : 0u);
  return prefix;
}

}  // namespace

QByteArrayView SortedRows::row(size_t index) const {
  const qsizetype start = index == 0 ? 0 : ends_[index - 1];
  return QByteArrayView(bytes_.constData() + start, ends_[index] - start);
}

void SortedRows::clear() {
  bytes_ = QByteArray();
  std::vector<qsizetype>().swap(ends_);
}

bool SortedRows::inOrder() const {
  for (size_t i = 1; i < ends_.size(); ++i)
    if (viewOf(row(i - 1)) > viewOf(row(i))) return false;
  return true;
}

std::vector<uint32_t> SortedRows::order() const {
  struct Entry {
    uint64_t prefix;
    uint32_t row;
  };
  std::vector<Entry> entries(ends_.size());
  for (uint32_t i = 0; i < entries.size(); ++i) entries[i] = {prefixOf(row(i)), i};
  std::sort(entries.begin(), entries.end(), [this](const Entry &left, const Entry &right) {
    if (left.prefix != right.prefix) return left.prefix < right.prefix;
    return viewOf(row(left.row)) < viewOf(row(right.row));
  });
  std::vector<uint32_t> rows(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) rows[i] = entries[i].row;
  return rows;
}

void SortedRows::ForEach(const std::function<void(QByteArrayView row)> &visit) {
  if (ends_.empty() && bytes_.isEmpty()) return;
  if (ends_.empty() || ends_.back() != bytes_.size()) EndRow();
  if (inOrder()) {
    for (size_t i = 0; i < ends_.size(); ++i) visit(row(i));
  } else {
    for (uint32_t index : order()) visit(row(index));
  }
  clear();
}

void SortedRows::ForEachPiece(qsizetype pieceBytes,
                              const std::function<void(const QByteArray &piece)> &write) {
  QByteArray piece;
  ForEach([&](QByteArrayView row) {
    piece.append(row);
    if (piece.size() < pieceBytes) return;
    write(piece);
    piece.truncate(0);
  });
  if (!piece.isEmpty()) write(piece);
}
