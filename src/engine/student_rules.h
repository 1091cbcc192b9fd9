// The text rules of the student exports as plain functions of the values they combine: keys, names,
// address lines, privacy, health and fee texts, grade kinds. The engine's getters read the values
// from the current record and pass them here.
#pragma once

#include <QString>
#include <optional>

namespace rules {

// personID, or personID_structureID in a multi-calendar run when the export reads a structure.
QString PersonKey(const QString &person, const std::optional<QString> &structure, bool multiCalendar);

QString NameWithSuffix(const QString &last, const QString &suffix);

struct Street {
  QString number, dir, street, tag;
};
QString ApartmentLine(const QString &apartment);
// The parts joined by one blank each, empty parts included.
QString StreetLine(const Street &address);
QString StreetOrPoBox(const Street &address);

QString UnlessPrivate(const QString &value, bool isPrivate);
QString JoinDash(const QString &first, const QString &second);
QString VehicleText(const QString &color, const QString &make, const QString &model);
QString CustodyYesNo(bool guardian, bool secondary);
// A custom field's value as the product reads it for its data type.
QString AttributeValue(const QString &dataType, const QString &value);

QString ConditionStatus(const QString &text, const QString &status);
QString HealthEventKey(const QString &eventID, const QString &resolutionID);
QString TreatmentKey(const QString &treatmentID);
// The labelled parts that have a value, joined by "; ".
QString TreatmentNote(const QString &treatment, const QString &endDate, const QString &status,
                      const QString &comments);
QString NoteText(const QString &warning, const QString &description);
QString EventResolution(const QString &comment, const QString &resolution, const QString &resolutionNote);
QString ImmunizationKey(const QString &vaccineID, int dose);
// "Dose n of count" within the shot count, "Extra Dose k" beyond it, marked when exempt.
QString DoseNote(int dose, int shotCount, bool exempt);

// "class", "athletic", "transit", "activity" or "enrollment" for a fee type code, else empty.
QString ActivityKind(const QString &code);
// A fee amount given with two decimals: a whole amount as a whole number, any other with its cents.
QString FeeDebitText(const QString &twoDecimals);
QString FeeMethodText(const QString &checkNumber, const QString &cardAuthorisation);
QString FeeMethodNumberText(const QString &checkNumber, const QString &cardAuthorisation,
                            const QString &moneyText);
QString AssignmentKey(const QString &assignmentID);
QString PaymentKey(const QString &paymentID, const QString &assignmentID);

QString TaskShortName(const QString &name);
// The kind of a grade value: the task's short name with a suffix, empty when there is no value.
QString GradeKind(const QString &taskName, const QString &value, const QString &suffix);

}  // namespace rules
