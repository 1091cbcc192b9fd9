// Texts of the run summary.
#include "runsummary.h"

namespace {
QString Count(qint64 count, const char *one, const char *many) {
  return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}
}  // namespace

void RunSummary::StartRun() {
  run_.start();
  table_.start();
  tableFiles_ = 0;
  rows_ = 0;
  marks_ = 0;
}

void RunSummary::StartTable() {
  table_.start();
}

QString RunSummary::TableWritten(const QString &fileName, const QString &title, int rows) {
  ++tableFiles_;
  rows_ += rows;
  const qint64 elapsed = table_.isValid() ? table_.elapsed() : 0;
  return QStringLiteral("Table file ") + fileName + QStringLiteral(" (") + title + QStringLiteral("): ") +
         Count(rows, "row", "rows") + QStringLiteral(" in ") + Seconds(elapsed);
}

void RunSummary::MarksSent(int rows) {
  marks_ += rows;
}

QString RunSummary::Totals() const {
  const qint64 elapsed = run_.isValid() ? run_.elapsed() : 0;
  return QStringLiteral("Run summary: ") + Count(tableFiles_, "table file", "table files") +
         QStringLiteral(" with ") + Count(rows_, "row", "rows") + QStringLiteral(", ") +
         Count(marks_, "attendance mark", "attendance marks") + QStringLiteral(" sent, in ") +
         Seconds(elapsed);
}

QString RunSummary::Seconds(qint64 milliseconds) {
  return QString::number(double(milliseconds) / 1000.0, 'f', 1) + QStringLiteral(" s");
}
