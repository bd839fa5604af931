#include "app/scandlg.h"

#include <algorithm>
#include <utility>

#include "app/appids.h"
#include "app/designview.h"
#include "app/dlgutil.h"
#include "app/imagevectorizer.h"
#include "app/importcmd.h"
#include "framework/app.h"
#include "framework/waitcursor.h"
#include "model/helpers.h"
#include "model/settings.h"
#include "platform/report.h"

namespace {

constexpr std::size_t kMaxFolder = 50;

using WaitCursor = fw::CWaitCursor;

}  // namespace

FW_BEGIN_COMMAND_MAP(CScanDlg, fw::CDialog)
FW_ON_BN_CLICKED(appid::ID_TWAIN_SELECT, OnSelectTwain)
FW_ON_BN_CLICKED(appid::ID_TWAIN_SCAN, OnScan)
FW_ON_BN_CLICKED(appid::IDC_SCAN_SAVE, SaveImageAsBmp)
FW_END_COMMAND_MAP()

CScanDlg::CScanDlg(fw::CWnd* parent) : fw::CDialog(appid::IDD_SCAN, parent) {}

CScanDlg::~CScanDlg() = default;

fw::BOOL CScanDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  m_image.reset();
  if (IsAvailable()) {
    SetParentWindow(this);
    bool opened = false;
    {
      WaitCursor wait;
      opened = OpenSourceManager();
    }
    if (!opened) OnError(kErrorOpenManager);
  }
  const bool open = GetState() == 3;
  for (fw::UINT id : {appid::ID_TWAIN_SELECT, appid::ID_TWAIN_SCAN})
    if (fw::CWnd* b = GetDlgItem(id)) b->EnableWindow(open ? fw::TRUE : fw::FALSE);
  return fw::TRUE;
}

fw::BOOL CScanDlg::PreTranslateMessage(fw::MSG* msg) {
  if (ProcessSourceMessage(msg)) return fw::TRUE;
  return fw::CDialog::PreTranslateMessage(msg);
}

// Looking for scanners and scanning take seconds: the wait cursor shows meanwhile.
void CScanDlg::OnSelectTwain() {
  WaitCursor wait;
  SelectSource();
}

void CScanDlg::OnScan() {
  WaitCursor wait;
  // The source offers its images at the next message it is given.
  if (BeginAcquire()) PostMessage(fw::WM_NULL);
}

void CScanDlg::OnTransferReady(fw::MSG* message) {
  WaitCursor wait;
  CTwain::OnTransferReady(message);
}

void CScanDlg::OnError(int) {
  // The message is no work in progress.
  const fw::HCURSOR held = fw::SetCursor(fw::LoadStandardCursor(fw::IDC_ARROW));
  fw::AfxMessageBox("A TWAIN error occurred.", plat::MB_OK | plat::MB_ICONINFORMATION);
  fw::SetCursor(held);
}

void CScanDlg::OnImage(plat::HGLOBAL image) {
  ++m_received;
  m_image = std::make_unique<CDibBlock>();
  // A block that is no readable bitmap is not held: nothing is shown.
  if (!m_image->SetCopy(image)) m_image.reset();
  plat::GlobalFree(image);
  const fw::RECT frame = FrameRect();
  InvalidateRect(&frame, fw::TRUE);
}

fw::RECT CScanDlg::FrameRect() const {
  fw::RECT r{};
  if (fw::CWnd* frame = GetDlgItem(appid::IDC_SCAN_PREVIEW)) {
    frame->GetWindowRect(&r);
    ScreenToClient(&r);
  }
  return r;
}

