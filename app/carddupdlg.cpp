#include "app/carddupdlg.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "app/designview.h"
#include "app/dlgutil.h"
#include "app/document.h"
#include "app/selecttracker.h"
#include "framework/resources.h"
#include "model/rectobject.h"
#include "model/segarray.h"
#include "model/settings.h"
#include "model/undoitems.h"
#include "platform/gmem.h"
#include "platform/report.h"

using namespace carddlg;
using dlgutil::Format2;
using dlgutil::NumberOf;
using fw::CtrlKind;
using fw::DlgItemDef;

namespace {

constexpr char kSection[] = "CARDDUP";
constexpr int kMaxCardsAcross = 1000;

struct Format {
  const char* name;
  float width, height;
};
// Index 0 of both lists is "User Define".
constexpr Format kCards[] = {{"User Define", 0, 0}, {"Standard 55x90", 90, 55}, {"Standard 90x50", 55, 90}};
constexpr Format kSheets[] = {{"User Define", 0, 0}, {"190x260", 190, 260}, {"260x190", 260, 190},
                              {"200x285", 200, 285}, {"285x200", 285, 200}, {"130x185", 130, 185},
                              {"185x130", 185, 130}, {"140x203", 140, 203}, {"203x140", 203, 140}};

void Register() {
  constexpr fw::DWORD kPopup = fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU;
  constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
  constexpr fw::DWORD kTab = kChild | fw::WS_TABSTOP;
  constexpr fw::DWORD kEdit = kTab | fw::ES_AUTOHSCROLL;
  constexpr fw::DWORD kList = kTab | fw::CBS_DROPDOWNLIST | fw::WS_VSCROLL;
  auto label = [&](const char* text, int x, int y) {
    return DlgItemDef(0xFFFF, CtrlKind::Static, text, kChild, {x, y + 3, x + 70, y + 20});
  };
  auto edit = [&](fw::UINT id, int x, int y) { return DlgItemDef(id, CtrlKind::Edit, "", kEdit, {x, y, x + 60, y + 22}); };
  fw::res::SetDialog(IDD_CARD_DUP,
                     fw::DialogTemplate{"Name Card Duplicate",
                                        kPopup,
                                        {0, 0, 400, 290},
                                        {
                                            label("Selection", 10, 10),
                                            DlgItemDef(IDC_CARD_SEL_W, CtrlKind::Static, "", kChild, {90, 13, 160, 30}),
                                            DlgItemDef(IDC_CARD_SEL_H, CtrlKind::Static, "", kChild, {170, 13, 240, 30}),
                                            label("Page", 10, 40),
                                            DlgItemDef(IDC_CARD_PAGE_TYPE, CtrlKind::ComboBox, "", kList,
                                                       {90, 40, 200, 200}),
                                            edit(IDC_CARD_PAGE_X, 210, 40),
                                            edit(IDC_CARD_PAGE_Y, 280, 40),
                                            label("Card", 10, 72),
                                            DlgItemDef(IDC_CARD_TYPE, CtrlKind::ComboBox, "", kList,
                                                       {90, 72, 200, 200}),
                                            edit(IDC_CARD_SIZE_X, 210, 72),
                                            edit(IDC_CARD_SIZE_Y, 280, 72),
                                            label("GapX", 10, 104),
                                            edit(IDC_CARD_GAPX, 90, 104),
                                            label("GapY", 170, 104),
                                            edit(IDC_CARD_GAPY, 250, 104),
                                            label("DupX", 10, 136),
                                            edit(IDC_CARD_DUPX, 90, 136),
                                            label("DupY", 170, 136),
                                            edit(IDC_CARD_DUPY, 250, 136),
                                            DlgItemDef(IDC_CARD_AUTO, CtrlKind::Button, "Auto", kTab,
                                                       {320, 136, 390, 160}),
                                            DlgItemDef(IDC_CARD_RECT, CtrlKind::Button, "OutRect",
                                                       kTab | fw::BS_AUTOCHECKBOX, {10, 172, 150, 192}),
                                            DlgItemDef(fw::IDOK, CtrlKind::Button, "Ok",
                                                       kTab | fw::BS_DEFPUSHBUTTON, {220, 250, 300, 276}),
                                            DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", kTab,
                                                       {310, 250, 390, 276}),
                                        }});
}

