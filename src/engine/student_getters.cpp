// The student exports' getters: the column being written and its neighbours in the record, passed
// to the text rules.
#include "student_getters.h"

#include "expengine.h"
#include "student_rules.h"

namespace get {

namespace {
const QString kTreatmentEndPattern = QStringLiteral("dd-mmm-yyyy");

rules::Street StreetOf(ExpEngine &engine) {
  return {engine.BesideText("number"), engine.BesideText("dir"), engine.BesideText("street"),
          engine.BesideText("tag")};
}

bool ColumnIsPrivate(ExpEngine &engine) {
  const ODBCField *field = engine.CurrentField();
  return field && engine.BesideFlag((field->Name() + QStringLiteral("Private")).toLatin1().constData());
}
}  // namespace

QString Decimal(ExpEngine &engine) {
  const QString text = engine.ColOneLine();
  bool number = false;
  const double value = text.toDouble(&number);
  return number ? QString::number(value, 'g', 15) : text;
}

QString AlertWhenFlagged(ExpEngine &engine) {
  return engine.ColBoolFlag() ? QStringLiteral("Alert") : QString();
}

QString NameWithSuffix(ExpEngine &engine) {
  return rules::NameWithSuffix(engine.ColOneLine(), engine.BesideText("suffix"));
}

QString ApartmentLine(ExpEngine &engine) {
  return rules::ApartmentLine(engine.ColOneLine());
}

QString StreetLine(ExpEngine &engine) {
  return rules::StreetLine(StreetOf(engine));
}

QString StreetOrPoBox(ExpEngine &engine) {
  return rules::StreetOrPoBox(StreetOf(engine));
}

QString UnlessPrivate(ExpEngine &engine) {
  return rules::UnlessPrivate(engine.ColOneLine(), ColumnIsPrivate(engine));
}

// A private number is not formatted at all, so its warnings stay out of the log too.
QString PhoneUnlessPrivate(ExpEngine &engine) {
  return ColumnIsPrivate(engine) ? QString() : engine.ColPhone();
}

QString LockerAndLocation(ExpEngine &engine) {
  return rules::JoinDash(engine.ColOneLine(), engine.BesideText("location"));
}

QString VehicleText(ExpEngine &engine) {
  return rules::VehicleText(engine.ColOneLine(), engine.BesideText("make"), engine.BesideText("model"));
}

QString CustodyYesNo(ExpEngine &engine) {
  return rules::CustodyYesNo(engine.ColBoolFlag(), engine.BesideFlag("secondary"));
}

QString AttributeValue(ExpEngine &engine) {
  return rules::AttributeValue(engine.Text("A.dataType"), engine.ColOneLine());
}

QString ConditionStatus(ExpEngine &engine) {
  return rules::ConditionStatus(engine.ColOneLine(), engine.BesideText("status"));
}

QString HealthEventKey(ExpEngine &engine) {
  return rules::HealthEventKey(engine.ColOneLine(), engine.BesideText("resID"));
}

QString EventResolution(ExpEngine &engine) {
  return rules::EventResolution(engine.ColOneLine(), engine.BesideText("resolutionDescription"),
                                engine.BesideText("resolutionComments"));
}

QString TreatmentKey(ExpEngine &engine) {
  return rules::TreatmentKey(engine.ColOneLine());
}

QString TreatmentNote(ExpEngine &engine) {
  const QString endDate = engine.DateOf(engine.Beside("treatmentEnd")).Format(kTreatmentEndPattern);
  return rules::TreatmentNote(engine.ColOneLine(), endDate, engine.BesideText("treatmentStatus"),
                              engine.BesideText("treatmentComments"));
}

QString NoteText(ExpEngine &engine) {
  return rules::NoteText(engine.ColOneLine(), engine.BesideText("studentDescription"));
}

QString ActivityKind(ExpEngine &engine) {
  return engine.ColActivityKind();
}

QString FeeDebit(ExpEngine &engine) {
  return rules::FeeDebitText(engine.ColMoney().mid(1));
}

QString FeeMethodText(ExpEngine &engine) {
  return rules::FeeMethodText(engine.Text("FP.checkNumber"), engine.Text("FP.creditCardAuthNumber"));
}

QString FeeMethodNumberText(ExpEngine &engine) {
  return rules::FeeMethodNumberText(engine.Text("FP.checkNumber"), engine.Text("FP.creditCardAuthNumber"),
                                    engine.ColMoney());
}

QString AssignmentKey(ExpEngine &engine) {
  return rules::AssignmentKey(engine.ColOneLine());
}

QString PaymentKey(ExpEngine &engine) {
  return rules::PaymentKey(engine.ColOneLine(), engine.BesideText("assignmentID"));
}

QString ScoreKind(ExpEngine &engine) {
  return rules::GradeKind(engine.ColOneLine(), engine.Text("GS.score"), QString());
}

QString PercentKind(ExpEngine &engine) {
  return rules::GradeKind(engine.ColOneLine(), engine.Text("GS.percent"), QStringLiteral("%"));
}

}  // namespace get
