#include "text/sealdlg.h"

#include <cmath>
#include <cstdio>

#include "framework/resources.h"
#include "model/helpers.h"
#include "model/services.h"
#include "model/settings.h"
#include "platform/codepage.h"
#include "text/sealobject.h"
#include "text/textattr.h"

using namespace fw;

namespace {

constexpr std::size_t kTextLimit = 399;
const char* const kDefaultText = "标准方章";
const char* const kShapeNames[] = {"方  形", "圆  形", "菱  形", "三角形", "倒三角", "其  它"};
const char* const kLayoutNames[] = {"空", "名章", "人名章1", "人名章2", "人名印章", "人名印章1", "人名印章2"};
constexpr int kPictureSize = 60;

std::string Format2(float v) {
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.2f", double(v));
  return buf;
}

// The characters of a GBK text, made with the default attributes: double-byte
// characters with character set 134, single bytes with 0.
void AddSealText(CBoxArray& chars, const std::string& gbk) {
  const CTextAttr& attr = DefaultTextAttr();
  for (std::uint16_t code : TextToCharCodes(gbk.c_str()))
    chars.Add(std::make_unique<CBoxChar>(std::uint8_t(code >= 256 ? 134 : 0), code, attr));
}

}  // namespace

void RegisterSealResources() {
  constexpr DWORD kPopup = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kTab = kChild | WS_TABSTOP;
  res::SetBitmap(IDB_SEAL_LAYOUTS, "res/seal.bmp");
  res::SetDialog(IDD_SEAL_AREA,
                 DialogTemplate{"Area Setting",
                                kPopup,
                                {0, 0, 330, 230},
                                {
                                    DlgItemDef(0, CtrlKind::Static, "Shape", kChild, {10, 8, 110, 24}),
                                    DlgItemDef(IDC_SEAL_SHAPES, CtrlKind::ListBox, "",
                                               kTab | LBS_NOTIFY | WS_VSCROLL, {10, 26, 110, 180}),
                                    DlgItemDef(0, CtrlKind::Static, "Layout", kChild, {120, 8, 220, 24}),
                                    DlgItemDef(IDC_SEAL_LAYOUT_COMBO, CtrlKind::ComboBox, "",
                                               kTab | CBS_DROPDOWNLIST, {120, 26, 220, 46}),
                                    DlgItemDef(IDC_SEAL_LAYOUT_LIST, CtrlKind::ListBox, "",
                                               kTab | LBS_NOTIFY | LBS_OWNERDRAWFIXED | WS_VSCROLL,
                                               {230, 8, 320, 220}),
                                    DlgItemDef(IDOK, CtrlKind::Button, "OK", kTab | BS_DEFPUSHBUTTON,
                                               {10, 195, 80, 220}),
                                    DlgItemDef(IDCANCEL, CtrlKind::Button, "Cancel", kTab | BS_PUSHBUTTON,
                                               {120, 195, 190, 220}),
                                }});
  auto label = [&](const char* text, LONG x, LONG y) {
    return DlgItemDef(0, CtrlKind::Static, text, kChild, RECT{x, y, x + 80, y + 18});
  };
  auto edit = [&](UINT id, LONG x, LONG y) {
    return DlgItemDef(id, CtrlKind::Edit, "", kTab | ES_AUTOHSCROLL, RECT{x + 82, y, x + 150, y + 18});
  };
  res::SetDialog(IDD_SEAL_PARAM,
                 DialogTemplate{"Seal Parameter",
                                kPopup,
                                {0, 0, 400, 300},
                                {
                                    label("Width (mm)", 10, 10), edit(IDC_SEAL_WIDTH, 10, 10),
                                    label("Height (mm)", 10, 34), edit(IDC_SEAL_HEIGHT, 10, 34),
                                    label("Border", 10, 58), edit(IDC_SEAL_BORDER, 10, 58),
                                    label("Corner", 10, 82), edit(IDC_SEAL_CORNER, 10, 82),
                                    label("Margin X", 10, 106), edit(IDC_SEAL_MARGIN_X, 10, 106),
                                    label("Margin Y", 10, 130), edit(IDC_SEAL_MARGIN_Y, 10, 130),
                                    label("Gap X", 10, 154), edit(IDC_SEAL_GAP_X, 10, 154),
                                    label("Gap Y", 10, 178), edit(IDC_SEAL_GAP_Y, 10, 178),
                                    DlgItemDef(IDC_SEAL_SHAPE_RECT, CtrlKind::Button, "Rectangle",
                                               kTab | BS_AUTORADIOBUTTON | WS_GROUP, {180, 10, 300, 28}),
                                    DlgItemDef(IDC_SEAL_SHAPE_CHAMFER, CtrlKind::Button, "Chamfered",
                                               kChild | BS_AUTORADIOBUTTON, {180, 32, 300, 50}),
                                    DlgItemDef(IDC_SEAL_SHAPE_ROUND, CtrlKind::Button, "Rounded",
                                               kChild | BS_AUTORADIOBUTTON, {180, 54, 300, 72}),
                                    DlgItemDef(IDC_SEAL_PICTURE, CtrlKind::Static, "", kChild,
                                               {310, 10, 380, 80}),
                                    label("Text", 10, 210),
                                    DlgItemDef(IDC_SEAL_TEXT, CtrlKind::Edit, "", kTab | ES_AUTOHSCROLL | WS_GROUP,
                                               {92, 210, 390, 228}),
                                    DlgItemDef(IDOK, CtrlKind::Button, "OK", kTab | BS_DEFPUSHBUTTON,
                                               {200, 260, 280, 285}),
                                    DlgItemDef(IDCANCEL, CtrlKind::Button, "Cancel", kTab | BS_PUSHBUTTON,
                                               {300, 260, 380, 285}),
                                }});
}

