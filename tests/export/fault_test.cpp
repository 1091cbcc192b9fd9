// Bad surroundings: an import folder the run may not write to, and a disk that fills up. Each case
// runs in a child process (without root rights, or with a file-size limit) and must end in the
// documented message, with no half-written file under a published name.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <csignal>

#include "memorywriter.h"
#include "test_support.h"

namespace {

constexpr uid_t kNobody = 65534;

// Runs body in a child process; what it returns is handed back through a pipe.
QStringList RunInChild(const std::function<QStringList()> &body) {
  int fds[2];
  if (pipe(fds) != 0) return {"pipe failed"};
  fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    QByteArray out;
    try {
      out = body().join(QLatin1Char('\x1e')).toUtf8();
    } catch (...) {
      out = "unexpected exception";
    }
    const ssize_t written = write(fds[1], out.constData(), size_t(out.size()));
    _exit(written == out.size() ? 0 : 1);
  }
  close(fds[1]);
  QByteArray in;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) in.append(buffer, n);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return {QStringLiteral("child ended with status %1").arg(status)};
  return QString::fromUtf8(in).split(QLatin1Char('\x1e'));
}

// Without root rights a folder's permission bits hold; a root test run gives them up first.
bool DropRootRights() {
  if (geteuid() != 0) return true;
  return setgid(kNobody) == 0 && setuid(kNobody) == 0;
}

template <typename F>
QString ErrorOf(F &&step) {
  try {
    step();
  } catch (const XException &e) {
    return e.Text();
  }
  return QStringLiteral("no error");
}

void WriteTable(MemoryWriter &writer, int rows) {
  writer.rows.clear();
  for (int i = 0; i < rows; ++i) writer.rows.push_back({QString::number(i), QString(60, QLatin1Char('x'))});
  writer.StartTable(QStringLiteral("Students"), QStringLiteral("Students.pef"));
  writer.AddColumn(nullptr, QString(), writer.Column(0), 0);
  writer.AddHeaderField(QStringLiteral("StdKey"));
  writer.AddColumn(nullptr, QString(), writer.Column(1), 0);
  writer.AddHeaderField(QStringLiteral("StdName"));
  writer.WriteTable();
  writer.EndTable();
}

void CreateFile(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QStringList Entries(const QString &folder) {
  QStringList names = QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  names.sort();
  return names;
}

class ScratchFolder : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(base.isValid());
    import = base.path() + QStringLiteral("/import/");
    ASSERT_TRUE(QDir().mkpath(import));
    // Readable by the unprivileged child.
    QFile::setPermissions(base.path(), QFileDevice::Permissions(0x7555));
  }
  QTemporaryDir base;
  QString import;
};

using UnwritableFolder = ScratchFolder;

TEST_F(UnwritableFolder, EveryFileReportsItCannotBeOpened) {
  CreateFile(import + "old.pdu", "x");
  CreateFile(import + "old.PDE", "x");
  QFile::setPermissions(import, QFileDevice::Permissions(0x5555));
  const QString folder = import;
  const QStringList errors = RunInChild([folder] {
    if (!DropRootRights()) return QStringList{"could not drop root rights"};
    MemoryWriter writer;
    writer.SetPDEFolder(folder);
    writer.StartImport();
    return QStringList{ErrorOf([&] { WriteTable(writer, 3); }),
                       ErrorOf([&] { writer.FinishImport(); }),
                       ErrorOf([&] { writer.StartUpdate(); }),
                       ErrorOf([&] { writer.SaveBridgeConfig(); }),
                       ErrorOf([&] { writer.DeleteUpdateFiles(writer.PDEFolder()); }),
                       ErrorOf([&] { writer.DeletePDEFiles(); })};
  });
  QFile::setPermissions(import, QFileDevice::Permissions(0x7755));

  const QStringList expected = {
      "Failed with error [Could not open file ( 13 ): " + folder +
          "Students.pef] while writing file [Students] with query: SELECT a, b FROM t",
      "Could not open file ( 13 ): " + folder + "Infinite Campus.PDE",
      "Could not open file ( 13 ): " + folder + "Update 20260309140507.PDU",
      "Could not open file ( 13 ): " + folder + "SchoolConfig.xml",
      "Error: Failed while trying to remove PDU Files.\n Please manually remove all .pdu files from the "
      "Import "
      "Directory, and try extracting again.\nCould not delete spec: " +
          folder + "old.pdu\nExiting Extractor.",
      "Error: Failed while trying to remove PDE Files.\n Please manually remove all .pde (except for "
      "CustomFieldConfig.pde) files from the Import Directory, and try extracting again.\nCould not delete "
      "spec: " +
          folder + "old.PDE\nExiting Extractor.",
  };
  EXPECT_EQ(errors, expected);
  EXPECT_EQ(Entries(import), (QStringList{"old.PDE", "old.pdu"}));
}

