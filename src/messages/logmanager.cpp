// Log records to the console and the dated log file, the header block of a run and the rotation
// that keeps the last seven log files of a run name.
#include "logmanager.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTextStream>

#include "sismessagewriter.h"

namespace {
const QString kSetupMethod = QStringLiteral("LogManager::setupLogFile");
const QString kDashes = QString(73, QLatin1Char('-'));
const QString kCrLf = QStringLiteral("\r\n");

// Levels compare as unsigned numbers, so -1 (None) passes no limit.
bool levelWithin(int level, unsigned limit) {
  return static_cast<unsigned>(level) <= limit;
}
}  // namespace

LogManager &LogManager::instance(const QString &prefix, const QString &name, const QString &folder,
                                 const QString &title, const QString &version, const QString &builtOn) {
  static std::unique_ptr<LogManager> manager;
  if (!manager) {
    manager = std::make_unique<LogManager>(SISMessageWriter::instance(), prefix, name);
    manager->setFolder(folder);
  } else {
    if (!prefix.isEmpty()) manager->prefix_ = prefix;
    if (!name.isEmpty()) manager->name_ = name;
    if (!folder.isEmpty()) manager->setFolder(folder);
  }
  manager->writeHeader(title, version, builtOn);
  return *manager;
}

LogManager::LogManager(SISMessageWriter &writer, const QString &prefix, const QString &name)
    : writer_(writer), prefix_(prefix), name_(name) {}

LogManager::~LogManager() = default;

QString LogManager::levelName(int level) {
  switch (level) {
    case -1:
      return QStringLiteral("None");
    case 0:
      return QStringLiteral("Emergency");
    case 1:
      return QStringLiteral("Alert");
    case 2:
      return QStringLiteral("Critical");
    case 3:
      return QStringLiteral("Error");
    case 4:
      return QStringLiteral("Warning");
    case 5:
      return QStringLiteral("Progress");
    case 7:
      return QStringLiteral("Informational");
    case 8:
      return QStringLiteral("Debug");
    case 9:
      return QStringLiteral("Proprietary");
    default:
      return QString();
  }
}

QString LogManager::paddedLevelName(int level) {
  return levelName(level).leftJustified(13, QLatin1Char(' '));
}

void LogManager::log(int logLevel, const QString &message, const QString &method) {
  for (int output : {ConsoleOutput, FileOutput}) {
    if ((style_ & output) || levelWithin(logLevel, 3)) writeRecord(logLevel, output, message, method);
  }
}

void LogManager::writeToOutputsOn(int level, const QString &message, const QString &method) {
  for (int output : {ConsoleOutput, FileOutput}) {
    if (style_ & output) writeRecord(level, output, message, method);
  }
}

void LogManager::writeRecord(int level, int output, const QString &message, const QString &method) {
  if (output == ConsoleOutput) {
    if (!levelWithin(level, 7)) return;
    writer_.writeLogLine(paddedLevelName(level), QTime::currentTime().toString(QStringLiteral("hh:mm:ss")),
                         method, message);
    return;
  }
  if (output == FileOutput && levelWithin(level, 9)) appendToFile(fileRecordText(level, message, method));
}

QString LogManager::fileRecordText(int level, const QString &message, const QString &method) const {
  const QString text = prefix_ + QStringLiteral(":") +
                       QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) + QStringLiteral(": ") +
                       paddedLevelName(level) + QStringLiteral(" ") + method + QStringLiteral(": ") + message;
  // Proprietary records (SQL and the like) are not left readable at a glance.
  if (level == 9) return QStringLiteral("proprietary:") + QString::fromLatin1(text.toUtf8().toBase64());
  return text;
}

void LogManager::appendToFile(const QString &text) {
  if (!file_.isOpen()) return;
  QTextStream stream(&file_);
  stream << text << kCrLf;
  stream.flush();
  file_.flush();
}

void LogManager::setFolder(const QString &path) {
  if (path.isEmpty()) return;
  folder_ = std::make_unique<QDir>(path);
  folder_->mkpath(QStringLiteral("."));
  setupLogFile();
}

bool LogManager::setName(const QString &name) {
  if (name.isEmpty()) return true;
  name_ = name;
  return setupLogFile();
}

QString LogManager::currentFileName() const {
  return file_.fileName();
}

bool LogManager::setupLogFile() {
  if (!folder_ || name_.isEmpty()) {
    writeToOutputsOn(8, QStringLiteral("Filename or path not set, cannot setup log file."), kSetupMethod);
    return false;
  }
  if (file_.isOpen()) file_.close();
  const QString path =
      folder_->filePath(name_ + QStringLiteral("-") +
                        QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".log"));
  file_.setFileName(path);
  const bool opened = file_.exists() ? file_.open(QIODevice::WriteOnly | QIODevice::Append)
                                     : file_.open(QIODevice::WriteOnly);
  if (!opened) {
    log(3, QStringLiteral("Log file ") + path + QStringLiteral(" cannot be opened."), kSetupMethod);
    return false;
  }
  removeOldLogFiles();
  writeToOutputsOn(7, QStringLiteral("Log file ") + path + QStringLiteral(" setup."), kSetupMethod);
  return true;
}

void LogManager::removeOldLogFiles() {
  // Only this run name's dated files count: the logs of "School 7" must not touch those of
  // "School 70", and the file just opened always stays.
  const QRegularExpression ownFile(QStringLiteral("^") + QRegularExpression::escape(name_) +
                                   QStringLiteral("-\\d{4}-\\d{2}-\\d{2}\\.log$"));
  QDir dir = QFileInfo(file_.fileName()).absoluteDir();
  const QString current = QFileInfo(file_.fileName()).fileName();
  QStringList older;
  for (const QString &entry : dir.entryList(QDir::Files, QDir::Name)) {
    if (entry != current && ownFile.match(entry).hasMatch()) older.append(entry);
  }
  while (older.size() + 1 > kKeptLogFiles) dir.remove(older.takeFirst());
}

void LogManager::writeHeader(const QString &title, const QString &version, const QString &builtOn) {
  if (file_.isOpen() && file_.exists()) {
    const QString heading = title.isEmpty() ? QStringLiteral("Log File") : title + QStringLiteral(" File");
    appendToFile(QString());
    const QStringList block = {kDashes, heading,
                               QStringLiteral("Copyright (c) Kestrane Software, ") +
                                   QDate::currentDate().toString(QStringLiteral("yyyy")),
                               QStringLiteral("http://www.kestrane.com"), kDashes};
    appendToFile(fileRecordText(7, block.join(kCrLf), QString()));
    if (!builtOn.isEmpty())
      appendToFile(fileRecordText(7, QStringLiteral("Built on       : ") + builtOn, QString()));
    appendToFile(
        fileRecordText(7,
                       QStringLiteral("Generated on   : ") +
                           QDateTime::currentDateTime().toString(QStringLiteral("MMM dd yyyy hh:mm:ss AP")),
                       QString()));
    if (!version.isEmpty())
      appendToFile(fileRecordText(7, QStringLiteral("Version        : ") + version, QString()));
    appendToFile(
        fileRecordText(7, QStringLiteral("               : ") + QSysInfo::prettyProductName(), QString()));
    appendToFile(fileRecordText(7, kDashes, QString()));
  }
  if (!title.isEmpty()) writeRecord(7, ConsoleOutput, title + QStringLiteral(" started."), QString());
}
