#include "model/records.h"
#include "platform/bytes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "model/graphobject.h"
#include "model/ellipseobject.h"
#include "model/groupobject.h"
#include "model/imageobject.h"
#include "model/lineobject.h"
#include "model/pathobject.h"
#include "model/polygonobject.h"
#include "model/rectobject.h"

namespace {
using plat::GetU16;
using plat::GetU32;


const std::vector<ObjectKindInfo> kKinds = {
    {OBJ_LINE, REC_LINE, 189},         {OBJ_RECT, REC_RECT, 190},
    {OBJ_ELLIPSE, REC_ELLIPSE, 191},   {OBJ_POLYGON, REC_POLYGON, 192},
    {OBJ_TRANSFORM, REC_TRANSFORM, 195}, {OBJ_PATH, REC_PATH, 193},
    {OBJ_GROUP, REC_GROUP, 197},       {OBJ_TEXT, REC_TEXT, 196},
    {OBJ_LIBPIC, REC_LIBPIC, 194},     {OBJ_IMAGE, REC_IMAGE, 198},
    {OBJ_SEAL, REC_SEAL, 201},         {145, 0, 202},
    {146, 0, 203},                     {147, 0, 204},
    {148, 0, 205},
};

struct NameString {
  std::uint16_t id;
  const char* text;
};

const NameString kNames[] = {
    {189, "直线"},     {190, "矩形"},     {191, "椭圆"},     {192, "多边形"},
    {193, "曲线"},     {194, "图库图形"}, {195, "变换对象"}, {196, "文字"},
    {197, "组合"},     {198, "图像"},     {199, "未知对象"}, {201, "印章"},
    {202, "对象145"},  {203, "对象146"},  {204, "对象147"},  {205, "对象148"},
};

float GetF32(const std::uint8_t* p) {
  std::uint32_t bits = GetU32(p);
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// The reader table. Filled on first use; RegisterObjectRecordReaders runs
// once, before any other registration can take effect, so a reader that a
// test installs is not overwritten later.
struct ReaderTable {
  std::array<RecordReaderFn, 256> readers{};
  bool initialised = false;
};

ReaderTable& Readers() {
  static ReaderTable table;
  if (!table.initialised) {
    table.initialised = true;
    RegisterObjectRecordReaders();
  }
  return table;
}

}  // namespace

// ---------------------------------------------------------------------------

const std::vector<ObjectKindInfo>& ObjectKindTable() { return kKinds; }

const ObjectKindInfo* FindObjectKind(std::uint8_t kind) {
  for (const ObjectKindInfo& k : kKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}

char RecordLetterOfKind(std::uint8_t kind) {
  const ObjectKindInfo* k = FindObjectKind(kind);
  return k ? k->letter : 0;
}

std::uint8_t KindOfRecordLetter(char letter) {
  if (letter == 0) return 0;
  for (const ObjectKindInfo& k : kKinds)
    if (k.letter == letter) return k.kind;
  return 0;
}

std::uint16_t ObjectTypeNameStringId(std::uint8_t kind) {
  const ObjectKindInfo* k = FindObjectKind(kind);
  return k ? k->nameId : IDS_OBJECT_OTHER;
}

const char* LoadObjectString(std::uint16_t id) {
  for (const NameString& n : kNames)
    if (n.id == id) return n.text;
  return nullptr;
}

bool ObjectTypeNameId(std::uint8_t kind, std::string& name) {
  const char* text = LoadObjectString(ObjectTypeNameStringId(kind));
  if (!text) return false;
  name = text;
  return true;
}

// ---------------------------------------------------------------------------

bool CheckRecord(const std::uint8_t* p, std::size_t available, std::uint32_t* length) {
  if (!p || available < 5) return false;
  std::uint32_t len = GetU32(p + 1);
  if (len < REC_MIN_LENGTH || len > available) return false;
  if (p[len - 1] != REC_END_BYTE) return false;
  if (length) *length = len;
  return true;
}

CRecordReader::CRecordReader(const std::uint8_t* record, std::uint32_t length)
    : p_(record), length_(length), pos_(REC_HEAD_SIZE), end_(length - 1) {
  // A length too short for the head reads nothing at all.
  if (!record || length < REC_MIN_LENGTH) {
    end_ = pos_;
    failed_ = true;
    head_ = false;
  }
}

CRecordReader::CRecordReader(const std::uint8_t* record, std::uint32_t length, std::size_t start)
    : CRecordReader(record, length) {
  if (!head_) return;
  pos_ = std::min<std::size_t>(start, end_);
}

std::uint16_t CRecordReader::Flags() const { return head_ ? GetU16(p_ + 6) : 0; }

CFRect CRecordReader::Bounds() const {
  if (!head_) return CFRect();
  return CFRect(GetF32(p_ + 8), GetF32(p_ + 12), GetF32(p_ + 16), GetF32(p_ + 20));
}

const std::uint8_t* CRecordReader::Take(std::size_t n) {
  if (failed_ || n > end_ - pos_) {
    failed_ = true;
    return nullptr;
  }
  const std::uint8_t* at = p_ + pos_;
  pos_ += n;
  return at;
}

bool CRecordReader::ReadU8(std::uint8_t& v) {
  const std::uint8_t* at = Take(1);
  if (!at) return false;
  v = *at;
  return true;
}

bool CRecordReader::ReadU16(std::uint16_t& v) {
  const std::uint8_t* at = Take(2);
  if (!at) return false;
  v = GetU16(at);
  return true;
}

bool CRecordReader::ReadI16(std::int16_t& v) {
  std::uint16_t u;
  if (!ReadU16(u)) return false;
  v = static_cast<std::int16_t>(u);
  return true;
}

bool CRecordReader::ReadU32(std::uint32_t& v) {
  const std::uint8_t* at = Take(4);
  if (!at) return false;
  v = GetU32(at);
  return true;
}

bool CRecordReader::ReadI32(std::int32_t& v) {
  std::uint32_t u;
  if (!ReadU32(u)) return false;
  v = static_cast<std::int32_t>(u);
  return true;
}

bool CRecordReader::ReadF32(float& v) {
  const std::uint8_t* at = Take(4);
  if (!at) return false;
  v = GetF32(at);
  return true;
}

bool CRecordReader::ReadRect(CFRect& r) {
  const std::uint8_t* at = Take(16);
  if (!at) return false;
  r = CFRect(GetF32(at), GetF32(at + 4), GetF32(at + 8), GetF32(at + 12));
  return true;
}

bool CRecordReader::ReadMatrix(CMatrix3& m) {
  const std::uint8_t* at = Take(36);
  if (!at) return false;
  float* dst[9] = {&m.m00, &m.m01, &m.m02, &m.m10, &m.m11, &m.m12, &m.m20, &m.m21, &m.m22};
  for (int i = 0; i < 9; ++i) *dst[i] = GetF32(at + 4 * i);
  return true;
}

bool CRecordReader::ReadBytes(void* dst, std::size_t n) {
  const std::uint8_t* at = Take(n);
  if (!at) return false;
  if (n) std::memcpy(dst, at, n);
  return true;
}

// ---------------------------------------------------------------------------

CRecordWriter::CRecordWriter(char letter, std::uint8_t kind, std::uint16_t flags,
                             const CFRect& bounds) {
  buf_.reserve(64);
  PutU8(static_cast<std::uint8_t>(letter));
  PutU32(0);  // length, set by End
  PutU8(kind);
  PutU16(flags);
  PutRect(bounds);
}

CRecordWriter::CRecordWriter(char letter, std::uint8_t kind, std::uint16_t flags) {
  buf_.reserve(64);
  PutU8(static_cast<std::uint8_t>(letter));
  PutU32(0);  // length, set by End
  PutU8(kind);
  PutU16(flags);
}

CRecordWriter::CRecordWriter(char letter, const CGraphObject& object)
    : CRecordWriter(letter, object.kind, object.flags, object.bounds) {}

void CRecordWriter::PutU8(std::uint8_t v) { buf_.push_back(v); }

void CRecordWriter::PutU16(std::uint16_t v) {
  buf_.push_back(static_cast<std::uint8_t>(v));
  buf_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void CRecordWriter::PutU32(std::uint32_t v) {
  for (int i = 0; i < 4; ++i) buf_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void CRecordWriter::PutF32(float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  PutU32(bits);
}

void CRecordWriter::PutRect(const CFRect& r) {
  PutF32(r.left);
  PutF32(r.top);
  PutF32(r.right);
  PutF32(r.bottom);
}

void CRecordWriter::PutMatrix(const CMatrix3& m) {
  const float v[9] = {m.m00, m.m01, m.m02, m.m10, m.m11, m.m12, m.m20, m.m21, m.m22};
  for (float f : v) PutF32(f);
}

void CRecordWriter::PutBytes(const void* src, std::size_t n) {
  const auto* b = static_cast<const std::uint8_t*>(src);
  buf_.insert(buf_.end(), b, b + n);
}

void CRecordWriter::End() {
  buf_.push_back(REC_END_BYTE);
  std::uint32_t len = static_cast<std::uint32_t>(buf_.size());
  for (int i = 0; i < 4; ++i) buf_[1 + i] = static_cast<std::uint8_t>(len >> (8 * i));
}

std::uint32_t CRecordWriter::Finish(plat::HGLOBAL* out) {
  if (out) *out = 0;
  if (buf_.size() + 1 + REC_BLOCK_EXTRA > std::numeric_limits<std::uint32_t>::max()) return 0;
  End();
  const std::size_t len = buf_.size();
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, len + REC_BLOCK_EXTRA);
  if (!h) return 0;
  {
    plat::GlobalLockGuard lock(h);
    if (!lock) {
      plat::GlobalFree(h);
      return 0;
    }
    std::memcpy(lock.bytes(), buf_.data(), len);
    lock.bytes()[len] = REC_AFTER_BYTE;
  }
  if (out)
    *out = h;
  else
    plat::GlobalFree(h);
  return static_cast<std::uint32_t>(len);
}

std::vector<std::uint8_t> CRecordWriter::FinishBytes() {
  End();
  return std::move(buf_);
}

// ---------------------------------------------------------------------------

void RegisterObjectRecordReaders() {
  // Each object class installs its reader here.
  RegisterRecordReader(REC_LINE, &CLineObject::ReadRecord);
  RegisterRecordReader(REC_RECT, &CRectObject::ReadRecord);
  RegisterRecordReader(REC_ELLIPSE, &CEllipseObject::ReadRecord);
  RegisterRecordReader(REC_POLYGON, &CPolygonObject::ReadRecord);
  RegisterRecordReader(REC_PATH, &CPathObject::ReadRecord);
  RegisterRecordReader(REC_GROUP, &CGroupObject::ReadRecord);
  RegisterRecordReader(REC_IMAGE, &CImageObject::ReadRecord);
}

bool RegisterRecordReader(char letter, RecordReaderFn reader, RecordReaderFn* previous) {
  if (KindOfRecordLetter(letter) == 0) return false;
  ReaderTable& t = Readers();
  RecordReaderFn& slot = t.readers[static_cast<std::uint8_t>(letter)];
  if (previous) *previous = slot;
  slot = reader;
  return true;
}

RecordReaderFn GetRecordReader(char letter) {
  if (KindOfRecordLetter(letter) == 0) return nullptr;
  return Readers().readers[static_cast<std::uint8_t>(letter)];
}

std::unique_ptr<CGraphObject> CreateObjectFromRecord(const std::uint8_t* record,
                                                     std::size_t available) {
  if (!record || available == 0) return nullptr;
  RecordReaderFn reader = GetRecordReader(static_cast<char>(record[0]));
  if (!reader) return nullptr;
  std::uint32_t length = 0;
  if (!CheckRecord(record, available, &length)) return nullptr;
  return reader(record, length);
}

std::unique_ptr<CGraphObject> CreateObjectFromBlock(plat::HGLOBAL block) {
  if (!block) return nullptr;
  plat::GlobalLockGuard lock(block);
  if (!lock) return nullptr;
  return CreateObjectFromRecord(lock.bytes(), lock.size());
}

bool ReadRecordHead(const CRecordReader& reader, char letter, CGraphObject& object) {
  if (reader.Letter() != letter) return false;
  object.flags = reader.Flags();
  object.bounds = reader.Bounds();
  return true;
}

ScopedRecordReader::ScopedRecordReader(char letter, RecordReaderFn reader)
    : letter_(letter), installed_(RegisterRecordReader(letter, reader, &previous_)) {}

ScopedRecordReader::~ScopedRecordReader() {
  if (installed_) RegisterRecordReader(letter_, previous_);
}
