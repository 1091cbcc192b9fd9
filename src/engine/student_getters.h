// The value getters of the student exports, whose name, address, phone and vehicle getters the staff
// exports share: each reads the column being written and the columns
// beside it in the same record, and applies the matching text rule.
#pragma once

#include <QString>

class ExpEngine;

namespace get {

// A number's shortest text ("91.5" for 91.50); empty stays empty.
QString Decimal(ExpEngine &engine);
// "Alert" for a flagged row, else empty.
QString AlertWhenFlagged(ExpEngine &engine);

// Names and addresses: the suffix, number, dir, street and tag columns of the same table.
QString NameWithSuffix(ExpEngine &engine);
QString ApartmentLine(ExpEngine &engine);
QString StreetLine(ExpEngine &engine);
QString StreetOrPoBox(ExpEngine &engine);
// Empty when the column's private flag (its name + "Private", as phonePrivate) is set; the phone
// form formats the number as well.
QString UnlessPrivate(ExpEngine &engine);
QString PhoneUnlessPrivate(ExpEngine &engine);
QString LockerAndLocation(ExpEngine &engine);
QString VehicleText(ExpEngine &engine);
// Read from the guardian column, with the secondary flag beside it.
QString CustodyYesNo(ExpEngine &engine);
// A custom field's value for the data type of its attribute (alias "A").
QString AttributeValue(ExpEngine &engine);

// Health texts and keys.
QString ConditionStatus(ExpEngine &engine);
QString HealthEventKey(ExpEngine &engine);
QString EventResolution(ExpEngine &engine);
QString TreatmentKey(ExpEngine &engine);
QString TreatmentNote(ExpEngine &engine);
QString NoteText(ExpEngine &engine);

// Fees: the activity kind of a fee type, the debit amount, the payment's method and its number
// (the payment under alias "FP").
QString ActivityKind(ExpEngine &engine);
QString FeeDebit(ExpEngine &engine);
QString FeeMethodText(ExpEngine &engine);
QString FeeMethodNumberText(ExpEngine &engine);
QString AssignmentKey(ExpEngine &engine);
QString PaymentKey(ExpEngine &engine);

// Grades: the kinds of the score and percent pairs, read from the task name (scores under "GS").
QString ScoreKind(ExpEngine &engine);
QString PercentKind(ExpEngine &engine);

}  // namespace get
