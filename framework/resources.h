// Our resource tables: strings, menus, tool bars, dialogs, accelerators, cursors and
// bitmaps by id. Each part of the program registers its own resources at start-up
// (or a test registers what it needs). Texts are stored as given (program texts
// in the program's code page, as every stored text).
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "framework/fwdefs.h"

namespace fw {

struct MenuItemDef {
  MenuItemDef() = default;
  MenuItemDef(std::string t, UINT i = 0, UINT f = 0) : text(std::move(t)), id(i), flags(f) {}
  MenuItemDef(std::string t, std::vector<MenuItemDef> popup, UINT f = 0)
      : text(std::move(t)), flags(f), items(std::move(popup)) {}
  std::string text;
  UINT id = 0;     // 0 with MF_SEPARATOR
  UINT flags = 0;  // MF_ flags; MF_POPUP is implied by items
  std::vector<MenuItemDef> items;  // a popup when not empty
};

struct ToolBarDef {
  int buttonWidth = 16;  // image size; a button is 7 by 7 pixels larger
  int buttonHeight = 15;
  std::vector<UINT> ids;  // ID_SEPARATOR (0) for a separator; images count the others in order
};

enum class CtrlKind : std::uint8_t {
  Button,    // push, default push, check box, radio button, group box (by style)
  Edit,
  Static,
  ComboBox,
  ListBox,
  ScrollBar,
  Spin,      // up-down control
  Slider,    // track bar
  ListView,
  TabCtrl,
  Progress,
  TreeView,
  Custom,
};

struct DlgItemDef {
  DlgItemDef() = default;
  DlgItemDef(UINT i, CtrlKind k, std::string t = {}, DWORD s = 0, RECT r = {}, DWORD ex = 0)
      : id(i), kind(k), text(std::move(t)), style(s), rect(r), exStyle(ex) {}
  UINT id = 0;
  CtrlKind kind = CtrlKind::Static;
  std::string text;
  DWORD style = 0;  // WS_ and the kind's own style bits
  RECT rect{};
  DWORD exStyle = 0;
};

struct DialogTemplate {
  std::string caption;
  DWORD style = 0;
  RECT rect{};
  std::vector<DlgItemDef> items;
};

// Accelerator entry; fVirt flags FVIRTKEY, FSHIFT, FCONTROL, FALT.
struct ACCEL {
  BYTE fVirt = 0;
  WORD key = 0;
  WORD cmd = 0;
};
constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FNOINVERT = 0x02;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

namespace res {

void SetString(UINT id, std::string text);
// TRUE and the text when the string exists; else FALSE and an empty text.
BOOL LoadString(UINT id, std::string& out);
std::string String(UINT id);  // empty when missing

void SetMenu(UINT id, std::vector<MenuItemDef> items);
const std::vector<MenuItemDef>* FindMenu(UINT id);

void SetToolBar(UINT id, ToolBarDef def);
const ToolBarDef* FindToolBar(UINT id);

void SetDialog(UINT id, DialogTemplate def);
const DialogTemplate* FindDialog(UINT id);

void SetAccelerators(UINT id, std::vector<ACCEL> table);
const std::vector<ACCEL>* FindAccelerators(UINT id);

// Cursor resources: the id and a name the presentation maps to a picture.
void SetCursor(UINT id, std::string name);
BOOL HasCursor(UINT id);
std::string CursorName(UINT id);

// Bitmap resources: the id and the file (or name) of the picture.
void SetBitmap(UINT id, std::string file);
const std::string* FindBitmap(UINT id);

// Drops every table (tests).
void Clear();

}  // namespace res
}  // namespace fw
