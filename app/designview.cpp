#include "app/designview.h"
#include "app/selecttracker.h"

#include <algorithm>
#include <cmath>

#include "app/appids.h"
#include "app/document.h"
#include "app/importcmd.h"
#include "app/mainframe.h"
#include "app/rulers.h"
#include "app/viewcmd.h"
#include "framework/app.h"
#include "framework/clipboard.h"
#include "framework/input.h"
#include "model/guidelist.h"
#include "model/graphobject.h"
#include "model/palette.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/segarray.h"
#include "model/shapebuilders.h"
#include "model/undoitems.h"
#include "text/boxarray.h"
#include "text/fontdlgs.h"
#include "text/textattr.h"
#include "text/textobject.h"

FW_IMPLEMENT_DYNCREATE(CVORLAN98View, CVORLANView)

FW_BEGIN_COMMAND_MAP(CVORLAN98View, CVORLANView)
FW_ON_COMMAND(appid::ID_FILE_IMPORT, OnFileImport)
FW_ON_COMMAND(appid::ID_FONT_SET, OnFontSet)
FW_ON_COMMAND(appid::ID_BASELINE_SET, OnBaseLineSet)
FW_ON_COMMAND(ID_TOOL_CUTOUT, OnCutout)
FW_ON_COMMAND(ID_CUT_VIEW_IN_FRAME, OnCutViewInFrame)
FW_ON_COMMAND(ID_TOOL_SELECT, OnToolSelect)
FW_ON_COMMAND(ID_TOOL_TEXT, OnToolText)
FW_ON_COMMAND(ID_TOOL_NODE, OnToolNode)
FW_ON_COMMAND_RANGE(ID_TOOL_GRAPHLIB, ID_TOOL_GRAPHLIB, OnToolCommand)
FW_ON_COMMAND_RANGE(ID_TOOL_LINE, ID_TOOL_LINE, OnToolCommand)
FW_ON_COMMAND_RANGE(ID_TOOL_POLYGON, ID_TOOL_CIRCLE, OnToolCommand)
FW_ON_COMMAND_RANGE(ID_TOOL_POLYLINE, ID_TOOL_POLYLINE, OnToolCommand)
FW_ON_COMMAND_RANGE(ID_TOOL_BEZIER, ID_TOOL_RIGHT_POLYGON, OnToolCommand)
FW_ON_COMMAND_RANGE(ID_TOOL_ZOOM_IN, ID_TOOL_ZOOM_OUT, OnToolCommand)
FW_ON_COMMAND_RANGE(ID_TOOL_MEASURE, ID_TOOL_MEASURE, OnToolCommand)
FW_ON_UPDATE_COMMAND_UI_RANGE(ID_TOOL_SELECT, ID_TOOL_TEXT, OnUpdateTool)
FW_ON_UPDATE_COMMAND_UI(ID_TOOL_GRAPHLIB, OnUpdateTool)
FW_ON_UPDATE_COMMAND_UI(ID_TOOL_LINE, OnUpdateTool)
FW_ON_UPDATE_COMMAND_UI_RANGE(ID_TOOL_POLYGON, ID_TOOL_CIRCLE, OnUpdateTool)
FW_ON_UPDATE_COMMAND_UI(ID_TOOL_POLYLINE, OnUpdateTool)
FW_ON_UPDATE_COMMAND_UI_RANGE(ID_TOOL_BEZIER, ID_TOOL_RIGHT_POLYGON, OnUpdateTool)
FW_ON_UPDATE_COMMAND_UI_RANGE(ID_TOOL_ZOOM_IN, ID_TOOL_ZOOM_OUT, OnUpdateTool)
FW_ON_UPDATE_COMMAND_UI(ID_TOOL_MEASURE, OnUpdateTool)
FW_ON_UPDATE_COMMAND_UI_RANGE(ID_TOOL_NODE, ID_NODE_LINK, OnUpdateTool)
FW_ON_UPDATE_COMMAND_UI_RANGE(ID_TOOL_TO_CURVE, ID_TOOL_TO_LINE, OnUpdateTool)
FW_ON_UPDATE_COMMAND_UI(ID_TOOL_SET_OUTAREA, OnUpdateTool)
FW_ON_UPDATE_COMMAND_UI(ID_TOOL_SELECT_OUTAREA, OnUpdateTool)
FW_ON_COMMAND(ID_EDIT_DELETE, OnEditDelete)
FW_ON_UPDATE_COMMAND_UI(ID_EDIT_DELETE, OnUpdateEditDelete)
FW_ON_UPDATE_COMMAND_UI(ID_EDIT_CUT, OnUpdateEditDelete)
FW_ON_COMMAND(ID_TOGGLE_PALETTE, OnTogglePalette)
FW_ON_UPDATE_COMMAND_UI(ID_TOGGLE_PALETTE, OnUpdateTogglePalette)
FW_ON_COMMAND(appid::ID_CUT_OUT, OnCutOutMode)
FW_ON_COMMAND_RANGE(ID_TOOL_SET_OUTAREA, ID_TOOL_SET_OUTAREA, OnToolCommand)
FW_ON_COMMAND_RANGE(ID_TOOL_SELECT_OUTAREA, ID_TOOL_SELECT_OUTAREA, OnToolCommand)
FW_ON_COMMAND(ID_CLEAR_OUTAREA, OnClearOutArea)
FW_ON_COMMAND(ID_FILL_MODE, OnFillMode)
FW_ON_COMMAND(ID_OUTLINE_MODE, OnOutlineMode)
FW_ON_COMMAND(1011, OnNothing)
FW_ON_COMMAND(1012, OnNothing)
FW_END_COMMAND_MAP_CHAIN(viewcmd::Families(CVORLANView::commandMap()))