// --- Parameter dialog ----------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CSealParamDlg, CDialog)
FW_END_COMMAND_MAP()

CSealParamDlg::CSealParamDlg(std::uint8_t kind, CSealObject* seal)
    : CDialog(IDD_SEAL_PARAM), layoutKind(kind), edited_(seal) {}

CSealParamDlg::~CSealParamDlg() = default;

BOOL CSealParamDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  images_.Create(IDB_SEAL_LAYOUTS, kPictureSize, CLR_NONE);
  text = plat::Utf8ToGbk(kDefaultText);
  if (edited_) {
    const CSealObject& s = *edited_;
    marginX = s.marginX;
    marginY = s.marginY;
    gapX = s.gapX;
    gapY = s.gapY;
    borderWidth = s.borderWidth;
    frameShape = s.frameShape;
    cornerValue = s.cornerValue;
    width = s.frame.right - s.frame.left;
    height = s.frame.bottom - s.frame.top;
    layoutKind = s.layoutKind;
    if (!s.chars.IsEmpty()) text = s.chars.GetText();
  }
  if (frameShape != 1 && frameShape != 2) frameShape = 0;
  SetDlgItemText(IDC_SEAL_WIDTH, Format2(width));
  SetDlgItemText(IDC_SEAL_HEIGHT, Format2(height));
  SetDlgItemText(IDC_SEAL_BORDER, Format2(borderWidth));
  SetDlgItemText(IDC_SEAL_CORNER, Format2(cornerValue));
  SetDlgItemText(IDC_SEAL_MARGIN_X, Format2(marginX));
  SetDlgItemText(IDC_SEAL_MARGIN_Y, Format2(marginY));
  SetDlgItemText(IDC_SEAL_GAP_X, Format2(gapX));
  SetDlgItemText(IDC_SEAL_GAP_Y, Format2(gapY));
  CheckRadioButton(IDC_SEAL_SHAPE_RECT, IDC_SEAL_SHAPE_ROUND, IDC_SEAL_SHAPE_RECT + frameShape);
  SetDlgItemText(IDC_SEAL_TEXT, plat::GbkToUtf8(text));
  return TRUE;
}

