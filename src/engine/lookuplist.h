// One lookup table of the engine: (key, value) entries kept sorted by key, compared code unit by
// code unit with letter case significant; an equal key goes after the entries already there.
#pragma once

#include <QString>
#include <deque>

#include "xvector.h"

class LookupList {
 public:
  LookupList();
  LookupList(const LookupList &) = delete;
  LookupList &operator=(const LookupList &) = delete;

  void Insert(const QString &key, const QString &value = QString());
  // The value of the first entry with the key, or null when there is none.
  const QString *Find(const QString &key) const;
  bool Contains(const QString &key) const { return Find(key) != nullptr; }
  size_t Count() const { return index_.Count(); }
  void Clear();

 private:
  struct Entry {
    QString key;
    QString value;
  };
  std::deque<Entry> entries_;  // owns the entries; a deque keeps their addresses while it grows
  XVector<Entry> index_;
};
