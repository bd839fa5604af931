#include "framework/resources.h"

#include <map>
#include <utility>

namespace fw::res {
namespace {

struct Tables {
  std::map<UINT, std::string> strings;
  std::map<UINT, std::vector<MenuItemDef>> menus;
  std::map<UINT, ToolBarDef> toolbars;
  std::map<UINT, DialogTemplate> dialogs;
  std::map<UINT, std::vector<ACCEL>> accels;
  std::map<UINT, std::string> cursors;
  std::map<UINT, std::string> bitmaps;
};

Tables& T() {
  static Tables t;
  return t;
}

template <class M>
const typename M::mapped_type* Find(const M& m, UINT id) {
  auto it = m.find(id);
  return it == m.end() ? nullptr : &it->second;
}

}  // namespace

void SetString(UINT id, std::string text) { T().strings[id] = std::move(text); }

BOOL LoadString(UINT id, std::string& out) {
  const std::string* s = Find(T().strings, id);
  out = s ? *s : std::string();
  return s != nullptr;
}

std::string String(UINT id) {
  std::string s;
  LoadString(id, s);
  return s;
}

void SetMenu(UINT id, std::vector<MenuItemDef> items) { T().menus[id] = std::move(items); }
const std::vector<MenuItemDef>* FindMenu(UINT id) { return Find(T().menus, id); }

void SetToolBar(UINT id, ToolBarDef def) { T().toolbars[id] = std::move(def); }
const ToolBarDef* FindToolBar(UINT id) { return Find(T().toolbars, id); }

void SetDialog(UINT id, DialogTemplate def) { T().dialogs[id] = std::move(def); }
const DialogTemplate* FindDialog(UINT id) { return Find(T().dialogs, id); }

void SetAccelerators(UINT id, std::vector<ACCEL> table) { T().accels[id] = std::move(table); }
const std::vector<ACCEL>* FindAccelerators(UINT id) { return Find(T().accels, id); }

void SetCursor(UINT id, std::string name) { T().cursors[id] = std::move(name); }
BOOL HasCursor(UINT id) { return Find(T().cursors, id) != nullptr; }
std::string CursorName(UINT id) {
  const std::string* s = Find(T().cursors, id);
  return s ? *s : std::string();
}

void SetBitmap(UINT id, std::string file) { T().bitmaps[id] = std::move(file); }
const std::string* FindBitmap(UINT id) { return Find(T().bitmaps, id); }

void Clear() { T() = Tables{}; }

}  // namespace fw::res
