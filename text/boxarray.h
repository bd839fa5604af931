// Text items: characters (CBoxChar) and control items (CBoxCode), the
// ordered list that owns them (CBoxArray) with its packed block, and the two
// undo kinds of item removal and item flags.
//
// Packed box block (little-endian):
//   0 u8 3   1 u32 total length (through the end byte)   5 item records   end u8 0xFE
// Control record, 21 bytes:
//   0 u8 17  1 u32 21  5 u16 kind  7 u16 code  9 u32 value  13 u32 selector  17 u32 third
// Character record, 75 bytes:
//   0 u8 18  1 u32 75  5 u16 kind  7 f32 size x  11 f32 size y  15 f32 extent x
//   19 f32 extent y  23 f32 advance ratio  27 u16 code  29 f32 angle  33 f32 skew x
//   37 f32 skew y  41 4xf32 glyph box  57 f32 x  61 f32 y  65 u32 colour
//   69 u16 font id  71 u16 reserved  73 u16 flags
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "model/undo.h"
#include "platform/gmem.h"

class CPathPointList;
class CTextAttr;
class CViewServices;
namespace plat {
class DC;
}

// Kind word.
constexpr std::uint16_t BOX_KIND_CODE = 0x8000;    // a control item
constexpr std::uint16_t BOX_KIND_DOUBLE = 0x4000;  // a double-byte character
// Character flags.
constexpr std::uint16_t BOXF_SELECTED = 0x8000;
constexpr std::uint16_t BOXF_MOVED = 0x4000;     // placed by the last layout
constexpr std::uint16_t BOXF_LINE_END = 0x2000;  // a new line starts after it
constexpr std::uint16_t BOXF_FILLED = 0x80;
constexpr std::uint16_t BOXF_HALF_WIDTH = 0x04;  // half-width symbols
constexpr std::uint16_t BOXF_SIZE_MODE = 0x03;   // 0 normal, 1 fit, 2 fill
// Control codes.
constexpr std::uint16_t BOXC_BOX_GAP = 1;
constexpr std::uint16_t BOXC_LINE_GAP = 2;
constexpr std::uint16_t BOXC_INDENT = 32;
constexpr std::uint16_t BOXC_CLOSE = 0x8000;  // closing partner of a pair
constexpr std::uint16_t BOXC_UNINDENT = BOXC_INDENT | BOXC_CLOSE;

constexpr std::uint8_t BOXREC_CODE = 17;
constexpr std::uint8_t BOXREC_CHAR = 18;
constexpr std::uint32_t BOXREC_CODE_SIZE = 21;
constexpr std::uint32_t BOXREC_CHAR_SIZE = 75;
constexpr std::uint8_t BOXBLOCK_KIND = 3;
constexpr std::uint8_t BOXBLOCK_END = 0xFE;

class CBoxItem {
 public:
  explicit CBoxItem(std::uint16_t kindWord = 0) : kind(kindWord) {}
  virtual ~CBoxItem() = default;
  CBoxItem(const CBoxItem&) = delete;
  CBoxItem& operator=(const CBoxItem&) = delete;

  virtual int IsSelected() const { return 0; }
  // A copy; the base has none.
  virtual std::unique_ptr<CBoxItem> Clone() const { return nullptr; }
  // Writes the item's record (room for 75 bytes); returns its length.
  virtual std::uint32_t WriteRecord(std::uint8_t* out) const;

  bool IsCode() const { return (kind & BOX_KIND_CODE) != 0; }
  bool IsChar() const { return kind < BOX_KIND_CODE; }
  bool IsDoubleByte() const { return (kind & BOX_KIND_DOUBLE) != 0; }
  bool IsSingleByte() const { return !IsDoubleByte(); }

  std::uint16_t kind;
};

class CBoxCode : public CBoxItem {
 public:
  CBoxCode() : CBoxItem(BOX_KIND_CODE) {}
  CBoxCode(std::uint16_t codeValue, std::uint32_t v, std::uint32_t sel = 0)
      : CBoxItem(BOX_KIND_CODE), code(codeValue), value(v), selector(sel) {}
  // A gap item (codes 1 and 2) with its value in millimetres.
  static std::unique_ptr<CBoxCode> MakeGap(std::uint16_t code, float mm);

  std::unique_ptr<CBoxItem> Clone() const override;
  std::uint32_t WriteRecord(std::uint8_t* out) const override;
  // Changes the running attributes.
  void ApplyTo(CTextAttr& attr) const;
  float FloatValue() const;

  std::uint16_t code = 0;
  std::uint32_t value = 0;
  std::uint32_t selector = 0;
  std::uint32_t third = 0;
};

class CBoxChar : public CBoxItem {
 public:
  // Every number 0, glyph box 0.
  CBoxChar();
  // Language from the code and the attribute's languages.
  CBoxChar(std::uint16_t code, const CTextAttr& attr);
  CBoxChar(std::uint8_t languageId, std::uint16_t code, const CTextAttr& attr);
  ~CBoxChar() override;

