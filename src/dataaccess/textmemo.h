// The texts of values already read from each column of one record set. Codes, dates, periods and
// calendar ids repeat all through a result: a repeated value is converted once and then shared
// (Qt's implicit sharing), instead of being converted and allocated again for every row.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cellstore.h"

class TextMemo {
 public:
  // Forgets everything when the record set is another one than last time.
  void Use(uint64_t recordSet, int columns) {
    if (recordSet != recordSet_) reset(recordSet, columns);
  }
  // The remembered text of this value of the column, or null.
  const QString *Find(int column, const CellView &cell);
  // Remembers the text of the value last looked up in the column (a Find that missed).
  void Remember(int column, const CellView &cell, const QString &text);

 private:
  void reset(uint64_t recordSet, int columns);

  static constexpr size_t kEntries = 64;
  struct Entry {
    std::string bytes;
    QString text;
    bool used = false;
  };
  struct Column {
    std::array<Entry, kEntries> entries;
    size_t lastEntry = 0;
    // A column whose values seldom repeat (ids) stops being remembered after a trial.
    bool retired = false;
    uint32_t reads = 0;
    uint32_t hits = 0;
  };

  uint64_t recordSet_ = 0;
  std::vector<Column> columns_;
};
