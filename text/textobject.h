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
  // Draws the caret line (XOR: a second call erases it); hides the old one first.
  void ShowCaret(CViewServices* view);
  // Recomputes the caret line and draws it again when shown.
  void UpdateCaret(CViewServices* view);
  // Tells the view where the caret shows now (device pixels), or that it is hidden.
  void PlaceViewCaret(CViewServices* view) const;
  // -1 becomes the first character; an index past the end or on a control
  // item moves to the next character, or to the previous one (side 0).
  void NormalizeCaret(int& index, int& side) const;
  // Caret from the character under a page point; false when none.
  bool SetCaretFromPoint(CViewServices* view, float x, float y);
  // Nearest character index after / before i; -1 when none.
  int NextCharIndex(int i) const;
  int PrevCharIndex(int i) const;

  // --- Editing.
  // Selects the characters between two indexes (either order).
  void SelectRange(int a, int b);
  // Shift + caret move: the characters between the caret position and the
  // new position change their selection.
  void ExtendSelection(CViewServices* view, int index, int side);
  // Clears every selection bit (marks not drawn).
  void ClearSelection();
  // Selected characters other than CR.
  int CountSelected() const;
  // The caret position to continue from when the selection is given up.
  int GetSelectionEnd(int* side) const;
  // XOR paints the glyph boxes of the selected characters (erase: the same).
  void DrawSelection(CViewServices* view, plat::DC* dc, bool erase);
  void InvalidateCharBox(CViewServices* view, const CBoxChar* item) const;
  std::unique_ptr<CBoxArray> CopySelection() const;
  // Takes the selected items out. While the view records, undo puts the
  // originals back and the caller gets copies.
  std::unique_ptr<CBoxArray> CutSelection(CViewServices* view);
  // Moves the items in at the caret (one undo item each while the view
  // records), caret after the last, laid out; the index of the first, -1
  // when there is none.
  int InsertItemsAtCaret(CViewServices* view, CBoxArray& items);
  void CopyToClipboard(CViewServices* view);
  int PasteFromClipboard(CViewServices* view);
  void DeleteSelection(CViewServices* view);
  void DeleteCharAtCaret(CViewServices* view);
  void SetCharFlags(CViewServices* view, int first, int last, std::uint16_t value,
                    std::uint16_t mask);
  void Indent(CViewServices* view);
  void UnIndent(CViewServices* view);
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
  int CanDeleteInEdit(CViewServices* view) override;
  void DeleteAtCaretInText(CViewServices* view) override;
  void DeleteBeforeCaretInText(CViewServices* view) override;
  int EndTextEdit(CViewServices* view) override;
  void DrawTextEditMarks(plat::DC* dc, const CMatrix3* viewMatrix) override;
  int OnMouseOverText(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnMouseOverTextDrag(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int EndMouseOverTextDrag(CViewServices* view) override;
  int OnCharText(CViewServices* view, std::uint32_t ch, std::uint32_t keyData) override;
  int OnKeyDownText(CViewServices* view, std::uint32_t key, std::uint32_t modifiers) override;
  int OnTimer(CViewServices* view, std::uint32_t timerId) override;
  int OnLButtonDownText(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnMouseMoveText(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnLButtonUpText(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnLButtonDblClk(CViewServices* view, std::uint32_t flags, float x, float y) override;
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
  void DrawCaretOn(plat::DC* dc, const CMatrix3* viewMatrix) const;
  // The caret line through the text matrix and the view matrix.
  void DeviceCaretLine(const CMatrix3* viewMatrix, CFPoint* a, CFPoint* b) const;
  void ComputeCaretLine();
  // Takes the item at the index out: into the undo list while the view
  // records, else deleted.
  void DisposeItemAt(CViewServices* view, int index);
};

// Carries the sizes of the characters through a matrix: size x and size y
// become the lengths of their vectors after it. Nothing for the identity.
void ScaleBoxItems(CBoxArray& items, const CMatrix3& m);

// The layout timer of typing: its id and period.
constexpr std::uint32_t kTextLayoutTimer = 1;
constexpr std::uint32_t kTextLayoutTimerMs = 50;

// Installs the reader of text records ('!') in the object factory.
void RegisterTextRecordReaders();
