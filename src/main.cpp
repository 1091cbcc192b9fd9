// Entry point of icbridge: the console program the front-end starts with one command word.
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[]) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() > 1 && args.at(1) == QLatin1String("version")) {
    QTextStream(stdout) << "icbridge " << ICBRIDGE_VERSION << "\n";
    return 0;
  }
  QTextStream(stderr) << "usage: icbridge <help|params|defaults|test|version|run> [--name=value ...]\n";
  return 1;
}
