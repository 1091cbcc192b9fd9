// The text rules of the student exports, one row per case of the import format's rules: keys,
// names, address lines, privacy, health, fee and grade texts.
#include "student_rules.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct RuleCase {
  const char *rule;
  QString actual;
  QString expected;
};

TEST(StudentRules, WriteTheTextsOfTheImportFormat) {
  using rules::Street;
  const RuleCase cases[] = {
      {"key, single calendar", rules::PersonKey("1004", QStringLiteral("1021"), false), "1004"},
      {"key, multi calendar", rules::PersonKey("1004", QStringLiteral("1021"), true), "1004_1021"},
      {"key, multi calendar without a structure", rules::PersonKey("1004", std::nullopt, true), "1004"},
      {"name with suffix", rules::NameWithSuffix("Jones", "Jr."), "Jones Jr."},
      {"name without suffix", rules::NameWithSuffix("Chen", ""), "Chen"},
      {"apartment", rules::ApartmentLine("12B"), "Apartment #12B "},
      {"no apartment", rules::ApartmentLine(""), ""},
      {"street line", rules::StreetLine(Street{"123", "N", "Maple", "St"}), "123 N Maple St"},
      {"street line keeps an empty part's blank", rules::StreetLine(Street{"77", "", "Oak", "Ave"}),
       "77  Oak Ave"},
      {"street or PO box, street", rules::StreetOrPoBox(Street{"9", "SW", "Pine", "Ct"}), "9 SW Pine Ct"},
      {"street or PO box, no street", rules::StreetOrPoBox(Street{"4521", "", "", ""}), "PO Box 4521"},
      {"private value", rules::UnlessPrivate("555 401-0301", true), ""},
      {"public value", rules::UnlessPrivate("555 401-0301", false), "555 401-0301"},
      {"locker", rules::JoinDash("A-101", "Main Hall"), "A-101 - Main Hall"},
      {"vehicle", rules::VehicleText("Red", "Toyota", "Corolla"), "Red Toyota Corolla"},
      {"guardian", rules::CustodyYesNo(true, false), "Yes"},
      {"secondary guardian", rules::CustodyYesNo(true, true), "No"},
      {"no guardian", rules::CustodyYesNo(false, false), "No"},
      {"check box set", rules::AttributeValue("checkBox", "1"), "True"},
      {"check box clear", rules::AttributeValue("checkBox", "0"), ""},
      {"date field as read", rules::AttributeValue("dateField", "2026-08-15"), "2026-08-15"},
      {"text field 1 as read", rules::AttributeValue("textBox", "1"), "1"},
      {"condition with status", rules::ConditionStatus("Uses inhaler", "Active"),
       "Uses inhaler; Status: Active; "},
      {"condition status only", rules::ConditionStatus("", "Active"), "Status: Active; "},
      {"condition text only", rules::ConditionStatus("Mild", ""), "Mild; "},
      {"condition without texts", rules::ConditionStatus("", ""), ""},
      {"event with resolution", rules::HealthEventKey("1", "2"), "H1-2"},
      {"event without resolution", rules::HealthEventKey("2", ""), "H2"},
      {"treatment key", rules::TreatmentKey("7"), "T7"},
      {"treatment note, every part",
       rules::TreatmentNote("Inhaler as needed", "15-Jun-2027", "Active", "Kept in the office"),
       "Treatment: Inhaler as needed; EndDate: 15-Jun-2027; Status: Active; Comments: Kept in the office"},
      {"treatment note, description only", rules::TreatmentNote("Nebulizer", "", "", ""),
       "Treatment: Nebulizer"},
      {"treatment note, status only", rules::TreatmentNote("", "", "Active", ""), "Status: Active"},
      {"note with description", rules::NoteText("Needs front seat", "Vision"), "Needs front seat Vision"},
      {"note description only", rules::NoteText("", "Vision"), "Vision"},
      {"note warning only", rules::NoteText("See nurse", ""), "See nurse "},
      {"event resolution, every part", rules::EventResolution("Wheezing", "Inhaler given", "Back to class"),
       "Wheezing; Resolution: Inhaler given Res. Note: Back to class"},
      {"event resolution without note", rules::EventResolution("Wheezing", "Parent called", ""),
       "Wheezing; Resolution: Parent called "},
      {"event resolution note only", rules::EventResolution("", "", "Called"), "Res. Note: Called"},
      {"immunization key", rules::ImmunizationKey("11", 3), "I11-3"},
      {"first dose", rules::DoseNote(1, 2, false), "Dose 1 of 2"},
      {"last counted dose", rules::DoseNote(2, 2, false), "Dose 2 of 2"},
      {"dose beyond the count", rules::DoseNote(3, 2, false), "Extra Dose 1"},
      {"exempt dose", rules::DoseNote(1, 1, true), "Dose 1 of 1 **EXEMPT**"},
      {"dose without a count", rules::DoseNote(1, 0, false), "Extra Dose 1"},
      {"class fee", rules::ActivityKind("C"), "class"},
      {"athletic fee", rules::ActivityKind("A"), "athletic"},
      {"transit fee", rules::ActivityKind("T"), "transit"},
      {"activity fee", rules::ActivityKind("F"), "activity"},
      {"enrollment fee", rules::ActivityKind("E"), "enrollment"},
      {"unknown fee type", rules::ActivityKind("X"), ""},
      {"lower-case fee type", rules::ActivityKind("c"), ""},
      {"whole debit", rules::FeeDebitText("25.00"), "25"},
      {"debit with cents", rules::FeeDebitText("12.50"), "12.50"},
      {"debit below one", rules::FeeDebitText("0.50"), "0.50"},
      {"zero debit", rules::FeeDebitText("0.00"), "0.00"},
      {"whole refund", rules::FeeDebitText("-5.00"), "-5"},
      {"check payment", rules::FeeMethodText("1042", "AUTH778"), "CHECK"},
      {"card payment", rules::FeeMethodText("", "AUTH778"), "CREDIT CARD"},
      {"cash payment", rules::FeeMethodText("", ""), "CASH"},
      {"check number", rules::FeeMethodNumberText("1042", "AUTH778", "$25.00"), "1042"},
      {"card number", rules::FeeMethodNumberText("", "AUTH778", "$5.00"), "AUTH778"},
      {"cash amount", rules::FeeMethodNumberText("", "", "$0.50"), "$0.50"},
      {"assignment key", rules::AssignmentKey("5"), "A-5"},
      {"payment key", rules::PaymentKey("3", "1"), "P-3-1"},
      {"long task name", rules::TaskShortName("Semester 1 Grade"), "S1G"},
      {"four-letter task name", rules::TaskShortName("Exam"), "Exam"},
      {"one long word", rules::TaskShortName("Final"), "F"},
      {"score kind", rules::GradeKind("Semester 1 Grade", "A-", ""), "S1G"},
      {"percent kind", rules::GradeKind("Semester 1 Grade", "91.5", "%"), "S1G%"},
      {"kind of an empty value", rules::GradeKind("Q1", "", "%"), ""},
  };
  for (const RuleCase &c : cases) EXPECT_EQ(c.actual, c.expected) << c.rule;
}

}  // namespace
