// The design program: the application of app/ shown through the presentation.
#include <QApplication>
#include <cstdlib>

#include "app/tindrelapp.h"
#include "presentation/host.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  pres::Host host;
  if (const char* shot = std::getenv("TINDREL_SCREENSHOT"); shot && *shot) host.TakeScreenshot(shot);
  return RunTindrel(argc, argv);
}
