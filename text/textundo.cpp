#include "text/textundo.h"

#include "text/arrange.h"
#include "text/boxarray.h"
#include "text/textobject.h"
#include "platform/gmem.h"

void CUndoInsertChar::UndoIn(CViewServices& view) {
  if (!m_text) return;
  // Found by address only: an item the text no longer holds is not touched.
  const int i = m_text->chars.IndexOf(m_item);
  if (i < 0) return;
  m_text->chars.RemoveAt(i);
  if (m_item->IsChar()) m_text->InvalidateCharBox(&view, static_cast<CBoxChar*>(m_item));
  m_text->idleTicks = 0;
  m_text->caretIndex = i - 1;
  m_text->caretSide = 0;
  if (m_text->pendingLayoutStart == -1 || m_text->pendingLayoutStart > i) {
    m_text->pendingLayoutStart = i;
    view.SetTimer(kTextLayoutTimer, kTextLayoutTimerMs);
  }
  delete m_item;
  m_item = nullptr;
}

void CUndoCaret::UndoIn(CViewServices&) {
  if (!m_text) return;
  int index = m_index, side = m_side;
  m_text->NormalizeCaret(index, side);
  m_text->caretIndex = index;
  m_text->caretSide = side ? 1u : 0u;
}

CUndoCharFlags::CUndoCharFlags(CTextObject* text, CBoxChar* item)
    : m_text(text), m_item(item), m_flags(item ? item->flags : 0) {}

void CUndoCharFlags::UndoIn(CViewServices&) {
  if (m_text && m_item && m_text->chars.IndexOf(m_item) >= 0) m_item->flags = m_flags;
}

CUndoCharAttr::CUndoCharAttr(CTextObject* text, CBoxChar* item, bool fontChanged, int index)
    : m_text(text),
      m_item(item),
      m_index(index),
      m_fontChanged(fontChanged),
      m_kind(item ? item->kind : 0),
      m_fontId(item ? item->fontId : 0),
      m_sizeX(item ? item->sizeX : 0.0f),
      m_sizeY(item ? item->sizeY : 0.0f),
      m_angle(item ? item->angle : 0.0f),
      m_skewX(item ? item->skewX : 0.0f),
      m_skewY(item ? item->skewY : 0.0f) {}

void CUndoCharAttr::UndoIn(CViewServices& view) {
  if (!m_text || !m_item) return;
  // Undone in order, the item is found where it stood; else searched for.
  if (m_text->chars.GetAt(m_index) != m_item && m_text->chars.IndexOf(m_item) < 0) return;
  CBoxChar* c = m_item;
  m_text->InvalidateCharBox(&view, c);
  if (m_fontChanged) {
    c->kind = m_kind;
    c->fontId = m_fontId;
    // The other font's glyph and advance do not fit this one.
    c->DropGlyph();
    c->advanceRatio = 0.0f;
  }
  c->sizeX = m_sizeX;
  c->sizeY = m_sizeY;
  c->extentX = 0.0f;
  c->extentY = 0.0f;
  c->angle = m_angle;
  c->skewX = m_skewX;
  c->skewY = m_skewY;
  m_text->InvalidateCharBox(&view, c);
}

CUndoArrange::CUndoArrange(CTextObject* text, std::unique_ptr<CTextArrange> former)
    : m_text(text), m_former(std::move(former)) {}

CUndoArrange::~CUndoArrange() = default;

void CUndoArrange::UndoIn(CViewServices& view) {
  if (!m_text || !m_former) return;
  m_text->InvalidateObjectRect(&view, false);
  m_text->SetArrange(std::move(m_former));  // the current one is deleted
  m_text->Relayout(&view, -1);
}

CUndoArrangeFlags::CUndoArrangeFlags(CTextObject* text)
    : m_text(text), m_flags(text && text->arrange ? text->arrange->flags : 0) {}

void CUndoArrangeFlags::UndoIn(CViewServices& view) {
  if (!m_text || !m_text->arrange) return;
  m_text->InvalidateObjectRect(&view, false);
  m_text->arrange->flags = m_flags;
  m_text->Relayout(&view, -1);
}

CUndoTextFrame::CUndoTextFrame(CTextObject* text) : m_text(text) {
  if (!text || !text->arrange) return;
  m_layoutRect = text->layoutRect;
  // A copy through the arrangement's own record.
  plat::HGLOBAL h = 0;
  const std::uint32_t n = text->arrange->WriteRecord(&h);
  if (h) {
    {
      plat::GlobalLockGuard lock(h);
      if (lock && n > 0 && n <= lock.size()) m_former = CreateArrange(lock.bytes(), n);
    }
    plat::GlobalFree(h);
  }
}

CUndoTextFrame::~CUndoTextFrame() = default;

void CUndoTextFrame::UndoIn(CViewServices& view) {
  if (!m_text || !m_former) return;
  m_text->InvalidateObjectRect(&view, false);
  m_text->SetArrange(std::move(m_former));
  m_text->layoutRect = m_layoutRect;
  m_text->Relayout(&view, 0);
  m_text->InvalidateObjectRect(&view, false);
}
