// Header field names and the custom-field list of the export writer.
#include "exportheader.h"

QStringList SISExpHeader::FieldNames() const {
  QStringList names;
  names.reserve(int(fields.size()));
  for (const auto &field : fields) names << field.name;
  return names;
}

bool SISExpCustomFieldList::Add(const SISExpCustomField &field) {
  if (names_.contains(field.name)) return false;
  names_.insert(field.name);
  fields_ << field;
  return true;
}
