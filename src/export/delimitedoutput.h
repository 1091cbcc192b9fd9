// Tab-separated rows into a published file: a separator before every value but the first of a
// line, CR LF at each line end, text turned into single bytes, nothing quoted or escaped. A table
// file's output writes each distinct line once: records that differ only in columns the file does
// not hold (a student's second enrollment, say) would otherwise repeat a line.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "uniquelines.h"

class PublishedFile;

class DelimitedOutput {
 public:
  enum class Repeats { Kept, Dropped };

  explicit DelimitedOutput(PublishedFile &file, char separator = '\t', Repeats repeats = Repeats::Kept);

  void WriteValue(const QString &value);
  void EndLine();
  // Text written as it is (it carries its own line ends); the next value starts a line.
  void WriteText(const QString &text);

 private:
  PublishedFile &file_;
  char separator_;
  std::unique_ptr<UniqueLines> written_;  // only where repeats are dropped
  QByteArray line_;                       // the line being written
  bool lineStart_ = true;
};
