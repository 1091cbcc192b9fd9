// A writer whose current query is a table held in memory, with a fixed clock, a scratch import
// folder and every log record kept for inspection.
#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

#include "pdewriter.h"
#include "publishedfile.h"
#include "xexception.h"

struct LogRecord {
  int level;
  QString message;
  QString method;
};

class MemoryWriter : public PDEWriter {
 public:
  MemoryWriter() {
    QObject::connect(this, &AppTaskBase::writeLog,
                     [this](int level, const QString &message, const QString &method) {
                       logs.push_back({level, message, method});
                     });
    parameters[QStringLiteral("appTitle_")] = QStringLiteral("Kestrane Infinite Campus Bridge");
    parameters[QStringLiteral("appType_")] = QStringLiteral("Data Extractor");
    parameters[QStringLiteral("appShortName_")] = QStringLiteral("Infinite Campus");
    parameters[QStringLiteral("appVersion_")] = QStringLiteral("2.3.3.2");
    parameters[QStringLiteral("appAlias_")] = QStringLiteral("ic_de");
    parameters[QStringLiteral("appBuildDate_")] = QStringLiteral("Oct 30 2014 19:24:20");
    parameters_ = &parameters;
    SetPDEFolder(folder.path() + QStringLiteral("/import"));
  }
  // The writer's destructor still logs; the records kept here are gone by then.
  ~MemoryWriter() override { QObject::disconnect(this, nullptr, nullptr, nullptr); }

  using PDEWriter::ReadLastUpdateDate;
  using PDEWriter::ReadLastUpdateDateTime;

  // The value of column i of the current row.
  ValueGetter Column(int i) {
    return [this, i] { return rows.at(cursor).at(i); };
  }
  // Index of the first log record with this message, or -1.
  int LogIndex(const QString &message) const {
    for (size_t i = 0; i < logs.size(); ++i)
      if (logs[i].message == message) return int(i);
    return -1;
  }
  const LogRecord *FindLog(const QString &message) const {
    const int i = LogIndex(message);
    return i < 0 ? nullptr : &logs[size_t(i)];
  }
  QString ImportPath(const QString &name) const { return PDEFolder() + name; }
  void SetNow(const XDateTime &now) { clock = now; }
  void SetLastUpdate(const QDate &date, const QDateTime &dateTime) {
    lastUpdateDate_ = date;
    lastUpdateTime_ = dateTime;
  }
  QDate LastUpdateDate() const { return lastUpdateDate_; }
  QDateTime LastUpdateDateTime() const { return lastUpdateTime_; }

  QTemporaryDir folder;
  ParameterMap parameters;
  std::vector<QStringList> rows;
  int cursor = -1;
  int failAtRow = -1;  // GetNextRecord throws when it reaches this row
  QString sql = QStringLiteral("SELECT a, b FROM t");
  XDateTime clock{XDate(2026, 3, 9), XTime(14, 5, 7)};
  std::vector<LogRecord> logs;
  int hookCalls = 0;
  int endedTables = 0;
  std::vector<QString> published;
  // Per call of FileAboutToBePublished: the working copy's bytes and whether the final name existed.
  struct PrePublish {
    QString workingPath;
    QByteArray workingBytes;
    bool finalExisted;
  };
  std::vector<PrePublish> prePublished;

 protected:
  bool OpenTable() override { return true; }
  bool GetFirstRecord() override {
    cursor = 0;
    return cursor < int(rows.size());
  }
  bool GetNextRecord() override {
    ++cursor;
    if (cursor == failAtRow) throw XException(QStringLiteral("connection lost"));
    return cursor < int(rows.size());
  }
  QString QueryText() override { return sql; }
  void ColumnHook(const ExportColumn &) override { ++hookCalls; }
  void ClearTableState() override { ++endedTables; }
  void UpdateFilePublished(const QString &path) override {
    published.push_back(path);
    PDEWriter::UpdateFilePublished(path);
  }
  void FileAboutToBePublished(const QString &workingPath) override {
    QFile working(workingPath);
    working.open(QIODevice::ReadOnly);
    const QString finalPath = workingPath.chopped(PublishedFile::WorkingCopySuffix().size());
    prePublished.push_back({workingPath, working.readAll(), QFile::exists(finalPath)});
    PDEWriter::FileAboutToBePublished(workingPath);
  }
  XDateTime Now() const override { return clock; }
};
