// The design window's child frame.
#pragma once
#include "framework/docview.h"

class CVORLAN98Frame : public fw::CMDIChildWnd {
  FW_DECLARE_DYNCREATE(CVORLAN98Frame)

 public:
  fw::BOOL PreCreateWindow(fw::CREATESTRUCT& cs) override;
};