namespace {

constexpr fw::DWORD kViewStyle = 0x47300000;  // child, clipping, maximised, both scroll bars
constexpr int kShadow = 5;                    // px of the page shadow
constexpr plat::LONG kFarAway = 1 << 30;      // device coordinates beyond any client
constexpr int kRulerThickness = 15;

struct ToolEntry {
  std::uint32_t tool;
  std::uint32_t cursor;  // system cursor id or cursor resource
};

constexpr ToolEntry kTools[] = {
    {ID_TOOL_SELECT, fw::IDC_ARROW},
    {ID_TOOL_TEXT, fw::IDC_IBEAM},
    {ID_TOOL_TEXT_DRAG, 149},
    {ID_TOOL_GRAPHLIB, 148},
    {ID_TOOL_LINE, 153},
    {ID_TOOL_POLYGON, 156},
    {ID_TOOL_RECT, 154},
    {ID_TOOL_CIRCLE, 158},
    {ID_TOOL_POLYLINE, 153},
    {ID_TOOL_BEZIER, 163},
    {ID_TOOL_RIGHT_POLYGON, 164},
    {ID_TOOL_TABLE, 162},
    {ID_TOOL_GET_IMAGE, 184},
    {ID_TOOL_ZOOM_IN, 188},
    {ID_TOOL_ZOOM_OUT, 189},
    {ID_TOOL_NODE, 195},
    {ID_TOOL_NODE_INSERT, 196},
    {ID_TOOL_NODE_DELETE, 197},
    {ID_TOOL_TO_CURVE, 198},
    {ID_TOOL_TO_LINE, 199},
    {ID_TOOL_EXTEND, 272},
    {ID_TOOL_SET_OUTAREA, 202},
    {ID_TOOL_SELECT_OUTAREA, fw::IDC_ARROW},
    {ID_TOOL_CUTOUT, fw::IDC_ARROW},
    {ID_TOOL_LINE_CUT, 263},
    {ID_TOOL_PARALLEL_CUT, 266},
    {ID_TOOL_RADIATION_CUT, 266},
    {ID_TOOL_CIRCLE_CUT, 266},
    {ID_TOOL_MEASURE, fw::IDC_CROSS},
    {ID_TOOL_CROSS, fw::IDC_CROSS},
};

// The view's selection tracker until a real one is given: unselecting only.
// Nodes of a path before its end record.
int PendingNodesOf(const CPathObject& path) {
  if (!path.points) return 0;
  plat::GlobalLockGuard g(path.points);
  const auto* r = g.as<PathPoint>();
  const std::size_t n = std::min<std::size_t>(std::size_t(std::max(path.count, 0)), g.size() / sizeof(PathPoint));
  int nodes = 0;
  for (std::size_t i = 0; i < n && r[i].flags != PP_END; ++i) ++nodes;
  return nodes;
}

CMDIMainFrame* MainFrame() { return dynamic_cast<CMDIMainFrame*>(fw::AfxGetMainWnd()); }

// Grid lines along one axis: page positions k × step for k >= 1 below `end`,
// only those whose device position falls inside [lo, hi). Calls line(device)
// for each; device = (page - origin) / zoom + thickness, as the view matrix.
template <class Line>
void ForGridLines(double step, double end, double origin, double zoom, double thickness, double lo, double hi,
                  const CMatrix3& m, bool xAxis, Line&& line) {
  if (!(step >= 1.0) || !(zoom > 0.0) || !std::isfinite(end) || !std::isfinite(origin)) return;
  // Lines closer than a pixel would run into one another: none then.
  if (step / zoom < 1.0) return;
  const double pageLo = (lo - thickness) * zoom + origin;
  const double pageHi = (hi - thickness) * zoom + origin;
  double k0 = std::max(1.0, std::floor(pageLo / step) - 1.0);
  double k1 = std::min(std::ceil(end / step), std::ceil(pageHi / step) + 1.0);
  if (!(k1 >= k0)) return;
  const long long first = (long long)k0, last = (long long)k1;
  for (long long k = first; k <= last; ++k) {
    const float page = float(double(k) * step);
    if (!(page < end)) break;
    CFPoint p{xAxis ? page : 0.0f, xAxis ? 0.0f : page};
    plat::POINT d;
    m.TransformPointToInt(p, &d);
    const int at = xAxis ? d.x : d.y;
    if (at < lo || at >= hi) continue;
    line(at);
  }
}

}  // namespace

