// A file opened with explicit modes (read, write = create new, append = open or create at the end),
// writing through a buffer; every failure throws an XException with the system's error code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "xfilespec.h"
#include "xstring.h"

class XFile {
 public:
  enum Mode : int { kRead = 1, kWrite = 2, kAppend = 4 };

  XFile() = default;
  // Opens at once, as Open.
  XFile(const XFileSpec &fileSpec, int mode) { Open(fileSpec, mode); }
  XFile(const XFile &) = delete;
  XFile &operator=(const XFile &) = delete;
  // Closes the file; a failure here is not reported (call Close to see it).
  ~XFile();

  // Opens the file: write mode creates it new (replacing an existing one), append mode opens or
  // creates it and starts at the end, read mode opens an existing file. Throws "Can't open non-file: %s"
  // for a folder path and "Could not open file ( %d ): %s" on failure.
  void Open(const XFileSpec &fileSpec, int mode);
  bool IsOpen() const { return fd_ >= 0; }
  const XFileSpec &Spec() const { return spec_; }
  int OpenMode() const { return mode_; }

  // Writes bytes at the current position; throws "Error writing to file: %s".
  void Write(const void *bytes, size_t length);
  void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
  void Write(const XString &bytes) { Write(bytes.Bytes()); }
  // Reads up to `length` bytes; returns how many were read (0 at the end). Throws "Error reading from file:
  // %s".
  size_t Read(void *buffer, size_t length);
  // Reads from the current position to the end.
  std::string ReadAll();
  // Moves to a byte position; throws "Error getting file position: %s".
  void Seek(int64_t position);
  // The current byte position.
  int64_t Position() const { return position_; }
  // The largest position any write has reached.
  int64_t LargestPositionWritten() const { return largestWritten_; }
  // Hands buffered bytes to the system; throws "Error writing to file: %s".
  void Flush();
  // Flushes and closes; throws "Error closing file: %s" (the file is closed in any case).
  void Close();

 private:
  [[noreturn]] void Fail(const char *format, int error) const;

  static constexpr size_t kBufferLimit = 64 * 1024;

  XFileSpec spec_;
  int fd_ = -1;
  int mode_ = 0;
  int64_t position_ = 0;
  int64_t largestWritten_ = 0;
  std::string pending_;  // written bytes not yet handed to the system
};
