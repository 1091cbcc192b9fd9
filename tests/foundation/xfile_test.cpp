// XFile, XDelimitedWriter and the XML element writer and reader on real files.
#include "xfile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "test_support.h"
#include "xdelimitedwriter.h"
#include "xexception.h"
#include "xxmlelementreader.h"
#include "xxmlelementwriter.h"

namespace {

class XFileTest : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
  XFileSpec Spec(const QString &name) const { return XFileSpec(dir_.path() + "/" + name); }
  QByteArray Bytes(const QString &name) const { return icbtest::readBytes(dir_.path() + "/" + name); }
  void Put(const QString &name, const QByteArray &bytes) const {
    QFile file(dir_.path() + "/" + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
};

TEST_F(XFileTest, WriteModeReplacesAnExistingFile) {
  Put("Students.pef", "an older and much longer content\r\n");
  XFile file(Spec("Students.pef"), XFile::kWrite);
  file.Write(std::string_view("new"));
  file.Close();
  EXPECT_EQ(Bytes("Students.pef"), "new");
}

TEST_F(XFileTest, AppendModeStartsAtTheEnd) {
  Put("log.txt", "one\r\n");
  XFile file(Spec("log.txt"), XFile::kAppend);
  EXPECT_EQ(file.Position(), 5);
  file.Write(std::string_view("two\r\n"));
  file.Close();
  EXPECT_EQ(Bytes("log.txt"), "one\r\ntwo\r\n");
  XFile created(Spec("fresh.txt"), XFile::kAppend);
  created.Write(std::string_view("x"));
  created.Close();
  EXPECT_EQ(Bytes("fresh.txt"), "x");
}

TEST_F(XFileTest, OpenFailures) {
  const XFileSpec missing = Spec("missing.txt");
  try {
    XFile file(missing, XFile::kRead);
    ADD_FAILURE() << "opened a missing file";
  } catch (const XException &e) {
    EXPECT_EQ(e.Text(), "Could not open file ( 2 ): " + missing.Path());
    EXPECT_EQ(e.Code(), 2);
  }
  EXPECT_FALSE(QFile::exists(missing.Path()));  // reading does not create the file

  const XFileSpec folder = XFileSpec::Folder(dir_.path());
  try {
    XFile file(folder, XFile::kWrite);
    ADD_FAILURE() << "opened a folder";
  } catch (const XException &e) {
    EXPECT_EQ(e.Text(), "Can't open non-file: " + folder.Path());
  }
}

TEST_F(XFileTest, ReadSeekAndPositions) {
  std::string big;
  for (int i = 0; i < 100000; ++i) big += static_cast<char>('a' + i % 26);
  {
    XFile file(Spec("big.bin"), XFile::kRead | XFile::kWrite);
    file.Write(big);
    EXPECT_EQ(file.Position(), 100000);
    file.Seek(10);
    file.Write(std::string_view("XY"));
    EXPECT_EQ(file.Position(), 12);
    EXPECT_EQ(file.LargestPositionWritten(), 100000);
    char two[2] = {};
    EXPECT_EQ(file.Read(two, 2), 2u);
    EXPECT_EQ(std::string(two, 2), big.substr(12, 2));
    file.Close();
  }
  big.replace(10, 2, "XY");
  XFile reader(Spec("big.bin"), XFile::kRead);
  EXPECT_EQ(reader.ReadAll(), big);
  char one = 0;
  EXPECT_EQ(reader.Read(&one, 1), 0u);
}

TEST_F(XFileTest, DelimitedWriterSeparatesValuesAndEndsLinesWithCrLf) {
  XDelimitedWriter writer;
  writer.Open(Spec("Table.pef"));
  writer.WriteValue(XString("StdKey"));
  writer.WriteValue(XString("LastName"));
  writer.WriteValue(XString(""));
  writer.EndLine();
  writer.WriteValue(QString::fromUtf8("12"));
  writer.WriteValue(QString::fromUtf8("Zoë ☃"));
  writer.EndLine();
  writer.EndLine();
  writer.Close();
  EXPECT_EQ(Bytes("Table.pef"), QByteArray("StdKey\tLastName\t\r\n12\tZo\xEB ?\r\n\r\n"));
}

TEST_F(XFileTest, DelimitedWriterWithAnotherSeparator) {
  XDelimitedWriter writer(',');
  writer.Open(Spec("t.csv"));
  writer.WriteValue(XString("a"));
  writer.WriteValue(XString("b"));
  writer.EndLine();
  writer.Close();
  EXPECT_EQ(Bytes("t.csv"), "a,b\r\n");
}

TEST_F(XFileTest, XmlWriterLayout) {
  struct Case {
    bool declaration;
    QByteArray expected;
  };
  const Case cases[] = {
      {false,
       "<SchoolConfig>\r\n<SIS SISValue=\"Infinite Campus\"/>\r\n<Two a=\"1\" b=\"x & <y>\"/>\r\n"
       "<Empty/>\r\n</SchoolConfig>\r\n"},
      {true,
       "<?xml version=\"1.0\"?>\r\n\r\n<SchoolConfig>\r\n<SIS SISValue=\"Infinite Campus\"/>\r\n"
       "<Two a=\"1\" b=\"x & <y>\"/>\r\n<Empty/>\r\n</SchoolConfig>\r\n"},
  };
  for (const Case &c : cases) {
    XXmlElementWriter writer;
    writer.StartDocument(Spec("SchoolConfig.xml"), "SchoolConfig", c.declaration);
    writer.Element("SIS", "SISValue", "Infinite Campus");
    writer.Element("Two", {{"a", "1"}, {"b", "x & <y>"}});
    writer.Element("Empty", XXmlAttributes{});
    writer.EndDocument();
    EXPECT_EQ(Bytes("SchoolConfig.xml"), c.expected);
    EXPECT_FALSE(QFile::exists(Spec("SchoolConfig.xml.part").Path()));
  }
}

TEST_F(XFileTest, XmlReaderReadsBackWhatTheWriterWrote) {
  const XXmlAttributes values = {{"LastDSNValue", "Server=db;Database=\"campus\""},
                                 {"Path", QString::fromUtf8("C:\\Schools\\Zoë & Co <1>")}};
  {
    XXmlElementWriter writer;
    writer.StartDocument(Spec("r.xml"), "SchoolConfig", true);
    writer.Element("LastDSN", values);
    writer.Element("UpdateDate", "UpdateDateValue", "07-Sep-2009");
    writer.Element("Blank", "BlankValue", "");
    writer.EndDocument();
  }
  const std::vector<XXmlElement> elements = XXmlElementReader::ReadFile(Spec("r.xml"));
  ASSERT_EQ(elements.size(), 4u);
  EXPECT_EQ(elements[0].name, "SchoolConfig");
  EXPECT_TRUE(elements[0].attributes.empty());
  EXPECT_EQ(elements[1].name, "LastDSN");
  EXPECT_EQ(elements[1].attributes, values);
  EXPECT_EQ(elements[2].AttributeName(), "UpdateDateValue");
  EXPECT_EQ(elements[2].AttributeValue(), "07-Sep-2009");
  EXPECT_EQ(elements[3].AttributeValue(), "");
}

TEST_F(XFileTest, XmlReaderPassesOverDeclarationsCommentsAndEndTags) {
  XXmlElementReader reader(
      "<?xml version=\"1.0\"?>\r\n<!-- note -->\r\n<Root>\r\n<A x = 'single' y=\"2\" />\r\n</Root>\r\n<B");
  XXmlElement element;
  ASSERT_TRUE(reader.Next(element));
  EXPECT_EQ(element.name, "Root");
  ASSERT_TRUE(reader.Next(element));
  EXPECT_EQ(element.name, "A");
  EXPECT_EQ(element.attributes, (XXmlAttributes{{"x", "single"}, {"y", "2"}}));
  EXPECT_FALSE(reader.Next(element));  // the unfinished "<B" ends the walk
  EXPECT_TRUE(XXmlElementReader::ReadFile(Spec("none.xml")).empty());
}

TEST_F(XFileTest, UnfinishedXmlDocumentLeavesThePreviousFile) {
  Put("SchoolConfig.xml", "previous");
  {
    XXmlElementWriter writer;
    writer.StartDocument(Spec("SchoolConfig.xml"), "SchoolConfig");
    writer.Element("SIS", "SISValue", "x");
  }
  EXPECT_EQ(Bytes("SchoolConfig.xml"), "previous");
  EXPECT_FALSE(QFile::exists(Spec("SchoolConfig.xml.part").Path()));
}

}  // namespace
