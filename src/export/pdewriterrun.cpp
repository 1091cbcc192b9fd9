// The runs of the writer: an import run ending in the import control file, an update run ending
// in one published update file, and the bridge configuration record read at the start of an
// extraction and written at its end.
#include <QDir>

#include "attendancecache.h"
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
  updateMode_ = false;
  startTime_ = Now();
  Log(kDebug, QStringLiteral("Clear Headers"), method);
  ClearHeaders();
  Log(kDebug, QStringLiteral("Clear Custom Field Lists"), method);
  Log(kDebug, QStringLiteral("Start Import finished"), method);
}

int PDEWriter::FinishImport() {
  Log(kDebug, QStringLiteral("Begin Finish Import"), QStringLiteral("PDEWriter::FinishImport"));
  const AppInfo app = AppInfo::FromParameters(Parameters());
  const XDateTime now = Now();
  if (controlSettings_.crsKeyInSecKey)
    Log(kCritical, QStringLiteral("CrsKeyInSecKey Pragma is deprecated. Do not use!"),
        QStringLiteral("PDEWriter::FinishImport"));

  QString text = importcontrol::HeaderComment(app, now);
  text += importcontrol::PragmaBlock(controlSettings_, runSettings_.sisName, app, now.Date());
  text += importcontrol::CustomFieldsBlock(customFields_);
  text += importcontrol::TablesHeading();
  for (const auto &header : headers_) text += importcontrol::TableBlock(*header);
  text += importcontrol::TimingBlock(startTime_.Time(), Now().Time());

  auto file = PublishedFile::CreateReplacing(PDEFolder() + app.shortName + QStringLiteral(".PDE"));
  file->Write(ToSingleByte(text));
  PublishOrStage(file);
  return 0;
}

void PDEWriter::StartUpdate() {
  const AppInfo app = AppInfo::FromParameters(Parameters());
  updateMode_ = true;
  startTime_ = Now();
  updateOutput_.reset();
  updateFile_.reset();
  // A run that died a day ago is not coming back for its working copy. A copy the attendance cache
  // names stays until the cache has settled the rows it carries.
  try {
    RemoveAbandonedUpdateCopies(PDEFolder(), kAbandonedAfterSeconds,
                                Attendance().PendingWorkingCopies(PDEFolder()));
  } catch (const XException &e) {
    Log(kDebug, e.Text(), QStringLiteral("PDEWriter::StartUpdate"));
  }

  // Two runs in the same second take consecutive time stamps instead of sharing one name.
  XDateTime stamp;
  updateFile_ = PublishedFile::CreateUnique([&](int attempt) {
    stamp = startTime_;
    stamp.Add(XDateSpan{.seconds = attempt});
    return PDEFolder() + QStringLiteral("Update ") + stamp.Format(QStringLiteral("YYYYMMDDHHNNSS")) +
           QStringLiteral(".PDU");
  });
  updateOutput_ = std::make_unique<DelimitedOutput>(*updateFile_);
  Log(kDebug, QStringLiteral("Writing update file ") + updateFile_->FinalPath(),
      QStringLiteral("PDEWriter::StartUpdate"));

  if (controlSettings_.crsKeyInSecKey)
    Log(kCritical, QStringLiteral("CrsKeyInSecKey Pragma is deprecated. Do not use!"),
        QStringLiteral("PDEWriter::StartUpdate"));
  QString text = importcontrol::HeaderComment(app, startTime_);
  text += importcontrol::UpdatePragma(stamp);
  text += importcontrol::PragmaBlock(controlSettings_, runSettings_.sisName, app, startTime_.Date());
  text += importcontrol::TablesHeading();
  updateOutput_->WriteText(text);
}

