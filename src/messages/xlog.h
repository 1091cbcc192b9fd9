// The foundation's own logging interface, independent of the application's log manager: ILog (the
// interface) and XLog (level filtering, record formatting and the fatal threshold).
#pragma once

#include <cstdarg>
#include <cstddef>

#include "xstring.h"

class ILog {
 public:
  virtual ~ILog() = default;
  // Opens the log's output.
  virtual void Start() = 0;
  // Closes the log's output.
  virtual void Stop() = 0;
  // True while the log's own output (a file) is open.
  virtual bool IsOpen() const = 0;
  // Writes a record of a level; returns the text.
  virtual XString log(int level, const XString &text) = 0;
  // Writes a printf-style formatted record (at most 2048 characters); returns the text.
  [[gnu::format(printf, 3, 4)]] virtual XString logf(int level, const char *format, ...) = 0;
  // The same with an argument list.
  virtual XString logv(int level, const char *format, va_list args) = 0;
};

class XLog : public ILog {
 public:
  enum Level : int {
    kProprietary = 0,
    kVerbose = 1,
    kDebug = 2,
    kTime = 3,
    kInfo = 4,
    kProgress = 5,
    kNote = 6,
    kWarning = 7,
    kError = 8,
    kFatal = 9,
    kNone = 10,
  };
  // Longest formatted record of logf; longer output is cut.
  static constexpr size_t kMaxFormattedLength = 2048;

  // The name of a level ("Unknown" outside 0..10).
  static const char *LevelName(int level);

  void Start() override {}
  void Stop() override {}
  // Writes the record when the level reaches the output threshold; throws an XException with the
  // text when the level reaches the fatal threshold; otherwise returns the text.
  XString log(int level, const XString &text) override;
  [[gnu::format(printf, 3, 4)]] XString logf(int level, const char *format, ...) override;
  XString logv(int level, const char *format, va_list args) override;

  // Lowest level written (default Info).
  int OutputThreshold() const { return outputThreshold_; }
  void SetOutputThreshold(int level) { outputThreshold_ = level; }
  // Lowest level thrown after it is written (default Fatal).
  int FatalThreshold() const { return fatalThreshold_; }
  void SetFatalThreshold(int level) { fatalThreshold_ = level; }

 protected:
  // Writes one record that passed the output threshold.
  virtual void Output(int level, const XString &text) = 0;

 private:
  // printf-style formatting cut to kMaxFormattedLength characters.
  static XString FormatRecord(const char *format, va_list args);

  int outputThreshold_ = kInfo;
  int fatalThreshold_ = kFatal;
};
