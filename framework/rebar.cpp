#include "framework/rebar.h"

#include <algorithm>

#include "framework/docview.h"

namespace fw {

FW_IMPLEMENT_DYNAMIC(CReBar, CControlBar)

BOOL CReBar::Create(CWnd* parent, DWORD style, UINT id) { return CreateBar(parent, style, id, "ReBarWindow32"); }

BOOL CReBar::AddBar(CControlBar* bar, UINT bandStyle) {
  if (!m_hWnd || !bar || !bar->m_hWnd) return FALSE;
  if (auto* f = dynamic_cast<CFrameWnd*>(bar->GetParent())) f->RemoveControlBar(bar);
  // The bar's commands still go to the window it was made for.
  bar->SetOwner(bar->GetOwner());
  bar->SetParent(this);
  bar->SetDockSide(CBRS_ALIGN_TOP);
  bands_.push_back(Band{bar, bandStyle});
  LayoutBands();
  if (auto* f = GetDockingFrame()) f->RecalcLayout();
  return TRUE;
}

CControlBar* CReBar::GetBandBar(int band) const {
  return band >= 0 && band < GetBandCount() ? bands_[size_t(band)].bar : nullptr;
}

int CReBar::BandHeight(int band) const {
  CControlBar* bar = bands_[size_t(band)].bar;
  if (!bar->IsVisible()) return 0;
  return bar->CalcFixedLayout(FALSE, TRUE).cy + 4;
}

BOOL CReBar::GetBandRect(int band, RECT* r) const {
  if (band < 0 || band >= GetBandCount() || !r) return FALSE;
  RECT client{};
  GetClientRect(&client);
  int y = 0;
  for (int i = 0; i < band; ++i) y += BandHeight(i);
  *r = RECT{0, y, client.right, y + BandHeight(band)};
  return TRUE;
}

BOOL CReBar::GetGripperRect(int band, RECT* r) const {
  if (!GetBandRect(band, r)) return FALSE;
  if (bands_[size_t(band)].style & RBBS_NOGRIPPER) {
    r->right = r->left;
    return TRUE;
  }
  r->right = r->left + kGripperWidth;
  return TRUE;
}

SIZE CReBar::CalcFixedLayout(BOOL, BOOL) {
  int cy = 0;
  for (int i = 0; i < GetBandCount(); ++i) cy += BandHeight(i);
  RECT client{};
  if (auto* p = GetParent()) p->GetClientRect(&client);
  return SIZE{client.right, cy};
}

void CReBar::LayoutBands() {
  for (int i = 0; i < GetBandCount(); ++i) {
    RECT band{}, grip{};
    GetBandRect(i, &band);
    GetGripperRect(i, &grip);
    bands_[size_t(i)].bar->MoveWindow(grip.right, band.top + 2, std::max(0L, long(band.right - grip.right)),
                                      std::max(0L, long(band.height() - 4)), TRUE);
  }
}

void CReBar::OnSize(UINT, int, int) {
  LayoutBands();
  // The frame lays its bars out without redrawing: the bands and grippers move.
  Invalidate(FALSE);
}

void CReBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  for (const Band& b : bands_)
    if (b.bar->IsVisible()) b.bar->OnUpdateCmdUI(target, disableIfNoHandler);
}

void CReBar::OnPaint() {
  PAINTSTRUCT ps;
  BeginPaint(&ps);
  RECT client{};
  GetClientRect(&client);
  ps.hdc->FillSolidRect(client, plat::RGB(0xC0, 0xC0, 0xC0));
  for (int i = 0; i < GetBandCount(); ++i) {
    RECT g{};
    GetGripperRect(i, &g);
    if (g.width() <= 0) continue;
    // Two raised ridges.
    for (int x : {g.left + 2, g.left + 5}) {
      ps.hdc->FillSolidRect(RECT{x, g.top + 3, x + 1, g.bottom - 3}, plat::RGB(255, 255, 255));
      ps.hdc->FillSolidRect(RECT{x + 1, g.top + 3, x + 2, g.bottom - 3}, plat::RGB(0x80, 0x80, 0x80));
    }
  }
  EndPaint(&ps);
}

}  // namespace fw
