// Tab-separated rows into a published file: a separator before every value but the first of a
// line, CR LF at each line end, text turned into single bytes, nothing quoted or escaped. Between
// BeginSortedRows and EndSortedRows the rows are held and written in the byte order of their text,
// so the file is the same whatever order the database returned its records in. A table file's
// output writes each distinct line once: records that differ only in columns the file does not
// hold (a student's second enrollment, say) would otherwise repeat a line.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <string_view>

#include "sortedrows.h"
#include "uniquelines.h"

class PublishedFile;

class DelimitedOutput {
 public:
  enum class Repeats { Kept, Dropped };

  explicit DelimitedOutput(PublishedFile &file, char separator = '\t', Repeats repeats = Repeats::Kept);

  void WriteValue(const QString &value);
  // A value given as UTF-8; the same bytes as the text it reads as.
  void WriteUtf8Value(std::string_view utf8);
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

  // The lines left out because the file already held them.
  qsizetype RepeatsDropped() const { return repeatsDropped_; }

 private:
  void write(const QByteArray &bytes);
  void flushLine();

  PublishedFile &file_;
  char separator_;
  std::unique_ptr<UniqueLines> written_;  // only where repeats are dropped
  QByteArray line_;                       // the line being written
  bool lineStart_ = true;
  qsizetype repeatsDropped_ = 0;
  std::optional<SortedRows> held_;
};
