// The application data folder and the defaults command: finds the front-end's "MVConfig.xml"
// and sends each school configuration in it to the front-end as setting lines.
#include <QDir>
#include <QDomDocument>
#include <QDomElement>
#include <QDomNodeList>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "sisconfig.h"

namespace {
const QString kConfigFileName = QStringLiteral("MVConfig.xml");
const QString kProductFolder = QStringLiteral("Mollivar");
const QString kDefaultsMethod = QStringLiteral("SISConfig::commandDefaults");

QString configFileIn(const QString &folder) {
  const QFileInfo info(QDir(folder).filePath(kConfigFileName));
  return info.isFile() ? info.absoluteFilePath() : QString();
}
}  // namespace

QString SISConfig::AppDataPath() {
  const QString method = QStringLiteral("SISConfig::AppDataPath");
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (!base.isEmpty()) QDir().mkpath(base);
  if (base.isEmpty() || !QFileInfo(base).isDir()) {
    emit writeLog(4, QStringLiteral("appPath: ") + base + QStringLiteral(" doesn't exist or is blank"),
                  method);
    return base;
  }
  const QString product = base + QStringLiteral("/") + kProductFolder + QStringLiteral("/");
  if (oldShortName_.isEmpty()) {
    emit writeLog(
        3,
        QStringLiteral("oldShortName_ not defined, please set in ApplicationBase, will try from base "
                       "appPath folder"),
        method);
    return product;
  }
  emit writeLog(7, QStringLiteral("appPath: ") + product + oldShortName_, method);
  return product + oldShortName_;
}

QString SISConfig::findDefaultsFile() {
  QString start = value(QStringLiteral("path"));
  if (start.isEmpty()) start = QDir::cleanPath(AppDataPath());
  const QString direct = configFileIn(start);
  if (!direct.isEmpty()) return direct;

  QString folder = QDir::cleanPath(QDir(start).absolutePath());
  while (QFileInfo(folder).fileName() != kProductFolder) {
    const QString parent = QFileInfo(folder).path();
    if (parent == folder || QDir(folder).isRoot()) {
      emitProgressPair();
      emit writeLog(8, QStringLiteral("Cannot find AppDataPath: ") + folder, kDefaultsMethod);
      return QString();
    }
    folder = parent;
  }
  const QDir product(folder);
  for (const QString &entry : product.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QString found = configFileIn(QDir(product.filePath(entry)).filePath(helpFileName()));
    if (!found.isEmpty()) return found;
  }
  emitProgressPair();
  emit writeLog(4, QStringLiteral("No default MVConfig.xml file found"), kDefaultsMethod);
  return QString();
}

int SISConfig::commandDefaults() {
  const QString path = findDefaultsFile();
  if (path.isEmpty()) return 1;
  emit writeLog(8, QStringLiteral("Path to MVConfig.xml: ") + path, kDefaultsMethod);

  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    emitProgressPair();
    emit writeLog(4, QStringLiteral("Could not open: ") + path, kDefaultsMethod);
    return 1;
  }
  QDomDocument document;
  QString error;
  int line = 0;
  int column = 0;
  if (!document.setContent(&file, true, &error, &line, &column)) {
    emit writeLog(
        8, QStringLiteral("XML parse error at line %1, column %2: %3").arg(line).arg(column).arg(error),
        kDefaultsMethod);
    emitProgressPair();
    return 1;
  }
  const QDomElement root = document.documentElement();
  if (root.isNull() || root.tagName() != QLatin1String("MVSchoolConfFile")) {
    emit writeLog(8, QStringLiteral("The file is not a valid MVConfig.xml file.  May be empty."),
                  kDefaultsMethod);
    emitProgressPair();
    return 1;
  }
  const QDomNodeList schools = document.elementsByTagName(QStringLiteral("MVSchoolConf"));
  emit writeProgress(QStringLiteral("start_progress"), schools.count());
  for (int i = 0; i < schools.count(); ++i) {
    const QDomElement element = schools.at(i).toElement();
    if (element.isNull()) continue;
    emit writeSetting(QStringLiteral("start_setting"), -1);
    applyDefaultsElement(element);
    afterDefaultsElement();
    emit writeSetting(QStringLiteral("end_setting"), -1);
  }
  emit writeProgress(QStringLiteral("end_progress"), -1);
  return 0;
}
