// Passwords built to break connection-string quoting and masking, and the check that finds any
// piece of one in text a user or a log reader could see.
#pragma once

#include <QString>
#include <QStringList>

namespace icbtest {

// Quotes, braces, semicolons, "=", spaces, non-ASCII and one of 1,000 characters. No three
// consecutive characters of any of them occur in the bridge's own texts, so a piece found in
// its output can only have come from the password.
QStringList HostilePasswords();

// The pieces of three or more characters of the password that occur in the text (each piece of
// exactly three characters, since every longer piece contains one).
QStringList PasswordPieces(const QString &password, const QString &text);

}  // namespace icbtest
