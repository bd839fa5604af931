// Group, combine, convert, align, order, select all and auto fill; even
// spacing, the arch, glyph cuts, word welding, adding to a graphic library and
// the new seal.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "app/selecttracker.h"
#include "app/settingsload.h"
#include "app/viewcmd.h"
#include "framework/app.h"
#include "framework/menu.h"
#include "model/dllholder.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "model/settings.h"
#include "model/undoitems.h"
#include "platform/gmem.h"
#include "platform/report.h"
#include "text/arrange.h"
#include "text/boxarray.h"
#include "text/graphlib.h"
#include "text/libbrowser.h"
#include "text/sealdlg.h"
#include "text/sealobject.h"
#include "text/textobject.h"
#include "text/textundo.h"

namespace {

constexpr std::uint32_t ID_GROUP = 40036;
constexpr std::uint32_t ID_UNGROUP = 40037;
constexpr std::uint32_t ID_COMBINE = 40038;
constexpr std::uint32_t ID_SEPARATE = 40039;
constexpr std::uint32_t ID_COMBINE_TO_GLYPH = 40079;
constexpr std::uint32_t ID_TO_GLYPH = 40169;
constexpr std::uint32_t ID_ALIGN_LEFT = 40080;
constexpr std::uint32_t ID_ALIGN_CENTER = 40086;
constexpr std::uint32_t ID_TURN_BACK = 40044;
constexpr std::uint32_t ID_TURN_PREV = 40043;
constexpr std::uint32_t ID_SELECT_ALL = 32784;
constexpr std::uint32_t ID_AUTO_FILL = 40090;
constexpr std::uint32_t ID_AUTOSPACE_HORZ = 32852;
constexpr std::uint32_t ID_AUTOSPACE_VERT = 32853;
constexpr std::uint32_t ID_VAULT = 32854;
constexpr std::uint32_t ID_GLYPH_CUT = 32866;
constexpr std::uint32_t ID_WORD_WELD = 32886;
constexpr std::uint32_t ID_ADD_TO_GRAPHLIB = 32870;
constexpr std::uint32_t ID_NEW_STAMP = 32893;

CMDIMainFrame* MainFrame() { return dynamic_cast<CMDIMainFrame*>(fw::AfxGetMainWnd()); }

void SyncModeBar() {
  if (CMDIMainFrame* main = MainFrame()) main->SyncWithSelection();
}

// One undo step with the tracker's marks hidden; the selection box is
// recomputed and the marks shown again at the end.
class ArrangeStep {
 public:
  explicit ArrangeStep(CVORLAN98View& view) : view_(view), tracker_(view.Tracker()) {
    view_.GetUndoList()->StartRecord(0);
    if (tracker_) tracker_->Hide(nullptr);
  }
  ~ArrangeStep() {
    view_.GetUndoList()->EndRecord();
    if (tracker_) {
      tracker_->GetSelectionRect(nullptr);
      tracker_->Show(nullptr);
    }
  }
  ArrangeStep(const ArrangeStep&) = delete;
  ArrangeStep& operator=(const ArrangeStep&) = delete;
  bool Recording() const { return view_.GetUndoList()->GetRecordDepth() > 0; }
  void Record(std::unique_ptr<CUndoItem> item) {
    if (Recording()) view_.GetUndoList()->AppendUndoItem(std::move(item));
  }

 private:
  CVORLAN98View& view_;
  CSelectTracker* tracker_;
};

// The group Ungroup took out of the document: the item keeps it until Undo
// puts it back at its index; dropped without undoing, the group goes, its
// children (now the document's) stay.
class CUndoUngroup : public CObjectUndoItem {
 public:
  CUndoUngroup(CGroupObject* group, int index) : m_group(group), m_index(index) {}
  ~CUndoUngroup() override {
    if (!m_group) return;
    m_group->children.RemoveAll();
    delete m_group;
  }

 protected:
  void UndoIn(CViewServices& view) override {
    CDocumentServices* doc = view.GetDocument();
    if (!doc || !m_group) return;
    m_group->selected = 1;
    doc->InsertObject(m_group, m_index);
    m_group = nullptr;
  }

