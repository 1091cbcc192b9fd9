// The task frame's run and its text helpers (phone numbers, e-mail addresses, file names).
#include "bridgetaskbase.h"

#include <QDir>
#include <QRegularExpression>

#include "xdate.h"
#include "xexception.h"

namespace {
const QString kBeginExecute = QStringLiteral("BridgeTaskBase::BeginExecute");
const ParameterMap kNoParameters;
}  // namespace

BridgeTaskBase::BridgeTaskBase(QObject *parent) : AppTaskBase(parent), parameters_(&kNoParameters) {}

BridgeTaskBase::~BridgeTaskBase() = default;

QString BridgeTaskBase::Parameter(const QString &name) const {
  return parameters_->value(name);
}

bool BridgeTaskBase::LoadList(const QString &) {
  Log(3, QStringLiteral("Not set up yet."), QStringLiteral("BridgeTaskBase::LoadList"));
  return false;
}

std::unique_ptr<AppTaskBase> BridgeTaskBase::Create() const {
  return std::make_unique<BridgeTaskBase>();
}

bool BridgeTaskBase::listNotSetUp(QString &message) {
  message = QStringLiteral("Not set up yet.");
  return false;
}

bool BridgeTaskBase::ValidateConnection(const ParameterMap &, QString &message) {
  return listNotSetUp(message);
}
bool BridgeTaskBase::ValidateDistrictSchool(const ParameterMap &, QString &message) {
  return listNotSetUp(message);
}
bool BridgeTaskBase::LoadDistrictList(ListEntries &, const ParameterMap &, QString &message) {
  return listNotSetUp(message);
}
bool BridgeTaskBase::LoadSchoolList(ListEntries &, const ParameterMap &, QString &message) {
  return listNotSetUp(message);
}
bool BridgeTaskBase::LoadSchoolYearList(ListEntries &, const ParameterMap &, QString &message) {
  return listNotSetUp(message);
}
bool BridgeTaskBase::LoadBridgeList(ListEntries &, const QString &, const ParameterMap &, QString &message) {
  return listNotSetUp(message);
}

SchemaVerdict BridgeTaskBase::CheckSchema(const ParameterMap &) {
  SchemaVerdict verdict;
  listNotSetUp(verdict.message);
  return verdict;
}

QDate BridgeTaskBase::ReadLastUpdateDate(const QString &) {
  return {};
}
QDateTime BridgeTaskBase::ReadLastUpdateDateTime(const QString &) {
  return {};
}
QDate BridgeTaskBase::Today() const {
  return QDate::currentDate();
}

bool BridgeTaskBase::BeginExecute(const ParameterMap &parameters, int flags, QString &message) {
  Log(5, QStringLiteral("Starting Execution..."), kBeginExecute);
  parameters_ = &parameters;
  if (!SetPDEFolder(parameters.value(QStringLiteral("path")))) return false;
  Log(7, QStringLiteral("PDE Folder is: ") + pdeFolder_, QString());
  try {
    RecoverImportFolder();
  } catch (const XException &e) {
    Log(3, e.Text(), kBeginExecute);
    return false;
  }
  BeginRunPublication();
  lastUpdateDate_ = ReadLastUpdateDate(pdeFolder_);
  lastUpdateTime_ = ReadLastUpdateDateTime(pdeFolder_);
  Log(7,
      QStringLiteral("Update Date is: ") +
          XDate::FromQDate(lastUpdateDate_).Format(QStringLiteral("MMM DD YYYY")),
      kBeginExecute);
  total_ = GetProgressSize(flags);
  emit writeProgress(QStringLiteral("start_progress"), total_);

  try {
    const bool ok = Execute(parameters, flags, message);
    if (!ok) {
      if (message.isEmpty())
        message = QStringLiteral("Bridge execution failed, consult logs for more information.");
      Log(3, message, kBeginExecute);
      AbandonRun();
    }
    return ok;
  } catch (const XException &e) {
    Log(7, QStringLiteral("Caught Exception"), kBeginExecute);
    Log(3, e.Text(), kBeginExecute);
  } catch (...) {
    Log(3, QStringLiteral("Execute failed for an unkown reason, please consult Kestrane support."),
        kBeginExecute);
  }
  AbandonRun();
  return false;
}

