// The fee tables: the two fee accounts, the fees assigned to each student (debits) and the payments
// credited to those fees. Assignments are the student's own (personID) in fees of the enrollment's
// calendar, so every payment targets a fee that the debit table holds.
#include "delimitedoutput.h"
#include "exports.h"
#include "student_columns.h"
#include "student_getters.h"

using namespace exportdef;

namespace exports {

namespace {

// Every fee belongs to the school account.
constexpr const char *kSchoolAccount = "schl";

int WriteFeeAccounts(ExpEngine &, DelimitedOutput &output) {
  static const char *const kAccounts[][3] = {{kSchoolAccount, "SCHL", "School Fees"},
                                             {"lunch", "LUNCH", "Lunch Fees"}};
  for (const auto &account : kAccounts) {
    for (const char *value : account) output.WriteValue(QString::fromLatin1(value));
    output.EndLine();
  }
  return int(std::size(kAccounts));
}

const std::vector<Table> kFeeTables = {{"Student", "STU"}, {"Fee", "F"}, {"FeeAssignment", "FA"}};
const std::vector<Join> kFeeJoins = {
    {"FA.personID", "STU.personID"}, {"FA.feeID", "F.feeID"}, {"F.calendarID", "STU.calendarID"}};

}  // namespace

const ExportDef &FeeAccounts() {
  static const ExportDef definition{
      .title = "Fee Accounts",
      .file = "FeeAccounts.pef",
      .header = {"FeeAccountKey", "FeeAccountCode", "FeeAccountName"},
      .rows = WriteFeeAccounts,
  };
  return definition;
}

// A whole amount is written as a whole number, any other with its two decimals.
const ExportDef &StudentSchoolFeesDebit() {
  static const ExportDef definition{
      .title = "Student School Fees (Debit)",
      .file = "StudentFees.pef",
      .tables = kFeeTables,
      .columns = {Out("FA.assignmentID", "FeeKey", get::AssignmentKey),
                  StudentKeyColumn("STU.personID", "FeeStdRef"), Constant("FeeAccountRef", kSchoolAccount),
                  Out("F.type", "FeeCategoryRef", get::ActivityKind), Out("F.name", "FeeName"),
                  Out("FA.comments", "FeeNote"), Out("FA.amount", "FeeDebit", get::FeeDebit),
                  Out("FA.dueDate", "FeeDueDate", get::Date), Out("FA.date", "FeeDate", get::Date),
                  EnrollmentStructure("STU.structureID")},
      .joins = kFeeJoins,
      .blocks = EnrolledIn("STU"),
      .distinct = true,
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

const ExportDef &StudentSchoolFeesCredit() {
  static const ExportDef definition{
      .title = "Student School Fees (Credit)",
      .file = "StuFeesPay.pef",
      .tables = {kFeeTables[0], kFeeTables[1], kFeeTables[2], {"FeeCredit", "FC"}, {"FeePayment", "FP"}},
      .columns = {Out("FC.paymentID", "FeeKey", get::PaymentKey), QueryOnly("FC.assignmentID"),
                  Out("FA.assignmentID", "FeeTargetFeeRef", get::AssignmentKey),
                  Constant("FeeAccountRef", kSchoolAccount), StudentKeyColumn("STU.personID", "FeeStdRef"),
                  Out("FP.comments", "FeeName"), Out("F.type", "FeeCategoryRef", get::ActivityKind),
                  Out("FC.amount", "FeeCredit", get::Money), Out("FP.paymentDate", "FeeDate", get::Date),
                  Out("FP.checkNumber", "FeeMethod", get::FeeMethodText),
                  QueryOnly("FP.creditCardAuthNumber"),
                  Out("FC.amount", "FeeMethodNumber", get::FeeMethodNumberText),
                  EnrollmentStructure("STU.structureID")},
      .joins = {kFeeJoins[0],
                kFeeJoins[1],
                kFeeJoins[2],
                {"FC.assignmentID", "FA.assignmentID"},
                {"FC.paymentID", "FP.paymentID"}},
      .blocks = EnrolledIn("STU"),
      .distinct = true,
      .filter = Filter::IncludedStudent,
  };
  return definition;
}

}  // namespace exports
