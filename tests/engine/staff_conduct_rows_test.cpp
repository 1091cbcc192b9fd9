// Staff and conduct rows that the tiny school lacks, added to a copy of it, through whole runs:
// names, addresses, phones, vehicles and comments holding tabs, line breaks and quotes; a staff
// member who left between the cutoff and today; a teacher of last year only; an ended address; a
// contact and a parking permit of another school's staff member. Each run's table files are checked
// for the lines these rows must give and for the lines they must not.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "school_databases.h"
#include "test_support.h"
#include "tiny_run.h"

namespace {

// 5210: a coach of school 10 who teaches nothing, with a household, a contact and a permit.
// 5211: left on 10 November, between the cutoff (1 November) and today (20 November).
// 5212: of school 10, taught only last year's section 103011.
// 5001: an address of household 601 that ended last year.
constexpr const char *kAddedRows = R"sql(
INSERT INTO staffMember VALUES
  (5210, 1, 10, 9210, 'S010', 'ST5010', 'Mac' || char(9) || 'Kay', 'Al "Bud"', 'Line' || char(10) || 'Break',
   'Sr.', 'M', '1980-03-05', 'Coach', 'Athletics', '2020-08-15', NULL),
  (5211, 1, 10, 9211, 'S011', 'ST5011', 'Gone', 'Soon', NULL, NULL, 'F', '1980-03-06', 'Aide', 'Office',
   '2021-08-15', '2026-11-10'),
  (5212, 1, 10, 9212, 'T012', 'ST5012', 'Former', 'Teacher', NULL, NULL, 'M', '1980-03-07', 'Teacher', 'Music',
   '2016-08-15', NULL);
INSERT INTO Teacher VALUES (9212, 5212, 103011, 1031, 'T', NULL, NULL);
INSERT INTO Contact VALUES
  (5210, '555 201 0010', NULL, NULL, NULL, 'al"bud"@lakeside.example', 0, 0, 0, 0, 0,
   'Eng' || char(9) || 'lish');
INSERT INTO Household VALUES (690, 'Mac Kay household', '(555) 201-0610', 0);
INSERT INTO HouseholdMember VALUES (9190, 690, 5210, '2020-08-01', NULL, 0);
INSERT INTO Address VALUES
  (790, '12', NULL, 'Elm' || char(9) || 'wood', 'St', 'N', '4"B', 'Lakeside', 'CA', '95001', 0),
  (791, '77', NULL, 'Box Rd', NULL, NULL, NULL, 'Lakeside', 'CA', '95001', 1),
  (793, '5', NULL, 'Old Mill', 'Ln', NULL, NULL, 'Lakeside', 'CA', '95001', 0);
INSERT INTO HouseholdLocation VALUES
  (9290, 690, 790, '2020-08-01', NULL, 0, 0, 0),
  (9291, 690, 791, '2020-08-01', NULL, 0, 1, 0),
  (9292, 601, 793, '2010-08-01', '2015-07-31', 0, 0, 0);
INSERT INTO TransportationParking VALUES
  (9390, 5210, 101, 'AB' || char(9) || 'C', 'P-10', 'Red', 'Hon"da', 'Civic' || char(13) || char(10) || 'LX');
UPDATE BehaviorEvent SET comments = 'He said "stop"' || char(9) || 'then' || char(13) || char(10) || 'left'
  WHERE eventID = 1;
UPDATE BehaviorResolution SET comments = 'Three' || char(10) || 'days',
  removalReason = 'Safety' || char(9) || '"risk"' WHERE resolutionID = 1;
)sql";

enum class RunKind { Single, SingleCutoff, MultiCalendar };

// A line the file must hold, or (absent) a beginning no line of the file may have.
struct Expectation {
  RunKind run;
  const char *file;
  const char *line;
  bool absent = false;
};