bool BridgeTaskBase::SetPDEFolder(const QString &path) {
  QDir dir(path);
  const QString absolute = dir.absolutePath();
  if (!QDir().mkpath(absolute)) {
    const QString text = QStringLiteral("Could not create pde folder: ") + absolute;
    Log(3, text, QStringLiteral("BridgeTaskBase::SetPDEFolder"));
    emit writeError(QStringLiteral("file"), text);
    return false;
  }
  pdeFolder_ = absolute;
  if (!pdeFolder_.endsWith(QDir::separator())) pdeFolder_ += QDir::separator();
  return true;
}

int BridgeTaskBase::GetProgressSize(int flags) {
  return CalculateProgressSize(flags, setupTotal_, lutTotal_, importTotal_, dailyAttTotal_, periodAttTotal_,
                               pdeFolder_);
}

int BridgeTaskBase::CalculateProgressSize(int flags, int setup, int lut, int import, int dailyAtt,
                                          int periodAtt, const QString &pdeFolder) {
  const QString method = QStringLiteral("BridgeTaskBase::CalculateProgressSize");
  const struct {
    int total;
    const char *name;
  } totals[] = {
      {setup, "Setup"}, {lut, "LUT"}, {import, "Import"}, {dailyAtt, "Daily Att"}, {periodAtt, "Period Att"}};
  for (const auto &t : totals) {
    if (t.total <= 0)
      Log(7, QStringLiteral("Calculating Progress Size: %1 total is 0 or less").arg(QLatin1String(t.name)),
          method);
  }
  int base = setup + lut + 2;
  if (flags & 1) base += import;
  if (!(flags & 2)) return base;

  const qint64 days = AttendanceProgressSteps(pdeFolder);
  int daily = 0;
  if (Parameter(QStringLiteral("filterdaily")) != QLatin1String("true") && dailyAtt > 0)
    daily = int(days) * dailyAtt + 1;
  int period = 0;
  if (Parameter(QStringLiteral("filterperiod")) != QLatin1String("true") && periodAtt > 0)
    period = int(days) * periodAtt + 1;
  return base + daily + period;
}

qint64 BridgeTaskBase::AttendanceProgressSteps(const QString &pdeFolder) {
  return AttendanceStepsSince(ReadLastUpdateDate(pdeFolder));
}

qint64 BridgeTaskBase::AttendanceStepsSince(const QDate &lastRead) const {
  // Day numbers of the foundation calendar: the window is counted in whole days.
  XDate last = XDate::FromQDate(lastRead);
  const XDate today = XDate::FromQDate(Today());
  if (!last.IsValid()) {
    int year = today.Year();
    if (today.Month() < 9) --year;
    last = XDate(year, 9, 3);
  }
  qint64 days = qint64(today.DayNumber()) - last.DayNumber();
  days = (last >= today) ? 1 : days / 6;
  return days < 1 ? 1 : days;
}

void BridgeTaskBase::PutJobText(const QString &text) {
  emit writeProgressIncrement(text);
  emit writeLog(7, text, QStringLiteral("BridgeTaskBase::PutJobText"));
}

void BridgeTaskBase::Log(int level, const QString &text, const QString &method) {
  if (level == 5) emit writeProgressIncrement(text);
  if (level == 6) emit writeProgressWarning(text);
  emit writeLog(level, text, method);
}

void BridgeTaskBase::LogAndThrow(int level, const QString &text, const QString &method) {
  Log(level, text, method);
  throw XException(text);
}

