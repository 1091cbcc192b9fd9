// Where the reliability tests make their scratch homes: tests that start the bridge hundreds of
// times use a RAM disk when there is one, sparing the disk's syncs, which neither a killed process
// nor a rejected value depends on.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>

inline QString FastScratchParent() {
  const QFileInfo shm(QStringLiteral("/dev/shm"));
  return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}
