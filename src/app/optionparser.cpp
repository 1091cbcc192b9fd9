// Token classification and the option state machine of the command-line parser.
#include "optionparser.h"

#include <QFileInfo>
#include <QtGlobal>

namespace {
QStringList argumentsOf(int argc, char **argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QString::fromUtf8(argv[i]));
  return arguments;
}
}  // namespace

OptionParser::OptionParser(int argc, char **argv) : OptionParser(argumentsOf(argc, argv)) {}

OptionParser::OptionParser(const QStringList &arguments) {
  if (!arguments.isEmpty()) programName_ = QFileInfo(arguments.first()).fileName();
  tokens_ = arguments.mid(1);
}

void OptionParser::addRequiredArgument(const QString &name, QString *target) {
  *target = QString();
  required_ = Option{Type::None, 0, name, target, nullptr, nullptr, QString()};
  ++requiredCount_;
}

void OptionParser::addOptionalArgument(const QString &name, QString *target) {
  *target = QString();
  optional_ = Option{Type::None, 0, name, target, nullptr, nullptr, QString()};
  ++optionalCount_;
}

void OptionParser::addOptionRecord(Option option) {
  options_.append(option);
}

void OptionParser::addSwitch(const QString &longName, bool *target) {
  *target = false;
  addOptionRecord(Option{Type::Switch, 0, longName, nullptr, target, nullptr, QString()});
}

void OptionParser::addOption(const QString &longName, QString *target, const QString &defaultValue) {
  *target = QString();
  addOptionRecord(Option{Type::Optional, 0, longName, target, nullptr, nullptr, defaultValue});
}

void OptionParser::addRequiredValueOption(const QString &longName, QString *target) {
  *target = QString();
  addOptionRecord(Option{Type::Required, 0, longName, target, nullptr, nullptr, QString()});
}

void OptionParser::addRepeatableOption(const QString &longName, QStringList *target) {
  target->clear();
  addOptionRecord(Option{Type::Repeatable, 0, longName, nullptr, nullptr, target, QString()});
}

void OptionParser::addVariableOption(const QString &longName, QStringList *target) {
  target->clear();
  addOptionRecord(Option{Type::Variable, 0, longName, nullptr, nullptr, target, QString()});
}

void OptionParser::pushBack(const QString &token) {
  tokens_.prepend(token);
  --currentIndex_;
}

OptionParser::Token OptionParser::nextToken() {
  if (tokens_.isEmpty()) return {TokenKind::End, QString(), QString()};
  const QString raw = tokens_.takeFirst();
  ++currentIndex_;
  // The value of "--name=value" is an argument whatever it looks like: read as a token of its own,
  // a value that begins with dashes would become an option ("--defaultcal=--path=x" would set the
  // import folder) or fail the command line ("--school=-1").
  if (attachedValue_) {
    attachedValue_ = false;
    return {TokenKind::Argument, raw, raw};
  }
  if (raw.startsWith(QLatin1String("--"))) {
    QString name = raw.mid(2);
    if (name.isEmpty()) return {TokenKind::Invalid, QString(), raw};
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    if (equals >= 0) {
      pushBack(name.mid(equals + 1));
      attachedValue_ = true;
      name.truncate(equals);
    }
    return {TokenKind::LongOption, name, raw};
  }
  if (raw.size() == 1) return {TokenKind::Argument, raw, raw};
  if (raw.startsWith(QLatin1Char('-'))) {
    if (raw.size() > 2) pushBack(raw.mid(2));
    return {TokenKind::ShortOption, raw.mid(1, 1), raw};
  }
  return {TokenKind::Argument, raw, raw};
}

OptionParser::Option *OptionParser::findLong(const QString &name) {
  for (Option &option : options_) {
    if (option.longName == name) return &option;
  }
  return nullptr;
}

OptionParser::Option *OptionParser::findShort(QChar name) {
  for (Option &option : options_) {
    if (option.shortName != 0 && QChar::fromLatin1(option.shortName) == name) return &option;
  }
  return nullptr;
}

bool OptionParser::storePositional(const QString &value) {
  Option *slot = requiredCount_ > 0 ? &required_ : (optionalCount_ > 0 ? &optional_ : nullptr);
  if (!slot) return true;
  if (!slot->text->isNull()) {
    qWarning("Too many arguments --%s", value.toUtf8().constData());
    return false;
  }
  // A positional argument is never null once given, even when it is empty.
  *slot->text = value.isNull() ? QStringLiteral("") : value;
  return true;
}

bool OptionParser::parse(bool stopAtFirstSwitch) {
  Option *pending = nullptr;
  for (;;) {
    Token token = nextToken();
    if (token.kind == TokenKind::Invalid) {
      qWarning("'--' feature not supported, yet");
      exitCode_ = 2;
      return false;
    }
    const bool isOption = token.kind == TokenKind::LongOption || token.kind == TokenKind::ShortOption;
    Option *known = nullptr;
    if (isOption)
      known = token.kind == TokenKind::LongOption ? findLong(token.text) : findShort(token.text.at(0));

    if (pending) {
      Option *option = pending;
      const bool isValue =
          token.kind == TokenKind::Argument || (isOption && !known && option->type == Type::Variable);
      const QString value = token.kind == TokenKind::Argument ? token.text : token.raw;
      switch (option->type) {
        case Type::Required:
        case Type::Repeatable:
          if (!isValue) {
            const QString shown =
                option->longName.isEmpty() ? QString(QChar::fromLatin1(option->shortName)) : option->longName;
            qWarning("Expected an argument after '%s' option", shown.toUtf8().constData());
            return false;
          }
          if (option->type == Type::Required)
            *option->text = value;
          else
            option->list->append(value);
          pending = nullptr;
          continue;
        case Type::Optional:
          pending = nullptr;
          if (isValue) {
            *option->text = value;
            continue;
          }
          *option->text = option->defaultValue;
          break;
        case Type::Variable:
          if (isValue) {
            option->list->append(value);
            continue;
          }
          pending = nullptr;
          break;
        default:
          pending = nullptr;
          break;
      }
    }

    switch (token.kind) {
      case TokenKind::End:
      case TokenKind::Invalid:
        break;
      case TokenKind::Argument:
        if (!storePositional(token.text)) return false;
        continue;
      case TokenKind::LongOption:
      case TokenKind::ShortOption:
        if (!known) {
          if (token.kind == TokenKind::LongOption)
            qWarning("Unknown option --%s", token.text.toUtf8().constData());
          else
            qWarning("Unknown option -%c", token.text.at(0).toLatin1());
          return false;
        }
        given_.insert(known->longName, 1);
        if (known->shortName != 0) given_.insert(QString(QChar::fromLatin1(known->shortName)), 1);
        if (known->type == Type::Switch) {
          *known->flag = true;
          if (stopAtFirstSwitch) return true;
        } else {
          pending = known;
        }
        continue;
    }
    break;
  }
  if (requiredCount_ > 0 && required_.text->isNull()) {
    qWarning("Lacking required argument");
    return false;
  }
  return true;
}
