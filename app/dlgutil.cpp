#include "app/dlgutil.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "framework/app.h"
#include "model/graphobject.h"
#include "model/settings.h"
#include "model/undoitems.h"

namespace dlgutil {

std::string Format2(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", value);
  return buf;
}

bool ReadNumber(const fw::CDialog& dlg, fw::UINT id, float* out) {
  const std::string text = dlg.GetDlgItemText(id);
  const char* p = text.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  char* end = nullptr;
  const double v = std::strtod(p, &end);
  if (end == p) return false;
  if (out) *out = float(v);
  return true;
}

float NumberOf(const fw::CDialog& dlg, fw::UINT id) {
  float v = 0.0f;
  return ReadNumber(dlg, id, &v) ? v : 0.0f;
}

CFPoint ToolPoint() {
  const ObjectDragState& d = ObjectDrag();
  return CFPoint{std::min(d.start.x, d.last.x), std::min(d.start.y, d.last.y)};
}

void AddObjectsAsStep(CVORLAN98View& view, std::vector<std::unique_ptr<CGraphObject>> objects) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  objects.erase(std::remove(objects.begin(), objects.end(), nullptr), objects.end());
  if (objects.empty()) return;
  CUndoList* undo = view.GetUndoList();
  undo->StartRecord(0);
  const bool recording = undo->GetRecordDepth() != 0;
  for (auto& o : objects) {
    CGraphObject* raw = o.release();
    if (recording) undo->AppendUndoItem(std::make_unique<CUndoAddObject>(raw));
    doc->AddObject(raw, true);
    raw->InvalidateObjectRect(&view, true);
  }
  undo->EndRecord();
  doc->SetModifiedFlag(fw::TRUE);
}

void AddObjectAsStep(CVORLAN98View& view, std::unique_ptr<CGraphObject> object) {
  std::vector<std::unique_ptr<CGraphObject>> list;
  list.push_back(std::move(object));
  AddObjectsAsStep(view, std::move(list));
}

CVORLAN98View* ActiveDesignView() {
  auto* main = dynamic_cast<CMDIMainFrame*>(fw::AfxGetMainWnd());
  return main ? dynamic_cast<CVORLAN98View*>(main->GetActiveView()) : nullptr;
}

}  // namespace dlgutil
