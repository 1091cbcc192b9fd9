// XLog: level names, the output and fatal thresholds and printf-style records.
#include "xlog.h"

#include <array>
#include <cstdio>
#include <string>

#include "xexception.h"

const char *XLog::LevelName(int level) {
  static constexpr std::array<const char *, 11> names = {"Proprietary", "Verbose",  "Debug", "Time",
                                                         "Info",        "Progress", "Note",  "Warning",
                                                         "Error",       "Fatal",    "None"};
  if (level < 0 || level >= static_cast<int>(names.size())) return "Unknown";
  return names[static_cast<size_t>(level)];
}

XString XLog::log(int level, const XString &text) {
  if (level >= outputThreshold_) Output(level, text);
  if (level >= fatalThreshold_) throw XException(text.ToQString());
  return text;
}

XString XLog::logf(int level, const char *format, ...) {
  va_list args;
  va_start(args, format);
  // Formatted before logging: a fatal record throws, and the argument list must be released first.
  const XString text = FormatRecord(format, args);
  va_end(args);
  return log(level, text);
}

XString XLog::logv(int level, const char *format, va_list args) {
  return log(level, FormatRecord(format, args));
}

XString XLog::FormatRecord(const char *format, va_list args) {
  const XString text = XString::FormatV(format, args);
  return text.Length() > kMaxFormattedLength ? text.Left(kMaxFormattedLength) : text;
}
