// Entry point of icbridge: the console program the front-end starts with one command word.
// It builds the extraction task, hands it to the application object and runs one command.
#include <QCoreApplication>
#include <memory>

#include "bridgebase.h"
#include "expengine.h"

int main(int argc, char *argv[]) {
  QCoreApplication application(argc, argv);
  BridgeBase bridge(std::make_unique<ExpEngine>());
  return bridge.processCommandLine(argc, argv);
}