 private:
  CGroupObject* m_group;
  int m_index;
};

// The document's list rebuilt from the objects kept, in one pass.
void ReplaceList(CSegArray& list, const std::vector<CGraphObject*>& keep) {
  list.RemoveAll();
  for (CGraphObject* o : keep) list.Add(o);
}

// --- Group and ungroup ---------------------------------------------------------------

void OnGroup(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc || view.GetSelectedCount() < 2) return;
  {
    ArrangeStep step(view);
    CSegArray& list = *doc->GetObjectList();
    std::vector<CGraphObject*> members, keep;
    // From the last to the first: each index is the member's place while the
    // earlier ones still stand, which is where Undo puts it back.
    for (int i = list.GetSize() - 1; i >= 0; --i) {
      CGraphObject* o = list.GetAt(i);
      if (!o->selected) {
        keep.push_back(o);
        continue;
      }
      step.Record(std::make_unique<CUndoRelink>(o, i));
      o->selected = 0;
      members.push_back(o);
    }
    std::reverse(keep.begin(), keep.end());
    std::reverse(members.begin(), members.end());
    ReplaceList(list, keep);

    auto group = std::make_unique<CGroupObject>();
    CSegArray temp;
    for (CGraphObject* o : members) temp.Add(o);
    group->AddChildren(temp);
    temp.RemoveAll();

    CGraphObject* result = nullptr;
    std::unique_ptr<CUndoItem> added;
    if (group->GetChildCount() == 1) {
      result = group->GetChild(0);
      group->children.RemoveAll();
      added = std::make_unique<CUndoRelink>(result, -1);
    } else if (group->GetChildCount() > 1) {
      added = std::make_unique<CUndoRelinkGroup>(group.get(), -1);
      result = group.release();
    }
    if (result) {
      result->selected = 1;
      doc->AddObject(result, true);
      if (CSelectTracker* tracker = view.Tracker()) tracker->GetSelectionRect(nullptr);
      step.Record(std::move(added));
    }
  }
  SyncModeBar();
}

void OnUngroup(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  {
    ArrangeStep step(view);
    CSegArray loose;
    int n = doc->GetObjectCount();
    for (int i = 0; i < n; ++i) {
      auto* group = dynamic_cast<CGroupObject*>(doc->GetObjectAt(i));
      if (!group || !group->selected || group->kind != OBJ_GROUP) continue;
      doc->RemoveObjectAt(i);
      const bool moved = !group->matrix.IsIdentity();
      for (CGraphObject* child : group->children.Objects()) {
        if (!child) continue;
        if (moved) {
          step.Record(std::make_unique<CUndoMatrix>(child, group->matrix));
          child->Transform(group->matrix);
        }
        child->selected = 1;
        loose.Add(child);
      }
      // The group keeps its children for Undo; without recording it goes.
      if (step.Recording()) {
        step.Record(std::make_unique<CUndoUngroup>(group, i));
      } else {
        group->children.RemoveAll();
        delete group;
      }
      --i;
      --n;
    }
    for (int i = loose.GetSize() - 1; i >= 0; --i) step.Record(std::make_unique<CUndoRelink>(loose.GetAt(i), -1));
    if (!loose.IsEmpty()) doc->AddObjects(loose);
    loose.RemoveAll();
  }
  SyncModeBar();
}

// --- Combine, separate, convert ------------------------------------------------------

// A path with at least one point.
bool IsUsablePath(const CGraphObject* o) {
  auto* path = dynamic_cast<const CPathObject*>(o);
  if (!path || o->kind != OBJ_PATH || !path->points) return false;
  pathrec::Records r(path->points);
  const std::size_t n = std::min<std::size_t>(r.n, std::size_t(std::max(path->count, 0)));
  for (std::size_t i = 0; i < n; ++i)
    if (pathrec::IsPoint(r.p[i].flags)) return true;
  return false;
}

void OnCombine(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  CSelectTracker* tracker = view.Tracker();
  if (!doc || !tracker) return;
  tracker->GetSelectionRect(nullptr);
  if (tracker->GetPathCount() < 2) return;
  // The result first: without one nothing changes.
  std::unique_ptr<CGraphObject> result;
  {
    CGroupObject probe;
    for (int i = doc->GetObjectCount() - 1; i >= 0; --i)
      if (CGraphObject* o = doc->GetObjectAt(i); o->selected && o->kind == OBJ_PATH) probe.AddChild(o);
    result = probe.CombineToPath(-1);
    probe.children.RemoveAll();
  }
  if (!IsUsablePath(result.get())) return;
  ArrangeStep step(view);
  auto group = std::make_unique<CGroupObject>();
  for (int i = doc->GetObjectCount() - 1; i >= 0; --i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o->selected) continue;
    step.Record(std::make_unique<CUndoDeselect>(o));
    o->selected = 0;
    if (o->kind != OBJ_PATH) continue;
    step.Record(std::make_unique<CUndoDelete>(o, i));
    doc->RemoveObjectAt(i);
    group->children.Add(o);
  }
  // While recording the undo items own the paths.
  if (step.Recording()) group->children.RemoveAll();
  group.reset();
  CGraphObject* made = result.release();
  made->selected = 1;
  doc->AddObject(made, false);
  step.Record(std::make_unique<CUndoAddObject>(made));
}

