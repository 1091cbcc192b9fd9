// What a survey of the exports' queries found missing: every table and column the database lacks,
// with the export that reads it, whether the export needs it, and the import columns it then drops.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

#include "querydescription.h"

class SchemaSurvey : public SchemaListener {
 public:
  struct Miss {
    QString exportTitle;
    QString table;
    QString column;  // empty: the table itself
    bool required = false;
    QStringList droppedImportColumns;
  };

  // The export whose query is described next; its reads are recorded under its title.
  void BeginExport(const QString &title);
  void SchemaRead(const QString &table, const QString &column, bool required, bool exists) override;
  // The export leaves out an import column because the optional column read last is missing.
  void DropsImportColumn(const QString &importColumn);

  const std::vector<Miss> &Misses() const { return misses_; }
  // The tables and columns missing that some export needs, and those that none needs.
  int MissingRequired() const;
  int MissingOptional() const;
  // One line for the log: what is missing, for which export, and what it costs the run.
  static QString Describe(const Miss &miss);

 private:
  bool TableMissing(const QString &table, const QString &column) const;
  // "table.column" ("table." for a table) of the misses that are, or are not, required.
  QSet<QString> MissingNames(bool required) const;

  QString exportTitle_;
  std::vector<Miss> misses_;
  // The optional miss read last, which a dropped import column belongs to; -1 for none.
  int lastOptionalMiss_ = -1;
};
