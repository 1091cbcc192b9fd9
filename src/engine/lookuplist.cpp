// The engine's lookup tables: the entries are owned here, the sorted index is the foundation's vector.
#include "lookuplist.h"

namespace {
int CompareKeys(const QString &a, const QString &b) {
  return a.compare(b, Qt::CaseSensitive);
}
}  // namespace

LookupList::LookupList()
    : index_(5, [](const Entry &a, const Entry &b) { return CompareKeys(a.key, b.key); }) {}

void LookupList::Insert(const QString &key, const QString &value) {
  entries_.push_back({key, value});
  index_.Add(&entries_.back());
}

const QString *LookupList::Find(const QString &key) const {
  const std::ptrdiff_t at =
      index_.FindBy(key, [](const Entry &entry, const QString &k) { return CompareKeys(entry.key, k); });
  return at == XVector<Entry>::kNotFound ? nullptr : &index_.At(size_t(at))->value;
}

void LookupList::Clear() {
  index_.Clear();
  entries_.clear();
}
