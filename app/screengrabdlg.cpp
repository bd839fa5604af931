#include "app/screengrabdlg.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "app/appids.h"
#include "app/designview.h"
#include "app/dlgutil.h"
#include "app/imagevectorizer.h"
#include "model/graphobject.h"
#include "model/settings.h"

namespace screengrab {

Band BandInside(plat::POINT a, plat::POINT b) {
  Band band;
  band.width = std::labs(b.x - a.x) - 1;
  band.height = std::labs(b.y - a.y) - 1;
  band.left = std::min(a.x, b.x) + 1;
  band.top = std::min(a.y, b.y) + 1;
  return band;
}

plat::HBITMAP MakeBandBitmap(const plat::Surface& screen, const Band& band, int threshold) {
  if (band.width < kMinBandSide || band.height < kMinBandSide) return nullptr;
  if (band.width > plat::kMaxSurfaceSide || band.height > plat::kMaxSurfaceSide ||
      std::int64_t(band.width) * band.height > plat::kMaxSurfacePixels)
    return nullptr;
  // Rows of 1 bit a pixel, most significant bit first, padded to 2 bytes.
  const std::size_t stride = ((std::size_t(band.width) + 15) >> 4) * 2;
  std::vector<std::uint8_t> bits(stride * std::size_t(band.height), 0);
  // Only the part of the band on the screen has pixels to read.
  const plat::LONG x0 = std::max<plat::LONG>(band.left, 0);
  const plat::LONG y0 = std::max<plat::LONG>(band.top, 0);
  const plat::LONG x1 = std::min<plat::LONG>(band.left + band.width, screen.width());
  const plat::LONG y1 = std::min<plat::LONG>(band.top + band.height, screen.height());
  for (plat::LONG y = y0; y < y1; ++y) {
    const std::uint32_t* src = screen.row(y);
    std::uint8_t* dst = bits.data() + std::size_t(y - band.top) * stride;
    for (plat::LONG x = x0; x < x1; ++x) {
      const std::uint32_t p = src[x];
      const int sum = int((p >> 16) & 0xFF) + int((p >> 8) & 0xFF) + int(p & 0xFF);
      if (sum > threshold) {
        const std::size_t i = std::size_t(x - band.left);
        dst[i >> 3] |= std::uint8_t(0x80u >> (i & 7));
      }
    }
  }
  return plat::CreateBitmap(band.width, band.height, 1, 1, bits.data());
}

}  // namespace screengrab

namespace {

// Where the bitmap of a grab is shown before it is traced.
constexpr plat::LONG kPreviewX = 100;
constexpr plat::LONG kPreviewY = 100;

}  // namespace

CScreenGrabDlg::CScreenGrabDlg(CVORLAN98View& view, plat::Surface screen, fw::CWnd* parent)
    : fw::CDialog(appid::IDD_SCREEN_GRAB, parent), m_view(view) {
  m_threshold = CProfile().GetInt("VECTOR", "BlackThreshold", 512);
  m_screen = plat::CreateBitmap(0, 0, 1, 32, nullptr);
  if (m_screen) m_screen->surface() = std::move(screen);
}

CScreenGrabDlg::~CScreenGrabDlg() {
  Release();
  if (m_screen) plat::DeleteObject(m_screen);
}

fw::BOOL CScreenGrabDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  const plat::LONG w = m_screen ? m_screen->width() : 0;
  const plat::LONG h = m_screen ? m_screen->height() : 0;
  MoveWindow(1, 1, int(w), int(h));
  m_oldCursor = SetClassCursor(fw::IDC_CROSS);
  m_cursorSet = true;
  return fw::TRUE;
}

plat::POINT CScreenGrabDlg::ToScreen(fw::POINT client) const {
  ClientToScreen(&client);
  // Beyond the snapshot the band's inside would have nothing to read.
  const plat::LONG w = m_screen ? m_screen->width() : 0;
  const plat::LONG h = m_screen ? m_screen->height() : 0;
  return plat::POINT{std::clamp<plat::LONG>(client.x, -1, w), std::clamp<plat::LONG>(client.y, -1, h)};
}

