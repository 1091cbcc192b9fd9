// The exception every layer throws: a message text and, where there is one, the operating
// system's error code.
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

class XException : public std::exception {
 public:
  explicit XException(const QString &text, int code = 0) : text_(text), utf8_(text.toUtf8()), code_(code) {}

  const QString &Text() const { return text_; }
  int Code() const { return code_; }
  const char *what() const noexcept override { return utf8_.constData(); }

 private:
  QString text_;
  QByteArray utf8_;
  int code_;
};
