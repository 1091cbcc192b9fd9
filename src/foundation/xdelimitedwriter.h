// Writes delimited text lines: values joined by a one-byte separator (TAB for the table files),
// each line ended by CR LF.
#pragma once

#include <QString>

#include "xfile.h"
#include "xstring.h"

class XDelimitedWriter {
 public:
  explicit XDelimitedWriter(char separator = '\t') : separator_(separator) {}

  // Opens the file (write mode replaces an existing one); the next value starts a line.
  void Open(const XFileSpec &fileSpec, int mode = XFile::kWrite);
  // Writes the separator unless the value starts a line, then the value's bytes.
  void WriteValue(const XString &value);
  // The same with Unicode text in Windows-1252 ("?" for characters the code page lacks).
  void WriteValue(const QString &value) { WriteValue(XString::FromQString(value)); }
  // Writes CR LF; the next value starts a line.
  void EndLine();
  // Flushes and closes the file.
  void Close() { file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }
  XFile &File() { return file_; }

 private:
  XFile file_;
  char separator_;
  bool atLineStart_ = true;
};
