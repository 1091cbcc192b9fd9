// The single-byte code page of the output files (Windows-1252): text read from the database keeps
// only characters that code page holds; any other character becomes "?".
#pragma once

#include <QByteArray>
#include <QString>

// The text with every character outside Windows-1252 replaced by "?" (one per character).
QString ToSingleByteText(QStringView text);
// The same for a text the caller gives away: returned as it is when nothing needs replacing.
QString ToSingleByteText(QString &&text);
// The Windows-1252 bytes of the text, "?" for characters it lacks.
QByteArray ToWindows1252(QStringView text);
