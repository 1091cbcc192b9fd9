// Passwords built to break connection-string quoting and masking, and the check that finds any
// piece of one in text a user or a log reader could see.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace icbtest {

// Quotes, braces, semicolons, "=", spaces, non-ASCII and one of 1,000 characters. No three
// consecutive characters of any of them occur in the bridge's own texts, so a piece found in
// its output can only have come from the password.
QStringList HostilePasswords();

// Everything a reader could see in the bytes: the text as UTF-8 and as single-byte text, plus the
// Base64 records of the most detailed log level decoded.
QString ReadableText(const QByteArray &bytes);

// The pieces of three or more characters of the password that occur in the text (each piece of
// exactly three characters, since every longer piece contains one).
QStringList PasswordPieces(const QString &password, const QString &text);

}  // namespace icbtest
