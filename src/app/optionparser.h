// A small command-line parser that binds long options, switches and positional arguments to the
// caller's variables. Malformed command lines are reported as Qt warnings and fail the parse.
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

class OptionParser {
 public:
  enum class Type { None = 0, End = 1, Switch = 2, Required = 3, Optional = 4, Repeatable = 5, Variable = 6 };

  OptionParser(int argc, char **argv);
  explicit OptionParser(const QStringList &arguments);  // arguments[0] is the program

  void addRequiredArgument(const QString &name, QString *target);
  void addOptionalArgument(const QString &name, QString *target);
  void addSwitch(const QString &longName, bool *target);
  void addOption(const QString &longName, QString *target, const QString &defaultValue = QString());
  void addRequiredValueOption(const QString &longName, QString *target);
  void addRepeatableOption(const QString &longName, QStringList *target);
  void addVariableOption(const QString &longName, QStringList *target);

  // True when the command line is valid; with stopAtFirstSwitch the parse ends at the first switch.
  bool parse(bool stopAtFirstSwitch = false);
  // Set when the command line asked for something the parser refuses outright (a bare "--"); the
  // process must then end with this code.
  std::optional<int> exitCode() const { return exitCode_; }
  QString programName() const { return programName_; }
  bool given(const QString &name) const { return given_.contains(name); }

 private:
  struct Option {
    Type type = Type::None;
    char shortName = 0;
    QString longName;
    QString *text = nullptr;
    bool *flag = nullptr;
    QStringList *list = nullptr;
    QString defaultValue;
  };
  enum class TokenKind { LongOption, ShortOption, Argument, End, Invalid };
  struct Token {
    TokenKind kind = TokenKind::End;
    QString text;  // the option name or the argument
    QString raw;   // as it stood on the command line
  };

  Token nextToken();
  void pushBack(const QString &token);
  Option *findLong(const QString &name);
  Option *findShort(QChar name);
  bool storePositional(const QString &value);
  void addOptionRecord(Option option);

  QList<Option> options_;
  QMap<QString, int> given_;
  QStringList tokens_;
  // The front token is the value split off "--name=value".
  bool attachedValue_ = false;
  QString programName_;
  Option required_;
  int requiredCount_ = 0;
  Option optional_;
  int optionalCount_ = 0;
  int currentIndex_ = 1;
  std::optional<int> exitCode_;
};