  int IsSelected() const override { return (flags & BOXF_SELECTED) != 0; }
  // Every field but the cached outline.
  std::unique_ptr<CBoxItem> Clone() const override;
  std::uint32_t WriteRecord(std::uint8_t* out) const override;

  // Advance in millimetres for the arrangement variant; measures the glyph
  // once (advance ratio 0 means not measured yet).
  virtual float Measure(int variant);
  // The glyph placed by the placement matrix, then `matrix`; sets the extents.
  virtual std::unique_ptr<CPathPointList> GetPlacedOutline(const CMatrix3* matrix, int variant);
  // The glyph through its glyph matrix, then `matrix`; null without a glyph.
  virtual std::unique_ptr<CPathPointList> GetGlyphOutline(const CMatrix3* matrix);
  // The same without a copy: the raw outline, with *under taking the pending
  // matrix and bounds GetGlyphOutline's list has (*under gets no block). A
  // single-byte glyph is owned by `fresh`. Null without a glyph.
  const CPathPointList* GlyphUnder(const CMatrix3* matrix, std::unique_ptr<CPathPointList>& fresh,
                                   CPathPointList* under);

  std::uint8_t LanguageId() const { return std::uint8_t(kind & 0xFF); }
  std::uint8_t FontType() const { return std::uint8_t((kind >> 8) & 0x0F); }
  // Font-source code: (font type << 8) | language id.
  std::uint16_t FontSource() const { return std::uint16_t(kind & 0x0FFF); }
  bool IsReturn() const { return code == 13; }
  bool IsPunctuation() const;
  // Width of the glyph box along the line: size x for a double-byte code, 0
  // for CR, size x / 2 for the space, size x * ratio otherwise.
  float BoxWidth() const;
  void Offset(float dx, float dy);
  void SetBoxFromPosition(int variant);
  // The box through the matrix, in whole pixels, invalidated in the view
  // (the active view when null); a flat box does nothing.
  void InvalidateBox(CViewServices* view, const CMatrix3* matrix) const;
  // Stroked, or filled and stroked with flag 0x80, in the character's colour.
  void Draw(plat::DC* dc, const CMatrix3* matrix);
  // Previews: the placed glyph, stroked or filled.
  void DrawPlaced(plat::DC* dc, const CMatrix3* matrix, int variant);
  void DrawPlacedFilled(plat::DC* dc, const CMatrix3* matrix, int variant);
  // Font units: size mode, skew and angle; null when none applies.
  std::unique_ptr<CMatrix3> GetGlyphMatrix(const CPathPointList* outline) const;
  // Page units for a variant; null for the identity.
  std::unique_ptr<CMatrix3> GetPlacementMatrix(int variant) const;
  // Forgets the cached outline.
  void DropGlyph();
  const CPathPointList* CachedGlyph() const { return glyph_.get(); }
  // The cached raw outline, fetched and kept first when there is none; null
  // without a glyph.
  const CPathPointList* LoadGlyph();
  // Replaces the cached raw outline (drawn from then on).
  void SetGlyph(std::unique_ptr<CPathPointList> glyph);
  // Reads a 75-byte character record.
  static std::unique_ptr<CBoxChar> FromRecord(const std::uint8_t* rec);

  std::uint16_t flags = 0;
  std::uint16_t code = 0;
  std::uint16_t reserved = 0;
  std::uint16_t fontId = 0;
  float sizeX = 0.0f, sizeY = 0.0f;
  float extentX = 0.0f, extentY = 0.0f;
  float advanceRatio = 0.0f;
  float x = 0.0f, y = 0.0f;
  CFRect box;
  std::uint32_t color = 0;
  float angle = 0.0f, skewX = 0.0f, skewY = 0.0f;
  // Left by the used-font check, never stored or copied: 1 the font was
  // found installed (and the font id remapped), 2 it was missing.
  std::uint8_t fontState = 0;

 private:
  void Make(std::uint8_t languageId, std::uint16_t code, const CTextAttr& attr, bool fromCode);
  // The raw outline: the cached one of a double-byte glyph, else a fresh one
  // (owned by `fresh`).
  const CPathPointList* FetchGlyph(std::unique_ptr<CPathPointList>& fresh, bool forDrawing);
  // The glyph's stroke as it was last drawn: its matrix and its pixels.
  struct KeptDraw;
  // The outline through m, in the character's pen (and brush when filled);
  // a stroke through the matrix `kept` holds sets the pixels kept there.
  void DrawWith(plat::DC* dc, const CPathPointList& outline, const CMatrix3& m, bool filled,
                KeptDraw* kept = nullptr);

  std::unique_ptr<CPathPointList> glyph_;
  std::unique_ptr<KeptDraw> kept_;
};

// A new control item from a record of type 17 (null otherwise).
std::unique_ptr<CBoxCode> CreateBoxCodeFromRecord(const std::uint8_t* rec, std::size_t available);
// A new character item from a record of type 18 (null otherwise).
std::unique_ptr<CBoxChar> CreateBoxCharFromRecord(const std::uint8_t* rec, std::size_t available);
// Type 17 or 18 whose length field is at least the record size and within
// `available`; null for anything else.
std::unique_ptr<CBoxItem> CreateBoxItemFromRecord(const std::uint8_t* rec, std::size_t available);

