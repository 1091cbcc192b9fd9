// Opening an export's query when the database answers with a connection code: one attempt,
// a reconnect after a failed one, and a query that did not open failing the export.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "row_task.h"
#include "test_support.h"
#include "xexception.h"

namespace {

class CodedTask : public RowTask {
 public:
  explicit CodedTask(int code) : code_(code) {}
  int attempts = 0;
  int reconnects = 0;
  int counts = 0;
  using RowTask::OpenTable;

 protected:
  int OpenQueryCode() override {
    ++attempts;
    return code_;
  }
  void Reconnect() override { ++reconnects; }
  int GetRecordCount() override {
    ++counts;
    return 3;
  }
  QString BuildQuery() override { return QStringLiteral("SELECT lunchID FROM Lunch"); }

 private:
  int code_;
};

TEST(OpenTable, AnswersByTheQuerysCode) {
  const struct {
    int code;
    bool opened;
    int reconnects;
    const char *line;
    int level;
  } cases[] = {
      {0, true, 0, "Opened Lunch table/query.", 8},
      {1629, false, 1, "Open table Lunch failed.", 7},
      {12170, false, 1, "Open table Lunch failed.", 7},
  };
  for (const auto &c : cases) {
    CodedTask task(c.code);
    task.StartTable(QStringLiteral("Lunch"), QStringLiteral("Lunch.pef"));
    EXPECT_EQ(task.OpenTable(), c.opened) << c.code;
    EXPECT_EQ(task.attempts, 1) << c.code;
    EXPECT_EQ(task.reconnects, c.reconnects) << c.code;
    EXPECT_EQ(task.counts, c.opened ? 1 : 0) << c.code;
    bool found = false;
    for (const LoggedLine &line : task.logs)
      if (line.message == QLatin1String(c.line)) found = line.level == c.level;
    EXPECT_TRUE(found) << c.line;
    if (!c.opened) {
      EXPECT_TRUE(task.Logged(QStringLiteral("Query 0 failed with error: %1").arg(c.code))) << c.code;
    }
  }
}

// A refused query is not a school without rows: no table file, and in an update run no update file,
// is published for it.
TEST(OpenTable, AQueryThatDidNotOpenFailsTheExport) {
  for (const bool update : {false, true}) {
    QTemporaryDir dir;
    CodedTask task(1629);
    task.SetPDEFolder(dir.path());
    update ? task.StartUpdate() : task.StartImport();
    task.StartTable(QStringLiteral("Lunch"), QStringLiteral("Lunch.pef"));
    task.AddHeaderField(QStringLiteral("LunchKey"));
    try {
      task.WriteTable();
      ADD_FAILURE() << "no failure, update run " << update;
    } catch (const XException &e) {
      EXPECT_EQ(e.Text(), QStringLiteral("Failed with error [The query could not be opened.] while writing "
                                         "file [Lunch] with query: SELECT lunchID FROM Lunch"));
    }
    if (update) task.FinishUpdate();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList()) << "update run " << update;
  }
}

}  // namespace
