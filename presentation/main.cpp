// The design program: the application of app/ shown through the presentation.
#include <QApplication>
#include <cstdlib>

#include "app/tindrelapp.h"
#include "presentation/host.h"
#include "text/textattr.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  pres::Host host;
  host.SetTypingLanguage([] { return int(DefaultTextAttr().doubleByteLanguage); });
  if (const char* shot = std::getenv("TINDREL_SCREENSHOT"); shot && *shot) host.TakeScreenshot(shot);
  if (const char* first = std::getenv("TINDREL_FIRST_PAINT"); first && *first == '1') host.QuitAtFirstPaint();
  return RunTindrel(argc, argv);
}