using FullDisk = ScratchFolder;

TEST_F(FullDisk, NoPartialFileIsEverPublished) {
  CreateFile(import + "Students.pef", "old\r\n");
  CreateFile(import + "SchoolConfig.xml", "<SchoolConfig>\r\n</SchoolConfig>\r\n");
  const QString folder = import;
  const QStringList errors = RunInChild([folder] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{16384, 16384};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return QStringList{"setrlimit failed"};
    MemoryWriter writer;
    writer.SetPDEFolder(folder);
    writer.StartImport();
    const QString table = ErrorOf([&] { WriteTable(writer, 2000); });
    for (int i = 0; i < 400; ++i) {
      writer.StartTable(QStringLiteral("Table number %1").arg(i), QStringLiteral("T%1.pef").arg(i));
      writer.AddHeaderField(QStringLiteral("SomeLongFieldName"));
    }
    const QString control = ErrorOf([&] { writer.FinishImport(); });
    writer.RunSettings().dsn = QString(20000, QLatin1Char('d'));
    const QString record = ErrorOf([&] { writer.SaveBridgeConfig(); });
    writer.StartUpdate();
    const QString update = ErrorOf([&] { WriteTable(writer, 2000); });
    writer.FinishUpdate();
    return QStringList{table, control, record, update, QString::number(writer.published.size())};
  });

  const QStringList expected = {
      "Failed with error [Error writing to file: " + folder +
          "Students.pef] while writing file [Students] with query: SELECT a, b FROM t",
      "Error writing to file: " + folder + "Infinite Campus.PDE",
      "Error writing to file: " + folder + "SchoolConfig.xml",
      "Failed with error [Error writing to file: " + folder +
          "Update 20260309140507.PDU] while writing file [Students] with query: SELECT a, b FROM t",
      "0",
  };
  EXPECT_EQ(errors, expected);
  EXPECT_EQ(Entries(import), (QStringList{"SchoolConfig.xml", "Students.pef"}));
  EXPECT_EQ(icbtest::readBytes(import + "Students.pef"), QByteArray("old\r\n"));
  EXPECT_EQ(icbtest::readBytes(import + "SchoolConfig.xml"),
            QByteArray("<SchoolConfig>\r\n</SchoolConfig>\r\n"));
}

}  // namespace

namespace {

TEST(ConcurrentUpdateRuns, ProcessesInTheSameSecondPublishDistinctFiles) {
  QTemporaryDir base;
  const QString folder = base.path() + QStringLiteral("/");
  constexpr int kRuns = 8;
  std::vector<pid_t> children;
  for (int i = 0; i < kRuns; ++i) {
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      int code = 1;
      {
        MemoryWriter writer;
        writer.SetPDEFolder(folder);
        writer.StartUpdate();
        WriteTable(writer, 50 + i);
        writer.FinishUpdate();
        code = writer.published.size() == 1 ? 0 : 2;
      }
      _exit(code);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  const QStringList files = Entries(folder);
  ASSERT_EQ(files.size(), kRuns) << files.join(", ").toStdString();
  QSet<int> rowCounts;
  for (const QString &name : files) {
    ASSERT_TRUE(name.startsWith("Update ") && name.endsWith(".PDU")) << name.toStdString();
    const QByteArray bytes = icbtest::readBytes(folder + name);
    const QByteArray stamp = name.mid(7, 14).toLatin1();
    EXPECT_TRUE(bytes.contains("#pragma update \"" + stamp + "\"\r\n")) << name.toStdString();
    EXPECT_TRUE(bytes.endsWith("//  Difference: 0:00:00\r\n\r\n")) << name.toStdString();
    rowCounts.insert(int(bytes.count("\txxxxxxxxxx")));
  }
  EXPECT_EQ(rowCounts.size(), kRuns) << "every run's rows are in a file of their own";
}

}  // namespace
