// The object base with run-time class information, command targets with their
// static command maps, and the update-handler interface for menu items and buttons.
#pragma once
#include <cstddef>
#include <string>

#include "framework/fwdefs.h"

namespace fw {

class CObject;
class CCmdTarget;
class CCmdUI;
class CMenu;
class CWnd;

struct CRuntimeClass {
  const char* m_lpszClassName;
  const CRuntimeClass* m_pBaseClass;
  CObject* (*m_pfnCreateObject)();
  CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
  bool IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }
  static const CRuntimeClass classCObject;
};

#define FW_RUNTIME_CLASS(cls) (&cls::class##cls)
#define FW_DECLARE_DYNAMIC(cls)                          \
 public:                                                 \
  static const ::fw::CRuntimeClass class##cls;           \
  const ::fw::CRuntimeClass* GetRuntimeClass() const override;
#define FW_DECLARE_DYNCREATE(cls) \
  FW_DECLARE_DYNAMIC(cls)         \
  static ::fw::CObject* CreateObject();
#define FW_IMPLEMENT_DYNAMIC(cls, base)                                                 \
  const ::fw::CRuntimeClass cls::class##cls{#cls, FW_RUNTIME_CLASS(base), nullptr};     \
  const ::fw::CRuntimeClass* cls::GetRuntimeClass() const { return &class##cls; }
#define FW_IMPLEMENT_DYNCREATE(cls, base)                                                  \
  ::fw::CObject* cls::CreateObject() { return new cls; }                                   \
  const ::fw::CRuntimeClass cls::class##cls{#cls, FW_RUNTIME_CLASS(base), &cls::CreateObject}; \
  const ::fw::CRuntimeClass* cls::GetRuntimeClass() const { return &class##cls; }

// What a command map entry answers.
enum class CmdKind : std::uint8_t {
  Command,  // WM_COMMAND: menu, accelerator or control notification (code)
  Update,   // update handler (CCmdUI)
  Notify,   // WM_NOTIFY (code)
  Message,  // a window message (first = message id)
};

// One routed call. `result` is what the sender of the message gets back.
struct CmdCall {
  CmdKind kind = CmdKind::Command;
  UINT id = 0;
  UINT code = 0;
  CCmdUI* ui = nullptr;
  NMHDR* nmhdr = nullptr;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool probe = false;  // only asks whether a handler exists
  bool reflected = false;
};

using CmdThunk = BOOL (*)(CCmdTarget*, CmdCall&);

struct CmdEntry {
  CmdKind kind;
  UINT code;
  UINT first;
  UINT last;
  bool reflect;
  CmdThunk fn;
};

struct CmdMap {
  const CmdMap* base;
  const CmdEntry* entries;  // ends with an entry whose fn is null
};

class CCmdTarget : public CObject {
 public:
  FW_DECLARE_DYNAMIC(CCmdTarget)
  // Runs this object's own handler for the call; TRUE when one took it.
  virtual BOOL OnCmdMsg(CmdCall& call);
  // Routes a plain command (or an update) through OnCmdMsg.
  BOOL OnCmdMsg(UINT id, CmdKind kind, CCmdUI* ui = nullptr);
  virtual const CmdMap* GetCommandMap() const { return commandMap(); }

 protected:
  static const CmdMap* commandMap();
  // Looks the call up in this object's own map chain and runs it.
  BOOL DispatchCmdMsg(CmdCall& call);
};

// The update interface handed to update handlers.
class CCmdUI {
 public:
  UINT m_nID = 0;
  UINT m_nIndex = 0;
  UINT m_nIndexMax = 0;
  CMenu* m_pMenu = nullptr;
  CWnd* m_pOther = nullptr;  // the tool bar, status bar or control being updated
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;

  virtual ~CCmdUI() = default;
  virtual void Enable(BOOL on = TRUE);
  virtual void SetCheck(int check = 1);  // 0 clear, 1 checked, 2 indeterminate
  virtual void SetRadio(BOOL on = TRUE);
  virtual void SetText(const std::string& text);
  void ContinueRouting() { m_bContinueRouting = TRUE; }

  // Routes the update to target; with no update handler and disable set, an item
  // that no command handler takes is disabled. Returns TRUE when a handler ran.
  BOOL DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler);

  // What the handlers set (also kept for items that are no menu or bar).
  bool enabled = true;
  int check = 0;
  bool radio = false;
  bool textSet = false;
  std::string text;
};

}  // namespace fw