bool IsNodeTool(std::uint32_t tool) {
  return (tool >= ID_TOOL_NODE && tool <= ID_TOOL_NODE_BREAK) || (tool >= ID_TOOL_EXTEND && tool <= ID_TOOL_MOVE_CONTOUR) ||
         tool == ID_TOOL_TO_CURVE || tool == ID_TOOL_TO_LINE || tool == ID_TOOL_REPLACE_CURVE;
}

std::uint32_t ToolCursor(std::uint32_t tool) {
  for (const ToolEntry& e : kTools)
    if (e.tool == tool) return e.cursor;
  return 0;
}

// ---------------------------------------------------------------------------

CVORLAN98View::CVORLAN98View() : m_undo(this), m_tracker(std::make_unique<CSelectTracker>(this)) {
  m_currentTool = ID_TOOL_SELECT;
  if (fw::AfxGetMainWnd()) m_barMask = 28;
  m_areaTracker.SetView(this);
}

CVORLAN98View::~CVORLAN98View() {
  ReleaseLibPointers();
  m_undo.DeleteAll();
  m_tracker.reset();
}

CSelectTracker* CVORLAN98View::Tracker() const { return dynamic_cast<CSelectTracker*>(m_tracker.get()); }

CVORLAN98Doc* CVORLAN98View::GetDoc() const { return dynamic_cast<CVORLAN98Doc*>(fw::CView::GetDocument()); }

CDocumentServices* CVORLAN98View::GetDocument() { return GetDoc(); }

CSegArray* CVORLAN98View::GetObjectList() {
  CVORLAN98Doc* doc = GetDoc();
  return doc ? doc->GetObjectList() : nullptr;
}

CGraphObject* CVORLAN98View::GetObjectAt(int index) const {
  CVORLAN98Doc* doc = GetDoc();
  return doc ? doc->GetObjectAt(index) : nullptr;
}

void CVORLAN98View::SetPendingObject(std::unique_ptr<CGraphObject> object) { m_pending = std::move(object); }

void CVORLAN98View::SetSelectTracker(std::unique_ptr<CTrackerServices> tracker) {
  m_tracker = tracker ? std::move(tracker) : std::make_unique<CSelectTracker>(this);
  if (CSelectTracker* own = Tracker()) {
    own->SetView(this);
    own->EnableHandles(true);
  }
}

