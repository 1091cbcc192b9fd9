// Whole lines are kept, not hashes: a hash collision would silently drop a row.
#include "uniquelines.h"

bool UniqueLines::IsNew(const QByteArray &line) {
  const qsizetype before = seen_.size();
  seen_.insert(line);
  return seen_.size() != before;
}