void CScreenGrabDlg::DrawBand(plat::HDC dc) const {
  if (!dc) return;
  fw::POINT a = m_start, b = m_end;
  ScreenToClient(&a);
  ScreenToClient(&b);
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);
  plat::HGDIOBJ oldPen = dc->SelectStockObject(plat::BLACK_PEN);
  plat::HGDIOBJ oldBrush = dc->SelectStockObject(plat::NULL_BRUSH);
  // The outline runs through both corner pixels.
  dc->Rectangle(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1);
  dc->SelectObject(oldBrush);
  dc->SelectObject(oldPen);
  dc->SetROP2(oldRop);
}

void CScreenGrabDlg::OnPaint() {
  fw::PAINTSTRUCT ps;
  BeginPaint(&ps);
  if (plat::HDC mem = plat::CreateCompatibleDC(ps.hdc)) {
    fw::POINT origin{0, 0};
    ClientToScreen(&origin);
    fw::RECT client{};
    GetClientRect(&client);
    ps.hdc->FillSolidRect(client, plat::RGB(0, 0, 0));
    plat::HBITMAP old = m_screen ? mem->SelectObject(m_screen) : nullptr;
    if (old)
      ps.hdc->BitBlt(0, 0, client.width(), client.height(), mem, origin.x, origin.y, plat::SRCCOPY);
    if (old) mem->SelectObject(old);
    plat::DeleteDC(mem);
  }
  if (m_dragging) DrawBand(ps.hdc);
  EndPaint(&ps);
}

void CScreenGrabDlg::OnLButtonDown(fw::UINT, fw::POINT pt) {
  plat::HDC dc = GetDC();
  if (m_dragging) DrawBand(dc);
  m_start = m_end = ToScreen(pt);
  m_dragging = true;
  DrawBand(dc);
  ReleaseDC(dc);
  SetCapture();
}

void CScreenGrabDlg::OnMouseMove(fw::UINT flags, fw::POINT pt) {
  if (!m_dragging || !(flags & fw::MK_LBUTTON)) return;
  const plat::POINT end = ToScreen(pt);
  if (end.x == m_end.x && end.y == m_end.y) return;
  plat::HDC dc = GetDC();
  DrawBand(dc);
  m_end = end;
  DrawBand(dc);
  ReleaseDC(dc);
}

void CScreenGrabDlg::OnLButtonUp(fw::UINT, fw::POINT pt) {
  if (!m_dragging) return;  // the press was not ours
  plat::HDC dc = GetDC();
  DrawBand(dc);
  m_end = ToScreen(pt);
  m_dragging = false;
  if (GetCapture() == this) ReleaseCapture();
  m_band = screengrab::BandInside(m_start, m_end);
  if (m_bandBitmap) plat::DeleteObject(m_bandBitmap);
  m_bandBitmap = m_screen ? screengrab::MakeBandBitmap(m_screen->surface(), m_band, m_threshold) : nullptr;
  if (m_bandBitmap && dc) {
    if (plat::HDC mem = plat::CreateCompatibleDC(dc)) {
      plat::HBITMAP old = mem->SelectObject(m_bandBitmap);
      if (old) {
        dc->BitBlt(kPreviewX, kPreviewY, m_band.width, m_band.height, mem, 0, 0, plat::SRCCOPY);
        mem->SelectObject(old);
      }
      plat::DeleteDC(mem);
    }
  }
  ReleaseDC(dc);
  if (m_bandBitmap) {
    CImageVectorizer vectorizer;
    if (std::unique_ptr<CGraphObject> traced = vectorizer.VectorizeBitmap(m_bandBitmap, true, 0)) {
      traced->matrix.m00 = 1.0f;
      traced->matrix.m11 = 1.0f;
      traced->matrix.m20 = 0.0f;
      traced->matrix.m21 = 0.0f;
      traced->matrix.TransformRect(traced->bounds);
      dlgutil::AddObjectAsStep(m_view, std::move(traced));
    }
  }
  Release();
  EndDialog(fw::IDOK);
}

void CScreenGrabDlg::Release() {
  if (m_cursorSet && m_hWnd) {
    SetClassCursor(m_oldCursor);
    m_cursorSet = false;
  }
  if (m_dragging && GetCapture() == this) ReleaseCapture();
  m_dragging = false;
}

void CScreenGrabDlg::OnCancel() {
  Release();
  fw::CDialog::OnCancel();
}

void CScreenGrabDlg::OnDestroy() {
  Release();
  if (m_bandBitmap) plat::DeleteObject(m_bandBitmap);
  m_bandBitmap = nullptr;
  fw::CDialog::OnDestroy();
}
