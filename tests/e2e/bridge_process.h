// Runs the built icbridge in a scratch home (documents, application data and temporary folders
// all inside it) and returns what the front-end would read.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QDir>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include "test_support.h"

struct BridgeResult {
  int exitCode = -1;
  QByteArray output;
  QByteArray error;
};

class BridgeProcess {
 public:
  BridgeProcess() : BridgeProcess(QDir::tempPath()) {}
  // A scratch home inside parentFolder (a RAM disk, say, for tests that start the bridge hundreds of
  // times).
  explicit BridgeProcess(const QString &parentFolder) : home(parentFolder + "/icbridge-XXXXXX") {
    QDir(home.path()).mkpath("tmp");
  }
  static QString program() { return icbtest::binaryPath("icbridge"); }
  QString path(const QString &relative) const { return home.filePath(relative); }
  QString appData() const { return home.filePath(".local/share"); }

  BridgeResult run(const QStringList &arguments) const {
    QProcess process;
    start(process, arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
  }

  // Starts the bridge in the scratch home without waiting for it.
  void start(QProcess &process, const QStringList &arguments) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    environment.insert("XDG_CONFIG_HOME", home.filePath(".config"));
    environment.insert("XDG_DATA_HOME", appData());
    environment.insert("TMPDIR", home.filePath("tmp"));
    environment.insert("LC_ALL", "C.UTF-8");
    for (auto it = extraEnvironment.cbegin(); it != extraEnvironment.cend(); ++it)
      environment.insert(it.key(), it.value());
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(home.path());
    process.start(program(), arguments);
  }

  QTemporaryDir home;
  // Set for the bridge's process on top of the variables above.
  QMap<QString, QString> extraEnvironment;
};

// Console log lines carry the time of day; it is replaced so that lines compare as bytes. The
// engine's teardown records, written when the task is destroyed after every command, are dropped.
inline QByteArray timeless(const QByteArray &lines) {
  static const QRegularExpression teardown("^log\\t[^\\t]*\\t[^\\t]*\\tPDEWriter::~PDEWriter\\t[^\\n]*\\n",
                                           QRegularExpression::MultilineOption);
  static const QRegularExpression time("^(log\\t[^\\t]*\\t)\\d\\d:\\d\\d:\\d\\d\\t",
                                       QRegularExpression::MultilineOption);
  return QString::fromUtf8(lines).remove(teardown).replace(time, "\\1TIME\t").toUtf8();
}

inline QString today() {
  return QDate::currentDate().toString("yyyy-MM-dd");
}
