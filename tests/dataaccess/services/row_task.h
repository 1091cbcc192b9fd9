// A data-access layer whose current row is set by the test: every typed getter answers the value
// given for the field, so the column getters can be checked one rule at a time.
#pragma once

#include <QString>
#include <vector>

#include "dataaccessbase.h"

struct LoggedLine {
  int level;
  QString message;
  QString method;
};

class RowTask : public DataAccessBase {
 public:
  RowTask() : table_("T", "T", "t"), field_(table_, "value", 0) {
    connect(this, &AppTaskBase::writeLog, this,
            [this](int level, const QString &message, const QString &method) {
              logs.push_back({level, message, method});
            });
  }

  // The layers below log while they are destroyed, after this object's members are gone.
  ~RowTask() override { disconnect(this, &AppTaskBase::writeLog, nullptr, nullptr); }
  ODBCField *Field() { return &field_; }
  void UseField() { SetCurrentField(&field_); }

  QString text;
  XDate date;
  XTime time;
  XDateTime dateTime;
  qint32 integer = 0;
  double number = 0;
  bool flag = false;
  std::vector<LoggedLine> logs;

  bool Logged(const QString &message) const {
    for (const LoggedLine &line : logs)
      if (line.message == message) return true;
    return false;
  }

 protected:
  QString GetFieldString(const ODBCField *) override { return text; }
  XDate GetFieldDate(const ODBCField *) override { return date; }
  XTime GetFieldTime(const ODBCField *) override { return time; }
  XDateTime GetFieldDateTime(const ODBCField *) override { return dateTime; }
  qint32 GetFieldInt(const ODBCField *) override { return integer; }
  double GetFieldDouble(const ODBCField *) override { return number; }
  double GetFieldMoney(const ODBCField *) override { return number; }
  bool GetFieldBool(const ODBCField *) override { return flag; }

 private:
  ODBCTable table_;
  ODBCField field_;
};
