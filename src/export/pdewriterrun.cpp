// The runs of the writer: an import run ending in the import control file, an update run ending
// in one published update file, and the bridge configuration record read at the start of an
// extraction and written at its end.
#include <QDir>

#include "delimitedoutput.h"
#include "loglevels.h"
#include "pdewriter.h"
#include "publishedfile.h"
#include "singlebytetext.h"
#include "xexception.h"

namespace {
constexpr qint64 kAbandonedAfterSeconds = 24 * 60 * 60;
const QString kDefaultOverlap = QStringLiteral("14");
const QString kUpdateDatePattern = QStringLiteral("dd-mmm-yyyy");
const QString kUpdateDateTimePattern = QStringLiteral("dd-mmm-yyyy hh:nn:ss");
}  // namespace

void PDEWriter::StartImport() {
  const QString method = QStringLiteral("PDEWriter::StartImport");
  Log(kDebug, QStringLiteral("Starting Import"), method);
  m_updateMode = false;
  m_startTime = Now();
  Log(kDebug, QStringLiteral("Clear Headers"), method);
  ClearHeaders();
  Log(kDebug, QStringLiteral("Clear Custom Field Lists"), method);
  Log(kDebug, QStringLiteral("Start Import finished"), method);
}

int PDEWriter::FinishImport() {
  Log(kDebug, QStringLiteral("Begin Finish Import"), QStringLiteral("PDEWriter::FinishImport"));
  const AppInfo app = AppInfo::FromParameters(Parameters());
  const XDateTime now = Now();
  if (m_controlSettings.crsKeyInSecKey)
    Log(kCritical, QStringLiteral("CrsKeyInSecKey Pragma is deprecated. Do not use!"),
        QStringLiteral("PDEWriter::FinishImport"));

  QString text = importcontrol::HeaderComment(app, now);
  text += importcontrol::PragmaBlock(m_controlSettings, m_runSettings.sisName, app, now.Date());
  text += importcontrol::CustomFieldsBlock(m_customFields);
  text += importcontrol::TablesHeading();
  for (const auto &header : m_headers) text += importcontrol::TableBlock(*header);
  text += importcontrol::TimingBlock(m_startTime.Time(), Now().Time());

  auto file = PublishedFile::CreateReplacing(PDEFolder() + app.shortName + QStringLiteral(".PDE"));
  file->Write(ToSingleByte(text));
  file->Publish();
  return 0;
}

void PDEWriter::StartUpdate() {
  const AppInfo app = AppInfo::FromParameters(Parameters());
  m_updateMode = true;
  m_startTime = Now();
  m_updateOutput.reset();
  m_updateFile.reset();
  // A run that died a day ago is not coming back for its working copy.
  try {
    RemoveAbandonedUpdateCopies(PDEFolder(), kAbandonedAfterSeconds);
  } catch (const XException &e) {
    Log(kDebug, e.Text(), QStringLiteral("PDEWriter::StartUpdate"));
  }

  // Two runs in the same second take consecutive time stamps instead of sharing one name.
  XDateTime stamp;
  m_updateFile = PublishedFile::CreateUnique([&](int attempt) {
    stamp = m_startTime;
    stamp.Add(XDateSpan{.seconds = attempt});
    return PDEFolder() + QStringLiteral("Update ") + stamp.Format(QStringLiteral("YYYYMMDDHHNNSS")) +
           QStringLiteral(".PDU");
  });
  m_updateOutput = std::make_unique<DelimitedOutput>(*m_updateFile);
  Log(kDebug, QStringLiteral("Writing update file ") + m_updateFile->FinalPath(),
      QStringLiteral("PDEWriter::StartUpdate"));

  if (m_controlSettings.crsKeyInSecKey)
    Log(kCritical, QStringLiteral("CrsKeyInSecKey Pragma is deprecated. Do not use!"),
        QStringLiteral("PDEWriter::StartUpdate"));
  QString text = importcontrol::HeaderComment(app, m_startTime);
  text += importcontrol::UpdatePragma(stamp);
  text += importcontrol::PragmaBlock(m_controlSettings, m_runSettings.sisName, app, m_startTime.Date());
  text += importcontrol::TablesHeading();
  m_updateOutput->WriteText(text);
}

void PDEWriter::FinishUpdate() {
  if (!m_updateFile) {
    m_updateMode = false;
    return;
  }
  m_updateOutput->WriteText(importcontrol::TimingBlock(m_startTime.Time(), Now().Time()));
  m_updateFile->Publish([this](const QString &workingPath) { FileAboutToBePublished(workingPath); });
  m_publishedUpdateFile = m_updateFile->FinalPath();
  m_updateOutput.reset();
  m_updateFile.reset();
  m_updateMode = false;
  Log(kInformational, QStringLiteral("Update file: ") + m_publishedUpdateFile,
      QStringLiteral("PDEWriter::FinishUpdate"));
  UpdateFilePublished(m_publishedUpdateFile);
}

