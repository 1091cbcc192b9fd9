// The text rules of the student exports, written literally: parts are joined as the import format
// expects them, an empty part leaves its blanks in address and vehicle lines.
#include "student_rules.h"

#include <QStringList>

namespace rules {

namespace {
const QString kBlank = QStringLiteral(" ");

// prefix + value + suffix when the value is not empty, else nothing.
QString Labelled(const QString &prefix, const QString &value, const QString &suffix = QString()) {
  return value.isEmpty() ? QString() : prefix + value + suffix;
}
}  // namespace

QString PersonKey(const QString &person, const std::optional<QString> &structure, bool multiCalendar) {
  if (!multiCalendar || !structure) return person;
  return person + QLatin1Char('_') + *structure;
}

QString NameWithSuffix(const QString &last, const QString &suffix) {
  return last + Labelled(kBlank, suffix);
}

QString ApartmentLine(const QString &apartment) {
  return Labelled(QStringLiteral("Apartment #"), apartment, kBlank);
}

QString StreetLine(const Street &address) {
  return QStringList{address.number, address.dir, address.street, address.tag}.join(kBlank);
}

QString StreetOrPoBox(const Street &address) {
  return address.street.isEmpty() ? QStringLiteral("PO Box ") + address.number : StreetLine(address);
}

QString UnlessPrivate(const QString &value, bool isPrivate) {
  return isPrivate ? QString() : value;
}

QString JoinDash(const QString &first, const QString &second) {
  return first + QStringLiteral(" - ") + second;
}

QString VehicleText(const QString &color, const QString &make, const QString &model) {
  return QStringList{color, make, model}.join(kBlank);
}

QString CustodyYesNo(bool guardian, bool secondary) {
  return guardian && !secondary ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString AttributeValue(const QString &dataType, const QString &value) {
  if (dataType != QLatin1String("checkBox")) return value;
  if (value == QLatin1String("1")) return QStringLiteral("True");
  if (value == QLatin1String("0")) return {};
  return value;
}

QString ConditionStatus(const QString &text, const QString &status) {
  return Labelled(QString(), text, QStringLiteral("; ")) +
         Labelled(QStringLiteral("Status: "), status, QStringLiteral("; "));
}

QString HealthEventKey(const QString &eventID, const QString &resolutionID) {
  return QLatin1Char('H') + eventID + Labelled(QStringLiteral("-"), resolutionID);
}

QString TreatmentKey(const QString &treatmentID) {
  return QLatin1Char('T') + treatmentID;
}

QString TreatmentNote(const QString &treatment, const QString &endDate, const QString &status,
                      const QString &comments) {
  QStringList parts;
  for (const auto &[label, value] : {std::pair{"Treatment: ", treatment}, std::pair{"EndDate: ", endDate},
                                     std::pair{"Status: ", status}, std::pair{"Comments: ", comments}})
    if (!value.isEmpty()) parts << QLatin1String(label) + value;
  return parts.join(QStringLiteral("; "));
}

QString NoteText(const QString &warning, const QString &description) {
  return Labelled(QString(), warning, kBlank) + description;
}

QString EventResolution(const QString &comment, const QString &resolution, const QString &resolutionNote) {
  return Labelled(QString(), comment, QStringLiteral("; ")) +
         Labelled(QStringLiteral("Resolution: "), resolution, kBlank) +
         Labelled(QStringLiteral("Res. Note: "), resolutionNote);
}

QString ImmunizationKey(const QString &vaccineID, int dose) {
  return QLatin1Char('I') + vaccineID + QLatin1Char('-') + QString::number(dose);
}

QString DoseNote(int dose, int shotCount, bool exempt) {
  const QString note = dose <= shotCount ? QStringLiteral("Dose %1 of %2").arg(dose).arg(shotCount)
                                         : QStringLiteral("Extra Dose %1").arg(dose - shotCount);
  return exempt ? note + QStringLiteral(" **EXEMPT**") : note;
}

QString ActivityKind(const QString &code) {
  static const struct {
    const char *code;
    const char *kind;
  } kKinds[] = {{"C", "class"}, {"A", "athletic"}, {"T", "transit"}, {"F", "activity"}, {"E", "enrollment"}};
  for (const auto &entry : kKinds)
    if (code == QLatin1String(entry.code)) return QString::fromLatin1(entry.kind);
  return {};
}

QString FeeDebitText(const QString &twoDecimals) {
  const QString whole = twoDecimals.chopped(qMin<qsizetype>(3, twoDecimals.size()));
  const bool zero = whole == QLatin1String("0") || whole == QLatin1String("-0");
  if (twoDecimals.endsWith(QLatin1String(".00")) && !zero) return whole;
  return twoDecimals;
}

QString FeeMethodText(const QString &checkNumber, const QString &cardAuthorisation) {
  if (!checkNumber.isEmpty()) return QStringLiteral("CHECK");
  if (!cardAuthorisation.isEmpty()) return QStringLiteral("CREDIT CARD");
  return QStringLiteral("CASH");
}

QString FeeMethodNumberText(const QString &checkNumber, const QString &cardAuthorisation,
                            const QString &moneyText) {
  if (!checkNumber.isEmpty()) return checkNumber;
  if (!cardAuthorisation.isEmpty()) return cardAuthorisation;
  return moneyText;
}

QString AssignmentKey(const QString &assignmentID) {
  return QStringLiteral("A-") + assignmentID;
}

QString PaymentKey(const QString &paymentID, const QString &assignmentID) {
  return QStringLiteral("P-") + paymentID + QLatin1Char('-') + assignmentID;
}

QString TaskShortName(const QString &name) {
  if (name.size() <= 4) return name;
  QString shortName = name.left(1);
  for (qsizetype i = 0; i + 1 < name.size(); ++i)
    if (name[i] == QLatin1Char(' ')) shortName += name[i + 1];
  return shortName;
}

QString GradeKind(const QString &taskName, const QString &value, const QString &suffix) {
  return value.isEmpty() ? QString() : TaskShortName(taskName) + suffix;
}

}  // namespace rules
