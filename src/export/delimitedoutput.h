// Tab-separated rows into a published file: a separator before every value but the first of a
// line, CR LF at each line end, text turned into single bytes, nothing quoted or escaped. Between
// BeginSortedRows and EndSortedRows the rows are held and written in the byte order of their text,
// so the file is the same whatever order the database returned its records in.
#pragma once

#include <QString>
#include <optional>

#include "sortedrows.h"

class PublishedFile;

class DelimitedOutput {
 public:
  explicit DelimitedOutput(PublishedFile &file, char separator = '\t') : file_(file), separator_(separator) {}

  void WriteValue(const QString &value);
  void EndLine();
  // Text written as it is (it carries its own line ends); the next value starts a line. Not while
  // rows are held.
  void WriteText(const QString &text);

  void BeginSortedRows();
  // The values and line ends since the last row end are one row (a record may span lines).
  void EndRow();
  // Writes the held rows in order; rows are written at once again from here on.
  void EndSortedRows();
  // Forgets the held rows without writing them.
  void DropSortedRows();

 private:
  void write(const QByteArray &bytes);

  PublishedFile &file_;
  char separator_;
  bool lineStart_ = true;
  std::optional<SortedRows> held_;
};
