// The text blocks of the import control file (and of the update file's opening): the header
// comment, the pragma block, the custom fields, one block per table and the timing block.
#pragma once

#include <QMap>
#include <QString>
#include <array>

#include "exportheader.h"
#include "xdatetime.h"

// The application's identity values as the parameter map carries them.
struct AppInfo {
  QString title, type, version, buildDate, alias, shortName;

  static AppInfo FromParameters(const QMap<QString, QString> &parameters);
};

// The import options written as "#pragma" lines.
struct ImportControlSettings {
  QString exportSource;
  QString schoolName;
  QString nameFormat;
  QString dateFormat = QStringLiteral("mm/dd/yyyy");
  QString timeFormat = QStringLiteral("HH:NN:SS AA");
  QString dateTimeFormat = QStringLiteral("mm/dd/yyyy HH:NN:SS AA");
  bool crsKeyInSecKey = false;
  bool ignoreStaffMultiCal = false;
  bool verify = false;
  bool showInfo = false;
  bool gradesDontCreateSections = false;
  bool attendanceDoesntCreateDates = true;
  bool termsAreBins = false;
  quint32 minVersion = 0;
  QString quotes;
  // Time slots, days, terms, periods, bins; 0 writes no pragma.
  std::array<unsigned, 5> maxExpected{};
};

// a.b.c.d packed as a in bits 27-31, b in 22-26, c in 16-21, d in 0-15; missing parts are 0.
quint32 PackVersion(const QString &dotted);
// The four parts of a packed version joined by ".".
QString UnpackVersion(quint32 packed);

namespace importcontrol {

// A line of 91 "/" and CR LF.
QString Slashes();
QString HeaderComment(const AppInfo &app, const XDateTime &now);
QString PragmaBlock(const ImportControlSettings &settings, const QString &sisName, const AppInfo &app,
                    const XDate &today);
// The update file's own pragma, written before the pragma block.
QString UpdatePragma(const XDateTime &now);
QString CustomFieldsBlock(const SISExpCustomFieldList &fields);
// The heading in front of the table blocks.
QString TablesHeading();
// One table: its name, its field names, its include line and the asterisk line; empty for a
// header without fields.
QString TableBlock(const SISExpHeader &header);
QString TimingBlock(const XTime &start, const XTime &end);

}  // namespace importcontrol