void ShowFormat(fw::CDialog& dlg, const Format* formats, int count, int index, fw::UINT idX, fw::UINT idY,
                const char* keyX, const char* keyY, float defX, float defY) {
  const bool user = index <= 0 || index >= count;
  const float x = user ? g_IniFile.GetFloat(kSection, keyX, defX) : formats[index].width;
  const float y = user ? g_IniFile.GetFloat(kSection, keyY, defY) : formats[index].height;
  dlg.SetDlgItemText(idX, Format2(x));
  dlg.SetDlgItemText(idY, Format2(y));
  for (fw::UINT id : {idX, idY})
    if (fw::CWnd* w = dlg.GetDlgItem(id)) w->EnableWindow(user ? fw::TRUE : fw::FALSE);
}

int Selected(const fw::CDialog& dlg, fw::UINT id) {
  auto* box = dlg.Item<fw::CComboBox>(id);
  return box && box->GetCurSel() > 0 ? box->GetCurSel() : 0;
}

}  // namespace

void RegisterCardDupDialog() {
  if (!fw::res::FindDialog(IDD_CARD_DUP)) Register();
}

bool DuplicateCards(CVORLAN98View& view, int across, int down, float pitchX, float pitchY) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return false;
  CSegArray list;
  for (int i = 0; i < doc->GetObjectCount(); ++i)
    if (CGraphObject* o = doc->GetObjectAt(i)) list.Add(o);
  plat::HGLOBAL h = 0;
  const std::uint32_t n = list.PackToGlobal(&h);
  list.RemoveAll();  // the objects stay the document's
  if (!h) return false;
  {
    plat::GlobalLockGuard lock(h);
    if (!lock.bytes()) {
      plat::GlobalFree(h);
      return false;
    }
    for (int row = 0; row < down; ++row) {
      for (int col = 0; col < across; ++col) {
        if (row == 0 && col == 0) continue;
        const CFPoint offset{float(col) * pitchX, float(row) * pitchY};
        view.PasteObjectBlock(lock.bytes(), n, &offset);
      }
    }
  }
  plat::GlobalFree(h);
  return true;
}

CNameCardDupDlg::CNameCardDupDlg(CVORLAN98View& view, fw::CWnd* parent)
    : fw::CDialog(IDD_CARD_DUP, parent), m_view(view) {
  RegisterCardDupDialog();
}

FW_BEGIN_COMMAND_MAP(CNameCardDupDlg, fw::CDialog)
FW_ON_CBN_SELCHANGE(IDC_CARD_PAGE_TYPE, OnPageType)
FW_ON_CBN_SELCHANGE(IDC_CARD_TYPE, OnCardType)
FW_ON_BN_CLICKED(IDC_CARD_AUTO, OnAuto)
FW_END_COMMAND_MAP()

