#include "framework/cmdtarget.h"

#include "framework/menu.h"

namespace fw {

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
    if (c == base) return true;
  return false;
}

const CRuntimeClass CObject::classCObject{"CObject", nullptr, nullptr};
const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

FW_IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const CmdMap* CCmdTarget::commandMap() {
  static const CmdEntry entries[] = {{CmdKind::Command, 0, 0, 0, false, nullptr}};
  static const CmdMap map{nullptr, entries};
  return &map;
}

BOOL CCmdTarget::DispatchCmdMsg(CmdCall& call) {
  for (const CmdMap* m = GetCommandMap(); m; m = m->base) {
    for (const CmdEntry* e = m->entries; e->fn; ++e) {
      if (e->kind != call.kind || e->reflect != call.reflected) continue;
      if (call.kind != CmdKind::Update && e->code != call.code) continue;
      if (call.id < e->first || call.id > e->last) continue;
      if (call.probe) return TRUE;
      if (e->fn(this, call)) return TRUE;
    }
  }
  return FALSE;
}

BOOL CCmdTarget::OnCmdMsg(CmdCall& call) { return DispatchCmdMsg(call); }

BOOL CCmdTarget::OnCmdMsg(UINT id, CmdKind kind, CCmdUI* ui) {
  CmdCall call;
  call.kind = kind;
  call.id = id;
  call.ui = ui;
  return OnCmdMsg(call);
}

void CCmdUI::Enable(BOOL on) {
  enabled = on != 0;
  m_bEnableChanged = TRUE;
  if (m_pMenu)
    m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
}

void CCmdUI::SetCheck(int c) {
  check = c;
  radio = false;
  if (m_pMenu) m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (c ? MF_CHECKED : MF_UNCHECKED));
}

void CCmdUI::SetRadio(BOOL on) {
  check = on ? 1 : 0;
  radio = true;
  if (m_pMenu) m_pMenu->SetRadioCheck(m_nIndex, MF_BYPOSITION, on != 0);
}

void CCmdUI::SetText(const std::string& t) {
  text = t;
  textSet = true;
  if (m_pMenu) m_pMenu->SetItemText(m_nIndex, MF_BYPOSITION, t);
}

BOOL CCmdUI::DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler) {
  if (!target) return FALSE;
  m_bEnableChanged = FALSE;
  CmdCall call;
  call.kind = CmdKind::Update;
  call.id = m_nID;
  call.ui = this;
  BOOL handled = target->OnCmdMsg(call);
  if (!handled && disableIfNoHandler && !m_bEnableChanged) {
    CmdCall probe;
    probe.kind = CmdKind::Command;
    probe.id = m_nID;
    probe.probe = true;
    Enable(target->OnCmdMsg(probe));
    m_bEnableChanged = FALSE;
  }
  return handled;
}

}  // namespace fw
