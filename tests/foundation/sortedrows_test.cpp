// Held rows come out in byte order whatever order they went in, whole, in pieces of whole rows.
#include "sortedrows.h"

#include <gtest/gtest.h>

#include <QByteArrayList>
#include <QList>
#include <QRandomGenerator>
#include <algorithm>

namespace {

// Rows that share long prefixes, are prefixes of each other, repeat, are empty or hold any byte.
QList<QByteArray> RandomRows(QRandomGenerator &random) {
  QList<QByteArray> rows;
  const int count = int(random.bounded(60));
  for (int i = 0; i < count; ++i) {
    QByteArray row = QByteArray("0123456789").left(int(random.bounded(11)));
    for (int n = int(random.bounded(4)); n > 0; --n) row.append(char(random.bounded(256)));
    rows << row;
  }
  return rows;
}

// Every other round leaves its last row without a row end: bytes after the last row end are one
// more row, sorted with the others.
TEST(SortedRows, HandsOnEveryRowInByteOrderWhateverTheOrderTheyCameIn) {
  QRandomGenerator random(20261209);
  for (int round = 0; round < 200; ++round) {
    QList<QByteArray> rows = RandomRows(random);
    if (round % 3 == 0) std::sort(rows.begin(), rows.end());  // already in order
    QList<QByteArray> expected = rows;
    std::sort(expected.begin(), expected.end());
    const bool openLast = round % 2 == 1 && !rows.isEmpty() && !rows.last().isEmpty();

    SortedRows held;
    const auto hold = [&] {
      for (qsizetype i = 0; i < rows.size(); ++i) {
        held.Append(rows[i]);
        if (!openLast || i + 1 < rows.size()) held.EndRow();
      }
    };
    hold();
    QList<QByteArray> seen;
    held.ForEach([&](QByteArrayView row) { seen << row.toByteArray(); });
    ASSERT_EQ(seen, expected) << "round " << round;
    EXPECT_EQ(held.Rows(), 0);
    held.ForEach([&](QByteArrayView) { ADD_FAILURE() << "no rows were held, round " << round; });

    hold();
    QByteArray pieces;
    held.ForEachPiece(16, [&](const QByteArray &piece) { pieces += piece; });
    EXPECT_EQ(pieces, expected.join()) << "round " << round;
  }
}

}  // namespace
