// Tab-separated rows into a published file: a separator before every value but the first of a
// line, CR LF at each line end, text turned into single bytes, nothing quoted or escaped.
#pragma once

#include <QString>

class PublishedFile;

class DelimitedOutput {
 public:
  explicit DelimitedOutput(PublishedFile &file, char separator = '\t') : file_(file), separator_(separator) {}

  void WriteValue(const QString &value);
  void EndLine();
  // Text written as it is (it carries its own line ends); the next value starts a line.
  void WriteText(const QString &text);

 private:
  PublishedFile &file_;
  char separator_;
  bool lineStart_ = true;
};