class CBoxArray {
 public:
  static constexpr std::size_t kFirstBlock = 65000;
  static constexpr std::size_t kGrowBy = 10100;

  CBoxArray() = default;
  ~CBoxArray();
  CBoxArray(const CBoxArray&) = delete;
  CBoxArray& operator=(const CBoxArray&) = delete;

  int GetSize() const { return static_cast<int>(items_.size()); }
  bool IsEmpty() const { return items_.empty(); }
  // Null out of range.
  CBoxItem* GetAt(int index) const;
  CBoxChar* CharAt(int index) const;
  // Takes ownership; returns the index.
  int Add(CBoxItem* item);
  int Add(std::unique_ptr<CBoxItem> item) { return Add(item.release()); }
  // Takes ownership; the index is clamped to the array.
  void InsertAt(int index, CBoxItem* item);
  // Moves every item of the other array in at the index; the other is emptied.
  void InsertArrayAt(int index, CBoxArray& other);
  int IndexOf(const CBoxItem* item) const;
  // Searched from the end; taken out without deleting; its former index or -1.
  int Remove(const CBoxItem* item);
  // Taken out and handed over; null out of range.
  CBoxItem* RemoveAt(int index);
  void DeleteAll();
  // Empties without deleting (the items went elsewhere).
  void RemoveAll() { items_.clear(); }

  // Nearest character index below i; i itself when none.
  int PrevCharIndex(int i) const;
  // Nearest character index above i; -1 when none.
  int NextCharIndex(int i) const;
  CBoxItem* FindFirst(int* index) const;
  CBoxItem* FindLast(int* index) const;
  // Sum of size x * advance ratio over the characters other than CR.
  float GetTotalAdvance(int* count) const;
  float MeasureLine(float* total, float* largestSizeY, int* count, bool whole) const;
  // Mask 1 size, 2 font, 4 angle, 8 skew. Returns 1.
  int ApplyTextAttr(CTextAttr& attr, std::uint32_t mask);
  // Box and line gap from the gap items before the index.
  void GetGapsAt(int index, CTextAttr& attr) const;
  void RemoveCodesInRange(int first, int last, std::uint16_t codeMask);
  void RemoveRedundantGapCodes();
  // `index` is an opening item: removes its closing partner after it (nested
  // pairs counted). Returns the number of removed items.
  int RemoveCodePairs(int& index, std::uint16_t codeMask);
  // `index` is a closing item: removes its opening partner before it; the
  // index follows the item. Returns the number of removed items.
  int RemoveCodePairsBackward(int& index, std::uint16_t codeMask);
  void RemovePairsInSelection(std::uint16_t codeMask);
  // Removes every opening item whose pair holds no character at its own
  // level, with its partner; an opening item without partner and without a
  // character after it goes alone.
  void RemoveEmptyPairs(std::uint16_t codeMask);

  // The characters as GBK bytes (lead byte, then the low byte; CR a single 13).
  void ExtractText(std::string& out) const;
  std::string GetText() const;
  // The characters and, when there was one, "\r\n\r\n".
  void AppendTextTo(std::string& out) const;

  // A new block; returns its length. 0 for an empty array (the handle is not
  // touched) and on failure (null handle).
  std::uint32_t PackToGlobal(plat::HGLOBAL* out) const;
  // A new array from a block of `size` readable bytes; null when the block
  // is not a box block or holds no readable item. A bad record shows
  // "非法的CBoxArray数据结构!" and keeps the items before it.
  static std::unique_ptr<CBoxArray> UnpackFromBuffer(const std::uint8_t* block, std::size_t size);
  static std::unique_ptr<CBoxArray> UnpackFromGlobal(plat::HGLOBAL block);

  const std::vector<CBoxItem*>& Items() const { return items_; }

 private:
  // Deletes a removed item, or hands it to the undo list while the active
  // view records.
  void Dispose(CBoxItem* item, int index);
  bool IsMaskedCode(const CBoxItem* item, std::uint16_t codeMask) const;

  std::vector<CBoxItem*> items_;
};

void ExtractBoxText(std::string& out, const CBoxArray& array);

// A new array of characters made from GBK text with the default attributes;
// null when no character remains.
std::unique_ptr<CBoxArray> TextToBoxArray(const char* text);

// Undo of an item removal: puts the item back at its index.
class CUndoRemoveItem : public CUndoItem {
 public:
  CUndoRemoveItem(CBoxArray* array, CBoxItem* item, int index)
      : m_array(array), m_item(item), m_index(index) {}
  ~CUndoRemoveItem() override;
  int Undo(CUndoView& view) override;

 private:
  CBoxArray* m_array;
  CBoxItem* m_item;  // owned until undone
  int m_index;
};

// Undo of a character flag change: the saved flags word back, no redraw.
class CUndoItemFlags : public CUndoItem {
 public:
  explicit CUndoItemFlags(CBoxChar* item) : m_item(item), m_flags(item ? item->flags : 0) {}
  int Undo(CUndoView& view) override;

 private:
  CBoxChar* m_item;
  std::uint16_t m_flags;
};
