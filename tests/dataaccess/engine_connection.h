// A bare ODBC connection to the tiny school on either test engine, for tests that run a record set
// directly (with a scripted driver in between) rather than through the session, and a query of
// the school's students with the rows it must bring back.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <string>
#include <tuple>

#include "odbcconnection.h"
#include "recordset.h"

enum class Engine { Sqlite, Server };

// Opens the tiny school of the engine; read-write when the test writes tables of its own.
// Returns the driver's error text, empty on success.
QString OpenTinySchool(OdbcConnection &connection, Engine engine, bool readWrite = false);

// The personID and lastName of the tiny school's students 1001 to 1014, in that order.
extern const char kStudentNamesQuery[];
// What that query brings back, "<personID> <lastName>" per row (Windows-1252 has no "ễ").
extern const QStringList kStudentNames;
// The rows of a record set of that query, as kStudentNames writes them.
QStringList StudentNames(RecordSet &records);

// "Sqlite_<case>" / "Server_<case>" for suites run over both engines and a table of cases.
template <typename Case>
std::string EngineCaseName(const ::testing::TestParamInfo<std::tuple<Engine, Case>> &info) {
  return std::string(std::get<0>(info.param) == Engine::Sqlite ? "Sqlite_" : "Server_") +
         std::get<1>(info.param).name;
}
