// The design view's painting (into a back buffer kept at the client size, in
// a fixed order: background and page, objects from the last to the first,
// guides, marks), its activation, the typed characters and timers that go to
// the edited object, Delete and the palette bar switch.
#include <algorithm>
#include <memory>

#include "app/appids.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "app/rulers.h"
#include "app/selecttracker.h"
#include "framework/app.h"
#include "framework/menu.h"
#include "model/dllholder.h"
#include "model/records.h"
#include "model/undoitems.h"
#include "text/textobject.h"

namespace {

constexpr std::uint8_t kKindHidden = 240;

CMDIMainFrame* TheMainFrame() { return dynamic_cast<CMDIMainFrame*>(fw::AfxGetMainWnd()); }

bool IsMultiClickTool(std::uint32_t t) {
  return t == ID_TOOL_POLYGON || t == ID_TOOL_POLYLINE || t == ID_TOOL_BEZIER;
}

// The view whose members the transform library points at.
const CVORLAN98View* g_libPointersOf = nullptr;

}  // namespace

void CVORLAN98View::ReleaseLibPointers() {
  if (g_libPointersOf != this) return;
  g_libPointersOf = nullptr;
  TheTransformDll().SetGlobalVarPointer(nullptr, nullptr, nullptr, nullptr);
}

// ---------------------------------------------------------------------------
// Painting.

void CVORLAN98View::OnPaint() {
  PaintBuffered([this](plat::DC* dc, const fw::RECT& invalid) { PaintDesign(dc, invalid); });
}

void CVORLAN98View::PaintDesign(plat::DC* dc, const fw::RECT& invalid) {
  CVORLAN98Doc* doc = GetDoc();
  const fw::SIZE size = GetClientSize();
  const fw::RECT client{0, 0, size.cx, size.cy};
  const bool areaTool = m_currentTool == ID_TOOL_SET_OUTAREA || m_currentTool == ID_TOOL_SELECT_OUTAREA;
  if (areaTool) {
    dc->FillRect(client, static_cast<plat::HBRUSH>(plat::GetStockObject(plat::LTGRAY_BRUSH)));
    if (doc) {
      // With output areas the page shows in light grey; its own colour comes back after.
      CPageInfo& page = doc->GetPageInfo();
      const std::uint32_t own = page.m_backColor;
      if (doc->GetOutAreaList().GetSize() > 0) page.m_backColor = MakePackedRGB(240, 240, 240);
      PaintPage(dc);
      page.m_backColor = own;
    }
    if (m_areaHook) m_areaHook->DrawAreas(dc);
  } else {
    dc->FillRect(client, static_cast<plat::HBRUSH>(plat::GetStockObject(plat::WHITE_BRUSH)));
    PaintPage(dc);
  }
  dc->IntersectClipRect(invalid.left, invalid.top, invalid.right, invalid.bottom);
  const CMatrix3* m = GetViewMatrix();
  if (doc && m) {
    CFRect visible = DeviceRectToPage(invalid.left, invalid.top, invalid.right, invalid.bottom);
    visible.Normalize();
    // From the last to the first, so that index 0 ends on top.
    for (int i = doc->GetObjectCount() - 1; i >= 0; --i) {
      CGraphObject* o = doc->GetObjectAt(i);
      if (!o || o->selected == OBJ_UNPAINTED || o->kind == kKindHidden) continue;
      CFRect b = o->bounds;
      b.Normalize();
      if (b.right < visible.left || b.left > visible.right || b.bottom < visible.top || b.top > visible.bottom)
        continue;
      o->Draw(dc, m, &visible);
    }
    // The path a multi-click tool is building.
    if (m_pending && IsMultiClickTool(m_currentTool)) m_pending->Draw(dc, m, &visible);
  }
  if (m_rulers) m_rulers->DrawGuides(dc);
  if (m_edit) {
    m_edit->DrawEditMarks(dc, m);
    // A scroll or zoom moved the caret with the page.
    if (auto* text = dynamic_cast<CTextObject*>(m_edit)) text->PlaceViewCaret(this);
  } else if (CSelectTracker* tracker = Tracker())
    tracker->DrawSelected(dc, m);
}

// ---------------------------------------------------------------------------
// Characters, timers.

void CVORLAN98View::OnChar(fw::UINT ch, fw::UINT repeat, fw::UINT flags) {
  m_undo.StartRecord(0);
  const int taken = m_edit ? m_edit->OnChar(this, ch, flags) : 0;
  m_undo.EndRecord();
  if (!taken) CVORLANView::OnChar(ch, repeat, flags);
}

