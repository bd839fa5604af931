// Object records: the head and tail every kind shares, the kind table with
// record letters and display names, bounded record reading and writing, and
// the factory that builds an object from a record by its letter.
//
// Record layout (little-endian, packed):
//   0  u8   record letter
//   1  u32  record length L, from offset 0 through the end byte
//   5  u8   object kind
//   6  u16  flag word
//   8  ...  kinds 128 and above: 4xf32 bounds (left, top, right, bottom),
//           then the class payload from 24; the simple shapes (kinds below
//           128) put their own fields at 8 and their bounds where their
//           layout says
//   L-1 u8  241, end of the record
//   L   u8  255, written after the record, not counted in L
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "platform/gmem.h"

class CGraphObject;

// ---------------------------------------------------------------------------
// Object kinds and record letters.

constexpr std::uint8_t OBJ_LINE = 1;
constexpr std::uint8_t OBJ_RECT = 2;
constexpr std::uint8_t OBJ_ELLIPSE = 3;
constexpr std::uint8_t OBJ_POLYGON = 8;
constexpr std::uint8_t OBJ_TRANSFORM = 9;
constexpr std::uint8_t OBJ_PATH = 128;
constexpr std::uint8_t OBJ_GROUP = 129;
constexpr std::uint8_t OBJ_TEXT = 130;
constexpr std::uint8_t OBJ_LIBPIC = 131;
constexpr std::uint8_t OBJ_IMAGE = 133;
constexpr std::uint8_t OBJ_SEAL = 144;

constexpr char REC_TEXT = '!';
constexpr char REC_LIBPIC = '"';
constexpr char REC_PATH = '#';
constexpr char REC_LINE = '$';
constexpr char REC_RECT = '%';
constexpr char REC_ELLIPSE = '&';
constexpr char REC_POLYGON = '\'';
constexpr char REC_IMAGE = '(';
constexpr char REC_GROUP = ')';
constexpr char REC_TRANSFORM = '*';
constexpr char REC_SEAL = 'P';

constexpr std::uint8_t REC_END_BYTE = 241;   // last byte of a record
constexpr std::uint8_t REC_AFTER_BYTE = 255; // written after the record
constexpr std::uint32_t REC_HEAD_SIZE = 24;  // letter, length, kind, flags, bounds
constexpr std::uint32_t REC_KIND_HEAD_SIZE = 8;  // letter, length, kind, flags
constexpr std::uint32_t REC_MIN_LENGTH = REC_HEAD_SIZE + 1;
// Bytes a record block holds beyond L: the 255 and zero fill.
constexpr std::uint32_t REC_BLOCK_EXTRA = 9;

// String id of the display name of kinds without an entry of their own.
constexpr std::uint16_t IDS_OBJECT_OTHER = 199;

struct ObjectKindInfo {
  std::uint8_t kind;
  char letter;           // 0: kind without class or record
  std::uint16_t nameId;  // display-name string id
};

// The kind table, in kind order (kinds 145-148 have a name and nothing else).
const std::vector<ObjectKindInfo>& ObjectKindTable();
// Entry of a kind; null for a kind outside the table.
const ObjectKindInfo* FindObjectKind(std::uint8_t kind);
// The record letter of a kind, 0 when it has none.
char RecordLetterOfKind(std::uint8_t kind);
// The kind a record letter names, 0 for a letter no class reads.
std::uint8_t KindOfRecordLetter(char letter);
// The string id of a kind's display name; 199 for any kind outside the table.
std::uint16_t ObjectTypeNameStringId(std::uint8_t kind);
// Loads the kind's display name (UTF-8) into `name`; false when no string
// could be loaded (name left as it was).
bool ObjectTypeNameId(std::uint8_t kind, std::string& name);
// The program's display-name strings 189-205; null for other ids.
const char* LoadObjectString(std::uint16_t id);

// ---------------------------------------------------------------------------
// Bounded reading.

// Checks the head and tail of the record at `p` against the `available` bytes
// of its containing block: at least 5 bytes to read the length, L >= 25,
// L <= available and byte L - 1 == 241. Writes L on success.
bool CheckRecord(const std::uint8_t* p, std::size_t available, std::uint32_t* length);

// Reads one checked record. The cursor starts at the payload (offset 24) and
// stops before the end byte: a read that does not fit fails, reads nothing
// and marks the reader failed, so a reader checks Failed() once at the end.
class CRecordReader {
 public:
  CRecordReader(const std::uint8_t* record, std::uint32_t length);
  // A cursor from `start` on: REC_KIND_HEAD_SIZE for the simple shapes,
  // whose fields follow the flag word.
  CRecordReader(const std::uint8_t* record, std::uint32_t length, std::size_t start);

  // Head fields; 0 (empty bounds) for a length too short for the head.
  char Letter() const { return head_ ? static_cast<char>(p_[0]) : 0; }
  std::uint32_t Length() const { return length_; }
  std::uint8_t Kind() const { return head_ ? p_[5] : 0; }
  std::uint16_t Flags() const;
  CFRect Bounds() const;