fw::BOOL CNameCardDupDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  CFRect sel(0, 0, 0, 0);
  if (CSelectTracker* tracker = m_view.Tracker(); tracker && m_view.GetSelectedCount() > 0)
    tracker->GetSelectionRect(&sel);
  SetDlgItemText(IDC_CARD_SEL_W, Format2(sel.right - sel.left));
  SetDlgItemText(IDC_CARD_SEL_H, Format2(sel.bottom - sel.top));
  SetDlgItemText(IDC_CARD_GAPX, Format2(g_IniFile.GetFloat(kSection, "GAPX", 2.0f)));
  SetDlgItemText(IDC_CARD_GAPY, Format2(g_IniFile.GetFloat(kSection, "GAPY", 2.0f)));
  SetDlgItemInt(IDC_CARD_DUPX, fw::UINT(g_IniFile.GetInt(kSection, "DUPX", 2)), fw::TRUE);
  SetDlgItemInt(IDC_CARD_DUPY, fw::UINT(g_IniFile.GetInt(kSection, "DUPY", 4)), fw::TRUE);
  CheckDlgButton(IDC_CARD_RECT, g_IniFile.GetInt(kSection, "CARDRECT", 0) != 0 ? 1 : 0);
  if (auto* sheets = Item<fw::CComboBox>(IDC_CARD_PAGE_TYPE)) {
    for (const Format& f : kSheets) sheets->AddString(f.name);
    sheets->SetCurSel(g_IniFile.GetInt(kSection, "PAGETYPE", 0));
    if (sheets->GetCurSel() < 0) sheets->SetCurSel(0);
  }
  if (auto* cards = Item<fw::CComboBox>(IDC_CARD_TYPE)) {
    for (const Format& f : kCards) cards->AddString(f.name);
    cards->SetCurSel(g_IniFile.GetInt(kSection, "CARDTYPE", 0));
    if (cards->GetCurSel() < 0) cards->SetCurSel(0);
  }
  OnPageType();
  OnCardType();
  return fw::TRUE;
}

void CNameCardDupDlg::OnPageType() {
  ShowFormat(*this, kSheets, int(std::size(kSheets)), Selected(*this, IDC_CARD_PAGE_TYPE), IDC_CARD_PAGE_X,
             IDC_CARD_PAGE_Y, "PAGESIZEX", "PAGESIZEY", 190.0f, 260.0f);
}

void CNameCardDupDlg::OnCardType() {
  ShowFormat(*this, kCards, int(std::size(kCards)), Selected(*this, IDC_CARD_TYPE), IDC_CARD_SIZE_X,
             IDC_CARD_SIZE_Y, "CARDSIZEX", "CARDSIZEY", 90.0f, 55.0f);
}

void CNameCardDupDlg::CardSize(float* w, float* h) const {
  *w = NumberOf(*this, IDC_CARD_SIZE_X);
  *h = NumberOf(*this, IDC_CARD_SIZE_Y);
  // A width of 0 would divide by zero below: it counts as unset, as a negative one.
  if (!(*w > 0.0f)) *w = 55.0f;
  if (!(*h > 0.0f)) *h = 90.0f;
}

void CNameCardDupDlg::OnAuto() {
  float w = 0.0f, h = 0.0f;
  CardSize(&w, &h);
  const float sheetW = NumberOf(*this, IDC_CARD_PAGE_X), sheetH = NumberOf(*this, IDC_CARD_PAGE_Y);
  const float gapX = NumberOf(*this, IDC_CARD_GAPX), gapY = NumberOf(*this, IDC_CARD_GAPY);
  const double across = std::floor((double(sheetW) + gapX) / w), down = std::floor((double(sheetH) + gapY) / h);
  auto clampInt = [](double v) { return int(std::isfinite(v) ? std::clamp(v, -1e6, 1e6) : 0.0); };
  SetDlgItemInt(IDC_CARD_DUPX, fw::UINT(clampInt(across)), fw::TRUE);
  SetDlgItemInt(IDC_CARD_DUPY, fw::UINT(clampInt(down)), fw::TRUE);
}

void CNameCardDupDlg::SaveSettings() {
  const int card = Selected(*this, IDC_CARD_TYPE), sheet = Selected(*this, IDC_CARD_PAGE_TYPE);
  g_IniFile.WriteInt(kSection, "CardType", card);
  if (card == 0) {
    g_IniFile.WriteFloat(kSection, "CardSizeX", NumberOf(*this, IDC_CARD_SIZE_X));
    g_IniFile.WriteFloat(kSection, "CardSizeY", NumberOf(*this, IDC_CARD_SIZE_Y));
  }
  g_IniFile.WriteInt(kSection, "PageType", sheet);
  if (sheet == 0) {
    g_IniFile.WriteFloat(kSection, "PageSizeX", NumberOf(*this, IDC_CARD_PAGE_X));
    g_IniFile.WriteFloat(kSection, "PageSizeY", NumberOf(*this, IDC_CARD_PAGE_Y));
  }
  g_IniFile.WriteFloat(kSection, "GapX", NumberOf(*this, IDC_CARD_GAPX));
  g_IniFile.WriteFloat(kSection, "GapY", NumberOf(*this, IDC_CARD_GAPY));
  g_IniFile.WriteInt(kSection, "DUPX", int(GetDlgItemInt(IDC_CARD_DUPX, nullptr, fw::TRUE)));
  g_IniFile.WriteInt(kSection, "DUPY", int(GetDlgItemInt(IDC_CARD_DUPY, nullptr, fw::TRUE)));
  g_IniFile.WriteInt(kSection, "CARDRECT", IsDlgButtonChecked(IDC_CARD_RECT) ? 1 : 0);
}