void CScanDlg::OnPaint() {
  fw::PAINTSTRUCT ps;
  BeginPaint(&ps);
  plat::HDC dc = ps.hdc;
  const fw::RECT frame = FrameRect();
  if (dc) {
    // The preview's black frame.
    plat::HGDIOBJ oldPen = dc->SelectObject(static_cast<plat::HPEN>(plat::GetStockObject(plat::BLACK_PEN)));
    plat::HGDIOBJ oldBrush = dc->SelectObject(static_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
    dc->Rectangle(frame);
    dc->SelectObject(static_cast<plat::HPEN>(oldPen));
    dc->SelectObject(static_cast<plat::HBRUSH>(oldBrush));
  }
  plat::BITMAPINFOHEADER header;
  plat::HBITMAP bitmap = dc && m_image ? m_image->CreateBitmap(dc) : nullptr;
  if (bitmap && m_image->GetHeader(&header)) {
    dc->IntersectClipRect(frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1);
    const int innerW = frame.right - frame.left - 2, innerH = frame.bottom - frame.top - 2;
    const plat::LONG w = header.biWidth, h = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    const float rx = float(innerW) / float(w), ry = float(innerH) / float(h);
    if (rx < 1.0f || ry < 1.0f) {
      const float r = std::min(rx, ry);
      StretchDrawBitmap(dc, bitmap, frame.left + 1, frame.top + 1, plat::LONG(float(w) * r), plat::LONG(float(h) * r),
                        plat::SRCCOPY);
    } else {
      DrawBitmap(dc, bitmap, frame.left + 1, frame.top + 1, plat::SRCCOPY);
    }
    plat::DeleteObject(bitmap);
    if (fw::CWnd* save = GetDlgItem(appid::IDC_SCAN_SAVE)) save->EnableWindow(fw::TRUE);
    if (fw::CWnd* ok = GetDlgItem(fw::IDOK))
      ok->EnableWindow(header.biPlanes == 1 && header.biBitCount == 1 ? fw::TRUE : fw::FALSE);
  } else if (bitmap) {
    plat::DeleteObject(bitmap);
  }
  EndPaint(&ps);
}

void CScanDlg::SaveImageAsBmp() {
  if (!m_image) return;
  std::string folder = CProfile().GetString("SystemParam", "Image", "C:\\VORLAN\\");
  if (folder.size() > kMaxFolder) folder.resize(kMaxFolder);
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  fw::CFileDialog dlg(fw::FALSE, "BMP", "", fw::OFN_HIDEREADONLY | fw::OFN_OVERWRITEPROMPT,
                      "位图文件Bitmap(*.BMP)|*.BMP|", this);
  dlg.m_nFilterIndex = 1;
  dlg.m_initialDir = folder;
  if (dlg.DoModal() != fw::IDOK) return;
  const std::string path = dlg.GetPathName();
  const std::string kept = ImportFolderOf(path);
  if (!kept.empty()) CProfile().WriteString("SystemParam", "Image", kept.c_str());
  WaitCursor wait;
  if (!m_image->WriteBmpFile(path))
    plat::MessageBox("文件:[" + path + "]写入失败!", "错误", plat::MB_OK | plat::MB_ICONSTOP);
}

void CScanDlg::OnOK() {
  if (!m_image) return;
  plat::BITMAPINFOHEADER header;
  if (!m_image->GetHeader(&header)) return;
  plat::HBITMAP bitmap = m_image->CreateBitmap();
  if (!bitmap) return;
  std::unique_ptr<CGraphObject> object = VectorizeImage(bitmap, this);
  plat::DeleteObject(bitmap);
  if (!object) return;
  CVORLAN98View* view = dlgutil::ActiveDesignView();
  if (!view) return;
  // The longer side 150 screen pixels long at the view's zoom, the corner at the page origin.
  const plat::LONG height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  const float m = float(std::max(header.biWidth, height));
  const float k = float(view->GetScale() * 150.0 / double(m));
  object->matrix.SetIdentity();
  object->matrix.m00 = k;
  object->matrix.m11 = k;
  object->matrix.TransformRect(object->bounds);
  dlgutil::AddObjectAsStep(*view, std::move(object));
  m_image.reset();
  EndDialog(fw::IDOK);
}

void CScanDlg::OnCancel() {
  m_image.reset();
  fw::CDialog::OnCancel();
}
