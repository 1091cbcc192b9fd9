// Whether a run reads the whole school year's attendance again to catch corrections older than the
// overlap (a changed code or a deleted mark weeks back), and why. Such a run reads like a first run
// and sends only what differs from the cache; a plain run re-reads the overlap alone.
#pragma once

#include <QDate>
#include <QString>

#include "fullreaddates.h"

// Days after which the whole year is read again without being asked.
constexpr int kReconcileAfterDays = 7;

struct AttendanceReconcile {
  bool due = false;
  // Why, as the log line gives it; empty when not due.
  QString reason;
  // The first day the last full read began with (the school year start), to count the windows.
  QDate readFrom;
};

// requested: the run's --reconcile switch. A cache without any read yet (a first run, which reads
// the whole year by itself) is never reconciled.
AttendanceReconcile DecideReconcile(bool requested, const FullReadState &lastRead, const QDate &today);
