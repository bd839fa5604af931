#include "app/clipboard.h"

#include "app/designview.h"
#include "app/document.h"
#include "framework/app.h"
#include "framework/clipboard.h"
#include "model/records.h"
#include "text/textobject.h"

bool CAppClipboard::Open() { return fw::OpenClipboard(fw::AfxGetMainWnd()) != 0; }

bool CAppClipboard::Empty() { return fw::EmptyClipboard() != 0; }

bool CAppClipboard::SetData(std::uint32_t format, plat::HGLOBAL block) {
  return format != 0 && block && fw::SetClipboardData(format, block) != 0;
}

void CAppClipboard::Close() { fw::CloseClipboard(); }

bool CAppClipboard::IsFormatAvailable(std::uint32_t format) {
  return format != 0 && fw::IsClipboardFormatAvailable(format) != 0;
}

plat::HGLOBAL CAppClipboard::GetData(std::uint32_t format) { return format ? fw::GetClipboardData(format) : 0; }

CAppClipboard& TheAppClipboard() {
  static CAppClipboard clipboard;
  return clipboard;
}

int CopyToClipboard(CVORLAN98View& view) {
  CSegArray* list = view.GetObjectList();
  return list ? list->CopyToClipboard() : 0;
}

int PasteFromClipboard(CVORLAN98View& view) {
  CGraphObject* edit = view.GetEditObject();
  auto* text = edit && edit->kind == OBJ_TEXT ? dynamic_cast<CTextObject*>(edit) : nullptr;
  return text ? text->PasteFromClipboard(&view) : 0;
}