const Expectation kExpectations[] = {
    // Tabs are dropped, line breaks become spaces, quotes are written as they are.
    {RunKind::Single, "Staff.pef",
     "5210\tS010\tST5010\tMacKay Sr.\tAl \"Bud\"\tLine Break\tM\t03/05/1980\tCoach\tAthletics\t08/15/2020\t"},
    {RunKind::Single, "StaffPhones.pef", "5210\t555 201-0010\t\t\t\tal\"bud\"@lakeside.example\tEnglish"},
    {RunKind::Single, "StaffPhysAddr.pef",
     "5210\tApartment #4\"B \t12 N Elmwood St\tLakeside\tCA\t95001\t(555) 201-0610"},
    {RunKind::Single, "StaffMailAddr.pef", "5210\t\t77  Box Rd \tLakeside\tCA\t95001\t(555) 201-0610"},
    {RunKind::Single, "StaffParking.pef", "5210\tABC\tP-10\tRed Hon\"da Civic  LX"},
    {RunKind::Single, "ConductIncident.pef",
     "1\tFighting\t\tV1\t09/04/2026 12:30:00 PM\tSmith, Ann\tDavis, Maria\tHe said \"stop\"then  "
     "left\tJones, "
     "Robert\t120\tCafeteria\t0\t0\t0\t0\t0\t1\tPending\tCafeteria"},
    {RunKind::Single, "ConductOutcome.pef",
     "1\t1\tSuspension\t09/05/2026 8:00:00 AM\t09/09/2026\tThree days Removal Reason: "
     "Safety\"risk\"\t3\t\t\tA1"},
    // Left before today without a cutoff; a former address; another school's staff member.
    {RunKind::Single, "Staff.pef", "5211\t", true},
    {RunKind::Single, "Staff.pef",
     "5212\tT012\tST5012\tFormer\tTeacher\t\tM\t03/07/1980\tTeacher\tMusic\t08/15/2016\t"},
    {RunKind::Single, "StaffPhysAddr.pef", "5001\t\t5  Old Mill", true},
    {RunKind::Single, "StaffPhones.pef", "5008\t", true},
    {RunKind::Single, "StaffParking.pef", "5008\t", true},
    // The cutoff keeps staff who left on or after it; who left before it stays out.
    {RunKind::SingleCutoff, "Staff.pef",
     "5211\tS011\tST5011\tGone\tSoon\t\tF\t03/06/1980\tAide\tOffice\t08/15/2021\t11/10/2026"},
    {RunKind::SingleCutoff, "Staff.pef", "5006\t", true},
    // A teacher of two calendars has a row and a key in each; one who taught only last year teaches
    // nothing now and is written with the staff who teach nothing, under the bare key.
    {RunKind::MultiCalendar, "Staff.pef",
     "5001_1011\tT001\t1011\tST5001\tSmith\tAnn\t\tF\t03/07/1980\tTeacher\tEnglish\t08/15/2015\t"},
    {RunKind::MultiCalendar, "Staff.pef",
     "5001_1021\tT001\t1021\tST5001\tSmith\tAnn\t\tF\t03/07/1980\tTeacher\tEnglish\t08/15/2015\t"},
    {RunKind::MultiCalendar, "Staff.pef", "5012_", true},
    {RunKind::MultiCalendar, "Staff2.pef",
     "5212\tT012\tST5012\tFormer\tTeacher\t\tM\t03/07/1980\tTeacher\tMusic\t08/15/2016\t"},
    {RunKind::MultiCalendar, "Staff2.pef", "5001\t", true},
    {RunKind::MultiCalendar, "StaffCon.pef", "5210\t555 201-0010\t\t\t\tal\"bud\"@lakeside.example\tEnglish"},
    // The non-staff addresses are the second table of their files in the run.
    {RunKind::MultiCalendar, "StaffPhysAddr_2.pef",
     "5210\tApartment #4\"B \t12 N Elmwood St\tLakeside\tCA\t95001\t(555) 201-0610"},
    {RunKind::MultiCalendar, "StaffMailAddr_2.pef",
     "5210\t\t77  Box Rd \tLakeside\tCA\t95001\t(555) 201-0610"},
    {RunKind::MultiCalendar, "StaffPhysAddr.pef", "5210\t", true},
    {RunKind::MultiCalendar, "StaffParking.pef", "5210", true},
};

QStringList LinesOf(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {QStringLiteral("<no file>")};
  return QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
}

class StaffConductRows : public ::testing::Test {
 protected:
  void SetUp() override {
    school_ = dir_.filePath(QStringLiteral("school.db"));
    ASSERT_TRUE(icbtest::CopyTinySchool(school_, QString::fromUtf8(kAddedRows)));
  }

  // The run's output folder.
  QString RunOnce(RunKind run) {
    const QString out = dir_.filePath(QString::number(static_cast<int>(run)));
    ParameterMap extra;
    if (run == RunKind::SingleCutoff) extra[QStringLiteral("inactivedate")] = QStringLiteral("11/01/2026");
    if (run == RunKind::MultiCalendar) extra[QStringLiteral("multical")] = QStringLiteral("true");
    EXPECT_EQ(icbtest::RunEngine(icbtest::RunParameters(out, school_, extra), 1).toStdString(), "");
    return out;
  }

  QTemporaryDir dir_;
  QString school_;
};

TEST_F(StaffConductRows, AddedRowsGiveTheirLinesAndNoOthers) {
  for (RunKind run : {RunKind::Single, RunKind::SingleCutoff, RunKind::MultiCalendar}) {
    const QString out = RunOnce(run);
    for (const Expectation &expected : kExpectations) {
      if (expected.run != run) continue;
      const QStringList lines = LinesOf(out + QLatin1Char('/') + QLatin1String(expected.file));
      const QString text = QString::fromLatin1(expected.line);
      SCOPED_TRACE(std::string(expected.file) + ": " + expected.line);
      if (expected.absent)
        EXPECT_FALSE(
            std::any_of(lines.begin(), lines.end(), [&](const QString &l) { return l.startsWith(text); }));
      else
        EXPECT_TRUE(lines.contains(text)) << lines.join(QStringLiteral("\n")).toStdString();
    }
  }
}

// Two tables for one file in a run: the second is written under its own name, and the control file
// names each table's file in its block.
TEST_F(StaffConductRows, ControlFileNamesBothTablesOfOneFile) {
  const QString control = QString::fromLatin1(
      icbtest::readBytes(RunOnce(RunKind::MultiCalendar) + QStringLiteral("/Infinite Campus.PDE")));
  for (const char *block :
       {"// Staff Physical Addresses Multi Calendar\r\n", "#include \"StaffPhysAddr.pef\"\r\n",
        "// Staff Physical Addresses (non-staff variant)\r\n", "#include \"StaffPhysAddr_2.pef\"\r\n",
        "// Staff Mailing Addresses Multi Calendar\r\n", "#include \"StaffMailAddr.pef\"\r\n",
        "// Staff Mailing Addresses (non-staff variant)\r\n", "#include \"StaffMailAddr_2.pef\"\r\n"})
    EXPECT_TRUE(control.contains(QLatin1String(block))) << block;
  EXPECT_LT(control.indexOf(QStringLiteral("#include \"StaffPhysAddr.pef\"")),
            control.indexOf(QStringLiteral("// Staff Physical Addresses (non-staff variant)")));
  EXPECT_GT(control.indexOf(QStringLiteral("#include \"StaffPhysAddr_2.pef\"")),
            control.indexOf(QStringLiteral("// Staff Physical Addresses (non-staff variant)")));
}

}  // namespace
