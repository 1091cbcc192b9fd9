// Value and line writing of the table rows, straight to the file or held for sorting.
#include "delimitedoutput.h"

#include "publishedfile.h"
#include "singlebytetext.h"
#include "xexception.h"

namespace {
// Held rows go to the file in pieces of about this size.
constexpr qsizetype kPieceBytes = qsizetype(1) << 20;
}  // namespace

void DelimitedOutput::write(const QByteArray &bytes) {
  if (held_)
    held_->Append(bytes);
  else
    file_.Write(bytes);
}

void DelimitedOutput::WriteValue(const QString &value) {
  if (held_) {
    if (!lineStart_) held_->Append(separator_);
    held_->Append(ToSingleByte(value));
    lineStart_ = false;
    return;
  }
  QByteArray bytes;
  bytes.reserve(value.size() + 1);
  if (!lineStart_) bytes.append(separator_);
  bytes.append(ToSingleByte(value));
  write(bytes);
  lineStart_ = false;
}

void DelimitedOutput::EndLine() {
  write(QByteArrayLiteral("\r\n"));
  lineStart_ = true;
}

void DelimitedOutput::WriteText(const QString &text) {
  if (held_) throw XException(QStringLiteral("Text cannot be written between sorted rows."));
  file_.Write(ToSingleByte(text));
  lineStart_ = true;
}

void DelimitedOutput::BeginSortedRows() {
  held_.emplace();
}

void DelimitedOutput::EndRow() {
  if (held_) held_->EndRow();
}

void DelimitedOutput::EndSortedRows() {
  if (!held_) return;
  SortedRows rows = std::move(*held_);
  held_.reset();
  rows.ForEachPiece(kPieceBytes, [this](const QByteArray &piece) { file_.Write(piece); });
}

void DelimitedOutput::DropSortedRows() {
  held_.reset();
}
