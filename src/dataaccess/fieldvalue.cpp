// Value conversions of the getters, by column kind.
#include "fieldvalue.h"

#include <cmath>
#include <cstring>

#include "codepage.h"
#include "xexception.h"

namespace fieldvalue {

namespace {

QStringView wideText(const CellView &cell) {
  return QStringView(reinterpret_cast<const char16_t *>(cell.data), cell.size / 2);
}

QLatin1StringView narrowText(const CellView &cell) {
  return QLatin1StringView(cell.data, cell.size);
}

// A text column's value, from whichever form the record set holds it in.
QString textOf(const ColumnInfo &column, const CellView &cell) {
  if (column.utf8) return QString::fromUtf8(cell.data, cell.size);
  return wideText(cell).toString();
}

double doubleOf(const CellView &cell) {
  double value = 0;
  if (cell.size == sizeof(double)) std::memcpy(&value, cell.data, sizeof(double));
  return value;
}

// Decimal digits of an integer without going through the locale machinery.
QString integerText(qint64 value) {
  char digits[24];
  char *end = digits + sizeof(digits);
  char *p = end;
  quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
  do {
    *--p = char('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--p = '-';
  return QString::fromLatin1(p, end - p);
}

qint64 binaryInteger(const CellView &cell) {
  qint64 value = 0;
  if (cell.size == sizeof(qint64)) std::memcpy(&value, cell.data, sizeof(qint64));
  return value;
}

// Two decimal digits at p as a number, or -1.
int twoDigits(const char *p) {
  if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9') return -1;
  return (p[0] - '0') * 10 + (p[1] - '0');
}

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS[.fff]" written straight as "YYYY/MM/DD H:NN:SS" (the
// hour unpadded before its colon); an empty result asks for the general path.
QString fastTimestampText(const CellView &cell) {
  const char *p = cell.data;
  const qsizetype n = cell.size;
  if (n != 10 && n < 19) return {};
  if (p[4] != '-' || p[7] != '-' || twoDigits(p) < 16 || twoDigits(p + 2) < 0) return {};
  const int month = twoDigits(p + 5);
  const int day = twoDigits(p + 8);
  if (month < 1 || month > 12 || day < 1 || day > 28) return {};
  char out[20];
  std::memcpy(out, p, 4);
  out[4] = '/';
  std::memcpy(out + 5, p + 5, 2);
  out[7] = '/';
  std::memcpy(out + 8, p + 8, 2);
  out[10] = ' ';
  if (n == 10) {
    std::memcpy(out + 11, "0:00:00", 7);
    return QString::fromLatin1(out, 18);
  }
  if ((p[10] != ' ' && p[10] != 'T') || p[13] != ':' || p[16] != ':') return {};
  const int hour = twoDigits(p + 11);
  if (hour < 0 || hour > 23 || twoDigits(p + 14) < 0 || twoDigits(p + 14) > 59 || twoDigits(p + 17) < 0 ||
      twoDigits(p + 17) > 59)
    return {};
  qsizetype at = 11;
  if (hour >= 10) out[at++] = char('0' + hour / 10);
  out[at++] = char('0' + hour % 10);
  std::memcpy(out + at, p + 13, 6);
  return QString::fromLatin1(out, at + 6);
}

// Plain digits with an optional minus sign and no leading zero: already the decimal text.
bool canonicalInteger(QLatin1StringView text) {
  qsizetype at = text.startsWith(QLatin1Char('-')) ? 1 : 0;
  if (at == text.size() || (text.at(at) == QLatin1Char('0') && text.size() > at + 1)) return false;
  for (; at < text.size(); ++at)
    if (text.at(at) < QLatin1Char('0') || text.at(at) > QLatin1Char('9')) return false;
  return true;
}

// The cell as a QString whatever its storage (text for numbers, dates and bits).
QString rawText(const ColumnInfo &column, const CellView &cell) {
  switch (column.kind) {
    case ColumnKind::Text:
    case ColumnKind::Unsupported:
      return textOf(column, cell);
    case ColumnKind::Floating:
      return FormatFloating(doubleOf(cell));
    case ColumnKind::Binary:
      return {};
    case ColumnKind::Integer:
      if (column.binaryInteger) return QString::number(binaryInteger(cell));
      return QString(narrowText(cell)).trimmed();
    default:
      return QString(narrowText(cell)).trimmed();
  }
}

bool isTrueWord(const QString &text) {
  const QString word = text.trimmed().toLower();
  if (word == QLatin1String("true") || word == QLatin1String("t") || word == QLatin1String("yes") ||
      word == QLatin1String("y"))
    return true;
  bool numeric = false;
  const double value = word.toDouble(&numeric);
  return numeric && value != 0;
}

[[noreturn]] void unsupported(const ColumnInfo &column) {
  throw XException(QString::asprintf("Error number: %x\t", 0u) + QStringLiteral("Column ") + column.name +
                   QStringLiteral(" has the type %1, which cannot be read.\r\n").arg(column.sqlType) +
                   QStringLiteral(" Field Status: ") + FieldStatusText(2));
}

// Reads up to `count` digits at `at`; -1 when none.
int digits(QStringView text, qsizetype &at, int count) {
  int value = 0;
  int read = 0;
  while (read < count && at < text.size() && text.at(at).isDigit()) {
    value = value * 10 + text.at(at).digitValue();
    ++at;
    ++read;
  }
  return read == 0 ? -1 : value;
}

bool expect(QStringView text, qsizetype &at, char16_t c) {
  if (at < text.size() && text.at(at) == QChar(c)) {
    ++at;
    return true;
  }
  return false;
}

// "HH:MM[:SS[.fff]]" from `at` to the end of the text.
bool parseTime(QStringView text, qsizetype at, XTime &time) {
  const int hour = digits(text, at, 2);
  if (hour < 0 || !expect(text, at, u':')) return false;
  const int minute = digits(text, at, 2);
  if (minute < 0) return false;
  int second = 0;
  int millisecond = 0;
  if (expect(text, at, u':')) {
    second = digits(text, at, 2);
    if (second < 0) return false;
    if (expect(text, at, u'.')) {
      const qsizetype start = at;
      millisecond = digits(text, at, 3);
      if (millisecond < 0) return false;
      for (qsizetype n = at - start; n < 3; ++n) millisecond *= 10;
      while (at < text.size() && text.at(at).isDigit()) ++at;
    }
  }
  while (at < text.size() && text.at(at) == QLatin1Char(' ')) ++at;
  if (at != text.size()) return false;
  return time.SetHms(hour, minute, second, millisecond);
}

}  // namespace

XDateTime ParseIsoDateTime(QStringView text) {
  text = text.trimmed();
  qsizetype at = 0;
  XTime time;
  if (text.size() >= 3 && text.at(2) == QLatin1Char(':')) {
    if (!parseTime(text, 0, time)) return {};
    return XDateTime(XDate(1899, 12, 30), time);
  }
  const int year = digits(text, at, 4);
  if (year < 0 || !(expect(text, at, u'-') || expect(text, at, u'/'))) return {};
  const int month = digits(text, at, 2);
  if (month < 1 || month > 12 || !(expect(text, at, u'-') || expect(text, at, u'/'))) return {};
  const int day = digits(text, at, 2);
  if (day < 1 || day > 31) return {};
  XDate date(year, month, day);
  if (!date.IsValid()) return {};
  if (at == text.size()) return XDateTime(date, XTime(0, 0, 0));
  if (!(expect(text, at, u' ') || expect(text, at, u'T'))) return {};
  if (!parseTime(text, at, time)) return {};
  return XDateTime(date, time);
}

QString FormatFloating(double value) {
  if (!std::isfinite(value)) return {};
  QString text = QString::asprintf("%.4f", value);
  while (text.endsWith(QLatin1Char('0'))) text.chop(1);
  if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  if (text == QLatin1String("-0")) return QStringLiteral("0");
  return text;
}

QString FormatDecimalText(QStringView digitsText) {
  const QStringView text = digitsText.trimmed();
  qsizetype at = 0;
  bool negative = false;
  if (at < text.size() && (text.at(at) == QLatin1Char('-') || text.at(at) == QLatin1Char('+')))
    negative = text.at(at++) == QLatin1Char('-');
  QString whole;
  QString fraction;
  while (at < text.size() && text.at(at).isDigit()) whole += text.at(at++);
  if (at < text.size() && text.at(at) == QLatin1Char('.')) {
    ++at;
    while (at < text.size() && text.at(at).isDigit()) fraction += text.at(at++);
  }
  if (at != text.size() || (whole.isEmpty() && fraction.isEmpty())) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? FormatFloating(value) : QString();
  }
  const bool roundUp = fraction.size() > 4 && fraction.at(4) >= QLatin1Char('5');
  fraction.truncate(4);
  QString number = whole + fraction.leftJustified(4, QLatin1Char('0'));
  if (roundUp) {
    qsizetype i = number.size() - 1;
    for (; i >= 0 && number.at(i) == QLatin1Char('9'); --i) number[i] = QLatin1Char('0');
    if (i >= 0) {
      number[i] = QChar(number.at(i).unicode() + 1);
    } else {
      number.prepend(QLatin1Char('1'));
    }
  }
  whole = number.left(number.size() - 4);
  fraction = number.right(4);
  while (whole.size() > 1 && whole.startsWith(QLatin1Char('0'))) whole.remove(0, 1);
  if (whole.isEmpty()) whole = QStringLiteral("0");
  while (fraction.endsWith(QLatin1Char('0'))) fraction.chop(1);
  QString result = whole;
  if (!fraction.isEmpty()) result += QLatin1Char('.') + fraction;
  if (negative && result != QLatin1String("0")) result.prepend(QLatin1Char('-'));
  return result;
}

QString Text(const ColumnInfo &column, const CellView &cell) {
  if (column.kind == ColumnKind::Unsupported) unsupported(column);
  if (cell.null) return {};
  switch (column.kind) {
    case ColumnKind::Integer: {
      if (column.binaryInteger) return integerText(binaryInteger(cell));
      if (canonicalInteger(narrowText(cell))) return QString(narrowText(cell));
      const QString text = QString(narrowText(cell)).trimmed();
      bool ok = false;
      const qlonglong value = text.toLongLong(&ok);
      return ok ? QString::number(value) : text;
    }
    case ColumnKind::Floating:
      return FormatFloating(doubleOf(cell));
    case ColumnKind::Decimal:
      return FormatDecimalText(QString(narrowText(cell)));
    case ColumnKind::Date: {
      QString fast = fastTimestampText(cell);
      if (!fast.isEmpty()) return fast;
      return ParseIsoDateTime(QString(narrowText(cell))).Format(QStringLiteral("YYYY/MM/DD HH:NN:SS"));
    }
    case ColumnKind::Bit:
      return isTrueWord(QString(narrowText(cell))) ? QStringLiteral("True") : QStringLiteral("False");
    case ColumnKind::Text:
      return ToSingleByteText(textOf(column, cell));
    default:
      return {};
  }
}

qint64 Integer(const ColumnInfo &column, const CellView &cell) {
  if (column.kind == ColumnKind::Unsupported) unsupported(column);
  if (cell.null) return 0;
  if (column.binaryInteger) return binaryInteger(cell);
  switch (column.kind) {
    case ColumnKind::Floating:
      return qint64(std::trunc(doubleOf(cell)));
    case ColumnKind::Bit:
      return isTrueWord(QString(narrowText(cell))) ? 1 : 0;
    case ColumnKind::Date:
    case ColumnKind::Binary:
      return 0;
    default: {
      const QString text = rawText(column, cell).trimmed();
      bool ok = false;
      const qlonglong value = text.toLongLong(&ok);
      if (ok) return value;
      const double floating = text.toDouble(&ok);
      return ok ? qint64(std::trunc(floating)) : 0;
    }
  }
}

double Double(const ColumnInfo &column, const CellView &cell) {
  if (column.kind == ColumnKind::Unsupported) unsupported(column);
  if (cell.null) return 0;
  if (column.binaryInteger) return double(binaryInteger(cell));
  switch (column.kind) {
    case ColumnKind::Floating:
      return doubleOf(cell);
    case ColumnKind::Bit:
      return isTrueWord(QString(narrowText(cell))) ? 1 : 0;
    case ColumnKind::Date:
    case ColumnKind::Binary:
      return 0;
    default: {
      bool ok = false;
      const double value = rawText(column, cell).trimmed().toDouble(&ok);
      return ok ? value : 0;
    }
  }
}

bool Bool(const ColumnInfo &column, const CellView &cell) {
  if (column.kind == ColumnKind::Unsupported) unsupported(column);
  if (cell.null) return false;
  if (column.binaryInteger) return binaryInteger(cell) != 0;
  switch (column.kind) {
    case ColumnKind::Floating:
      return doubleOf(cell) != 0;
    case ColumnKind::Date:
    case ColumnKind::Binary:
      return false;
    default:
      return isTrueWord(rawText(column, cell));
  }
}

XDateTime DateTime(const ColumnInfo &column, const CellView &cell) {
  if (column.kind == ColumnKind::Unsupported) unsupported(column);
  if (cell.null) return {};
  if (column.kind == ColumnKind::Date) return ParseIsoDateTime(QString(narrowText(cell)));
  if (column.kind == ColumnKind::Text) return ParseIsoDateTime(textOf(column, cell));
  return {};
}

QByteArray Bytes(const ColumnInfo &column, const CellView &cell) {
  if (column.kind == ColumnKind::Unsupported) unsupported(column);
  if (cell.null) return {};
  if (column.kind == ColumnKind::Binary) return QByteArray(cell.data, cell.size);
  if (column.kind == ColumnKind::Text) return ToWindows1252(textOf(column, cell));
  return Text(column, cell).toLatin1();
}

QString FieldStatusText(int status) {
  struct Entry {
    int status;
    const char *text;
  };
  static const Entry entries[] = {
      {0, "adFieldOK - OK."},
      {2, "adFieldCantConvertValue - The field cannot be retrieved or stored without loss of data."},
      {3,
       "adFieldIsNull - The provider returned a VARIANT value of type VT_NULL and that the field is not "
       "empty."},
      {4, "adFieldTruncated - Variable-length data was truncated when reading from the data source."},
      {5,
       "adFieldSignMismatch - Data value returned by the provider was signed but the data type of the ADO "
       "field "
       "value was unsigned."},
      {6, "adFieldDataOverflow - The data returned from the provider overflowed the data type of the field."},
      {7,
       "adFieldCantCreate - The field could not be added because the provider exceeded a limitation (such as "
       "the "
       "number of fields allowed)."},
      {8,
       "adFieldUnavailable - The provider could not determine the value when reading from the data source. "
       "For "
       "example, the row was just created, the default value for the column was not available, and a new "
       "value had "
       "not yet been specified."},
      {9, "adFieldPermissionDenied - The field cannot be modified because it is defined as read-only."},
      {10,
       "adFieldIntegrityViolation - The field cannot be modified because it is a calculated or derived "
       "entity."},
      {11, "adFieldSchemaViolation - The value violated the data source schema constraint for the field."},
      {12,
       "adFieldBadStatus - An invalid status value was sent from ADO to the OLE DB provider. Possible causes "
       "include an OLE DB 1.0 or 1.1 provider, or an improper combination of Value and Status."},
      {13, "adFieldDefault - The default value for the field was used when setting data."},
      {15,
       "adFieldIgnore - This field was skipped when setting data values in the source. The provider set no "
       "value."},
      {16, "adFieldDoesNotExist - The field specified does not exist."},
      {17, "adFieldInvalidURL - The data source URL contains invalid characters."},
      {18,
       "adFieldResourceLocked - The provider was unable to perform the operation because the data source is "
       "locked by one or more other application or process."},
      {19,
       "adFieldResourceExists - The provider was unable to perform the operation because an object already "
       "exists at the destination URL and it is not able to overwrite the object."},
      {20,
       "adFieldCannotComplete - The server of the URL specified by Source could not complete the operation."},
      {21,
       "adFieldVolumeNotFound - The provider is unable to locate the storage volume indicated by the URL."},
      {22,
       "adFieldOutOfSpace - The provider is unable to obtain enough storage space to complete a move or copy "
       "operation."},
      {23,
       "adFieldCannotDeleteSource - During a move operation, a tree or subtree was moved to a new location, "
       "but "
       "the source could not be deleted."},
      {24, "adFieldReadOnly - The field in the data source is defined as read-only."},
      {25,
       "adFieldResourceOutOfScope - A source or destination URL is outside the scope of the current record."},
      {26, "adFieldAlreadyExists - The specified field already exists."},
      {0x10000,
       "adFieldPendingInsert - The Append operation caused the status to be set. The Field has been marked "
       "to be added to the Fields collection after the Update method is called."},
      {0x20000,
       "adFieldPendingDelete - The Delete operation caused the status to be set. The field has been marked "
       "for deletion from the Fields collection after the Update method is called."},
      {0x40000,
       "adFieldPendingChange - Either the field has been deleted and then re-added, perhaps with a different "
       "data type, or that the value of the field which previously had a status of adFieldOK has changed. "
       "The final form of the field will modify the Fields collection after the Update method is called."},
      {0x80000,
       "adFieldPendingUnknown - The provider cannot determine what operation caused field status to be "
       "set."},
      {0x100000,
       "adFieldPendingUnknownDelete - The provider cannot determine what operation caused field status to "
       "be set, and that the field will be deleted from the Fields collection after the Update method is "
       "called."},
  };
  for (const auto &entry : entries)
    if (entry.status == status) return QString::fromLatin1(entry.text);
  return QStringLiteral("Undefined field status.");
}

}  // namespace fieldvalue
