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
  if (!currentField_) return {};
  return LineBreaksToSpaces(GetFieldString(currentField_).trimmed());
}

QString DataAccessBase::ColTrimmed() {
  if (!currentField_) return {};
  return GetFieldString(currentField_).trimmed();
}

QString DataAccessBase::ColUpper() {
  return ColOneLine().toUpper();
}

QString DataAccessBase::ColQuoted() {
  if (!currentField_) return {};
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
  if (!currentField_) return {};
  return QLatin1Char('$') + QString::number(GetFieldMoney(currentField_), 'f', 2);
}

QString DataAccessBase::FormatDate(const XDate &date) {
  return date.Format(ControlSettings().dateFormat);
}

QString DataAccessBase::ColDate() {
  if (!currentField_) return {};
  return FormatDate(GetFieldDate(currentField_));
}

QString DataAccessBase::ColDateNot1900(ODBCField *field) {
  const ODBCField *source = field ? field : currentField_;
  if (!source) return {};
  const XDate date = GetFieldDate(source);
  if (date == XDate(1900, 1, 1)) return {};
  return FormatDate(date);
}

QString DataAccessBase::ColDateKnown(ODBCField *field) {
  const ODBCField *source = field ? field : currentField_;
  if (!source) return {};
  const XDate date = GetFieldDate(source);
  if (date.IsNull() || date.DayNumber() == 0 || IsPlaceholderDate(date)) return {};
  return FormatDate(date);
}

QString DataAccessBase::ColDateNoZero() {
  return ColNoZeroText(ColDate());
}

QString DataAccessBase::ColTime() {
  if (!currentField_) return {};
  return GetFieldTime(currentField_).Format(ControlSettings().timeFormat);
}

QString DataAccessBase::ColDateTime() {
  if (!currentField_) return {};
  return GetFieldDateTime(currentField_).Format(ControlSettings().dateTimeFormat);
}

QString DataAccessBase::ColDateTimeAsDate() {
  if (!currentField_) return {};
  return FormatDate(GetFieldDateTime(currentField_).Date());
}

QString DataAccessBase::ColInt() {
  if (!currentField_) return {};
  return QString::number(GetFieldInt(currentField_));
}

QString DataAccessBase::ColIntNoZero() {
  return ColNoZeroText(ColInt());
}

bool DataAccessBase::ColBoolFlag(ODBCField *field) {
  const ODBCField *source = field ? field : currentField_;
  return source && GetFieldBool(source);
}

QString DataAccessBase::ColYesNoOf(bool value) {
  return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString DataAccessBase::ColYesNo() {
  if (!currentField_) return {};
  return ColYesNoOf(GetFieldBool(currentField_));
}

QString DataAccessBase::ColNoYes() {
  return ColNoYesOf(currentField_);
}

QString DataAccessBase::ColNoYesOf(ODBCField *field) {
  if (!field) return {};
  return GetFieldBool(field) ? QStringLiteral("No") : QStringLiteral("Yes");
}

QString DataAccessBase::ColYesOrEmptyOf(bool value) {
  return value ? QStringLiteral("Yes") : QString();
}

QString DataAccessBase::ColYesOrEmpty() {
  return ColYesOrEmptyOfField(currentField_);
}

QString DataAccessBase::ColYesOrEmptyOfField(ODBCField *field) {
  if (!field) return {};
  return ColYesOrEmptyOf(GetFieldBool(field));
}

QString DataAccessBase::ColOneZero() {
  if (!currentField_) return {};
  return GetFieldBool(currentField_) ? QStringLiteral("1") : QStringLiteral("0");
}

QString DataAccessBase::ColYesNoCode() {
  return YesNoCode(ColOneLine());
}

bool DataAccessBase::ColIsYes() {
  const QString value = ColOneLine().toLower();
  return value == QLatin1String("1") || value == QLatin1String("yes") || value == QLatin1String("y");
}

QString DataAccessBase::ColMoneyInt() {
  if (!currentField_) return {};
  return QString::number(qint64(std::trunc(GetFieldMoney(currentField_))));
}

QString DataAccessBase::ColFloat() {
  if (!currentField_) return {};
  return QString::asprintf("%f", double(float(GetFieldDouble(currentField_))));
}

QString DataAccessBase::ColFloatOf(ODBCField *field) {
  const ODBCField *source = field ? field : currentField_;
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
  if (!currentField_) return {};
  return ColPrefixedText(ColOneLine());
}

QString DataAccessBase::ColYN() {
  return YesNoLetter(ColOneLine());
}

QString DataAccessBase::ColValueKind() {
  return ValueKindOf(ColOneLine());
}

QString DataAccessBase::ColWithSuffix() {
  if (!currentField_) return {};
  return ColOneLine() + QLatin1Char('_');
}