void CSealParamDlg::OnPaint() {
  PAINTSTRUCT ps;
  BeginPaint(&ps);
  if (CWnd* frame = GetDlgItem(IDC_SEAL_PICTURE)) {
    const RECT r = frame->GetRectInParent();
    images_.Draw(ps.hdc, layoutKind, POINT{r.left + 5, r.top + 5}, ILD_NORMAL);
  }
  EndPaint(&ps);
}

void CSealParamDlg::OnOK() {
  auto value = [&](UINT id) { return ParseSettingFloat(GetDlgItemText(id).c_str()); };
  const float w = value(IDC_SEAL_WIDTH), h = value(IDC_SEAL_HEIGHT);
  // A frame needs a width and a height.
  if (!(w > 0.0f && h > 0.0f && std::isfinite(w) && std::isfinite(h))) {
    ShowParamMessage(this, PARAM_MSG_ERROR, nullptr, PARAM_CODE_ILLEGAL, PARAM_CODE_PARAMETER);
    return;
  }
  width = w;
  height = h;
  borderWidth = value(IDC_SEAL_BORDER);
  cornerValue = value(IDC_SEAL_CORNER);
  marginX = value(IDC_SEAL_MARGIN_X);
  marginY = value(IDC_SEAL_MARGIN_Y);
  gapX = value(IDC_SEAL_GAP_X);
  gapY = value(IDC_SEAL_GAP_Y);
  const UINT checked = GetCheckedRadioButton(IDC_SEAL_SHAPE_RECT, IDC_SEAL_SHAPE_ROUND);
  frameShape = checked == IDC_SEAL_SHAPE_CHAMFER ? 1 : checked == IDC_SEAL_SHAPE_ROUND ? 2 : 0;
  std::string gbk = plat::Utf8ToGbk(GetDlgItemText(IDC_SEAL_TEXT));
  if (gbk.size() > kTextLimit) gbk.resize(kTextLimit);  // a lead byte left alone is dropped
  text = gbk;
  made_ = BuildSeal();
  EndDialog(IDOK);
}

std::unique_ptr<CSealObject> CSealParamDlg::BuildSeal() const {
  float cx, cy;
  if (edited_) {
    cx = (edited_->frame.left + edited_->frame.right) / 2;
    cy = (edited_->frame.top + edited_->frame.bottom) / 2;
  } else {
    CViewServices* view = GetActiveView();
    CDocumentServices* doc = view ? view->GetDocument() : nullptr;
    cx = doc ? doc->GetPageWidth() / 2 : 0.0f;
    cy = doc ? doc->GetPageHeight() / 2 : 0.0f;
  }
  auto seal = std::make_unique<CSealObject>();
  seal->frame = CFRect(cx - width / 2, cy - height / 2, cx - width / 2 + width, cy - height / 2 + height);
  seal->bounds = seal->frame;
  seal->layoutKind = layoutKind;
  seal->borderWidth = borderWidth;
  seal->frameShape = frameShape;
  seal->cornerValue = cornerValue;
  seal->marginX = marginX;
  seal->marginY = marginY;
  seal->gapX = gapX;
  seal->gapY = gapY;
  if (edited_) {
    seal->flags = edited_->flags;
    seal->matrix = edited_->matrix;
    seal->color = edited_->color;
  }
  if (edited_ && !edited_->chars.IsEmpty() && edited_->chars.GetText() == text) {
    // The same text keeps its characters (colours, fonts, flags).
    for (const CBoxItem* item : edited_->chars.Items())
      if (std::unique_ptr<CBoxItem> copy = item->Clone()) seal->chars.Add(std::move(copy));
  } else {
    AddSealText(seal->chars, text);
  }
  seal->LayoutChars();
  return seal;
}

std::unique_ptr<CSealObject> CSealParamDlg::TakeSeal() { return std::move(made_); }

