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
#include <string>

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

// Dialog ids and placement flags of the arc, arch and along-path kinds.
constexpr std::uint32_t IDD_ARRANGE_ARC = 260;
constexpr std::uint32_t IDD_ARRANGE_ARCH = 1159;
constexpr std::uint32_t IDD_ARRANGE_PATH = 268;
constexpr std::uint16_t ARRF_PLACEMENT = 0x000F;  // 0 on the line, 1 centred, 2 hanging, 3 middle
constexpr std::uint16_t ARRF_TURN_ALONG = 0x20;   // along a path: turned with it
constexpr std::uint16_t ARRF_UPSIDE_DOWN = 0x40;  // every character turned by 180 degrees
constexpr std::uint16_t ARRF_REVERSE = 0x8000;
// Page controls.
constexpr std::uint32_t IDC_ARR_PLACE_ON = 1434;
constexpr std::uint32_t IDC_ARR_PLACE_HANG = 1435;
constexpr std::uint32_t IDC_ARR_PLACE_CENTRED = 1436;
constexpr std::uint32_t IDC_ARR_PLACE_MIDDLE = 1437;
constexpr std::uint32_t IDC_ARR_REVERSE = 1438;
constexpr std::uint32_t IDC_ARR_UPSIDE_DOWN = 1439;
constexpr std::uint32_t IDC_ARR_FIT = 1440;
constexpr std::uint32_t IDC_ARC_START = 1278;
constexpr std::uint32_t IDC_ARC_END = 1279;
constexpr std::uint32_t IDC_ARC_RADIUS = 1446;
constexpr std::uint32_t IDC_ARCH_WIDTH = 1144;
constexpr std::uint32_t IDC_ARCH_HEIGHT = 1145;
constexpr std::uint32_t IDC_PATH_DISTANCE = 1174;
constexpr std::uint32_t IDC_PATH_GAP = 1200;

// What the arc, arch and along-path kinds share: characters placed one after
// another along a line, each in its own turned cell; the caret at the cell's
// edges; placement flags on a page.
class CCurveArrange : public CTextArrange {
 public:
  explicit CCurveArrange(std::uint8_t kindByte);

  // The cell (0, 0)-(1024 * ratio, 1024) through the character's matrix.
  void PlaceChar(CBoxChar* item) override;
  void PlaceChar(int index);
  // A negative index: the default character's matrix.
  std::unique_ptr<CMatrix3> GetCharMatrixAt(int index) const override;
  CFPoint GetCaretLine(int index, int side, CFPoint* p1, CFPoint* p2) override;
  int CaretFromPoint(int index, float x, float y, CFPoint* p1, CFPoint* p2) override;
  void GetDefaultCaret(CFPoint* p1, CFPoint* p2, float width, float height) override;
  int SideAtPoint(int index, float x, float y) override;
  int NavigateKey(std::uint32_t key, int index, int* side) override;
  CWindowServices* CreatePage(CWindowServices* parent) override;
  void FillPage(CWindowServices* parent) override;
  int ReadPage(CWindowServices* page) override;
  void SetPageTitle(CWindowServices* page) override;

  // Size y of the tallest character of the last layout.
  float tallest = 0.0f;

 protected:
  virtual const char* PageTitle() const = 0;
  virtual void FillFields(CWindowServices* page) = 0;
  virtual void ReadFields(CWindowServices* page) = 0;
  // Where the default character stands.
  virtual CFPoint DefaultOrigin() const = 0;
  // The cell turned (flag 0x40) and placed on its origin, lowered by `lower`.
  std::unique_ptr<CMatrix3> CellMatrix(const CBoxChar& c, float lower) const;
  // Lays the characters on the circle from angle a0 to a1 (radians).
  void LayoutOnCircle(CFPoint centre, float radius, float a0, float a1);
  // The cell turned so that its upright axis runs along the radius.
  std::unique_ptr<CMatrix3> CircleCharMatrix(const CBoxChar& c, CFPoint centre) const;
  // A finite number typed into a page control; false for anything else.
  static bool ParseNumber(const std::string& text, float& out);
  // "%.1f" into a page control.
  static void SetNumber(CWindowServices* page, std::uint32_t id, float v);
};

// What every curve kind defines for itself: its record, character matrix,
// layout and handles.
#define CURVE_ARRANGE_OVERRIDES                                                                  \
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;                                        \
  std::unique_ptr<CMatrix3> GetCharMatrix(const CBoxChar* item) const override;                  \
  void DrawHandles(plat::DC* dc, const CMatrix3* viewMatrix) override;                           \
  int HitTestHandle(CViewServices* view, float x, float y, int* handle) override;                \
  void Layout(int from) override;                                                                \
  int MoveHandle(std::uint32_t mode, int handle, float x, float y, const CFPoint* point) override; \
  void OffsetBy(float dx, float dy) override

