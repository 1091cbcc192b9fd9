// Connection strings per database type, password masking and the mapping onto ODBC keywords.
#include "connectionstring.h"

#include <QStringList>
#include <algorithm>

#include "bridgetaskbase.h"
#include "databasetype.h"

namespace {

const QString kBuildMethod = QStringLiteral("ODBCDataAccess::BuildConnectionString");

// A value holding ";" would end its key early and could smuggle in other keys; one holding a
// quote or a brace could be read as quoted by a driver or end a braced value early. Such values
// are written between braces, the ODBC quoting, with "}" doubled inside; ordinary values are
// written unchanged.
QString keyValue(const QString &value) {
  const bool plain = std::none_of(value.cbegin(), value.cend(), [](QChar c) {
    return c == QLatin1Char(';') || c == QLatin1Char('"') || c == QLatin1Char('{') || c == QLatin1Char('}');
  });
  if (plain) return value;
  QString braced = value;
  braced.replace(QLatin1Char('}'), QLatin1String("}}"));
  return QLatin1Char('{') + braced + QLatin1Char('}');
}

bool given(const std::optional<QString> &value, bool emptyCountsAsMissing) {
  return value.has_value() && !(emptyCountsAsMissing && value->isEmpty());
}

// ";<key>" + value for each given credential, the shape most types share.
QString credentials(const std::optional<QString> &user, const std::optional<QString> &password,
                    const char *userKey, const char *passwordKey, bool emptyCountsAsMissing = false) {
  QString text;
  if (given(user, emptyCountsAsMissing)) text += QLatin1String(userKey) + keyValue(*user);
  if (given(password, emptyCountsAsMissing)) text += QLatin1String(passwordKey) + keyValue(*password);
  return text;
}

QString sqlServer(const QString &dataSource, const std::optional<QString> &user,
                  const std::optional<QString> &password) {
  QString server = dataSource;
  QString database;
  const qsizetype separator = dataSource.indexOf(QLatin1Char(';'));
  if (separator >= 0) {
    server = dataSource.left(separator);
    database = dataSource.mid(separator + 1).trimmed();
  }
  QString text =
      QStringLiteral("Provider=MSDASQL;Persist Security Info=False;Data Source=") + keyValue(server);
  if (!database.isEmpty()) text += QStringLiteral(";Database=") + keyValue(database);
  const QString u = user.value_or(QString());
  if (u.isEmpty()) return text + QStringLiteral(";Trusted_Connection=yes;");
  text += QStringLiteral(";User ID=") + keyValue(u);
  const QString p = password.value_or(QString());
  if (!p.isEmpty()) text += QStringLiteral(";Password=") + keyValue(p);
  return text + QLatin1Char(';');
}

QString dsnStyle(const QString &dataSource, const std::optional<QString> &user,
                 const std::optional<QString> &password) {
  return QStringLiteral("DSN=") + keyValue(dataSource) + credentials(user, password, ";UID=", ";PWD=");
}

QString oracleTail(const QString &dataSource, const std::optional<QString> &user,
                   const std::optional<QString> &password) {
  return keyValue(dataSource) + credentials(user, password, ";User ID=", ";Password=") +
         QStringLiteral(";Persist Security Info=True;");
}

}  // namespace

QString BuildConnectionString(BridgeTaskBase &task, int type, const QString &d,
                              const std::optional<QString> &u, const std::optional<QString> &p) {
  task.Log(8, QStringLiteral("Build Connection String for: ") + DatabaseTypeName(type), kBuildMethod);
  const QString dv = keyValue(d);
  const QString uv = keyValue(u.value_or(QString()));
  const QString pv = keyValue(p.value_or(QString()));
  switch (type) {
    case DatabaseType::Unknown:
      task.LogAndThrow(8, QStringLiteral("Can't build connection string for unknown database type."),
                       kBuildMethod);
    case DatabaseType::DBaseOdbc:
      return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dv +
             QStringLiteral(";Extended Properties=dBASE IV;");
    case DatabaseType::DBaseXBase:
      task.Log(8, DatabaseTypeName(type), kBuildMethod);
      return d;
    case DatabaseType::FoxProOdbc:
      return QStringLiteral("Persist Security Info=False;Data Source=") + dv +
             QStringLiteral(";Collating Sequence=machine") + credentials(u, p, ";User ID=", ";Password=") +
             QLatin1Char(';');
    case DatabaseType::FoxProDbf:
      task.Log(8, QStringLiteral("Build Connection String: Fox Pro DBF Driver"), kBuildMethod);
      return QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + dv +
             QStringLiteral(";Collating Sequence=MACHINE");
    case DatabaseType::MSSQL:
      return sqlServer(d, u, p);
    case DatabaseType::MySQL:
      return QStringLiteral("Data Source=") + dv + QStringLiteral(";User Id=") + uv +
             QStringLiteral(";Password=") + pv + QLatin1Char(';');
    case DatabaseType::SQLite:
      return QStringLiteral("Database=") + dv;
    case DatabaseType::DB2:
      return QStringLiteral("DB2OLEDB");
    case DatabaseType::Access:
      return QStringLiteral("Persist Security Info=False;Data Source=") + dv +
             credentials(u, p, ";User ID=", ";Password=");
    case DatabaseType::Postgres:
    case DatabaseType::Progress:
    case DatabaseType::TopSpeed:
      return dsnStyle(d, u, p);
    case DatabaseType::OracleOdbc:
      return QStringLiteral("Data Source=") + oracleTail(d, u, p);
    case DatabaseType::OracleOle:
      return QStringLiteral("Provider=OraOLEDB.Oracle;Data Source=") + oracleTail(d, u, p);
    case DatabaseType::OracleMsdaora:
      return QStringLiteral("Provider=MSDAORA;Data Source=") + oracleTail(d, u, p);
    case DatabaseType::SybaseOle:
      return QStringLiteral("Provider=Sybase ASE OLE DB Provider;Data source=") + dv +
             credentials(u, p, ";User Id=", ";Password=") + QLatin1Char(';');
    case DatabaseType::SybaseOdbc:
      return dsnStyle(d, u, p) + QLatin1Char(';');
    case DatabaseType::Informix:
      return QStringLiteral("DSN=") + dv + credentials(u, p, ";UID=", ";PWD=", true) +
             QStringLiteral(";ISOLATIONLEVEL=1;");
    case DatabaseType::LotusNotes:
    case DatabaseType::CADatacom:
      return QStringLiteral("DSN=") + dv + QStringLiteral(";Uid=") + uv + QStringLiteral(";Pwd=") + pv +
             QLatin1Char(';');
    default:
      task.LogAndThrow(
          8, QStringLiteral("Database type not yet defined for BuildConnectionString, please define."),
          kBuildMethod);
  }
}

