// Small helpers of the design window's dialogs: number texts, the tool point
// and adding made objects to the active view's document in one undo step.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "model/geometry.h"

class CGraphObject;
class CVORLAN98View;

namespace dlgutil {

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
// The normalised left-top corner of the drawing tools' last drag rectangle.
CFPoint ToolPoint();
// Adds the objects to the view's document as one undo step (an add item each
// while the view records) and redraws them. Nothing for an empty list.
void AddObjectsAsStep(CVORLAN98View& view, std::vector<std::unique_ptr<CGraphObject>> objects);
void AddObjectAsStep(CVORLAN98View& view, std::unique_ptr<CGraphObject> object);
// The active design view of the program, or null.
CVORLAN98View* ActiveDesignView();

}  // namespace dlgutil
