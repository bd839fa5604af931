// Cursors: the system ids as Qt shapes, the program's own cursors as our pictures
// (cursors/*.xpm, 32 x 32 with their hot spots), and none while hidden.
#include <QCursor>
#include <QPixmap>
#include <map>

#include "framework/resources.h"
#include "presentation/host.h"
#include "presentation/widgets.h"

namespace pres {

using namespace fw;

namespace {

#include "presentation/cursors/cursors.inc"

QCursor SystemCursor(HCURSOR id) {
  switch (id) {
    case IDC_IBEAM: return Qt::IBeamCursor;
    case IDC_WAIT: return Qt::WaitCursor;
    case IDC_CROSS: return Qt::CrossCursor;
    case IDC_UPARROW: return Qt::UpArrowCursor;
    case IDC_SIZENWSE: return Qt::SizeFDiagCursor;
    case IDC_SIZENESW: return Qt::SizeBDiagCursor;
    case IDC_SIZEWE: return Qt::SizeHorCursor;
    case IDC_SIZENS: return Qt::SizeVerCursor;
    case IDC_SIZEALL: return Qt::SizeAllCursor;
    case IDC_NO: return Qt::ForbiddenCursor;
    case IDC_HAND: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
  }
}

}  // namespace

// The picture of a program cursor: ours for its id, else a cross.
QCursor CursorOf(HCURSOR id) {
  if (id >= IDC_ARROW && id <= IDC_HAND) return SystemCursor(id);
  static std::map<HCURSOR, QCursor> made;
  auto it = made.find(id);
  if (it != made.end()) return it->second;
  QCursor c = Qt::CrossCursor;
  for (const CursorPicture& p : kCursorPictures)
    if (p.id == id && p.xpm) c = QCursor(QPixmap(p.xpm), p.hotX, p.hotY);
  made.emplace(id, c);
  return c;
}

bool HasCursorPicture(HCURSOR id) {
  for (const CursorPicture& p : kCursorPictures)
    if (p.id == id && p.xpm) return true;
  return false;
}

void Host::SetHovered(WindowWidget* w) {
  hovered_ = w;
  hoveredHwnd_ = w ? w->hwnd() : 0;
  ApplyCursor();
}

void Host::ApplyCursor() {
  if (!hovered_ || !hoveredHwnd_ || !IsWindow(hoveredHwnd_)) return;
  // The display count below zero hides the cursor.
  if (GetCursorDisplayCount() < 0) {
    hovered_->setCursor(Qt::BlankCursor);
    return;
  }
  hovered_->setCursor(CursorOf(GetCursor()));
}

}  // namespace pres
