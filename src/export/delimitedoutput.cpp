// Value and line writing of the table rows.
#include "delimitedoutput.h"

#include "publishedfile.h"
#include "singlebytetext.h"

void DelimitedOutput::WriteValue(const QString &value) {
  QByteArray bytes;
  bytes.reserve(value.size() + 1);
  if (!lineStart_) bytes.append(separator_);
  bytes.append(ToSingleByte(value));
  file_.Write(bytes);
  lineStart_ = false;
}

void DelimitedOutput::EndLine() {
  file_.Write(QByteArrayLiteral("\r\n"));
  lineStart_ = true;
}

void DelimitedOutput::WriteText(const QString &text) {
  file_.Write(ToSingleByte(text));
  lineStart_ = true;
}
