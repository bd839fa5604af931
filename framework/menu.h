// Menus as models: items with ids, texts and states, popups, changed at run time
// by position or by command id; accelerator tables.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "framework/fwdefs.h"
#include "framework/resources.h"

namespace fw {

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_BITMAP = 0x0004;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_MENUBARBREAK = 0x0020;
constexpr UINT MF_MENUBREAK = 0x0040;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MFT_RADIOCHECK = 0x0200;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_SYSMENU = 0x2000;
constexpr UINT MENU_NOT_FOUND = 0xFFFFFFFFu;

class CMenu {
 public:
  struct Item {
    UINT id = 0;
    UINT flags = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED, MFT_RADIOCHECK, MF_SEPARATOR, MF_POPUP ...
    std::string text;
    std::unique_ptr<CMenu> popup;
  };

  CMenu() = default;
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  // Builds the menu from resource `id`; FALSE when there is no such menu.
  BOOL LoadMenu(UINT id);
  void Build(const std::vector<MenuItemDef>& items);
  std::unique_ptr<CMenu> Clone() const;
  void DestroyMenu() { items_.clear(); }

  // Items. With MF_POPUP, the popup argument is taken over.
  BOOL AppendMenu(UINT flags, UINT id = 0, const std::string& text = {});
  BOOL AppendPopup(const std::string& text, std::unique_ptr<CMenu> popup, UINT flags = 0);
  // pos: a position (MF_BYPOSITION, -1 appends) or the command id before which to insert.
  BOOL InsertMenu(UINT pos, UINT flags, UINT id = 0, const std::string& text = {});
  BOOL InsertPopup(UINT pos, UINT flags, const std::string& text, std::unique_ptr<CMenu> popup);
  BOOL ModifyMenu(UINT pos, UINT flags, UINT id, const std::string& text);
  BOOL DeleteMenu(UINT pos, UINT flags);
  // Takes an item out; returns its popup (null for a plain item).
  std::unique_ptr<CMenu> RemoveMenu(UINT pos, UINT flags, BOOL* removed = nullptr);

  // States. Return the previous state bits (MF_ENABLED/MF_GRAYED/MF_DISABLED or
  // MF_CHECKED/MF_UNCHECKED), or MENU_NOT_FOUND.
  UINT EnableMenuItem(UINT item, UINT flags);
  UINT CheckMenuItem(UINT item, UINT flags);
  BOOL CheckMenuRadioItem(UINT first, UINT last, UINT item, UINT flags);
  BOOL SetRadioCheck(UINT item, UINT flags, bool on);
  BOOL SetItemText(UINT item, UINT flags, const std::string& text);

  int GetMenuItemCount() const { return int(items_.size()); }
  // The command id at a position; 0xFFFFFFFF for a popup or a bad position, 0 for a separator.
  UINT GetMenuItemID(int pos) const;
  CMenu* GetSubMenu(int pos) const;
  UINT GetMenuState(UINT item, UINT flags) const;  // MENU_NOT_FOUND when missing
  std::string GetMenuString(UINT item, UINT flags) const;
  // Whether an item with the command id exists here or in a popup.
  bool HasCommand(UINT id) const;

  const Item* FindItem(UINT item, UINT flags) const;
  Item* FindItem(UINT item, UINT flags, CMenu** owner = nullptr, int* index = nullptr);
  const std::vector<Item>& Items() const { return items_; }

 private:
  BOOL InsertItem(UINT pos, UINT flags, Item it);

  std::vector<Item> items_;
};

// Finds the accelerator for a key message (WM_KEYDOWN, WM_SYSKEYDOWN or WM_CHAR)
// with the keyboard's modifier state; sends WM_COMMAND (high word 1) to hwnd.
BOOL TranslateAccelerator(HWND hwnd, const std::vector<ACCEL>* table, const MSG* msg);

}  // namespace fw
