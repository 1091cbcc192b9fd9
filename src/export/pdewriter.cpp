// The table writer: headers, columns, and the rows of the current query into a table file or into
// the run's update file.
#include "pdewriter.h"

#include <QDir>

#include "attendancewriter.h"
#include "delimitedoutput.h"
#include "loglevels.h"
#include "publishedfile.h"
#include "runpublication.h"
#include "xexception.h"

namespace {
const QString kWriteTable = QStringLiteral("PDEWriter::WriteTable");
}  // namespace

PDEWriter::PDEWriter(QObject *parent)
    : BridgeTaskBase(parent), attendance_(std::make_unique<AttendanceWriter>(*this)) {}

PDEWriter::~PDEWriter() {
  const QString pattern = QStringLiteral("dd/mm/yyyy|hh:nn:ss");
  const QString method = QStringLiteral("PDEWriter::~PDEWriter");
  Log(kInformational, Now().Format(pattern) + QStringLiteral(" PDE Writer Desctructor start"), method);
  tableOutput_.reset();
  tableFile_.reset();
  updateOutput_.reset();
  updateFile_.reset();
  columns_.clear();
  ClearHeaders();
  Log(kInformational, Now().Format(pattern) + QStringLiteral(" PDE Writer Destructor end"), method);
  attendance_.reset();
}

std::unique_ptr<AppTaskBase> PDEWriter::Create() const {
  return std::make_unique<PDEWriter>();
}

XDateTime PDEWriter::Now() const {
  return XDateTime::Now();
}

void PDEWriter::ClearHeaders() {
  currentHeader_ = nullptr;
  headers_.clear();
  tableFilesWritten_.clear();
}

QString PDEWriter::SuffixedFileName(const QString &fileName, const QString &suffix) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return fileName + QLatin1Char('_') + suffix;
  return fileName.left(dot) + QLatin1Char('_') + suffix + fileName.mid(dot);
}

// A table file already written in this import run would be replaced, and with it rows that may be
// marked as sent already; a later table for the same file takes the next free name "<stem>_<n>.<ext>",
// which its include line in the import control file names.
QString PDEWriter::TableFileNameForRun(const QString &fileName) {
  QString name = fileName;
  for (int n = 2; tableFilesWritten_.contains(name.toLower()); ++n)
    name = SuffixedFileName(fileName, QString::number(n));
  if (name != fileName)
    Log(kInformational,
        QStringLiteral("Table file ") + fileName +
            QStringLiteral(" was written already in this run, writing ") + name,
        kWriteTable);
  tableFilesWritten_.insert(name.toLower());
  return name;
}

void PDEWriter::StartTable(const QString &name, const QString &fileName, int safeInclude) {
  PutJobText(QStringLiteral("Reading ") + name + QStringLiteral("..."));
  auto header = std::make_unique<SISExpHeader>();
  header->name = name;
  header->fileName = fileName;
  header->safeInclude = safeInclude;
  currentHeader_ = header.get();
  headers_.push_back(std::move(header));
  columns_.clear();
  ClearQuery();
  summary_.StartTable();
}

ODBCField *PDEWriter::AddColumn(ODBCField *queryField, const QString &text, const ValueGetter &valueGetter,
                                int command) {
  if (queryField && !AddQueryField(queryField)) return nullptr;
  columns_.push_back(ExportColumn{queryField, text, valueGetter, command});
  return queryField;
}

void PDEWriter::AddHeaderField(const QString &fieldName, const QString &customName,
                               const QString &customTitle, const QString &customKind,
                               const QString &customExtra) {
  if (!fieldName.isEmpty() && currentHeader_) currentHeader_->fields.push_back({fieldName});
  if (!customName.isEmpty()) customFields_.Add({customName, customTitle, customKind, customExtra, 1});
}

void PDEWriter::EndTable() {
  ClearQuery();
  CloseRecordSet();
  columns_.clear();
  ClearTableState();
  if (currentHeader_)
    Log(kDebug, QStringLiteral("Finished ") + currentHeader_->name + QStringLiteral(" table/query."),
        QStringLiteral("PDEWriter::EndTable"));
}

DelimitedOutput &PDEWriter::BeginTableOutput() {
  if (!currentHeader_) throw XException(QStringLiteral("No export table has been started."));
  const SISExpHeader &header = *currentHeader_;
  Log(kDebug, QStringLiteral("Writing ") + header.fileName, kWriteTable);
  if (!updateMode_) {
    Log(kDebug, QStringLiteral("Writing PDE File"), kWriteTable);
    currentHeader_->fileName = TableFileNameForRun(header.fileName);
    tableOutput_.reset();
    tableFile_ = PublishedFile::CreateReplacing(PDEFolder() + header.fileName);
    tableOutput_ = std::make_unique<DelimitedOutput>(*tableFile_, '\t', DelimitedOutput::Repeats::Dropped);
    Log(kDebug, QStringLiteral("Opened PDE FIle"), kWriteTable);
    return *tableOutput_;
  }
  Log(kDebug, QStringLiteral("Writing PDU File"), kWriteTable);
  if (!updateOutput_) throw XException(QStringLiteral("No update file is open."));
  updateOutput_->WriteText(QStringLiteral("// ") + header.name + QStringLiteral("\r\n") +
                           header.FieldNames().join(QLatin1Char('\t')) + QStringLiteral("\r\n"));
  Log(kDebug, QStringLiteral("Wrote Current Header"), kWriteTable);
  return *updateOutput_;
}

