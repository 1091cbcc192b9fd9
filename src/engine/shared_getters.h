// Value getters that student and staff exports share: names with their suffix, address lines,
// private phones and e-mail addresses, vehicles and date-times. Each composes its text from the
// current column and columns declared beside it on the same table alias (the suffix beside the
// last name, the number, direction and tag beside the street).
#pragma once

#include <QString>

class ExpEngine;

namespace get {

// lastName, then " " and suffix when the suffix is not empty.
QString NameWithSuffix(ExpEngine &engine);
// On apt: "Apartment #" + apt + " ", or empty without an apartment.
QString ApartmentLine(ExpEngine &engine);
// On street: number + " " + dir + " " + street + " " + tag.
QString StreetLine(ExpEngine &engine);
// On street: the street line, or "PO Box " + number when the street is empty.
QString StreetOrPoBox(ExpEngine &engine);
// The value, or empty when the column's private flag (the column's name + "Private") is set.
QString UnlessPrivate(ExpEngine &engine);
// As UnlessPrivate, the value formatted as a phone number.
QString PhoneUnlessPrivate(ExpEngine &engine);
// color + " " + make + " " + model.
QString VehicleText(ExpEngine &engine);
// The date and time in the import's date-time pattern.
QString DateTime(ExpEngine &engine);

// For getters: the one-line text of a column declared beside the current one on the same table
// alias; empty when it was not declared or the database lacks it.
QString TextBeside(ExpEngine &engine, const char *column);

}  // namespace get