void OnSeparate(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  ArrangeStep step(view);
  auto holder = std::make_unique<CGroupObject>();
  int n = doc->GetObjectCount();
  for (int i = 0; i < n; ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o->selected) continue;
    o->selected = 0;
    auto* path = dynamic_cast<CPathObject*>(o);
    if (!path || o->kind != OBJ_PATH) continue;
    doc->RemoveObjectAt(i);
    path->SplitContours(*holder);
    if (step.Recording())
      step.Record(std::make_unique<CUndoDelete>(o, i));
    else
      delete o;
    --i;
    --n;
  }
  for (CGraphObject* part : holder->children.Objects()) {
    part->selected = 1;
    step.Record(std::make_unique<CUndoAddObject>(part));
  }
  if (!holder->children.IsEmpty()) doc->AddObjects(holder->children);
  holder->children.RemoveAll();
}

// The selected objects that convert to paths, with their conversions.
struct Converted {
  CGraphObject* object;
  std::unique_ptr<CGraphObject> path;
};

std::vector<Converted> ConvertSelected(CVORLAN98Doc& doc) {
  std::vector<Converted> out;
  for (int i = 0; i < doc.GetObjectCount(); ++i) {
    CGraphObject* o = doc.GetObjectAt(i);
    if (!o->selected) continue;
    if (std::unique_ptr<CGraphObject> path = o->ConvertToPath(-1)) out.push_back({o, std::move(path)});
  }
  return out;
}

// Takes the converted objects out of the document (a CUndoDelete each, or
// deleted without recording) and their paths into a group.
std::unique_ptr<CGroupObject> TakeConverted(CVORLAN98Doc& doc, ArrangeStep& step, std::vector<Converted>& items) {
  auto group = std::make_unique<CGroupObject>();
  for (Converted& c : items) {
    const int index = doc.RemoveObject(c.object);
    if (index < 0) continue;
    if (step.Recording())
      step.Record(std::make_unique<CUndoDelete>(c.object, index));
    else
      delete c.object;
    group->AddChild(std::move(c.path));
  }
  items.clear();
  return group;
}

void OnCombineToGlyph(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  std::vector<Converted> items = ConvertSelected(*doc);
  if (items.empty()) return;
  std::unique_ptr<CGraphObject> result;
  {
    CGroupObject probe;
    for (Converted& c : items) probe.AddChild(c.path.get());
    result = probe.CombineToPath(-1);
    probe.children.RemoveAll();
  }
  if (!IsUsablePath(result.get())) return;
  ArrangeStep step(view);
  std::unique_ptr<CGroupObject> group = TakeConverted(*doc, step, items);
  CSelectTracker* tracker = view.Tracker();
  if (tracker) tracker->ClearSelection(nullptr, true);
  group.reset();
  CGraphObject* made = result.release();
  made->selected = 1;
  doc->AddObject(made, true);
  step.Record(std::make_unique<CUndoAddObject>(made));
  if (tracker) tracker->Select(made);
}

void OnToGlyph(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  {
    ArrangeStep step(view);
    std::vector<Converted> items = ConvertSelected(*doc);
    std::unique_ptr<CGroupObject> group = TakeConverted(*doc, step, items);
    CGraphObject* result = nullptr;
    if (group->GetChildCount() == 1) {
      result = group->GetChild(0);
      group->children.RemoveAll();
    } else if (group->GetChildCount() > 1) {
      result = group.release();
    }
    if (result) {
      step.Record(std::make_unique<CUndoAddObject>(result));
      doc->AddObject(result, true);
      result->selected = 1;
    }
  }
  SyncModeBar();
}

// --- Align and order ------------------------------------------------------------------

