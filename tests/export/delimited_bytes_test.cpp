// A value handed over as UTF-8 (as the attendance cache stores it) becomes the same bytes in the file
// as the same value handed over as text.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "delimitedoutput.h"
#include "publishedfile.h"
#include "test_support.h"

namespace {

// Writes the values as one line, each through the overload chosen, and returns the published bytes.
QByteArray lineOf(const QStringList &values, bool asUtf8) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("T.pef"));
  auto file = PublishedFile::CreateReplacing(path);
  {
    DelimitedOutput output(*file);
    std::vector<QByteArray> utf8;
    for (const QString &value : values) utf8.push_back(value.toUtf8());
    for (size_t i = 0; i < utf8.size(); ++i) {
      if (asUtf8)
        output.WriteUtf8Value(std::string_view(utf8[i].constData(), size_t(utf8[i].size())));
      else
        output.WriteValue(values.at(qsizetype(i)));
    }
    output.EndLine();
  }
  file->Publish();
  return icbtest::readBytes(path);
}

TEST(DelimitedBytes, Utf8ValuesWriteTheBytesOfTheirText) {
  const QStringList cases[] = {
      {"S1", "", "2026-09-01", "A"},
      {QString::fromUtf8("Zoë"), QString::fromUtf8("Ñandú"), "plain"},
      {QString::fromUtf8("€ 5 – “late”"), QString::fromUtf8("Œuvre™")},
      {QString::fromUtf8("中文"), QString::fromUtf8("a😀b"), QString::fromUtf8("tab\there")},
      {QString(QChar(0)), QString::fromUtf8("\x7f"), QString::fromUtf8("\u0081\u00a0")},
  };
  for (const QStringList &values : cases)
    EXPECT_EQ(lineOf(values, true), lineOf(values, false)) << values.join('|').toStdString();
}

}  // namespace
