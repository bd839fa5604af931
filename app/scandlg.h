// The scan dialog (222): chooses a scanner source, scans, shows the image
// scaled into a preview frame, saves it as a BMP file, and with "Ok" traces a
// black-and-white scan into an outline of the active design.
#pragma once
#include <memory>

#include "app/dibblock.h"
#include "app/twain.h"
#include "framework/dialog.h"

class CScanDlg : public fw::CDialog, public CTwain {
 public:
  explicit CScanDlg(fw::CWnd* parent = nullptr);
  ~CScanDlg() override;

  fw::BOOL OnInitDialog() override;
  fw::BOOL PreTranslateMessage(fw::MSG* msg) override;
  void OnPaint() override;
  void OnOK() override;
  void OnCancel() override;

  void OnTransferReady(fw::MSG* message) override;
  void OnImage(plat::HGLOBAL image) override;
  void OnError(int code) override;

  // The image shown, or null.
  const CDibBlock* GetImage() const { return m_image.get(); }
  // Images received since the dialog opened.
  int ImagesReceived() const { return m_received; }

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnSelectTwain();
  void OnScan();
  void SaveImageAsBmp();

 private:
  fw::RECT FrameRect() const;

  std::unique_ptr<CDibBlock> m_image;
  int m_received = 0;
};
