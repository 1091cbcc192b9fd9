// The period marks a reliability test gives a copy of the tiny school: marks of enrolled students
// on the last days before today, changed, added and deleted at random between runs, and written
// into the SQLite school file or into a load file of the SQL Server dialect server.
#pragma once

#include <QDate>
#include <QMap>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// The command line of a quiet run of school 10 of a tiny school copy into an import folder.
inline QStringList SchoolRunArguments(const QString &importFolder, const QString &logFolder,
                                      const QString &school) {
  return {QStringLiteral("run"),
          QStringLiteral("--path=") + importFolder,
          QStringLiteral("--logpath=") + logFolder,
          QStringLiteral("--dsn=") + school,
          QStringLiteral("--user=U"),
          QStringLiteral("--pwd=P"),
          QStringLiteral("--district=1"),
          QStringLiteral("--school=10"),
          QStringLiteral("--log=off")};
}

// A mark as the update file names it: "<student>|<mm/dd/yyyy>|<period>".
using MarkKey = QString;

struct SchoolMark {
  int person = 0;
  int calendar = 0;
  QDate date;
  int period = 0;
  QString status;

  MarkKey Key() const;
};

class MarkBook {
 public:
  // Marks dated from today - days + 1 to today.
  MarkBook(const QDate &today, quint32 seed, int days = 10);

  // About percent of the possible marks (every student, day and period).
  void FillAtRandom(int percent = 30);
  // Changes the code of some marks, deletes some and adds one; returns how many marks changed.
  int ChangeAtRandom();

  // Stores the mark under its key; with an empty status the mark is deleted.
  void Put(const SchoolMark &mark);
  // The code the product should hold for each mark.
  QMap<MarkKey, QString> Codes() const;
  const QMap<MarkKey, SchoolMark> &Marks() const { return marks_; }
  const QDate &Today() const { return today_; }

 private:
  SchoolMark randomMark();
  QString randomStatus();

  QDate today_;
  int days_;
  QRandomGenerator random_;
  QMap<MarkKey, SchoolMark> marks_;
};

// What the product must receive to go from the marks before to those after: the changed and added
// marks with their codes, the deleted ones with an empty code.
QMap<MarkKey, QString> ChangedMarks(const QMap<MarkKey, QString> &before,
                                    const QMap<MarkKey, QString> &after);

namespace schoolcopy {

// Makes the tiny school's current calendars (101 and 102) run from 40 days before today to 40 days
// after it, so that marks near today lie in the school year whatever day the tests run.
constexpr int kCalendarMarginDays = 40;

// Copies the tiny school to path (writable) and gives it the shifted calendars and the book's marks
// in place of its own. False with the reason in error.
bool CreateSqlite(const QString &path, const MarkBook &book, QString &error);
// Replaces the Attendance rows of the SQLite school with the book's marks.
bool WriteMarks(const QString &path, const MarkBook &book, QString &error);
// A load file of the dialect server: the tiny school's, then the shifted calendars and the book's
// marks in place of its own.
bool CreateServerLoadFile(const QString &path, const MarkBook &book, QString &error);

}  // namespace schoolcopy
