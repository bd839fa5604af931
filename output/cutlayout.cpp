#include "output/cutlayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "output/cutinfo.h"
#include "platform/report.h"

CMatrix3 ArrangementMatrix(const CFRect& bounds, float pageWidth, const CCutInfo& info) {
  CFRect b = bounds;
  b.left = std::max(b.left, 0.0f);
  b.top = std::max(b.top, 0.0f);
  const float extentWidth = std::max(pageWidth, b.right);
  CMatrix3 m;
  if (info.mirror) m.Multiply(CMatrix3(-1, 0, 0, 1, extentWidth, 0));
  if (info.savePaper) {
    CFRect t = b;
    m.TransformRectBounds(t);
    m.Multiply(CMatrix3(1, 0, 0, 1, 0.1f - t.left, 0.1f - t.top));
  }
  if (info.zoomCut != 1.0f && std::isfinite(info.zoomCut) && info.zoomCut > 0.0f)
    m.Multiply(CMatrix3(info.zoomCut, 0, 0, info.zoomCut, 0, 0));
  return m;
}

bool StepPaperWindow(CCutInfo& info, PaperStep step) {
  const bool across = step == PaperStep::Left || step == PaperStep::Right;
  const float size = across ? info.Width() : info.Height();
  const float by = size - float(info.pageGaps);
  if (!(by > 0.0f)) {
    plat::MessageBeep(0);
    return false;
  }
  float& low = across ? info.left : info.top;
  float& high = across ? info.right : info.bottom;
  float moved = low + (step == PaperStep::Up || step == PaperStep::Left ? -by : by);
  bool clamped = false;
  if (moved < 0.0f) {
    moved = 0.0f;
    clamped = true;
  }
  low = moved;
  high = moved + size;
  if (clamped) plat::MessageBeep(0);
  return !clamped;
}

CutEntryValue ReadCutEntry(CutEntry entry, const std::string& text) {
  char* end = nullptr;
  const float v = std::strtof(text.c_str(), &end);
  const bool number = end != text.c_str() && std::isfinite(v);
  switch (entry) {
    case CutEntry::Accuracy:
      if (number && v >= 0.5f) return {v, false, text};
      return {0.5f, true, "0.5"};
    case CutEntry::Zoom:
      if (number && v > 0.0f) return {v, false, text};
      return {1.0f, true, "1"};
    case CutEntry::Blade:
      if (number && v >= 0.1f && v <= 0.51f) return {v, false, text};
      return {0.35f, true, "0.35"};
  }
  return {v, false, text};
}