void CNameCardDupDlg::OnCancel() {
  SaveSettings();
  fw::CDialog::OnCancel();
}

void CNameCardDupDlg::OnOK() {
  CVORLAN98Doc* doc = m_view.GetDoc();
  if (!doc) return fw::CDialog::OnOK();
  float w = 0.0f, h = 0.0f;
  CardSize(&w, &h);
  const float gapX = NumberOf(*this, IDC_CARD_GAPX), gapY = NumberOf(*this, IDC_CARD_GAPY);
  const int across = int(GetDlgItemInt(IDC_CARD_DUPX, nullptr, fw::TRUE));
  const int down = int(GetDlgItemInt(IDC_CARD_DUPY, nullptr, fw::TRUE));
  const bool outline = IsDlgButtonChecked(IDC_CARD_RECT) != 0;
  // A grid beyond any sheet (a typed or stored count) is not taken; a large one is asked for.
  if (across > kMaxCardsAcross || down > kMaxCardsAcross) {
    dlgutil::Refuse("名片数量超出范围", "Name Card Duplicate");
    return;
  }
  // Every object is copied, so every object has to lie on the card.
  CFRect all(0, 0, 0, 0);
  const bool any = doc->GetObjectsBounds(&all) != 0;
  if (any && (all.right > w || all.bottom > h || all.left < 0.0f || all.top < 0.0f)) {
    dlgutil::Refuse("名片位置超出名片大小", "Name Card Duplicate");
    return;
  }
  const double copies = double(std::max(across, 0)) * std::max(down, 0) - 1.0;
  if (!dlgutil::ConfirmObjects(copies * (doc->GetObjectCount() + (outline ? 1 : 0)), "Name Card Duplicate", true))
    return;
  SaveSettings();
  if (!any && !outline) return fw::CDialog::OnOK();

  CUndoList* undo = m_view.GetUndoList();
  undo->StartRecord(0);
  CGraphObject* made = nullptr;
  bool recorded = false;
  if (outline) {
    auto rect = std::make_unique<CRectObject>();
    rect->x2 = w, rect->y2 = h;
    rect->bounds = CFRect(0.0f, 0.0f, w, h);
    CGraphObject* raw = rect.release();
    recorded = undo->GetRecordDepth() != 0;
    if (recorded) undo->AppendUndoItem(std::make_unique<CUndoAddObject>(raw));
    doc->AddObject(raw, true);
    made = raw;
  }
  if (CSelectTracker* tracker = m_view.Tracker()) {
    for (int i = 0; i < doc->GetObjectCount(); ++i) tracker->Select(doc->GetObjectAt(i));
  }
  if (!DuplicateCards(m_view, across, down, w + gapX, h + gapY)) {
    undo->EndRecord();
    // The outline made above goes again.
    if (made && recorded) {
      undo->UndoLastStep(m_view);
    } else if (made && doc->RemoveObject(made) >= 0) {
      made->InvalidateObjectRect(&m_view, true);
      delete made;
    }
    plat::MessageBox("缓冲区申请错误!", "错误", plat::MB_OK | plat::MB_ICONSTOP);
    return;
  }
  undo->EndRecord();
  doc->SetModifiedFlag(fw::TRUE);
  m_view.RepaintAll();
  fw::CDialog::OnOK();
}
