// Construction, opening the current export's query with its retry, the classifications of school
// data (relationship category, yes/no, value kind, activity kind), password masking and the
// attendance date window.
#include "dataaccessbase.h"

#include <algorithm>

#include "connectionstring.h"
#include "loglevels.h"
#include "xexception.h"

namespace {

const QString kOpenTable = QStringLiteral("DataAccessBase::OpenTable");

bool IsSetDate(const QDate &date) {
  if (!date.isValid()) return false;
  return XDate::FromQDate(date).DayNumber() != 0;  // the zero date counts as no bound
}
}  // namespace

DataAccessBase::DataAccessBase(QObject *parent) : PDEWriter(parent) {
  LoadRelationshipTable();
}

DataAccessBase::~DataAccessBase() {
  const QString pattern = QStringLiteral("dd/mm/yyyy|hh:nn:ss");
  const QString method = QStringLiteral("DataAccessBase::~DataAccessBase");
  Log(kDebug, Now().Format(pattern) + QStringLiteral(" Start DataAccessBase Destructor"), method);
  relationships_.clear();
  Log(kDebug, Now().Format(pattern) + QStringLiteral(" End DataAccessBase Destructor"), method);
}

bool DataAccessBase::OpenTable() {
  const QString name = CurrentHeader() ? CurrentHeader()->name : QString();
  QString reason;
  bool hasReason = true;
  try {
    Log(kDebug, QStringLiteral("Opening ") + name + QStringLiteral(" table/query."), kOpenTable);
    bool opened = false;
    for (int attempt = 0; attempt < retryCount_ && !opened; ++attempt) {
      const int code = OpenQueryCode();
      if (code == 0) {
        opened = true;
        break;
      }
      Log(kDebug, QStringLiteral("Query %1 failed with error: %2").arg(attempt).arg(code), kOpenTable);
      Reconnect();
    }
    if (opened) {
      Log(kDebug, QStringLiteral("Ran query"), kOpenTable);
      GetRecordCount();
      Log(kDebug, QStringLiteral("Opened ") + name + QStringLiteral(" table/query."), kOpenTable);
      return true;
    }
    // The caller fails the export: a refused query must not read as a table without rows.
    Log(kInformational, QStringLiteral("Open table ") + name + QStringLiteral(" failed."), kOpenTable);
    return false;
  } catch (const XException &e) {
    reason = e.Text();
  } catch (const std::exception &e) {
    reason = QString::fromLocal8Bit(e.what());
  } catch (...) {
    hasReason = false;
  }
  QString sql;
  try {
    sql = BuildQuery();
  } catch (...) {
  }
  LogAndThrow(kCritical,
              hasReason ? QStringLiteral("Failed with error [") + reason +
                              QStringLiteral("] while parsing query: ") + sql
                        : QStringLiteral("Failed with unknown error while parsing query: ") + sql,
              kOpenTable);
}

void DataAccessBase::LoadRelationshipTable() {
  static const struct {
    const char *category;
    std::initializer_list<const char *> patterns;
  } kCategories[] = {
      {"Family",
       {"MOTHER", "MOM", "FATHER", "DAD", "BROTHER", "SISTER", "AUNT", "UNCLE", "GRANDMOTHER", "GRANDMA",
        "GRANDFATHER", "GRANDPA", "PARTNER"}},
      {"Health", {"DOCTOR", "DENTIST", "DR"}},
      {"Emergency", {"EMERGENCY", "GUARDIAN"}},
  };
  relationships_.clear();
  for (const auto &category : kCategories)
    for (const char *pattern : category.patterns)
      relationships_.emplace_back(QString::fromLatin1(pattern), QString::fromLatin1(category.category));
  std::sort(relationships_.begin(), relationships_.end());
}

QString DataAccessBase::RelationshipCategory(const QString &relationship) const {
  QString key = relationship.toUpper();
  key.remove(QStringLiteral("'S"));
  key.removeIf([](QChar c) {
    const ushort u = c.unicode();
    return (u >= 32 && u <= 64) || (u >= 91 && u <= 96) || (u >= 123 && u <= 126);
  });
  key.remove(QStringLiteral("STEP"));
  const auto found = std::lower_bound(relationships_.begin(), relationships_.end(), key,
                                      [](const auto &entry, const QString &k) { return entry.first < k; });
  if (found != relationships_.end() && found->first == key) return found->second;
  return QStringLiteral("Contact");
}

QString DataAccessBase::YesNoLetter(const QString &text) {
  if (text.isEmpty()) return {};
  if (text == QLatin1String("1") || text == QLatin1String("X")) return QStringLiteral("Y");
  if (text == QLatin1String("0")) return QStringLiteral("N");
  const QString lower = text.toLower();
  if (lower == QLatin1String("yes") || lower == QLatin1String("y")) return QStringLiteral("Y");
  if (lower == QLatin1String("no") || lower == QLatin1String("n")) return QStringLiteral("N");
  return {};
}

QString DataAccessBase::YesNoCode(const QString &text) {
  if (text == QLatin1String("X")) return {};  // the checkmark letter counts only for the Y/N form
  const QString letter = YesNoLetter(text);
  if (letter.isEmpty()) return {};
  return letter == QLatin1String("Y") ? QStringLiteral("1") : QStringLiteral("0");
}

QString DataAccessBase::ValueKindOf(const QString &text) {
  if (IsValidPhoneNumber(text)) return QStringLiteral("PHONE");
  if (IsValidEmail(text)) return QStringLiteral("EMAIL");
  if (!YesNoLetter(text).isEmpty()) return QStringLiteral("BOOLEAN");
  return {};
}

QString DataAccessBase::ActivityKindOf(const QString &text) {
  for (const char *kind : {"activity", "athletic", "class", "enrollment", "lunch", "transit"})
    if (text.compare(QLatin1String(kind), Qt::CaseInsensitive) == 0) return QString::fromLatin1(kind);
  return text;
}

void DataAccessBase::MaskPasswords(QString &text) {
  text = ::MaskPasswords(text);
}

void DataAccessBase::FilterAttendance(const QDate &from, const QDate &to) {
  if (!changeDateField_)
    LogAndThrow(kProgress, QStringLiteral("FilterAttendance: There is no change date set! So cannot filter."),
                QStringLiteral("DataAccessBase::FilterAttendance"));
  RemoveLastConditions(filterConditions_);
  filterConditions_ = 0;
  if (IsSetDate(from)) {
    AddValueCondition(QStringLiteral("AND"), changeDateField_, QStringLiteral(">="),
                      SQLDateText(XDate::FromQDate(from)), 0);
    ++filterConditions_;
  }
  if (IsSetDate(to)) {
    AddValueCondition(QStringLiteral("AND"), changeDateField_, QStringLiteral("<="),
                      SQLDateText(XDate::FromQDate(to)), 0);
    ++filterConditions_;
  }
}

void DataAccessBase::SetFilterDateFields() {
  changeDateField_ = nullptr;
  filterConditions_ = 0;
}