void OnAlign(CVORLAN98View& view, fw::UINT id) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  ArrangeStep step(view);
  const CGraphObject* ref = nullptr;
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (!o->selected) continue;
    if (!ref) {
      ref = o;
      continue;
    }
    const CFRect& r = ref->bounds;
    const CFRect& b = o->bounds;
    const float hc = (r.left + r.right) / 2.0f - (b.left + b.right) / 2.0f;
    const float vc = (r.top + r.bottom) / 2.0f - (b.top + b.bottom) / 2.0f;
    float dx = 0.0f, dy = 0.0f;
    switch (id - ID_ALIGN_LEFT) {
      case 0: dx = r.left - b.left; break;
      case 1: dx = r.right - b.right; break;
      case 2: dy = r.top - b.top; break;
      case 3: dy = r.bottom - b.bottom; break;
      case 4: dx = hc; break;
      case 5: dy = vc; break;
      default: dx = hc, dy = vc; break;
    }
    o->InvalidateObjectRect(&view, true);
    step.Record(std::make_unique<CUndoMove>(o, dx, dy));
    o->Offset(dx, dy);
    o->InvalidateObjectRect(&view, true);
  }
}

// Moves the objects that `moves` picks to the end of the list, each group in
// its former order, with a CUndoOrder at the index it had when it moved.
template <class Pick>
void MoveToEnd(CVORLAN98View& view, Pick moves) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc || doc->GetObjectCount() < 2) return;
  ArrangeStep step(view);
  CSegArray& list = *doc->GetObjectList();
  std::vector<CGraphObject*> stay, moved;
  const int n = list.GetSize();
  for (int i = 0; i < n; ++i) {
    CGraphObject* o = list.GetAt(i);
    if (!moves(*o)) {
      stay.push_back(o);
      continue;
    }
    // The ones moved before it have left the places in front of it.
    step.Record(std::make_unique<CUndoOrder>(o, i - int(moved.size())));
    moved.push_back(o);
  }
  if (moved.empty()) return;
  stay.insert(stay.end(), moved.begin(), moved.end());
  ReplaceList(list, stay);
  doc->SetModifiedFlag(fw::TRUE);
  view.RepaintView(true);
}

void OnTurnBack(CVORLAN98View& view) {
  MoveToEnd(view, [](const CGraphObject& o) { return o.selected != 0; });
}

void OnTurnPrev(CVORLAN98View& view) {
  MoveToEnd(view, [](const CGraphObject& o) { return o.selected == 0; });
}

void OnSelectAll(CVORLAN98View& view) {
  CSelectTracker* tracker = view.Tracker();
  if (!tracker) return;
  tracker->ClearSelection(nullptr, true);
  tracker->SelectAll();
}

// --- Auto fill ------------------------------------------------------------------------

void OnAutoFill(CVORLAN98View&) {
  AppGlobals& g = TheAppGlobals();
  const bool on = g.autoFill == 0;
  g.autoFill = on ? 1 : 0;
  SetAutoFill(on);
  g_Profile.WriteInt("SystemParam", "AutoFill", on ? 1 : 0);
  if (fw::CWnd* main = fw::AfxGetMainWnd())
    if (fw::CMenu* menu = main->GetMenu()) menu->CheckMenuItem(ID_AUTO_FILL, on ? fw::MF_CHECKED : fw::MF_UNCHECKED);
}

void OnUpdateAutoFill(CVORLAN98View&, fw::CCmdUI* ui) { ui->SetCheck(TheAppGlobals().autoFill != 0 ? 1 : 0); }

// --- Layout -----------------------------------------------------------------------------

void AutoSpace(CVORLAN98View& view, bool vertical) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc || view.GetSelectedCount() < 3) return;
  ArrangeStep step(view);
  auto group = std::make_unique<CGroupObject>();
  for (int i = 0; i < doc->GetObjectCount(); ++i)
    if (CGraphObject* o = doc->GetObjectAt(i); o->selected) group->children.Add(o);
  vertical ? group->SortChildrenByTop() : group->SortChildrenByLeft();
  const std::vector<CGraphObject*> items = group->children.Objects();
  group->children.RemoveAll();
  auto nearEdge = [vertical](const CGraphObject* o) { return vertical ? o->bounds.top : o->bounds.left; };
  auto farEdge = [vertical](const CGraphObject* o) { return vertical ? o->bounds.bottom : o->bounds.right; };
  float sum = 0.0f;
  for (const CGraphObject* o : items) sum += farEdge(o) - nearEdge(o);
  const float gap = (farEdge(items.back()) - nearEdge(items.front()) - sum) / float(items.size() - 1);
  for (std::size_t k = 1; k < items.size(); ++k) {
    CGraphObject* o = items[k];
    const float d = farEdge(items[k - 1]) + gap - nearEdge(o);
    const float dx = vertical ? 0.0f : d, dy = vertical ? d : 0.0f;
    o->InvalidateObjectRect(&view, true);
    step.Record(std::make_unique<CUndoMove>(o, dx, dy));
    o->Offset(dx, dy);
    o->InvalidateObjectRect(&view, true);
  }
}

