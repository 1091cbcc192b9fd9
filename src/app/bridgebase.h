// This bridge: its identity, the connection and school parameter groups, the connection and
// school tests, the list loaders and the settings it reads from the defaults file.
#pragma once

#include "bridgetaskbase.h"
#include "sisconfig.h"

class BridgeBase : public SISConfig {
  Q_OBJECT

 public:
  explicit BridgeBase(std::unique_ptr<BridgeTaskBase> task);
  BridgeBase(std::unique_ptr<BridgeTaskBase> task, SISMessageWriter &writer);
  ~BridgeBase() override;

  int testGroup(const QString &group, QString &message) override;
  int loadBridgeList(const ParamRecord &record) override;
  int loadDistricts(const ParamRecord &record) override;
  int loadSchools(const ParamRecord &record) override;
  int loadSchoolYears(const ParamRecord &record) override;
  void applyDefaultsElement(const QDomElement &element) override;

  // The text a list row shows for one (key, name) pair.
  static QString displayName(const QString &key, const QString &name);

 private:
  using ListLoader = bool (BridgeTaskBase::*)(ListEntries &, const ParameterMap &, QString &);
  // Asks the task for one list and sends its rows; false when the task could not read it.
  bool emitTaskList(ListLoader loader, const QString &lineType, const ParamRecord &record);
  void emitListRows(const ListEntries &entries, const QString &lineType, const ParamRecord &record);
  void defineBridgeParams();
  // The "schema" test: success when a run would succeed, the missing tables and columns in the log.
  int testSchema(QString &message);
  void logTaskAnswer(const QString &message, const QString &method);
};
