// The bridge configuration record "SchoolConfig.xml": what the last successful run exported from.
// Rendering (attribute values escaped), reading (escapes undone; unescaped records read the same)
// and the check whether the current run differs from the record.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct ConfigEntry {
  QString element;
  QString attribute;
  QString value;
};

// The values of one record, as written.
struct BridgeConfigValues {
  QString sis, version, school, district, year, dsn, masterFile, masterFolder, securityFile, globalFolder;
  QString updateDate, updateDateTime, overlap;
};

namespace bridgeconfig {

extern const QString kFileName;  // "SchoolConfig.xml"

QByteArray Render(const BridgeConfigValues &values);
// The entries of the record in file order, only those whose element and attribute names are the
// record's own. A record that is not complete (no closing root tag) yields no entries.
QList<ConfigEntry> Parse(const QByteArray &bytes);
// Parse of the file; a missing or unreadable file yields no entries.
QList<ConfigEntry> ReadFile(const QString &path);
// The value of an element, empty when the element is missing.
QString Value(const QList<ConfigEntry> &entries, const QString &element);

// Walks the stored entries in file order and compares the nine identifying items, ignoring letter
// case. Returns true when the configuration changed; message then names the first difference
// ("District Changed. Old=x new=y"), or stays empty when the record holds no entries.
bool HasChanged(const QList<ConfigEntry> &stored, const BridgeConfigValues &current, QString &message);

QString EscapeAttribute(const QString &value);
QString UnescapeAttribute(const QString &value);

}  // namespace bridgeconfig