  bool ReadU8(std::uint8_t& v);
  bool ReadU16(std::uint16_t& v);
  bool ReadI16(std::int16_t& v);
  bool ReadU32(std::uint32_t& v);
  bool ReadI32(std::int32_t& v);
  bool ReadF32(float& v);
  bool ReadRect(CFRect& r);
  bool ReadMatrix(CMatrix3& m);
  bool ReadBytes(void* dst, std::size_t n);
  // Pointer to the next n bytes and advances past them; null when they do
  // not fit. Nested blocks are read through this with n as their budget.
  const std::uint8_t* Take(std::size_t n);
  bool Skip(std::size_t n) { return Take(n) != nullptr; }

  // Offset of the cursor from the start of the record.
  std::size_t Offset() const { return pos_; }
  // Payload bytes left before the end byte.
  std::size_t Remaining() const { return end_ - pos_; }
  bool Failed() const { return failed_; }
  // True when nothing failed and the whole payload was read.
  bool Done() const { return !failed_ && pos_ == end_; }

 private:
  const std::uint8_t* p_;
  std::uint32_t length_;
  std::size_t pos_;
  std::size_t end_;
  bool failed_ = false;
  bool head_ = true;
};

// ---------------------------------------------------------------------------
// Writing.

// Builds one record: the head on construction, payload by the Put calls,
// the end byte by Finish.
class CRecordWriter {
 public:
  CRecordWriter(char letter, std::uint8_t kind, std::uint16_t flags, const CFRect& bounds);
  // Head from the object's kind, flag word and bounds.
  CRecordWriter(char letter, const CGraphObject& object);
  // Head without bounds (letter, length, kind, flags): the simple shapes
  // write their fields from offset 8 on.
  CRecordWriter(char letter, std::uint8_t kind, std::uint16_t flags);

  void PutU8(std::uint8_t v);
  void PutU16(std::uint16_t v);
  void PutI16(std::int16_t v) { PutU16(static_cast<std::uint16_t>(v)); }
  void PutU32(std::uint32_t v);
  void PutI32(std::int32_t v) { PutU32(static_cast<std::uint32_t>(v)); }
  void PutF32(float v);
  void PutRect(const CFRect& r);
  void PutMatrix(const CMatrix3& m);
  void PutBytes(const void* src, std::size_t n);
  std::size_t Size() const { return buf_.size(); }

  // Ends the record and copies it into a new zero-filled movable block of
  // L + 9 bytes (the 255 after the record, zeros after that). Returns L and
  // the handle; 0 and a null handle when the block cannot be made or the
  // record would not fit its 32-bit length.
  std::uint32_t Finish(plat::HGLOBAL* out);
  // The finished record bytes (L of them) without a block, for embedding.
  std::vector<std::uint8_t> FinishBytes();

 private:
  void End();
  std::vector<std::uint8_t> buf_;
};

// ---------------------------------------------------------------------------
// The factory.

// A class reader: gets a record that passed CheckRecord (length L) and
// returns its object, or null when the record is not one it can read.
using RecordReaderFn = std::unique_ptr<CGraphObject> (*)(const std::uint8_t* record,
                                                         std::uint32_t length);

// Installs the reader of a record letter. Only the letters of the kind table
// take a reader; any other letter is refused (false). The previous reader is
// written to `previous` when given.
bool RegisterRecordReader(char letter, RecordReaderFn reader, RecordReaderFn* previous = nullptr);
// The installed reader of a letter, null when none.
RecordReaderFn GetRecordReader(char letter);
// Installs the readers of every object class. Each class adds its line to
// this function; the factory calls it once before the first record.
void RegisterObjectRecordReaders();

// A new object read from the record at `record`, which may use at most
// `available` bytes of its containing block. Null for a letter that names
// no class, a record that does not fit (see CheckRecord), or a record the
// class reader refuses. Reads nothing outside the record.
std::unique_ptr<CGraphObject> CreateObjectFromRecord(const std::uint8_t* record,
                                                     std::size_t available);
// The same for the record held at the start of a movable block.
std::unique_ptr<CGraphObject> CreateObjectFromBlock(plat::HGLOBAL block);

// Head reading shared by the readers of kinds 128 and above: checks the
// letter, then takes the flag word and the bounds into the object. The object's kind is its
// class's own and is not taken from the record.
bool ReadRecordHead(const CRecordReader& reader, char letter, CGraphObject& object);

// Installs a reader for the life of a scope and restores the previous one.
class ScopedRecordReader {
 public:
  ScopedRecordReader(char letter, RecordReaderFn reader);
  ~ScopedRecordReader();
  ScopedRecordReader(const ScopedRecordReader&) = delete;
  ScopedRecordReader& operator=(const ScopedRecordReader&) = delete;
  bool Installed() const { return installed_; }

 private:
  char letter_;
  RecordReaderFn previous_ = nullptr;
  bool installed_;
};
