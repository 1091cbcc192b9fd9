// The extraction engine's base over an Infinite Campus database: the SQL Server dialect with quoted
// names, the engine's time-outs, and the front-end's validations and lists (connection, district and
// school, districts, schools, school years). Each opens its own connection from the parameters.
#pragma once

#include "odbcdataaccess.h"

class ODBCExpEngineBase : public ODBCDataAccess {
  Q_OBJECT

 public:
  explicit ODBCExpEngineBase(QObject *parent = nullptr);
  ~ODBCExpEngineBase() override;

  bool ValidateConnection(const ParameterMap &parameters, QString &message) override;
  bool ValidateDistrictSchool(const ParameterMap &parameters, QString &message) override;
  bool LoadDistrictList(ListEntries &list, const ParameterMap &parameters, QString &message) override;
  bool LoadSchoolList(ListEntries &list, const ParameterMap &parameters, QString &message) override;
  bool LoadSchoolYearList(ListEntries &list, const ParameterMap &parameters, QString &message) override;

 protected:
  // The column that links a calendar or school year to its year: yearID where the table has it,
  // else endYear, added to the given description (the current query by default). Not selected.
  ODBCField *YearLinkField(QueryDescription &query, const ODBCTable *table);
  ODBCField *YearLinkField(const ODBCTable *table) { return YearLinkField(Query(), table); }
  // Every record of the open query as (key, name) pairs of two of its fields.
  void AppendPairs(ListEntries &list, const ODBCField *key, const ODBCField *name);
  // Opens the described list query; throws XException when it does not open (a lost connection or
  // a time-out), so that a list is never answered empty with success.
  void OpenListQuery();
  // Closes the query and the connection of a front-end operation.
  void EndListQuery();
};
