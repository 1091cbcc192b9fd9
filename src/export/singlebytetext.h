// The one place where export text becomes file bytes: Windows-1252, one byte per character, and a
// "?" for every character that code page cannot hold.
#pragma once

#include <QByteArray>
#include <QString>

QByteArray ToSingleByte(const QString &text);
QString FromSingleByte(const QByteArray &bytes);
