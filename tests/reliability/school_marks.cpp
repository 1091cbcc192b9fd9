// Random period marks of the tiny school's enrolled students and the two ways they reach a school.
#include "school_marks.h"

#include <sqlite3.h>

#include <QFile>
#include <array>
#include <functional>

#include "database.h"
#include "query.h"
#include "school_databases.h"
#include "sqlerror.h"
#include "test_support.h"

namespace {

// Students enrolled without an end date, each in the calendar of their enrollment.
struct Enrollment {
  int person;
  int calendar;
};
constexpr std::array<Enrollment, 6> kEnrolled = {
    {{1001, 101}, {1002, 101}, {1003, 101}, {1007, 101}, {1008, 102}, {1009, 102}}};
constexpr int kPeriods = 6;
const QString kStatuses = QStringLiteral("ATEU");

QString IsoDate(const QDate &date) {
  return date.toString(Qt::ISODate);
}

}  // namespace

MarkKey SchoolMark::Key() const {
  return QStringLiteral("%1|%2|%3").arg(person).arg(date.toString(QStringLiteral("MM/dd/yyyy"))).arg(period);
}

MarkBook::MarkBook(const QDate &today, quint32 seed, int days) : today_(today), days_(days), random_(seed) {}

QString MarkBook::randomStatus() {
  return kStatuses.mid(int(random_.bounded(int(kStatuses.size()))), 1);
}

SchoolMark MarkBook::randomMark() {
  const Enrollment &student = kEnrolled[random_.bounded(int(kEnrolled.size()))];
  return {student.person, student.calendar, today_.addDays(-int(random_.bounded(days_))),
          student.calendar * 1000 + 100 + 1 + int(random_.bounded(kPeriods)), randomStatus()};
}

void MarkBook::FillAtRandom(int percent) {
  for (const Enrollment &student : kEnrolled)
    for (int day = 0; day < days_; ++day)
      for (int period = 1; period <= kPeriods; ++period) {
        if (int(random_.bounded(100)) >= percent) continue;
        const SchoolMark mark{student.person, student.calendar, today_.addDays(-day),
                              student.calendar * 1000 + 100 + period, randomStatus()};
        marks_.insert(mark.Key(), mark);
      }
}

int MarkBook::ChangeAtRandom() {
  const int changes = 1 + int(random_.bounded(6));
  int changed = 0;
  for (int i = 0; i < changes && !marks_.isEmpty(); ++i) {
    auto it = std::next(marks_.begin(), random_.bounded(int(marks_.size())));
    if (random_.bounded(4) == 0) {
      marks_.erase(it);
      ++changed;
      continue;
    }
    const QString status = randomStatus();
    if (status != it->status) ++changed;
    it->status = status;
  }
  const SchoolMark added = randomMark();
  if (marks_.value(added.Key()).status != added.status) ++changed;
  marks_.insert(added.Key(), added);
  return changed;
}

void MarkBook::Put(const SchoolMark &mark) {
  if (mark.status.isEmpty())
    marks_.remove(mark.Key());
  else
    marks_.insert(mark.Key(), mark);
}

QMap<MarkKey, QString> MarkBook::Codes() const {
  QMap<MarkKey, QString> codes;
  for (auto it = marks_.cbegin(); it != marks_.cend(); ++it) codes.insert(it.key(), it->status);
  return codes;
}

QMap<MarkKey, QString> ChangedMarks(const QMap<MarkKey, QString> &before,
                                    const QMap<MarkKey, QString> &after) {
  QMap<MarkKey, QString> changed;
  for (auto it = after.cbegin(); it != after.cend(); ++it)
    if (before.value(it.key(), QStringLiteral("<none>")) != it.value()) changed.insert(it.key(), it.value());
  for (auto it = before.cbegin(); it != before.cend(); ++it)
    if (!after.contains(it.key())) changed.insert(it.key(), QString());
  return changed;
}

namespace schoolcopy {

namespace {

bool Run(const QString &path, const std::function<void(sqlite::Database &)> &work, QString &error) {
  try {
    sqlite::Database school;
    school.Open(path, QString(), SQLITE_OPEN_READWRITE);
    school.Execute(QStringLiteral("BEGIN"));
    work(school);
    school.Execute(QStringLiteral("COMMIT"));
    return true;
  } catch (const sqlite::SqlError &e) {
    error = e.Text();
    return false;
  }
}

void ReplaceMarks(sqlite::Database &school, const MarkBook &book) {
  school.Execute(QStringLiteral("DELETE FROM \"Attendance\""));
  sqlite::Query insert(school, QStringLiteral("INSERT INTO \"Attendance\" (\"attendanceID\", \"personID\", "
                                              "\"calendarID\", \"periodID\", \"date\", \"status\") "
                                              "VALUES (?1, ?2, ?3, ?4, ?5, ?6)"));
  long long id = 0;
  for (const SchoolMark &mark : book.Marks()) {
    insert.Bind(1, ++id);
    insert.Bind(2, (long long)mark.person);
    insert.Bind(3, (long long)mark.calendar);
    insert.Bind(4, (long long)mark.period);
    insert.Bind(5, IsoDate(mark.date));
    insert.Bind(6, mark.status);
    insert.Step();
    insert.Reset();
  }
}

}  // namespace

bool CreateSqlite(const QString &path, const MarkBook &book, QString &error) {
  QFile::remove(path);
  if (!QFile::copy(icbtest::schoolDbPath(QStringLiteral("tiny")), path)) {
    error = QStringLiteral("cannot copy the tiny school to ") + path;
    return false;
  }
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  return Run(
      path,
      [&book](sqlite::Database &school) {
        school.Execute(QStringLiteral("UPDATE \"Calendar\" SET \"startDate\" = '%1', \"endDate\" = '%2' "
                                      "WHERE \"calendarID\" IN (101, 102)")
                           .arg(IsoDate(book.Today().addDays(-kCalendarMarginDays)),
                                IsoDate(book.Today().addDays(kCalendarMarginDays))));
        ReplaceMarks(school, book);
      },
      error);
}

bool WriteMarks(const QString &path, const MarkBook &book, QString &error) {
  return Run(
      path, [&book](sqlite::Database &school) { ReplaceMarks(school, book); }, error);
}

bool CreateServerLoadFile(const QString &path, const MarkBook &book, QString &error) {
  QByteArray text = icbtest::readBytes(icbtest::binaryPath(QStringLiteral("fixtures/tiny.hsql")));
  if (text.isEmpty()) {
    error = QStringLiteral("the tiny school's load file is missing");
    return false;
  }
  if (!text.endsWith('\n')) text += '\n';
  text += QStringLiteral(
              "SQL UPDATE \"Calendar\" SET \"startDate\" = DATE '%1', \"endDate\" = DATE '%2' "
              "WHERE \"calendarID\" IN (101, 102)\n")
              .arg(IsoDate(book.Today().addDays(-kCalendarMarginDays)),
                   IsoDate(book.Today().addDays(kCalendarMarginDays)))
              .toUtf8();
  text += "SQL DELETE FROM \"Attendance\"\nTABLE Attendance iiiidssis\n";
  int id = 0;
  for (const SchoolMark &mark : book.Marks())
    text += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t\\N\t\\N\t\\N\n")
                .arg(++id)
                .arg(mark.person)
                .arg(mark.calendar)
                .arg(mark.period)
                .arg(IsoDate(mark.date), mark.status)
                .toUtf8();
  text += "END\n";
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
    error = QStringLiteral("cannot write ") + path;
    return false;
  }
  return true;
}

}  // namespace schoolcopy
