// Reading an import folder as the product would, and the completeness checks of its files.
#include "import_folder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <QDir>
#include <QRegularExpression>

#include "database.h"
#include "publishedfile.h"
#include "query.h"
#include "runpublication.h"
#include "sqlerror.h"
#include "test_support.h"
#include "xexception.h"

namespace importfolder {

namespace {

const QString kControlFile = QStringLiteral("Infinite Campus.PDE");
const QString kConfigRecord = QStringLiteral("SchoolConfig.xml");

QByteArray Timeless(const QByteArray &bytes) {
  static const QRegularExpression stamps(
      QStringLiteral("(// Generated : |#pragma exportdate |//  Start: |//  End: |//  Difference: )[^\\r]*"));
  return QString::fromLatin1(bytes).replace(stamps, QStringLiteral("\\1STAMP")).toLatin1();
}

QMap<QString, QByteArray> FilesMatching(const QString &folder, const QStringList &patterns) {
  QMap<QString, QByteArray> files;
  for (const QString &name : QDir(folder).entryList(patterns, QDir::Files, QDir::Name))
    files.insert(name, icbtest::readBytes(folder + QLatin1Char('/') + name));
  return files;
}

}  // namespace

QStringList UpdateFileNames(const QString &folder) {
  return QDir(folder).entryList({QStringLiteral("Update *.PDU")}, QDir::Files, QDir::Name);
}

bool ReadUpdateFile(const QByteArray &bytes, QList<QPair<MarkKey, QString>> &marks) {
  static const QRegularExpression complete(
      QStringLiteral(
          "^/{91}\\r\\n.*\\r\\n#pragma update \"\\d{14}\"\\r\\n.*"
          "// Cached Period Attendance\\r\\nAttStdRef\\tAttDate\\tAttPerRef\\tAttAttCodeRef[^\\r]*\\r\\n"
          "((?:[^\\r*][^\\r]*\\r\\n)*)\\*\\r\\n\\r\\n"
          "//  Timing \\r\\n//  Start: [0-9:]+\\r\\n//  End: [0-9:]+\\r\\n"
          "//  Difference: [0-9:]+\\r\\n\\r\\n$"),
      QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch match = complete.match(QString::fromLatin1(bytes));
  if (!match.hasMatch()) return false;
  marks.clear();
  for (const QString &line : match.captured(1).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.size() != 10) return false;
    marks.append({fields[0] + QLatin1Char('|') + fields[1] + QLatin1Char('|') + fields[2], fields[3]});
  }
  return true;
}

QMap<QString, QByteArray> TableFiles(const QString &folder) {
  QMap<QString, QByteArray> files = FilesMatching(folder, {QStringLiteral("*.pef")});
  if (QFile::exists(folder + QLatin1Char('/') + kControlFile))
    files.insert(kControlFile, Timeless(icbtest::readBytes(folder + QLatin1Char('/') + kControlFile)));
  return files;
}

QMap<QString, QByteArray> PublishedFiles(const QString &folder) {
  return FilesMatching(
      folder, {QStringLiteral("*.pef"), kControlFile, kConfigRecord, QStringLiteral("Update *.PDU")});
}

bool IsCompleteConfigRecord(const QByteArray &bytes) {
  static const QRegularExpression complete(QStringLiteral(
      "^<SchoolConfig>\\r\\n(?:<\\w+ \\w+=\"[^\"\\r\\n]*\"/>\\r\\n){14}</SchoolConfig>\\r\\n$"));
  return complete.match(QString::fromLatin1(bytes)).hasMatch();
}

void ExpectSameFiles(const QMap<QString, QByteArray> &files, const QMap<QString, QByteArray> &reference,
                     const std::string &context) {
  for (auto it = reference.cbegin(); it != reference.cend(); ++it) {
    EXPECT_TRUE(files.contains(it.key())) << context << ": " << it.key().toStdString() << " is gone";
    if (files.contains(it.key())) {
      EXPECT_TRUE(files.value(it.key()) == it.value())
          << context << ": " << it.key().toStdString() << " changed";
    }
  }
  for (const QString &name : files.keys())
    EXPECT_TRUE(reference.contains(name)) << context << ": unexpected file " << name.toStdString();
}

void ExpectCompleteTables(const QString &folder, const QMap<QString, QByteArray> &reference,
                          const std::string &context) {
  ExpectSameFiles(TableFiles(folder), reference, context);
  const QByteArray record = icbtest::readBytes(folder + QLatin1Char('/') + kConfigRecord);
  EXPECT_TRUE(IsCompleteConfigRecord(record)) << context << ": configuration record " << record.toStdString();
}

QMap<QString, quint64> Identities(const QString &folder) {
  QMap<QString, quint64> identities;
  const QStringList patterns = {QStringLiteral("*.pef"), kControlFile, kConfigRecord,
                                QStringLiteral("Update *.PDU")};
  for (const QString &name : QDir(folder).entryList(patterns, QDir::Files, QDir::Name)) {
    struct stat status {};
    if (::stat(QFile::encodeName(folder + QLatin1Char('/') + name).constData(), &status) == 0)
      identities.insert(name, quint64(status.st_ino));
  }
  return identities;
}

void ExpectFromOneRun(const QString &folder, const QMap<QString, quint64> &before,
                      const std::string &context) {
  try {
    RunPublication::RollForward(folder, DiskSync::System());
  } catch (const XException &e) {
    ADD_FAILURE() << context << ": " << e.Text().toStdString();
  }
  const QMap<QString, quint64> now = Identities(folder);
  QStringList kept, replaced;
  int newUpdateFiles = 0;
  for (auto it = now.cbegin(); it != now.cend(); ++it) {
    const bool same = before.value(it.key()) == it.value();
    const bool update = it.key().startsWith(QLatin1String("Update "));
    if (update && !before.contains(it.key())) ++newUpdateFiles;
    if (!update) (same ? kept : replaced) << it.key();
  }
  const bool untouched = replaced.isEmpty() && newUpdateFiles == 0 && now.keys() == before.keys();
  const bool allNew = kept.isEmpty() && newUpdateFiles == 1;
  EXPECT_TRUE(untouched || allNew) << context << ": files of two runs; kept " << kept.join(", ").toStdString()
                                   << "; replaced " << replaced.join(", ").toStdString() << "; "
                                   << newUpdateFiles << " new update files";
}

QMap<MarkKey, QString> SentMarks(const QString &folder) {
  QMap<MarkKey, QString> sent;
  try {
    sqlite::Database cache;
    // Read-write: a run killed inside a transaction leaves a journal that SQLite rolls back on opening.
    cache.Open(folder + QStringLiteral("/Attendance/Attendance.db"), QString(), SQLITE_OPEN_READWRITE);
    sqlite::Query query(cache, QStringLiteral("SELECT stdkey, attdate, perkey, oldcode FROM PERIOD_ATT "
                                              "WHERE oldcode IS NOT NULL"));
    while (query.Step()) {
      const QDate date = QDate::fromString(query.StringColumn(1), Qt::ISODate);
      sent.insert(query.StringColumn(0) + QLatin1Char('|') + date.toString(QStringLiteral("MM/dd/yyyy")) +
                      QLatin1Char('|') + query.StringColumn(2),
                  query.StringColumn(3));
    }
  } catch (const sqlite::SqlError &e) {
    ADD_FAILURE() << "cannot read the attendance cache: " << e.what();
  }
  return sent;
}

void ExpectViewHolds(const QMap<MarkKey, QString> &view, const QMap<MarkKey, QString> &school,
                     const std::string &context) {
  for (auto it = school.cbegin(); it != school.cend(); ++it)
    EXPECT_EQ(view.value(it.key(), QStringLiteral("<never sent>")), it.value())
        << context << ": " << it.key().toStdString();
  for (auto it = view.cbegin(); it != view.cend(); ++it)
    if (!school.contains(it.key())) {
      EXPECT_EQ(it.value(), QString()) << context << ": deleted " << it.key().toStdString();
    }
}

}  // namespace importfolder

int ProductView::TakeNewFiles(const std::string &context) {
  int taken = 0;
  for (const QString &name : importfolder::UpdateFileNames(folder_)) {
    if (taken_.contains(name)) continue;
    // The product applies the files by name: a new file must not sort before one applied already.
    EXPECT_GT(name, lastName_) << context << ": " << name.toStdString() << " appeared after "
                               << lastName_.toStdString();
    taken_.insert(name);
    lastName_ = std::max(lastName_, name);
    ++taken;
    QList<QPair<MarkKey, QString>> marks;
    if (!importfolder::ReadUpdateFile(icbtest::readBytes(folder_ + QLatin1Char('/') + name), marks)) {
      ADD_FAILURE() << context << ": partial update file " << name.toStdString();
      continue;
    }
    for (const auto &[key, code] : marks) {
      codes_.insert(key, code);
      history_[key].insert(code);
    }
    markLines_ += marks.size();
  }
  return taken;
}
