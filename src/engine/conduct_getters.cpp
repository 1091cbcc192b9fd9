// The conduct getters compose their text from one-line column values, so a comment's line breaks
// and tabs never split a table row.
#include "conduct_getters.h"

#include "expengine.h"
#include "student_getters.h"

namespace get {

QString CndOutNote(ExpEngine &engine) {
  const QString comment = engine.ColOneLine();
  const QString reason = engine.BesideText("removalReason");
  QString note = comment.isEmpty() ? QString() : comment + QLatin1Char(' ');
  if (!reason.isEmpty()) note += QStringLiteral("Removal Reason: ") + reason;
  return note;
}

}  // namespace get
