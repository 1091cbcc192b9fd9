// One parameter of the command line as the front-end sees it: name, label, group, type word,
// help text, default, the parameters it depends on and its type-specific choices.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

struct ParamRecord {
  QString name;
  QString label;
  QString group;
  QString type;
  QString description;
  QString defaultValue;
  // Names of the parameters this one depends on; starts with one empty entry, which always passes.
  QMap<QString, QString> dependencies{{QString(), QString()}};
  QStringList choices;
};
