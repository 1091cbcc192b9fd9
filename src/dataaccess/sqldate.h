// Date literals for conditions, in the dialect of each database type.
#pragma once

#include <QString>

#include "xdate.h"

// The literal for the date in the given type's dialect; pattern is the export writer's date
// pattern, used by the XBase type. Throws XException for a type outside 1..21.
QString SQLDate(const XDate &date, int databaseType,
                const QString &writerDatePattern = QStringLiteral("mm/dd/yyyy"));
