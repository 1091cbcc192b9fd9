// A task that keeps every log record it writes, so tests can check texts, levels and methods.
#pragma once

#include <QString>
#include <vector>

#include "bridgetaskbase.h"

struct LogRecord {
  int level;
  QString message;
  QString method;
};

class RecordingTask : public BridgeTaskBase {
 public:
  RecordingTask() {
    connect(this, &AppTaskBase::writeLog, this,
            [this](int level, const QString &message, const QString &method) {
              logs.push_back({level, message, method});
            });
  }

  // The parameters the task's layers read (the map must outlive the task's use of it).
  void UseParameters(const ParameterMap &parameters) { parameters_ = &parameters; }

  // The first record whose message equals the text, or nullptr.
  const LogRecord *find(const QString &message) const {
    for (const auto &record : logs)
      if (record.message == message) return &record;
    return nullptr;
  }
  bool anyContains(const QString &part) const {
    for (const auto &record : logs)
      if (record.message.contains(part)) return true;
    return false;
  }

  std::vector<LogRecord> logs;
};
