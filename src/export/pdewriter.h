// The export writer layer of the extraction task: turns the current query's records into the
// product's import files (table files or one update file), writes the import control file and the
// bridge configuration record, and removes files of earlier runs. It reaches the query only
// through the virtual operations below, which the data-access layers supply.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QSet>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "attendancereconcile.h"
#include "bridgeconfigrecord.h"
#include "bridgetaskbase.h"
#include "exportheader.h"
#include "importcontrolfile.h"
#include "queryentries.h"
#include "runsummary.h"
#include "xdatetime.h"

class AttendanceCache;
class AttendanceWriter;
class DelimitedOutput;
class PublishedFile;
class RunPublication;
struct AttendanceHeaderSets;

// What identifies the source of a run; kept in the bridge configuration record.
struct BridgeRunSettings {
  QString sisName, school, district, schoolYear, dsn, masterFile, masterFolder, securityFile, globalFolder;
};

class PDEWriter : public BridgeTaskBase {
  Q_OBJECT

 public:
  explicit PDEWriter(QObject *parent = nullptr);
  ~PDEWriter() override;

  std::unique_ptr<AppTaskBase> Create() const override;

  // A run: StartImport (or StartUpdate), the tables, FinishImport (or FinishUpdate).
  virtual void StartImport();
  virtual void StartUpdate();
  virtual int FinishImport();
  virtual void FinishUpdate();
  // The start of an extraction: compares the stored configuration and removes stale files.
  virtual void StartPDEWriter();
  // After the last export of a successful run.
  virtual void FinishRun();
  void SaveBridgeConfig();
  virtual void DeletePDEFiles();
  void DeleteUpdateFiles(const QString &importFolder);

  // One table: StartTable, AddColumn and AddHeaderField per field, WriteTable, EndTable.
  void StartTable(const QString &name, const QString &fileName, int safeInclude = 0);
  ODBCField *AddColumn(ODBCField *queryField, const QString &text, const ValueGetter &valueGetter,
                       int command);
  void AddHeaderField(const QString &fieldName, const QString &customName = QString(),
                      const QString &customTitle = QString(), const QString &customKind = QString(),
                      const QString &customExtra = QString());
  int WriteTable(const RowFilter &rowFilter = RowFilter(), const QString &prefixLine = QString());
  void EndTable();

  // Row output of the current table for layers that write their rows themselves: opens the table
  // file (or writes the table's header block into the update file), then rows, then the end.
  DelimitedOutput &BeginTableOutput();
  void EndTableOutput(int lines);
  // Drops an unfinished table file; in update mode the update file is then never published. The
  // attendance rows marked as sent for it stay unsent.
  void AbandonTableOutput();

  // The attendance cache beside the import files ("DAILY_ATT" or "PERIOD_ATT" name a table).
  bool SetAttendanceDatabase(const QString &folder);
  // Opens and creates the table, moves the update date back by the overlap and blanks the new
  // codes from there (with blankFromUpdateDate), then starts the attendance export table.
  void StartAttTable(const QString &table, bool blankFromUpdateDate, bool extraDay);
  // Reads the current query window by window and merges every record that passes rowFilter into the
  // table started last; the task's update date moves to the last day read.
  void WriteAttendanceTable(const QDate &yearStart, const QDate &yearEnd, const RowFilter &rowFilter,
                            bool lastWindowExtraDay);
  void BlankNewCodeInSQLiteDB(const QString &table, const QDate &date);
  virtual bool IsCacheStale(const QString &element);
  void DropAttendanceTable(const QString &table);
  void DeleteAttendanceDatabase();
  AttendanceCache &Attendance();
  // Whether this run reads the table's whole school year again (the --reconcile switch, or a week
  // since the last full read), decided once per run from the cache in the import folder.
  const AttendanceReconcile &Reconcile(AttendanceTable table);
  // The cache the last published run left, which keeps the date of the last full-year read.
  QString PublishedCachePath() const;
  AttendanceHeaderSets &AttendanceHeaders();

  ImportControlSettings &ControlSettings() { return controlSettings_; }
  BridgeRunSettings &RunSettings() { return runSettings_; }
  const SISExpCustomFieldList &CustomFields() const { return customFields_; }
  const std::vector<std::unique_ptr<SISExpHeader>> &Headers() const { return headers_; }
  SISExpHeader *CurrentHeader() const { return currentHeader_; }
  bool IsUpdateMode() const { return updateMode_; }
  // The overlap in days as the record holds it ("14" when the record has none).
  QString OverlapDays() const;
  // The update file of the last finished update run, once published.
  const QString &PublishedUpdateFile() const { return publishedUpdateFile_; }

