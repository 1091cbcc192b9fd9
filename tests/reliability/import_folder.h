// What the product can read in an import folder, and the checks that none of it is partial: the
// update files applied in the order of their names, the table files and the import control file
// against those of a clean run, the configuration record, and the marks the cache records as sent.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>
#include <string>

#include "school_marks.h"

// The product's side of the attendance: each update file applied in name order, each mark
// replacing the one before, a deleted mark arriving with an empty code.
class ProductView {
 public:
  explicit ProductView(const QString &folder) : folder_(folder) {}

  // Applies the update files published since the last call and returns how many there were. Each
  // must be complete and sort after every file taken before; failures are reported to GoogleTest.
  int TakeNewFiles(const std::string &context);

  const QMap<MarkKey, QString> &Codes() const { return codes_; }
  // Whether some published file carried this code for the mark.
  bool Carried(const MarkKey &key, const QString &code) const { return history_.value(key).contains(code); }
  qsizetype Files() const { return taken_.size(); }
  long long MarkLines() const { return markLines_; }

 private:
  QString folder_;
  QSet<QString> taken_;
  QString lastName_;
  QMap<MarkKey, QString> codes_;
  QMap<MarkKey, QSet<QString>> history_;
  long long markLines_ = 0;
};

namespace importfolder {

// The published update files, "Update <stamp>.PDU", by name.
QStringList UpdateFileNames(const QString &folder);
// The period marks of a complete update file (the run's opening, the attendance block closed by its
// asterisk line, the timing block at the very end) as key and code; false when the file is partial.
bool ReadUpdateFile(const QByteArray &bytes, QList<QPair<MarkKey, QString>> &marks);

// The table files and the import control file (its time stamps masked), by name.
QMap<QString, QByteArray> TableFiles(const QString &folder);
// Every published file the product reads (table files, control file, update files, configuration
// record) as bytes, by name; for "unchanged" checks.
QMap<QString, QByteArray> PublishedFiles(const QString &folder);

// The files are those of the reference, byte for byte; each difference is reported by name.
void ExpectSameFiles(const QMap<QString, QByteArray> &files, const QMap<QString, QByteArray> &reference,
                     const std::string &context);
// Every table file and the control file of the reference are present with the same bytes, none is
// partial, and the configuration record is complete.
void ExpectCompleteTables(const QString &folder, const QMap<QString, QByteArray> &reference,
                          const std::string &context);
bool IsCompleteConfigRecord(const QByteArray &bytes);

// Which file stands under each name the product reads (its inode): a published file replaces the
// one before it under a new identity.
QMap<QString, quint64> Identities(const QString &folder);
// The files the product reads come from one run: after a run (killed or not) that started with the
// files of before, either every one of them is still there, unreplaced, and nothing was added, or
// every table file, the control file and the configuration record were replaced and one update file
// was added. A commit the run left cut short is first finished, as the next run would finish it.
void ExpectFromOneRun(const QString &folder, const QMap<QString, quint64> &before,
                      const std::string &context);

// The code the attendance cache records as sent for each mark (marks never sent are left out).
QMap<MarkKey, QString> SentMarks(const QString &folder);
// The view holds the school's marks, and the marks the school no longer has with an empty code.
void ExpectViewHolds(const QMap<MarkKey, QString> &view, const QMap<MarkKey, QString> &school,
                     const std::string &context);

}  // namespace importfolder