int CVORLAN98View::GetSelectedCount() const {
  CVORLAN98Doc* doc = GetDoc();
  int n = 0;
  if (doc)
    for (int i = 0; i < doc->GetObjectCount(); ++i) n += doc->GetObjectAt(i)->selected != 0;
  return n;
}

CGraphObject* CVORLAN98View::GetSelectedObject() const {
  CVORLAN98Doc* doc = GetDoc();
  CGraphObject* found = nullptr;
  if (doc)
    for (int i = 0; i < doc->GetObjectCount(); ++i)
      if (doc->GetObjectAt(i)->selected) {
        if (found) return nullptr;
        found = doc->GetObjectAt(i);
      }
  return found;
}

// --- Window ---------------------------------------------------------------------

fw::BOOL CVORLAN98View::Create(const std::string& className, const std::string& title, fw::DWORD style,
                               const fw::RECT& rect, fw::CWnd* parent, fw::UINT id, void* param) {
  fw::RECT r = rect;
  if (fw::CWnd* main = fw::AfxGetMainWnd()) main->GetClientRect(&r);
  if (!CVORLANView::Create(className, title, style | kViewStyle, r, parent, id, param)) return fw::FALSE;
  PostMessage(fw::WM_COMMAND, ID_TOOL_SELECT, 0);
  PostMessage(fw::WM_COMMAND, ID_ZOOM_NORMAL, 0);
  return fw::TRUE;
}

void CVORLAN98View::OnDraw(plat::HDC) {}

void CVORLAN98View::OnInitialUpdate() {
  fw::CView::OnInitialUpdate();
  if (!m_rulers) {
    m_rulers = new CViewRulers(this, kRulerThickness);
    m_rulers->Reposition();
    CVORLAN98Doc* doc = GetDoc();
    // The guide lines read from the document's file.
    if (doc && !doc->GetGuideBlock().empty())
      if (auto guides = CGuideList::UnpackFromBuffer(doc->GetGuideBlock().data(), doc->GetGuideBlock().size()))
        m_rulers->GetGuideList().TakeAll(*guides);
    SetPageSize(0.0f, 0.0f, doc ? doc->GetPageWidth() : m_pageWidth, doc ? doc->GetPageHeight() : m_pageHeight);
    m_zoom = m_rulers->GetZoomPointer();
    m_viewMatrix = m_rulers->GetMatrix();
  }
  if (CSelectTracker* tracker = Tracker()) {
    tracker->SetView(this);
    tracker->EnableHandles(true);
  }
  // The shape library's transforms go into the main menu once.
  if (CMDIMainFrame* main = MainFrame(); main && main->GetMenu()) main->AddTransformItems(main->GetMenu());
}

void CVORLAN98View::OnUpdate(fw::CView*, fw::LPARAM hint, fw::CObject* hintObject) {
  if (hint == HINT_NEW_PAGE) {
    if (CVORLAN98Doc* doc = GetDoc()) ThePaletteStore().LoadPalette(doc->GetPageInfo().m_paletteType);
    return;
  }
  if (hint == HINT_OBJECT_ADDED) {
    auto* h = dynamic_cast<CObjectHint*>(hintObject);
    const CMatrix3* m = GetViewMatrix();
    if (h && h->object && m && m_hWnd) {
      plat::HDC dc = fw::CWnd::GetDC();
      h->object->Draw(dc, m, nullptr);
      fw::CWnd::ReleaseDC(dc);
      return;
    }
  } else if (hint == HINT_OBJECTS_APPENDED) {
    auto* h = dynamic_cast<CIndexHint*>(hintObject);
    CVORLAN98Doc* doc = GetDoc();
    if (h && doc) {
      for (int i = std::max(0, h->index); i < doc->GetObjectCount(); ++i)
        doc->GetObjectAt(i)->InvalidateObjectRect(this, true);
      return;
    }
  }
  if (m_hWnd) Invalidate(fw::TRUE);
}

