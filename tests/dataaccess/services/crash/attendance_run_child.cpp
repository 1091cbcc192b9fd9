// The program the attendance crash test starts and kills: one incremental attendance run of the
// task chain on a SQLite school database.
//   attendance_run_child <school.db> <import folder> <today> <year start> <year end>  (dates yyyy-mm-dd)
#include <QCoreApplication>
#include <cstdio>

#include "school_attendance_run.h"
#include "xexception.h"

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s school.db import-folder today year-start year-end\n", argv[0]);
    return 2;
  }
  const auto date = [](const char *text) {
    return QDate::fromString(QString::fromLatin1(text), Qt::ISODate);
  };
  try {
    SchoolAttendanceRun run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), date(argv[3]));
    run.Run(date(argv[4]), date(argv[5]));
  } catch (const XException &e) {
    std::fprintf(stderr, "run failed: %s\n", e.Text().toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
