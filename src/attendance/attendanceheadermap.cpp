// Header names of the attendance query mapped onto the columns of the attendance cache.
#include "attendanceheadermap.h"

#include "bridgetaskbase.h"
#include "loglevels.h"
#include "xexception.h"

namespace {

const QString kRangePeriodHeader = QStringLiteral("AttPerRef");
const QString kRangeTimeSlotHeader = QStringLiteral("AttTimeSlot");
// A day has far fewer periods; a wider range is bad data that would exhaust memory.
constexpr qint64 kMaxPeriodRange = 100;

// "N" for a zero count and "Y" for any other, or the reverse for an unexcused column.
QString excusedFor(const QString &value, bool excusedColumn) {
  const bool zero = value == QLatin1String("0");
  return (zero == excusedColumn) ? QStringLiteral("N") : QStringLiteral("Y");
}

}  // namespace

AttendanceHeaderMap::AttendanceHeaderMap(const QStringList &headers, AttendanceHeaderSets &sets,
                                         BridgeTaskBase &task, const QString &method)
    : headers_(headers), sets_(sets), task_(task), method_(method) {
  for (int i = 0; i < headers.size(); ++i) {
    const QString &name = headers[i];
    const QString upper = name.toUpper();
    Target target = Target::Ignored;
    if (upper == "ATTSTDREF") {
      target = Target::StdKey;
    } else if (upper == "ATTDATE") {
      target = Target::Date;
    } else if (upper == "ATTPERREF" || upper == "ATTSECREF" || upper == "ATTTIMESLOT") {
      target = Target::Period;
      periodHeader_ = name;
      sets_.periodHeaders.insert(name);
    } else if (upper == "ATTTIMEFRAMEREF") {
      target = Target::Period;
      periodHeader_ = name;
      sets_.timeFrameHeaders.insert(name);
    } else if (upper == "ATTSTARTPERREF" || upper == "ATTENDPERREF") {
      target = upper == "ATTSTARTPERREF" ? Target::RangeStart : Target::RangeEnd;
      rangeHeader_ = kRangePeriodHeader;
      sets_.periodHeaders.insert(kRangePeriodHeader);
    } else if (upper == "ATTSTARTTIMESLOT" || upper == "ATTENDTIMESLOT") {
      target = upper == "ATTSTARTTIMESLOT" ? Target::RangeStart : Target::RangeEnd;
      rangeHeader_ = kRangeTimeSlotHeader;
      sets_.timeFrameHeaders.insert(kRangeTimeSlotHeader);
    } else if (upper == "ATTATTCODEREF") {
      target = Target::Code;
    } else if (upper == "ATTATTREASONREF") {
      target = Target::Reason;
    } else if (upper == "ATTEXCUSED") {
      target = Target::Excused;
    } else if (upper == "ATTABS") {
      target = Target::Absent;
    } else if (upper == "ATTTARDY") {
      target = Target::Tardy;
    } else if (upper == "ATTTRUANT") {
      target = Target::Truant;
    } else if (upper == "ATTEXCABS" || upper == "ATTUNEXCABS" || upper == "ATTEXCTARDY" ||
               upper == "ATTUNEXCTARDY" || upper == "ATTDISCIPLINE") {
      target = upper == "ATTEXCABS"       ? Target::ExcAbs
               : upper == "ATTUNEXCABS"   ? Target::UnexcAbs
               : upper == "ATTEXCTARDY"   ? Target::ExcTardy
               : upper == "ATTUNEXCTARDY" ? Target::UnexcTardy
                                          : Target::Discipline;
      warnOnce("SQLite Attendance: Untested header: " + name + ", please ensure this is tested");
    } else {
      warnOnce("SQLite Attendance: Unsupported header: " + name + ", skipping.");
    }
    targets_.append(target);
    if (target == Target::RangeStart) rangeStart_ = i;
    if (target == Target::RangeEnd) rangeEnd_ = i;
  }
  // A range is given by either of its ends; a missing end reads as empty and fails as not numeric.
  if (rangeStart_ < 0 && rangeEnd_ >= 0) rangeStart_ = headers.size();
}

void AttendanceHeaderMap::warnOnce(const QString &text) {
  if (sets_.headerWarningLogged) return;
  sets_.headerWarningLogged = true;
  task_.Log(kWarning, text, method_);
}

QList<AttendanceCacheRow> AttendanceHeaderMap::Rows(const QStringList &values,
                                                    const AttendanceDateParser &parseDate) const {
  AttendanceCacheRow row;
  QString rangeFrom;
  QString rangeTo;
  QString dateText;
  row.header = periodHeader_;
  const int count = std::min(int(values.size()), int(targets_.size()));
  for (int i = 0; i < count; ++i) {
    const QString &value = values[i];
    switch (targets_[i]) {
      case Target::Ignored:
        break;
      case Target::StdKey:
        row.stdkey = value;
        break;
      case Target::Date:
        dateText = value;
        row.attdate = parseDate(value);
        break;
      case Target::Period:
        row.period = value;
        break;
      case Target::RangeStart:
        rangeFrom = value;
        break;
      case Target::RangeEnd:
        rangeTo = value;
        break;
      case Target::Code:
        row.code = value;
        break;
      case Target::Reason:
        row.reason = value;
        break;
      case Target::Excused:
        row.excused = value;
        break;
      case Target::Absent:
        row.absent = value;
        break;
      case Target::Tardy:
        row.tardy = value;
        break;
      case Target::Truant:
        row.truant = value;
        break;
      case Target::Discipline:
        row.discipline = value;
        break;
      case Target::ExcAbs:
      case Target::UnexcAbs:
        row.absent = value;
        if (!value.isEmpty()) row.excused = excusedFor(value, targets_[i] == Target::ExcAbs);
        break;
      case Target::ExcTardy:
      case Target::UnexcTardy:
        row.tardy = value;
        if (!value.isEmpty()) row.excused = excusedFor(value, targets_[i] == Target::ExcTardy);
        break;
    }
  }
  if (!HasRange()) return {row};

  bool fromOk = false;
  bool toOk = false;
  const int from = rangeFrom.trimmed().toInt(&fromOk);
  const int to = rangeTo.trimmed().toInt(&toOk);
  if (!fromOk || !toOk) {
    task_.Log(kError,
              "SQLite Attendance: Unsupported header: " + rangeHeader_ +
                  ", cannot continue because Periods or Timeframes are not numeric.",
              method_);
    throw XException(
        QStringLiteral("SQLite Attendance: Unsupported header: %1, cannot continue.").arg(rangeHeader_));
  }
  if (qint64(to) - qint64(from) + 1 > kMaxPeriodRange) {
    task_.Log(kWarning,
              QStringLiteral("SQLite Attendance: Period range %1 to %2 of student %3 on %4 is wider than %5 "
                             "periods, skipping the row.")
                  .arg(from)
                  .arg(to)
                  .arg(row.stdkey, dateText)
                  .arg(kMaxPeriodRange),
              method_);
    return {};
  }
  QList<AttendanceCacheRow> rows;
  row.header = rangeHeader_;
  // Counted in 64 bits: an end at the integer limit must not overflow the loop.
  for (qint64 period = from; period <= to; ++period) {
    row.period = QString::number(period);
    rows.append(row);
  }
  return rows;
}
