// Date literals per database type.
#include "sqldate.h"

#include "databasetype.h"
#include "xexception.h"

namespace {
QString quoted(const QString &text) {
  return QLatin1Char('\'') + text + QLatin1Char('\'');
}
// Days between 1 January 1600 and 28 December 1800, the Top Speed epoch.
constexpr int kTopSpeedEpoch = 73410;
}  // namespace

QString SQLDate(const XDate &date, int type, const QString &writerDatePattern) {
  switch (type) {
    case DatabaseType::DBaseOdbc:
    case DatabaseType::Access:
      return QLatin1Char('#') + date.Format(QStringLiteral("DD-MMM-YYYY")) + QLatin1Char('#');
    case DatabaseType::DBaseXBase:
      return date.Format(writerDatePattern);
    case DatabaseType::FoxProOdbc:
    case DatabaseType::FoxProDbf:
      return QStringLiteral("{^") + date.Format(QStringLiteral("YYYY/MM/DD")) + QLatin1Char('}');
    case DatabaseType::MSSQL:
      // A quoted date compared with a datetime column is read by the login's DATEFORMAT (day and
      // month swap under a British or French login); the date type always reads it as
      // year-month-day.
      return QStringLiteral("CAST(") + quoted(date.Format(QStringLiteral("YYYY-MM-DD"))) +
             QStringLiteral(" AS DATE)");
    case DatabaseType::SybaseOle:
    case DatabaseType::SybaseOdbc:
    case DatabaseType::LotusNotes:
      return quoted(date.Format(QStringLiteral("YYYY-MM-DD")));
    case DatabaseType::MySQL:
    case DatabaseType::SQLite:
    case DatabaseType::DB2:
    case DatabaseType::Progress:
    case DatabaseType::Mimer:
      return quoted(date.Format(QStringLiteral("yyyy-mm-dd")));
    case DatabaseType::Postgres:
      return date.Format(QStringLiteral("'MM/DD/YYYY'"));
    case DatabaseType::OracleOdbc:
    case DatabaseType::OracleOle:
    case DatabaseType::OracleMsdaora: {
      const QString text = date.Format(QStringLiteral("'YYYYMMDD'"));
      if (text.isEmpty()) return {};
      return QStringLiteral("TO_DATE( ") + text + QStringLiteral(", 'YYYYMMDD' )");
    }
    case DatabaseType::Informix: {
      const QString text = date.Format(QStringLiteral("MM/DD/YYYY"));
      if (text.isEmpty()) return {};
      return QStringLiteral("TO_DATE(\"") + text + QStringLiteral("\",\"%m/%d/%Y\")");
    }
    case DatabaseType::TopSpeed:
      return QString::number(date.DayNumber() - kTopSpeedEpoch);
    case DatabaseType::CADatacom:
      return quoted(date.Format(QStringLiteral("yyyymmdd")));
    default:
      throw XException(QStringLiteral("DB Type not defined for XODBC::SQLDate yet, feel free to do so."));
  }
}
