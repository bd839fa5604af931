// The scanner client: loads the source manager "TWAIN_32.DLL" from the
// program folder, binds "DSM_Entry" and walks the protocol's states 1 to 7
// to choose a source, enable it and take its images by native transfer (one
// packed bitmap per image in a movable block). A base class: the receiver
// gets images, errors and state changes through the virtual operations.
#pragma once
#include <string>

#include "framework/fwdefs.h"
#include "framework/wnd.h"
#include "model/twain.h"
#include "platform/gmem.h"

class CTwain {
 public:
  // Codes of OnError.
  static constexpr int kErrorOpenManager = 0;
  static constexpr int kErrorOpenSource = 1;
  static constexpr int kErrorEnableSource = 2;

  CTwain();
  virtual ~CTwain();
  CTwain(const CTwain&) = delete;
  CTwain& operator=(const CTwain&) = delete;

  // Transfers the pending images (the message that announced them).
  virtual void OnTransferReady(fw::MSG* message);
  // The source asks to be closed: closes it.
  virtual void OnCloseRequest();
  // Each image; the block belongs to the receiver (the base frees it).
  virtual void OnImage(plat::HGLOBAL image);
  virtual void OnStateChange(int state);
  // A step of an acquisition failed (kError...).
  virtual void OnError(int code);

  // True while "DSM_Entry" is bound; else the first call tries to load the
  // source manager and every later one answers as that try did.
  bool IsAvailable();
  void SetParentWindow(fw::CWnd* window) { m_parent = window; }
  int GetState() const { return m_state; }
  TW_UINT16 GetLastReturnCode() const { return m_returnCode; }
  // The source manager's selection of the default source.
  bool SelectSource(fw::CWnd* window = nullptr);
  // Opens the source manager and the source and enables the source.
  bool BeginAcquire(fw::CWnd* window = nullptr);
  // Gives a window message to the enabled source; true when it took it.
  // Images arrive through OnImage during this call.
  bool ProcessSourceMessage(fw::MSG* message);
  // Closes down step by step until the state is at most the target.
  bool DropToState(int target, fw::CWnd* window = nullptr);

  // The steps; each returns whether the state after it is the one aimed at.
  bool LoadSourceManager();
  bool OpenSourceManager(fw::CWnd* window = nullptr);
  bool OpenSource();
  bool EnableSource(fw::CWnd* window = nullptr);
  bool DisableSource();
  bool CloseSource();
  bool CloseSourceManager(fw::CWnd* window = nullptr);
  bool UnloadSourceManager();
  bool EndTransfer();
  bool CancelTransfers();

  // Tests: forgets the bound source manager and its availability; the next
  // load binds `entry` when given, else loads the library `fileName`.
  static void BindForTest(DSMENTRYPROC entry, const std::string& fileName = twain::kFileName);
  // How many times a load of the source manager was tried.
  static int LoadAttempts();

 protected:
  bool SourceManagerCall(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  bool SourceCall(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  void SetState(int state);

 private:
  bool Call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_HANDLE WindowHandle(fw::CWnd* window) const;

  int m_state = 1;
  int m_savedState = 1;
  TW_IDENTITY m_appId{};
  TW_UINT16 m_returnCode = TWRC_SUCCESS;
  TW_USERINTERFACE m_ui{};
  fw::UINT m_showUI = 1;
  TW_PENDINGXFERS m_pending{};
  fw::CWnd* m_parent = nullptr;
};
