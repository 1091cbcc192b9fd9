// The writer's attendance members over its current query: the windows three successive runs read,
// the update date each run saves, and marks that count as sent only once their file is published.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "attendancecache.h"
#include "delimitedoutput.h"
#include "memorywriter.h"
#include "test_support.h"

namespace {

// Serves period attendance marks (student, period, date, code) limited to the filtered window.
class AttendanceQueryWriter : public MemoryWriter {
 public:
  std::vector<QStringList> marks;
  std::vector<std::pair<QDate, QDate>> windows;
  QDate today;

  void Run(const QDate &yearStart, const QDate &yearEnd) {
    StartAttTable(QStringLiteral("PERIOD_ATT"), true, false);
    const char *headers[] = {"AttStdRef", "AttPerRef", "AttDate", "AttAttCodeRef"};
    for (int i = 0; i < 4; ++i) {
      AddColumn(nullptr, QString(), Column(i), 0);
      AddHeaderField(QLatin1String(headers[i]));
    }
    AddColumn(nullptr, QString(), ValueGetter(), -1);  // a query-only column
    WriteAttendanceTable(
        yearStart, yearEnd, [this] { return rows.at(cursor).at(0) != "excluded"; }, false);
    EndTable();
  }

  // Sends the changed rows of the cache into an update file; publishes it unless told not to.
  long long SendChanges(bool publish) {
    StartUpdate();
    StartTable(QStringLiteral("Cached Period Attendance"), QStringLiteral("StudentPeriodAtt.pef"));
    AddHeaderField(QStringLiteral("AttStdRef"));
    DelimitedOutput &out = BeginTableOutput();
    Attendance().BeginSending();
    const long long sent = Attendance().SendChanges(AttendanceTable::Period, QStringLiteral("AttPerRef"),
                                                    [&out](const AttendanceChange &c) {
                                                      out.WriteValue(c.stdkey);
                                                      out.WriteValue(c.code);
                                                      out.EndLine();
                                                      return true;
                                                    });
    EndTableOutput(int(sent));
    EndTable();
    if (publish) FinishUpdate();
    return sent;
  }

