#include "app/logodlg.h"

#include "app/appids.h"
#include "framework/resources.h"
#include "platform/dib.h"
#include "platform/image_io.h"
#include "platform/paths.h"

namespace {

plat::HBITMAP ReadBitmapFile(const std::string& path) {
  std::optional<plat::Dib> dib = plat::ReadBmpFile(path);
  return dib ? dib->CreateBitmap() : nullptr;
}

void DrawBitmap(plat::HDC dc, plat::HBITMAP bitmap) {
  plat::BITMAP info{};
  if (!bitmap || !plat::GetBitmapInfo(bitmap, &info)) return;
  plat::HDC mem = plat::CreateCompatibleDC(dc);
  if (!mem) return;
  plat::HBITMAP old = mem->SelectObject(bitmap);
  dc->BitBlt(0, 0, info.bmWidth, info.bmHeight, mem, 0, 0, plat::SRCCOPY);
  mem->SelectObject(old);
  plat::DeleteDC(mem);
}

}  // namespace

CLogoDlg::CLogoDlg() : fw::CDialog(appid::IDD_LOGO) {}

CLogoDlg::~CLogoDlg() {
  if (m_bitmap) plat::DeleteObject(m_bitmap);
}

fw::BOOL CLogoDlg::Create(fw::CWnd* parent) {
  if (!m_bitmap) m_bitmap = ReadBitmapFile(plat::GetProgramFolder() + "logo.bmp");
  if (!fw::CDialog::Create(appid::IDD_LOGO, parent)) return fw::FALSE;
  ModifyStyleEx(0, fw::WS_EX_TOPMOST);
  return fw::TRUE;
}

void CLogoDlg::OnPaint() {
  fw::PAINTSTRUCT ps;
  BeginPaint(&ps);
  if (m_bitmap) {
    DrawBitmap(ps.hdc, m_bitmap);
  } else if (const std::string* file = fw::res::FindBitmap(appid::IDB_LOGO)) {
    plat::HBITMAP fallback = ReadBitmapFile(plat::GetProgramFolder() + *file);
    DrawBitmap(ps.hdc, fallback);
    if (fallback) plat::DeleteObject(fallback);
  }
  EndPaint(&ps);
}

void CLogoDlg::OnDestroy() {
  if (m_bitmap) plat::DeleteObject(m_bitmap);
  m_bitmap = nullptr;
  fw::CDialog::OnDestroy();
}