void PDEWriter::FinishUpdate() {
  if (!updateFile_) {
    updateMode_ = false;
    return;
  }
  updateOutput_->WriteText(importcontrol::TimingBlock(startTime_.Time(), Now().Time()));
  const QString finalPath = updateFile_->FinalPath();
  PublishOrStage(updateFile_);
  updateOutput_.reset();
  updateFile_.reset();
  updateMode_ = false;
  if (publication_) {
    stagedUpdateFile_ = finalPath;
    return;
  }
  publishedUpdateFile_ = finalPath;
  Log(kInformational, QStringLiteral("Update file: ") + publishedUpdateFile_,
      QStringLiteral("PDEWriter::FinishUpdate"));
  UpdateFilePublished(publishedUpdateFile_);
}

QString PDEWriter::ConfigRecordPath(const QString &folder) const {
  QString path = folder;
  if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')) && !path.endsWith(QDir::separator()))
    path += QDir::separator();
  return path + bridgeconfig::kFileName;
}

QString PDEWriter::OverlapDays() const {
  return overlap_.isEmpty() ? kDefaultOverlap : overlap_;
}

BridgeConfigValues PDEWriter::CurrentConfigValues() const {
  BridgeConfigValues values;
  values.sis = runSettings_.sisName;
  values.version = Parameter(QStringLiteral("appVersion_"));
  values.school = runSettings_.school;
  values.district = runSettings_.district;
  values.year = runSettings_.schoolYear;
  values.dsn = runSettings_.dsn;
  values.masterFile = runSettings_.masterFile;
  values.masterFolder = runSettings_.masterFolder;
  values.securityFile = runSettings_.securityFile;
  values.globalFolder = runSettings_.globalFolder;
  values.overlap = OverlapDays();

  // Both dates are saved one day earlier than they stand, so the next run reads that day again.
  XDate updateDate = XDate::FromQDate(lastUpdateDate_);
  if (updateDate.IsNull() || updateDate.DayNumber() == 0)
    updateDate = XDate::FromQDate(lastUpdateTime_.date());
  if (updateDate.IsValid()) updateDate.Subtract(0, 0, 1);
  values.updateDate = updateDate.Format(kUpdateDatePattern);
  XDateTime updateTime = XDateTime::FromQDateTime(lastUpdateTime_);
  if (!updateTime.IsEmpty()) updateTime.Subtract(XDateSpan{.days = 1});
  values.updateDateTime = updateTime.Format(kUpdateDateTimePattern);
  return values;
}

void PDEWriter::StartPDEWriter() {
  const QString method = QStringLiteral("PDEWriter::StartPDEWriter");
  Log(kInformational, QStringLiteral("Starting PDE Writer"), method);
  summary_.StartRun();
  const QList<ConfigEntry> stored = bridgeconfig::ReadFile(ConfigRecordPath(PDEFolder()));
  if (runSettings_.globalFolder.isEmpty())
    runSettings_.globalFolder = bridgeconfig::Value(stored, QStringLiteral("GlobalFolder"));
  overlap_ = bridgeconfig::Value(stored, QStringLiteral("OverlapInDays"));

  QString difference;
  if (bridgeconfig::HasChanged(stored, CurrentConfigValues(), difference)) {
    if (!difference.isEmpty()) Log(kInformational, difference, method);
    Log(kInformational, QStringLiteral("Bridge Configuration Changed."), method);
    if (publication_)
      StageStaleFileRemoval();
    else
      DeleteUpdateFiles(PDEFolder());
    // Both dates go: the saved date-time stands in for a missing update date, and would otherwise
    // make the next attendance read start near the old date instead of at the school year start.
    lastUpdateDate_ = QDate();
    lastUpdateTime_ = QDateTime();
  } else {
    Log(kInformational, QStringLiteral("Bridge Configuration Did Not Change."), method);
  }
  Log(kInformational, QStringLiteral("Import Folder: ") + PDEFolder(), method);
}

void PDEWriter::SaveBridgeConfig() {
  auto file = PublishedFile::CreateReplacing(ConfigRecordPath(PDEFolder()));
  file->Write(bridgeconfig::Render(CurrentConfigValues()));
  PublishOrStage(file);
}

void PDEWriter::FinishRun() {
  SaveBridgeConfig();
  CommitRun();
  Log(kInformational, summary_.Totals(), QStringLiteral("PDEWriter::FinishRun"));
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