namespace {

// Splits "key=value;key={va;lue};..." into its parts, braces kept around their value.
QStringList splitPairs(const QString &text) {
  QStringList parts;
  QString current;
  bool inBraces = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (inBraces) {
      current += c;
      if (c == QLatin1Char('}')) {
        if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('}')) {
          current += text.at(++i);
        } else {
          inBraces = false;
        }
      }
      continue;
    }
    if (c == QLatin1Char(';')) {
      parts << current;
      current.clear();
      continue;
    }
    if (c == QLatin1Char('{') && current.endsWith(QLatin1Char('='))) inBraces = true;
    current += c;
  }
  parts << current;
  return parts;
}

// A key naming a password: "Password" or "PWD" in any letter case, also as the last word of a
// longer text ("...connection string: Password").
bool isPasswordKey(const QString &key) {
  const QString trimmed = key.trimmed();
  for (const QLatin1String name : {QLatin1String("password"), QLatin1String("pwd")}) {
    if (!trimmed.endsWith(name, Qt::CaseInsensitive)) continue;
    const qsizetype before = trimmed.size() - name.size() - 1;
    if (before < 0 || !trimmed.at(before).isLetterOrNumber()) return true;
  }
  return false;
}

QString odbcKeyword(const QString &adoKey) {
  const QString key = adoKey.trimmed().toLower();
  if (key == QLatin1String("data source")) return QStringLiteral("DSN");
  if (key == QLatin1String("user id") || key == QLatin1String("uid")) return QStringLiteral("UID");
  if (key == QLatin1String("password") || key == QLatin1String("pwd")) return QStringLiteral("PWD");
  if (key == QLatin1String("database")) return QStringLiteral("DATABASE");
  if (key == QLatin1String("provider") || key == QLatin1String("persist security info") ||
      key == QLatin1String("collating sequence"))
    return {};
  return adoKey.trimmed();
}

}  // namespace

QString MaskPasswords(const QString &text) {
  // The text is read as the driver reads it, pair by pair, so a password is masked whole whatever
  // it holds (quotes, braces, semicolons inside braces) and wherever its key stands.
  QStringList parts = splitPairs(text);
  for (QString &part : parts) {
    const qsizetype eq = part.indexOf(QLatin1Char('='));
    if (eq < 0 || !isPasswordKey(part.left(eq))) continue;
    part = part.left(eq + 1) + QString(part.size() - eq - 1, QLatin1Char('*'));
  }
  return parts.join(QLatin1Char(';'));
}

QString ToOdbcConnectionString(const QString &connectionString, int databaseType) {
  QStringList odbc;
  bool namesDriver = false;
  for (const QString &part : splitPairs(connectionString)) {
    if (part.trimmed().isEmpty()) continue;
    const qsizetype eq = part.indexOf(QLatin1Char('='));
    if (eq < 0) {
      odbc << part;
      continue;
    }
    const QString keyword = odbcKeyword(part.left(eq));
    if (keyword.isEmpty()) continue;
    const QString upper = keyword.toUpper();
    if (upper == QLatin1String("DSN") || upper == QLatin1String("DRIVER") ||
        upper == QLatin1String("FILEDSN"))
      namesDriver = true;
    odbc << keyword + QLatin1Char('=') + part.mid(eq + 1);
  }
  if (databaseType == DatabaseType::SQLite && !namesDriver) {
    // The bridge only reads: a school file that is not there must fail, not be created empty.
    odbc.prepend(QStringLiteral("DRIVER=SQLite3"));
    odbc << QStringLiteral("NoCreat=1");
  }
  return odbc.join(QLatin1Char(';')) + (odbc.isEmpty() ? QString() : QStringLiteral(";"));
}
