// Recording the tables and columns a description asks for that the database lacks, once per export.
#include "schemasurvey.h"

#include <algorithm>

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

// The columns of a table the export lacks altogether add nothing to the table's own line.
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

// Counted once per table or column, however many exports read it; needed by one export, needed.
int SchemaSurvey::MissingRequired() const {
  return int(MissingNames(true).size());
}

int SchemaSurvey::MissingOptional() const {
  const QSet<QString> required = MissingNames(true);
  return int((MissingNames(false) - required).size());
}

QSet<QString> SchemaSurvey::MissingNames(bool required) const {
  QSet<QString> names;
  for (const Miss &miss : misses_)
    if (miss.required == required) names.insert(miss.table + QLatin1Char('.') + miss.column);
  return names;
}

QString SchemaSurvey::Describe(const Miss &miss) {
  QString text = miss.exportTitle + QStringLiteral(": the database has no ");
  text += miss.column.isEmpty() ? QStringLiteral("table ") + miss.table
                                : QStringLiteral("column ") + miss.table + QLatin1Char('.') + miss.column;
  if (miss.required) return text + QStringLiteral(", which the export needs: a run would fail.");
  if (miss.droppedImportColumns.isEmpty())
    return text + QStringLiteral(", which the export can do without: no import column is lost.");
  return text + QStringLiteral(": the import ") +
         (miss.droppedImportColumns.size() == 1 ? QStringLiteral("column ") : QStringLiteral("columns ")) +
         miss.droppedImportColumns.join(QStringLiteral(", ")) + QStringLiteral(" will be left out.");
}
