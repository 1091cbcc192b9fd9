// What the writer knows of one export table: its header (name, file, ordered field names), the
// output columns of the table being written, and the custom fields declared for the control file.
#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "queryentries.h"

// Returns the current record's value of one column as text.
using ValueGetter = std::function<QString()>;
// Decides whether the current record is written.
using RowFilter = std::function<bool()>;

// What a column without a value getter does.
enum ColumnCommand : int {
  kWriteText = 1,  // write the column's constant text as its value
  kEndLine = 2,    // end the output line inside the record
  kCallHook = 4,   // call the task's column hook, which writes nothing
};

struct SISExpHeaderField {
  QString name;
};

struct SISExpHeader {
  QString name;      // the table's name in log lines and in the control file's comment line
  QString fileName;  // the table file in the import folder, used unchanged
  int safeInclude = 0;
  std::vector<SISExpHeaderField> fields;

  QStringList FieldNames() const;
};

struct ExportColumn {
  ODBCField *queryField = nullptr;
  QString text;
  ValueGetter valueGetter;
  int command = 0;
};

struct SISExpCustomField {
  QString name;
  QString title;
  QString kind;  // the directive, e.g. "#custombasicfield"
  QString extra;
  int commentedOut = 0;
};

// Custom fields in registration order; a name is registered only once.
class SISExpCustomFieldList {
 public:
  // Registers the field unless one of that name exists; returns whether it was added.
  bool Add(const SISExpCustomField &field);
  const QList<SISExpCustomField> &Fields() const { return fields_; }

 private:
  QList<SISExpCustomField> fields_;
  QSet<QString> names_;
};
