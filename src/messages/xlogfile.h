// The foundation log's output: a text file while one is open (each record followed by CR LF),
// standard output otherwise ("[Level  ] text" lines). One process-wide instance serves the library.
#pragma once

#include <QString>
#include <cstdio>
#include <memory>

#include "xfile.h"
#include "xlog.h"

class XException;

class XLogFile : public XLog {
 public:
  // A log without a file that writes to `console` (standard output unless a test passes its own).
  explicit XLogFile(std::FILE *console = stdout) : console_(console) {}
  // A log for a file path, not yet started.
  explicit XLogFile(const QString &path, std::FILE *console = stdout) : path_(path), console_(console) {}
  ~XLogFile() override;

  // The process-wide log, alive until the process ends.
  static XLogFile &Global();
  // The operating-system kind the file header names ("Linux" here, "Unknown" where not known).
  static const char *OperatingSystemKind();

  // The path of the log file.
  const QString &Path() const { return path_; }
  void SetPath(const QString &path) { path_ = path; }

  // Opens the file for writing and writes the header (a line break, the time as
  // "WWW, MMM DD, YYYY: HH:NN:SS AA", two line breaks, "OS: " + kind, a line break); on failure logs
  // "XLogFile::Start(): " + the reason and leaves no file open.
  void Start() override;
  // Closes the file; later records go to the console.
  void Stop() override;
  bool IsOpen() const override { return file_ != nullptr; }

 protected:
  void Output(int level, const XString &text) override;

 private:
  void WriteToConsole(int level, const XString &text);
  void ReportFileError(const XException &error);

  QString path_;
  std::FILE *console_;
  std::unique_ptr<XFile> file_;
};