void ArchText(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  CSelectTracker* tracker = view.Tracker();
  if (!doc || !tracker || view.GetEditObject()) return;
  auto* text = dynamic_cast<CTextObject*>(tracker->GetCurrentObject());
  if (!text || text->kind != OBJ_TEXT || (text->arrange && text->arrange->GetKind() == ARR_ARCH)) return;
  CUndoList& undo = *view.GetUndoList();
  undo.StartRecord(0);
  text->InvalidateObjectRect(&view, true);
  const float width = doc->GetPageWidth();
  const float bottom = text->bounds.bottom;
  auto arch = std::make_unique<CArchArrange>(0.0f, float(bottom - width / 4.0), width, bottom, &text->matrix,
                                             &text->chars);
  std::unique_ptr<CTextArrange> former = text->SetArrange(std::move(arch));
  if (undo.GetRecordDepth() > 0) undo.AppendUndoItem(std::make_unique<CUndoArrange>(text, std::move(former)));
  text->Relayout(&view, -1);
  tracker->Refresh();
  undo.EndRecord();
}

// Contours of a path: records of the start kind.
int CountContours(const CPathObject& path) {
  if (!path.points) return 0;
  pathrec::Records r(path.points);
  const std::size_t n = std::min<std::size_t>(r.n, std::size_t(std::max(path.count, 0)));
  int contours = 0;
  for (std::size_t i = 0; i < n; ++i)
    if (r.p[i].flags < PP_SPECIAL && (r.p[i].flags & 0x70) == PP_START) ++contours;
  return contours;
}

std::unique_ptr<CGraphObject> ContourCutGlyphs(CWeldLib& lib, CGraphObject& glyphs, CPathObject& cutter,
                                               std::uint32_t mode, CViewServices* view) {
  if (!lib.IsLoaded() || !lib.dllFigureCut || !cutter.points) return nullptr;
  const int contours = CountContours(cutter);
  std::unique_ptr<CGraphObject> made;  // the running result once one was made
  std::unique_ptr<CPathObject> contour;
  int number = 0;
  std::vector<PathPoint> records;
  {
    pathrec::Records r(cutter.points);
    const std::size_t n = std::min<std::size_t>(r.n, std::size_t(std::max(cutter.count, 0)));
    records.assign(r.p, r.p + n);
  }
  for (const PathPoint& p : records) {
    if (p.flags >= PP_SPECIAL) continue;
    if ((p.flags & 0x70) == PP_START) {
      contour = std::make_unique<CPathObject>();
      ++number;
      if (view) {
        char text[64];
        std::snprintf(text, sizeof text, "轮廓切割运算中... %d/%d", number, contours);
        view->SetStatusText(text);
      }
    }
    if (!contour) continue;
    contour->AddPoint(p.x, p.y, p.flags);
    if (!pathrec::EndsContour(p.flags)) continue;
    contour->EndPoints();
    contour->RecalcBounds();
    CGraphObject& running = made ? *made : glyphs;
    CFlexorilBlock a, b;
    plat::HGLOBAL out = 0;
    if (a.Write(running) && b.Write(*contour)) out = lib.dllFigureCut(a.Get(), b.Get(), mode);
    if (std::unique_ptr<CGraphObject> next = TakeResultBlock(out)) made = std::move(next);
    contour.reset();
  }
  if (view && contours > 0) view->SetStatusText("");
  return made;
}

