// Checks that walk every export declaration at once: each import column writes one value, every
// alias a declaration names is one of its tables, its tables form one joined whole (no cartesian
// product) in which each table is tied to one before it, and hostile run values reach the SQL only
// inside quoted literals.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <cstring>
#include <map>

#include "exports.h"
#include "school_databases.h"
#include "test_support.h"
#include "tiny_run.h"

using namespace exportdef;

namespace {

QString AliasOf(const char *source) {
  const char *dot = std::strchr(source, '.');
  return QString::fromLatin1(source, dot ? dot - source : qsizetype(std::strlen(source)));
}

// Every field reference of a declaration: columns, joins, conditions (with their alternatives).
QStringList References(const ExportDef &definition) {
  QStringList references;
  for (const Column &column : definition.columns)
    if (column.source) references << QString::fromLatin1(column.source);
  for (const Join &join : definition.joins) references << join.left << join.right;
  std::function<void(const Condition &)> walk = [&](const Condition &condition) {
    if (condition.left) references << condition.left;
    if (condition.right.kind == Operand::Kind::Field) references << condition.right.text;
    for (const Condition &alternative : condition.anyOf) walk(alternative);
  };
  for (const Condition &condition : definition.where) walk(condition);
  for (const Block &block : definition.blocks) {
    if (block.alias) references << block.alias;
    if (block.second) references << block.second;
  }
  return references;
}

// The pairs of aliases that joins, field-to-field conditions and blocks tie together, both ways.
std::multimap<QString, QString> Ties(const ExportDef &definition) {
  std::multimap<QString, QString> edges;
  auto tie = [&edges](const QString &a, const QString &b) {
    edges.emplace(a, b);
    edges.emplace(b, a);
  };
  for (const Join &join : definition.joins) tie(AliasOf(join.left), AliasOf(join.right));
  std::function<void(const Condition &)> walk = [&](const Condition &condition) {
    if (condition.left && condition.right.kind == Operand::Kind::Field)
      tie(AliasOf(condition.left), AliasOf(condition.right.text));
    for (const Condition &alternative : condition.anyOf) walk(alternative);
  };
  for (const Condition &condition : definition.where) walk(condition);
  for (const Block &block : definition.blocks)
    if (block.second) tie(QString::fromLatin1(block.alias), QString::fromLatin1(block.second));
  return edges;
}

// The aliases reached from the first table through the ties.
QSet<QString> Connected(const ExportDef &definition) {
  const std::multimap<QString, QString> edges = Ties(definition);
  QSet<QString> reached{QString::fromLatin1(definition.tables.front().alias)};
  for (QStringList pending(reached.begin(), reached.end()); !pending.isEmpty();) {
    const QString alias = pending.takeLast();
    for (auto [it, end] = edges.equal_range(alias); it != end; ++it)
      if (!reached.contains(it->second)) {
        reached.insert(it->second);
        pending << it->second;
      }
  }
  return reached;
}

// The product's grade table is the one to repeat its kind and value columns, as pairs.
const QSet<QString> kRepeatedPairs = {QStringLiteral("GrdKind"), QStringLiteral("GrdValue")};

TEST(ExportDeclarations, EveryImportColumnWritesOneValueUnderAUniqueName) {
  for (const ExportDef *definition : exports::All()) {
    QSet<QString> headers;
    for (const Column &column : definition->columns) {
      if (!column.header) continue;
      EXPECT_TRUE(column.source || column.constant)
          << definition->title << ": " << column.header << " has no value";
      EXPECT_FALSE(headers.contains(column.header) && !kRepeatedPairs.contains(column.header))
          << definition->title << ": " << column.header << " twice";
      headers.insert(column.header);
    }
  }
}

TEST(ExportDeclarations, EveryAliasIsATableAndTheTablesAreJoined) {
  for (const ExportDef *definition : exports::All()) {
    if (definition->tables.empty()) continue;  // writes fixed rows, reads nothing
    QSet<QString> aliases;
    for (const Table &table : definition->tables) aliases.insert(table.alias);
    for (const QString &reference : References(*definition))
      EXPECT_TRUE(aliases.contains(AliasOf(reference.toLatin1().constData())))
          << definition->title << " names " << reference.toStdString();
    EXPECT_EQ(Connected(*definition), aliases) << definition->title << " has a table joined to nothing";
  }
}

// A database that joins in the order of the FROM list (the SQL Server dialect test server does)
// pairs every row of a table that is tied to no earlier one with every row read so far: on a school
// of thousands of students one such query runs for hours. Each table must be tied to one before it.
TEST(ExportDeclarations, EveryTableIsTiedToAnEarlierOne) {
  for (const ExportDef *definition : exports::All()) {
    const std::multimap<QString, QString> edges = Ties(*definition);
    QSet<QString> earlier;
    for (const Table &table : definition->tables) {
      const QString alias = QString::fromLatin1(table.alias);
      bool tied = earlier.isEmpty();
      for (auto [it, end] = edges.equal_range(alias); it != end && !tied; ++it)
        tied = earlier.contains(it->second);
      EXPECT_TRUE(tied) << definition->title << ": " << table.alias << " is tied to no table before it";
      earlier.insert(alias);
    }
  }
}

// Everything between single quotes removed, doubled quotes inside a literal included.
QString WithoutLiterals(const QString &sql) {
  static const QRegularExpression literal(QStringLiteral("'(?:[^']|'')*'"));
  return QString(sql).remove(literal);
}

TEST(ExportDeclarations, HostileRunValuesStayInsideLiteralsAndTheQueriesRun) {
  const QStringList hostile = {QStringLiteral("' OR '1'='1"), QStringLiteral("1; DROP TABLE Student; --"),
                               QStringLiteral("x' /* c */ --"), QStringLiteral("O'Brien\" ; ''"),
                               QStringLiteral("Ω' UNION SELECT 1 --")};
  QTemporaryDir dir;
  const ParameterMap parameters = icbtest::RunParameters(dir.path(), icbtest::schoolDbPath("tiny"));
  icbtest::FixedClockEngine engine;
  engine.SetDataSourceName(icbtest::schoolDbPath("tiny"));
  engine.Connect(engine.BuildConnectionString());
  for (const QString &value : hostile) {
    engine.Run().district = engine.Run().school = engine.Run().year = engine.Run().defaultCalendar = value;
    engine.Run().today = XDate(2026, 11, 20);
    for (const ExportDef *definition : exports::All()) {
      if (definition->tables.empty()) continue;
      engine.ClearQuery();
      engine.DescribeQuery(*definition);
      const QString sql = engine.BuildQuery();
      for (const char *marker : {"OR '1'", "DROP", "/*", "--", "UNION"})
        EXPECT_FALSE(WithoutLiterals(sql).contains(QLatin1String(marker)))
            << definition->title << ": " << sql.toStdString();
      EXPECT_TRUE(engine.OpenQuery()) << definition->title << ": " << sql.toStdString();
      EXPECT_FALSE(engine.GetFirstRecord() && !definition->blocks.empty())
          << definition->title << " selected rows";
      engine.CloseQuery();
    }
  }
}

}  // namespace
