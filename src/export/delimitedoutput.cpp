// Value and line writing of the table rows.
#include "delimitedoutput.h"

#include "publishedfile.h"
#include "singlebytetext.h"

void DelimitedOutput::WriteValue(const QString &value) {
  QByteArray bytes;
  bytes.reserve(value.size() + 1);
  if (!m_lineStart) bytes.append(m_separator);
  bytes.append(ToSingleByte(value));
  m_file.Write(bytes);
  m_lineStart = false;
}

void DelimitedOutput::EndLine() {
  m_file.Write(QByteArrayLiteral("\r\n"));
  m_lineStart = true;
}

void DelimitedOutput::WriteText(const QString &text) {
  m_file.Write(ToSingleByte(text));
  m_lineStart = true;
}
