// The building blocks of the hostile values and how they are combined.
#include "hostile_parameter_values.h"

#include <QSet>

namespace hostile {

namespace {

// The statements that would reach the database if a value were pasted into SQL unquoted.
QStringList InjectionBlocks() {
  return {"' OR '1'='1",
          "' OR 1=1 --",
          "1 OR 1=1",
          "') OR ('1'='1",
          "' OR ''='",
          "' UNION SELECT \"startYear\", 10, 1, 1, 2027 FROM \"SchoolYear\" --",
          "0 UNION SELECT 1, 10, 1, 1, 2027 --",
          "'; DELETE FROM \"Canary\"; --",
          "'; DROP TABLE \"Canary\"; --",
          "'; INSERT INTO \"Canary\" VALUES ('injected'); --",
          "'; UPDATE \"Canary\" SET \"x\" = 'injected'; --",
          "1; DELETE FROM \"Canary\"",
          "'/**/OR/**/'1'='1",
          "' AND 1=CONVERT(int, @@version) --",
          "'; WAITFOR DELAY '0:0:20'; --",
          "'; SHUTDOWN; --"};
}

QStringList Blocks() {
  QStringList blocks = InjectionBlocks();
  blocks << QStringList{
      // Quotes, comments, statement ends and the driver's escapes.
      "'", "''", "\"", "`", ";", "--", "#", "/*", "*/", "\\'", "\\", "%", "_", "[", "]", "?", ":name", "@p",
      "$1", "N'", "')", "'))", "{fn NOW()}", "{d '2026-01-01'}", "{call x}", "CHAR(39)", "0x27",
      // Stand-ins for NUL, which a command line cannot carry.
      "%00", "\\0", "\\x00", "\\u0000", QString(QChar(0x2400)),
      // Paths: separators, parent steps, roots, device names, wildcards.
      "..", "../", "../..", "../../..", "/", "//", "./", "a/b", "a\\b", "..\\..\\", "C:\\", "C:", "~", "~/",
      "*", "<", ">", "|", ":", "CON", "NUL", "COM1", ".", " ", ".hidden", "-", "--path=x", "-rf",
      "\\\\server\\share",
      // Control characters and line breaks.
      "\t", "\n", "\r", "\r\n", QString(QChar(1)), "\x1b[31m", QString(QChar(0x7f)), "\b", "\f", "\v",
      // Beyond ASCII.
      QString::fromUtf8("é"), QString::fromUtf8("ß"), QString::fromUtf8("日本語"), QString::fromUtf8("עברית"),
      QString(QChar(0x202e)), QString(QChar(0x200b)), QString(QChar(0xfeff)), QString(QChar(0xfffd)),
      QString::fromUtf8("🙂"), QString::fromUtf8("e\u0301"), QString(QChar(0x2028)), QString(QChar(0xff)),
      // Format directives and shell syntax.
      "%s", "%n", "%d%d%d", "%1", "{0}", "${HOME}", "$(id)", "`id`",
      // Numbers that are not the valid ones.
      "-1", "0", "99999999999999999999", "1.5", "1e9", "0x0A"};
  blocks << QString(300, 'a') << QString(1000, 'x') << QString(5000, '\'') << QString(100, '9')
         << QString(2000, ';');
  return blocks;
}

}  // namespace

qsizetype InjectionValueCount() {
  return 3 * InjectionBlocks().size();
}

QStringList ParameterValues() {
  const QStringList blocks = Blocks();
  QStringList values;
  QSet<QString> seen;
  const auto add = [&](const QString &value) {
    if (value.isEmpty() || value.count(QLatin1String("..")) > kMaxParentSteps || seen.contains(value)) return;
    seen.insert(value);
    values << value;
  };
  for (const QString &injection : InjectionBlocks()) {
    add(injection);
    add(QStringLiteral("1") + injection);
    add(QStringLiteral("10") + injection);
  }
  for (const QString &block : blocks) add(block);
  for (const QString &block : blocks) {
    add(QStringLiteral("1") + block);
    add(QStringLiteral("10") + block);
    add(block + QStringLiteral("10"));
  }
  // Each block followed by eight others spread over the list.
  const qsizetype n = blocks.size();
  for (qsizetype i = 0; i < n; ++i)
    for (qsizetype step = 1; step <= 8; ++step) add(blocks[i] + blocks[(i + step * 11) % n]);
  return values;
}

}  // namespace hostile
