// Pieces every student export declares: the student key of its enrollment table, the enrollment's
// structure (read by the inclusion filter and the multi-calendar key), and the enrollment blocks.
#pragma once

#include <initializer_list>
#include <vector>

#include "exportdef.h"
#include "getters.h"

namespace exports {

inline exportdef::Column StudentKeyColumn(const char *source, const char *header,
                                          bool required = exportdef::kRequired) {
  return exportdef::Out(source, header, get::StudentKey, required, exportdef::kStudentField);
}

inline exportdef::Column EnrollmentStructure(const char *source) {
  return exportdef::QueryOnly(source, exportdef::kOptional, exportdef::kStructureField);
}

// The enrollment in the run's district, school and year, still active.
inline std::vector<exportdef::Block> EnrolledIn(const char *alias) {
  return {exportdef::DistrictSchool(alias), exportdef::Enrollment(alias)};
}

// A NULL or zero flag.
inline exportdef::Condition NotSet(const char *flag) {
  return exportdef::AnyOf({exportdef::IsNull(flag), exportdef::Where(flag, "=", exportdef::Number(0))});
}

// No end date, or one not before today.
inline exportdef::Condition NotEndedBeforeToday(const char *endDate) {
  return exportdef::AnyOf({exportdef::IsNull(endDate),
                           exportdef::Where(endDate, ">=", exportdef::Run(exportdef::RunValue::Today))});
}

// A relationship or assignment that has not ended before today. A database that keeps no end date
// for it has every row current.
inline exportdef::Condition CurrentWhereDated(const char *endDate) {
  return exportdef::WhereColumnExists(NotEndedBeforeToday(endDate));
}

inline std::vector<exportdef::Column> Joined(std::initializer_list<std::vector<exportdef::Column>> parts) {
  std::vector<exportdef::Column> columns;
  for (const auto &part : parts) columns.insert(columns.end(), part.begin(), part.end());
  return columns;
}

}  // namespace exports
