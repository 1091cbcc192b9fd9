// Writing, reading and comparing the bridge configuration record.
#include "bridgeconfigrecord.h"

#include <QFile>

#include "singlebytetext.h"

namespace bridgeconfig {

const QString kFileName = QStringLiteral("SchoolConfig.xml");

namespace {
const QString kRoot = QStringLiteral("SchoolConfig");

struct Item {
  const char *element;
  const char *attribute;
  QString BridgeConfigValues::*value;
};

// The record's entries in file order.
const Item kItems[] = {
    {"SIS", "SISValue", &BridgeConfigValues::sis},
    {"LastBridgeVersion", "LastBridgeVersionValue", &BridgeConfigValues::version},
    {"LastSchoolNumber", "LastSchoolNumberValue", &BridgeConfigValues::school},
    {"LastDistrict", "LastDistrictValue", &BridgeConfigValues::district},
    {"LastSchoolYear", "LastSchoolYearValue", &BridgeConfigValues::year},
    {"LastDSN", "LastDSNValue", &BridgeConfigValues::dsn},
    {"LastMasterFile", "LastMasterFileValue", &BridgeConfigValues::masterFile},
    {"LastMasterFolder", "LastMasterFolderValue", &BridgeConfigValues::masterFolder},
    {"LastSecurityFile", "LastSecurityFileValue", &BridgeConfigValues::securityFile},
    {"GlobalFolder", "GlobalFolderValue", &BridgeConfigValues::globalFolder},
    {"UpdateDate", "UpdateDateValue", &BridgeConfigValues::updateDate},
    {"UpdateDateTime", "UpdateDateTimeValue", &BridgeConfigValues::updateDateTime},
    {"OverlapInDays", "OverlapValue", &BridgeConfigValues::overlap},
    {"LastBridgeLogLevel", "LastBridgeLogLevelValue", nullptr},
};

struct Compared {
  const char *element;
  QString BridgeConfigValues::*value;
  const char *message;
};

const Compared kCompared[] = {
    {"LastDistrict", &BridgeConfigValues::district, "District Changed. Old="},
    {"LastSchoolNumber", &BridgeConfigValues::school, "School Changed. Old="},
    {"SIS", &BridgeConfigValues::sis, "SIS Changed. Old="},
    {"LastSchoolYear", &BridgeConfigValues::year, "Year Changed. Old="},
    {"LastMasterFile", &BridgeConfigValues::masterFile, "MasterFile Changed. Old="},
    {"LastMasterFolder", &BridgeConfigValues::masterFolder, "MasterFolder Changed. Old="},
    {"LastSecurityFile", &BridgeConfigValues::securityFile, "Security File Changed. Old="},
    {"LastDSN", &BridgeConfigValues::dsn, "DSN Changed. Old="},
    {"LastBridgeVersion", &BridgeConfigValues::version, "Version Changed. Old="},
};

const Item *FindItem(const QString &element, const QString &attribute) {
  for (const auto &item : kItems) {
    if (element == QLatin1String(item.element) && attribute == QLatin1String(item.attribute)) return &item;
  }
  return nullptr;
}

// Reads the record element by element: the root, empty elements with one attribute each, and the
// closing root tag. Tolerates anything else by skipping it.
class Tokenizer {
 public:
  explicit Tokenizer(const QString &text) : text_(text) {}

  QList<ConfigEntry> Entries() {
    QList<ConfigEntry> entries;
    bool rootOpen = false;
    while (SkipTo(QLatin1Char('<'))) {
      ++pos_;
      if (Peek() == QLatin1Char('/')) {
        ++pos_;
        if (rootOpen && Name() == kRoot && SkipTo(QLatin1Char('>'))) return entries;
        continue;
      }
      if (Peek() == QLatin1Char('?') || Peek() == QLatin1Char('!')) continue;
      const QString element = Name();
      if (element == kRoot && !rootOpen) {
        rootOpen = true;
        continue;
      }
      ConfigEntry entry;
      if (!rootOpen || !Attribute(entry)) continue;
      entry.element = element;
      if (FindItem(entry.element, entry.attribute)) entries << entry;
    }
    return {};  // never closed: a truncated record is not trusted
  }

