// The program's clipboard: the lists' clipboard calls on the framework's
// clipboard, and the design view's copy of its selection and paste into the
// text it edits.
#pragma once
#include "model/segarray.h"

class CVORLAN98View;

// Opens the framework's clipboard for the main window.
class CAppClipboard : public CClipboardServices {
 public:
  bool Open() override;
  bool Empty() override;
  bool SetData(std::uint32_t format, plat::HGLOBAL block) override;
  void Close() override;
  bool IsFormatAvailable(std::uint32_t format) override;
  plat::HGLOBAL GetData(std::uint32_t format) override;
};

// The program's one adapter.
CAppClipboard& TheAppClipboard();

// The selected objects of the view's document as an object block, their
// texts as plain text; with nothing selected the clipboard is emptied.
// 1 when the clipboard could be opened.
int CopyToClipboard(CVORLAN98View& view);
// Into the text the view edits, at its caret; 0 when it edits no text or
// the clipboard cannot be opened.
int PasteFromClipboard(CVORLAN98View& view);
