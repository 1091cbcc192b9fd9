// XLogFile: the log file with its header, the console fallback and file-error reporting.
#include "xlogfile.h"

#include "xdatetime.h"
#include "xexception.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";

}  // namespace

XLogFile::~XLogFile() {
  Stop();
}

XLogFile &XLogFile::Global() {
  static XLogFile log;
  return log;
}

const char *XLogFile::OperatingSystemKind() {
#if defined(_WIN32)
  return "Windows";
#elif defined(__linux__)
  return "Linux";
#elif defined(__APPLE__)
  return "macOS";
#else
  return "Unknown";
#endif
}

void XLogFile::Start() {
  Stop();
  try {
    auto file = std::make_unique<XFile>(XFileSpec(path_), XFile::kWrite);
    file->Write(kLineBreak);
    file->Write(
        XString::FromQString(XDateTime::Now().Format(QStringLiteral("WWW, MMM DD, YYYY: HH:NN:SS AA"))));
    file->Write(kLineBreak);
    file->Write(kLineBreak);
    file->Write(XString("OS: ") + XString(OperatingSystemKind()));
    file->Write(kLineBreak);
    file->Flush();
    file_ = std::move(file);
  } catch (const XException &e) {
    ReportFileError(e);
  }
}

void XLogFile::Stop() {
  if (!file_) return;
  std::unique_ptr<XFile> file = std::move(file_);
  try {
    file->Close();
  } catch (const XException &) {
    // The records are already written as far as the system let them; nothing else to do here.
  }
}

void XLogFile::Output(int level, const XString &text) {
  if (!file_) {
    WriteToConsole(level, text);
    return;
  }
  try {
    file_->Write(text);
    file_->Write(kLineBreak);
    file_->Flush();  // a record must survive the process ending abruptly
  } catch (const XException &e) {
    // Give the file up so the report (and later records) reach the console instead.
    Stop();
    ReportFileError(e);
  }
}

void XLogFile::WriteToConsole(int level, const XString &text) {
  if (level == kNote)
    std::fprintf(console_, "%s\n", text.CStr());
  else
    std::fprintf(console_, "[%-7s] %s\n", LevelName(level), text.CStr());
  std::fflush(console_);
}

void XLogFile::ReportFileError(const XException &error) {
  log(kError, XString("XLogFile::Start(): ") + XString::FromQString(error.Text()));
}
