// The text object (kind 130, record '!'): characters and control items laid
// out by one arrangement and carried through the object's matrix.
//
// Record (little-endian, packed), L = A + B + 77:
//   0 '!'  1 u32 L  5 u8 130  6 u16 flags  8 4xf32 bounds  24 4xf32 layout rectangle
//   40 9xf32 text matrix  76 arrangement record (A bytes)  76+A packed box block (B
//   bytes, none for a text without items)  76+A+B u8 241  77+A+B u8 255
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/graphobject.h"
#include "text/arrange.h"
#include "text/boxarray.h"
#include "text/textattr.h"

class CTextObject : public CGraphObject {
 public:
  static constexpr std::uint32_t kArrangeOffset = 76;
  static constexpr std::uint32_t kRecordOverhead = 77;

  CTextObject();
  // A straight arrangement of the variant (0-3) over the rectangle.
  CTextObject(int variant, float left, float top, float right, float bottom);
  ~CTextObject() override;

  // A new text from the record (L bytes that passed the factory's checks);
  // null when the letter is not '!' or the head does not fit. An arrangement
  // that cannot be read becomes a straight one over the layout rectangle.
  static std::unique_ptr<CGraphObject> LoadFromRecord(const std::uint8_t* record,
                                                      std::uint32_t length);
  static std::unique_ptr<CGraphObject> ReadRecord(const std::uint8_t* record,
                                                  std::uint32_t length) {
    return LoadFromRecord(record, length);
  }

  // --- Items and caret.
  int InsertAtCaret(CBoxItem* item);
  int InsertAtCaret(CBoxArray& array);
  // The first item of an empty text is preceded by the default gaps.
  int InsertItemAtCaret(CBoxItem* item);
  int GetCharCount() const;
  std::uint8_t GetArrangeKind() const;
  // False for an index that holds no character.
  bool GetCharSize(int index, float* x, float* y) const;
  // Mode 0 unselected, 1 selected, 2 any.
  bool HitTestChar(float x, float y, int mode, int* index) const;
  void SetCharColor(int first, int last, std::uint32_t color, bool invalidate,
                    CViewServices* view = nullptr);
  void SetCharFlagsRange(int first, int last, std::uint16_t value, std::uint16_t mask,
                         CViewServices* view = nullptr);
  std::unique_ptr<CPathObject> MakeBoxOutline();
  // Places the caret and, in a view, draws it.
  void MoveCaret(CViewServices* view, int index, int side);
  void HideCaret(CViewServices* view);
  // The characters as GBK text.
  std::string GetText() const;
  void AppendTextTo(std::string& text) const;
  CTextArrange* GetArrange() const { return arrange.get(); }
  // Replaces the arrangement (pointers set); returns the old one.
  std::unique_ptr<CTextArrange> SetArrange(std::unique_ptr<CTextArrange> a);

  // --- Overridden slots.
  void ReplaceFont(std::uint16_t oldSource, int oldIndex, std::uint16_t newSource,
                   int newIndex) override;
  void ListUsedFonts(const CLanguage* fontTable, CListBoxServices* list) override;
  void RecalcBounds() override;
  int IsEmpty() override;
  void SetFlags(CViewServices* view, std::uint16_t bits, std::uint16_t mask) override;
  void Draw(plat::DC* dc, const CMatrix3* viewMatrix, const CFRect* visible) override;
  void Print(plat::DC* dc, const CMatrix3* matrix, const PrintSettings* settings) override;
  int CanTextEdit() override;
  int OnLButtonUpSelect(CViewServices* view, std::uint32_t flags, float x, float y) override;
  void DrawXorOutline(plat::DC* dc, const CMatrix3* matrix) override;
  void DrawHandleDragXor(CViewServices* view, int handle, float x, float y) override;
  void MoveHandle(CViewServices* view, int handle, float x, float y) override;
  int HitTest(CViewServices* view, float x, float y) override;
  int HitTestHandle(CViewServices* view, float x, float y, int* index) override;
  void Offset(float dx, float dy) override;
  void SetRect(float left, float top, float right, float bottom) override;
  void Transform(const CMatrix3& m) override;
  CPathPointList* MakeOutline(const CMatrix3* matrix, int option) override;
  void Relayout(CViewServices* view, int fromIndex) override;
  void CollectText(std::vector<std::string>& texts) override;
  void AppendPlainText(std::string& text) override;
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  std::unique_ptr<CGraphObject> ConvertToPath(int colorFilter) override;
  void SetColorIndex(CViewServices* view, std::uint32_t color, int redraw) override;
  void AddColorToList(CListBoxServices* list) override;
  std::uint32_t GetPropertyDialogId() override;
  void SetPropertyTitle(CWindowServices* propertyWindow) override;
  CWindowServices* CreatePropertyPanel(CWindowServices* parent) override;
  void FillPropertyPanel(CWindowServices* propertyWindow) override;
  int ApplyPropertyPanel(CWindowServices* panel) override;
  CBoxArray* GetBoxArray() override { return &chars; }

  // --- Fields.
  std::uint8_t pendingLead = 0;
  std::uint8_t pendingTrail = 0;
  std::int32_t idleTicks = 0;
  std::uint32_t selectedCount = 0;
  CFRect layoutRect;
  std::unique_ptr<CTextArrange> arrange;
  CBoxArray chars;
  std::int32_t pendingLayoutStart = -1;
  std::int32_t caretIndex = -1;
  std::int32_t mouseAnchor = -1;
  std::uint32_t caretSide = 1;
  std::uint32_t caretShown = 0;
  CFPoint caretLine[2];
  CTextAttr attr;

 private:
  // Font units to page units for the character at an index (arrangement,
  // then text matrix, then `after` when given); null without arrangement.
  std::unique_ptr<CMatrix3> CharMatrix(int index, const CMatrix3* after) const;
  void DrawCaret(CViewServices* view);
};

// Installs the reader of text records ('!') in the object factory.
void RegisterTextRecordReaders();
