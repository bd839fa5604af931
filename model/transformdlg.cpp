#include "model/transformdlg.h"

#include <cstring>
#include <memory>

#include "framework/resources.h"
#include "model/dllholder.h"
#include "model/records.h"
#include "model/services.h"
#include "model/transformobject.h"
#include "model/undo.h"
#include "model/undoitems.h"

namespace {

constexpr int kItemSize = 70;
constexpr int kPictureOffset = 5;
constexpr plat::COLORREF kSelectedColour = 0x800000;
constexpr plat::COLORREF kWhite = 0xFFFFFF;

}  // namespace

void RegisterTransformDialog() {
  if (fw::res::FindDialog(IDD_TRANSFORM)) return;
  using fw::CtrlKind;
  using fw::DlgItemDef;
  constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
  fw::res::SetDialog(
      IDD_TRANSFORM,
      fw::DialogTemplate{"Transform",
                         fw::WS_POPUP | fw::WS_CAPTION | fw::WS_SYSMENU,
                         {0, 0, 330, 250},
                         {
                             DlgItemDef(IDC_TRANSFORM_LABEL, CtrlKind::Static, "Types", kChild, {10, 12, 60, 28}),
                             DlgItemDef(IDC_TRANSFORM_NAMES, CtrlKind::ComboBox, "",
                                        kChild | fw::WS_TABSTOP | fw::WS_VSCROLL | fw::CBS_DROPDOWN,
                                        {64, 10, 230, 150}),
                             DlgItemDef(IDC_TRANSFORM_PICTURES, CtrlKind::ListBox, "",
                                        kChild | fw::WS_TABSTOP | fw::WS_HSCROLL | fw::LBS_NOTIFY |
                                            fw::LBS_OWNERDRAWFIXED | fw::LBS_MULTICOLUMN,
                                        {10, 40, 320, 200}),
                             DlgItemDef(fw::IDOK, CtrlKind::Button, "Ok",
                                        kChild | fw::WS_TABSTOP | fw::BS_DEFPUSHBUTTON, {160, 212, 235, 238}),
                             DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel", kChild | fw::WS_TABSTOP,
                                        {245, 212, 320, 238}),
                         }});
}

CTransformDlg::CTransformDlg(fw::CWnd* parent) : fw::CDialog(IDD_TRANSFORM, parent) { RegisterTransformDialog(); }

FW_BEGIN_COMMAND_MAP(CTransformDlg, fw::CDialog)
FW_ON_CBN_SELCHANGE(IDC_TRANSFORM_NAMES, OnNamesChanged)
FW_ON_LBN_SELCHANGE(IDC_TRANSFORM_PICTURES, OnPicturesChanged)
FW_END_COMMAND_MAP()

fw::BOOL CTransformDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  auto* names = Item<fw::CComboBox>(IDC_TRANSFORM_NAMES);
  auto* pictures = Item<fw::CListBox>(IDC_TRANSFORM_PICTURES);
  if (!names || !pictures) return fw::TRUE;
  pictures->SetItemHeight(0, kItemSize);
  pictures->SetColumnWidth(kItemSize);
  CTransformDll& lib = TransformDll();
  if (!lib.IsLoaded() || !lib.dllGetTransformInfo) return fw::TRUE;
  const int count = int(lib.dllGetTransformInfo(0, nullptr, nullptr) & 0xFFFF);
  m_images.Create(flexoril::kPictureSize, flexoril::kPictureSize);
  for (int i = 0; i < count; ++i) {
    char name[flexoril::kNameSize] = {};
    plat::HBITMAP bitmap = nullptr;
    lib.dllGetTransformInfo(std::uint32_t(i + 1), name, &bitmap);
    name[flexoril::kNameSize - 1] = 0;  // the library may leave it unterminated
    int image = -1;
    if (bitmap) {
      image = m_images.Add(bitmap, flexoril::kPictureBack);
      plat::DeleteObject(bitmap);
    }
    names->AddString(name);
    const int item = pictures->AddString(name);
    // The picture of an item, -1 for none.
    pictures->SetItemData(item, std::uintptr_t(std::intptr_t(image)));
  }
  names->SetCurSel(0);
  pictures->SetCurSel(0);
  return fw::TRUE;
}

void CTransformDlg::OnNamesChanged() {
  auto* names = Item<fw::CComboBox>(IDC_TRANSFORM_NAMES);
  auto* pictures = Item<fw::CListBox>(IDC_TRANSFORM_PICTURES);
  if (names && pictures) pictures->SetCurSel(names->GetCurSel());
}

