// The object list: the ordered drawing objects of a document, a group, a
// selection or a transfer. The list owns its objects. Its block is the form a
// document file stores, the private clipboard format carries and a group
// nests:
//   0   u8   2 (object-list block)
//   1   u32  N, bytes from offset 0 through the end byte 254
//   5   ...  object records, each starting where the previous one ends
//   N-1 u8   254
//   N   u8   255, in memory only (not counted, not written to files)
// The memory block is N + 10 bytes long, zero-filled beyond the 255.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "platform/gmem.h"

class CGraphObject;
class CGroupObject;
class CListBoxServices;

constexpr std::uint8_t SEG_BLOCK_VERSION = 2;
constexpr std::uint8_t SEG_BLOCK_END = 254;
constexpr std::uint32_t SEG_BLOCK_HEAD = 5;   // version byte and length
constexpr std::uint32_t SEG_BLOCK_EMPTY = 6;  // head and end byte, no record
constexpr std::uint32_t SEG_BLOCK_EXTRA = 10;  // bytes a memory block holds beyond N
// Nested groups deeper than this are refused when read.
constexpr int SEG_MAX_NESTING = 64;

// The registered name of the private clipboard format of object-list blocks.
inline constexpr char kObjectListFormatName[] = "CutterVorlan V60 - [SEGMULTI]";

// What the list reads and writes a file through.
class CFileServices {
 public:
  virtual ~CFileServices() = default;
  virtual std::uint64_t GetPosition() const = 0;
  virtual bool Seek(std::uint64_t position) = 0;
  virtual std::uint64_t GetLength() const = 0;
  // Bytes read; fewer than n at the end of the file or on an error.
  virtual std::size_t Read(void* buffer, std::size_t n) = 0;
  virtual bool Write(const void* buffer, std::size_t n) = 0;
};

// What the list puts on the clipboard through; the application's adapter
// opens it for the main window.
class CClipboardServices {
 public:
  static constexpr std::uint32_t kTextFormat = 1;  // CF_TEXT
  virtual ~CClipboardServices() = default;
  virtual bool Open() = 0;
  virtual bool Empty() = 0;
  // The clipboard takes the block over on success; on failure it stays the caller's.
  virtual bool SetData(std::uint32_t format, plat::HGLOBAL block) = 0;
  virtual void Close() = 0;
  // Reading, while open: whether a format is there, and its block (the
  // clipboard's own: the caller neither keeps nor frees it; 0 when absent).
  // A clipboard that cannot be read has neither.
  virtual bool IsFormatAvailable(std::uint32_t /*format*/) { return false; }
  virtual plat::HGLOBAL GetData(std::uint32_t /*format*/) { return 0; }
};
// Installs the clipboard the lists copy to; returns the previous one.
CClipboardServices* SetClipboardServices(CClipboardServices* services);
CClipboardServices* GetClipboardServices();

class CSegArray {
 public:
  CSegArray() = default;
  virtual ~CSegArray();
  CSegArray(const CSegArray&) = delete;
  CSegArray& operator=(const CSegArray&) = delete;

  // --- The array (pointers; the list owns what it holds).
  int GetSize() const { return static_cast<int>(objects_.size()); }
  bool IsEmpty() const { return objects_.empty(); }
  // Null for an index outside the list.
  CGraphObject* GetAt(int index) const;
  // Takes ownership; returns the index.
  int Add(CGraphObject* object);
  int Add(std::unique_ptr<CGraphObject> object) { return Add(object.release()); }
  // At the index, clamped to the list.
  void InsertAt(int index, CGraphObject* object);
  // Replaces the pointer without deleting the old one.
  void SetAt(int index, CGraphObject* object);
  // Takes the pointers out without deleting the objects.
  void RemoveAt(int index, int count = 1);
  void RemoveAll() { objects_.clear(); }
  // First index of the object, -1 when absent.
  int Find(const CGraphObject* object) const;
  // Takes the object at the index out; the caller owns it.
  std::unique_ptr<CGraphObject> Detach(int index);
  // Moves every pointer of the other list to the end of this one.
  void TakeAll(CSegArray& other);
  const std::vector<CGraphObject*>& Objects() const { return objects_; }

  // Deletes every object, then empties the array.
  void DeleteAll();

  // --- Blocks and files.
  // Builds the block into *out and returns N; an empty list returns 0 and
  // does not touch the handle. Objects that write no record are left out,
  // so a list of them gives an empty block (N = 6).
  std::uint32_t PackToGlobal(plat::HGLOBAL* out);
  // A new list from the block at `block`, which holds `size` readable bytes;
  // null when the first byte is not 2 or no object was read. The walk stops
  // at the block's length N, at `size` and at the end byte; a bad record
  // (unknown letter, length below 25 or past the block) shows the message
  // and keeps what was read before it.
  static std::unique_ptr<CSegArray> UnpackFromBuffer(const std::uint8_t* block, std::size_t size);
  // The same for a movable block (bounded by its size).
  static std::unique_ptr<CSegArray> UnpackFromGlobal(plat::HGLOBAL block);
  // Writes the N bytes of the block at the file's position; 0 and nothing
  // written when no object writes a record.
  int WriteToFile(CFileServices& file);
  // Reads a block written by WriteToFile and appends its objects; 0 (and the
  // list as it was) otherwise. A block that holds nothing leaves the
  // position where it was.
  int ReadFromFile(CFileServices& file);
  // The selected objects to the clipboard: their block under the registered
  // object-list format and the texts of texts and groups as CF_TEXT. With
  // nothing to copy the clipboard is left alone. 0 when it cannot be opened.
  int CopyToClipboard();

  // --- Walks.
  // Union of the bounds into *out and into `bounds`; with skipNegative,
  // objects whose right or bottom edge is below 0.0 are left out. 0 for an
  // empty list or a null rectangle.
  int GetBoundRect(CFRect* out, int skipNegative);
  // Transform on every object (skipNegative as above); 0 for an empty list.
  int Transform(const CMatrix3& m, int skipNegative);
  void ReplaceFont(std::uint16_t oldSource, int oldIndex, std::uint16_t newSource, int newIndex);
  void FillColorList(CListBoxServices* list);
  void CollectText(std::vector<std::string>& texts);
  // A new group with the parts of the list's paths and groups inside the
  // rectangle (paths cut at the edges by the output clipper), or null.
  static std::unique_ptr<CGroupObject> ClipObjectsToRect(CSegArray& list, float left, float top,
                                                         float right, float bottom);

  CFRect bounds;

 private:
  std::vector<CGraphObject*> objects_;
};

// Shows the message of a broken object-list block (once per outermost read).
void ReportBadSegArray();

// A file on disk through CFileServices.
class CDiskFile : public CFileServices {
 public:
  CDiskFile() = default;
  ~CDiskFile() override;
  CDiskFile(const CDiskFile&) = delete;
  CDiskFile& operator=(const CDiskFile&) = delete;
  // mode as fopen's ("rb", "wb", "r+b").
  bool Open(const std::string& path, const char* mode);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  std::uint64_t GetPosition() const override;
  bool Seek(std::uint64_t position) override;
  std::uint64_t GetLength() const override;
  std::size_t Read(void* buffer, std::size_t n) override;
  bool Write(const void* buffer, std::size_t n) override;

 private:
  std::FILE* file_ = nullptr;
};
