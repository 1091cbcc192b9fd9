// One element of the foundation's minimal XML files: a name and its attributes in file order.
#pragma once

#include <QString>
#include <utility>
#include <vector>

using XXmlAttributes = std::vector<std::pair<QString, QString>>;

struct XXmlElement {
  QString name;
  XXmlAttributes attributes;

  // Name and value of the first attribute (empty when there is none).
  QString AttributeName() const { return attributes.empty() ? QString() : attributes.front().first; }
  QString AttributeValue() const { return attributes.empty() ? QString() : attributes.front().second; }
};
