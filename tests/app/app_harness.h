// A bridge application whose protocol lines go into buffers and whose task answers as a test
// sets it up, so commands can be run in-process and their lines compared as bytes.
#pragma once

#include <QBuffer>
#include <functional>
#include <memory>
#include <vector>

#include "bridgebase.h"
#include "bridgetaskbase.h"
#include "sismessagewriter.h"

class ScriptedTask : public BridgeTaskBase {
 public:
  bool connectionValid = false;
  bool schoolValid = false;
  bool throwOnTest = false;
  bool listsAvailable = false;
  ListEntries entries;
  int beginExecuteCalls = 0;
  int lastFlags = 0;
  bool executeResult = true;

  bool ValidateConnection(const ParameterMap &, QString &message) override {
    if (throwOnTest) throw std::runtime_error("connection dropped");
    message = connectionValid ? "Connection Successful" : "Could not validate connection: refused";
    return connectionValid;
  }
  bool ValidateDistrictSchool(const ParameterMap &, QString &) override { return schoolValid; }
  bool LoadDistrictList(ListEntries &list, const ParameterMap &, QString &) override { return answer(list); }
  bool LoadSchoolList(ListEntries &list, const ParameterMap &, QString &) override { return answer(list); }
  bool LoadSchoolYearList(ListEntries &list, const ParameterMap &, QString &) override {
    return answer(list);
  }
  bool LoadBridgeList(ListEntries &list, const QString &, const ParameterMap &, QString &) override {
    return answer(list);
  }
  bool BeginExecute(const ParameterMap &, int flags, QString &) override {
    ++beginExecuteCalls;
    lastFlags = flags;
    Log(3, "extraction ran", "ScriptedTask::BeginExecute");
    return executeResult;
  }

 private:
  bool answer(ListEntries &list) {
    if (listsAvailable) list = entries;
    return listsAvailable;
  }
};

struct AppHarness {
  QBuffer output;
  QBuffer error;
  std::unique_ptr<SISMessageWriter> writer;
  ScriptedTask *task = nullptr;
  std::unique_ptr<BridgeBase> bridge;

  explicit AppHarness(const std::function<void(ScriptedTask &)> &setUp = {}) {
    output.open(QIODevice::WriteOnly);
    error.open(QIODevice::WriteOnly);
    writer = std::make_unique<SISMessageWriter>(&output, &error);
    auto scripted = std::make_unique<ScriptedTask>();
    task = scripted.get();
    if (setUp) setUp(*scripted);
    bridge = std::make_unique<BridgeBase>(std::move(scripted), *writer);
  }

  int run(const QStringList &arguments) {
    std::vector<QByteArray> storage;
    storage.push_back("/opt/icbridge/icbridge");
    for (const QString &argument : arguments) storage.push_back(argument.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &bytes : storage) argv.push_back(bytes.data());
    return bridge->processCommandLine(static_cast<int>(argv.size()), argv.data());
  }
  QByteArray out() const { return output.data(); }
  QByteArray err() const { return error.data(); }
};
