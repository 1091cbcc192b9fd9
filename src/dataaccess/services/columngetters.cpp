// The column value getters: the current field of the row being written turned into export text
// (one-line text, upper case, yes/no forms, money, dates in the writer's patterns, numbers).
#include <cmath>

#include "dataaccessbase.h"
#include "loglevels.h"

namespace {

QString LineBreaksToSpaces(QString text) {
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return text;
}

QString EmptyWhen(const QString &text, const char *unwanted) {
  return text == QLatin1String(unwanted) ? QString() : text;
}

// 1 January 1900 and 30 December 1899: the "no date" values of the source system.
bool IsPlaceholderDate(const XDate &date) {
  return date == XDate(1900, 1, 1) || date == XDate(1899, 12, 30);
}
}  // namespace

QString DataAccessBase::ColOneLine() {
  if (!m_currentField) return {};
  return LineBreaksToSpaces(GetFieldString(m_currentField).trimmed());
}

QString DataAccessBase::ColTrimmed() {
  if (!m_currentField) return {};
  return GetFieldString(m_currentField).trimmed();
}

QString DataAccessBase::ColUpper() {
  return ColOneLine().toUpper();
}

QString DataAccessBase::ColQuoted() {
  if (!m_currentField) return {};
  return QLatin1Char('"') + ColOneLine() + QLatin1Char('"');
}

QString DataAccessBase::ColNoZero() {
  return ColNoZeroText(ColOneLine());
}

QString DataAccessBase::ColNoZeroText(const QString &text) {
  return EmptyWhen(text, "0");
}

QString DataAccessBase::ColNoNA() {
  return EmptyWhen(ColOneLine(), "N/A");
}

QString DataAccessBase::ColPhone() {
  QString warning;
  const QString phone = FormatPhoneNumber(ColNoNA(), warning);
  if (!warning.isEmpty()) Log(kInformational, warning, QStringLiteral("DataAccessBase::ColPhone"));
  return phone;
}

QString DataAccessBase::ColNoLineBreaks() {
  return LineBreaksToSpaces(ColOneLine());
}

QString DataAccessBase::ColNoTabs() {
  return ColNoTabsText(ColOneLine());
}

QString DataAccessBase::ColNoTabsText(const QString &text) {
  QString result = LineBreaksToSpaces(text);
  result.replace(QLatin1Char('\t'), QLatin1Char(' '));
  return result;
}

QString DataAccessBase::ColMoney() {
  if (!m_currentField) return {};
  return QLatin1Char('$') + QString::number(GetFieldMoney(m_currentField), 'f', 2);
}

QString DataAccessBase::FormatDate(const XDate &date) {
  return date.Format(ControlSettings().dateFormat);
}

QString DataAccessBase::ColDate() {
  if (!m_currentField) return {};
  return FormatDate(GetFieldDate(m_currentField));
}

QString DataAccessBase::ColDateNot1900(ODBCField *field) {
  const ODBCField *source = field ? field : m_currentField;
  if (!source) return {};
  const XDate date = GetFieldDate(source);
  if (date == XDate(1900, 1, 1)) return {};
  return FormatDate(date);
}

QString DataAccessBase::ColDateKnown(ODBCField *field) {
  const ODBCField *source = field ? field : m_currentField;
  if (!source) return {};
  const XDate date = GetFieldDate(source);
  if (date.IsNull() || date.DayNumber() == 0 || IsPlaceholderDate(date)) return {};
  return FormatDate(date);
}

QString DataAccessBase::ColDateNoZero() {
  return ColNoZeroText(ColDate());
}

QString DataAccessBase::ColTime() {
  if (!m_currentField) return {};
  return GetFieldTime(m_currentField).Format(ControlSettings().timeFormat);
}

QString DataAccessBase::ColDateTime() {
  if (!m_currentField) return {};
  return GetFieldDateTime(m_currentField).Format(ControlSettings().dateTimeFormat);
}

QString DataAccessBase::ColDateTimeAsDate() {
  if (!m_currentField) return {};
  return FormatDate(GetFieldDateTime(m_currentField).Date());
}

QString DataAccessBase::ColInt() {
  if (!m_currentField) return {};
  return QString::number(GetFieldInt(m_currentField));
}

QString DataAccessBase::ColIntNoZero() {
  return ColNoZeroText(ColInt());
}

bool DataAccessBase::ColBoolFlag(ODBCField *field) {
  const ODBCField *source = field ? field : m_currentField;
  return source && GetFieldBool(source);
}

QString DataAccessBase::ColYesNoOf(bool value) {
  return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString DataAccessBase::ColYesNo() {
  if (!m_currentField) return {};
  return ColYesNoOf(GetFieldBool(m_currentField));
}

QString DataAccessBase::ColNoYes() {
  return ColNoYesOf(m_currentField);
}

QString DataAccessBase::ColNoYesOf(ODBCField *field) {
  if (!field) return {};
  return GetFieldBool(field) ? QStringLiteral("No") : QStringLiteral("Yes");
}

QString DataAccessBase::ColYesOrEmptyOf(bool value) {
  return value ? QStringLiteral("Yes") : QString();
}

QString DataAccessBase::ColYesOrEmpty() {
  return ColYesOrEmptyOfField(m_currentField);
}

QString DataAccessBase::ColYesOrEmptyOfField(ODBCField *field) {
  if (!field) return {};
  return ColYesOrEmptyOf(GetFieldBool(field));
}

QString DataAccessBase::ColOneZero() {
  if (!m_currentField) return {};
  return GetFieldBool(m_currentField) ? QStringLiteral("1") : QStringLiteral("0");
}

QString DataAccessBase::ColYesNoCode() {
  return YesNoCode(ColOneLine());
}

bool DataAccessBase::ColIsYes() {
  const QString value = ColOneLine().toLower();
  return value == QLatin1String("1") || value == QLatin1String("yes") || value == QLatin1String("y");
}

QString DataAccessBase::ColMoneyInt() {
  if (!m_currentField) return {};
  return QString::number(qint64(std::trunc(GetFieldMoney(m_currentField))));
}

QString DataAccessBase::ColFloat() {
  if (!m_currentField) return {};
  return QString::asprintf("%f", double(float(GetFieldDouble(m_currentField))));
}

QString DataAccessBase::ColFloatOf(ODBCField *field) {
  const ODBCField *source = field ? field : m_currentField;
  if (!source) return {};
  return QString::asprintf("%.0f", GetFieldDouble(source));
}

QString DataAccessBase::ColActivityKind() {
  return ActivityKindOf(ColOneLine());
}

QString DataAccessBase::ColAttendance(bool filter) {
  CreateStudentDailyAttendanceFromDB(filter);
  CreateStudentPeriodAttendanceFromDB(filter);
  return {};
}

QString DataAccessBase::ColPrefixedText(const QString &text) {
  return QStringLiteral("gs_") + text;
}

QString DataAccessBase::ColPrefixed() {
  if (!m_currentField) return {};
  return ColPrefixedText(ColOneLine());
}

QString DataAccessBase::ColYN() {
  return YesNoLetter(ColOneLine());
}

QString DataAccessBase::ColValueKind() {
  return ValueKindOf(ColOneLine());
}

QString DataAccessBase::ColWithSuffix() {
  if (!m_currentField) return {};
  return ColOneLine() + QLatin1Char('_');
}