// Command maps. In the class: FW_DECLARE_COMMAND_MAP(); in the source:
//   FW_BEGIN_COMMAND_MAP(CMyView, fw::CView)
//     FW_ON_COMMAND(40070, OnSelect)
//     FW_ON_UPDATE_COMMAND_UI(40070, OnUpdateSelect)
//   FW_END_COMMAND_MAP()
#define FW_DECLARE_COMMAND_MAP()                                                \
 protected:                                                                     \
  static const ::fw::CmdMap* commandMap();                                      \
                                                                                \
 public:                                                                        \
  const ::fw::CmdMap* GetCommandMap() const override { return commandMap(); } \
                                                                                \
 protected:

#define FW_BEGIN_COMMAND_MAP(cls, base)       \
  const ::fw::CmdMap* cls::commandMap() {     \
    using ThisClass [[maybe_unused]] = cls;   \
    using BaseClass [[maybe_unused]] = base;  \
    static const ::fw::CmdEntry entries[] = {
#define FW_END_COMMAND_MAP()                                             \
  { ::fw::CmdKind::Command, 0, 0, 0, false, nullptr }                    \
  }                                                                      \
  ;                                                                      \
  static const ::fw::CmdMap map{BaseClass::commandMap(), entries};      \
  return &map;                                                           \
  }

// Closes a map whose base is given by an expression (a chain of maps kept
// apart, as the design view's command families are).
#define FW_END_COMMAND_MAP_CHAIN(baseExpr)                               \
  { ::fw::CmdKind::Command, 0, 0, 0, false, nullptr }                    \
  }                                                                      \
  ;                                                                      \
  static const ::fw::CmdMap map{(baseExpr), entries};                    \
  return &map;                                                           \
  }