fw::LRESULT CVORLAN98View::WindowProc(fw::UINT msg, fw::WPARAM wp, fw::LPARAM lp) {
  if (msg == fw::WM_INPUTLANGCHANGE) {
    m_inputCharset = std::uint32_t(wp);
  } else if (msg == fw::WM_IME_CHAR && m_edit) {
    m_undo.StartRecord(0);
    m_edit->OnChar(this, std::uint32_t(wp), std::uint32_t(lp));
    m_undo.EndRecord();
    return 1;
  }
  return CVORLANView::WindowProc(msg, wp, lp);
}

void CVORLAN98View::OnTimer(fw::UINT id) {
  if (m_edit && m_edit->OnTimer(this, id)) return;
  fw::CWnd::KillTimer(id);
  CVORLANView::OnTimer(id);
}

// ---------------------------------------------------------------------------
// Delete, palette bar, inert commands.

void CVORLAN98View::OnEditDelete() {
  m_undo.StartRecord(0);
  if (m_currentTool == ID_TOOL_SET_OUTAREA || m_currentTool == ID_TOOL_SELECT_OUTAREA) {
    if (m_areaHook) m_areaHook->DeleteSelected();
  } else if (m_edit) {
    m_edit->DeleteInEdit(this);
  } else if (CSelectTracker* tracker = Tracker(); tracker && tracker->GetSelectedCount() > 0) {
    tracker->DeleteSelected();
  }
  m_undo.EndRecord();
}

void CVORLAN98View::OnUpdateEditDelete(fw::CCmdUI* ui) {
  if (m_currentTool == ID_TOOL_SET_OUTAREA || m_currentTool == ID_TOOL_SELECT_OUTAREA)
    ui->Enable(m_areaHook && m_areaHook->HasSelection());
  else
    ui->Enable((m_edit && m_edit->CanDeleteInEdit(this)) || (Tracker() && Tracker()->GetSelectedCount() > 0));
}

void CVORLAN98View::OnTogglePalette() {
  CMDIMainFrame* main = TheMainFrame();
  if (!main) return;
  CPaletteBar& bar = main->GetPaletteBar();
  const bool visible = bar.m_hWnd && bar.IsVisible();
  main->ShowControlBar(&bar, visible ? fw::FALSE : fw::TRUE, fw::FALSE);
  if (visible)
    m_barMask = std::uint16_t(m_barMask & ~appid::BAR_PALETTE);
  else
    m_barMask = std::uint16_t(m_barMask | appid::BAR_PALETTE);
  main->RecalcLayout();
}

void CVORLAN98View::OnUpdateTogglePalette(fw::CCmdUI* ui) {
  CMDIMainFrame* main = TheMainFrame();
  ui->SetCheck(main && main->GetPaletteBar().m_hWnd && main->GetPaletteBar().IsVisible() ? 1 : 0);
}

void CVORLAN98View::OnNothing() {}

// ---------------------------------------------------------------------------
// Initial update and activation.

void CVORLAN98View::OnActivateView(fw::BOOL activate, fw::CView* activateView, fw::CView* deactiveView) {
  CVORLANView::OnActivateView(activate, activateView, deactiveView);
  if (!activate) return;
  CMDIMainFrame* main = TheMainFrame();
  if (main) {
    main->ShowControlBars(0, 0xFFFF);
    if (m_currentTool != ID_TOOL_CUTOUT) {
      if (m_currentTool == ID_TOOL_GRAPHLIB) main->ShowControlBars(256, 256);
      main->ShowControlBars(main->GetBarMask() & 0xFF, main->GetBarMask() & 0xFF);
      if (m_currentTool == ID_TOOL_SELECT)
        main->GetModeBar().SyncWithSelection();
      else if (m_currentTool == ID_TOOL_TEXT || m_currentTool == ID_TOOL_GRAPHLIB)
        main->GetModeBar().SetMode(m_currentTool);
      if (m_currentTool == ID_TOOL_NODE && m_edit && m_edit->kind == OBJ_PATH)
        main->GetContextBar().SetToolMode(ID_TOOL_NODE);
      main->ShowControlBars(512, 512);
    }
  }
  CTransformDll& lib = TheTransformDll();
  if (lib.IsLoaded() && lib.dllSetGlobalVarPointer) {
    m_libWindow = m_hWnd;
    lib.SetGlobalVarPointer(&m_libWindow, GetViewMatrix(), m_zoom, &m_currentTool);
    g_libPointersOf = this;
  }
  if (main) {
    main->PostMessage(fw::WM_COMMAND, appid::ID_VIEW_ACTIVE, 0);
    main->ShowControlBars(main->GetBarMask(), main->GetBarMask());
    if (m_currentTool == ID_TOOL_CUTOUT) {
      main->ShowControlBars(0, 0xFFFF);
      main->ShowControlBars(512, 512);
    }
  }
}
