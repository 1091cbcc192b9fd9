// The student exports on copies of the tiny school changed to hold bad input: former addresses,
// columns and tables the database lacks, the second layout of the treatment tables, and hostile
// text in every text column. Expected rows are those of the e14 cases, adjusted for the change.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "school_databases.h"
#include "test_support.h"
#include "tiny_run.h"

namespace {

const QString kExpected = QStringLiteral(ICB_SOURCE_DIR "/tests/engine/expected/tiny/");
const char kControlFile[] = "Infinite Campus.PDE";

// A copy of the tiny school with the statements run on it, and a run of the engine on the copy.
class ChangedSchool : public ::testing::Test {
 protected:
  void Change(const QString &sql) {
    school_ = dir_.filePath(QStringLiteral("school.db"));
    if (!QFile::exists(school_)) {
      ASSERT_TRUE(QFile::copy(icbtest::schoolDbPath(QStringLiteral("tiny")), school_));
    }
    if (sql.isEmpty()) return;
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(school_.toUtf8().constData(), &db), SQLITE_OK);
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << " in " << sql.toStdString();
    sqlite3_free(error);
    sqlite3_close(db);
  }

  // Sets every VARCHAR and TEXT column of the table to the value.
  void SetEveryTextColumn(const char *table, const QString &value) {
    Change(QString());
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(school_.toUtf8().constData(), &db), SQLITE_OK);
    QStringList sets;
    sqlite3_stmt *columns = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT name FROM pragma_table_info(?) WHERE type LIKE 'VARCHAR%' OR type = 'TEXT'",
                       -1, &columns, nullptr);
    sqlite3_bind_text(columns, 1, table, -1, SQLITE_STATIC);
    while (sqlite3_step(columns) == SQLITE_ROW)
      sets << QStringLiteral("\"%1\" = ?1")
                  .arg(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(columns, 0))));
    sqlite3_finalize(columns);
    ASSERT_FALSE(sets.isEmpty()) << table;
    const QByteArray update = QStringLiteral("UPDATE \"%1\" SET %2")
                                  .arg(QLatin1String(table), sets.join(QStringLiteral(", ")))
                                  .toUtf8();
    sqlite3_stmt *statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, update.constData(), -1, &statement, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    const QByteArray text = value.toUtf8();
    sqlite3_bind_text(statement, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE) << sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    sqlite3_close(db);
  }

  // Runs the table exports; the first error of the run, or an empty text.
  QString Run(const ParameterMap &extra) {
    icbtest::FixedClockEngine engine;
    QString failure;
    QObject::connect(&engine, &AppTaskBase::writeLog, [&](int level, const QString &text, const QString &) {
      if (level >= 0 && level <= 3 && failure.isEmpty()) failure = text;
      if (level == 4) warnings_ << text;
    });
    QString message;
    if (engine.BeginExecute(icbtest::RunParameters(Out(), school_, extra), 1, message)) return {};
    return failure.isEmpty() ? message : failure;
  }

  QString Out() const { return dir_.filePath(QStringLiteral("out")); }
  QByteArray Written(const QString &file) const {
    return icbtest::readBytes(Out() + QLatin1Char('/') + file);
  }

  QTemporaryDir dir_;
  QString school_;
  QStringList warnings_;
};

const ParameterMap kEveryExport{{QStringLiteral("filterhealthhist"), QStringLiteral("true")},
                                {QStringLiteral("filtercustom"), QStringLiteral("true")}};

// The expected file of the e14 cases without health or custom history differences.
QByteArray Expected(const QString &relative) {
  for (const char *folder : {"e14-health-custom/", "e14-base/"}) {
    const QString path = kExpected + QLatin1String(folder) + relative;
    if (QFile::exists(path)) return icbtest::readBytes(path);
  }
  return {};
}