void CTransformDlg::OnPicturesChanged() {
  auto* names = Item<fw::CComboBox>(IDC_TRANSFORM_NAMES);
  auto* pictures = Item<fw::CListBox>(IDC_TRANSFORM_PICTURES);
  if (names && pictures) names->SetCurSel(pictures->GetCurSel());
}

void CTransformDlg::OnDrawItem(int id, fw::DRAWITEMSTRUCT* dis) {
  if (std::uint32_t(id) != IDC_TRANSFORM_PICTURES || !dis || !dis->hDC) {
    fw::CDialog::OnDrawItem(id, dis);
    return;
  }
  if (!(dis->itemAction & (fw::ODA_DRAWENTIRE | fw::ODA_SELECT))) return;
  plat::DC& dc = *dis->hDC;
  const bool selected = (dis->itemState & fw::ODS_SELECTED) != 0;
  // The selection is a dark blue frame around the picture; the fill stays white,
  // as the merge copy ands the picture with it.
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 2, selected ? kSelectedColour : kWhite);
  plat::HBRUSH brush = plat::CreateSolidBrush(kWhite);
  plat::HPEN oldPen = dc.SelectObject(pen);
  plat::HBRUSH oldBrush = dc.SelectObject(brush);
  dc.Rectangle(dis->rcItem);
  auto* pictures = Item<fw::CListBox>(IDC_TRANSFORM_PICTURES);
  const int image = pictures ? int(std::intptr_t(pictures->GetItemData(int(dis->itemID)))) : -1;
  if (const plat::Surface* pixels = image >= 0 ? m_images.GetImage(image) : nullptr) {
    plat::HBITMAP bmp = plat::CreateBitmap(pixels->width(), pixels->height(), 1, 32, pixels->data());
    plat::HDC mem = plat::CreateCompatibleDC(&dc);
    if (bmp && mem) {
      plat::HBITMAP old = mem->SelectObject(bmp);
      dc.BitBlt(dis->rcItem.left + kPictureOffset, dis->rcItem.top + kPictureOffset, flexoril::kPictureSize,
                flexoril::kPictureSize, mem, 0, 0, plat::MERGECOPY);
      mem->SelectObject(old);
    }
    if (mem) plat::DeleteDC(mem);
    if (bmp) plat::DeleteObject(bmp);
  }
  dc.SelectObject(oldPen);
  dc.SelectObject(oldBrush);
  plat::DeleteObject(pen);
  plat::DeleteObject(brush);
}

void CTransformDlg::OnOK() {
  auto* names = Item<fw::CComboBox>(IDC_TRANSFORM_NAMES);
  const int k = names ? names->GetCurSel() : -1;
  if (k >= 0) {
    CAppServices* app = GetAppServices();
    CViewServices* active = app ? app->GetActiveView() : nullptr;
    CDesignViewServices* view = active ? active->GetDesignView() : nullptr;
    if (view) TransformSelection(*view, k + 1);
  }
  fw::CDialog::OnOK();
}

bool TransformSelection(CDesignViewServices& view, int number) {
  if (view.GetSelectedCount() != 1) return false;
  CGraphObject* object = view.GetSelectedObject();
  CDocumentServices* doc = view.GetDocument();
  if (!object || !doc || object->kind == OBJ_IMAGE || object->kind == OBJ_TRANSFORM) return false;
  const int index = doc->IndexOfObject(object);
  if (index < 0) return false;
  CUndoList* undo = view.GetUndoList();
  if (undo) undo->StartRecord(0);
  if (CTrackerServices* tracker = view.GetSelectTracker()) {
    plat::DC* dc = view.GetDC();
    tracker->ClearSelection(dc, true);
    if (dc) view.ReleaseDC(dc);
  }
  const bool recording = view.GetUndoRecordDepth() != 0;
  doc->RemoveObject(object);
  std::unique_ptr<CGraphObject> source(object);
  std::unique_ptr<CTransformObject> made = CTransformObject::Make(source, number);
  if (!made) {
    // No transform: the object goes back where it was.
    doc->InsertObject(source.release(), index);
    if (undo) undo->EndRecord();
    return false;
  }
  CTransformObject* t = made.release();
  if (recording && undo) undo->AppendUndoItem(std::make_unique<CUndoMakeTransform>(t, index));
  doc->AddObject(t, true);
  view.SetTool(ID_TOOL_NODE);
  view.SetEditObject(t);
  t->BeginEdit(ID_TOOL_NODE, &view);
  if (recording && undo) undo->AppendUndoItem(std::make_unique<CUndoEnterEdit>(t));
  t->InvalidateObjectRect(&view, true);
  if (undo) undo->EndRecord();
  return true;
}
