// The cut-job manager: the program of cutmanager/ shown through the presentation.
#include <QApplication>
#include <cstdlib>

#include "cutmanager/kelvoapp.h"
#include "presentation/host.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  pres::Host host;
  if (const char* shot = std::getenv("TINDREL_SCREENSHOT"); shot && *shot) host.TakeScreenshot(shot);
  return RunKelvo(argc, argv);
}
