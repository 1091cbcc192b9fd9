// The run summary of the log: one line per table file as it is published (name, rows, seconds),
// so that the log of a failed run shows how far it got, and one line of totals at the end.
#pragma once

#include <QElapsedTimer>
#include <QString>

class RunSummary {
 public:
  // The extraction starts: totals go back to zero and the run's clock starts.
  void StartRun();
  // A table starts: its clock starts (the query is part of its time).
  void StartTable();
  // The line for a published table file; its rows count towards the totals.
  QString TableWritten(const QString &fileName, const QString &title, int rows);
  // Attendance rows written into the update file.
  void MarksSent(int rows);
  QString Totals() const;

  // "0.4 s": seconds with one decimal.
  static QString Seconds(qint64 milliseconds);

 private:
  QElapsedTimer run_;
  QElapsedTimer table_;
  int tableFiles_ = 0;
  qint64 rows_ = 0;
  qint64 marks_ = 0;
};
