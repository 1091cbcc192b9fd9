// XDate: day numbers, the date letter patterns (format and parse) and calendar arithmetic.
#include "xdate.h"

#include <optional>
#include <vector>

#include "xcalendar.h"
#include "xpatternrun.h"

using xpattern::AppendPadded;
using xpattern::IsAllDigits;
using xpattern::RunLength;

namespace {

void AppendYear(QString &out, int year, qsizetype run, QStringView runText) {
  switch (run) {
    case 1:
      return AppendPadded(out, year % 10, 1);
    case 2:
      return AppendPadded(out, year % 100, 2);
    case 4:
      return AppendPadded(out, year, 1);
    default:  // three, five or more letters are no field
      out += runText;
  }
}

// A number run of one letter (no padding) or two (two digits), else the name: three letters give
// its first three characters, four or more the whole name.
void AppendNumberOrName(QString &out, int number, const QString &name, qsizetype run) {
  if (run <= 2) return AppendPadded(out, number, static_cast<int>(run));
  out += run == 3 ? QStringView(name).left(3) : QStringView(name);
}

void AppendWeekday(QString &out, int weekday, qsizetype run) {
  const QString &name = xcalendar::WeekdayName(weekday);
  out += run >= 4 ? QStringView(name) : QStringView(name).left(run);
}

bool IsLetter(QChar c) {
  return c.isLetter();
}

// Text tokens: runs of letters and runs of digits; anything else only separates.
std::vector<QString> TextTokens(const QString &text) {
  std::vector<QString> tokens;
  qsizetype i = 0;
  while (i < text.size()) {
    const QChar c = text.at(i);
    const bool letter = IsLetter(c);
    if (!letter && !xpattern::IsDigit(c)) {
      ++i;
      continue;
    }
    qsizetype end = i + 1;
    while (end < text.size() && (letter ? IsLetter(text.at(end)) : xpattern::IsDigit(text.at(end)))) ++end;
    tokens.push_back(text.mid(i, end - i));
    i = end;
  }
  return tokens;
}

// Pattern tokens in upper case: runs of letters, except that three or more M's make a token of their own.
std::vector<QString> PatternTokens(const QString &pattern) {
  std::vector<QString> tokens;
  QString current;
  auto flush = [&] {
    if (!current.isEmpty()) tokens.push_back(current);
    current.clear();
  };
  qsizetype i = 0;
  while (i < pattern.size()) {
    const QChar c = xpattern::UpperAscii(pattern.at(i));
    if (!IsLetter(c)) {
      flush();
      ++i;
      continue;
    }
    const qsizetype run = RunLength(pattern, i);
    if (c == u'M' && run >= 3) {
      flush();
      current = QString(run, u'M');
      flush();
    } else {
      current += QString(run, c);
    }
    i += run;
  }
  flush();
  return tokens;
}

// The part of a text token that a field found at `offset` of its pattern token covers, or nothing
// when the offset lies beyond the text token.
std::optional<QStringView> FieldPiece(const QString &textToken, qsizetype offset, qsizetype width) {
  if (offset >= textToken.size()) return std::nullopt;
  return QStringView(textToken).mid(offset, width);
}

int MonthFromName(QStringView piece) {
  for (int month = 1; month <= 11; ++month)
    if (xcalendar::MonthName(month).startsWith(piece, Qt::CaseInsensitive)) return month;
  return 12;
}

struct ParsedDate {
  std::optional<int> year, month, day;
};

void ReadYear(const QString &patternToken, const QString &textToken, ParsedDate &date) {
  if (const qsizetype k = patternToken.indexOf(u"YYYY"); k >= 0) {
    const auto piece = FieldPiece(textToken, k, 4);
    if (piece && piece->size() == 4 && IsAllDigits(*piece)) date.year = piece->toInt();
    return;
  }
  if (const qsizetype k = patternToken.indexOf(u"YY"); k >= 0) {
    const auto piece = FieldPiece(textToken, k, 2);
    if (piece && IsAllDigits(*piece)) date.year = xcalendar::ExpandTwoDigitYear(piece->toInt());
  }
}

void ReadMonth(const QString &patternToken, const QString &textToken, ParsedDate &date) {
  if (const qsizetype k = patternToken.indexOf(u"MMM"); k >= 0) {
    if (const auto piece = FieldPiece(textToken, k, 3)) date.month = MonthFromName(*piece);
    return;
  }
  if (const qsizetype k = patternToken.indexOf(u"MM"); k >= 0) {
    const auto piece = FieldPiece(textToken, k, 2);
    if (piece && IsAllDigits(*piece)) date.month = piece->toInt();
  }
}

void ReadDay(const QString &patternToken, const QString &textToken, ParsedDate &date) {
  if (const qsizetype k = patternToken.indexOf(u"DD"); k >= 0) {
    const auto piece = FieldPiece(textToken, k, 2);
    if (piece && IsAllDigits(*piece)) date.day = piece->toInt();
  }
}

}  // namespace