 protected:
  QDate Today() const override { return today; }
  void FilterAttendance(const QDate &from, const QDate &to) override {
    windows.emplace_back(from, to);
    rows.clear();
    for (const auto &mark : marks) {
      const QDate date = QDate::fromString(mark.at(2), QStringLiteral("MM/dd/yyyy"));
      if ((!from.isValid() || date >= from) && date <= to) rows.push_back(mark);
    }
  }
};

const QDate kYearStart(2026, 3, 2);
const QDate kYearEnd(2026, 6, 30);

TEST(AttendanceMembers, ThreeRunsReadFromTheSavedDateLessTheOverlap) {
  QTemporaryDir folder;
  struct RunCase {
    QDate today;
    QDate firstWindowStart;
    const char *savedUpdateDate;
    const char *savedUpdateDateTime;
  };
  const RunCase runs[] = {
      // no record: from the school year start
      {QDate(2026, 3, 20), kYearStart, "19-Mar-2026", "19-Mar-2026 7:15:00"},
      // 19 March less 14 days (within the week after the first run's full read)
      {QDate(2026, 3, 26), QDate(2026, 3, 5), "25-Mar-2026", "25-Mar-2026 7:15:00"},
      // neither date slides back
      {QDate(2026, 3, 26), QDate(2026, 3, 11), "25-Mar-2026", "25-Mar-2026 7:15:00"},
  };
  for (const auto &run : runs) {
    AttendanceQueryWriter writer;
    writer.SetPDEFolder(folder.path());
    writer.today = run.today;
    writer.SetNow(XDateTime(XDate::FromQDate(run.today), XTime(7, 15, 0)));
    writer.marks = {{"15", "3", "03/03/2026", "A"}, {"16", "4", "03/18/2026", "T"}};
    writer.SetLastUpdate(writer.ReadLastUpdateDate(writer.PDEFolder()),
                         writer.ReadLastUpdateDateTime(writer.PDEFolder()));
    writer.Run(kYearStart, kYearEnd);
    ASSERT_FALSE(writer.windows.empty());
    EXPECT_EQ(writer.windows.front().first, run.firstWindowStart) << run.savedUpdateDate;
    EXPECT_EQ(writer.windows.back().second, run.today) << run.savedUpdateDate;
    for (const auto &[from, to] : writer.windows) EXPECT_LE(from.daysTo(to), 6);
    EXPECT_EQ(writer.LastUpdateDate(), run.today);
    writer.SaveBridgeConfig();
    const auto record = bridgeconfig::ReadFile(writer.ImportPath("SchoolConfig.xml"));
    EXPECT_EQ(bridgeconfig::Value(record, "UpdateDate"), QString::fromLatin1(run.savedUpdateDate));
    EXPECT_EQ(bridgeconfig::Value(record, "UpdateDateTime"), QString::fromLatin1(run.savedUpdateDateTime));
  }
}

TEST(AttendanceMembers, MarksCountAsSentOnlyOnceTheirFileIsPublished) {
  QTemporaryDir folder;
  const auto makeWriter = [&folder](AttendanceQueryWriter &writer) {
    writer.SetPDEFolder(folder.path());
    writer.today = QDate(2026, 3, 6);
    writer.marks = {
        {"15", "3", "03/03/2026", "A"}, {"16", "4", "03/04/2026", "T"}, {"excluded", "1", "03/04/2026", "A"}};
  };
  {
    AttendanceQueryWriter writer;
    makeWriter(writer);
    writer.Run(kYearStart, kYearEnd);
    EXPECT_EQ(writer.SendChanges(false), 2);
  }  // the run ends before its update file is finished
  QStringList updates = QDir(folder.path()).entryList({"*.PDU"}, QDir::Files);
  EXPECT_TRUE(updates.isEmpty());
  {
    AttendanceQueryWriter writer;
    makeWriter(writer);
    writer.Run(kYearStart, kYearEnd);
    EXPECT_EQ(writer.SendChanges(true), 2) << "unpublished marks are sent again";
    ASSERT_EQ(writer.published.size(), 1u);
    const QByteArray bytes = icbtest::readBytes(writer.published.front());
    EXPECT_TRUE(bytes.contains("15\tA\r\n"));
    EXPECT_TRUE(bytes.contains("16\tT\r\n"));
  }
  {
    AttendanceQueryWriter writer;
    makeWriter(writer);
    writer.Run(kYearStart, kYearEnd);
    EXPECT_EQ(writer.SendChanges(true), 0) << "published marks are not sent again";
  }
}

TEST(AttendanceMembers, AChangedConfigurationDeletesTheCache) {
  AttendanceQueryWriter writer;
  writer.today = QDate(2026, 3, 6);
  writer.Run(kYearStart, kYearEnd);
  const QString cache = writer.PDEFolder() + "Attendance/Attendance.db";
  EXPECT_TRUE(QFile::exists(cache));
  writer.StartPDEWriter();  // no record: the configuration counts as changed
  EXPECT_FALSE(QFile::exists(cache));
}

TEST(AttendanceMembers, StartAttTableStartsTheExportTable) {
  const struct {
    const char *table;
    const char *name;
    const char *file;
  } cases[] = {{"PERIOD_ATT", "Student Period Attendance", "StudentPeriodAtt.pef"},
               {"DAILY_ATT", "Student Daily Attendance", "StudentDailyAtt.pef"}};
  for (const auto &c : cases) {
    MemoryWriter writer;
    writer.StartAttTable(QLatin1String(c.table), true, false);
    ASSERT_NE(writer.CurrentHeader(), nullptr);
    EXPECT_EQ(writer.CurrentHeader()->name, QLatin1String(c.name));
    EXPECT_EQ(writer.CurrentHeader()->fileName, QLatin1String(c.file));
  }
  MemoryWriter writer;
  EXPECT_THROW(writer.StartAttTable("OTHER_ATT", true, false), XException);
}

}  // namespace
