// The declaration of one export as data: its tables with aliases, output and query-only columns
// with their value getters, join conditions, its own conditions, the named condition blocks it adds,
// DISTINCT, the columns the database sorts by, and its row filter. One routine of the engine runs every
// declaration.
#pragma once

#include <QString>
#include <utility>
#include <vector>

class DelimitedOutput;
class ExpEngine;

namespace exportdef {

// Returns the text written for a column of the current record.
using Getter = QString (*)(ExpEngine &engine);
// Writes the rows of an export that does not write one line per record; returns the lines written.
using RowWriter = int (*)(ExpEngine &engine, DelimitedOutput &output);

// The fields that row filters, keys and lookups read, registered while a query is described.
enum Registration : unsigned {
  kNoRegistration = 0,
  kStudentField = 1,
  kStructureField = 2,
  kSectionField = 4,
  kExcuseField = 8,
  kConductField = 16,
  kAttendanceDateField = 32,
};

enum class Filter {
  None,
  IncludedStudent,
  IncludedStudentSection,
  IncludedSection,
  ReferencedConductKey,
  IncludedStudentReferencedConductKey,
};

// A pseudo column of Calendar and SchoolYear: yearID where the table has it, else endYear.
inline constexpr const char *kYearLink = "$yearLink";

struct CustomField {
  const char *kind = nullptr;  // e.g. "#customcomfield"; none when null
  const char *title = "";
  const char *name = "";
  const char *extra = "";
};

// One column of an export. A column with a header writes one value per record: the getter's text
// for a source column, or the constant for a column without source. A column without a header is
// query-only: selected so that getters and filters can read it.
struct Column {
  const char *source = nullptr;  // "ALIAS.column"
  const char *header = nullptr;  // the import column
  Getter get = nullptr;          // none: the one-line text of the source column
  bool required = false;
  unsigned registers = kNoRegistration;
  const char *constant = nullptr;
  CustomField custom = {};

  Column &&Custom(const char *kind, const char *title, const char *name, const char *extra) && {
    custom = {kind, title, name, extra};
    return std::move(*this);
  }
};

inline constexpr bool kRequired = true;
inline constexpr bool kOptional = false;

inline Column Out(const char *source, const char *header, Getter get = nullptr, bool required = false,
                  unsigned registers = kNoRegistration) {
  return Column{source, header, get, required, registers, nullptr, {}};
}
inline Column QueryOnly(const char *source, bool required = false, unsigned registers = kNoRegistration) {
  return Column{source, nullptr, nullptr, required, registers, nullptr, {}};
}
inline Column Constant(const char *header, const char *value) {
  return Column{nullptr, header, nullptr, false, kNoRegistration, value, {}};
}
// An import column that the source system does not feed: one empty value keeps the row aligned.
inline Column Blank(const char *header) {
  return Constant(header, "");
}

// The run's values, rendered by the database's dialect where a condition names them.
enum class RunValue { District, School, Year, Today };

struct Operand {
  enum class Kind { Field, Number, Text, Run, Null } kind = Kind::Null;
  const char *text = nullptr;  // a field "ALIAS.column" or a text constant
  long long number = 0;
  RunValue run = RunValue::Today;
};

inline Operand Field(const char *source) {
  return {Operand::Kind::Field, source, 0, RunValue::Today};
}
inline Operand Number(long long value) {
  return {Operand::Kind::Number, nullptr, value, RunValue::Today};
}
inline Operand Text(const char *value) {
  return {Operand::Kind::Text, value, 0, RunValue::Today};
}
inline Operand Run(RunValue value) {
  return {Operand::Kind::Run, nullptr, 0, value};
}
inline Operand Null() {
  return {};
}

// "left op right", or, with alternatives, a parenthesised group joined by OR. A condition on a
// column that older databases lack is left out, with a warning, where its column is missing.
struct Condition {
  const char *left = nullptr;
  const char *op = nullptr;
  Operand right = {};
  std::vector<Condition> anyOf = {};
  bool columnMayBeMissing = false;
};

inline Condition Where(const char *left, const char *op, Operand right) {
  return {left, op, right, {}};
}
inline Condition IsNull(const char *left) {
  return {left, "IS", Null(), {}};
}
inline Condition NotNull(const char *left) {
  return {left, "IS NOT", Null(), {}};
}
inline Condition AnyOf(std::vector<Condition> alternatives) {
  return {nullptr, nullptr, {}, std::move(alternatives)};
}
inline Condition WhereColumnExists(Condition condition) {
  condition.columnMayBeMissing = true;
  return condition;
}

struct ExportDef;

// Two fields that must be equal: the edges that tie an export's tables together.
struct Join {
  const char *left;
  const char *right;
};

// A condition group that recurs, rendered with the run's values by one function each.
struct Block {
  enum class Kind {
    DistrictSchool,  // alias.districtID = district AND alias.schoolID = school
    School,          // alias.schoolID = school
    Enrollment,      // alias.startYear = year AND the active enrollment
    CalendarYear,    // the calendar (alias) of the school in the run's year (second)
    StaffActive,     // the staff member (alias) has not left before today or the cutoff
    NotExists,       // the subquery finds no row; its conditions may name this query's aliases
  } kind;
  const char *alias;
  const char *second = nullptr;
  const ExportDef *subquery = nullptr;
};

inline Block DistrictSchool(const char *alias) {
  return {Block::Kind::DistrictSchool, alias};
}
inline Block School(const char *alias) {
  return {Block::Kind::School, alias};
}
inline Block Enrollment(const char *alias) {
  return {Block::Kind::Enrollment, alias};
}
inline Block CalendarYear(const char *calendarAlias, const char *yearAlias) {
  return {Block::Kind::CalendarYear, calendarAlias, yearAlias};
}
inline Block StaffActive(const char *alias) {
  return {Block::Kind::StaffActive, alias};
}
// The subquery needs one selected column; its table hints and quoting are those of the main query.
inline Block NotExists(const ExportDef &subquery) {
  return {Block::Kind::NotExists, nullptr, nullptr, &subquery};
}

// A table under its alias; where the source system has a second layout of the same columns under
// another name, that name is used when the database lacks the first.
struct Table {
  const char *name;
  const char *alias;
  const char *otherLayout = nullptr;
};

struct ExportDef {
  const char *title = "";
  const char *file = "";  // empty for a lookup query
  // In the FROM order: each table after the first is tied to one before it, so a database that
  // joins in the order it is given never pairs every row of one table with every row of another.
  std::vector<Table> tables = {};
  std::vector<Column> columns = {};
  std::vector<Join> joins = {};
  std::vector<Condition> where = {};
  std::vector<Block> blocks = {};
  bool distinct = false;
  // Selected columns the database sorts the rows by, for a reader that takes the first rows. Table
  // files need none (the writer orders their rows), and no long-text column may be named here: some
  // databases cannot sort on one.
  std::vector<const char *> orderBy = {};
  Filter filter = Filter::None;
  // An export that writes its rows itself: the field names of its table and its row writer. The
  // columns above then only describe the query the writer reads (none: no query).
  std::vector<const char *> header = {};
  RowWriter rows = nullptr;
};

}  // namespace exportdef