void GlyphCut(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  CSelectTracker* tracker = view.Tracker();
  if (!doc || !tracker) return;
  tracker->GetSelectionRect(nullptr);
  if (tracker->GetSelectedCount() - tracker->GetImageCount() < 2) return;
  // The library first: without it nothing is touched.
  CWeldLib lib;
  lib.SetFileName(viewcmd::ShapeLibraryName());
  if (!lib.Load()) return;
  CGraphObject* pick[2] = {nullptr, nullptr};
  for (int i = 0, k = 0; i < doc->GetObjectCount() && k < 2; ++i)
    if (CGraphObject* o = doc->GetObjectAt(i); o->selected && o->kind != OBJ_IMAGE) pick[k++] = o;
  if (!pick[1]) return;

  std::unique_ptr<CGraphObject> glyphs = pick[0]->ConvertToPath(-1);
  std::unique_ptr<CGraphObject> cutterObject = pick[1]->ConvertToPath(-1);
  if (!glyphs || !cutterObject) return;
  if (auto* g = dynamic_cast<CGroupObject*>(glyphs.get())) g->FlattenSubgroups();
  if (auto* g = dynamic_cast<CGroupObject*>(cutterObject.get())) {
    g->FlattenSubgroups();
    cutterObject = g->CombineToPath(0xFFFF);
  }
  auto* cutter = dynamic_cast<CPathObject*>(cutterObject.get());
  if (!cutter) return;
  std::unique_ptr<CGraphObject> result = ContourCutGlyphs(lib, *glyphs, *cutter, 1, &view);
  if (!result) return;

  ArrangeStep step(view);
  for (CGraphObject* o : pick) {
    const int index = doc->RemoveObject(o);
    if (index < 0) continue;
    o->InvalidateObjectRect(&view, true);
    if (step.Recording())
      step.Record(std::make_unique<CUndoDelete>(o, index));
    else
      DeleteDetachedObject(doc, o);
  }
  CGraphObject* made = result.release();
  doc->AddObject(made, true);
  step.Record(std::make_unique<CUndoAddObject>(made));
  tracker->Select(made);
}

void WeldWords(CVORLAN98View& view) {
  CWeldLib lib;
  lib.SetFileName(viewcmd::ShapeLibraryName());
  if (!lib.Load() || !lib.dllSelfWeld) return;
  CSelectTracker* tracker = view.Tracker();
  auto* text = tracker ? dynamic_cast<CTextObject*>(tracker->GetCurrentObject()) : nullptr;
  if (!text || text->kind != OBJ_TEXT) return;
  for (CBoxItem* item : text->chars.Items()) {
    if (!item->IsChar()) continue;
    auto* c = static_cast<CBoxChar*>(item);
    const CPathPointList* glyph = c->LoadGlyph();
    if (!glyph) continue;
    FlexorilRecordBlock block;
    block.length = glyph->SaveToRecord(&block.record);
    if (!block.record) continue;
    const CFRect b = glyph->hasBounds ? glyph->bounds : CFRect();
    block.bounds = block.target = FlexRect{b.left, b.top, b.right, b.bottom};
    plat::HGLOBAL out = lib.dllSelfWeld(&block);
    plat::GlobalFree(block.record);
    if (!out) continue;
    std::unique_ptr<CPathPointList> welded = CPathPointList::CreateFromRecord(out);
    plat::GlobalFree(out);
    if (welded) c->SetGlyph(std::move(welded));
  }
  text->InvalidateObjectRect(&view, true);
}

void OnUpdateWeldWords(CVORLAN98View& view, fw::CCmdUI* ui) {
  CSelectTracker* tracker = view.Tracker();
  CGraphObject* current = tracker ? tracker->GetCurrentObject() : nullptr;
  ui->Enable(!view.GetEditObject() && current && current->kind == OBJ_TEXT);
}

void OnUpdateGlyphCut(CVORLAN98View& view, fw::CCmdUI* ui) {
  CSelectTracker* tracker = view.Tracker();
  ui->Enable(tracker && tracker->GetSelectedCount() == 2 && tracker->GetImageCount() == 0);
}

