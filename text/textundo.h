// Undo kinds of text editing: typed items, the caret, character flags and
// attributes, and the arrangement of a text. Each keeps a text object and,
// where it names one, an item of it; an item no longer in its text is left
// alone (the text may have lost it meanwhile).
#pragma once
#include <cstdint>
#include <memory>

#include "model/undoitems.h"

class CBoxChar;
class CBoxItem;
class CTextArrange;
class CTextObject;

// An item was inserted (typing, indent, paste): undo takes it out again and
// lets the text lay itself out on the layout timer.
class CUndoInsertChar : public CObjectUndoItem {
 public:
  CUndoInsertChar(CBoxItem* item, CTextObject* text) : m_item(item), m_text(text) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CBoxItem* m_item;
  CTextObject* m_text;
};

// Caret index and side before characters were removed.
class CUndoCaret : public CObjectUndoItem {
 public:
  CUndoCaret(CTextObject* text, int index, int side) : m_text(text), m_index(index), m_side(side) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CTextObject* m_text;
  int m_index, m_side;
};

// A character's flag bits (no redraw).
class CUndoCharFlags : public CObjectUndoItem {
 public:
  CUndoCharFlags(CTextObject* text, CBoxChar* item);

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CTextObject* m_text;
  CBoxChar* m_item;
  std::uint16_t m_flags;
};

// A character's font, sizes, angle and skews before an attribute change.
// The index, when given, is where the item stood: looked at first.
class CUndoCharAttr : public CObjectUndoItem {
 public:
  CUndoCharAttr(CTextObject* text, CBoxChar* item, bool fontChanged, int index = -1);

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CTextObject* m_text;
  CBoxChar* m_item;
  int m_index;
  bool m_fontChanged;
  std::uint16_t m_kind, m_fontId;
  float m_sizeX, m_sizeY, m_angle, m_skewX, m_skewY;
};

// The arrangement a text had before another replaced it; owned until undone.
class CUndoArrange : public CObjectUndoItem {
 public:
  CUndoArrange(CTextObject* text, std::unique_ptr<CTextArrange> former);
  ~CUndoArrange() override;

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CTextObject* m_text;
  std::unique_ptr<CTextArrange> m_former;
};

// The variant flags of a text's arrangement.
class CUndoArrangeFlags : public CObjectUndoItem {
 public:
  explicit CUndoArrangeFlags(CTextObject* text);

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CTextObject* m_text;
  std::uint16_t m_flags;
};

// A text's frame before its editing ended with characters gone (the end of
// editing fits the frame to what is left): a copy of its arrangement and its
// layout rectangle, put back so the characters that come back lay out as
// before.
class CUndoTextFrame : public CObjectUndoItem {
 public:
  explicit CUndoTextFrame(CTextObject* text);
  ~CUndoTextFrame() override;

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CTextObject* m_text;
  std::unique_ptr<CTextArrange> m_former;
  CFRect m_layoutRect;
};
