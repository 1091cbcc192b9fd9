// The shared getters read the columns beside the current one through the current field's table
// alias, so one getter serves every export whatever alias it gives its tables.
#include "shared_getters.h"

#include "expengine.h"

namespace {

QByteArray SourceBeside(ExpEngine &engine, const QString &column) {
  const ODBCField *current = engine.CurrentField();
  if (!current) return {};
  return (current->Table().Alias() + QLatin1Char('.') + column).toLatin1();
}

bool IsPrivate(ExpEngine &engine) {
  const ODBCField *current = engine.CurrentField();
  if (!current) return false;
  const QByteArray source = SourceBeside(engine, current->Name() + QStringLiteral("Private"));
  return engine.Flag(source.constData());
}

QString StreetLineOf(ExpEngine &engine, const QString &street) {
  const QString space = QStringLiteral(" ");
  return get::TextBeside(engine, "number") + space + get::TextBeside(engine, "dir") + space + street + space +
         get::TextBeside(engine, "tag");
}

}  // namespace

namespace get {

QString TextBeside(ExpEngine &engine, const char *column) {
  const QByteArray source = SourceBeside(engine, QString::fromLatin1(column));
  return source.isEmpty() ? QString() : engine.Text(source.constData());
}

QString NameWithSuffix(ExpEngine &engine) {
  const QString suffix = TextBeside(engine, "suffix");
  const QString last = engine.ColOneLine();
  return suffix.isEmpty() ? last : last + QLatin1Char(' ') + suffix;
}

QString ApartmentLine(ExpEngine &engine) {
  const QString apartment = engine.ColOneLine();
  return apartment.isEmpty() ? QString() : QStringLiteral("Apartment #") + apartment + QLatin1Char(' ');
}

QString StreetLine(ExpEngine &engine) {
  return StreetLineOf(engine, engine.ColOneLine());
}

QString StreetOrPoBox(ExpEngine &engine) {
  const QString street = engine.ColOneLine();
  return street.isEmpty() ? QStringLiteral("PO Box ") + TextBeside(engine, "number")
                          : StreetLineOf(engine, street);
}

QString UnlessPrivate(ExpEngine &engine) {
  return IsPrivate(engine) ? QString() : engine.ColOneLine();
}

QString PhoneUnlessPrivate(ExpEngine &engine) {
  return IsPrivate(engine) ? QString() : engine.ColPhone();
}

QString VehicleText(ExpEngine &engine) {
  return TextBeside(engine, "color") + QLatin1Char(' ') + TextBeside(engine, "make") + QLatin1Char(' ') +
         TextBeside(engine, "model");
}

QString DateTime(ExpEngine &engine) {
  return engine.ColDateTime();
}

}  // namespace get