QList<QByteArray> Lines(const QByteArray &bytes) {
  QList<QByteArray> lines = bytes.split('\n');
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The field names of a table file's block in a control file; empty when the file has no block.
QList<QByteArray> HeaderOf(const QByteArray &control, const QString &file) {
  const QByteArray include = "#include \"" + file.toLatin1() + "\"\r\n";
  const qsizetype at = control.indexOf(include);
  if (at < 2) return {};
  const qsizetype start = control.lastIndexOf("\r\n", at - 3) + 2;
  return control.mid(start, at - 2 - start).split('\t');
}

// The rows with the named column taken out.
QList<QByteArray> WithoutColumn(const QByteArray &rows, qsizetype column) {
  QList<QByteArray> lines;
  for (const QByteArray &line : rows.split('\n')) {
    const bool lineEnd = line.endsWith('\r');
    QList<QByteArray> values = (lineEnd ? line.chopped(1) : line).split('\t');
    if (values.size() > column) values.removeAt(column);
    lines << values.join('\t') + (lineEnd ? "\r" : "");
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST_F(ChangedSchool, FormerAddressesStayOut) {
  // 1001's household moved from 7 Old Rd and from PO box 3999 on 31 July; 7001 shares the household.
  Change(QStringLiteral(
      "INSERT INTO Address (addressID, number, street, tag, city, state, zip, postOfficeBox) VALUES "
      "(4413, '7', 'Old', 'Rd', 'Lakeside', 'CA', '95001', 0), (4414, '3999', NULL, NULL, 'Lakeside', 'CA', "
      "'95001', 1);"
      "INSERT INTO HouseholdLocation (locationID, householdID, addressID, startDate, endDate, secondary, "
      "mailing, private) VALUES (9001, 301, 4413, '2020-01-01', '2026-07-31', 0, 0, 0), (9002, 301, 4414, "
      "'2020-01-01', '2026-07-31', 0, 1, 0);"));
  ASSERT_EQ(Run({}), QString());
  for (const char *file :
       {"StudentPhysAddr.pef", "StudentMailAddr.pef", "ConPhysAddr.pef", "ConMailAddr.pef"})
    EXPECT_EQ(Lines(Written(QString::fromLatin1(file))), Lines(Expected(QString::fromLatin1(file)))) << file;
}

// One optional column per export that has one; the others name only required columns.
struct DroppedColumn {
  const char *table, *column, *file, *header;
};

TEST_F(ChangedSchool, AnOptionalColumnTheDatabaseLacksLeavesItsImportColumnOut) {
  const DroppedColumn dropped[] = {
      {"Student", "stateID", "Students.pef", "StdStateID"},
      {"Address", "zip", "StudentPhysAddr.pef", "StdZip"},
      {"Address", "zip", "StudentMailAddr.pef", "StdZip"},
      {"Address", "zip", "ConMailAddr.pef", "ConMailZip"},
      {"Address", "zip", "ConPhysAddr.pef", "ConZip"},
      {"Contact", "communicationLanguage", "StudentPhones.pef", "StdLanguage"},
      {"Identity", "gender", "StudentCon.pef", "ConSex"},
      {"v_ProgramParticipation", "startDate", "StudentNotes.pef", "NoteDate"},
      {"v_TransportationBusDetail", "lateBus", "StudentTransport.pef", "StdLateBus"},
      {"TransportationParking", "permitNumber", "StudentParking.pef", "StdParkPermit"},
      {"FeeAssignment", "dueDate", "StudentFees.pef", "FeeDueDate"},
      {"FeePayment", "paymentDate", "StuFeesPay.pef", "FeeDate"},
      {"Roster", "startDate", "StudentSched.pef", "StdSecStartDate"},
      {"CustomStudent", "value", "StudentCustom.pef", "StdComVal"},
  };
  QString sql;
  for (const DroppedColumn &d : dropped)
    if (!sql.contains(QStringLiteral("\"%1\" DROP COLUMN \"%2\"").arg(d.table, d.column)))
      sql += QStringLiteral("ALTER TABLE \"%1\" DROP COLUMN \"%2\";").arg(d.table, d.column);
  Change(sql);
  ASSERT_EQ(Run(kEveryExport), QString());
  const QByteArray control = Written(QString::fromLatin1(kControlFile));
  for (const DroppedColumn &d : dropped) {
    SCOPED_TRACE(d.file);
    const QString file = QString::fromLatin1(d.file);
    const QList<QByteArray> full =
        Expected(QStringLiteral("control/") + file + QStringLiteral(".block")).split('\n');
    ASSERT_GT(full.size(), 1);
    QList<QByteArray> header = full[1].chopped(1).split('\t');
    const qsizetype column = header.indexOf(QByteArray(d.header));
    ASSERT_GE(column, 0);
    header.removeAt(column);
    EXPECT_EQ(HeaderOf(control, file), header);
    EXPECT_EQ(Lines(Written(file)), WithoutColumn(Expected(file), column));
    // One warning per export that leaves the column out.
    const auto exportsWithHeader =
        std::count_if(std::begin(dropped), std::end(dropped),
                      [&](const DroppedColumn &o) { return QByteArray(o.header) == d.header; });
    EXPECT_EQ(warnings_.filter(QLatin1String(d.header) + QStringLiteral(" is left out")).size(),
              exportsWithHeader);
  }
}

// An older database without the end dates of relationships and teacher assignments: the run
// writes every relationship and assignment as current, with one warning per export that leaves
// the condition out (the single-calendar set: the three contact exports and Teacher Sections; the
// multi-calendar set adds its five teacher joins and four non-staff checks).
TEST_F(ChangedSchool, AConditionColumnTheDatabaseLacksIsLeftOutWithOneWarningPerExport) {
  Change(
      QStringLiteral("ALTER TABLE \"RelatedPair\" DROP COLUMN \"endDate\";"
                     "ALTER TABLE \"Teacher\" DROP COLUMN \"endDate\";"));
  for (const bool multiCalendar : {false, true}) {
    SCOPED_TRACE(multiCalendar);
    QDir(Out()).removeRecursively();
    warnings_.clear();
    ASSERT_EQ(Run({{QStringLiteral("multical"), multiCalendar ? QStringLiteral("true") : QString()}}),
              QString());
    EXPECT_EQ(warnings_.filter(QStringLiteral("RP.endDate: its condition is left out")).size(), 3);
    EXPECT_EQ(warnings_.filter(QStringLiteral("TCH.endDate: its condition is left out")).size(),
              multiCalendar ? 10 : 1);
    EXPECT_TRUE(Written(QStringLiteral("StudentCon.pef")).contains("990701\t1002"));
  }
}

struct MissingHealthTable {
  const char *table;
  const char *flag;  // "true" or empty
  bool runSucceeds;
};

TEST_F(ChangedSchool, AHealthHistoryTableTheDatabaseLacksMattersOnlyWhenTheHistoryIsAskedFor) {
  Change(QStringLiteral("DROP TABLE \"v_HealthEventDetail\";"));
  const MissingHealthTable cases[] = {{"v_HealthEventDetail", "", true},
                                      {"v_HealthEventDetail", "true", false}};
  for (const MissingHealthTable &c : cases) {
    SCOPED_TRACE(c.flag);
    QDir(Out()).removeRecursively();
    const QString failure = Run({{QStringLiteral("filterhealthhist"), QString::fromLatin1(c.flag)}});
    EXPECT_EQ(failure.isEmpty(), c.runSucceeds) << failure.toStdString();
    if (!c.runSucceeds) {
      EXPECT_TRUE(failure.contains(QLatin1String(c.table))) << failure.toStdString();
    }
    EXPECT_FALSE(QFile::exists(Out() + QStringLiteral("/StudentMedHist.pef")));
    // A failed run publishes nothing, not even the tables it wrote before the failure.
    if (c.runSucceeds)
      EXPECT_EQ(Lines(Written(QStringLiteral("StuMedCond.pef"))),
                Lines(Expected(QStringLiteral("StuMedCond.pef"))));
    else
      EXPECT_FALSE(QFile::exists(Out() + QStringLiteral("/StuMedCond.pef")));
  }
}

TEST_F(ChangedSchool, TreatmentsAreReadFromTheSecondLayoutOfTheTreatmentTables) {
  Change(QStringLiteral(
      "DROP VIEW \"HealthTreatDetail\"; DROP VIEW \"v_HealthConditionTreatmentDetail\";"
      "ALTER TABLE \"HealthDetail\" RENAME TO \"HealthTreatDetail\";"
      "ALTER TABLE \"v_HealthConditionDetail\" RENAME TO \"v_HealthConditionTreatmentDetail\";"));
  ASSERT_EQ(Run(kEveryExport), QString());
  EXPECT_EQ(Lines(Written(QStringLiteral("StudentMedTreat.pef"))),
            Lines(Expected(QStringLiteral("StudentMedTreat.pef"))));
  EXPECT_EQ(
      HeaderOf(Written(QString::fromLatin1(kControlFile)), QStringLiteral("StudentMedTreat.pef")).size(), 6);
}

// Tabs, line breaks, quotes, an apostrophe, a Latin-1 and a non-Latin-1 letter in every text column
// that a student export reads: every row keeps as many values as its header, on one CR LF line, and
// the text arrives cleaned (tab dropped, line break as blanks, the letter outside Windows-1252 as "?").
TEST_F(ChangedSchool, HostileTextInEveryColumnKeepsEveryRowOnOneLineUnderItsHeader) {
  const QString hostile = QStringLiteral("Tab\there \"quoted\" l'apostrophe\r\nnext \u00e9 \u1ec5");
  const QByteArray cleaned = "Tabhere \"quoted\" l'apostrophe  next \xe9 ?";
  for (const char *table : {"Student",
                            "Identity",
                            "Contact",
                            "RelatedPair",
                            "Household",
                            "Address",
                            "v_LockerDetail",
                            "HealthCondition",
                            "v_HealthEventDetail",
                            "v_HealthConditionDetail",
                            "HealthDetail",
                            "v_HealthImmunization",
                            "v_ProgramParticipation",
                            "v_TransportationBusDetail",
                            "TransportationParking",
                            "Fee",
                            "FeeAssignment",
                            "FeePayment",
                            "GradingTask",
                            "GradingScore",
                            "CampusAttribute",
                            "CustomStudent"})
    SetEveryTextColumn(table, hostile);
  ASSERT_EQ(Run(kEveryExport), QString());
  const QByteArray control = Written(QString::fromLatin1(kControlFile));
  // Every student table file but the schedules (no text column) and the fixed fee accounts.
  for (const char *name :
       {"Students.pef",      "StudentPhysAddr.pef", "StudentMailAddr.pef",  "StudentLockers.pef",
        "StudentPhones.pef", "StudentCon.pef",      "ConMailAddr.pef",      "ConPhysAddr.pef",
        "StuMedCond.pef",    "StudentMedHist.pef",  "StudentMedTreat.pef",  "StudentMedImmun.pef",
        "StuMedCond2.pef",   "StudentNotes.pef",    "StudentTransport.pef", "StudentParking.pef",
        "StudentFees.pef",   "StuFeesPay.pef",      "StudentGrades.pef",    "StudentCustom.pef"}) {
    SCOPED_TRACE(name);
    const QString file = QString::fromLatin1(name);
    const qsizetype fields = HeaderOf(control, file).size();
    const QByteArray rows = Written(file);
    ASSERT_TRUE(rows.endsWith("\r\n"));
    EXPECT_EQ(rows.count('\r'), rows.count("\r\n"));
    EXPECT_EQ(rows.count('\n'), rows.count("\r\n"));
    bool arrived = false;
    for (const QByteArray &row : QByteArray(rows).chopped(2).replace("\r\n", "\n").split('\n')) {
      const QList<QByteArray> values = row.split('\t');
      EXPECT_EQ(values.size(), fields) << row.toStdString();
      arrived = arrived || values.contains(cleaned) || values.contains('"' + cleaned + '"');
    }
    EXPECT_TRUE(arrived) << "no cleaned value in " << name;
  }
}

}  // namespace
