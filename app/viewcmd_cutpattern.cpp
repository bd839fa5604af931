// Parallel-line, radiation and circle cuts: their dialogs on the selection, and the
// patterns made at an origin clicked in the view.
#include <memory>
#include <string>

#include "app/cutpatterndlg.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "app/viewcmd.h"
#include "model/geomutil.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/settings.h"
#include "model/undoitems.h"
#include "output/cutpatterns.h"

namespace {

void OnParallelCut(CVORLAN98View& view) {
  CParallelCutDlg dlg(view);
  dlg.DoModal();
}

void OnRadiationCut(CVORLAN98View& view) {
  CRadiationCutDlg dlg(view);
  dlg.DoModal();
}

void OnCircleCut(CVORLAN98View& view) {
  CCircleCutDlg dlg(view);
  dlg.DoModal();
}

const char* SectionOf(std::uint32_t tool) {
  switch (tool) {
    case ID_TOOL_PARALLEL_CUT: return "ParallelCut";
    case ID_TOOL_RADIATION_CUT: return "RadiationCut";
    case ID_TOOL_CIRCLE_CUT: return "CircleCut";
    default: return nullptr;
  }
}

// A stored list text, as long as the settings keep it.
std::string ListText(const char* section, const char* key, int size, const char* def) {
  std::string text(size_t(size), '\0');
  g_Profile.GetString(section, key, text.data(), size, def);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  return text;
}

}  // namespace

std::unique_ptr<CPathObject> CVORLAN98View::MakeCutPattern(std::uint32_t tool, float x, float y, int pass) {
  const char* section = SectionOf(tool);
  CSelectTracker* tracker = Tracker();
  CGraphObject* current = tracker ? tracker->GetCurrentObject() : nullptr;
  if (!section || !current) return nullptr;
  CFRect b = current->bounds;
  b.Normalize();
  const bool bisectrix = g_Profile.GetInt(section, "BisectrixCut", 1) != 0;
  const int parts = g_Profile.GetInt(section, tool == ID_TOOL_PARALLEL_CUT ? "CutLines" : "CutParts", 8);
  std::uint32_t flags = pass ? kCutPatternGapFirst : 0;
  if (tool == ID_TOOL_PARALLEL_CUT) {
    const float angle = ParseSettingFloat(ListText(section, "CutAngle", 20, "0.0").c_str());
    std::string list;
    switch (g_Profile.GetInt(section, "BisectrixType", 0)) {
      case 1:
        flags |= 0x1;
        list = ListText(section, "CutGaps", 20, "");
        break;
      case 2:
        flags |= 0x2;
        list = ListText(section, "CutLineWidth", 20, "");
        break;
      default:
        break;
    }
    return bisectrix ? MakeParallelCutLines(b.left, b.top, b.right, b.bottom, angle, parts, x, y, flags)
                     : MakeParallelCutLinesEx(b.left, b.top, b.right, b.bottom, angle, x, y, list, flags);
  }
  if (g_Profile.GetInt(section, "ThrowBack", 1) != 0) flags |= kCutPatternThrowBack;
  if (tool == ID_TOOL_RADIATION_CUT) {
    float start = 0.0f, end = 0.0f;
    GetRectAngleRange(b.left, b.top, b.right, b.bottom, x, y, start, end);
    return bisectrix ? MakeRadiationCutByParts(b.left, b.top, b.right, b.bottom, x, y, start, end, parts, flags)
                     : MakeRadiationCutByAngles(b.left, b.top, b.right, b.bottom, x, y, start, end,
                                                ListText(section, "CutAngle", 20, ""), flags);
  }
  return bisectrix ? MakeCircleCutByParts(b.left, b.top, b.right, b.bottom, x, y, parts, flags)
                   : MakeCircleCutByDistances(b.left, b.top, b.right, b.bottom, x, y,
                                              ListText(section, "CutDistance", 200, ""), flags);
}

void CVORLAN98View::CutByPatterns(const std::function<std::unique_ptr<CPathObject>(int pass)>& pattern,
                                  bool noCut) {
  CVORLAN98Doc* doc = GetDoc();
  m_undo.StartRecord(0);
  auto add = [&](CGraphObject* object) {
    if (m_undo.GetRecordDepth() != 0) m_undo.AppendUndoItem(std::make_unique<CUndoAddObject>(object));
    doc->AddObject(object, true);
  };
  if (doc) {
    bool cut = false;
    for (int pass = 0; pass < 2; ++pass) {
      std::unique_ptr<CPathObject> p = pattern(pass);
      if (!p) continue;
      if (noCut) {
        add(p.release());
      } else if (std::unique_ptr<CGroupObject> pieces = IntersectPatternWithSelection(p.get())) {
        add(pieces.release());
        cut = true;
      }
    }
    // Sources that gave no piece (no library, no pattern) stay.
    if (cut && Tracker()) Tracker()->DeleteSelected();
  }
  m_undo.EndRecord();
  if (m_hWnd) Invalidate(fw::TRUE);
}

void CVORLAN98View::CutPatternAt(std::uint32_t tool, float x, float y) {
  const char* section = SectionOf(tool);
  if (!section) return;
  m_undo.StartRecord(0);
  CutByPatterns([&](int pass) { return MakeCutPattern(tool, x, y, pass); },
                g_Profile.GetInt(section, "NoCut", 1) != 0);
  SetTool(ID_TOOL_SELECT);
  m_undo.EndRecord();
}

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::CutPatternMap)
VIEW_ON_COMMAND(ID_TOOL_PARALLEL_CUT, OnParallelCut)
VIEW_ON_COMMAND(ID_TOOL_RADIATION_CUT, OnRadiationCut)
VIEW_ON_COMMAND(ID_TOOL_CIRCLE_CUT, OnCircleCut)
FW_END_COMMAND_FAMILY()
