// The foundation log: level names, thresholds, console lines, the fatal throw, the logf limit and the file.
#include "xlog.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <string>

#include "test_support.h"
#include "xexception.h"
#include "xlogfile.h"

namespace {

// A log whose console is a temporary file the test reads back.
class ConsoleLog {
 public:
  ConsoleLog() : console_(std::tmpfile(), &std::fclose), log_(console_.get()) {}
  XLogFile &Log() { return log_; }
  std::string Console() {
    std::fflush(console_.get());
    std::rewind(console_.get());
    std::string text;
    char chunk[4096];
    while (const size_t count = std::fread(chunk, 1, sizeof chunk, console_.get())) text.append(chunk, count);
    return text;
  }

 private:
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> console_;
  XLogFile log_;
};

TEST(XLog, LevelNames) {
  const char *expected[] = {"Proprietary", "Verbose", "Debug", "Time",  "Info", "Progress",
                            "Note",        "Warning", "Error", "Fatal", "None"};
  for (int level = 0; level <= 10; ++level) EXPECT_STREQ(XLog::LevelName(level), expected[level]) << level;
  EXPECT_STREQ(XLog::LevelName(-1), "Unknown");
  EXPECT_STREQ(XLog::LevelName(11), "Unknown");
}

TEST(XLog, ConsoleRecordsWithTheDefaultThreshold) {
  struct Case {
    int level;
    std::string expected;
  };
  const Case cases[] = {
      {XLog::kInfo, "[Info   ] text\n"},
      {XLog::kProgress, "[Progress] text\n"},
      {XLog::kNote, "text\n"},
      {XLog::kWarning, "[Warning] text\n"},
      {XLog::kError, "[Error  ] text\n"},
      {XLog::kTime, ""},
      {XLog::kDebug, ""},
      {XLog::kProprietary, ""},
  };
  for (const Case &c : cases) {
    ConsoleLog console;
    EXPECT_EQ(console.Log().log(c.level, "text"), XString("text"));
    EXPECT_EQ(console.Console(), c.expected) << c.level;
  }
}

TEST(XLog, LowerThresholdWritesEveryLevel) {
  ConsoleLog console;
  console.Log().SetOutputThreshold(XLog::kProprietary);
  console.Log().log(XLog::kProprietary, "p");
  console.Log().log(XLog::kTime, "t");
  console.Log().log(-3, "u");
  EXPECT_EQ(console.Console(), "[Proprietary] p\n[Time   ] t\n");
  console.Log().SetOutputThreshold(-5);
  console.Log().log(-3, "u");
  EXPECT_EQ(console.Console(), "[Proprietary] p\n[Time   ] t\n[Unknown] u\n");
}

TEST(XLog, FatalRecordIsWrittenAndThrown) {
  ConsoleLog console;
  try {
    console.Log().log(XLog::kFatal, "disk gone");
    ADD_FAILURE() << "no exception";
  } catch (const XException &e) {
    EXPECT_EQ(e.Text(), "disk gone");
  }
  EXPECT_EQ(console.Console(), "[Fatal  ] disk gone\n");
  EXPECT_THROW(console.Log().logf(XLog::kFatal, "code %d", 5), XException);
  EXPECT_EQ(console.Console(), "[Fatal  ] disk gone\n[Fatal  ] code 5\n");
}

TEST(XLog, FatalThresholdCanBeLowered) {
  ConsoleLog console;
  console.Log().SetFatalThreshold(XLog::kWarning);
  EXPECT_NO_THROW(console.Log().log(XLog::kNote, "fine"));
  EXPECT_THROW(console.Log().log(XLog::kWarning, "stop"), XException);
  // A record below the output threshold still throws at the fatal threshold.
  console.Log().SetOutputThreshold(XLog::kNone);
  console.Log().SetFatalThreshold(XLog::kDebug);
  EXPECT_THROW(console.Log().log(XLog::kDebug, "quiet"), XException);
  EXPECT_EQ(console.Console(), "fine\n[Warning] stop\n");
}

TEST(XLog, LogfFormatsAndCutsAt2048Characters) {
  struct Case {
    size_t length, expected;
  };
  const Case cases[] = {{10, 10}, {2047, 2047}, {2048, 2048}, {2049, 2048}, {5000, 2048}};
  for (const Case &c : cases) {
    ConsoleLog console;
    const std::string text(c.length, 'x');
    const XString result = console.Log().logf(XLog::kNote, "%s", text.c_str());
    EXPECT_EQ(result.Length(), c.expected) << c.length;
    EXPECT_EQ(console.Console(), std::string(c.expected, 'x') + "\n") << c.length;
  }
  ConsoleLog console;
  EXPECT_EQ(console.Log().logf(XLog::kInfo, "%s=%d", "rows", 42), XString("rows=42"));
  EXPECT_EQ(console.Console(), "[Info   ] rows=42\n");
}

TEST(XLogFile, FileGetsHeaderAndRecordsWithCrLf) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/foundation.log";
  ConsoleLog console;
  console.Log().SetPath(path);
  console.Log().Start();
  ASSERT_TRUE(console.Log().IsOpen());
  console.Log().log(XLog::kInfo, "first");
  console.Log().log(XLog::kTime, "dropped");
  console.Log().log(XLog::kNote, "second");
  console.Log().Stop();
  EXPECT_FALSE(console.Log().IsOpen());
  console.Log().log(XLog::kInfo, "after");

  const QString content = QString::fromLatin1(icbtest::readBytes(path));
  const QRegularExpression expected(
      "^\\r\\n(Mon|Tue|Wed|Thu|Fri|Sat|Sun), "
      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d\\d, \\d{4}: "
      "(1[0-2]|[1-9]):[0-5]\\d:[0-5]\\d (AM|PM)\\r\\n\\r\\nOS: Linux\\r\\nfirst\\r\\nsecond\\r\\n$");
  EXPECT_TRUE(expected.match(content).hasMatch()) << content.toStdString();
  EXPECT_EQ(console.Console(), "[Info   ] after\n");
}

TEST(XLogFile, StartFailureIsReportedAndLeavesNoFileOpen) {
  struct Case {
    QString path;
    std::string expected;
  };
  const Case cases[] = {
      {"/nonexistent-folder/x.log",
       "[Error  ] XLogFile::Start(): Could not open file ( 2 ): /nonexistent-folder/x.log\n"},
      {"/dev/full", "[Error  ] XLogFile::Start(): Error writing to file: /dev/full\n"},
  };
  for (const Case &c : cases) {
    ConsoleLog console;
    console.Log().SetPath(c.path);
    console.Log().Start();
    EXPECT_FALSE(console.Log().IsOpen());
    EXPECT_EQ(console.Console(), c.expected);
  }
}

TEST(XLogFile, GlobalLogIsOneInstance) {
  EXPECT_EQ(&XLogFile::Global(), &XLogFile::Global());
}

}  // namespace
