// The start-up benchmark's peer: a bare Qt main window with a menu bar, a tool
// bar, an MDI area and a status bar, shown maximised. Once the MDI area is first
// painted it says "bare: first paint" on standard output and ends.
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <cstdio>

namespace {

class Area : public QMdiArea {
 protected:
  void paintEvent(QPaintEvent* e) override {
    QMdiArea::paintEvent(e);
    if (said_) return;
    said_ = true;
    std::fputs("bare: first paint\n", stdout);
    std::fflush(stdout);
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  }

 private:
  bool said_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  for (const char* name : {"&File", "&Edit", "&View", "&Text", "&Arrange", "&Window", "&Help"}) {
    QMenu* menu = window.menuBar()->addMenu(name);
    for (const char* item : {"New", "Open...", "Save", "Close"}) menu->addAction(item);
  }
  QToolBar* tools = window.addToolBar("Standard");
  for (const char* item : {"New", "Open", "Save", "Cut", "Copy", "Paste", "Print"}) tools->addAction(item);
  window.setCentralWidget(new Area);
  window.statusBar()->showMessage("Ready");
  window.showMaximized();
  return app.exec();
}
