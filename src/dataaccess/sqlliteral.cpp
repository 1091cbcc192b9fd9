// Quoted SQL string literals.
#include "sqlliteral.h"

QString SqlQuoteInner(const QString &value) {
  QString inner = value;
  inner.replace(QLatin1Char('\''), QLatin1String("''"));
  return inner;
}

QString SqlQuote(const QString &value) {
  return QLatin1Char('\'') + SqlQuoteInner(value) + QLatin1Char('\'');
}
