#include "app/twain.h"

#include <cstring>

#include "framework/app.h"
#include "platform/library.h"

namespace {

// Shared by every client: the source manager and the source it opened.
struct Binding {
  plat::HMODULE module = nullptr;
  DSMENTRYPROC entry = nullptr;
  int availability = 0;  // 0 not tried, 1 loaded, -1 failed
  TW_IDENTITY source{};
  DSMENTRYPROC testEntry = nullptr;
  std::string fileName = twain::kFileName;
  int attempts = 0;
};

Binding& B() {
  static Binding b;
  return b;
}

void SetText(TW_STR32& out, const char* text) {
  std::memset(out, 0, sizeof out);
  std::strncpy(out, text, sizeof out - 1);
}

}  // namespace

CTwain::CTwain() {
  SetState(1);
  m_appId.Id = 0;
  m_appId.Version.MajorNum = 1;
  m_appId.Version.MinorNum = 0;
  m_appId.Version.Language = TWLG_USA;
  m_appId.Version.Country = TWCY_USA;
  SetText(m_appId.Version.Info, "<?>");
  m_appId.ProtocolMajor = TWON_PROTOCOLMAJOR;
  m_appId.ProtocolMinor = TWON_PROTOCOLMINOR;
  m_appId.SupportedGroups = DG_CONTROL | DG_IMAGE;
  SetText(m_appId.Manufacturer, "<?>");
  SetText(m_appId.ProductFamily, "<?>");
  SetText(m_appId.ProductName, "<?>");
}

CTwain::~CTwain() {
  // A transfer left pending is ended first, so that the source can close.
  CancelTransfers();
  CloseSourceManager();
  UnloadSourceManager();
}

void CTwain::BindForTest(DSMENTRYPROC entry, const std::string& fileName) {
  Binding& b = B();
  if (b.module) plat::FreeLibrary(b.module);
  b.module = nullptr;
  b.entry = nullptr;
  b.availability = 0;
  b.source = TW_IDENTITY{};
  b.testEntry = entry;
  b.fileName = fileName;
  b.attempts = 0;
}

int CTwain::LoadAttempts() { return B().attempts; }

void CTwain::SetState(int state) {
  m_state = state;
  OnStateChange(state);
}

TW_HANDLE CTwain::WindowHandle(fw::CWnd* window) const {
  if (!window) window = m_parent;
  if (!window) window = fw::AfxGetMainWnd();
  return window ? window->GetSafeHwnd() : 0;
}

bool CTwain::Call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  DSMENTRYPROC entry = B().entry;
  if (!entry) return false;
  m_returnCode = entry(&m_appId, dest, dg, dat, msg, data);
  const bool ok = m_returnCode == TWRC_SUCCESS;
  if (dg == DG_CONTROL) {
    switch (dat) {
      case DAT_PARENT:
        if (ok && msg == MSG_OPENDSM) SetState(3);
        if (ok && msg == MSG_CLOSEDSM) SetState(2);
        break;
      case DAT_IDENTITY:
        if (ok && msg == MSG_OPENDS) SetState(4);
        if (ok && msg == MSG_CLOSEDS) SetState(3);
        break;
      case DAT_USERINTERFACE:
        if (ok && msg == MSG_ENABLEDS) SetState(5);
        if (ok && msg == MSG_DISABLEDS) SetState(4);
        break;
      case DAT_EVENT:
        if (msg == MSG_PROCESSEVENT) {
          const TW_UINT16 event = static_cast<TW_EVENT*>(data)->TWMessage;
          if (event == MSG_XFERREADY) SetState(6);
          if (event == MSG_CLOSEDSREQ) SetState(5);
        }
        break;
      case DAT_PENDINGXFERS:
        if (ok && msg == MSG_ENDXFER) SetState(m_pending.Count != 0 ? 6 : 5);
        if (ok && msg == MSG_RESET) SetState(5);
        break;
      default:
        break;
    }
  } else if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
    SetState(m_returnCode == TWRC_XFERDONE || m_returnCode == TWRC_CANCEL ? 7 : 6);
  }
  return ok;
}

bool CTwain::SourceManagerCall(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  return Call(nullptr, dg, dat, msg, data);
}

bool CTwain::SourceCall(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  return Call(&B().source, dg, dat, msg, data);
}

bool CTwain::IsAvailable() {
  Binding& b = B();
  if (b.entry) return true;
  if (b.availability == 0) b.availability = LoadSourceManager() ? 1 : -1;
  return b.availability > 0;
}

bool CTwain::LoadSourceManager() {
  if (m_state != 1) return m_state == 2;
  Binding& b = B();
  ++b.attempts;
  if (b.testEntry) {
    b.entry = b.testEntry;
  } else {
    // Missing, unloadable or without the entry point: nothing is loaded, nothing shown.
    plat::HMODULE module = plat::LoadLibrary(b.fileName);
    if (!module) return false;
    auto entry = plat::GetProcAddressAs<DSMENTRYPROC>(module, twain::kEntryName);
    if (!entry) {
      plat::FreeLibrary(module);
      return false;
    }
    b.module = module;
    b.entry = entry;
  }
  b.availability = 1;
  SetState(2);
  return true;
}

