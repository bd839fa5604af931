// The design program: the application of app/ shown through the presentation.
#include <QApplication>
#include <cstdlib>

#include "app/app.h"
#include "presentation/host.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  pres::Host host;
  if (const char* shot = std::getenv("TINDREL_SCREENSHOT"); shot && *shot) host.TakeScreenshot(shot);
  CVORLAN98App app;
  return fw::RunApplication(app, pres::CommandLine(argc, argv));
}
