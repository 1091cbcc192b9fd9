// XFile on POSIX descriptors: open modes, buffered writes, reads and positioning.
#include "xfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "xexception.h"

XFile::~XFile() {
  if (!IsOpen()) return;
  try {
    Close();
  } catch (const XException &) {
    // Destructors must not throw; callers that care call Close themselves.
  }
}

void XFile::Fail(const char *format, int error) const {
  throw XException::Printf(error, format, qUtf8Printable(spec_.Path()));
}

void XFile::Open(const XFileSpec &fileSpec, int mode) {
  if (IsOpen()) Close();
  spec_ = fileSpec;
  if (fileSpec.IsFolder() || fileSpec.IsEmpty())
    throw XException::Printf(0, "Can't open non-file: %s", qUtf8Printable(fileSpec.Path()));
  const bool writes = (mode & (kWrite | kAppend)) != 0;
  int flags = O_CLOEXEC | (writes ? ((mode & kRead) ? O_RDWR : O_WRONLY) : O_RDONLY);
  if (mode & kAppend)
    flags |= O_CREAT;
  else if (mode & kWrite)
    flags |= O_CREAT | O_TRUNC;
  const int fd = ::open(fileSpec.NativePath().constData(), flags, 0666);
  if (fd < 0) {
    const int error = errno;
    throw XException::Printf(error, "Could not open file ( %d ): %s", error, qUtf8Printable(fileSpec.Path()));
  }
  fd_ = fd;
  mode_ = mode;
  position_ = 0;
  largestWritten_ = 0;
  pending_.clear();
  if (mode & kAppend) Seek(::lseek(fd_, 0, SEEK_END));
}

void XFile::Write(const void *bytes, size_t length) {
  if (!IsOpen()) Fail("Error writing to file: %s", EBADF);
  pending_.append(static_cast<const char *>(bytes), length);
  position_ += static_cast<int64_t>(length);
  largestWritten_ = std::max(largestWritten_, position_);
  if (pending_.size() >= kBufferLimit) Flush();
}

void XFile::Flush() {
  size_t done = 0;
  while (done < pending_.size()) {
    const ssize_t written = ::write(fd_, pending_.data() + done, pending_.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int error = written < 0 ? errno : EIO;
      pending_.erase(0, done);
      Fail("Error writing to file: %s", error);
    }
    done += static_cast<size_t>(written);
  }
  pending_.clear();
}

size_t XFile::Read(void *buffer, size_t length) {
  if (!IsOpen()) Fail("Error reading from file: %s", EBADF);
  Flush();
  for (;;) {
    const ssize_t count = ::read(fd_, buffer, length);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) Fail("Error reading from file: %s", errno);
    position_ += count;
    return static_cast<size_t>(count);
  }
}

std::string XFile::ReadAll() {
  std::string content;
  char chunk[16 * 1024];
  while (const size_t count = Read(chunk, sizeof chunk)) content.append(chunk, count);
  return content;
}

void XFile::Seek(int64_t position) {
  if (!IsOpen() || position < 0) Fail("Error getting file position: %s", IsOpen() ? EINVAL : EBADF);
  Flush();
  const off_t reached = ::lseek(fd_, static_cast<off_t>(position), SEEK_SET);
  if (reached < 0) Fail("Error getting file position: %s", errno);
  position_ = reached;
}

void XFile::Close() {
  if (!IsOpen()) return;
  int flushError = 0;
  try {
    Flush();
  } catch (const XException &e) {
    flushError = e.Code();
  }
  const int fd = fd_;
  fd_ = -1;
  pending_.clear();
  if (flushError != 0) Fail("Error writing to file: %s", flushError);
  if (::close(fd) != 0) Fail("Error closing file: %s", errno);
}
