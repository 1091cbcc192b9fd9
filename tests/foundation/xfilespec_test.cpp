// XFileSpec: path conversion, name and folder composition, and the folder operations on real files.
#include "xfilespec.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "test_support.h"
#include "xexception.h"

namespace {

void WriteFile(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

TEST(XFileSpec, SetPathConvertsSeparatorsAndDropsTheCurrentFolderPrefix) {
  struct Case {
    QString given, stored, fileName, folder;
  };
  const Case cases[] = {
      {"\\srv\\exports\\Students.pef", "/srv/exports/Students.pef", "Students.pef", "/srv/exports/"},
      {"/srv/exports/", "/srv/exports/", "", "/srv/exports/"},
      {".\\out\\a.txt", "out/a.txt", "a.txt", "out/"},
      {"./a.txt", "a.txt", "a.txt", ""},
      {"/", "/", "", "/"},
      {"", "", "", ""},
  };
  for (const Case &c : cases) {
    const XFileSpec spec(c.given);
    EXPECT_EQ(spec.Path(), c.stored) << c.given.toStdString();
    EXPECT_EQ(spec.FileName(), c.fileName) << c.given.toStdString();
    EXPECT_EQ(spec.FolderPath(), c.folder) << c.given.toStdString();
    EXPECT_EQ(spec.IsFolder(), c.fileName.isEmpty() && !c.stored.isEmpty()) << c.given.toStdString();
  }
}

TEST(XFileSpec, RelativePathsAreRefused) {
  for (const QString path : {"..\\up\\a.txt", "../a", ".hidden", "."}) {
    try {
      XFileSpec spec(path);
      ADD_FAILURE() << path.toStdString();
    } catch (const XException &e) {
      EXPECT_EQ(e.Text(), "No support for relative paths: " + path);
    }
  }
}

TEST(XFileSpec, ComposingNamesAndFolders) {
  XFileSpec spec = XFileSpec::Folder("/srv/exports");
  EXPECT_EQ(spec.Path(), "/srv/exports/");
  spec.SetFileName("Students.pef");
  EXPECT_EQ(spec.Path(), "/srv/exports/Students.pef");
  spec.SetFileName("SchoolConfig.xml");
  EXPECT_EQ(spec.Path(), "/srv/exports/SchoolConfig.xml");
  spec.AddFolder("Attendance");
  EXPECT_EQ(spec.Path(), "/srv/exports/Attendance/");
  spec.SetFileName("Attendance.db");
  EXPECT_EQ(spec.Path(), "/srv/exports/Attendance/Attendance.db");
  spec.AddFolder("a\\b");
  EXPECT_EQ(spec.Path(), "/srv/exports/Attendance/a/b/");
}

TEST(XFileSpec, ParentCutsTheLastFolder) {
  struct Case {
    QString start, after;
    bool moved;
  };
  const Case cases[] = {
      {"/srv/exports/", "/srv/", true},
      {"/srv/", "/", true},
      {"/", "/", false},
      {"/srv/exports/a.txt", "/srv/", true},
      {"exports/", "exports/", false},
  };
  for (const Case &c : cases) {
    XFileSpec spec(c.start);
    EXPECT_EQ(spec.Parent(), c.moved) << c.start.toStdString();
    EXPECT_EQ(spec.Path(), c.after) << c.start.toStdString();
  }
}

TEST(XFileSpec, NamesBeyondThePathLimitAreRefused) {
  XFileSpec spec = XFileSpec::Folder("/srv");
  const size_t limit = XFileSpec::MaxPathBytes();
  const QString fits(static_cast<qsizetype>(limit - 1 - 5), u'n');  // "/srv/" + name + NUL == limit
  spec.SetFileName(fits);
  EXPECT_EQ(static_cast<size_t>(spec.Path().size()), limit - 1);
  const QString tooLong(static_cast<qsizetype>(limit - 5), u'n');
  try {
    spec.SetFileName(tooLong);
    ADD_FAILURE() << "no exception";
  } catch (const XException &e) {
    EXPECT_EQ(e.Text(), QString("Appended length (%1) would make path length exceed maximum %2.")
                            .arg(tooLong.size())
                            .arg(limit));
  }
  EXPECT_EQ(spec.FileName(), fits);  // unchanged after the refusal
}

TEST(XFileSpec, WildcardMatching) {
  struct Case {
    const char *name, *wildcard;
    bool matches;
  };
  const Case cases[] = {
      {"Update 20090908090507.PDU", "*.pdu", true},
      {"a.pdu", "*.pdu", true},
      {"a.pdu.bak", "*.pdu", false},
      {"noext", "*.*", true},
      {"AATP0001", "AATP*", true},
      {"aatd0001", "AATD*", true},
      {"XAATP", "AATP*", false},
      {"file1.txt", "file?.txt", true},
      {"file12.txt", "file?.txt", false},
      {"[x].txt", "[x].txt", true},
  };
  for (const Case &c : cases)
    EXPECT_EQ(XFileSpec::MatchesWildcard(c.name, c.wildcard), c.matches) << c.name << " " << c.wildcard;
}

class XFileSpecOnDisk : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
  QString Path(const QString &relative) const { return dir_.path() + "/" + relative; }
};

TEST_F(XFileSpecOnDisk, CreateMakesParentsFoldersAndEmptyFiles) {
  const XFileSpec folder = XFileSpec::Folder(Path("a/b/c"));
  EXPECT_FALSE(folder.Exists());
  folder.Create();
  EXPECT_TRUE(QFileInfo(Path("a/b/c")).isDir());
  EXPECT_TRUE(folder.Exists());

  const XFileSpec file(Path("x/y/new.txt"));
  file.Create();
  EXPECT_TRUE(QFileInfo(Path("x/y/new.txt")).isFile());
  EXPECT_EQ(QFileInfo(Path("x/y/new.txt")).size(), 0);

  WriteFile(Path("kept.txt"), "content");
  XFileSpec(Path("kept.txt")).Create();
  EXPECT_EQ(icbtest::readBytes(Path("kept.txt")), "content");
}

TEST_F(XFileSpecOnDisk, DeleteRemovesFilesReadOnlyFilesAndFoldersWithContents) {
  WriteFile(Path("plain.txt"), "x");
  WriteFile(Path("locked.txt"), "x");
  QFile::setPermissions(Path("locked.txt"), QFileDevice::ReadOwner);
  QDir().mkpath(Path("PAT/sub"));
  WriteFile(Path("PAT/sub/f.txt"), "x");

  XFileSpec(Path("plain.txt")).Delete();
  XFileSpec(Path("locked.txt")).Delete();
  XFileSpec::Folder(Path("PAT")).Delete();
  EXPECT_FALSE(QFileInfo::exists(Path("plain.txt")));
  EXPECT_FALSE(QFileInfo::exists(Path("locked.txt")));
  EXPECT_FALSE(QFileInfo::exists(Path("PAT")));
  EXPECT_NO_THROW(XFileSpec(Path("SchoolConfig.xml")).Delete());  // nothing there: nothing to do
}

TEST_F(XFileSpecOnDisk, DeleteMatchingRemovesOnlyMatchingFiles) {
  for (const char *name : {"Update 20090908090507.PDU", "b.pdu", "keep.txt", "noext"})
    WriteFile(Path(name), "x");
  QDir().mkpath(Path("folder.pdu"));
  const XFileSpec folder = XFileSpec::Folder(dir_.path());
  folder.DeleteMatching("*.pdu");
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
            QStringList({"folder.pdu", "keep.txt", "noext"}));
  folder.DeleteMatching();
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList({"folder.pdu"}));
}

TEST_F(XFileSpecOnDisk, ListFindsMatchingEntries) {
  for (const char *name : {"AATP1", "AATP2", "AATD1"}) QDir().mkpath(Path(name));
  WriteFile(Path("AATP.txt"), "x");
  const XFileSpec folder = XFileSpec::Folder(dir_.path());
  QStringList folders;
  for (const XFileSpec &entry : folder.List("AATP*", true)) folders << entry.Path();
  EXPECT_EQ(folders, QStringList({Path("AATP1/"), Path("AATP2/")}));
  QStringList all;
  for (const XFileSpec &entry : folder.List("aatp*")) all << entry.Path().mid(dir_.path().size() + 1);
  EXPECT_EQ(all, QStringList({"AATP.txt", "AATP1/", "AATP2/"}));
}

}  // namespace
