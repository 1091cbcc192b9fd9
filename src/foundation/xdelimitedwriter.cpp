// XDelimitedWriter: separators between values and CR LF line ends.
#include "xdelimitedwriter.h"

void XDelimitedWriter::Open(const XFileSpec &fileSpec, int mode) {
  file_.Open(fileSpec, mode);
  atLineStart_ = true;
}

void XDelimitedWriter::WriteValue(const XString &value) {
  if (!atLineStart_) file_.Write(&separator_, 1);
  file_.Write(value);
  atLineStart_ = false;
}

void XDelimitedWriter::EndLine() {
  file_.Write(std::string_view("\r\n"));
  atLineStart_ = true;
}
