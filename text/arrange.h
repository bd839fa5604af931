// Text arrangements: where each character of a text stands, how the caret
// moves, which handles the user drags. CTextArrange is the base with the
// factory; CLineArrange sets characters in straight lines or columns.
//
// Arrangement record: 0 u8 type character  1 u32 length  5 u8 kind  6 payload.
// Straight ('1'-'4', 22 bytes): 6 f32 x1  10 f32 y1  14 f32 x2  18 f32 y2.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "model/geometry.h"
#include "platform/gmem.h"

class CBoxArray;
class CBoxChar;
class CBoxItem;
class CPathObject;
class CViewServices;
class CWindowServices;
namespace plat {
class DC;
}

// Arrangement kinds.
constexpr std::uint8_t ARR_LEFT_TO_RIGHT = 0;
constexpr std::uint8_t ARR_RIGHT_TO_LEFT = 1;
constexpr std::uint8_t ARR_COLUMNS_RIGHTWARDS = 2;
constexpr std::uint8_t ARR_COLUMNS_LEFTWARDS = 3;
constexpr std::uint8_t ARR_ARCH = 17;
constexpr std::uint8_t ARR_ARC = 18;
constexpr std::uint8_t ARR_PATH = 19;
// Variant flag: spread the characters over the whole length.
constexpr std::uint16_t ARRF_FIT = 0x10;
// Dialog id and title of the page of arrangements without properties.
constexpr std::uint32_t IDD_ARRANGE_NONE = 264;

// Keys of NavigateKey.
constexpr std::uint32_t NAV_END = 35;
constexpr std::uint32_t NAV_HOME = 36;
constexpr std::uint32_t NAV_LEFT = 37;
constexpr std::uint32_t NAV_UP = 38;
constexpr std::uint32_t NAV_RIGHT = 39;
constexpr std::uint32_t NAV_DOWN = 40;

// The "AutoFill" setting: wrapped straight lines are justified to the frame.
// On until the application sets it from its settings.
void SetAutoFill(bool on);
bool GetAutoFill();

class CTextArrange {
 public:
  explicit CTextArrange(std::uint8_t kindByte = 0) : kind(kindByte) {}
  virtual ~CTextArrange() = default;
  CTextArrange(const CTextArrange&) = delete;
  CTextArrange& operator=(const CTextArrange&) = delete;

  std::uint8_t GetKind() const { return kind; }
  CBoxItem* GetItem(int index) const;
  // The first character index above, -1 when none.
  int NextCharIndex(int index) const;
  // The last character index below, -1 when none.
  int PrevCharIndex(int index) const;

  virtual void PlaceChar(CBoxChar* item);
  // A new block holding the record; its length. The base: null, 0.
  virtual std::uint32_t WriteRecord(plat::HGLOBAL* out);
  // Font units to page units for a character (caller owns it).
  virtual std::unique_ptr<CMatrix3> GetCharMatrix(const CBoxChar* item) const;
  // The same for the item at an index; null for a control item or a bad index.
  virtual std::unique_ptr<CMatrix3> GetCharMatrixAt(int index) const;
  virtual void DrawHandles(plat::DC* dc, const CMatrix3* viewMatrix);
  virtual CFPoint GetCaretLine(int index, int side, CFPoint* p1, CFPoint* p2);
  virtual int CaretFromPoint(int index, float x, float y, CFPoint* p1, CFPoint* p2);
  virtual void GetDefaultCaret(CFPoint* p1, CFPoint* p2, float width, float height);
  // 1: the point is before the character, 0: after it.
  virtual int SideAtPoint(int index, float x, float y);
  virtual int HitTestHandle(CViewServices* view, float x, float y, int* handle);
  virtual void Layout(int from);
  virtual int MoveHandle(std::uint32_t mode, int handle, float a, float b, const CFPoint* point);
  virtual void OffsetBy(float dx, float dy);
  virtual void SetRect(float a, float b, float c, float d);
  virtual std::unique_ptr<CPathObject> MakeBoxOutline();
  // The new caret index (side through `side`); -1 for none.
  virtual int NavigateKey(std::uint32_t key, int index, int* side);
  virtual CWindowServices* CreatePage(CWindowServices* parent);
  virtual void FillPage(CWindowServices* parent);
  virtual int ReadPage(CWindowServices* page);
  virtual void SetPageTitle(CWindowServices* page);
  virtual std::uint32_t GetPageId();
  // The arrangement's rectangle (x1, y1, x2, y2); empty in the base.
  virtual CFRect GetFrame() const { return CFRect(); }

  std::uint8_t kind;
  std::uint16_t flags = 0;
  CBoxArray* items = nullptr;  // the text's, not owned
  CMatrix3* matrix = nullptr;  // the text's, not owned
};

// A new arrangement from the record at `record` (at most `available` bytes);
// null for an unknown type or a record that does not fit. Items and matrix
// are left for the text to set.
std::unique_ptr<CTextArrange> CreateArrange(const std::uint8_t* record, std::size_t available);

class CLineArrange : public CTextArrange {
 public:
  static constexpr std::uint32_t kRecordSize = 22;

  CLineArrange() = default;
  CLineArrange(float x1, float y1, float x2, float y2, CMatrix3* matrix, CBoxArray* items);
  // Null unless a straight record ('1'-'4', at least 22 bytes, within
  // `available`); the kind follows the type character.
  static std::unique_ptr<CLineArrange> FromRecord(const std::uint8_t* record,
                                                  std::size_t available);

  void PlaceChar(CBoxChar* item) override;
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  std::unique_ptr<CMatrix3> GetCharMatrix(const CBoxChar* item) const override;
  void DrawHandles(plat::DC* dc, const CMatrix3* viewMatrix) override;
  CFPoint GetCaretLine(int index, int side, CFPoint* p1, CFPoint* p2) override;
  int CaretFromPoint(int index, float x, float y, CFPoint* p1, CFPoint* p2) override;
  void GetDefaultCaret(CFPoint* p1, CFPoint* p2, float width, float height) override;
  int SideAtPoint(int index, float x, float y) override;
  int HitTestHandle(CViewServices* view, float x, float y, int* handle) override;
  void Layout(int from) override;
  int MoveHandle(std::uint32_t mode, int handle, float a, float b, const CFPoint* point) override;
  void OffsetBy(float dx, float dy) override;
  void SetRect(float a, float b, float c, float d) override;
  std::unique_ptr<CPathObject> MakeBoxOutline() override;
  int NavigateKey(std::uint32_t key, int index, int* side) override;
  CFRect GetFrame() const override { return CFRect(x1, y1, x2, y2); }

  // The extent of the placed characters (none: false).
  bool GetTextFrame(CFRect& frame) const;
  // The two handle points.
  void GetHandlePoints(CFPoint& h1, CFPoint& h2) const;

  float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f;

 private:
  bool Vertical() const { return kind == 2 || kind == 3; }
  int LayoutLine(int start, struct LineState& state);
  // First character index of the line holding character i.
  int LineFirstChar(int i) const;
  // Last character index of the line holding character i.
  int LineLastChar(int i) const;
  int MoveVertical(int index, int side, bool down, int* outSide) const;
};