// --- Area Setting ------------------------------------------------------------------

FW_BEGIN_COMMAND_MAP(CSealAreaDlg, CDialog)
FW_ON_LBN_SELCHANGE(IDC_SEAL_SHAPES, OnShapeChanged)
FW_ON_CBN_SELCHANGE(IDC_SEAL_LAYOUT_COMBO, OnLayoutComboChanged)
FW_ON_LBN_SELCHANGE(IDC_SEAL_LAYOUT_LIST, OnLayoutListChanged)
FW_END_COMMAND_MAP()

CSealAreaDlg::CSealAreaDlg() : CDialog(IDD_SEAL_AREA) {}

CSealAreaDlg::~CSealAreaDlg() = default;

BOOL CSealAreaDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (auto* list = Item<CListBox>(IDC_SEAL_LAYOUT_LIST)) list->SetItemHeight(0, kPictureSize);
  auto* shapes = Item<CListBox>(IDC_SEAL_SHAPES);
  if (shapes) {
    for (const char* name : kShapeNames) shapes->AddString(name);
    shapes->SetCurSel(0);
  }
  OnShapeChanged();
  return TRUE;
}

void CSealAreaDlg::OnShapeChanged() {
  auto* shapes = Item<CListBox>(IDC_SEAL_SHAPES);
  auto* combo = Item<CComboBox>(IDC_SEAL_LAYOUT_COMBO);
  auto* list = Item<CListBox>(IDC_SEAL_LAYOUT_LIST);
  if (!shapes || !combo || !list) return;
  busy_ = true;
  combo->ResetContent();
  list->ResetContent();
  images_.Create(IDB_SEAL_LAYOUTS, kPictureSize, CLR_NONE);
  if (shapes->GetCurSel() == 0) {
    for (const char* name : kLayoutNames) {
      combo->AddString(name);
      list->AddString(name);
    }
    combo->SetCurSel(0);
    list->SetCurSel(0);
  }
  busy_ = false;
}

void CSealAreaDlg::OnLayoutComboChanged() {
  if (busy_) return;
  auto* combo = Item<CComboBox>(IDC_SEAL_LAYOUT_COMBO);
  auto* list = Item<CListBox>(IDC_SEAL_LAYOUT_LIST);
  if (combo && list) list->SetCurSel(combo->GetCurSel());
}

void CSealAreaDlg::OnLayoutListChanged() {
  if (busy_) return;
  auto* combo = Item<CComboBox>(IDC_SEAL_LAYOUT_COMBO);
  auto* list = Item<CListBox>(IDC_SEAL_LAYOUT_LIST);
  if (combo && list) combo->SetCurSel(list->GetCurSel());
}

void CSealAreaDlg::OnDrawItem(int id, DRAWITEMSTRUCT* dis) {
  if (UINT(id) == IDC_SEAL_LAYOUT_LIST && dis && dis->hDC) {
    const bool selected = (dis->itemState & ODS_SELECTED) != 0;
    images_.Draw(dis->hDC, int(dis->itemID), POINT{dis->rcItem.left, dis->rcItem.top},
                 selected ? ILD_SELECTED : ILD_NORMAL);
    return;
  }
  CDialog::OnDrawItem(id, dis);
}

void CSealAreaDlg::OnOK() {
  seal_.reset();
  auto* shapes = Item<CListBox>(IDC_SEAL_SHAPES);
  auto* combo = Item<CComboBox>(IDC_SEAL_LAYOUT_COMBO);
  if (!shapes || !combo || shapes->GetCurSel() != 0) return;  // only the square shape has layouts
  const int kind = combo->GetCurSel();
  CSealParamDlg param(std::uint8_t(kind < 0 ? 0 : kind));
  if (param.DoModal() != IDOK) return;
  seal_ = param.TakeSeal();
  if (seal_) EndDialog(IDOK);
}

std::unique_ptr<CSealObject> CSealAreaDlg::TakeSeal() { return std::move(seal_); }
