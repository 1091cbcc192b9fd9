// Connection strings for every database type, password masking and the ODBC keyword mapping.
#include "connectionstring.h"

#include <gtest/gtest.h>

#include "databasetype.h"
#include "hostile_passwords.h"
#include "recording_task.h"
#include "test_support.h"
#include "xexception.h"

namespace {

using Opt = std::optional<QString>;

struct ConnectionCase {
  int type;
  const char *dataSource;
  Opt user;
  Opt password;
  const char *expected;
};

TEST(BuildConnectionString, EveryTypeWithAndWithoutCredentials) {
  const Opt none;
  const Opt u = QStringLiteral("usr");
  const Opt p = QStringLiteral("pw");
  const Opt empty = QString();
  const ConnectionCase cases[] = {
      {1, "C:\\data", u, p,
       "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\data;Extended Properties=dBASE IV;"},
      {2, "C:\\dbf\\", u, p, "C:\\dbf\\"},
      {3, "fox", u, p,
       "Persist Security Info=False;Data Source=fox;Collating Sequence=machine;User ID=usr;Password=pw;"},
      {3, "fox", none, none, "Persist Security Info=False;Data Source=fox;Collating Sequence=machine;"},
      {3, "fox", empty, empty,
       "Persist Security Info=False;Data Source=fox;Collating Sequence=machine;User ID=;Password=;"},
      {4, "fox", u, p, "Provider=VFPOLEDB.1;Data Source=fox;Collating Sequence=MACHINE"},
      {5, "srv;  school ", u, p,
       "Provider=MSDASQL;Persist Security Info=False;Data Source=srv;Database=school;User "
       "ID=usr;Password=pw;"},
      {5, "srv", empty, p,
       "Provider=MSDASQL;Persist Security Info=False;Data Source=srv;Trusted_Connection=yes;"},
      {5, "srv", none, none,
       "Provider=MSDASQL;Persist Security Info=False;Data Source=srv;Trusted_Connection=yes;"},
      {5, "srv", u, empty, "Provider=MSDASQL;Persist Security Info=False;Data Source=srv;User ID=usr;"},
      {5, "srv;", u, p,
       "Provider=MSDASQL;Persist Security Info=False;Data Source=srv;User ID=usr;Password=pw;"},
      {6, "my", u, p, "Data Source=my;User Id=usr;Password=pw;"},
      {6, "my", none, none, "Data Source=my;User Id=;Password=;"},
      {7, "/tmp/a.db", u, p, "Database=/tmp/a.db"},
      {8, "x", u, p, "DB2OLEDB"},
      {9, "a.mdb", u, p, "Persist Security Info=False;Data Source=a.mdb;User ID=usr;Password=pw"},
      {9, "a.mdb", none, none, "Persist Security Info=False;Data Source=a.mdb"},
      {10, "pg", u, p, "DSN=pg;UID=usr;PWD=pw"},
      {10, "pg", none, p, "DSN=pg;PWD=pw"},
      {11, "ora", u, p, "Data Source=ora;User ID=usr;Password=pw;Persist Security Info=True;"},
      {11, "ora", none, none, "Data Source=ora;Persist Security Info=True;"},
      {12, "ora", u, p,
       "Provider=OraOLEDB.Oracle;Data Source=ora;User ID=usr;Password=pw;Persist Security Info=True;"},
      {13, "ora", u, none, "Provider=MSDAORA;Data Source=ora;User ID=usr;Persist Security Info=True;"},
      {14, "syb", u, p, "Provider=Sybase ASE OLE DB Provider;Data source=syb;User Id=usr;Password=pw;"},
      {14, "syb", none, none, "Provider=Sybase ASE OLE DB Provider;Data source=syb;"},
      {15, "syb", u, p, "DSN=syb;UID=usr;PWD=pw;"},
      {15, "syb", none, none, "DSN=syb;"},
      {16, "prog", u, p, "DSN=prog;UID=usr;PWD=pw"},
      {18, "ifx", u, p, "DSN=ifx;UID=usr;PWD=pw;ISOLATIONLEVEL=1;"},
      {18, "ifx", empty, empty, "DSN=ifx;ISOLATIONLEVEL=1;"},
      {19, "ts", u, none, "DSN=ts;UID=usr"},
      {20, "notes", u, p, "DSN=notes;Uid=usr;Pwd=pw;"},
      {21, "dc", none, none, "DSN=dc;Uid=;Pwd=;"},
  };
  for (const auto &c : cases) {
    RecordingTask task;
    EXPECT_EQ(BuildConnectionString(task, c.type, QString::fromLatin1(c.dataSource), c.user, c.password),
              QString::fromLatin1(c.expected))
        << "type " << c.type << " " << c.dataSource;
    ASSERT_FALSE(task.logs.empty());
    EXPECT_EQ(task.logs.front().message,
              QStringLiteral("Build Connection String for: ") + DatabaseTypeName(c.type));
    EXPECT_EQ(task.logs.front().level, 8);
  }
}

TEST(BuildConnectionString, TypesWithoutAStringThrowTheirText) {
  const struct {
    int type;
    const char *text;
  } cases[] = {
      {0, "Can't build connection string for unknown database type."},
      {17, "Database type not yet defined for BuildConnectionString, please define."},
      {22, "Database type not yet defined for BuildConnectionString, please define."},
      {-3, "Database type not yet defined for BuildConnectionString, please define."},
  };
  for (const auto &c : cases) {
    RecordingTask task;
    try {
      BuildConnectionString(task, c.type, QStringLiteral("d"), QStringLiteral("u"), QStringLiteral("p"));
      ADD_FAILURE() << "no exception for type " << c.type;
    } catch (const XException &e) {
      EXPECT_EQ(e.Text(), QString::fromLatin1(c.text));
      EXPECT_NE(task.find(QString::fromLatin1(c.text)), nullptr);
    }
  }
}

TEST(BuildConnectionString, ExtraLogLinesOfXBaseAndFoxProDbf) {
  RecordingTask xbase;
  BuildConnectionString(xbase, 2, QStringLiteral("d"), std::nullopt, std::nullopt);
  EXPECT_NE(xbase.find(QStringLiteral("dBase IV (XBase)")), nullptr);
  RecordingTask fox;
  BuildConnectionString(fox, 4, QStringLiteral("d"), std::nullopt, std::nullopt);
  EXPECT_NE(fox.find(QStringLiteral("Build Connection String: Fox Pro DBF Driver")), nullptr);
}

TEST(BuildConnectionString, ValuesHoldingSemicolonsCannotAddKeys) {
  RecordingTask task;
  const QString text = BuildConnectionString(task, 5, QStringLiteral("srv;school"), QStringLiteral("usr"),
                                             QStringLiteral("a;Database=other"));
  EXPECT_EQ(text,
            QStringLiteral("Provider=MSDASQL;Persist Security Info=False;Data Source=srv;Database=school;"
                           "User ID=usr;Password={a;Database=other};"));
  EXPECT_EQ(ToOdbcConnectionString(text, 5),
            QStringLiteral("DSN=srv;DATABASE=school;UID=usr;PWD={a;Database=other};"));
  EXPECT_EQ(MaskPasswords(text),
            QStringLiteral("Provider=MSDASQL;Persist Security Info=False;Data Source=srv;"
                           "Database=school;User ID=usr;Password=******************;"));
}

TEST(BuildConnectionString, BracesValuesHoldingQuotesSemicolonsOrBraces) {
  // ODBC reads a braced value up to the closing brace, with "}}" standing for one "}".
  const struct {
    const char *server;
    const char *user;
    const char *password;
    const char *expected;
  } cases[] = {
      {"srv", "usr", "se\"cret", "Data Source=srv;User ID=usr;Password={se\"cret};"},
      {"srv", "usr", "\"pw\"", "Data Source=srv;User ID=usr;Password={\"pw\"};"},
      {"srv", "usr", "a}b", "Data Source=srv;User ID=usr;Password={a}}b};"},
      {"srv", "usr", "{x", "Data Source=srv;User ID=usr;Password={{x};"},
      {"srv", "usr", "a=b c", "Data Source=srv;User ID=usr;Password=a=b c;"},
      {"{srv", "u\"1", "pw", "Data Source={{srv};User ID={u\"1};Password=pw;"},
  };
  for (const auto &c : cases) {
    RecordingTask task;
    EXPECT_EQ(
        BuildConnectionString(task, 5, QString::fromLatin1(c.server), QString::fromLatin1(c.user),
                              QString::fromLatin1(c.password)),
        QStringLiteral("Provider=MSDASQL;Persist Security Info=False;") + QString::fromLatin1(c.expected))
        << c.password;
  }
}

TEST(MaskPasswords, NoPieceOfAHostilePasswordSurvives) {
  for (const int type : {3, 5, 6, 9, 10, 11, 14, 15, 18, 20}) {
    for (const QString &password : icbtest::HostilePasswords()) {
      RecordingTask task;
      const QString masked = MaskPasswords(
          QStringLiteral("Failed to connect to data source with connection string: ") +
          BuildConnectionString(task, type, QStringLiteral("srv"), QStringLiteral("usr"), password));
      EXPECT_EQ(icbtest::PasswordPieces(password, masked), QStringList())
          << "type " << type << ": " << masked.toStdString();
      EXPECT_TRUE(masked.contains(QLatin1String("usr"))) << masked.toStdString();
    }
  }
}

TEST(MaskPasswords, EveryPasswordKeyIsMasked) {
  const struct {
    const char *text;
    const char *masked;
  } cases[] = {
      {"DSN=a;UID=b;PWD=secret;", "DSN=a;UID=b;PWD=******;"},
      {"Data Source=a;Password=secret", "Data Source=a;Password=******"},
      // A quote is part of the value, not its end.
      {"x;PASSWORD=ab\"cd", "x;PASSWORD=*****"},
      {"DSN=a;Pwd=one;PWD=two;", "DSN=a;Pwd=***;PWD=***;"},
      {"DSN=a;password=low;", "DSN=a;password=***;"},
      {"DSN=a;PWD=;", "DSN=a;PWD=;"},
      {"DSN=a;PWD={x}}y;z};UID=u", "DSN=a;PWD=********;UID=u"},
      {"no secrets here", "no secrets here"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(MaskPasswords(QString::fromLatin1(c.text)), QString::fromLatin1(c.masked)) << c.text;
}

TEST(ToOdbcConnectionString, MapsAdoKeysOntoOdbcKeywords) {
  const struct {
    const char *ado;
    int type;
    const char *odbc;
  } cases[] = {
      {"Provider=MSDASQL;Persist Security Info=False;Data Source=srv;Database=school;User "
       "ID=usr;Password=pw;",
       5, "DSN=srv;DATABASE=school;UID=usr;PWD=pw;"},
      {"Provider=MSDASQL;Persist Security Info=False;Data Source=srv;Trusted_Connection=yes;", 5,
       "DSN=srv;Trusted_Connection=yes;"},
      {"Data Source=my;User Id=u;Password=p;", 6, "DSN=my;UID=u;PWD=p;"},
      {"DSN=notes;Uid=u;Pwd=p;", 20, "DSN=notes;UID=u;PWD=p;"},
      {"Persist Security Info=False;Data Source=fox;Collating Sequence=machine;", 3, "DSN=fox;"},
      {"Database=/tmp/school.db", 7, "DRIVER=SQLite3;DATABASE=/tmp/school.db;NoCreat=1;"},
      {"DSN=ifx;UID=u;ISOLATIONLEVEL=1;", 18, "DSN=ifx;UID=u;ISOLATIONLEVEL=1;"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ToOdbcConnectionString(QString::fromLatin1(c.ado), c.type), QString::fromLatin1(c.odbc))
        << c.ado;
}

TEST(DatabaseTypeName, EveryValue) {
  const char *names[] = {"",
                         "dBase IV (ODBC)",
                         "dBase IV (XBase)",
                         "FoxPro (ODBC)",
                         "FoxPro (DBF)",
                         "MSSQL",
                         "MySQL",
                         "SQLite",
                         "DB2",
                         "Access",
                         "Postgres",
                         "Oracle (ODBC)",
                         "Oracle (OLE)",
                         "Oracle Microsoft OLE (MSDAORA)",
                         "Sybase (OLE)",
                         "Sybase ODBC",
                         "Progress",
                         "Mimer",
                         "Informix",
                         "Top Speed",
                         "Lotus Notes",
                         "CA-Datacom"};
  for (int type = 0; type < 22; ++type)
    EXPECT_EQ(DatabaseTypeName(type), QString::fromLatin1(names[type])) << type;
  EXPECT_EQ(DatabaseTypeName(22), QString());
  EXPECT_EQ(DatabaseTypeName(-1), QString());
}

}  // namespace
