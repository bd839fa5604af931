#include "framework/menu.h"

#include "framework/input.h"
#include "framework/wnd.h"

namespace fw {

BOOL CMenu::LoadMenu(UINT id) {
  const std::vector<MenuItemDef>* def = res::FindMenu(id);
  if (!def) return FALSE;
  Build(*def);
  return TRUE;
}

void CMenu::Build(const std::vector<MenuItemDef>& defs) {
  items_.clear();
  for (const MenuItemDef& d : defs) {
    Item it;
    it.id = d.id;
    it.flags = d.flags;
    it.text = d.text;
    if (!d.items.empty()) {
      it.flags |= MF_POPUP;
      it.popup = std::make_unique<CMenu>();
      it.popup->Build(d.items);
    }
    items_.push_back(std::move(it));
  }
}

std::unique_ptr<CMenu> CMenu::Clone() const {
  auto m = std::make_unique<CMenu>();
  for (const Item& i : items_) {
    Item c;
    c.id = i.id;
    c.flags = i.flags;
    c.text = i.text;
    if (i.popup) c.popup = i.popup->Clone();
    m->items_.push_back(std::move(c));
  }
  return m;
}

CMenu::Item* CMenu::FindItem(UINT item, UINT flags, CMenu** owner, int* index) {
  if (flags & MF_BYPOSITION) {
    if (item >= items_.size()) return nullptr;
    if (owner) *owner = this;
    if (index) *index = int(item);
    return &items_[item];
  }
  for (size_t i = 0; i < items_.size(); ++i) {
    Item& it = items_[i];
    if (!it.popup && !(it.flags & MF_SEPARATOR) && it.id == item) {
      if (owner) *owner = this;
      if (index) *index = int(i);
      return &it;
    }
  }
  for (Item& it : items_)
    if (it.popup)
      if (Item* found = it.popup->FindItem(item, flags, owner, index)) return found;
  return nullptr;
}

const CMenu::Item* CMenu::FindItem(UINT item, UINT flags) const {
  return const_cast<CMenu*>(this)->FindItem(item, flags);
}

BOOL CMenu::AppendMenu(UINT flags, UINT id, const std::string& text) {
  return InsertMenu(MENU_NOT_FOUND, flags | MF_BYPOSITION, id, text);
}

BOOL CMenu::AppendPopup(const std::string& text, std::unique_ptr<CMenu> popup, UINT flags) {
  return InsertPopup(MENU_NOT_FOUND, flags | MF_BYPOSITION, text, std::move(popup));
}

// Before the item at `pos` (a position or, by command, an item of this menu or
// of a popup below it), at the end for a position past the last.
BOOL CMenu::InsertItem(UINT pos, UINT flags, Item it) {
  CMenu* owner = this;
  int at = int(items_.size());
  if (flags & MF_BYPOSITION) {
    if (pos < items_.size()) at = int(pos);
  } else if (!FindItem(pos, MF_BYCOMMAND, &owner, &at)) {
    return FALSE;
  }
  owner->items_.insert(owner->items_.begin() + at, std::move(it));
  return TRUE;
}

BOOL CMenu::InsertMenu(UINT pos, UINT flags, UINT id, const std::string& text) {
  if (flags & MF_POPUP) return InsertPopup(pos, flags, text, std::make_unique<CMenu>());
  Item it;
  it.id = (flags & MF_SEPARATOR) ? 0 : id;
  it.flags = flags & ~MF_BYPOSITION;
  it.text = (flags & MF_SEPARATOR) ? std::string() : text;
  return InsertItem(pos, flags, std::move(it));
}

BOOL CMenu::InsertPopup(UINT pos, UINT flags, const std::string& text, std::unique_ptr<CMenu> popup) {
  Item it;
  it.id = MENU_NOT_FOUND;
  it.flags = (flags & ~MF_BYPOSITION) | MF_POPUP;
  it.text = text;
  it.popup = popup ? std::move(popup) : std::make_unique<CMenu>();
  return InsertItem(pos, flags, std::move(it));
}

BOOL CMenu::ModifyMenu(UINT pos, UINT flags, UINT id, const std::string& text) {
  Item* it = FindItem(pos, flags);
  if (!it) return FALSE;
  it->flags = flags & ~MF_BYPOSITION;
  if (it->popup) it->flags |= MF_POPUP;
  if (!it->popup) it->id = id;
  it->text = text;
  return TRUE;
}

std::unique_ptr<CMenu> CMenu::RemoveMenu(UINT pos, UINT flags, BOOL* removed) {
  CMenu* owner = nullptr;
  int at = -1;
  if (removed) *removed = FALSE;
  if (!FindItem(pos, flags, &owner, &at)) return nullptr;
  std::unique_ptr<CMenu> popup = std::move(owner->items_[size_t(at)].popup);
  owner->items_.erase(owner->items_.begin() + at);
  if (removed) *removed = TRUE;
  return popup;
}

BOOL CMenu::DeleteMenu(UINT pos, UINT flags) {
  BOOL removed = FALSE;
  RemoveMenu(pos, flags, &removed);
  return removed;
}

UINT CMenu::EnableMenuItem(UINT item, UINT flags) {
  Item* it = FindItem(item, flags);
  if (!it) return MENU_NOT_FOUND;
  UINT prev = it->flags & (MF_GRAYED | MF_DISABLED);
  it->flags = (it->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return prev;
}

UINT CMenu::CheckMenuItem(UINT item, UINT flags) {
  Item* it = FindItem(item, flags);
  if (!it) return MENU_NOT_FOUND;
  UINT prev = it->flags & MF_CHECKED;
  it->flags = (it->flags & ~(MF_CHECKED | MFT_RADIOCHECK)) | (flags & MF_CHECKED);
  return prev;
}

BOOL CMenu::SetRadioCheck(UINT item, UINT flags, bool on) {
  Item* it = FindItem(item, flags);
  if (!it) return FALSE;
  it->flags = (it->flags & ~MF_CHECKED) | MFT_RADIOCHECK | (on ? MF_CHECKED : 0);
  return TRUE;
}

BOOL CMenu::CheckMenuRadioItem(UINT first, UINT last, UINT item, UINT flags) {
  BOOL found = FALSE;
  if (flags & MF_BYPOSITION) {
    for (UINT p = first; p <= last && p < items_.size(); ++p) {
      SetRadioCheck(p, MF_BYPOSITION, p == item);
      found = found || p == item;
    }
    return found;
  }
  for (UINT id = first; id <= last; ++id) {
    if (FindItem(id, MF_BYCOMMAND)) {
      SetRadioCheck(id, MF_BYCOMMAND, id == item);
      found = found || id == item;
    }
    if (id == 0xFFFFFFFFu) break;
  }
  return found;
}

BOOL CMenu::SetItemText(UINT item, UINT flags, const std::string& text) {
  Item* it = FindItem(item, flags);
  if (!it) return FALSE;
  it->text = text;
  return TRUE;
}

UINT CMenu::GetMenuItemID(int pos) const {
  if (pos < 0 || size_t(pos) >= items_.size()) return MENU_NOT_FOUND;
  const Item& it = items_[size_t(pos)];
  if (it.popup) return MENU_NOT_FOUND;
  return it.id;
}

CMenu* CMenu::GetSubMenu(int pos) const {
  if (pos < 0 || size_t(pos) >= items_.size()) return nullptr;
  return items_[size_t(pos)].popup.get();
}

UINT CMenu::GetMenuState(UINT item, UINT flags) const {
  const Item* it = FindItem(item, flags);
  if (!it) return MENU_NOT_FOUND;
  UINT s = it->flags & ~MF_POPUP;
  if (it->popup) s |= MF_POPUP | (UINT(it->popup->GetMenuItemCount()) << 8);
  return s;
}

std::string CMenu::GetMenuString(UINT item, UINT flags) const {
  const Item* it = FindItem(item, flags);
  return it ? it->text : std::string();
}

bool CMenu::HasCommand(UINT id) const { return FindItem(id, MF_BYCOMMAND) != nullptr; }

BOOL TranslateAccelerator(HWND hwnd, const std::vector<ACCEL>* table, const MSG* msg) {
  if (!table || !msg || !hwnd) return FALSE;
  const bool keyMsg = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
  if (!keyMsg && msg->message != WM_CHAR) return FALSE;
  BYTE mods = 0;
  if (GetKeyState(VK_SHIFT) < 0) mods |= FSHIFT;
  if (GetKeyState(VK_CONTROL) < 0) mods |= FCONTROL;
  if (GetKeyState(VK_MENU) < 0) mods |= FALT;
  for (const ACCEL& a : *table) {
    bool hit = false;
    if (a.fVirt & FVIRTKEY)
      hit = keyMsg && a.key == msg->wParam && (a.fVirt & (FSHIFT | FCONTROL | FALT)) == mods;
    else
      hit = msg->message == WM_CHAR && a.key == msg->wParam && ((a.fVirt & FALT) != 0) == ((mods & FALT) != 0);
    if (hit) {
      SendMessage(hwnd, WM_COMMAND, MAKELONG(a.cmd, 1), 0);
      return TRUE;
    }
  }
  return FALSE;
}

}  // namespace fw
