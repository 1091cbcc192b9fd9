// Runs a helper program (sqlite3, the test server's script) to its end and gives its exit code.
//
// Not through QProcess: Qt starts children with clone(CLONE_VM | CLONE_VFORK), so the child runs
// in the test's own memory until it execs, unseen by ThreadSanitizer, whose bookkeeping of the
// test's threads it then corrupts (later reports of races on memory every thread reaches under one
// lock). posix_spawn is a call ThreadSanitizer knows.
#pragma once

#include <QString>
#include <QStringList>

namespace icbtest {

// The exit code, or -1 when it could not start, was killed by a signal or ran past the time-out
// (then it is killed). Its standard output is dropped; its errors reach the test's.
int RunToEnd(const QString &program, const QStringList &arguments, int timeoutMilliseconds);

}  // namespace icbtest
