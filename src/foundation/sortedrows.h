// Rows held back and handed on in the byte order of their text, so that what is made of them does
// not depend on the order in which a database returned its records. A row is whatever bytes were
// appended between two row ends; rows that compare equal are equal byte for byte, so their order
// among themselves cannot show.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <vector>

class SortedRows {
 public:
  void Append(QByteArrayView bytes) { bytes_.append(bytes); }
  void Append(char byte) { bytes_.append(byte); }
  // The bytes appended since the last row end make one row (an empty row too).
  void EndRow() { ends_.push_back(bytes_.size()); }
  qsizetype Rows() const { return qsizetype(ends_.size()); }

  // Hands every row to visit in byte order, then forgets them all. Bytes after the last row end
  // make one more row. Rows that came in order are not sorted.
  void ForEach(const std::function<void(QByteArrayView row)> &visit);
  // The same, with the rows joined into pieces of about pieceBytes (whole rows each).
  void ForEachPiece(qsizetype pieceBytes, const std::function<void(const QByteArray &piece)> &write);

 private:
  QByteArrayView row(size_t index) const;
  bool inOrder() const;
  // Row numbers in byte order.
  std::vector<uint32_t> order() const;
  void clear();

  QByteArray bytes_;
  std::vector<qsizetype> ends_;  // where each row ends in bytes_
};
