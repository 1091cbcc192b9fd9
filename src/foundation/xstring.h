// The foundation's byte string: single-byte text in the Windows-1252 code page (the code page of
// every output file), with conversion from and to Qt's Unicode strings.
#pragma once

#include <QString>
#include <compare>
#include <cstdarg>
#include <cstdint>
#include <string>

class XString {
 public:
  static constexpr size_t npos = std::string::npos;

  XString() = default;
  // The bytes of a NUL-terminated text (nullptr gives the empty string).
  XString(const char *text);  // NOLINT(google-explicit-constructor): literals read naturally
  // The given bytes, NULs included.
  XString(const char *bytes, size_t length);
  explicit XString(std::string bytes);
  XString(const XString &) = default;
  XString(XString &&) noexcept = default;
  XString &operator=(const XString &) = default;
  XString &operator=(XString &&) noexcept = default;
  virtual ~XString() = default;

  // Unicode text in Windows-1252; characters the code page lacks become "?".
  static XString FromQString(const QString &text);
  // printf-style formatting.
  [[gnu::format(printf, 1, 2)]] static XString Format(const char *format, ...);
  // printf-style formatting from an argument list.
  static XString FormatV(const char *format, va_list args);
  // The bytes read as Windows-1252.
  QString ToQString() const;

  // Number of bytes.
  uint32_t Length() const { return static_cast<uint32_t>(bytes_.size()); }
  bool IsEmpty() const { return bytes_.empty(); }
  // The bytes, always followed by a NUL.
  const char *CStr() const { return bytes_.c_str(); }
  const std::string &Bytes() const { return bytes_; }
  char operator[](size_t index) const { return bytes_.at(index); }

  XString &Append(const char *bytes, size_t length);
  XString &Append(const XString &other) { return Append(other.bytes_.data(), other.bytes_.size()); }
  XString &operator+=(const XString &other) { return Append(other); }
  XString &operator+=(char byte) { return Append(&byte, 1); }
  void Clear() { bytes_.clear(); }

  // Up to `count` bytes from `position` (nothing past the end).
  XString Mid(size_t position, size_t count = npos) const;
  XString Left(size_t count) const { return Mid(0, count); }
  // Position of the first occurrence at or after `from`, or npos.
  size_t Find(const XString &needle, size_t from = 0) const { return bytes_.find(needle.bytes_, from); }
  // ASCII letters changed in case; other bytes kept.
  XString ToLower() const;
  XString ToUpper() const;
  // Byte-wise comparison (<0, 0, >0), optionally ignoring the case of ASCII letters.
  int Compare(const XString &other, bool ignoreCase = false) const;

  friend bool operator==(const XString &a, const XString &b) { return a.bytes_ == b.bytes_; }
  friend std::strong_ordering operator<=>(const XString &a, const XString &b) {
    return a.bytes_ <=> b.bytes_;
  }
  friend XString operator+(XString a, const XString &b) { return a += b; }

 private:
  std::string bytes_;
};

namespace xwin1252 {
// Unicode text in Windows-1252 bytes; characters the code page lacks become "?".
std::string Encode(const QString &text);
// Windows-1252 bytes as Unicode text.
QString Decode(const char *bytes, size_t length);
}  // namespace xwin1252