void CVORLAN98View::OnSize(fw::UINT type, int cx, int cy) {
  CVORLANView::OnSize(type, cx, cy);
  if (!m_rulers) return;
  m_rulers->Reposition();
  // An empty design, or one whose page nobody zoomed or scrolled since it was fitted,
  // keeps its page fitted into the window (the frame's last resize comes after the fit).
  CVORLAN98Doc* doc = GetDoc();
  if (doc && (doc->GetObjectCount() == 0 || ShowsFittedPage()) && cx > 0 && cy > 0) ZoomNormal();
}

fw::BOOL CVORLAN98View::OnCommand(fw::WPARAM wp, fw::LPARAM lp) {
  if (fw::LOWORD(wp) == ID_SELECTION_COLOR) {
    SetSelectionColor(std::uint32_t(lp));
    if (CVORLAN98Doc* doc = GetDoc()) doc->SetModifiedFlag(fw::TRUE);
    return fw::TRUE;
  }
  return CVORLANView::OnCommand(wp, lp);
}

void CVORLAN98View::OnFileImport() {
  CVORLAN98Doc* doc = GetDoc();
  if (!doc) return;
  CMDIMainFrame* main = MainFrame();
  RunImportCommand(*doc, &m_undo, main ? &main->GetTextEditor() : nullptr);
}

// --- Drag feedback -----------------------------------------------------------------

void CVORLAN98View::DrawDragFeedback(plat::DC* dc) {
  if (m_rulers) m_rulers->DrawGuideFeedback(dc);
  DrawRubberBand(dc);
}

void CVORLAN98View::DrawObjectBand(plat::DC* dc, std::uint16_t kind) {
  CGraphObject* object = (kind & 0xFFF0) == DRAG_EDIT_OBJECT ? m_edit : m_pending.get();
  if (!object || !dc) return;
  object->DrawXorOutline(dc, GetViewMatrix());
}

// --- Tools -------------------------------------------------------------------------

void CVORLAN98View::SetToolCursor(std::uint32_t tool) {
  const std::uint32_t cursor = ToolCursor(tool);
  if (cursor == 0) return;
  SetClassCursor(cursor);
  fw::ShowCursor(fw::TRUE);
}

void CVORLAN98View::SetTool(std::uint32_t tool) {
  if (!FinishTool(tool)) return;
  const std::uint32_t old = m_currentTool;
  if (m_undo.GetRecordDepth() > 0) m_undo.AppendUndoItem(std::make_unique<CUndoTool>(old));
  SetToolCursor(tool);
  m_currentTool = tool;
  if (CMDIMainFrame* main = MainFrame()) {
    // The context bar picks the button group of the tool itself.
    main->SetToolMode(tool);
    if (main->GetModeBar().m_hWnd) main->GetModeBar().SetMode(tool);
  }
}

