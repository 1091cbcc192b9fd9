// Shared pieces of the attendance tests: a task that records its log, and reading a cache table
// back as text rows.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "bridgetaskbase.h"
#include "database.h"
#include "query.h"

struct LoggedLine {
  int level;
  QString text;
  QString method;
};

class RecordingTask : public BridgeTaskBase {
 public:
  RecordingTask() {
    connect(this, &AppTaskBase::writeLog, this,
            [this](int level, const QString &text, const QString &method) {
              lines.append({level, text, method});
            });
  }
  // Lines whose text starts with prefix.
  QList<LoggedLine> Matching(const QString &prefix) const {
    QList<LoggedLine> found;
    for (const LoggedLine &line : lines) {
      if (line.text.startsWith(prefix)) found.append(line);
    }
    return found;
  }
  QList<LoggedLine> lines;
};

// Every row of table as "stdkey|attdate|period|header|reason|excused|absent|tardy|truant|discipline|
// oldcode|newcode" (NULL shown as "<null>"), sorted.
inline QStringList CacheRows(sqlite::Database &db, const QString &table, const QString &periodColumn) {
  sqlite::Query query(db,
                      QStringLiteral("SELECT stdkey, attdate, %1, header, reason, excused, absent, tardy, "
                                     "truant, discipline, oldcode, newcode FROM %2")
                          .arg(periodColumn, table));
  QStringList rows;
  while (query.Step()) {
    QStringList values;
    for (int i = 0; i < 12; ++i)
      values << (query.IsNullColumn(i) ? QStringLiteral("<null>") : query.StringColumn(i));
    rows << values.join('|');
  }
  rows.sort();
  return rows;
}
