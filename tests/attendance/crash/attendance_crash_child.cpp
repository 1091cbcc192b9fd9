// One incremental attendance run, as the crash test drives it: read the school's marks window by
// window into the cache, write the changes into an update file that is published by rename, then
// commit the marks and save the update date. The driver kills this process at random moments.
//
//   attendance_crash_child <school.db> <import folder> <today yyyy-mm-dd>
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

#include "attendancewriter.h"
#include "bridgetaskbase.h"
#include "database.h"
#include "query.h"
#include "xexception.h"

namespace {

// The school database's marks: table marks(stdkey, attdate 'yyyy-mm-dd', period, code).
class SchoolMarks : public AttendanceSource {
 public:
  explicit SchoolMarks(const QString &path) {
    db_.Open(path, QString(), 0x00000002 /* SQLITE_OPEN_READWRITE */);
  }
  void SetDateFilter(const QDate &from, const QDate &to) override {
    from_ = from.isValid() ? from.toString(Qt::ISODate) : QStringLiteral("0000-00-00");
    to_ = to.toString(Qt::ISODate);
  }
  void Open() override {
    query_ = std::make_unique<sqlite::Query>(
        db_, "SELECT stdkey, attdate, period, code FROM marks WHERE attdate >= ?1 AND attdate <= ?2");
    query_->Bind(1, from_);
    query_->Bind(2, to_);
  }
  bool Next(QStringList &values) override {
    if (!query_ || !query_->Step()) return false;
    const QDate date = QDate::fromString(query_->StringColumn(1), Qt::ISODate);
    values = {query_->StringColumn(0), date.toString("MM/dd/yyyy"), query_->StringColumn(2),
              query_->StringColumn(3)};
    return true;
  }
  void Close() override { query_.reset(); }

 private:
  sqlite::Database db_;
  std::unique_ptr<sqlite::Query> query_;
  QString from_;
  QString to_;
};

// The update file: written under a working name, synced, and renamed to "Update <stamp>.PDU" with a
// stamp later than every published one, so files sort in the order they were published.
class UpdateFile {
 public:
  explicit UpdateFile(const QString &folder) : folder_(folder), file_(folder + "/update.PDU.part") {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
      throw XException("cannot write " + file_.fileName());
  }
  void Write(const QByteArray &bytes) {
    if (file_.write(bytes) != bytes.size()) throw XException("write failed");
  }
  // Completes the working copy on disk and names the file it is published as; returns its path.
  QString Complete() {
    file_.flush();
    if (fsync(file_.handle()) != 0) throw XException("fsync failed");
    file_.close();
    finalPath_ = folder_ + "/Update " + nextStamp() + ".PDU";
    return file_.fileName();
  }
  const QString &FinalPath() const { return finalPath_; }
  void Publish() {
    if (std::rename(QFile::encodeName(file_.fileName()).constData(),
                    QFile::encodeName(finalPath_).constData()) != 0) {
      throw XException("rename failed");
    }
    const int dir = ::open(QFile::encodeName(folder_).constData(), O_RDONLY);
    if (dir >= 0) {
      fsync(dir);
      ::close(dir);
    }
  }

 private:
  QString nextStamp() const {
    QString stamp = QDateTime::currentDateTime().toString("yyyyMMddHHmmss");
    const QStringList published = QDir(folder_).entryList({"Update *.PDU"}, QDir::Files, QDir::Name);
    if (!published.isEmpty() && published.last().mid(7, 14) >= stamp) {
      stamp = QDateTime::fromString(published.last().mid(7, 14), "yyyyMMddHHmmss")
                  .addSecs(1)
                  .toString("yyyyMMddHHmmss");
    }
    return stamp;
  }
  QString folder_;
  QFile file_;
  QString finalPath_;
};

QDate readSavedDate(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QDate();
  return QDate::fromString(QString::fromLatin1(file.readAll()).trimmed(), Qt::ISODate);
}

void saveDate(const QString &path, const QDate &date) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) throw XException("cannot save " + path);
  file.write(date.toString(Qt::ISODate).toLatin1());
  if (!file.commit()) throw XException("cannot save " + path);
}

int run(const QString &school, const QString &folder, const QDate &today) {
  BridgeTaskBase task;
  AttendanceWriter writer(task);
  const AttendanceDateFormat dates = AttendanceDateFormat::Default();
  const QString savedPath = folder + "/saved-update-date.txt";
  const QDate update =
      writer.StartTable("PERIOD_ATT", true, false, readSavedDate(savedPath), "14", folder, dates);
  SchoolMarks marks(school);
  const QDate lastDay = writer.WriteTable(marks, {"AttStdRef", "AttDate", "AttPerRef", "AttAttCodeRef"},
                                          update, QDate(2026, 8, 20), QDate(2027, 6, 5), false, today, dates);

  AttendanceCache &cache = writer.Cache();
  UpdateFile file(folder);
  file.Write("// Update\r\n// PERIOD_ATT\r\nAttStdRef\tAttDate\tAttPerRef\tAttAttCodeRef\r\n");
  cache.BeginSending();
  for (const QString &header : writer.HeaderSets().periodHeaders) {
    cache.SendChanges(AttendanceTable::Period, header, [&](const AttendanceChange &c) {
      file.Write((QStringList{c.stdkey, c.attdate, c.period, c.code}.join('\t') + "\r\n").toUtf8());
      return true;
    });
  }
  file.Write("*\r\n\r\n// END\r\n");
  const QString working = file.Complete();
  cache.PrepareSent(working, file.FinalPath());
  file.Publish();
  cache.CommitSent();
  saveDate(savedPath, lastDay.addDays(-1));
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: attendance_crash_child <school.db> <import folder> <today>\n");
    return 2;
  }
  try {
    return run(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
               QDate::fromString(QString::fromLatin1(argv[3]), Qt::ISODate));
  } catch (const XException &e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
