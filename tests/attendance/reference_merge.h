// The literal steps of a merge into the period table: blank every row from a date, then per row a
// prepared update of the stored key and, when it changed nothing, an insert. The cache's tests
// compare its merge with these steps; its benchmark measures the merge against them.
#pragma once

#include <QDate>
#include <QString>

#include "attendancerow.h"
#include "database.h"
#include "query.h"

namespace attendancetest {

// forEachRow(sink) calls sink(row) for every row; returns what forEachRow returns.
template <typename ForEachRow>
auto ReferenceMerge(sqlite::Database &db, const QDate &blankFrom, ForEachRow forEachRow) {
  sqlite::Query blank(db, "UPDATE PERIOD_ATT SET newcode='' WHERE attdate >= ?1");
  blank.Bind(1, blankFrom.isValid() ? blankFrom.toString("yyyy-MM-dd") : QString(""));
  blank.Step();
  sqlite::Query update(
      db,
      "UPDATE PERIOD_ATT SET newcode=?1, excused=?2, absent=?3, tardy=?4, truant=?5, discipline=?6 "
      "WHERE stdkey=?7 AND attdate=?8 AND perkey=?9 AND header=?10");
  sqlite::Query insert(
      db,
      "INSERT INTO PERIOD_ATT (stdkey, attdate, reason, excused, absent, tardy, truant, discipline, "
      "perkey, header, newcode) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
  return forEachRow([&](const AttendanceCacheRow &r) {
    const QString date = r.attdate.isValid() ? r.attdate.toString("yyyy-MM-dd") : QString("");
    const QString values[] = {r.code,       r.excused, r.absent, r.tardy,  r.truant,
                              r.discipline, r.stdkey,  date,     r.period, r.header};
    for (int i = 0; i < 10; ++i) update.Bind(i + 1, values[i]);
    update.Step();
    update.Reset();
    if (db.Changes() > 0) return;
    const QString insertValues[] = {r.stdkey, date,         r.reason, r.excused, r.absent, r.tardy,
                                    r.truant, r.discipline, r.period, r.header,  r.code};
    for (int i = 0; i < 11; ++i) insert.Bind(i + 1, insertValues[i]);
    insert.Step();
    insert.Reset();
  });
}

}  // namespace attendancetest
