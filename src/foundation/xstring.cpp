// XString: bytes in Windows-1252 with formatting, slicing and comparison; the code page conversion.
#include "xstring.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <new>
#include <vector>

#include "xexception.h"

namespace {

// Unicode code points of the bytes 0x80 to 0x9F; the five bytes the code page leaves undefined
// stand for the control characters of the same number, so every byte reads back unchanged.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char EncodeChar(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  const auto *found = std::find(kHighControls.begin(), kHighControls.end(), c);
  if (found == kHighControls.end()) return '?';
  return static_cast<char>(0x80 + (found - kHighControls.begin()));
}

// Runs a string operation, reporting memory exhaustion in the foundation's words.
template <typename Operation>
void Guarded(const char *message, Operation operation) {
  try {
    operation();
  } catch (const std::bad_alloc &) {
    throw XException(message);
  } catch (const std::length_error &) {
    throw XException(message);
  }
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

namespace xwin1252 {

std::string Encode(const QString &text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    // A character beyond the 16-bit range is one character: one "?".
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    out += EncodeChar(c.unicode());
  }
  return out;
}

QString Decode(const char *bytes, size_t length) {
  QString out;
  out.reserve(static_cast<qsizetype>(length));
  for (size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    out += (byte >= 0x80 && byte < 0xA0) ? QChar(kHighControls[byte - 0x80]) : QChar(byte);
  }
  return out;
}

}  // namespace xwin1252

XString::XString(const char *text) {
  if (text != nullptr) Guarded("Failed to allocate memory.", [&] { bytes_ = text; });
}

XString::XString(const char *bytes, size_t length) {
  Guarded("Failed to allocate memory.", [&] { bytes_.assign(bytes, length); });
}

XString::XString(std::string bytes) : bytes_(std::move(bytes)) {}

XString XString::FromQString(const QString &text) {
  return XString(xwin1252::Encode(text));
}

XString XString::Format(const char *format, ...) {
  va_list args;
  va_start(args, format);
  XString result = FormatV(format, args);
  va_end(args);
  return result;
}

XString XString::FormatV(const char *format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) return {};
  std::string bytes;
  Guarded("Failed to allocate memory.", [&] { bytes.resize(static_cast<size_t>(length) + 1); });
  std::vsnprintf(bytes.data(), bytes.size(), format, args);
  bytes.resize(static_cast<size_t>(length));
  return XString(std::move(bytes));
}

QString XString::ToQString() const {
  return xwin1252::Decode(bytes_.data(), bytes_.size());
}

XString &XString::Append(const char *bytes, size_t length) {
  Guarded("Failed to reallocate memory.", [&] { bytes_.append(bytes, length); });
  return *this;
}

XString XString::Mid(size_t position, size_t count) const {
  if (position >= bytes_.size()) return {};
  return XString(bytes_.substr(position, count));
}

XString XString::ToLower() const {
  std::string out = bytes_;
  std::transform(out.begin(), out.end(), out.begin(), AsciiLower);
  return XString(std::move(out));
}

XString XString::ToUpper() const {
  std::string out = bytes_;
  std::transform(out.begin(), out.end(), out.begin(), AsciiUpper);
  return XString(std::move(out));
}

int XString::Compare(const XString &other, bool ignoreCase) const {
  if (!ignoreCase) return bytes_.compare(other.bytes_) < 0 ? -1 : (bytes_ == other.bytes_ ? 0 : 1);
  const size_t common = std::min(bytes_.size(), other.bytes_.size());
  for (size_t i = 0; i < common; ++i) {
    const auto a = static_cast<unsigned char>(AsciiLower(bytes_[i]));
    const auto b = static_cast<unsigned char>(AsciiLower(other.bytes_[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  if (bytes_.size() == other.bytes_.size()) return 0;
  return bytes_.size() < other.bytes_.size() ? -1 : 1;
}
