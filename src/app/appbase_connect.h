// Wiring of the shared signal set to the message writer and the log manager (direct calls).
#pragma once

#include "logmanager.h"
#include "sismessagewriter.h"

template <typename Sender>
void AppBase::connectOutputs(Sender *sender) {
  using W = SISMessageWriter;
  const auto direct = Qt::DirectConnection;
  connect(sender, &Sender::writeLog, logManager_, &LogManager::log, direct);
  connect(sender, &Sender::writeVersion, &writer_, &W::outVersion, direct);
  connect(sender, &Sender::writeParams, &writer_, &W::outParams, direct);
  connect(sender, &Sender::writeHiddenParam, &writer_, &W::outHiddenParam, direct);
  connect(sender, &Sender::writeList, &writer_, &W::outList, direct);
  connect(sender, &Sender::writeTree, &writer_, &W::outTree, direct);
  connect(sender, &Sender::writeHidden, &writer_, &W::outHidden, direct);
  connect(sender, &Sender::writeFile, &writer_, &W::outFile, direct);
  connect(sender, &Sender::writeNumber, &writer_, &W::outNumber, direct);
  connect(sender, &Sender::writeDate, &writer_, &W::outDate, direct);
  connect(sender, &Sender::writeTest, &writer_, &W::outTest, direct);
  connect(sender, &Sender::writeStatus, &writer_, &W::outStatus, direct);
  connect(sender, &Sender::writeManage, &writer_, &W::outManage, direct);
  connect(sender, &Sender::writeProgress, &writer_, &W::outProgress, direct);
  connect(sender, &Sender::writeProgressIncrement, &writer_, &W::outProgress_increment, direct);
  connect(sender, &Sender::writeProgressWarning, &writer_, &W::outProgress_warning, direct);
  connect(sender, &Sender::writeSetting, &writer_, &W::outSetting, direct);
  connect(
      sender, &Sender::writeSettingIncrement, &writer_,
      qOverload<const QString &, const QString &, const QString &, const QString &>(&W::outSetting_increment),
      direct);
  connect(sender, &Sender::writeSettingIncrementGrouping, &writer_,
          qOverload<const QString &, const QString &, const QString &, const QString &, const QString &>(
              &W::outSetting_increment),
          direct);
  connect(sender, &Sender::writeWarning, &writer_, &W::outWarning, direct);
  connect(sender, &Sender::writeMissing, &writer_, &W::outMissing, direct);
  connect(sender, &Sender::writeError, &writer_, &W::outError, direct);
  connect(sender, &Sender::clearMessages, &writer_, &W::clearMessages, direct);
}
