#include "framework/treectrl.h"

#include <algorithm>

namespace fw {

const CTreeCtrl::Item* CTreeCtrl::Find(HTREEITEM item) const {
  auto it = items_.find(item);
  return it == items_.end() ? nullptr : &it->second;
}

std::vector<HTREEITEM>* CTreeCtrl::SiblingsOf(HTREEITEM parent) {
  if (parent == 0 || parent == TVI_ROOT) return &roots_;
  auto it = items_.find(parent);
  return it == items_.end() ? nullptr : &it->second.children;
}

const std::vector<HTREEITEM>* CTreeCtrl::SiblingsOf(HTREEITEM parent) const {
  return const_cast<CTreeCtrl*>(this)->SiblingsOf(parent);
}

HTREEITEM CTreeCtrl::InsertItem(const std::string& text, HTREEITEM parent, HTREEITEM after) {
  return InsertItem(text, 0, 0, parent, after);
}

HTREEITEM CTreeCtrl::InsertItem(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                                HTREEITEM after) {
  std::vector<HTREEITEM>* siblings = SiblingsOf(parent);
  if (!siblings) return 0;
  const HTREEITEM h = next_++;
  Item item;
  item.text = text;
  item.parent = parent == TVI_ROOT ? 0 : parent;
  item.image = image;
  item.selectedImage = selectedImage;
  items_[h] = std::move(item);
  siblings = SiblingsOf(parent);  // the map may have moved nothing, but look again
  auto pos = siblings->end();
  if (after == TVI_FIRST) {
    pos = siblings->begin();
  } else if (after != TVI_LAST) {
    auto it = std::find(siblings->begin(), siblings->end(), after);
    if (it != siblings->end()) pos = it + 1;
  }
  siblings->insert(pos, h);
  NotifyChanged(WOC_CONTENT);
  return h;
}

void CTreeCtrl::Erase(HTREEITEM item) {
  auto it = items_.find(item);
  if (it == items_.end()) return;
  const std::vector<HTREEITEM> children = it->second.children;
  for (HTREEITEM c : children) Erase(c);
  if (selected_ == item) selected_ = 0;
  items_.erase(item);
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM item) {
  const Item* found = Find(item);
  if (!found) return FALSE;
  if (std::vector<HTREEITEM>* siblings = SiblingsOf(found->parent ? found->parent : TVI_ROOT))
    siblings->erase(std::remove(siblings->begin(), siblings->end(), item), siblings->end());
  Erase(item);
  NotifyChanged(WOC_CONTENT);
  return TRUE;
}

BOOL CTreeCtrl::DeleteAllItems() {
  items_.clear();
  roots_.clear();
  selected_ = 0;
  NotifyChanged(WOC_CONTENT);
  return TRUE;
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
  const Item* i = Find(item);
  return i && !i->children.empty() ? i->children.front() : 0;
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
  const Item* i = Find(item);
  if (!i) return 0;
  const std::vector<HTREEITEM>* siblings = SiblingsOf(i->parent ? i->parent : TVI_ROOT);
  auto it = std::find(siblings->begin(), siblings->end(), item);
  return it == siblings->end() || it + 1 == siblings->end() ? 0 : *(it + 1);
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const {
  const Item* i = Find(item);
  return i ? i->parent : 0;
}

int CTreeCtrl::GetItemIndex(HTREEITEM item) const {
  const Item* i = Find(item);
  if (!i) return -1;
  const std::vector<HTREEITEM>* siblings = SiblingsOf(i->parent ? i->parent : TVI_ROOT);
  return int(std::find(siblings->begin(), siblings->end(), item) - siblings->begin());
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const {
  const Item* i = Find(item);
  return i ? i->text : std::string();
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, const std::string& text) {
  auto it = items_.find(item);
  if (it == items_.end()) return FALSE;
  it->second.text = text;
  NotifyChanged(WOC_CONTENT);
  return TRUE;
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const {
  const Item* i = Find(item);
  if (!i) return FALSE;
  image = i->image;
  selectedImage = i->selectedImage;
  return TRUE;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, std::uintptr_t data) {
  auto it = items_.find(item);
  if (it == items_.end()) return FALSE;
  it->second.data = data;
  return TRUE;
}

std::uintptr_t CTreeCtrl::GetItemData(HTREEITEM item) const {
  const Item* i = Find(item);
  return i ? i->data : 0;
}

BOOL CTreeCtrl::Expand(HTREEITEM item, UINT code) {
  auto it = items_.find(item);
  if (it == items_.end()) return FALSE;
  bool& e = it->second.expanded;
  e = code == TVE_EXPAND ? true : code == TVE_COLLAPSE ? false : !e;
  NotifyChanged(WOC_CONTENT);
  return TRUE;
}

BOOL CTreeCtrl::IsExpanded(HTREEITEM item) const {
  const Item* i = Find(item);
  return i && i->expanded;
}

BOOL CTreeCtrl::SelectItem(HTREEITEM item) {
  if (item != 0 && !Find(item)) return FALSE;
  if (item == selected_) return TRUE;
  NMTREEVIEW nm;
  nm.hdr.code = TVN_SELCHANGED;
  nm.itemOld.hItem = selected_;
  nm.itemNew.hItem = item;
  selected_ = item;
  NotifyChanged(WOC_CONTENT);
  NotifyParent(nm.hdr);
  return TRUE;
}

CImageList* CTreeCtrl::SetImageList(CImageList* list, int which) {
  if (which != TVSIL_NORMAL) return nullptr;
  CImageList* old = images_;
  images_ = list;
  NotifyChanged(WOC_CONTENT);
  return old;
}

BOOL CTreeCtrl::UserEditLabel(HTREEITEM item, const std::string& text) {
  const Item* i = Find(item);
  if (!i || !(GetStyle() & TVS_EDITLABELS) || !IsWindowEnabled()) return FALSE;
  NMTVDISPINFO begin;
  begin.hdr.code = TVN_BEGINLABELEDIT;
  begin.item.hItem = item;
  begin.item.pszText = i->text.c_str();
  begin.item.lParam = LPARAM(i->data);
  const HWND self = m_hWnd;
  if (NotifyParent(begin.hdr) != 0 || !Alive(self)) return FALSE;
  NMTVDISPINFO end;
  end.hdr.code = TVN_ENDLABELEDIT;
  end.item.hItem = item;
  end.item.pszText = text.c_str();
  end.item.lParam = LPARAM(GetItemData(item));
  if (NotifyParent(end.hdr) == 0 || !Alive(self)) return FALSE;
  return SetItemText(item, text);
}

void CTreeCtrl::UserSelect(HTREEITEM item) {
  if (IsWindowEnabled()) SelectItem(item);
}

}  // namespace fw
