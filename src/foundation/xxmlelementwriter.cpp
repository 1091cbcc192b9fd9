// XXmlElementWriter: the minimal XML layout, written to a partial file renamed when complete.
#include "xxmlelementwriter.h"

#include <cstdio>

#include "xexception.h"

XXmlElementWriter::~XXmlElementWriter() {
  if (!file_.IsOpen()) return;
  try {
    file_.Close();
    partial_.Delete();
  } catch (const XException &) {
    // Nothing more can be done for an abandoned document.
  }
}

void XXmlElementWriter::StartDocument(const XFileSpec &fileSpec, const QString &rootName,
                                      bool withDeclaration) {
  target_ = fileSpec;
  partial_ = fileSpec;
  partial_.SetFileName(fileSpec.FileName() + QStringLiteral(".part"));
  root_ = rootName;
  file_.Open(partial_, XFile::kWrite);
  if (withDeclaration) file_.Write(std::string_view("<?xml version=\"1.0\"?>\r\n\r\n"));
  WriteLine(QStringLiteral("<") + rootName + QStringLiteral(">"));
}

void XXmlElementWriter::Element(const QString &name, const XXmlAttributes &attributes) {
  QString line = QStringLiteral("<") + name;
  for (const auto &[attribute, value] : attributes) {
    QString escaped = value;
    escaped.replace(u'"', QStringLiteral("&quot;"));
    line += QStringLiteral(" ") + attribute + QStringLiteral("=\"") + escaped + QStringLiteral("\"");
  }
  WriteLine(line + QStringLiteral("/>"));
}

void XXmlElementWriter::EndDocument() {
  WriteLine(QStringLiteral("</") + root_ + QStringLiteral(">"));
  file_.Close();
  if (std::rename(partial_.NativePath().constData(), target_.NativePath().constData()) != 0) {
    const int error = errno;
    partial_.Delete();
    throw XException::Printf(error, "Error writing to file: %s", qUtf8Printable(target_.Path()));
  }
}

void XXmlElementWriter::WriteLine(const QString &line) {
  file_.Write(XString::FromQString(line));
  file_.Write(std::string_view("\r\n"));
}
