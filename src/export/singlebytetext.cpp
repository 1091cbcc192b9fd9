// Export text to file bytes and back, through the code page conversions of the layers below.
#include "singlebytetext.h"

#include "codepage.h"
#include "xstring.h"

QByteArray ToSingleByte(const QString &text) { return ToWindows1252(text); }

QString FromSingleByte(const QByteArray &bytes) {
  return xwin1252::Decode(bytes.constData(), size_t(bytes.size()));
}