 protected:
  // "<stem>_<suffix>.<ext>": the name of a second table file that must not replace the first.
  static QString SuffixedFileName(const QString &fileName, const QString &suffix);
  // The current query, supplied by the data-access layers. The defaults describe no query, which
  // cannot be opened.
  virtual bool AddQueryField(ODBCField *) { return true; }
  virtual bool OpenTable() { return false; }
  virtual bool GetFirstRecord() { return false; }
  virtual bool GetNextRecord() { return false; }
  virtual QString QueryText() { return {}; }
  // Lets the database start on a query that OpenTable will run next (the default runs nothing ahead).
  virtual void RunQueryAhead(const QString &) {}
  virtual void SetCurrentField(ODBCField *) {}
  // Starts a new, empty query description.
  virtual void ClearQuery() {}
  // Closes the record set and keeps the description, so it can be opened again.
  virtual void CloseRecordSet() {}
  // Limits the current query to attendance within the dates (an invalid date sets no bound); a
  // later call replaces the earlier limits.
  virtual void FilterAttendance(const QDate &, const QDate &) {}
  // The engine's per-table state, cleared when a table ends.
  virtual void ClearTableState() {}
  // Called for a column with command 4; writes nothing.
  virtual void ColumnHook(const ExportColumn &) {}

  // Called once the update file is complete, synced and under its final name: the point after
  // which what it carries may be marked as sent. The writer's own version commits the attendance
  // rows marked as sent while the file was written.
  virtual void UpdateFilePublished(const QString &path);
  // Called when a table or update file is complete on disk, just before it takes its final name:
  // records the attendance rows it carries as sent-once-published, so a run killed between the
  // rename and the commit neither loses nor resends them.
  virtual void FileAboutToBePublished(const QString &workingPath);
  // The local clock; a seam so tests can fix the time stamps written into the files.
  virtual XDateTime Now() const;

  // A run through the task frame publishes its files together at its end (see RunPublication);
  // without one, as in the layer's own tests, each file is published as it is finished.
  void RecoverImportFolder() override;
  void BeginRunPublication() override;
  void AbandonRun() override;

  QDate ReadLastUpdateDate(const QString &pdeFolder) override;
  // A reconcile counts every window of the year; a plain run as the frame counts it.
  qint64 AttendanceProgressSteps(const QString &pdeFolder) override;
  QDateTime ReadLastUpdateDateTime(const QString &pdeFolder) override;

  QString ConfigRecordPath(const QString &folder) const;
  BridgeConfigValues CurrentConfigValues() const;

  XDateTime startTime_;
  QString overlap_;
  SISExpHeader *currentHeader_ = nullptr;
  std::vector<ExportColumn> columns_;

 private:
  void ClearHeaders();
  // Publishes a table or update file; when it does not take its final name, it is abandoned.
  void PublishOrAbandon(PublishedFile &file);
  // In a run the file waits, complete, for the run's commit; otherwise it is published now.
  void PublishOrStage(std::unique_ptr<PublishedFile> &file);
  // Publishes every file the run staged, with the removal of stale files and the rebuilt cache.
  void CommitRun();
  void StageStaleFileRemoval();
  void StageRebuiltCache();
  void DropGlobalAttendanceTables();
  QString RebuiltCachePath() const;
  void RemoveRebuiltCache();
  QString TableFileNameForRun(const QString &fileName);
  void WriteRecord(bool firstRecord, DelimitedOutput &output);
  void LogColumn(const ExportColumn &column, bool isValue);
  void DeleteMatchingFiles(const QString &folder, const QString &wildcard);
  void DeleteMatchingFolders(const QString &folder, const QString &wildcard,
                             const std::function<void(const QString &)> &remove);
  // Hands every stale file and folder of the import folder to remove, in the logged order.
  void RemoveStaleFiles(const QString &importFolder, const std::function<void(const QString &)> &remove);
  void RemoveStaleFilesReported(const QString &importFolder,
                                const std::function<void(const QString &)> &remove);
  // Working copies of update files left by runs that ended before finishing them, older than
  // maxAgeSeconds (0: all of them), except those in keep.
  void RemoveAbandonedUpdateCopies(const QString &importFolder, qint64 maxAgeSeconds,
                                   const QStringList &keep = {});
  void WriteUpdateText(const QString &text);

  std::vector<std::unique_ptr<SISExpHeader>> headers_;
  SISExpCustomFieldList customFields_;
  ImportControlSettings controlSettings_;
  BridgeRunSettings runSettings_;

  bool updateMode_ = false;
  std::unique_ptr<PublishedFile> updateFile_;
  std::unique_ptr<DelimitedOutput> updateOutput_;
  QString publishedUpdateFile_;
  QString stagedUpdateFile_;

  std::unique_ptr<RunPublication> publication_;
  // The configuration changed: stale files go, and the rebuilt cache replaces the old, at the commit.
  bool staleFilesDeferred_ = false;

  std::unique_ptr<AttendanceWriter> attendance_;
  RunSummary summary_;
  std::map<AttendanceTable, AttendanceReconcile> reconcile_;
  std::unique_ptr<PublishedFile> tableFile_;
  // The table files of this import run, in lower case: a second table for the same file gets a name
  // of its own instead of replacing the first.
  QSet<QString> tableFilesWritten_;
  std::unique_ptr<DelimitedOutput> tableOutput_;
};
