// Header field names and the custom-field list of the export writer.
#include "exportheader.h"

QStringList SISExpHeader::FieldNames() const {
  QStringList names;
  names.reserve(int(fields.size()));
  for (const auto &field : fields) names << field.name;
  return names;
}

bool SISExpCustomFieldList::Add(const SISExpCustomField &field) {
  if (m_names.contains(field.name)) return false;
  m_names.insert(field.name);
  m_fields << field;
  return true;
}
