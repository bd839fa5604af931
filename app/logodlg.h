// The start-up window (dialog 207): the program's picture and, in static
// 1184, the stage texts of the settings loader.
#pragma once
#include "framework/dialog.h"
#include "platform/dc.h"

class CLogoDlg : public fw::CDialog {
 public:
  CLogoDlg();
  ~CLogoDlg() override;

  // Creates the window (topmost, modeless); "logo.bmp" of the program's
  // folder is read as its picture.
  fw::BOOL Create(fw::CWnd* parent = nullptr);
  void OnPaint() override;
  void OnDestroy() override;
  plat::HBITMAP GetBitmap() const { return m_bitmap; }

 private:
  plat::HBITMAP m_bitmap = nullptr;
};
