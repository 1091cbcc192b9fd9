// XXmlElementReader: a small tokenizer for what XXmlElementWriter produces.
#include "xxmlelementreader.h"

#include "xfile.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool EndsName(char c) {
  return IsBlank(c) || c == '=' || c == '/' || c == '>';
}

QString Decode(const std::string &bytes) {
  QString text = xwin1252::Decode(bytes.data(), bytes.size());
  text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
  return text;
}

}  // namespace

XXmlElementReader XXmlElementReader::FromFile(const XFileSpec &fileSpec) {
  XFile file(fileSpec, XFile::kRead);
  return XXmlElementReader(file.ReadAll());
}

std::vector<XXmlElement> XXmlElementReader::ReadFile(const XFileSpec &fileSpec) {
  std::vector<XXmlElement> elements;
  if (!fileSpec.Exists()) return elements;
  XXmlElementReader reader = FromFile(fileSpec);
  XXmlElement element;
  while (reader.Next(element)) elements.push_back(element);
  return elements;
}

bool XXmlElementReader::Next(XXmlElement &element) {
  for (;;) {
    pos_ = text_.find('<', pos_);
    if (pos_ == std::string::npos) return false;
    ++pos_;
    if (pos_ >= text_.size()) return false;
    const char first = text_[pos_];
    if (first == '?' || first == '!' || first == '/') {  // declaration, comment or end tag
      pos_ = text_.find('>', pos_);
      if (pos_ == std::string::npos) return false;
      continue;
    }
    element.name = ReadName();
    element.attributes.clear();
    if (element.name.isEmpty()) return false;
    return ReadAttributes(element.attributes);
  }
}

void XXmlElementReader::SkipBlanks() {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
}

QString XXmlElementReader::ReadName() {
  const size_t start = pos_;
  while (pos_ < text_.size() && !EndsName(text_[pos_])) ++pos_;
  return Decode(text_.substr(start, pos_ - start));
}

bool XXmlElementReader::ReadAttributes(XXmlAttributes &attributes) {
  for (;;) {
    SkipBlanks();
    if (pos_ >= text_.size()) return false;
    if (text_[pos_] == '>') return ++pos_, true;
    if (text_.compare(pos_, 2, "/>") == 0) return pos_ += 2, true;
    const QString name = ReadName();
    SkipBlanks();
    if (name.isEmpty() || pos_ >= text_.size() || text_[pos_] != '=') return false;
    ++pos_;
    SkipBlanks();
    if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\'')) return false;
    const char quote = text_[pos_++];
    const size_t end = text_.find(quote, pos_);
    if (end == std::string::npos) return false;
    attributes.emplace_back(name, Decode(text_.substr(pos_, end - pos_)));
    pos_ = end + 1;
  }
}
