// The design view of a document.
#pragma once
#include "framework/docview.h"

class CVORLAN98Doc;

class CVORLAN98View : public fw::CView {
  FW_DECLARE_DYNCREATE(CVORLAN98View)
  FW_DECLARE_COMMAND_MAP()

 public:
  CVORLAN98Doc* GetDocument() const;
  void OnDraw(plat::HDC dc) override;
  // An activated design window brings the main window's bars back.
  void OnActivateView(fw::BOOL activate, fw::CView* activateView, fw::CView* deactiveView) override;
  // Import...: objects into the document, text into the text editor.
  void OnFileImport();
};