int CVORLAN98View::FinishTool(std::uint32_t newTool) {
  CVORLAN98Doc* doc = GetDoc();
  const bool recording = m_undo.GetRecordDepth() > 0;
  ObjectDragState& drag = ObjectDrag();

  // The pending multi-click object goes to the document.
  auto handOver = [&](std::unique_ptr<CGraphObject> object) {
    if (!object) return;
    if (!doc) return;  // deleted with the pointer
    CGraphObject* raw = object.release();
    if (recording) m_undo.AppendUndoItem(std::make_unique<CUndoAddObject>(raw));
    doc->AddObject(raw, true);
  };

  const std::uint32_t tool = m_currentTool;
  if (tool == ID_TOOL_TEXT) {
    if (m_edit && recording) m_undo.AppendUndoItem(std::make_unique<CUndoLeaveEdit>(m_edit));
    if (m_edit) {
      if (!m_edit->EndEdit(this)) return 0;
      if (m_edit->IsEmpty() && doc) {
        CGraphObject* empty = m_edit;
        const int index = doc->RemoveObject(empty);
        if (index >= 0) {
          if (recording)
            m_undo.AppendUndoItem(std::make_unique<CUndoDelete>(empty, index));
          else
            delete empty;
        }
      }
      m_edit = nullptr;
    }
  } else if (tool == ID_TOOL_POLYLINE || tool == ID_TOOL_POLYGON || tool == ID_TOOL_BEZIER) {
    std::unique_ptr<CGraphObject> pending = std::move(m_pending);
    auto* path = dynamic_cast<CPathObject*>(pending.get());
    if (pending && pending->kind != 128) path = nullptr;
    // A path of one click is no line: it goes, and nothing may use it afterwards.
    if (path && PendingNodesOf(*path) < 2) {
      path->InvalidateObjectRect(this, true);
      pending.reset();
      path = nullptr;
    }
    if (tool == ID_TOOL_POLYLINE) {
      handOver(std::move(pending));
    } else if (path && tool == ID_TOOL_POLYGON) {
      path->CloseLastContour();
      handOver(std::move(pending));
    } else if (path) {
      SmoothPolylinePath(*path);
      path->InvalidateObjectRect(this, true);
      handOver(std::move(pending));
    }
    drag.multiClickOpen = 0;
  } else if (IsNodeTool(tool)) {
    // Node editing ends when the new tool is none of its sub-tools.
    if (!IsNodeTool(newTool) && m_edit && m_edit->EndEdit(this)) {
      m_edit = nullptr;
      if (doc) doc->SetModifiedFlag(fw::TRUE);
    }
  } else if (tool == ID_TOOL_SELECT_OUTAREA) {
    if (newTool != ID_TOOL_SET_OUTAREA && newTool != ID_TOOL_SELECT_OUTAREA && m_hWnd) Invalidate(fw::TRUE);
  } else if (tool == ID_TOOL_PARALLEL_CUT || tool == ID_TOOL_RADIATION_CUT || tool == ID_TOOL_CIRCLE_CUT) {
    m_pending.reset();  // the pattern shown under the pointer
  }
  drag.multiClickOpen = 0;
  drag.dragKind = 0;
  return 1;
}

void CVORLAN98View::OnToolCommand(fw::UINT id) { SetTool(id); }

void CVORLAN98View::OnToolSelect() {
  m_undo.StartRecord(0);
  SetTool(ID_TOOL_SELECT);
  m_undo.EndRecord();
}

void CVORLAN98View::OnToolText() {
  if (m_tracker) m_tracker->ClearSelection(nullptr, true);
  SetTool(ID_TOOL_TEXT);
}

void CVORLAN98View::OnToolNode() {
  m_undo.StartRecord(0);
  if (m_tracker) m_tracker->ClearSelection(nullptr, true);
  SetTool(ID_TOOL_NODE);
  m_undo.EndRecord();
}

void CVORLAN98View::OnUpdateTool(fw::CCmdUI* ui) { ui->SetRadio(ui->m_nID == m_currentTool); }

// --- Output areas -------------------------------------------------------------------

namespace {

bool IsAreaTool(std::uint32_t tool) { return tool == ID_TOOL_SET_OUTAREA || tool == ID_TOOL_SELECT_OUTAREA; }

}  // namespace

void CVORLAN98View::OnCutOutMode() {
  if (m_tracker) m_tracker->ClearSelection(nullptr, true);
  SetTool(ID_TOOL_SELECT_OUTAREA);
  if (m_hWnd) Invalidate(fw::TRUE);
}

void CVORLAN98View::OnClearOutArea() {
  if (IsAreaTool(m_currentTool) && m_areaHook) m_areaHook->ClearAll();
}

void CVORLAN98View::OnFillMode() {
  if (IsAreaTool(m_currentTool)) {
    m_undo.StartRecord(0);
    if (m_areaHook) m_areaHook->SetFillMode(true);
    m_undo.EndRecord();
    return;
  }
  SetObjectFill(OBJF_FILLED);
}

void CVORLAN98View::OnOutlineMode() {
  if (IsAreaTool(m_currentTool)) {
    if (m_areaHook) m_areaHook->SetFillMode(false);
    return;
  }
  SetObjectFill(0);
}

