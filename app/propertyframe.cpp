#include "app/propertyframe.h"

#include <string>
#include <utility>

#include "app/designview.h"
#include "app/document.h"
#include "app/rulers.h"
#include "app/selecttracker.h"
#include "framework/controls.h"
#include "framework/resources.h"
#include "model/graphobject.h"
#include "model/guidelinepage.h"
#include "model/guidelist.h"
#include "model/rulerguides.h"
#include "text/arrange.h"

namespace {

CPropertyFrame* g_propertyFrame = nullptr;

// The pictures of the arrangement panels' buttons.
struct ButtonPicture {
  fw::UINT button;
  fw::UINT bitmap;
};
constexpr ButtonPicture kPictures[] = {
    {IDC_ARR_PLACE_ON, 236},      {IDC_ARR_PLACE_HANG, 245}, {IDC_ARR_PLACE_CENTRED, 247},
    {IDC_ARR_PLACE_MIDDLE, 246},  {IDC_ARR_REVERSE, 248},    {IDC_ARR_UPSIDE_DOWN, 249},
    {IDC_ARR_FIT, 250},
};

CVORLAN98View* ActiveDesignView() {
  CAppServices* app = GetAppServices();
  return app ? dynamic_cast<CVORLAN98View*>(app->GetActiveView()) : nullptr;
}

void MarkModified(CVORLAN98View& view) {
  if (CVORLAN98Doc* doc = view.GetDoc()) doc->SetModifiedFlag(fw::TRUE);
}

// The guide-line panel's OK: the active view's rulers apply it to the current guide.
void ApplyGuidePage(CGuideLinePage& page) {
  CVORLAN98View* view = ActiveDesignView();
  if (!view || !view->GetRulers()) return;
  CWndServices panel(&page);
  view->GetRulers()->Guides().ApplyGuideProperties(&panel);
  MarkModified(*view);
}

}  // namespace

CPropertyFrame*& ThePropertyFrame() { return g_propertyFrame; }

// --- CWndServices -------------------------------------------------------------

void CWndServices::Destroy() {
  if (m_wnd && m_wnd->m_hWnd) m_wnd->DestroyWindow();
}

plat::RECT CWndServices::GetWindowRect() const {
  fw::RECT r{0, 0, 0, 0};
  if (m_wnd && m_wnd->m_hWnd) m_wnd->GetWindowRect(&r);
  return r;
}

plat::RECT CWndServices::GetClientRect() const {
  fw::RECT r{0, 0, 0, 0};
  if (m_wnd && m_wnd->m_hWnd) m_wnd->GetClientRect(&r);
  return r;
}

void CWndServices::MoveWindow(int x, int y, int width, int height) {
  if (m_wnd && m_wnd->m_hWnd) m_wnd->MoveWindow(x, y, width, height);
}

void CWndServices::Show(bool show) {
  if (m_wnd && m_wnd->m_hWnd) m_wnd->ShowWindow(show ? fw::SW_SHOW : fw::SW_HIDE);
}

void CWndServices::SetText(std::string_view text) {
  if (m_wnd && m_wnd->m_hWnd) m_wnd->SetWindowText(std::string(text));
}

std::string CWndServices::GetItemText(std::uint32_t id) const {
  fw::CWnd* item = m_wnd ? m_wnd->GetDlgItem(id) : nullptr;
  return item ? item->GetWindowText() : std::string();
}

void CWndServices::SetItemText(std::uint32_t id, std::string_view text) {
  if (fw::CWnd* item = m_wnd ? m_wnd->GetDlgItem(id) : nullptr) item->SetWindowText(std::string(text));
}

bool CWndServices::IsItemChecked(std::uint32_t id) const {
  auto* button = m_wnd ? dynamic_cast<fw::CButton*>(m_wnd->GetDlgItem(id)) : nullptr;
  return button && button->GetCheck() == fw::BST_CHECKED;
}

void CWndServices::CheckItem(std::uint32_t id, bool check) {
  if (auto* button = m_wnd ? dynamic_cast<fw::CButton*>(m_wnd->GetDlgItem(id)) : nullptr)
    button->SetCheck(check ? fw::BST_CHECKED : fw::BST_UNCHECKED);
}

// --- Panels ---------------------------------------------------------------------

fw::BOOL CArrangePage::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  for (const ButtonPicture& p : kPictures)
    if (auto* button = Item<fw::CButton>(p.button)) button->SetBitmap(p.bitmap);
  return fw::TRUE;
}

void CArrangePage::OnOK() {
  CVORLAN98View* view = ActiveDesignView();
  CSelectTracker* tracker = view ? view->Tracker() : nullptr;
  CGraphObject* current = tracker ? tracker->GetCurrentObject() : nullptr;
  if (!current) return;
  CWndServices panel(this);
  if (current->ApplyPropertyPanel(&panel)) MarkModified(*view);
}

CArcArrangePage::CArcArrangePage() : CArrangePage(IDD_ARRANGE_ARC) {}
CArchArrangePage::CArchArrangePage() : CArrangePage(IDD_ARRANGE_ARCH) {}
CPathArrangePage::CPathArrangePage() : CArrangePage(IDD_ARRANGE_PATH) {}

void RegisterPropertyResources() {
  fw::res::SetDialog(IDD_NO_PROPERTIES, fw::DialogTemplate{"", fw::WS_CHILD, {0, 0, 100, 10}, {}});
  for (const ButtonPicture& p : kPictures)
    fw::res::SetBitmap(p.bitmap, "res/arr" + std::to_string(p.bitmap) + ".bmp");
}

// --- The window -------------------------------------------------------------------

CPropertyFrame::CPropertyFrame(CPropertyFrame** owner) : m_owner(owner) {
  CGuideLinePage::SetApplyHandler(&ApplyGuidePage);
}

CPropertyFrame::~CPropertyFrame() {
  DestroyPage();
  CGuideLinePage::SetApplyHandler(nullptr);
  if (m_owner && *m_owner == this) *m_owner = nullptr;
}

CWindowServices* CPropertyFrame::CreatePage(std::uint32_t templateId) {
  DestroyPage();
  if (!m_hWnd) return nullptr;
  std::unique_ptr<fw::CDialog> page;
  switch (templateId) {
    case IDD_ARRANGE_ARC:
      page = std::make_unique<CArcArrangePage>();
      break;
    case IDD_ARRANGE_ARCH:
      page = std::make_unique<CArchArrangePage>();
      break;
    case IDD_ARRANGE_PATH:
      page = std::make_unique<CPathArrangePage>();
      break;
    case IDD_GUIDE_LINE:
      page = std::make_unique<CGuideLinePage>();
      break;
    case IDD_NO_PROPERTIES:
      page = std::make_unique<fw::CDialog>(IDD_NO_PROPERTIES);
      break;
    default:
      return nullptr;
  }
  if (!page->Create(templateId, this)) return nullptr;
  m_page = std::move(page);
  m_pageServices = std::make_unique<PageServices>(this, m_page.get());
  return m_pageServices.get();
}

void CPropertyFrame::DestroyPage() {
  if (m_page && m_page->m_hWnd) m_page->DestroyWindow();
  m_pageServices.reset();
  m_page.reset();
}
