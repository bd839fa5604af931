// The tree control: items under parents, one selected item, label editing
// with its end-edit notification, and images from an image list.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "framework/controls.h"

namespace fw {

class CImageList;

using HTREEITEM = std::uintptr_t;  // 0: no item
constexpr HTREEITEM TVI_ROOT = HTREEITEM(-0x10000);
constexpr HTREEITEM TVI_FIRST = HTREEITEM(-0x0FFFF);
constexpr HTREEITEM TVI_LAST = HTREEITEM(-0x0FFFE);

constexpr DWORD TVS_HASBUTTONS = 0x0001;
constexpr DWORD TVS_HASLINES = 0x0002;
constexpr DWORD TVS_LINESATROOT = 0x0004;
constexpr DWORD TVS_EDITLABELS = 0x0008;
constexpr DWORD TVS_SHOWSELALWAYS = 0x0020;

constexpr UINT TVE_COLLAPSE = 0x0001;
constexpr UINT TVE_EXPAND = 0x0002;
constexpr UINT TVE_TOGGLE = 0x0003;
constexpr int TVSIL_NORMAL = 0;

constexpr UINT TVN_SELCHANGED = 0u - 402u;
constexpr UINT TVN_BEGINLABELEDIT = 0u - 410u;
constexpr UINT TVN_ENDLABELEDIT = 0u - 411u;

struct TVITEM {
  HTREEITEM hItem = 0;
  const char* pszText = nullptr;  // the edited text; null when the edit was cancelled
  int iImage = 0;
  int iSelectedImage = 0;
  LPARAM lParam = 0;
};

struct NMTREEVIEW {
  NMHDR hdr;
  UINT action = 0;
  TVITEM itemOld;
  TVITEM itemNew;
  POINT ptDrag{};
};

struct NMTVDISPINFO {
  NMHDR hdr;
  TVITEM item;
};

class CTreeCtrl : public CControl {
 public:
  HTREEITEM InsertItem(const std::string& text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
  HTREEITEM InsertItem(const std::string& text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
                       HTREEITEM after = TVI_LAST);
  // The item and everything under it.
  BOOL DeleteItem(HTREEITEM item);
  BOOL DeleteAllItems();
  UINT GetCount() const { return UINT(items_.size()); }

  HTREEITEM GetRootItem() const { return roots_.empty() ? 0 : roots_.front(); }
  HTREEITEM GetChildItem(HTREEITEM item) const;
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
  HTREEITEM GetParentItem(HTREEITEM item) const;
  BOOL ItemHasChildren(HTREEITEM item) const { return GetChildItem(item) != 0; }
  // Place among its siblings, -1 for no such item.
  int GetItemIndex(HTREEITEM item) const;

  std::string GetItemText(HTREEITEM item) const;
  BOOL SetItemText(HTREEITEM item, const std::string& text);
  BOOL GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
  BOOL SetItemData(HTREEITEM item, std::uintptr_t data);
  std::uintptr_t GetItemData(HTREEITEM item) const;
  BOOL Expand(HTREEITEM item, UINT code);
  BOOL IsExpanded(HTREEITEM item) const;

  HTREEITEM GetSelectedItem() const { return selected_; }
  // Selects (0: none) and sends TVN_SELCHANGED when the selection changes.
  BOOL SelectItem(HTREEITEM item);

  // Not owned; returns the previous one.
  CImageList* SetImageList(CImageList* list, int which);
  CImageList* GetImageList(int which) const { return which == TVSIL_NORMAL ? images_ : nullptr; }

  // The user edits a label (TVS_EDITLABELS): TVN_BEGINLABELEDIT (a non-zero
  // answer refuses the edit), then TVN_ENDLABELEDIT with the text; the label
  // takes the text only when the parent answers non-zero. TRUE when it did.
  BOOL UserEditLabel(HTREEITEM item, const std::string& text);
  // The user clicks an item: it becomes the selected one.
  void UserSelect(HTREEITEM item);

 private:
  struct Item {
    std::string text;
    HTREEITEM parent = 0;
    std::vector<HTREEITEM> children;
    int image = 0, selectedImage = 0;
    std::uintptr_t data = 0;
    bool expanded = false;
  };
  const Item* Find(HTREEITEM item) const;
  std::vector<HTREEITEM>* SiblingsOf(HTREEITEM parent);
  const std::vector<HTREEITEM>* SiblingsOf(HTREEITEM parent) const;
  void Erase(HTREEITEM item);

  std::map<HTREEITEM, Item> items_;
  std::vector<HTREEITEM> roots_;
  HTREEITEM next_ = 1;
  HTREEITEM selected_ = 0;
  CImageList* images_ = nullptr;
};

}  // namespace fw
