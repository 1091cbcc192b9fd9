// Writes the foundation's minimal XML files: a root start tag, one empty element per line with its
// attributes, the root end tag; single-byte text with CR LF line ends. The file appears under its
// name only when the document is complete.
#pragma once

#include <QString>

#include "xfile.h"
#include "xxmlelement.h"

class XXmlElementWriter {
 public:
  XXmlElementWriter() = default;
  XXmlElementWriter(const XXmlElementWriter &) = delete;
  XXmlElementWriter &operator=(const XXmlElementWriter &) = delete;
  // An unfinished document is discarded; the file keeps what it held before.
  ~XXmlElementWriter();

  // Starts the document: optionally "<?xml version="1.0"?>" and a blank line, then "<root>".
  void StartDocument(const XFileSpec &fileSpec, const QString &rootName, bool withDeclaration = false);
  // Writes "<name attr="value" .../>"; values are written as they are except that a double
  // quotation mark, which would end the value, is written as "&quot;".
  void Element(const QString &name, const XXmlAttributes &attributes);
  void Element(const QString &name, const QString &attribute, const QString &value) {
    Element(name, XXmlAttributes{{attribute, value}});
  }
  // Writes "</root>", closes the file and puts it in place of the previous one.
  void EndDocument();

 private:
  void WriteLine(const QString &line);

  XFileSpec target_;
  XFileSpec partial_;
  QString root_;
  XFile file_;
};