 private:
  QChar Peek() const { return pos_ < text_.size() ? text_.at(pos_) : QChar(); }
  bool SkipTo(QChar c) {
    pos_ = text_.indexOf(c, pos_);
    if (pos_ < 0) pos_ = text_.size();
    return pos_ < text_.size();
  }
  void SkipSpace() {
    while (pos_ < text_.size() && text_.at(pos_).isSpace()) ++pos_;
  }
  QString Name() {
    SkipSpace();
    const qsizetype start = pos_;
    while (pos_ < text_.size()) {
      const QChar c = text_.at(pos_);
      if (c.isSpace() || c == QLatin1Char('/') || c == QLatin1Char('>') || c == QLatin1Char('=') ||
          c == QLatin1Char('<'))
        break;
      ++pos_;
    }
    return text_.mid(start, pos_ - start);
  }
  bool Attribute(ConfigEntry &entry) {
    entry.attribute = Name();
    SkipSpace();
    if (entry.attribute.isEmpty() || Peek() != QLatin1Char('=')) return false;
    ++pos_;
    SkipSpace();
    if (Peek() != QLatin1Char('"')) return false;
    const qsizetype start = ++pos_;
    if (!SkipTo(QLatin1Char('"'))) return false;
    entry.value = UnescapeAttribute(text_.mid(start, pos_ - start));
    ++pos_;
    SkipSpace();
    return text_.mid(pos_, 2) == QLatin1String("/>");
  }

  const QString &text_;
  qsizetype pos_ = 0;
};
}  // namespace

QString EscapeAttribute(const QString &value) {
  QString text;
  text.reserve(value.size());
  for (const QChar c : value) {
    switch (c.unicode()) {
      case '&':
        text += QLatin1String("&amp;");
        break;
      case '"':
        text += QLatin1String("&quot;");
        break;
      case '<':
        text += QLatin1String("&lt;");
        break;
      case '>':
        text += QLatin1String("&gt;");
        break;
      default:
        text += c;
    }
  }
  return text;
}

QString UnescapeAttribute(const QString &value) {
  static const struct {
    QLatin1String entity;
    QChar character;
  } kEntities[] = {{QLatin1String("&amp;"), QLatin1Char('&')},
                   {QLatin1String("&quot;"), QLatin1Char('"')},
                   {QLatin1String("&lt;"), QLatin1Char('<')},
                   {QLatin1String("&gt;"), QLatin1Char('>')},
                   {QLatin1String("&apos;"), QLatin1Char('\'')}};
  QString text;
  text.reserve(value.size());
  for (qsizetype i = 0; i < value.size();) {
    bool replaced = false;
    if (value.at(i) == QLatin1Char('&')) {
      for (const auto &e : kEntities) {
        if (QStringView(value).mid(i).startsWith(e.entity)) {
          text += e.character;
          i += e.entity.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) text += value.at(i++);
  }
  return text;
}

QByteArray Render(const BridgeConfigValues &values) {
  QString text = QLatin1Char('<') + kRoot + QStringLiteral(">\r\n");
  for (const auto &item : kItems) {
    const QString value = item.value ? values.*item.value : QStringLiteral("7");
    text += QLatin1Char('<') + QLatin1String(item.element) + QLatin1Char(' ') +
            QLatin1String(item.attribute) + QStringLiteral("=\"") + EscapeAttribute(value) +
            QStringLiteral("\"/>\r\n");
  }
  text += QStringLiteral("</") + kRoot + QStringLiteral(">\r\n");
  return ToSingleByte(text);
}

QList<ConfigEntry> Parse(const QByteArray &bytes) {
  const QString text = FromSingleByte(bytes);
  return Tokenizer(text).Entries();
}

QList<ConfigEntry> ReadFile(const QString &path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return Parse(file.readAll());
}

QString Value(const QList<ConfigEntry> &entries, const QString &element) {
  for (const auto &entry : entries) {
    if (entry.element == element) return entry.value;
  }
  return {};
}

bool HasChanged(const QList<ConfigEntry> &stored, const BridgeConfigValues &current, QString &message) {
  message.clear();
  if (stored.isEmpty()) return true;
  for (const auto &entry : stored) {
    for (const auto &compared : kCompared) {
      if (entry.element != QLatin1String(compared.element)) continue;
      const QString &now = current.*compared.value;
      if (entry.value.toLower() == now.toLower()) continue;
      message = QLatin1String(compared.message) + entry.value + QStringLiteral(" new=") + now;
      return true;
    }
  }
  return false;
}

}  // namespace bridgeconfig
