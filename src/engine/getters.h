// The value getters that export declarations name: each turns the current record's column (and the
// fields the export declared beside it) into the text written for one import column.
#pragma once

#include <QString>

class ExpEngine;

namespace get {

QString Date(ExpEngine &engine);
QString Time(ExpEngine &engine);
QString DateTime(ExpEngine &engine);
// "$" and the amount with two decimals.
QString Money(ExpEngine &engine);
QString Int(ExpEngine &engine);
QString OneZero(ExpEngine &engine);

QString StudentKey(ExpEngine &engine);
QString StaffMemberKey(ExpEngine &engine);
QString AttendanceCodeOrStatus(ExpEngine &engine);
QString LookupAttributeName(ExpEngine &engine);
QString CollectConductKey(ExpEngine &engine);

// Attendance code flags: "1" for an absence or tardy status, "Y" for an excused code.
QString AbsentFlag(ExpEngine &engine);
QString TardyFlag(ExpEngine &engine);
QString ExcusedYesNo(ExpEngine &engine);

}  // namespace get
