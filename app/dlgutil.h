// Small helpers of the design window's dialogs: their templates' styles and
// labels, a dialog on one view, number texts, the tool point and adding made
// objects to the active view's document in one undo step.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/resources.h"
#include "model/geometry.h"

class CGraphObject;
class CVORLAN98View;

namespace dlgutil {

// Styles of the templates' windows and controls.
namespace style {
constexpr fw::DWORD kPopup = fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU;
constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
constexpr fw::DWORD kTab = kChild | fw::WS_TABSTOP;
constexpr fw::DWORD kEdit = kTab | fw::ES_AUTOHSCROLL;
}  // namespace style

// A template's static labels: label("Text", x, y) stands at (x, y + 3) down
// to y + 20, `width` wide unless the call gives another width.
struct Labels {
  int width;
  fw::DlgItemDef operator()(const char* text, int x, int y, int w = 0) const {
    return fw::DlgItemDef(0xFFFF, fw::CtrlKind::Static, text, style::kChild, {x, y + 3, x + (w ? w : width), y + 20});
  }
};

// A dialog that works on one design view.
class CViewDialog : public fw::CDialog {
 public:
  CViewDialog(fw::UINT id, CVORLAN98View& view, fw::CWnd* parent) : fw::CDialog(id, parent), m_view(view) {}

 protected:
  CVORLAN98View& m_view;
};

// "%.2f", independent of the locale.
std::string Format2(double value);
// The control's text as a decimal number (fraction kept) held to
// ±kMaxPageLength; 0 when unreadable or not finite.
float NumberOf(const fw::CDialog& dlg, fw::UINT id);
// True when the control's text starts with a finite decimal number, held as above.
bool ReadNumber(const fw::CDialog& dlg, fw::UINT id, float* out);
// True when a command may make `count` objects: up to kManyObjects without a
// question, more when the user answers Yes (default No). The question is in
// the dialog's language.
bool ConfirmObjects(double count, const char* caption, bool chinese);
// Tells the user why OK is not taken (exclamation, OK only).
void Refuse(const char* text, const char* caption);
// The normalised left-top corner of the drawing tools' last drag rectangle.
CFPoint ToolPoint();
// Adds the objects to the view's document as one undo step (an add item each
// while the view records) and redraws them. Nothing for an empty list.
void AddObjectsAsStep(CVORLAN98View& view, std::vector<std::unique_ptr<CGraphObject>> objects);
void AddObjectAsStep(CVORLAN98View& view, std::unique_ptr<CGraphObject> object);
// The active design view of the program, or null.
CVORLAN98View* ActiveDesignView();

}  // namespace dlgutil
