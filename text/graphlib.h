// Graphic library files: outlines ("graphs") grouped into kinds, and the list
// of the libraries mounted in the MOUNTLIB folder.
//
// File, version 6.0 (little-endian):
//   0 GraphLibHeader (218 bytes); kinds chained from the header's first-kind
//   offset, each a GraphKindRecord (100 bytes) followed by its graph table
//   (1024 bytes: 255 u32 graph offsets, 4 unused); graph records (outline
//   codec blocks, u32 total length first) appended at the end of the file.
// Old file, version 5.x (read only):
//   0 "VorlanLib V5.x\0" (16)  16 name (48)  64 u16 ratio  66 u16 B  68 u16 C
//   70 first kind chunk: u16 n, u32 entries offset, u32 next chunk (<= 0: none);
//   a kind entry is a 28-byte name and the u32 offset of its graph table.
// Every operation opens the file, does its reads and writes and closes it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"

class CPathPointList;

#pragma pack(push, 1)
struct GraphLibHeader {
  char magic[4];  // "VLIB"
  float version;
  std::uint32_t headerSize;
  std::uint32_t kindCount;
  std::uint16_t ratio;
  std::uint16_t fieldB;
  std::uint16_t fieldC;
  char name1[48];
  char name2[48];
  char name3[48];
  std::uint32_t firstKind;
  std::uint8_t reserved[48];
};
struct GraphKindRecord {
  std::uint32_t size;  // 100
  std::uint32_t next;
  std::uint32_t tableOffset;
  std::uint32_t graphCount;
  std::uint8_t extra[20];
  char name[32];
  char name2[32];
};
struct GraphKindEntry {
  char name[28];
  std::uint32_t offset;  // 6.0: of the kind record; 5.x: of the graph table
};
#pragma pack(pop)
static_assert(sizeof(GraphLibHeader) == 218);
static_assert(sizeof(GraphKindRecord) == 100);
static_assert(sizeof(GraphKindEntry) == 32);

constexpr std::uint32_t kGraphLibHeaderSize = 218;
constexpr float kGraphLibVersion = 6.0f;
constexpr float kOldGraphLibVersion = 5.4f;
constexpr int kGraphsPerKind = 255;
constexpr std::uint32_t kGraphTableSize = 1024;
constexpr char kOldGraphLibText[] = "VorlanLib V5.x";

// Header field bits of WriteGraphLibHeaderFields.
constexpr std::uint32_t GLH_MAGIC = 0x001;
constexpr std::uint32_t GLH_VERSION = 0x002;
constexpr std::uint32_t GLH_SIZE = 0x004;
constexpr std::uint32_t GLH_KIND_COUNT = 0x008;
constexpr std::uint32_t GLH_RATIO = 0x010;
constexpr std::uint32_t GLH_FIELD_B = 0x020;
constexpr std::uint32_t GLH_FIELD_C = 0x040;
constexpr std::uint32_t GLH_NAME1 = 0x080;
constexpr std::uint32_t GLH_NAME2 = 0x100;
constexpr std::uint32_t GLH_NAME3 = 0x200;
constexpr std::uint32_t GLH_FIRST_KIND = 0x400;

// A zeroed header with the magic, version 6.0, size 218 and ratio 1024.
GraphLibHeader MakeGraphLibHeader();
// Copies a GBK text into a fixed field: zero-filled, at most size - 1 bytes,
// cut on a character boundary.
void SetGraphLibText(char* field, std::size_t size, const std::string& text);
// A fixed field as text: up to its NUL or `max` bytes, cut on a character boundary.
std::string GraphLibText(const char* field, std::size_t size, std::size_t max);

// 5.4 for an old file, the stored version when the magic matches, else -1.
float ProbeGraphLibVersion(const std::string& path);
// The header (of an old file: the one built from it); 0 on failure. Names
// come back terminated.
int ReadGraphLibHeader(const std::string& path, GraphLibHeader* header);
// Name 1 of the header; 0 on failure.
int ReadGraphLibName(const std::string& path, std::string& name);
// Creates (or truncates) the file with the header; 0 for a header other than
// version 6.0 and size 218, or a failed write.
int WriteGraphLibHeader(const std::string& path, const GraphLibHeader& header);
// Writes the fields of the mask into an existing file; 0 on any failure.
int WriteGraphLibHeaderFields(const std::string& path, const GraphLibHeader& header,
                              std::uint32_t mask);
// Replaces name 1 of a 6.0 library.
int SetGraphLibName(const std::string& path, const std::string& name);
// The MOUNTLIB folder ([PATH] MOUNTLIB of the main settings file), ending in '\'.
std::string GetMountLibPath();

class CGraphLib {
 public:
  explicit CGraphLib(const std::string& path = {});
  virtual ~CGraphLib();
  CGraphLib(const CGraphLib&) = delete;
  CGraphLib& operator=(const CGraphLib&) = delete;

  // A bare name opens MOUNTLIB folder + base name + ".LIB"; a name with a
  // folder part opens that file. 0 for an empty name.
  int Open(const std::string& name);
  // 1 when header and kind table are loaded (also without kinds).
  int OpenPath(const std::string& path);
  int OpenMounted(int index);

  const std::string& GetPath() const { return path_; }
  const GraphLibHeader& GetHeader() const { return header_; }
  float GetVersion() const { return header_.version; }
  bool IsCurrent() const { return header_.version == kGraphLibVersion; }
  int GetKindCount() const { return int(kinds_.size()); }
  // The kind's name (at most 27 bytes); empty out of range.
  std::string GetKindName(int kind) const;

  std::uint32_t GetKindOffset(int kind) const;
  int ReadKindRecord(int kind, GraphKindRecord* record) const;
  int RenameKind(int kind, const std::string& text);
  int AddKind(const GraphKindRecord& record);
  // The kind's 255 graph offsets; false on failure.
  bool ReadGraphTable(int kind, std::array<std::uint32_t, kGraphsPerKind>& table) const;
  // Writes the kind's 255 graph offsets (6.0 only); the graph count stays.
  int WriteGraphTable(int kind, const std::array<std::uint32_t, kGraphsPerKind>& table);
  std::uint32_t GetGraphOffset(int kind, int graph) const;
  std::int64_t GetFreeSlotOffset(int kind) const;
  // A new outline, each point through the matrix when given; null when there
  // is no such graph or it cannot be decoded.
  std::unique_ptr<CPathPointList> ReadGraph(int kind, int graph, const CMatrix3* matrix) const;
  // Appends the outline (its pending transform applied first) as the kind's
  // next graph.
  int AddGraph(int kind, CPathPointList& outline);
  int DeleteGraph(int kind, int graph);

 private:
  int OpenOld();
  int OpenCurrent();
  std::uint32_t TableOffset(int kind) const;

  std::string path_;
  GraphLibHeader header_;
  std::vector<GraphKindEntry> kinds_;
};

// The libraries of the MOUNTLIB folder: each one's name 1 and file name.
class CMountLibList {
 public:
  // Lists every readable "*.Lib" file of the folder; returns the count.
  int ScanMountedLibraries();
  int GetCount() const { return int(fileNames_.size()); }
  // Name (at most 39 bytes); false when out of range.
  bool GetName(int index, std::string& name) const;
  bool GetFileName(int index, std::string& name) const;
  std::unique_ptr<CPathPointList> ReadGraph(int index, int kind, int graph,
                                            const CMatrix3* matrix) const;
  void Clear();

 private:
  std::vector<std::string> names_;
  std::vector<std::string> fileNames_;
};

extern CMountLibList g_MountLibList;