QString PDEWriter::ConfigRecordPath(const QString &folder) const {
  QString path = folder;
  if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')) && !path.endsWith(QDir::separator()))
    path += QDir::separator();
  return path + bridgeconfig::kFileName;
}

QString PDEWriter::OverlapDays() const {
  return m_overlap.isEmpty() ? kDefaultOverlap : m_overlap;
}

BridgeConfigValues PDEWriter::CurrentConfigValues() const {
  BridgeConfigValues values;
  values.sis = m_runSettings.sisName;
  values.version = Parameter(QStringLiteral("appVersion_"));
  values.school = m_runSettings.school;
  values.district = m_runSettings.district;
  values.year = m_runSettings.schoolYear;
  values.dsn = m_runSettings.dsn;
  values.masterFile = m_runSettings.masterFile;
  values.masterFolder = m_runSettings.masterFolder;
  values.securityFile = m_runSettings.securityFile;
  values.globalFolder = m_runSettings.globalFolder;
  values.overlap = OverlapDays();

  // Both dates are saved one day earlier than they stand, so the next run reads that day again.
  XDate updateDate = XDate::FromQDate(m_lastUpdateDate);
  if (updateDate.IsNull() || updateDate.DayNumber() == 0)
    updateDate = XDate::FromQDate(m_lastUpdateTime.date());
  if (updateDate.IsValid()) updateDate.Subtract(0, 0, 1);
  values.updateDate = updateDate.Format(kUpdateDatePattern);
  XDateTime updateTime = XDateTime::FromQDateTime(m_lastUpdateTime);
  if (!updateTime.IsEmpty()) updateTime.Subtract(XDateSpan{.days = 1});
  values.updateDateTime = updateTime.Format(kUpdateDateTimePattern);
  return values;
}

void PDEWriter::StartPDEWriter() {
  const QString method = QStringLiteral("PDEWriter::StartPDEWriter");
  Log(kInformational, QStringLiteral("Starting PDE Writer"), method);
  const QList<ConfigEntry> stored = bridgeconfig::ReadFile(ConfigRecordPath(PDEFolder()));
  if (m_runSettings.globalFolder.isEmpty())
    m_runSettings.globalFolder = bridgeconfig::Value(stored, QStringLiteral("GlobalFolder"));
  m_overlap = bridgeconfig::Value(stored, QStringLiteral("OverlapInDays"));

  QString difference;
  if (bridgeconfig::HasChanged(stored, CurrentConfigValues(), difference)) {
    if (!difference.isEmpty()) Log(kInformational, difference, method);
    Log(kInformational, QStringLiteral("Bridge Configuration Changed."), method);
    DeleteUpdateFiles(PDEFolder());
    // Both dates go: the saved date-time stands in for a missing update date, and would otherwise
    // make the next attendance read start near the old date instead of at the school year start.
    m_lastUpdateDate = QDate();
    m_lastUpdateTime = QDateTime();
  } else {
    Log(kInformational, QStringLiteral("Bridge Configuration Did Not Change."), method);
  }
  Log(kInformational, QStringLiteral("Import Folder: ") + PDEFolder(), method);
}

void PDEWriter::SaveBridgeConfig() {
  auto file = PublishedFile::CreateReplacing(ConfigRecordPath(PDEFolder()));
  file->Write(bridgeconfig::Render(CurrentConfigValues()));
  file->Publish();
}

void PDEWriter::FinishRun() {
  SaveBridgeConfig();
  ClearHeaders();
  Log(kProgress, QStringLiteral("Export complete."), QStringLiteral("PDEWriter::FinishRun"));
}

QDate PDEWriter::ReadLastUpdateDate(const QString &pdeFolder) {
  const QList<ConfigEntry> stored = bridgeconfig::ReadFile(ConfigRecordPath(pdeFolder));
  XDate date;
  date.Parse(kUpdateDatePattern, bridgeconfig::Value(stored, QStringLiteral("UpdateDate")));
  return date.ToQDate();
}

QDateTime PDEWriter::ReadLastUpdateDateTime(const QString &pdeFolder) {
  const QList<ConfigEntry> stored = bridgeconfig::ReadFile(ConfigRecordPath(pdeFolder));
  XDateTime dateTime;
  dateTime.Parse(kUpdateDateTimePattern, bridgeconfig::Value(stored, QStringLiteral("UpdateDateTime")));
  if (dateTime.Date().IsNull() || dateTime.Time().IsNull()) return {};
  return dateTime.ToQDateTime();
}
