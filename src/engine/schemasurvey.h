// What a survey of the exports' queries found missing: every table and column the database lacks,
// with the exports that read it, whether they need it, and the import columns they then leave out.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "querydescription.h"

class SchemaSurvey : public SchemaListener {
 public:
  // One missing table or column as one export reads it.
  struct Miss {
    QString exportTitle;
    QString table;
    QString column;  // empty: the table itself
    bool required = false;
    QStringList droppedImportColumns;
  };
  // One missing table or column with what it costs a run, over every export that reads it.
  struct Finding {
    enum class Cost { RunFails, ImportColumnsLeftOut, Nothing } cost;
    QString text;
  };

  // The export whose query is described next; its reads are recorded under its title.
  void BeginExport(const QString &title);
  void SchemaRead(const QString &table, const QString &column, bool required, bool exists) override;
  // The export leaves out an import column because the optional column read last is missing.
  void DropsImportColumn(const QString &importColumn);

  const std::vector<Miss> &Misses() const { return misses_; }
  // In the order the run first reads them.
  std::vector<Finding> Findings() const;

 private:
  bool TableMissing(const QString &table, const QString &column) const;
  Finding Describe(const QString &table, const QString &column) const;

  QString exportTitle_;
  std::vector<Miss> misses_;
  // The optional miss read last, which a dropped import column belongs to; -1 for none.
  int lastOptionalMiss_ = -1;
};