bool CTwain::OpenSourceManager(fw::CWnd* window) {
  LoadSourceManager();
  if (m_state == 2) {
    TW_HANDLE parent = WindowHandle(window);
    SourceManagerCall(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent);
  }
  return m_state > 2;
}

bool CTwain::OpenSource() {
  if (m_state != 3) return m_state == 4;
  // An empty identity: the source manager opens its default source.
  TW_IDENTITY& source = B().source;
  source = TW_IDENTITY{};
  SourceManagerCall(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
  return m_state == 4;
}

bool CTwain::EnableSource(fw::CWnd* window) {
  if (m_state != 4) return m_state == 5;
  m_ui.ShowUI = TW_BOOL(m_showUI);
  m_ui.ModalUI = 0;
  m_ui.hParent = WindowHandle(window);
  SourceCall(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui);
  return m_state == 5;
}

bool CTwain::DisableSource() {
  if (m_state == 5) SourceCall(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui);
  return m_state < 5;
}

bool CTwain::CloseSource() {
  m_returnCode = TWRC_SUCCESS;
  if (m_state == 5) DisableSource();
  if (m_state == 4) SourceManagerCall(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &B().source);
  return m_state < 4;
}

bool CTwain::CloseSourceManager(fw::CWnd* window) {
  CloseSource();
  if (m_state > 2) {
    TW_HANDLE parent = WindowHandle(window);
    SourceManagerCall(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
  }
  return m_state < 3;
}

bool CTwain::UnloadSourceManager() {
  m_returnCode = TWRC_SUCCESS;
  if (m_state == 2) {
    Binding& b = B();
    if (b.module) plat::FreeLibrary(b.module);
    b.module = nullptr;
    b.entry = nullptr;
    SetState(1);
  }
  return m_state == 1;
}

bool CTwain::EndTransfer() {
  if (m_state == 7) SourceCall(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &m_pending);
  return m_state < 7;
}

bool CTwain::CancelTransfers() {
  EndTransfer();
  if (m_state == 6) SourceCall(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &m_pending);
  return m_state < 6;
}

bool CTwain::DropToState(int target, fw::CWnd* window) {
  while (m_state > target) {
    bool ok = false;
    switch (m_state) {
      case 7: ok = EndTransfer(); break;
      case 6: ok = CancelTransfers(); break;
      case 5: ok = DisableSource(); break;
      case 4: ok = CloseSource(); break;
      case 3: ok = CloseSourceManager(window); break;
      default: ok = UnloadSourceManager(); break;
    }
    if (!ok) return false;
  }
  return true;
}

bool CTwain::SelectSource(fw::CWnd* window) {
  const int remembered = m_state;
  bool selected = false;
  if (!OpenSourceManager(window)) {
    OnError(kErrorOpenManager);
  } else {
    TW_IDENTITY choice{};
    SourceManagerCall(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &choice);
    selected = SourceManagerCall(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &choice);
  }
  DropToState(remembered, window);
  return selected;
}

bool CTwain::BeginAcquire(fw::CWnd* window) {
  m_savedState = m_state;
  int error = -1;
  if (m_state < 3 && !OpenSourceManager(window)) error = kErrorOpenManager;
  else if (m_state < 4 && !OpenSource()) error = kErrorOpenSource;
  else if (m_state == 4 && !EnableSource(window)) error = kErrorEnableSource;
  if (error >= 0) {
    OnError(error);
    DropToState(m_savedState, window);
    return false;
  }
  return true;
}

bool CTwain::ProcessSourceMessage(fw::MSG* message) {
  if (m_state <= 4) return false;
  TW_EVENT event{};
  event.pEvent = message;
  event.TWMessage = MSG_NULL;
  SourceCall(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  const bool taken = m_returnCode == TWRC_DSEVENT;
  switch (event.TWMessage) {
    case MSG_XFERREADY: OnTransferReady(message); break;
    case MSG_CLOSEDSREQ: OnCloseRequest(); break;
    default: break;
  }
  return taken;
}

void CTwain::OnTransferReady(fw::MSG*) {
  for (;;) {
    TW_UINT32 image = 0;
    SourceCall(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &image);
    if (m_state == 6) {
      // Neither done nor cancelled: the rest is given up rather than asked again.
      CancelTransfers();
      return;
    }
    const bool counts = m_returnCode == TWRC_XFERDONE;
    EndTransfer();
    if (counts) OnImage(image);
    if (m_state != 6) return;
  }
}

void CTwain::OnCloseRequest() { CloseSource(); }

void CTwain::OnImage(plat::HGLOBAL image) {
  if (image) plat::GlobalFree(image);
}

void CTwain::OnStateChange(int) {}

void CTwain::OnError(int) {}
