// Overlay items drawn over a design but never cut or printed: guide lines
// ('A') and output areas ('B'), their small base class and the list that owns
// them, keeps their selection, draws them in XOR and stores them.
//
// Guide-list block (little-endian, packed):
//   0   u8   1
//   1   u32  N, bytes from offset 0 through the end byte 254
//   5   ...  item records: u8 letter, u32 length L (through the record's end
//            byte 240), payload, 240
//   N-1 u8   254
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/geometry.h"
#include "model/services.h"
#include "platform/dc.h"
#include "platform/gmem.h"

class CFileServices;

constexpr std::uint8_t GUIDE_BLOCK_VERSION = 1;
constexpr std::uint8_t GUIDE_BLOCK_END = 254;
constexpr std::uint8_t GUIDE_RECORD_END = 240;
constexpr std::uint32_t GUIDE_BLOCK_HEAD = 5;
constexpr char GUIDE_LINE_LETTER = 'A';
constexpr char OUT_AREA_LETTER = 'B';
// Dialog of the guide-line panel.
constexpr std::uint32_t IDD_GUIDE_LINE = 227;

// The registered name of the private clipboard format of guide-list blocks.
inline constexpr char kGuideListFormatName[] = "CutterVorlan V60 - [OBJMULTI]";

class CGuideItem {
 public:
  CGuideItem() = default;
  CGuideItem(const CGuideItem&) = delete;
  CGuideItem& operator=(const CGuideItem&) = delete;
  virtual ~CGuideItem();

  // --- Operations in slot order.
  // XOR drawing of the item (its drag and selection look).
  virtual void DrawGuide(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent);
  // The item's rectangle; 0 for items without one.
  virtual int GetBounds(CFRect* out);
  virtual int GetRect(CFRect* out);
  virtual std::uint32_t GetPropertyDialogId();
  virtual int ShowProperties(CWindowServices* propertyWindow);
  virtual CWindowServices* CreatePropertyPanel(CWindowServices* parent);
  virtual void SetPropertyTitle(CWindowServices* propertyWindow);
  virtual void FillPropertyPanel(CWindowServices* propertyWindow);
  // 0 when the panel's values are refused.
  virtual int ApplyPropertyPanel(CWindowServices* panel);
  // The item record into a new block (the caller frees it); its length, or
  // 0 and a null handle.
  virtual std::uint32_t WriteRecord(plat::HGLOBAL* out);
  // Whether the selection tracker may rotate or skew the item: 1, areas 0.
  virtual int AllowsRotateSkew();
  virtual int Reserved14();
  virtual void MarkSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent);
  virtual void UnmarkSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent);
  virtual void Offset(float dx, float dy);
  // DrawFilled when drawFlags has 0x100, else DrawOutline.
  virtual void Draw(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent);
  virtual int HitTest(float x, float y, float tolerance);
  // Corner index (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right).
  virtual int HitTestHandle(CViewServices* view, float x, float y, int* index);
  virtual int SetRect(float left, float top, float right, float bottom);
  virtual int InvalidateItem(CViewServices* view, bool erase);
  virtual void DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent);
  virtual void DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent);

  std::uint8_t letter = 0;
  std::uint16_t drawFlags = 0;
  // 0 not selected, 1 selected, 2 selected and marked (being dragged).
  std::uint8_t selection = 0;
};

class CGuideList {
 public:
  CGuideList() = default;
  ~CGuideList();
  CGuideList(const CGuideList&) = delete;
  CGuideList& operator=(const CGuideList&) = delete;

  // --- The array; the list owns its items.
  int GetSize() const { return static_cast<int>(items_.size()); }
  bool IsEmpty() const { return items_.empty(); }
  // Null outside the list.
  CGuideItem* GetAt(int index) const;
  // Takes ownership; returns the index.
  int Add(CGuideItem* item);
  int Add(std::unique_ptr<CGuideItem> item) { return Add(item.release()); }
  // Takes the pointer out without deleting the item.
  void RemoveAt(int index);
  // Moves every item of the other list to the end of this one.
  void TakeAll(CGuideList& other);
  const std::vector<CGuideItem*>& Items() const { return items_; }
  void DeleteAll();

  // --- Selection and drawing.
  // The first item (list order) that HitTest finds, else null.
  CGuideItem* ItemAt(float x, float y, float tolerance) const;
  void Select(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent, CGuideItem* item);
  void ClearSelection(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent);
  void DrawSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent);
  void RedrawSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent);
  void MarkAllSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent);
  void UnmarkAllSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent);
  void OffsetSelected(float dx, float dy);
  void DeleteSelected(CViewServices* view);
  int ShowCurrentProperties(CWindowServices* propertyWindow);
  int ApplyCurrentProperties(CWindowServices* panel);
  CGuideItem* GetCurrent() const { return current_; }
  std::uint32_t GetSelectedCount() const { return selectedCount_; }

  // --- Clipboard, blocks and files.
  // The items of selection 1 under the registered guide-list format; with
  // none the clipboard is left alone. 0 when it cannot be opened.
  int CopyToClipboard();
  // Appends the items of a guide-list block on the clipboard; 1 when a list
  // was read.
  int PasteFromClipboard();
  // Builds the block of all items into *out and returns N; 0 (handle
  // untouched) when no item writes a record.
  std::uint32_t PackToGlobal(plat::HGLOBAL* out);
  // A new list from a block with `size` readable bytes; null for another
  // version byte or when no item was read. The walk stays inside N and
  // `size`; a record shorter than its item's fields or past the block ends
  // it, keeping the items before.
  static std::unique_ptr<CGuideList> UnpackFromBuffer(const std::uint8_t* block, std::size_t size);
  static std::unique_ptr<CGuideList> UnpackFromGlobal(plat::HGLOBAL block);
  // Writes the block at the file position; 0 and nothing written for a list
  // without records.
  int WriteToFile(CFileServices& file);
  // Reads the 5-byte head; with N > 6 (and within the rest of the file) the
  // block from the head on. Null otherwise, the 5 bytes stay read.
  static std::unique_ptr<CGuideList> ReadFromFile(CFileServices& file);
  // Appends the items of a block read from the file; 1.
  int LoadFromFile(CFileServices& file);

 private:
  std::uint32_t Pack(plat::HGLOBAL* out, bool selectedOnly);

  std::vector<CGuideItem*> items_;
  CGuideItem* current_ = nullptr;
  std::uint32_t selectedCount_ = 0;
};

// 'A' -> guide line, 'B' -> output area, else null. The record may use at
// most `available` bytes.
std::unique_ptr<CGuideItem> CreateGuideItemFromRecord(const std::uint8_t* record,
                                                      std::size_t available);

// The visible page rectangle of a view: its client area through the inverse
// of the view matrix; empty without a matrix.
CFRect VisiblePageRect(CViewServices* view);
