// Table files as bytes: values, command columns, filters, prefix lines, failures and log lines.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

#include "memorywriter.h"
#include "test_support.h"

namespace {

struct ColumnSpec {
  int source;  // index into the row for a value column, -1 for a command column
  int command;
  QString text;
};

struct TableCase {
  const char *name;
  std::vector<ColumnSpec> columns;
  std::vector<QStringList> rows;
  QString rejectKey;  // rows whose first value equals it are filtered out
  QString prefix;
  QByteArray expected;
  int expectedCount;
};

void AddColumns(MemoryWriter &writer, const std::vector<ColumnSpec> &columns) {
  for (const auto &c : columns) {
    writer.AddColumn(nullptr, c.text, c.source >= 0 ? writer.Column(c.source) : ValueGetter(), c.command);
    writer.AddHeaderField(QStringLiteral("F%1").arg(c.source));
  }
}

const std::vector<QStringList> kTwoRows = {{"1", "Ann"}, {"2", "Bob"}};

const TableCase kTableCases[] = {
    {"values separated by tabs, each record ending in CR LF",
     {{0, 0, ""}, {1, 0, ""}},
     kTwoRows,
     "",
     "",
     "1\tAnn\r\n2\tBob\r\n",
     2},
    {"command 1 writes the column text",
     {{0, 0, ""}, {-1, 1, "Home"}, {1, 0, ""}},
     kTwoRows,
     "",
     "",
     "1\tHome\tAnn\r\n2\tHome\tBob\r\n",
     2},
    {"command 2 ends the line inside the record",
     {{0, 0, ""}, {-1, 2, ""}, {1, 0, ""}},
     kTwoRows,
     "",
     "",
     "1\r\nAnn\r\n2\r\nBob\r\n",
     2},
    {"command 2 as the last column leaves an empty line",
     {{0, 0, ""}, {-1, 2, ""}},
     kTwoRows,
     "",
     "",
     "1\r\n\r\n2\r\n\r\n",
     2},
    {"commands 3, 4 and -1 write nothing",
     {{0, 0, ""}, {-1, 3, "x"}, {-1, 4, "y"}, {-1, -1, "z"}, {1, 0, ""}},
     kTwoRows,
     "",
     "",
     "1\tAnn\r\n2\tBob\r\n",
     2},
    {"a filtered record leaves no trace and is not counted",
     {{0, 0, ""}, {1, 0, ""}},
     {{"1", "Ann"}, {"2", "Bob"}, {"3", "Cy"}},
     "2",
     "",
     "1\tAnn\r\n3\tCy\r\n",
     2},
    {"a query without rows gives an empty file", {{0, 0, ""}}, {}, "", "", "", 0},
    {"the prefix line comes first",
     {{0, 0, ""}, {1, 0, ""}},
     kTwoRows,
     "",
     "Version\t2",
     "Version\t2\r\n1\tAnn\r\n2\tBob\r\n",
     2},
    {"a value holding a tab is written unchanged",
     {{0, 0, ""}, {1, 0, ""}},
     {{"1", "A\tB"}},
     "",
     "",
     "1\tA\tB\r\n",
     1},
    {"text becomes Windows-1252 bytes, others a question mark",
     {{0, 0, ""}},
     {{QString::fromUtf8("\xC3\xA9\xE2\x82\xAC\xC5\xBD\xC5\x82")}},
     "",
     "",
     "\xE9\x80\x8E?\r\n",
     1},
    {"rows in the byte order of their text, whatever order the records came in",
     {{0, 0, ""}, {1, 0, ""}},
     {{"10", "Cy"}, {"9", "Al"}, {"10", "Bo"}, {"10", "Bo"}},
     "",
     "",
     "10\tBo\r\n10\tCy\r\n9\tAl\r\n",
     4},
    {"a line repeated byte for byte is written once; one differing in a value stays",
     {{0, 0, ""}, {1, 0, ""}},
     {{"1", "Ann"}, {"1", "Ann"}, {"1", "Annie"}, {"1", "Ann"}},
     "",
     "",
     "1\tAnn\r\n1\tAnnie\r\n",
     4},
    {"an empty value still gets its separator",
     {{0, 0, ""}, {1, 0, ""}, {0, 0, ""}},
     {{"", ""}},
     "",
     "",
     "\t\t\r\n",
     1},
};

class TableFileTest : public testing::TestWithParam<TableCase> {};

// Each case also with its records in the reverse order: a database may return them either way.
TEST_P(TableFileTest, WritesExpectedBytes) {
  const TableCase &c = GetParam();
  for (const bool reversed : {false, true}) {
    MemoryWriter writer;
    writer.rows = c.rows;
    if (reversed) std::reverse(writer.rows.begin(), writer.rows.end());
    writer.StartImport();
    writer.StartTable(QStringLiteral("Students"), QStringLiteral("Students.pef"));
    AddColumns(writer, c.columns);
    RowFilter filter;
    if (!c.rejectKey.isEmpty())
      filter = [&writer, &c] { return writer.rows.at(writer.cursor).at(0) != c.rejectKey; };
    EXPECT_EQ(writer.WriteTable(filter, c.prefix), c.expectedCount);
    writer.EndTable();
    EXPECT_EQ(icbtest::readBytes(writer.ImportPath("Students.pef")), c.expected) << "reversed " << reversed;
    const QString closed = QStringLiteral("Closed Table File. Lines= %1").arg(c.expectedCount);
    EXPECT_NE(writer.FindLog(closed), nullptr) << closed.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, TableFileTest, testing::ValuesIn(kTableCases),
                         [](const auto &info) { return "case" + std::to_string(info.index); });

TEST(TableFile, CommandFourCallsTheHookOncePerRecord) {
  MemoryWriter writer;
  writer.rows = kTwoRows;
  writer.StartTable(QStringLiteral("Students"), QStringLiteral("Students.pef"));
  writer.AddColumn(nullptr, QString(), ValueGetter(), kCallHook);
  writer.WriteTable();
  EXPECT_EQ(writer.hookCalls, 2);
}

TEST(TableFile, ReplacesAnEarlierFileOfTheSameName) {
  MemoryWriter writer;
  QDir().mkpath(writer.PDEFolder());
  QFile old(writer.ImportPath("Students.pef"));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old content that is longer than the new one\r\n");
  old.close();
  writer.rows = {{"1", "Ann"}};
  writer.StartTable(QStringLiteral("Students"), QStringLiteral("Students.pef"));
  AddColumns(writer, {{0, 0, ""}});
  writer.WriteTable();
  EXPECT_EQ(icbtest::readBytes(writer.ImportPath("Students.pef")), QByteArray("1\r\n"));
}

TEST(TableFile, ASecondTableForTheSameFileInOneRunGetsAFileOfItsOwn) {
  MemoryWriter writer;
  writer.StartImport();
  const char *names[] = {"Students.pef", "Students_2.pef", "Students_3.pef"};
  for (int i = 0; i < 3; ++i) {
    writer.rows = {{QString::number(i + 1)}};
    writer.StartTable(QStringLiteral("Students"), QStringLiteral("Students.pef"));
    AddColumns(writer, {{0, 0, ""}});
    writer.WriteTable();
    EXPECT_EQ(writer.Headers().back()->fileName, QLatin1String(names[i]));
  }
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(icbtest::readBytes(writer.ImportPath(names[i])), QByteArray::number(i + 1) + "\r\n")
        << names[i];
  EXPECT_NE(writer.FindLog("Table file Students.pef was written already in this run, writing Students_2.pef"),
            nullptr);
  // The next run starts over with the table's own name.
  writer.StartImport();
  writer.StartTable(QStringLiteral("Students"), QStringLiteral("students.PEF"));
  AddColumns(writer, {{0, 0, ""}});
  writer.WriteTable();
  EXPECT_EQ(writer.Headers().back()->fileName, QStringLiteral("students.PEF"));
}

struct FailureCase {
  const char *name;
  int failAtRow;  // -1: a value getter throws instead
  bool getterThrowsText;
  QString expected;
};

const FailureCase kFailureCases[] = {
    {"the query fails on the second record", 1, false,
     "Failed with error [connection lost] while writing file [Student Demographics] with query: SELECT a, b "
     "FROM t"},
    {"a getter fails with a text", -1, true,
     "Failed with error [bad value] while writing file [Student Demographics] with query: SELECT a, b FROM "
     "t"},
    {"a getter fails without a text", -1, false,
     "Failed with unknown error while writing file [Student Demographics] with query: SELECT a, b FROM t"},
};

class TableFailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(TableFailureTest, ReportsAndKeepsThePublishedFile) {
  const FailureCase &c = GetParam();
  MemoryWriter writer;
  QDir().mkpath(writer.PDEFolder());
  QFile old(writer.ImportPath("Students.pef"));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("9\tZed\r\n");
  old.close();

  writer.rows = {{"1", "Ann"}, {"2", "Bob"}, {"3", "Cy"}};
  writer.failAtRow = c.failAtRow;
  writer.StartTable(QStringLiteral("Student Demographics"), QStringLiteral("Students.pef"));
  AddColumns(writer, {{0, 0, ""}});
  if (c.failAtRow < 0) {
    const bool withText = c.getterThrowsText;
    writer.AddColumn(
        nullptr, QString(),
        [&writer, withText]() -> QString {
          if (writer.cursor < 1) return QStringLiteral("ok");
          if (withText) throw XException(QStringLiteral("bad value"));
          throw 42;
        },
        0);
  }
  try {
    writer.WriteTable();
    FAIL() << "no exception";
  } catch (const XException &e) {
    EXPECT_EQ(e.Text(), c.expected);
  }
  const LogRecord *critical = writer.FindLog(c.expected);
  ASSERT_NE(critical, nullptr);
  EXPECT_EQ(critical->level, 2);
  const LogRecord *line = writer.FindLog(QStringLiteral("Error writing line= 1"));
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->level, 8);
  // The earlier complete file stays; nothing half-written is left behind.
  EXPECT_EQ(icbtest::readBytes(writer.ImportPath("Students.pef")), QByteArray("9\tZed\r\n"));
  EXPECT_EQ(QDir(writer.PDEFolder()).entryList(QDir::Files), QStringList{"Students.pef"});
}

INSTANTIATE_TEST_SUITE_P(Failures, TableFailureTest, testing::ValuesIn(kFailureCases),
                         [](const auto &info) { return "case" + std::to_string(info.index); });

TEST(TableFile, LogsEachColumnOfTheFirstRecordOnly) {
  MemoryWriter writer;
  writer.rows = kTwoRows;
  const ODBCTable table(QStringLiteral("Student"), QStringLiteral("Student"), QStringLiteral("STU"));
  ODBCField field(table, QStringLiteral("personID"), 0);
  writer.StartTable(QStringLiteral("Students"), QStringLiteral("Students.pef"));
  writer.AddColumn(&field, QString(), writer.Column(0), 0);
  writer.AddColumn(nullptr, QStringLiteral("Home"), ValueGetter(), kWriteText);
  writer.logs.clear();
  writer.WriteTable();
  writer.EndTable();

  const std::vector<std::pair<int, QString>> expected = {
      {8, "Opening Table"},
      {8, "Writing Students.pef"},
      {8, "Writing PDE File"},
      {8, "Opened PDE FIle"},
      {8, "Generating PDE Entries"},
      {8, "Generating First PDE Entry"},
      {8, "Line Passed Filter"},
      {8, "Getting curColumns field..."},
      {9, "Processing Field = personID"},
      {8, "Getting valueStr"},
      {8, "Got valueStr"},
      {9, "Wrote = personID"},
      {8, "Getting curColumns field..."},
      {9, "Processing Field = **Blank FieldName**"},
      {8, "Getting command"},
      {8, "Got command"},
      {8, "Wrote Default Value Command 1 for **Blank FieldName**"},
      {8, "Wrote the value = Home"},
      {8, "Closing Table file"},
      {8, "Closed Table File. Lines= 2"},
      {8, "Wrote Students.pef"},
      {8, "Finished Students table/query."},
  };
  // The table's summary line (rows and seconds) has its own test; its seconds vary.
  std::erase_if(writer.logs,
                [](const auto &log) { return log.message.startsWith(QLatin1String("Table file ")); });
  ASSERT_EQ(writer.logs.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(writer.logs[i].level, expected[i].first) << i;
    EXPECT_EQ(writer.logs[i].message, expected[i].second) << i;
  }
  EXPECT_EQ(writer.logs[0].method, QStringLiteral("PDEWriter::WriteTable"));
  EXPECT_EQ(icbtest::readBytes(writer.ImportPath("Students.pef")), QByteArray("1\tHome\r\n2\tHome\r\n"));
}

TEST(TableFile, StartTableShowsTheJobTextAndKeepsTheHeader) {
  MemoryWriter writer;
  QStringList increments;
  QObject::connect(&writer, &AppTaskBase::writeProgressIncrement,
                   [&increments](const QString &text) { increments << text; });
  writer.StartTable(QStringLiteral("Student Lockers"), QStringLiteral("StudentLockers.pef"), 1);
  writer.AddHeaderField(QStringLiteral("StdKey"));
  writer.AddHeaderField(QString(), QStringLiteral("Locker"), QStringLiteral("Locker"),
                        QStringLiteral("#customschoolfield"));
  writer.AddHeaderField(QStringLiteral("StdLocker"), QStringLiteral("Locker"), QStringLiteral("Other"),
                        QStringLiteral("#custombasicfield"));
  EXPECT_EQ(increments, QStringList{"Reading Student Lockers..."});
  ASSERT_NE(writer.CurrentHeader(), nullptr);
  EXPECT_EQ(writer.CurrentHeader()->FieldNames(), (QStringList{"StdKey", "StdLocker"}));
  EXPECT_EQ(writer.CurrentHeader()->safeInclude, 1);
  ASSERT_EQ(writer.CustomFields().Fields().size(), 1);
  EXPECT_EQ(writer.CustomFields().Fields().front().title, QStringLiteral("Locker"));
}

TEST(TableFile, DestructorLogsItsStartAndEndWithTheTime) {
  QStringList messages;
  {
    PDEWriter writer;
    QObject::connect(&writer, &AppTaskBase::writeLog,
                     [&messages](int level, const QString &message, const QString &) {
                       if (level == 7) messages << message;
                     });
  }
  ASSERT_EQ(messages.size(), 2);
  const QRegularExpression stamp(QStringLiteral("^\\d{2}/\\d{2}/\\d{4}\\|\\d{1,2}:\\d{2}:\\d{2} "));
  EXPECT_TRUE(stamp.match(messages[0]).hasMatch()) << messages[0].toStdString();
  EXPECT_TRUE(messages[0].endsWith(" PDE Writer Desctructor start"));
  EXPECT_TRUE(messages[1].endsWith(" PDE Writer Destructor end"));
}

TEST(TableFile, DeletePdeFilesMatchesAnyLetterCase) {
  MemoryWriter writer;
  for (const char *name : {"Infinite Campus.PDE", "old.pde", "Mixed.Pde", "Students.pef", "notes.pdex"}) {
    QFile file(writer.ImportPath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  writer.DeletePDEFiles();
  QStringList left = QDir(writer.PDEFolder()).entryList(QDir::Files);
  left.sort();
  EXPECT_EQ(left, (QStringList{"Students.pef", "notes.pdex"}));
  EXPECT_NE(writer.FindLog(QStringLiteral("DeletePDEFiles: Assigned import folder")), nullptr);
}

}  // namespace
