// The data-access layer of the extraction task that the engine and the export writer talk to:
// opening the current export's query, the column value getters that turn the current field into
// export text, classifications of school data, password masking, the attendance date window and the
// export of changed attendance from the cache. The query itself is reached through the virtual
// operations below, which the ODBC layer supplies.
#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdewriter.h"
#include "xdate.h"
#include "xdatetime.h"
#include "xtime.h"

struct AttendanceChangeBytes;
enum class AttendanceTable;

class DataAccessBase : public PDEWriter {
  Q_OBJECT

 public:
  explicit DataAccessBase(QObject *parent = nullptr);
  ~DataAccessBase() override;

  bool OpenTable() override;

  ODBCField *CurrentField() const { return currentField_; }
  void SetCurrentField(ODBCField *field) override { currentField_ = field; }

  // The (pattern, category) table searched by RelationshipCategory; filled at construction.
  void LoadRelationshipTable();
  // "Family", "Health", "Emergency" or "Contact" for a relationship text such as "Step-Mother".
  QString RelationshipCategory(const QString &relationship) const;

  // Column value getters: each reads CurrentField (empty text without one) unless it takes a
  // field, a text or a flag.
  QString ColOneLine();
  QString ColTrimmed();
  QString ColUpper();
  QString ColQuoted();
  QString ColNoZero();
  static QString ColNoZeroText(const QString &text);
  QString ColNoNA();
  QString ColPhone();
  QString ColNoLineBreaks();
  QString ColNoTabs();
  static QString ColNoTabsText(const QString &text);
  QString ColMoney();
  QString ColDate();
  // The field forms read the given field (the current one for none); the plain forms the current one.
  QString ColDateNot1900(ODBCField *field);
  QString ColDateNot1900() { return ColDateNot1900(nullptr); }
  QString ColDateKnown(ODBCField *field);
  QString ColDateKnown() { return ColDateKnown(nullptr); }
  QString ColDateNoZero();
  QString ColTime();
  QString ColDateTime();
  QString ColDateTimeAsDate();
  QString ColInt();
  QString ColIntNoZero();
  bool ColBoolFlag(ODBCField *field = nullptr);
  static QString ColYesNoOf(bool value);
  QString ColYesNo();
  QString ColNoYes();
  QString ColNoYesOf(ODBCField *field);
  static QString ColYesOrEmptyOf(bool value);
  QString ColYesOrEmpty();
  QString ColYesOrEmptyOfField(ODBCField *field);
  QString ColOneZero();
  QString ColYesNoCode();
  bool ColIsYes();
  QString ColMoneyInt();
  QString ColFloat();
  QString ColFloatOf(ODBCField *field);
  QString ColFloatOf() { return ColFloatOf(nullptr); }
  virtual QString ColActivityKind();
  QString ColAttendance(bool filter);
  static QString ColPrefixedText(const QString &text);
  QString ColPrefixed();
  QString ColYN();
  QString ColValueKind();
  QString ColWithSuffix();

  // The value getter of an export column that calls one of the getters above.
  ValueGetter Getter(QString (DataAccessBase::*getter)()) {
    return [this, getter] { return (this->*getter)(); };
  }

  // The normalised yes/no letter and code of a text ("Y"/"N" and "1"/"0", or empty).
  static QString YesNoLetter(const QString &text);
  static QString YesNoCode(const QString &text);
  static QString ValueKindOf(const QString &text);
  static QString ActivityKindOf(const QString &text);

  // Replaces every password value of a connection string by "*" characters, in place.
  static void MaskPasswords(QString &text);

  // The attendance window of the current query: conditions on the change-date field, replacing the
  // ones the previous call added. Throws when no change-date field is set.
  void FilterAttendance(const QDate &from, const QDate &to) override;
  // Forgets the change-date field and the filter conditions' count.
  void SetFilterDateFields();
  void SetChangeDateField(const ODBCField *field) { changeDateField_ = field; }

  // Writes the cached attendance rows whose code changed since they were last sent.
  void CreateStudentDailyAttendanceFromDB(bool filter);
  void CreateStudentPeriodAttendanceFromDB(bool filter);

  const QString &DataSourceName() const { return dataSource_; }
  int RetryCount() const { return retryCount_; }

 protected:
  // Whether the cached attendance of a student is written when the export filters; every key passes
  // unless a derived task decides otherwise.
  virtual bool IsStudentIncluded(const QString &) { return true; }

  // The query operations the ODBC layer supplies.
  virtual int OpenQueryCode() { return 1; }
  virtual void Reconnect() {}
  virtual int GetRecordCount() { return -1; }
  virtual QString BuildQuery() { return {}; }
  virtual ODBCCondition *AddValueCondition(const QString &, const ODBCField *, const QString &,
                                           const QString &, int) {
    return nullptr;
  }
  virtual void RemoveLastConditions(int) {}
  virtual QString SQLDateText(const XDate &) { return {}; }
  QString QueryText() override { return BuildQuery(); }

  // The typed field getters the column getters read through.
  virtual QString GetFieldString(const ODBCField *) { return {}; }
  virtual XDate GetFieldDate(const ODBCField *) { return {}; }
  virtual XTime GetFieldTime(const ODBCField *) { return {}; }
  virtual XDateTime GetFieldDateTime(const ODBCField *) { return {}; }
  virtual qint32 GetFieldInt(const ODBCField *) { return 0; }
  virtual double GetFieldDouble(const ODBCField *) { return 0; }
  virtual double GetFieldMoney(const ODBCField *) { return 0; }
  virtual bool GetFieldBool(const ODBCField *) { return false; }

  QString dataSource_;
  QString user_;
  QString password_;
  int connectionTimeout_ = 15;
  int commandTimeout_ = 30;

 private:
  struct CachedExport;
  void ExportCachedAttendance(const CachedExport &cached, bool filter);
  bool ExportCachedHeader(const CachedExport &cached, const QString &header, const QString &fileName,
                          bool filter);
  QString PassFileName(const QString &fileName, const QString &header, bool firstPass) const;
  // The file's text of a change's stored date ("yyyy-MM-dd"), found in or added to known.
  QString ChangeDateText(std::string_view stored, std::map<std::string, QString, std::less<>> &known);
  void WriteChange(DelimitedOutput &output, const AttendanceChangeBytes &change,
                   std::map<std::string, QString, std::less<>> &dates);
  QString FormatDate(const XDate &date);

  int retryCount_ = 1;
  ODBCField *currentField_ = nullptr;
  std::vector<std::pair<QString, QString>> relationships_;  // sorted by pattern
  const ODBCField *changeDateField_ = nullptr;
  int filterConditions_ = 0;
};