XDate XDate::Today() {
  return FromQDate(QDate::currentDate());
}

XDate XDate::FromQDate(const QDate &date) {
  if (!date.isValid()) return {};
  return XDate(date.year(), date.month(), date.day());
}

QDate XDate::ToQDate() const {
  if (IsNull()) return {};
  int year = 0, month = 0, day = 0;
  GetYmd(year, month, day);
  return QDate(year, month, day);
}

bool XDate::SetYmd(int year, int month, int day) {
  day_ = xcalendar::DayNumber(year, month, day);
  return IsValid();
}

void XDate::GetYmd(int &year, int &month, int &day) const {
  if (IsNull()) {
    year = month = day = 0;
    return;
  }
  xcalendar::YearMonthDay(day_, year, month, day);
}

int XDate::Year() const {
  int year = 0, month = 0, day = 0;
  GetYmd(year, month, day);
  return year;
}

int XDate::Month() const {
  int year = 0, month = 0, day = 0;
  GetYmd(year, month, day);
  return month;
}

int XDate::Day() const {
  int year = 0, month = 0, day = 0;
  GetYmd(year, month, day);
  return day;
}

int XDate::DayOfWeek() const {
  return IsNull() ? -1 : xcalendar::Weekday(day_);
}

QString XDate::Format(const QString &pattern) const {
  if (IsNull()) return {};
  int year = 0, month = 0, day = 0;
  GetYmd(year, month, day);
  const int weekday = DayOfWeek();
  QString out;
  out.reserve(pattern.size() + 16);
  for (qsizetype i = 0; i < pattern.size();) {
    const qsizetype run = RunLength(pattern, i);
    const QStringView runText = QStringView(pattern).mid(i, run);
    switch (xpattern::UpperAscii(pattern.at(i)).unicode()) {
      case u'Y':
        AppendYear(out, year, run, runText);
        break;
      case u'M':
        AppendNumberOrName(out, month, xcalendar::MonthName(month), run);
        break;
      case u'D':
        AppendNumberOrName(out, day, xcalendar::WeekdayName(weekday), run);
        break;
      case u'W':
        AppendWeekday(out, weekday, run);
        break;
      default:
        out += runText;
    }
    i += run;
  }
  return out;
}

bool XDate::Parse(const QString &pattern, const QString &text) {
  const std::vector<QString> patternTokens = PatternTokens(pattern);
  const std::vector<QString> textTokens = TextTokens(text);
  ParsedDate parsed;
  for (size_t i = 0; i < patternTokens.size() && i < textTokens.size(); ++i) {
    ReadYear(patternTokens[i], textTokens[i], parsed);
    ReadMonth(patternTokens[i], textTokens[i], parsed);
    ReadDay(patternTokens[i], textTokens[i], parsed);
  }
  if (!parsed.year || !parsed.month || !parsed.day) {
    Clear();
    return false;
  }
  return SetYmd(*parsed.year, *parsed.month, *parsed.day);
}

void XDate::Add(int years, int months, int days) {
  AddUnits(years, months, days);
}

void XDate::Subtract(int years, int months, int days) {
  AddUnits(-static_cast<int64_t>(years), -static_cast<int64_t>(months), -static_cast<int64_t>(days));
}

void XDate::AddUnits(int64_t years, int64_t months, int64_t days) {
  const int64_t start = IsNull() ? 0 : day_;
  int64_t result = 0;
  if (years == 0 && months == 0) {
    result = start + days;
  } else {
    int year = 0, month = 0, day = 0;
    xcalendar::YearMonthDay(static_cast<int32_t>(start), year, month, day);
    const int64_t monthIndex = (month - 1) + months;
    const int64_t monthOfYear = ((monthIndex % 12) + 12) % 12;
    const int64_t newYear = year + years + (monthIndex - monthOfYear) / 12;
    if (newYear < 1600 || newYear > 10'000'000) {
      Clear();
      return;
    }
    result = xcalendar::DayNumberUnchecked(newYear, static_cast<int>(monthOfYear + 1), day + days);
  }
  day_ = (result < 0 || result > INT32_MAX) ? kNone : static_cast<int32_t>(result);
}