// A map of its own for handlers of class cls, chained before `base`; in a
// source: FW_BEGIN_COMMAND_FAMILY(cls, MyFamilyMap) ... FW_END_COMMAND_FAMILY()
// defines `const fw::CmdMap* MyFamilyMap(const fw::CmdMap* base)`.
#define FW_BEGIN_COMMAND_FAMILY(cls, name)                  \
  const ::fw::CmdMap* name(const ::fw::CmdMap* base_) {     \
    using ThisClass [[maybe_unused]] = cls;                 \
    static const ::fw::CmdEntry entries[] = {
#define FW_END_COMMAND_FAMILY() FW_END_COMMAND_MAP_CHAIN(base_)

#define FW_CMD_THUNK(body) [](::fw::CCmdTarget* t_, ::fw::CmdCall& c_) -> ::fw::BOOL { \
  auto* self_ = static_cast<ThisClass*>(t_); (void)self_; (void)c_; body }

// void fn()
#define FW_ON_COMMAND(nID_, fn) \
  {::fw::CmdKind::Command, 0, (nID_), (nID_), false, FW_CMD_THUNK(self_->fn(); return 1;)},
// void fn(UINT id)
#define FW_ON_COMMAND_RANGE(first, last, fn) \
  {::fw::CmdKind::Command, 0, (first), (last), false, FW_CMD_THUNK(self_->fn(c_.id); return 1;)},
// BOOL fn(UINT id): FALSE lets the command route on
#define FW_ON_COMMAND_EX(nID_, fn) \
  {::fw::CmdKind::Command, 0, (nID_), (nID_), false, FW_CMD_THUNK(return self_->fn(c_.id);)},
#define FW_ON_COMMAND_EX_RANGE(first, last, fn) \
  {::fw::CmdKind::Command, 0, (first), (last), false, FW_CMD_THUNK(return self_->fn(c_.id);)},
// LRESULT fn(LPARAM): the value goes back to the sender of the command
#define FW_ON_COMMAND_LPARAM(nID_, fn) \
  {::fw::CmdKind::Command, 0, (nID_), (nID_), false, FW_CMD_THUNK(c_.result = self_->fn(c_.lParam); return 1;)},
// void fn(CCmdUI*)
#define FW_ON_UPDATE_COMMAND_UI(nID_, fn) \
  {::fw::CmdKind::Update, 0, (nID_), (nID_), false, FW_CMD_THUNK(self_->fn(c_.ui); return 1;)},
#define FW_ON_UPDATE_COMMAND_UI_RANGE(first, last, fn) \
  {::fw::CmdKind::Update, 0, (first), (last), false, FW_CMD_THUNK(self_->fn(c_.ui); return 1;)},
// Control notifications sent to the parent: void fn()
#define FW_ON_CONTROL(code, nID_, fn) \
  {::fw::CmdKind::Command, (code), (nID_), (nID_), false, FW_CMD_THUNK(self_->fn(); return 1;)},
#define FW_ON_BN_CLICKED(nID_, fn) FW_ON_CONTROL(::fw::BN_CLICKED, nID_, fn)
#define FW_ON_CBN_SELCHANGE(nID_, fn) FW_ON_CONTROL(::fw::CBN_SELCHANGE, nID_, fn)
#define FW_ON_CBN_DROPDOWN(nID_, fn) FW_ON_CONTROL(::fw::CBN_DROPDOWN, nID_, fn)
#define FW_ON_CBN_CLOSEUP(nID_, fn) FW_ON_CONTROL(::fw::CBN_CLOSEUP, nID_, fn)
#define FW_ON_CBN_EDITCHANGE(nID_, fn) FW_ON_CONTROL(::fw::CBN_EDITCHANGE, nID_, fn)
#define FW_ON_LBN_SELCHANGE(nID_, fn) FW_ON_CONTROL(::fw::LBN_SELCHANGE, nID_, fn)
#define FW_ON_LBN_DBLCLK(nID_, fn) FW_ON_CONTROL(::fw::LBN_DBLCLK, nID_, fn)
#define FW_ON_EN_CHANGE(nID_, fn) FW_ON_CONTROL(::fw::EN_CHANGE, nID_, fn)
#define FW_ON_EN_KILLFOCUS(nID_, fn) FW_ON_CONTROL(::fw::EN_KILLFOCUS, nID_, fn)
// WM_NOTIFY from a control: void fn(NMHDR*, LRESULT*)
#define FW_ON_NOTIFY(code, nID_, fn) \
  {::fw::CmdKind::Notify, (code), (nID_), (nID_), false, FW_CMD_THUNK(self_->fn(c_.nmhdr, &c_.result); return 1;)},
// Notifications a control handles itself (reflected from its parent): void fn()
#define FW_ON_CONTROL_REFLECT(code, fn) \
  {::fw::CmdKind::Command, (code), 0, 0xFFFFFFFFu, true, FW_CMD_THUNK(self_->fn(); return 1;)},
#define FW_ON_NOTIFY_REFLECT(code, fn) \
  {::fw::CmdKind::Notify, (code), 0, 0xFFFFFFFFu, true, FW_CMD_THUNK(self_->fn(c_.nmhdr, &c_.result); return 1;)},
// Any window message: LRESULT fn(WPARAM, LPARAM)
#define FW_ON_MESSAGE(msg, fn) \
  {::fw::CmdKind::Message, 0, (msg), (msg), false, FW_CMD_THUNK(c_.result = self_->fn(c_.wParam, c_.lParam); return 1;)},