void CVORLAN98View::SetObjectFill(std::uint16_t bits) {
  CVORLAN98Doc* doc = GetDoc();
  if (!doc) return;
  m_undo.StartRecord(0);
  if (m_edit) {
    // Of the edited objects only a text takes it.
    if (m_edit->kind == OBJ_TEXT) m_edit->SetFlags(this, bits, OBJF_FILLED);
  } else {
    CSelectTracker* tracker = Tracker();
    if (tracker) tracker->Hide(nullptr);
    for (int i = 0; i < doc->GetObjectCount(); ++i)
      if (CGraphObject* o = doc->GetObjectAt(i); o->selected) o->SetFlags(this, bits, OBJF_FILLED);
    if (tracker) {
      tracker->GetSelectionRect(nullptr);
      tracker->Show(nullptr);
    }
  }
  m_undo.EndRecord();
}

// --- Selection colour and paste -------------------------------------------------------

void CVORLAN98View::SetSelectionColor(std::uint32_t color) {
  if (m_edit) {
    CBoxArray* boxes = m_edit->GetBoxArray();
    auto* text = dynamic_cast<CTextObject*>(m_edit);
    if (!boxes || !text) return;
    int first = -1, last = -1;
    boxes->FindFirst(&first);
    boxes->FindLast(&last);
    if (first < 0 || last < 0) return;
    plat::HDC dc = m_hWnd ? fw::CWnd::GetDC() : nullptr;
    if (dc) m_edit->DrawTextEditMarks(dc, GetViewMatrix());
    text->SetCharColor(first, last, color, true, this);
    if (dc) {
      m_edit->DrawTextEditMarks(dc, GetViewMatrix());
      fw::CWnd::ReleaseDC(dc);
    }
    return;
  }
  CVORLAN98Doc* doc = GetDoc();
  if (!doc) return;
  for (int i = 0; i < doc->GetObjectCount(); ++i)
    if (CGraphObject* o = doc->GetObjectAt(i); o->selected) o->SetColorIndex(this, color, 1);
}

void CVORLAN98View::PasteObjects(const CFPoint* offset) {
  if (!fw::OpenClipboard(this)) return;
  const std::uint32_t format = RegisteredClipboardFormats().objectList;
  if (format == 0 || !fw::IsClipboardFormatAvailable(format)) {
    fw::CloseClipboard();
    return;
  }
  std::unique_ptr<CSegArray> list = CSegArray::UnpackFromGlobal(fw::GetClipboardData(format));
  if (list) PasteObjectList(*list, offset);
  fw::CloseClipboard();
}

void CVORLAN98View::PasteObjectBlock(const std::uint8_t* block, std::size_t size, const CFPoint* offset) {
  std::unique_ptr<CSegArray> list = CSegArray::UnpackFromBuffer(block, size);
  if (list) PasteObjectList(*list, offset);
}

void CVORLAN98View::PasteObjectList(CSegArray& list, const CFPoint* offset) {
  CVORLAN98Doc* doc = GetDoc();
  if (!doc) return;
  const bool recording = m_undo.GetRecordDepth() > 0;
  for (int i = list.GetSize() - 1; i >= 0; --i) {
    CGraphObject* o = list.GetAt(i);
    if (offset) o->Offset(offset->x, offset->y);
    if (recording) m_undo.AppendUndoItem(std::make_unique<CUndoAddObject>(o));
  }
  doc->AddObjects(list);
}

// --- Page ------------------------------------------------------------------------------

CFRect CVORLAN98View::PageViewRect() const {
  CVORLAN98Doc* doc = GetDoc();
  const double w = doc ? doc->GetPageWidth() : GetPageWidth();
  const double h = doc ? doc->GetPageHeight() : GetPageHeight();
  constexpr double kMargin = 10.0;  // mm, left of and above the page
  // Pixels right of and below the page: its shadow and one more.
  constexpr double kRoom = kShadow + 1;
  double areaW = 0.0, areaH = 0.0;
  if (m_rulers) m_rulers->DrawingArea(&areaW, &areaH);
  double right = kMargin;
  if (areaW > kRoom && areaH > kRoom && std::isfinite(w) && std::isfinite(h)) {
    // The zoom with 10 mm on the far sides, or the one that leaves kRoom pixels
    // there, whichever shows less: at it both fit.
    const double withMargin = std::max((w + 2 * kMargin) / areaW, (h + 2 * kMargin) / areaH);
    const double withRoom = std::max((w + kMargin) / (areaW - kRoom), (h + kMargin) / (areaH - kRoom));
    right = std::max(kMargin, kRoom * std::max(withMargin, withRoom));
  }
  return CFRect(float(-kMargin), float(-kMargin), float(w + right), float(h + right));
}

