// The queries that tell whether a table or a column exists, per database type, and the test that
// turns each query's outcome into the answer.
#pragma once

#include <QString>

#include "behaviouroptions.h"

enum class ExistenceTest {
  Opens,     // the query runs without error
  Rows,      // the record set has at least one row
  Value,     // the first column of the first row is greater than 0
  NoAnswer,  // no query for this type: the answer is false
};

struct ExistenceQuery {
  ExistenceQuery(const QString &q, ExistenceTest t, const QString &fallback = QString(),
                 ExistenceTest fallbackT = ExistenceTest::NoAnswer)
      : query(q), test(t), fallbackQuery(fallback), fallbackTest(fallbackT) {}

  QString query;
  ExistenceTest test = ExistenceTest::NoAnswer;
  // Run when the first query cannot be run at all (empty when there is no second try).
  QString fallbackQuery;
  ExistenceTest fallbackTest = ExistenceTest::NoAnswer;
};

// Both throw XException text (not logged) for types that define no check; callers log it.
// Names that land inside a quoted literal are escaped; names used as identifiers are not.
ExistenceQuery TableExistsQuery(int databaseType, const QString &table, const QueryOptions &options,
                                bool trialQueries);
ExistenceQuery FieldExistsQuery(int databaseType, const QString &table, const QString &field,
                                const QueryOptions &options, bool trialQueries);

// The texts thrown for types without a check.
QString TableExistsUndefinedText();
QString FieldExistsUndefinedText();
