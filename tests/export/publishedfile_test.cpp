// A published file reaches the disk whole before it takes its final name: the sync of the working
// copy comes after all its bytes were handed to the system and before the hook and the rename, and
// a sync that fails publishes nothing.
#include "publishedfile.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "test_support.h"
#include "xexception.h"

namespace {

// Records each step with what the disk shows at that moment, then does the system's sync.
class WatchedSync : public DiskSync {
 public:
  WatchedSync(const QString &finalPath, bool fails) : finalPath_(finalPath), fails_(fails) {}
  QString Seen(const char *step) const {
    return QStringLiteral("%1: working copy %2 bytes, final name %3")
        .arg(QLatin1String(step))
        .arg(QFileInfo(finalPath_ + PublishedFile::WorkingCopySuffix()).size())
        .arg(QFileInfo::exists(finalPath_) ? QStringLiteral("taken") : QStringLiteral("free"));
  }
  bool SyncFile(QFile &file) override {
    steps << Seen("sync file");
    return !fails_ && DiskSync::System().SyncFile(file);
  }
  void SyncFolder(const QString &folder) override {
    steps << Seen("sync folder");
    DiskSync::System().SyncFolder(folder);
  }
  QStringList steps;

 private:
  QString finalPath_;
  bool fails_;
};

TEST(PublishedFile, TheWorkingCopyIsSyncedWholeBeforeItIsRenamed) {
  const QStringList published = {"sync file: working copy 11 bytes, final name free",
                                 "before rename: working copy 11 bytes, final name free",
                                 "sync folder: working copy 0 bytes, final name taken"};
  for (const bool unique : {false, true}) {
    for (const bool syncFails : {false, true}) {
      QTemporaryDir dir;
      const QString finalPath = dir.filePath(QStringLiteral("Update 1.PDU"));
      WatchedSync sync(finalPath, syncFails);
      auto file = unique ? PublishedFile::CreateUnique([&](int) { return finalPath; }, sync)
                         : PublishedFile::CreateReplacing(finalPath, sync);
      file->Write("0123456789\n");
      QString error;
      try {
        file->Publish([&](const QString &) { sync.steps << sync.Seen("before rename"); });
      } catch (const XException &e) {
        error = e.Text();
      }
      const std::string label =
          "unique " + std::to_string(unique) + ", sync fails " + std::to_string(syncFails);
      EXPECT_EQ(sync.steps, syncFails ? published.mid(0, 1) : published) << label;
      EXPECT_EQ(error, syncFails ? "Error writing to file: " + finalPath : QString()) << label;
      EXPECT_EQ(icbtest::readBytes(finalPath), syncFails ? QByteArray() : QByteArray("0123456789\n"))
          << label;
    }
  }
}

}  // namespace