void PDEWriter::EndTableOutput(int lines) {
  if (!updateMode_) {
    Log(kDebug, QStringLiteral("Closing Table file"), kWriteTable);
    if (tableFile_) PublishOrStage(tableFile_);
    // The summary gives the rows the file holds: a repeated line was left out.
    const qsizetype rows = lines - (tableOutput_ ? tableOutput_->RepeatsDropped() : 0);
    tableOutput_.reset();
    tableFile_.reset();
    Log(kDebug, QStringLiteral("Closed Table File. Lines= ") + QString::number(lines), kWriteTable);
    if (currentHeader_)
      Log(kInformational, summary_.TableWritten(currentHeader_->fileName, currentHeader_->name, rows),
          kWriteTable);
    return;
  }
  summary_.MarksSent(lines);
  Log(kDebug, QStringLiteral("Writing pdu footer"), kWriteTable);
  if (updateOutput_) updateOutput_->WriteText(QStringLiteral("*\r\n\r\n"));
  Log(kDebug, QStringLiteral("Finished PDU File. Lines= ") + QString::number(lines), kWriteTable);
}

void PDEWriter::AbandonTableOutput() {
  tableOutput_.reset();
  tableFile_.reset();
  if (updateMode_) {
    updateOutput_.reset();
    updateFile_.reset();
  }
  // Rows marked as sent for a file that will never be published are sent again next time.
  if (Attendance().IsSending()) Attendance().RollbackSent();
}

void PDEWriter::PublishOrAbandon(PublishedFile &file) {
  try {
    file.Publish([this](const QString &workingPath) { FileAboutToBePublished(workingPath); });
  } catch (...) {
    AbandonTableOutput();
    throw;
  }
}

void PDEWriter::LogColumn(const ExportColumn &column, bool isValue) {
  const QString name = column.queryField ? column.queryField->Name() : QStringLiteral("**Blank FieldName**");
  Log(kDebug, QStringLiteral("Getting curColumns field..."), kWriteTable);
  Log(kProprietary, QStringLiteral("Processing Field = ") + name, kWriteTable);
  Log(kDebug, isValue ? QStringLiteral("Getting valueStr") : QStringLiteral("Getting command"), kWriteTable);
}

void PDEWriter::WriteRecord(bool firstRecord, DelimitedOutput &output) {
  for (const ExportColumn &column : columns_) {
    const bool isValue = bool(column.valueGetter);
    if (firstRecord) LogColumn(column, isValue);
    const QString name = !firstRecord        ? QString()
                         : column.queryField ? column.queryField->Name()
                                             : QStringLiteral("**Blank FieldName**");
    if (isValue) {
      SetCurrentField(column.queryField);
      const QString value = column.valueGetter();
      if (firstRecord) Log(kDebug, QStringLiteral("Got valueStr"), kWriteTable);
      output.WriteValue(value);
      if (firstRecord) Log(kProprietary, QStringLiteral("Wrote = ") + name, kWriteTable);
      continue;
    }
    if (firstRecord) Log(kDebug, QStringLiteral("Got command"), kWriteTable);
    if (column.command == kWriteText) {
      output.WriteValue(column.text);
    } else if (column.command == kEndLine) {
      output.EndLine();
    } else if (column.command == kCallHook) {
      ColumnHook(column);
    }
    if (firstRecord) {
      Log(kDebug, QStringLiteral("Wrote Default Value Command %1 for %2").arg(column.command).arg(name),
          kWriteTable);
      Log(kDebug, QStringLiteral("Wrote the value = ") + column.text, kWriteTable);
    }
  }
  output.EndLine();
}

int PDEWriter::WriteTable(const RowFilter &rowFilter, const QString &prefixLine) {
  if (!currentHeader_) throw XException(QStringLiteral("No export table has been started."));
  const QString name = currentHeader_->name;
  const QString fileName = currentHeader_->fileName;
  int count = 0;
  try {
    Log(kDebug, QStringLiteral("Opening Table"), kWriteTable);
    // A refused query is a failure of the export, never a table without rows.
    if (!OpenTable()) throw XException(QStringLiteral("The query could not be opened."));
    DelimitedOutput &output = BeginTableOutput();
    if (!prefixLine.isEmpty()) {
      output.WriteValue(prefixLine);
      output.EndLine();
    }
    Log(kDebug, QStringLiteral("Generating PDE Entries"), kWriteTable);
    // The database returns its records in an order of its own: the rows are written in the order of
    // their text, so every database gives the same file.
    output.BeginSortedRows();
    for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
      if (rowFilter && !rowFilter()) continue;
      const bool first = count == 0;
      if (first) {
        Log(kDebug, QStringLiteral("Generating First PDE Entry"), kWriteTable);
        Log(kDebug, QStringLiteral("Line Passed Filter"), kWriteTable);
      }
      WriteRecord(first, output);
      output.EndRow();
      ++count;
    }
    output.EndSortedRows();
    EndTableOutput(count);
  } catch (...) {
    AbandonTableOutput();
    Log(kDebug, QStringLiteral("Error writing line= ") + QString::number(count), kWriteTable);
    QString reason;
    bool hasText = true;
    try {
      throw;
    } catch (const XException &e) {
      reason = e.Text();
    } catch (const std::exception &e) {
      reason = QString::fromLocal8Bit(e.what());
    } catch (...) {
      hasText = false;
    }
    QString sql;
    try {
      sql = QueryText();
    } catch (...) {
    }
    const QString text = hasText ? QStringLiteral("Failed with error [") + reason +
                                       QStringLiteral("] while writing file [") + name +
                                       QStringLiteral("] with query: ") + sql
                                 : QStringLiteral("Failed with unknown error while writing file [") + name +
                                       QStringLiteral("] with query: ") + sql;
    LogAndThrow(kCritical, text, kWriteTable);
  }
  Log(kDebug, QStringLiteral("Wrote ") + fileName, kWriteTable);
  return count;
}
