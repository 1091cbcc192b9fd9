// Recording the tables and columns a description asks for that the database lacks, once per export,
// and telling for each what it costs a run.
#include "schemasurvey.h"

#include <algorithm>

namespace {
// "A", "A and B", "A, B and C".
QString Listed(const QStringList &items) {
  if (items.size() < 2) return items.join(QString());
  return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}
}  // namespace

void SchemaSurvey::BeginExport(const QString &title) {
  exportTitle_ = title;
  lastOptionalMiss_ = -1;
}

void SchemaSurvey::SchemaRead(const QString &table, const QString &column, bool required, bool exists) {
  if (exists || TableMissing(table, column)) return;
  auto same = [&](const Miss &miss) {
    return miss.exportTitle == exportTitle_ && miss.table == table && miss.column == column;
  };
  auto found = std::find_if(misses_.begin(), misses_.end(), same);
  if (found == misses_.end()) {
    misses_.push_back({exportTitle_, table, column, required, {}});
    found = misses_.end() - 1;
  }
  // The same column may be read once as an option and once as a need: the need decides.
  found->required = found->required || required;
  lastOptionalMiss_ = required ? -1 : int(found - misses_.begin());
}

// The columns of a table the export lacks altogether add nothing to the table's own finding.
bool SchemaSurvey::TableMissing(const QString &table, const QString &column) const {
  if (column.isEmpty()) return false;
  return std::any_of(misses_.begin(), misses_.end(), [&](const Miss &miss) {
    return miss.exportTitle == exportTitle_ && miss.table == table && miss.column.isEmpty();
  });
}

void SchemaSurvey::DropsImportColumn(const QString &importColumn) {
  if (lastOptionalMiss_ < 0) return;
  QStringList &dropped = misses_[size_t(lastOptionalMiss_)].droppedImportColumns;
  if (!dropped.contains(importColumn)) dropped.append(importColumn);
}

std::vector<SchemaSurvey::Finding> SchemaSurvey::Findings() const {
  std::vector<Finding> findings;
  QStringList described;
  for (const Miss &miss : misses_) {
    const QString key = miss.table + QLatin1Char('.') + miss.column;
    if (described.contains(key)) continue;
    described << key;
    findings.push_back(Describe(miss.table, miss.column));
  }
  return findings;
}

// Needed by one export, the run fails; else the exports that leave import columns out are named
// with them; else the column is one the exports can do without (another column stands in).
SchemaSurvey::Finding SchemaSurvey::Describe(const QString &table, const QString &column) const {
  QStringList needers, losses, unharmed;
  for (const Miss &miss : misses_) {
    if (miss.table != table || miss.column != column) continue;
    if (miss.required)
      needers << miss.exportTitle;
    else if (!miss.droppedImportColumns.isEmpty())
      losses << miss.exportTitle + QStringLiteral(" leaves out ") + Listed(miss.droppedImportColumns);
    else
      unharmed << miss.exportTitle;
  }
  const QString text = QStringLiteral("The database has no ") +
                       (column.isEmpty() ? QStringLiteral("table ") + table
                                         : QStringLiteral("column ") + table + QLatin1Char('.') + column);
  if (!needers.isEmpty())
    return {Finding::Cost::RunFails,
            text + QStringLiteral(", which ") + Listed(needers) +
                (needers.size() == 1 ? QStringLiteral(" needs") : QStringLiteral(" need")) +
                QStringLiteral(": a run would fail.")};
  if (!losses.isEmpty())
    return {Finding::Cost::ImportColumnsLeftOut,
            text + QStringLiteral(": ") + losses.join(QStringLiteral("; ")) + QLatin1Char('.')};
  return {Finding::Cost::Nothing, text + QStringLiteral(", which ") + Listed(unharmed) +
                                      QStringLiteral(" can do without: no import column is lost.")};
}
