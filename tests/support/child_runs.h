// Crash series: killing a child process at a moment drawn from the measured length of its runs.
// A child is signalled only while it runs and only by a pid greater than 0: QProcess answers 0 once
// the child has ended, and kill(0, ...) would signal the whole process group of the test run.
#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <algorithm>
#include <csignal>

namespace childruns {

// Sends the signal when the child still runs. True when it was sent.
bool SignalWhileRunning(QProcess &child, int signal = SIGKILL);

// Waits that many microseconds after the timer's start, then kills the child if it still runs.
// True when it was killed.
bool KillAt(QProcess &child, const QElapsedTimer &sinceStart, qint64 momentUs);

// How long a run that ends by itself takes now: the last such run's length. The moments drawn from
// it follow the machine's load, so a series kills as many runs on a busy machine as on an idle one.
class RunLength {
 public:
  explicit RunLength(qint64 us = 0) : us_(us) {}
  void Finished(qint64 us) { us_ = std::max<qint64>(us, kShortestUs); }
  qint64 Us() const { return us_; }
  // A moment from the start, evenly within the run and a little beyond it (some runs then end by
  // themselves, and keep the length up to date).
  qint64 RandomMoment(QRandomGenerator &random) const {
    return qint64(random.bounded(quint64(us_) * 6 / 5 + 1));
  }
  // The same share of another length: a delay measured on one run, fitted to the current length.
  qint64 Scaled(qint64 us, qint64 measuredRunUs) const {
    return measuredRunUs > 0 ? qint64(double(us) * double(us_) / double(measuredRunUs)) : us;
  }

 private:
  static constexpr qint64 kShortestUs = 5000;
  qint64 us_;
};

}  // namespace childruns
