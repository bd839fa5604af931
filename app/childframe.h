// The design window's child frame: always maximised, clipping its children.
#pragma once
#include "framework/docview.h"

class CVORLAN98Frame : public fw::CMDIChildWnd {
  FW_DECLARE_DYNCREATE(CVORLAN98Frame)
  FW_DECLARE_COMMAND_MAP()

 public:
  fw::BOOL LoadFrame(fw::UINT id, fw::DWORD style, fw::CWnd* parent, fw::CCreateContext* context) override;
  fw::BOOL PreCreateWindow(fw::CREATESTRUCT& cs) override;
  // "P&alette...": the palette set dialog.
  void OnPaletteSet();
};
