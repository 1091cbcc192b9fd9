// Value and line writing of the table rows.
#include "delimitedoutput.h"

#include "publishedfile.h"
#include "singlebytetext.h"

DelimitedOutput::DelimitedOutput(PublishedFile &file, char separator, Repeats repeats)
    : file_(file),
      separator_(separator),
      written_(repeats == Repeats::Dropped ? std::make_unique<UniqueLines>() : nullptr) {}

void DelimitedOutput::WriteValue(const QString &value) {
  if (!lineStart_) line_.append(separator_);
  line_.append(ToSingleByte(value));
  lineStart_ = false;
}

void DelimitedOutput::EndLine() {
  line_.append("\r\n");
  // An empty line (an end-line column command) carries no record and is kept as written.
  if (!written_ || line_.size() == 2 || written_->IsNew(line_)) file_.Write(line_);
  line_.clear();
  lineStart_ = true;
}

void DelimitedOutput::WriteText(const QString &text) {
  file_.Write(line_ + ToSingleByte(text));
  line_.clear();
  lineStart_ = true;
}
