// Line protocol writer: joins the fields with tabs, holds "missing" lines until a warning or an
// error explains them, and flushes every line so the front-end sees it at once.
#include "sismessagewriter.h"

#include <QRegularExpression>
#include <cstdio>

namespace {
const QString kTab = QStringLiteral("\t");

bool isListType(const QString &type) {
  static const QStringList kListTypes = {QStringLiteral("list"), QStringLiteral("bridgelist"),
                                         QStringLiteral("school_list"), QStringLiteral("district_list"),
                                         QStringLiteral("year_list")};
  return kListTypes.contains(type);
}

QStringList withTotal(const QString &kind, int total) {
  if (total == -1) return {kind};
  return {kind, QString::number(total)};
}
}  // namespace

SISMessageWriter &SISMessageWriter::instance() {
  static SISMessageWriter writer;
  return writer;
}

SISMessageWriter::SISMessageWriter() {
  outputFile_.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered);
  errorFile_.open(fileno(stderr), QIODevice::WriteOnly | QIODevice::Unbuffered);
  output_.setDevice(&outputFile_);
  error_.setDevice(&errorFile_);
}

SISMessageWriter::SISMessageWriter(QIODevice *output, QIODevice *error, QObject *parent) : QObject(parent) {
  output_.setDevice(output);
  error_.setDevice(error);
}

SISMessageWriter::~SISMessageWriter() {
  output_.flush();
  error_.flush();
}

QString SISMessageWriter::cleanField(const QString &field) {
  static const QRegularExpression kBreaks(QStringLiteral("[\\t\\r\\n\\x{2028}\\x{2029}\\x{85}\\v\\f]"));
  if (!field.contains(kBreaks)) return field;
  return QString(field).replace(kBreaks, QStringLiteral(" "));
}

void SISMessageWriter::writeLine(QTextStream &stream, const QStringList &fields) {
  QStringList cleaned;
  cleaned.reserve(fields.size());
  for (const QString &field : fields) cleaned.append(cleanField(field));
  stream << cleaned.join(kTab) << Qt::endl;
}

void SISMessageWriter::writeOutput(const QStringList &fields) {
  writeLine(output_, fields);
}

void SISMessageWriter::writeError(const QStringList &fields) {
  writeLine(error_, fields);
}

void SISMessageWriter::writeLogLine(const QString &levelName, const QString &time, const QString &method,
                                    const QString &message) {
  writeOutput({QStringLiteral("log"), levelName, time, method, message});
}

void SISMessageWriter::writeRawError(const QString &text) {
  error_ << text;
  error_.flush();
}

void SISMessageWriter::outVersion(const QString &alias, const QString &version, const QString &minversion,
                                  const QString &vname, const QString &guide) {
  writeOutput({QStringLiteral("version"), alias, version, minversion, vname, guide});
}

void SISMessageWriter::outParams(const QString &paramkey, const QString &type, const QString &paramname,
                                 const QString &help, const QString &defaultValue) {
  writeOutput({QStringLiteral("params"), paramkey, type, paramname, help, defaultValue});
}

void SISMessageWriter::outHiddenParam(const QString &paramkey, const QString &paramvalue,
                                      const QString &defaultValue) {
  writeOutput({QStringLiteral("hidden_param"), paramkey, paramvalue, defaultValue});
}

void SISMessageWriter::outList(const QString &type, const QString &paramvalue, const QString &displaykey,
                               const QString &displayname, const QString &defaultValue) {
  if (!isListType(type)) {
    outError(QStringLiteral("list"), QStringLiteral("List type not set up."));
    return;
  }
  writeOutput({type, paramvalue, displaykey, displayname, defaultValue});
}

void SISMessageWriter::outTree(const QString &paramvalue, const QString &displaykey, const QString &parentkey,
                               const QString &displayname, const QString &defaultValue) {
  writeOutput({QStringLiteral("tree"), paramvalue, displaykey, parentkey, displayname, defaultValue});
}

void SISMessageWriter::outHidden(const QString &paramkey, const QString &type, const QString &paramname,
                                 const QString &help, const QString &defaultValue) {
  writeOutput({QStringLiteral("hidden"), paramkey, type, paramname, help, defaultValue});
}

void SISMessageWriter::outFile(const QString &paramkey, const QString &extension,
                               const QString &defaultValue) {
  writeOutput({QStringLiteral("file"), paramkey, extension, defaultValue});
}

void SISMessageWriter::outNumber(const QString &paramkey, const QString &range, const QString &defaultValue) {
  writeOutput({QStringLiteral("number"), paramkey, range, defaultValue});
}

void SISMessageWriter::outDate(const QString &paramkey, const QString &startdate, const QString &enddate,
                               const QString &defaultValue) {
  writeOutput({QStringLiteral("date"), paramkey, startdate, enddate, defaultValue});
}

void SISMessageWriter::outTest(const QString &success, const QString &group, const QString &message) {
  writeOutput({QStringLiteral("test"), success, group, message});
}

void SISMessageWriter::outStatus(const QString &success, const QString &date, const QString &message) {
  writeOutput({QStringLiteral("status"), success, date, message});
}

void SISMessageWriter::outManage(const QString &success, const QString &message) {
  writeOutput({QStringLiteral("manage"), success, message});
}

void SISMessageWriter::outProgress(const QString &progress_type, int progress_total) {
  writeOutput(withTotal(progress_type, progress_total));
}

void SISMessageWriter::outProgress_increment(const QString &progress_message) {
  if (progress_message.isEmpty()) {
    writeOutput({QStringLiteral("inc_progress")});
    return;
  }
  writeOutput({QStringLiteral("inc_progress"), progress_message});
}

void SISMessageWriter::outProgress_warning(const QString &progress_message) {
  if (progress_message.isEmpty()) {
    writeOutput({QStringLiteral("inc_progress")});
    return;
  }
  writeOutput({QStringLiteral("warn_progress"), progress_message});
}

void SISMessageWriter::outSetting(const QString &setting_type, int setting_total) {
  writeOutput(withTotal(setting_type, setting_total));
}

void SISMessageWriter::outSetting_increment(const QString &setting_type, const QString &group,
                                            const QString &key, const QString &value) {
  writeOutput({setting_type, group, key, value});
}

void SISMessageWriter::outSetting_increment(const QString &setting_type, const QString &group,
                                            const QString &key, const QString &value,
                                            const QString &grouping) {
  writeOutput({setting_type, group, key, value, grouping});
}

void SISMessageWriter::outMissing(const QString &paramkey, const QString &message) {
  const QString line =
      QStringList{QStringLiteral("missing"), cleanField(paramkey), cleanField(message)}.join(kTab);
  if (!pending_.contains(line)) pending_.append(line);
}

void SISMessageWriter::flushPending() {
  for (const QString &line : std::as_const(pending_)) error_ << line << Qt::endl;
  pending_.clear();
}

void SISMessageWriter::outWarning(const QString &key, const QString &message) {
  flushPending();
  writeOutput({QStringLiteral("warning"), key, message});
}

void SISMessageWriter::outError(const QString &paramkey, const QString &message) {
  flushPending();
  writeError({QStringLiteral("error"), paramkey, message});
}

void SISMessageWriter::clearMessages() {
  pending_.clear();
}
