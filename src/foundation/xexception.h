// The exception every layer throws: a message text and, where there is one, the operating
// system's error code.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdarg>
#include <exception>

class XException : public std::exception {
 public:
  explicit XException(const QString &text, int code = 0) : text_(text), utf8_(text.toUtf8()), code_(code) {}

  // A message built from a printf-style format ("%s" takes UTF-8 text) with an error code (0 for none).
  [[gnu::format(printf, 2, 3)]] static XException Printf(int code, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const QString text = QString::vasprintf(format, args);
    va_end(args);
    return XException(text, code);
  }

  const QString &Text() const { return text_; }
  int Code() const { return code_; }
  const char *what() const noexcept override { return utf8_.constData(); }

 private:
  QString text_;
  QByteArray utf8_;
  int code_;
};
