// Reads the foundation's minimal XML files element by element: each start or empty element with
// its name and attributes; declarations, comments and end tags are passed over.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "xfilespec.h"
#include "xxmlelement.h"

class XXmlElementReader {
 public:
  // A reader over single-byte (Windows-1252) XML text.
  explicit XXmlElementReader(std::string text) : text_(std::move(text)) {}
  // A reader over a file's content; throws as XFile::Open when it cannot be read.
  static XXmlElementReader FromFile(const XFileSpec &fileSpec);
  // Every element of a file in order; none when the file does not exist.
  static std::vector<XXmlElement> ReadFile(const XFileSpec &fileSpec);

  // The next element; false at the end of the text or where it stops making sense.
  bool Next(XXmlElement &element);

 private:
  void SkipBlanks();
  QString ReadName();
  bool ReadAttributes(XXmlAttributes &attributes);

  std::string text_;
  size_t pos_ = 0;
};