void CVORLAN98View::ZoomNormal() {
  if (!m_rulers) return;
  ZoomToRect(PageViewRect());
  KeepAsFitted();
  RepaintAll();
}

void CVORLAN98View::PaintPage(plat::DC* dc) {
  CVORLAN98Doc* doc = GetDoc();
  const CMatrix3* m = GetViewMatrix();
  if (!dc || !doc || !m) return;
  const CPageInfo& page = doc->GetPageInfo();
  plat::POINT p0, p1;
  CFPoint a{0.0f, 0.0f}, b{page.m_pageWidth, page.m_pageHeight};
  m->TransformPointToInt(a, &p0);
  m->TransformPointToInt(b, &p1);
  // A huge page from a file: corners kept where the shadow's offsets still fit.
  for (plat::LONG* v : {&p0.x, &p0.y, &p1.x, &p1.y}) *v = std::clamp<plat::LONG>(*v, -kFarAway, kFarAway);

  if (plat::HBRUSH back = ThePaletteStore().CreateColorBrush(page.m_backColor, plat::BS_SOLID)) {
    dc->FillRect(plat::RECT{p0.x, p0.y, p1.x, p1.y}, back);
    plat::DeleteObject(back);
  }
  auto* grey = static_cast<plat::HBRUSH>(plat::GetStockObject(plat::GRAY_BRUSH));
  const plat::POINT s0 = plat::OffsetPoint(p0, kShadow, kShadow), s1 = plat::OffsetPoint(p1, kShadow, kShadow);
  dc->FillRect(plat::RECT{p1.x, s0.y, s1.x, s1.y}, grey);
  dc->FillRect(plat::RECT{s0.x, p1.y, s1.x, s1.y}, grey);

  // The grid shows while Scroll Lock is on.
  if (page.m_gridSize < 1 || !m_rulers || !(fw::GetKeyState(fw::VK_SCROLL) & 1)) return;
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, PackedRGBToColorRef(page.m_gridColor));
  plat::HPEN oldPen = dc->SelectObject(pen);
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);

  fw::RECT client{0, 0, 0, 0};
  if (m_hWnd) fw::CWnd::GetClientRect(&client);
  plat::RECT clip;
  dc->GetClipBox(&clip);
  if (!m_hWnd) client = clip;
  const plat::RECT area{std::max(client.left, clip.left), std::max(client.top, clip.top),
                        std::min(client.right, clip.right), std::min(client.bottom, clip.bottom)};
  const double zoom = m_rulers->GetZoom();
  const double t = m_rulers->GetThickness();
  const CFPoint origin = m_rulers->GetOrigin();
  const double step = page.m_gridSize;
  // From one pixel inside the top (left) page edge to the bottom (right) one.
  plat::POINT inner;
  CFPoint in{float(zoom), float(zoom)};
  m->TransformPointToInt(in, &inner);
  const plat::LONG top = std::max(inner.y, client.top), bottom = std::min(p1.y, client.bottom);
  const plat::LONG left = std::max(inner.x, client.left), right = std::min(p1.x, client.right);
  if (top < bottom)
    ForGridLines(step, page.m_pageWidth, origin.x, zoom, t, area.left, area.right, *m, true, [&](int x) {
      dc->MoveTo(x, top);
      dc->LineTo(x, bottom);
    });
  if (left < right)
    ForGridLines(step, page.m_pageHeight, origin.y, zoom, t, area.top, area.bottom, *m, false, [&](int y) {
      dc->MoveTo(left, y);
      dc->LineTo(right, y);
    });
  dc->SetROP2(oldRop);
  dc->SelectObject(oldPen);
  plat::DeleteObject(pen);
}

void CVORLAN98View::OnFontSet() {
  CFontSetDlg dlg;
  dlg.DoModal();
}

void CVORLAN98View::OnBaseLineSet() {
  CBaseLineDlg dlg;
  dlg.DoModal();
}