void AddSelectionToGraphLib(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  view.SendMessage(fw::WM_COMMAND, ID_TOOL_GRAPHLIB, 0);
  CMDIMainFrame* main = MainFrame();
  CLibGlyphPanel* panel = main ? main->GetModeBar().GetGlyphPanel() : nullptr;
  int type = -1, number = -1, picture = -1;
  if (panel) panel->GetSelection(&type, &number, &picture);
  auto fail = [&view](const char* text) {
    view.SendMessage(fw::WM_COMMAND, ID_TOOL_SELECT, 0);
    plat::MessageBeep(0);
    fw::AfxMessageBox(text);
  };
  if (panel && type < 2) {
    view.SendMessage(fw::WM_COMMAND, ID_TOOL_SELECT, 0);
    fw::AfxMessageBox("不能将图形加入WindowFonts! ");
    return;
  }
  if (!panel || number < 0) return fail("加入图形失败!");
  CSelectTracker* tracker = view.Tracker();
  if (tracker) tracker->Hide(nullptr);
  std::unique_ptr<CGraphObject> path;
  {
    CGroupObject group;
    for (int i = 0; i < doc->GetObjectCount(); ++i)
      if (CGraphObject* o = doc->GetObjectAt(i); o->selected) group.children.Add(o);
    if (!group.children.IsEmpty()) path = group.CombineToPath(-1);
    // The objects stay the document's.
    group.children.RemoveAll();
  }
  if (tracker) tracker->Show(nullptr);
  std::unique_ptr<CPathPointList> outline;
  if (path) {
    path->RecalcBounds();
    const float extent = std::max(path->bounds.Width(), path->bounds.Height());
    if (extent > 0.0f && std::isfinite(extent)) {
      const float s = float(2047.0 / extent);
      CMatrix3 scale(s, 0.0f, 0.0f, s, 0.0f, 0.0f);
      outline.reset(path->MakeOutline(&scale, 0));
    }
  }
  path.reset();
  if (!outline || !outline->points || !panel->Library().AddGraph(number, *outline)) return fail("加入图形失败!");
  view.SendMessage(fw::WM_COMMAND, ID_TOOL_SELECT, 0);
}

void NewStamp(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  CSealAreaDlg dlg;
  if (dlg.DoModal() != fw::IDOK) return;
  std::unique_ptr<CSealObject> seal = dlg.TakeSeal();
  if (!seal) return;
  CUndoList& undo = *view.GetUndoList();
  undo.StartRecord(0);
  CGraphObject* made = seal.release();
  doc->AddObject(made, true);
  if (undo.GetRecordDepth() > 0) undo.AppendUndoItem(std::make_unique<CUndoAddObject>(made));
  if (CSelectTracker* tracker = view.Tracker()) tracker->Select(made);
  undo.EndRecord();
  view.RepaintView(true);
}

void OnHorzAutoSpace(CVORLAN98View& v) { AutoSpace(v, false); }
void OnVertAutoSpace(CVORLAN98View& v) { AutoSpace(v, true); }

}  // namespace

namespace viewcmd {

std::string& ShapeLibraryName() {
  static std::string name = flexoril::kFileName;
  return name;
}

}  // namespace viewcmd

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::ArrangeMap)
VIEW_ON_COMMAND(ID_GROUP, OnGroup)
VIEW_ON_COMMAND(ID_UNGROUP, OnUngroup)
VIEW_ON_COMMAND(ID_COMBINE, OnCombine)
VIEW_ON_COMMAND(ID_SEPARATE, OnSeparate)
VIEW_ON_COMMAND(ID_COMBINE_TO_GLYPH, OnCombineToGlyph)
VIEW_ON_COMMAND(ID_TO_GLYPH, OnToGlyph)
VIEW_ON_COMMAND_RANGE(ID_ALIGN_LEFT, ID_ALIGN_CENTER, OnAlign)
VIEW_ON_COMMAND(ID_TURN_BACK, OnTurnBack)
VIEW_ON_COMMAND(ID_TURN_PREV, OnTurnPrev)
VIEW_ON_COMMAND(ID_SELECT_ALL, OnSelectAll)
VIEW_ON_COMMAND(ID_AUTO_FILL, OnAutoFill)
VIEW_ON_UPDATE(ID_AUTO_FILL, OnUpdateAutoFill)
VIEW_ON_COMMAND(ID_AUTOSPACE_HORZ, OnHorzAutoSpace)
VIEW_ON_COMMAND(ID_AUTOSPACE_VERT, OnVertAutoSpace)
VIEW_ON_COMMAND(ID_VAULT, ArchText)
VIEW_ON_COMMAND(ID_GLYPH_CUT, GlyphCut)
VIEW_ON_UPDATE(ID_GLYPH_CUT, OnUpdateGlyphCut)
VIEW_ON_COMMAND(ID_WORD_WELD, WeldWords)
VIEW_ON_UPDATE(ID_WORD_WELD, OnUpdateWeldWords)
VIEW_ON_COMMAND(ID_ADD_TO_GRAPHLIB, AddSelectionToGraphLib)
VIEW_ON_COMMAND(ID_NEW_STAMP, NewStamp)
FW_END_COMMAND_FAMILY()