QString BridgeTaskBase::FormatPhoneNumber(const QString &raw, QString &warning) {
  warning.clear();
  if (raw.isEmpty()) return raw;
  QString s = raw;
  // Called for every phone of every row: a character test, not a pattern compiled per call.
  s.removeIf([](QChar c) { return c == u'(' || c == u')' || c == u' ' || c == u'-'; });

  QString extension;
  const struct {
    const char *marker;
    int length;
  } markers[] = {{"ext", 3}, {"Ext", 3}, {"x", 1}};
  for (const auto &m : markers) {
    const qsizetype at = s.indexOf(QLatin1String(m.marker));
    if (at < 0) continue;
    extension = s.mid(at + m.length);
    s.truncate(at);
    break;
  }

  static const QRegularExpression allDigits(QStringLiteral("^[0-9]*$"));
  const qsizetype n = s.size();
  if (allDigits.match(s).hasMatch() && n >= 7 && n <= 14) {
    // Positions count digits of the unformatted number; inserting from the right keeps them valid.
    auto dashSpaces = [&s](int dashBefore, std::initializer_list<int> spacesBefore) {
      s.insert(dashBefore - 1, QLatin1Char('-'));
      for (int p : spacesBefore) s.insert(p - 1, QLatin1Char(' '));
    };
    switch (n) {
      case 7:
        s.insert(3, QLatin1Char('-'));
        break;
      case 10:
        dashSpaces(7, {4});
        break;
      case 11:
        s.insert(7, QLatin1Char('-'));
        s.insert(4, QLatin1Char('-'));
        s.insert(1, QLatin1Char('-'));
        s.prepend(QLatin1Char('+'));
        break;
      case 12:
        dashSpaces(9, {6, 3});
        s.prepend(QLatin1Char('+'));
        break;
      case 13:
        dashSpaces(10, {7, 4});
        s.prepend(QLatin1Char('+'));
        break;
      case 14:
        dashSpaces(11, {8, 5});
        s.prepend(QLatin1Char('+'));
        break;
      default:
        break;
    }
  } else {
    warning = QStringLiteral("Phone number: ") + raw +
              QStringLiteral(
                  ", cannot parse into right format.  This means that the phone number in your "
                  "database is not in phone number format.");
    s = raw;
    extension.clear();
  }
  if (s.isEmpty()) return extension;
  if (extension.isEmpty()) return s;
  return s + QStringLiteral(" x") + extension;
}

bool BridgeTaskBase::IsValidPhoneNumber(const QString &text) {
  static const QRegularExpression pattern(QStringLiteral(
      "^(\\+?\\d*)?(\\(?\\d{3}\\)?)?[-|\\s]*\\d{3}[-|\\s]*\\d{4}[-|\\s]*((x|ext|extension)?\\s*\\d*)?$"));
  return pattern.match(text).hasMatch();
}

bool BridgeTaskBase::IsValidEmail(const QString &text) {
  if (text.isEmpty()) return false;
  static const QRegularExpression pattern(QStringLiteral("^\\b[a-z0-9._%+-]+@[a-z0-9.-]+\\.[a-z]{2,4}\\b$"),
                                          QRegularExpression::CaseInsensitiveOption);
  return pattern.match(text).hasMatch();
}

QString BridgeTaskBase::CleanFileName(const QString &text) {
  // Letters, digits and the range from comma to underscore survive, but never a path separator
  // or drive colon: a value that becomes part of a file name must not leave its folder.
  static const QRegularExpression pattern(QStringLiteral("[^A-Za-z0-9,-_]|[/\\\\:]"));
  return QString(text).replace(pattern, QStringLiteral("_"));
}

QString BridgeTaskBase::CleanPathName(const QString &text) {
  static const QRegularExpression pattern(QStringLiteral("[^A-Za-z0-9,-_/ ]"));
  return QString(text).replace(pattern, QStringLiteral("_"));
}
