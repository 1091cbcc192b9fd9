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

DelimitedOutput::DelimitedOutput(PublishedFile &file, char separator, Repeats repeats)
    : file_(file),
      separator_(separator),
      written_(repeats == Repeats::Dropped ? std::make_unique<UniqueLines>() : nullptr) {}

void DelimitedOutput::WriteValue(const QString &value) {
  if (!lineStart_) line_.append(separator_);
  line_.append(ToSingleByte(value));
  lineStart_ = false;
}

void DelimitedOutput::WriteUtf8Value(std::string_view utf8) {
  // ASCII is its own Windows-1252; any other byte takes the way of the text.
  for (const char c : utf8)
    if (static_cast<unsigned char>(c) >= 0x80) {
      WriteValue(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
      return;
    }
  if (!lineStart_) line_.append(separator_);
  line_.append(utf8.data(), qsizetype(utf8.size()));
  lineStart_ = false;
}

void DelimitedOutput::EndLine() {
  line_.append("\r\n");
  // An empty line (an end-line column command) carries no record and is kept as written.
  if (!written_ || line_.size() == 2 || written_->IsNew(line_))
    write(line_);
  else
    ++repeatsDropped_;
  line_.clear();
  lineStart_ = true;
}

void DelimitedOutput::WriteText(const QString &text) {
  if (held_) throw XException(QStringLiteral("Text cannot be written between sorted rows."));
  file_.Write(line_ + ToSingleByte(text));
  line_.clear();
  lineStart_ = true;
}

// Values of a line not yet ended belong to the row that ends now.
void DelimitedOutput::flushLine() {
  if (line_.isEmpty()) return;
  write(line_);
  line_.clear();
}

void DelimitedOutput::BeginSortedRows() {
  held_.emplace();
}

void DelimitedOutput::EndRow() {
  if (!held_) return;
  flushLine();
  held_->EndRow();
}

void DelimitedOutput::EndSortedRows() {
  if (!held_) return;
  flushLine();
  SortedRows rows = std::move(*held_);
  held_.reset();
  rows.ForEachPiece(kPieceBytes, [this](const QByteArray &piece) { file_.Write(piece); });
}

void DelimitedOutput::DropSortedRows() {
  if (held_) line_.clear();
  held_.reset();
}
