// Signalling and timing the children of the crash series.
#include "child_runs.h"

#include <signal.h>
#include <sys/types.h>

#include <QThread>

namespace childruns {

bool SignalWhileRunning(QProcess &child, int signal) {
  child.waitForFinished(0);  // takes in an end that already happened
  if (child.state() != QProcess::Running) return false;
  const qint64 pid = child.processId();
  if (pid <= 0) return false;
  return ::kill(pid_t(pid), signal) == 0;
}

bool KillAt(QProcess &child, const QElapsedTimer &sinceStart, qint64 momentUs) {
  const qint64 waitUs = momentUs - sinceStart.nsecsElapsed() / 1000;
  if (waitUs > 0) QThread::usleep(quint64(waitUs));
  return SignalWhileRunning(child, SIGKILL);
}

}  // namespace childruns
