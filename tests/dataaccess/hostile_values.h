// Values that would break or change a query if pasted between quotes, and the check that each
// one, sent through the quoted-literal helper, still selects exactly the rows it names.
#pragma once

#include <QString>
#include <QStringList>

class OdbcSession;

// Quotes, semicolons, comment markers and the classic always-true tail.
QStringList HostileValues();

// Runs SELECT <column> FROM <table> WHERE <column> = SqlQuote(value) through the session's query
// description and returns the values of the rows that came back.
QStringList SelectEqual(OdbcSession &session, const QString &table, const QString &column,
                        const QString &value);
