// A private instance of the SQL Server dialect test server for tests that stop it on purpose: started
// by tests/fixtures/school_server.py like the shared fixture, in a state folder of its own whose
// odbc.ini names the DSN "icb_<database>" of each database it serves.
#pragma once

#include <QMap>
#include <QString>
#include <QTemporaryDir>

namespace icbtest {

class OwnSchoolServer {
 public:
  // Starts a server with the tiny school as database "tiny".
  OwnSchoolServer();
  // Starts a server with the databases given as name and load file (none: not started yet).
  explicit OwnSchoolServer(const QMap<QString, QString> &loadFiles);
  ~OwnSchoolServer();
  OwnSchoolServer(const OwnSchoolServer &) = delete;
  OwnSchoolServer &operator=(const OwnSchoolServer &) = delete;

  // True when Java and HSQLDB were found at configure time.
  static bool Available();

  // Stops a running server and starts one with the databases given as name and load file; the state
  // folder and so the DSN names stay. False when the server did not start.
  bool Start(const QMap<QString, QString> &loadFiles);
  bool Running() const { return pid_ > 0; }
  // SIGKILL, as a crashed or unplugged server.
  void Kill();

  // A full ODBC connection string for a database of the running server.
  QString Connection(const QString &database = QStringLiteral("tiny")) const;
  // The folder to give the bridge as ODBCSYSINI, for the DSN "icb_<database>".
  QString OdbcFolder() const { return state_.path(); }

 private:
  QTemporaryDir state_;
  qint64 pid_ = 0;
};

}  // namespace icbtest
