// The lookup tables read before the exports (included students and sections, attendance codes,
// attribute names), the row filters and lookups built on them, and the student and staff keys.
#include "expengine.h"
#include "exports.h"
#include "loglevels.h"
#include "student_rules.h"

namespace {
const QString kIncludedStudent = QStringLiteral("ExpEngine::IsIncludedStudent");

bool IsVowel(QChar c) {
  return QStringLiteral("aeiouAEIOU").contains(c);
}
}  // namespace

void ExpEngine::BuildLookupTables() {
  for (LookupList *list : {&includedStudents_, &defaultCalendarStudents_, &attendanceCodes_,
                           &includedSections_, &referencedConductEvents_, &attributeNames_})
    list->Clear();
  const std::pair<const exportdef::ExportDef *, std::function<void()>> lookups[] = {
      {&exports::IncludedStudentsLut(),
       [this] {
         const QString person = GetFieldText(registered_.student);
         includedStudents_.Insert(person);
         if (!run_.defaultCalendar.isEmpty() && registered_.structure &&
             GetFieldText(registered_.structure) == run_.defaultCalendar)
           defaultCalendarStudents_.Insert(person);
       }},
      {&exports::AttendanceCodesLut(),
       [this] { attendanceCodes_.Insert(GetFieldText(registered_.excuse), Text("AE.code")); }},
      {&exports::IncludedSectionsLut(),
       [this] { includedSections_.Insert(GetFieldText(registered_.section)); }},
      {&exports::BuildingAttributeLut(),
       [this] {
         attributeNames_.Insert(GetFieldText(FieldOf("A.attributeID")), AbbreviateName(Text("A.name"), 14));
       }},
  };
  for (const auto &[definition, onRecord] : lookups) RunQueryAhead(PlannedQueryText(*definition));
  for (const auto &[definition, onRecord] : lookups) RunLookup(*definition, onRecord);
}

bool ExpEngine::IsIncludedStudent() {
  if (!registered_.student) return false;
  const QString person = GetFieldText(registered_.student);
  if (!includedStudents_.Contains(person)) return false;
  // A database without structureID cannot tell enrollments apart: the student is written from
  // every enrollment row, as the export reads them.
  if (!registered_.structure) {
    if (!warnedNoStructure_)
      Log(kWarning,
          QStringLiteral("No structureID in ") + (CurrentHeader() ? CurrentHeader()->name : QString()) +
              QStringLiteral(": students are included by personID alone, without the default calendar."),
          kIncludedStudent);
    warnedNoStructure_ = true;
    return true;
  }
  if (run_.defaultCalendar.isEmpty() || GetFieldText(registered_.structure) == run_.defaultCalendar)
    return true;
  return !defaultCalendarStudents_.Contains(person);
}

bool ExpEngine::IsIncludedStudentSection() {
  return IsIncludedStudent() && IsIncludedSection();
}

bool ExpEngine::IsIncludedSection() {
  return registered_.section && includedSections_.Contains(GetFieldText(registered_.section));
}

bool ExpEngine::IsReferencedConductKey() {
  return registered_.conduct && referencedConductEvents_.Contains(GetFieldText(registered_.conduct));
}

QString ExpEngine::LookupAttendanceCode() {
  if (!registered_.excuse) return {};
  const QString *code = attendanceCodes_.Find(GetFieldText(registered_.excuse));
  return code ? *code : QString();
}

QString ExpEngine::AttendanceCodeOrStatus() {
  if (!registered_.excuse || GetFieldText(registered_.excuse).isEmpty()) return ColOneLine();
  return LookupAttendanceCode();
}

QString ExpEngine::LookupAttributeName() {
  const QString *name = attributeNames_.Find(ColOneLine());
  return name ? *name : QString();
}

QString ExpEngine::CollectConductKey() {
  const QString key = ColOneLine();
  referencedConductEvents_.Insert(key, key);
  return key;
}

std::optional<QString> ExpEngine::RegisteredStructure() {
  if (!registered_.structure) return std::nullopt;
  return GetFieldText(registered_.structure);
}

QString ExpEngine::StudentKey() {
  return rules::PersonKey(ColOneLine(), RegisteredStructure(), run_.studentMultiCalendar);
}

QString ExpEngine::StaffMemberKey() {
  return rules::PersonKey(ColOneLine(), RegisteredStructure(), run_.multiCalendar);
}

QString ExpEngine::AbbreviateName(const QString &text, int limit) {
  QString name = text;
  if (name.size() <= limit) return name;
  // Vowels go first, but never a word's first letter; at position 1 the letter before is not checked.
  for (qsizetype i = 1; i < name.size() && name.size() > limit;) {
    if (IsVowel(name[i]) && (i == 1 || name[i - 1] != QLatin1Char(' ')))
      name.remove(i, 1);
    else
      ++i;
  }
  // Then one letter from the end of each word in turn, left to right.
  const qsizetype initialLength = text.size();
  qsizetype steps = 0;
  qsizetype p = 0;
  while (name.size() > limit) {
    if (++steps > initialLength) return name.left(14);
    qsizetype end = name.indexOf(QLatin1Char(' '), p);
    if (end < 0) end = name.size();
    if (end > p) name.remove(end - 1, 1);
    name = name.trimmed();
    p = end + 1;
    if (p >= name.size()) p = 0;
  }
  return name;
}
