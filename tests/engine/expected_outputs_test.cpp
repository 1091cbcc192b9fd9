// Runs every case of tests/engine/expected/tiny on the tiny school, on the SQLite file and on the SQL
// Server dialect server, and compares what the run wrote with the expected files: table files as
// their lines (row order is the database's), control-file and update-file blocks, custom fields,
// and the files a case must not produce. A case may run on another day than the usual "today".
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "school_databases.h"
#include "test_support.h"
#include "tiny_run.h"

namespace {

using icbtest::SortedLines;

const QString kExpected = QStringLiteral(ICB_SOURCE_DIR "/tests/engine/expected/tiny/");
const QByteArray kLineEnd = "\r\n";

QByteArray ReadAll(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ParameterMap ReadCase(const QString &name) {
  ParameterMap values;
  for (const QByteArray &line : ReadAll(kExpected + name + QStringLiteral("/case.txt")).split('\n')) {
    const qsizetype eq = line.indexOf('=');
    if (eq > 0)
      values[QString::fromUtf8(line.left(eq).trimmed())] = QString::fromUtf8(line.mid(eq + 1).trimmed());
  }
  return values;
}

// The case's folders, its own first, then those it inherits from.
QStringList Lineage(const QString &name) {
  QStringList folders;
  for (QString current = name; !current.isEmpty() && !folders.contains(current);
       current = ReadCase(current).value(QStringLiteral("inherits")))
    folders << current;
  return folders;
}

// Every expected file of a case by its path inside the case folder; a nearer folder wins.
QMap<QString, QString> ExpectedFiles(const QString &name) {
  QMap<QString, QString> files;
  for (const QString &folder : Lineage(name)) {
    const QString root = kExpected + folder + QLatin1Char('/');
    for (const QString &sub : {QString(), QStringLiteral("control/"), QStringLiteral("update/")})
      for (const QString &file : QDir(root + sub).entryList(QDir::Files))
        if (!files.contains(sub + file)) files[sub + file] = root + sub + file;
  }
  files.remove(QStringLiteral("case.txt"));
  return files;
}

// The block of a table in a control or update file: from its "// name" line to its "*" line.
QByteArray BlockOf(const QByteArray &file, const QByteArray &firstLine) {
  const qsizetype start = file.indexOf(firstLine + kLineEnd);
  if (start < 0) return {};
  const qsizetype end = file.indexOf("\r\n*\r\n", start);
  return end < 0 ? file.mid(start) : file.mid(start, end + 7 - start);
}

QString OnlyFile(const QString &folder, const QString &pattern) {
  const QStringList found = QDir(folder).entryList({pattern}, QDir::Files);
  return found.size() == 1 ? folder + QLatin1Char('/') + found.first() : QString();
}

struct Engine {
  const char *name;
  bool server;
};

class ExpectedOutputs : public ::testing::TestWithParam<std::tuple<QString, Engine>> {
 protected:
  void CheckFile(const QString &relative, const QString &expectedPath, const QString &out) {
    const QByteArray expected = ReadAll(expectedPath);
    const QByteArray control = ReadAll(out + QStringLiteral("/Infinite Campus.PDE"));
    if (relative == QLatin1String("absent.txt")) {
      for (const QByteArray &line : expected.split('\n'))
        if (!line.trimmed().isEmpty()) {
          EXPECT_TRUE(QDir(out).entryList({QString::fromUtf8(line.trimmed())}, QDir::Files).isEmpty())
              << line.toStdString() << " was written";
        }
    } else if (relative == QLatin1String("customfields.txt")) {
      for (const QByteArray &line : expected.split('\n'))
        if (!line.trimmed().isEmpty()) {
          EXPECT_TRUE(control.contains(line)) << "no custom field " << line.toStdString();
        }
    } else if (relative.startsWith(QLatin1String("control/"))) {
      const QByteArray first = expected.left(expected.indexOf(kLineEnd));
      EXPECT_EQ(BlockOf(control, first).toStdString(), expected.toStdString()) << relative.toStdString();
    } else if (relative.startsWith(QLatin1String("update/"))) {
      const QByteArray update = ReadAll(OnlyFile(out, QStringLiteral("Update *.PDU")));
      const QByteArray first = expected.left(expected.indexOf(kLineEnd));
      EXPECT_EQ(SortedLines(BlockOf(update, first)), SortedLines(expected)) << relative.toStdString();
    } else {
      EXPECT_TRUE(QFile::exists(out + QLatin1Char('/') + relative)) << relative.toStdString() << " missing";
      EXPECT_EQ(SortedLines(ReadAll(out + QLatin1Char('/') + relative)), SortedLines(expected))
          << relative.toStdString();
    }
  }
};

TEST_P(ExpectedOutputs, RunWritesTheExpectedFiles) {
  const auto &[name, engine] = GetParam();
  if (engine.server) ICBTEST_REQUIRE_SCHOOL_SERVER();
  QTemporaryDir dir;
  ParameterMap extra = ReadCase(name);
  const int flags = extra.take(QStringLiteral("flags")).toInt();
  const QString today = extra.take(QStringLiteral("today"));
  extra.remove(QStringLiteral("inherits"));
  const QString dsn = engine.server ? icbtest::schoolServerDsn() : icbtest::schoolDbPath("tiny");
  const QString out = dir.filePath(QStringLiteral("out"));
  const QDate runToday = today.isEmpty() ? icbtest::kRunToday : QDate::fromString(today, Qt::ISODate);
  ASSERT_EQ(icbtest::RunEngine(icbtest::RunParameters(out, dsn, extra), flags, runToday).toStdString(), "");
  const QMap<QString, QString> files = ExpectedFiles(name);
  for (auto it = files.begin(); it != files.end(); ++it) CheckFile(it.key(), it.value(), out);
}

QStringList Cases() {
  return QDir(kExpected).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

INSTANTIATE_TEST_SUITE_P(Tiny, ExpectedOutputs,
                         ::testing::Combine(::testing::ValuesIn(Cases()),
                                            ::testing::Values(Engine{"sqlite", false},
                                                              Engine{"server", true})),
                         [](const auto &info) {
                           QString name = std::get<0>(info.param) + QLatin1Char('_') +
                                          QLatin1String(std::get<1>(info.param).name);
                           return name.replace(QLatin1Char('-'), QLatin1Char('_')).toStdString();
                         });

}  // namespace
