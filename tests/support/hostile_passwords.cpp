// Hostile passwords and the search for their pieces.
#include "hostile_passwords.h"

namespace icbtest {

QStringList HostilePasswords() {
  // Every three-character window of this block, also across its repetitions, mixes rare letters
  // with the characters a connection string treats specially.
  const QString block = QStringLiteral("Qz\"Xj;Vq{Wk}Zx=Jv Kq");
  QString thousand;
  while (thousand.size() < 1000) thousand += block;
  thousand.truncate(1000);
  return {
      QStringLiteral("\"qzjv\""),       // wholly quoted
      QStringLiteral("Qz\"Jvk\"Wq"),    // quotes inside
      QStringLiteral("{Qzj;Vkw}"),      // looks braced already
      QStringLiteral("Qz}}jV{k"),       // closing braces, doubled
      QStringLiteral("Qzj;Vkw=Xq"),     // a second key smuggled in
      QStringLiteral("qZ jV kW"),       // spaces
      QString::fromUtf8("Žqé€жΩ漢jz"),  // beyond ASCII
      QStringLiteral("=Qzj{\"V;k}x"),   // all of them at once
      thousand,
  };
}

QString ReadableText(const QByteArray &bytes) {
  QString text = QString::fromUtf8(bytes) + QLatin1Char('\n') + QString::fromLatin1(bytes);
  for (const QByteArray &line : bytes.split('\n')) {
    const qsizetype at = line.indexOf("proprietary:");
    if (at >= 0) text += QLatin1Char('\n') + QString::fromUtf8(QByteArray::fromBase64(line.mid(at + 12)));
  }
  return text;
}

QStringList PasswordPieces(const QString &password, const QString &text) {
  QStringList found;
  for (qsizetype at = 0; at + 3 <= password.size(); ++at) {
    const QString piece = password.mid(at, 3);
    if (text.contains(piece) && !found.contains(piece)) found << piece;
  }
  return found;
}

}  // namespace icbtest
