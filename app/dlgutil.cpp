#include "app/dlgutil.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "framework/app.h"
#include "model/graphobject.h"
#include "model/helpers.h"
#include "platform/report.h"
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
  if (end == p || !std::isfinite(v)) return false;
  if (out) *out = float(std::clamp(v, -kMaxPageLength, kMaxPageLength));
  return true;
}

float NumberOf(const fw::CDialog& dlg, fw::UINT id) {
  float v = 0.0f;
  return ReadNumber(dlg, id, &v) ? v : 0.0f;
}

bool ConfirmObjects(double count, const char* caption, bool chinese) {
  if (!(count > kManyObjects)) return true;
  char text[160];
  if (chinese)
    std::snprintf(text, sizeof text, "将生成 %.0f 个对象，是否继续？", count);
  else
    std::snprintf(text, sizeof text, "This makes %.0f objects. Go on?", count);
  return plat::MessageBox(text, caption, plat::MB_YESNO | plat::MB_ICONQUESTION | plat::MB_DEFBUTTON2) == plat::IDYES;
}

void Refuse(const char* text, const char* caption) {
  plat::MessageBox(text, caption, plat::MB_OK | plat::MB_ICONEXCLAMATION);
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