// Characters on a circular arc: four handles (rotate, start, end, bend).
// Record '5', 36 bytes: 6 f32 radius  10 f32 centre x  14 f32 centre y
// 18 f32 start  22 f32 end  26 u16 flags  28 u32 reserved  32 f32 tallest.
class CArcArrange : public CCurveArrange {
 public:
  static constexpr std::uint32_t kRecordSize = 36;

  CArcArrange();
  CArcArrange(float x1, float y1, float x2, float y2, CMatrix3* matrix, CBoxArray* items);
  // Null unless a '5' record of at least 36 bytes within `available` whose
  // numbers are finite.
  static std::unique_ptr<CArcArrange> FromRecord(const std::uint8_t* record, std::size_t available);

  CURVE_ARRANGE_OVERRIDES;
  std::uint32_t GetPageId() override { return IDD_ARRANGE_ARC; }

  CFPoint PointAt(float angle) const;

  float radius = 0.0f;
  CFPoint centre;
  float start = 0.0f, end = 0.0f;
  std::uint32_t reserved = 0;

 protected:
  const char* PageTitle() const override { return "弧形排列"; }
  void FillFields(CWindowServices* page) override;
  void ReadFields(CWindowServices* page) override;
  CFPoint DefaultOrigin() const override { return PointAt(end); }
};

// Characters on the arc through two level ends and an apex.
// Record '6', 40 bytes: 6 f32 end A x  10 end A y  14 end B x  18 end B y
// 22 apex x  26 apex y  30 u16 flags  32 u32 0  36 f32 tallest.
class CArchArrange : public CCurveArrange {
 public:
  static constexpr std::uint32_t kRecordSize = 40;

  CArchArrange();
  CArchArrange(float x1, float y1, float x2, float y2, CMatrix3* matrix, CBoxArray* items);
  static std::unique_ptr<CArchArrange> FromRecord(const std::uint8_t* record,
                                                  std::size_t available);

  CURVE_ARRANGE_OVERRIDES;
  std::uint32_t GetPageId() override { return IDD_ARRANGE_ARCH; }

  // The circle through end A, the apex and end B; its radius.
  float Circle(CFPoint* centre) const;

  CFPoint endA, endB, apex;

 protected:
  const char* PageTitle() const override { return "拱形排列"; }
  void FillFields(CWindowServices* page) override;
  void ReadFields(CWindowServices* page) override;
  CFPoint DefaultOrigin() const override { return endA; }
};

// Characters along the first contour of a path the arrangement owns.
// Record '7', 43 + n bytes: 6 u16 flags  8 f32 distance  12 f32 tallest
// 16 f32 path length  20 u32 0  24 i32 count  28 f32 character gap
// 32 f32 start  36 u16 segment drag  38 u32 0  42 the path's record (n bytes)
// 42 + n u8 241.
class CPathArrange : public CCurveArrange {
 public:
  static constexpr std::uint32_t kHeadSize = 42;

  CPathArrange();
  // Takes the path over; flags 0x30.
  CPathArrange(std::unique_ptr<CPathObject> path, CMatrix3* matrix, CBoxArray* items);
  ~CPathArrange() override;
  // Null unless a '7' record within `available` holding a path record that
  // ends before its 241, with finite numbers.
  static std::unique_ptr<CPathArrange> FromRecord(const std::uint8_t* record,
                                                  std::size_t available);

  CURVE_ARRANGE_OVERRIDES;
  int ReadPage(CWindowServices* page) override;
  std::uint32_t GetPageId() override { return IDD_ARRANGE_PATH; }

  std::unique_ptr<CPathObject> path;
  std::uint16_t segmentDrag = 0;
  float pathLength = 0.0f;
  float textLength = 0.0f;
  float start = 0.0f;
  float charGap = 0.0f;
  float distance = 0.0f;
  std::uint32_t closed = 0;
  std::int32_t count = 0;

 protected:
  const char* PageTitle() const override { return "沿线排版"; }
  void FillFields(CWindowServices* page) override;
  void ReadFields(CWindowServices* page) override;
  CFPoint DefaultOrigin() const override { return CFPoint{}; }

 private:
  CFPoint lastDrag_;  // where a segment drag stands
};

#undef CURVE_ARRANGE_OVERRIDES
