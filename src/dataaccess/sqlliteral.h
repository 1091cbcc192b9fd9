// Turning values into SQL text safely: every parameter or database value that becomes part of a
// statement passes through here, so a quote inside a value can neither end the literal nor
// change the statement's meaning.
#pragma once

#include <QString>

// The value between single quotes, each single quote inside doubled: O'Brien -> 'O''Brien'.
QString SqlQuote(const QString &value);

// The inside of such a literal, for templates that already hold the surrounding quotes.
QString SqlQuoteInner(const QString &value);
