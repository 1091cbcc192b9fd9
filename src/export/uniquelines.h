// The lines a table file has received: a line that several records produce byte for byte is
// written once, while lines that differ in any value all stay.
#pragma once

#include <QByteArray>
#include <QSet>

class UniqueLines {
 public:
  // True the first time a line is offered, false for every repeat of it.
  bool IsNew(const QByteArray &line);

 private:
  QSet<QByteArray> seen_;
};
