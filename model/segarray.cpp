#include "model/segarray.h"
#include "platform/bytes.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "model/devices.h"
#include "model/graphobject.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "platform/report.h"

namespace {

CClipboardServices* g_clipboard = nullptr;

// Reads of nested blocks (groups in groups) run through UnpackFromBuffer
// recursively; the depth caps the nesting and lets a broken block be
// reported once per outermost read.
int g_readDepth = 0;
bool g_reported = false;

struct ReadScope {
  ReadScope() {
    if (g_readDepth++ == 0) g_reported = false;
  }
  ~ReadScope() { --g_readDepth; }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;
};

using plat::PutU32;

// Appends the record of one object to a block under construction; false
// when the object writes nothing.
bool AppendRecord(CGraphObject& object, std::vector<std::uint8_t>& block) {
  plat::HGLOBAL h = 0;
  const std::uint32_t length = object.WriteRecord(&h);
  if (!h) return false;
  bool appended = false;
  if (length > 0) {
    plat::GlobalLockGuard lock(h);
    const auto* p = static_cast<const std::uint8_t*>(lock.bytes());
    if (p && length <= plat::GlobalSize(h)) {
      block.insert(block.end(), p, p + length);
      appended = true;
    }
  }
  plat::GlobalFree(h);
  return appended;
}

void StartBlock(std::vector<std::uint8_t>& block) {
  block.assign(SEG_BLOCK_HEAD, 0);
  block[0] = SEG_BLOCK_VERSION;
}

// Ends the block (254, length) and copies it into a movable block of N + 10
// bytes with the 255 after it; returns N, or 0 when it cannot be made.
std::uint32_t FinishBlock(std::vector<std::uint8_t>& block, plat::HGLOBAL* out) {
  block.push_back(SEG_BLOCK_END);
  if (block.size() > std::numeric_limits<std::uint32_t>::max() - SEG_BLOCK_EXTRA) return 0;
  const auto n = static_cast<std::uint32_t>(block.size());
  PutU32(block.data() + 1, n);
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, n + SEG_BLOCK_EXTRA);
  if (!h) return 0;
  {
    plat::GlobalLockGuard lock(h);
    auto* p = static_cast<std::uint8_t*>(lock.bytes());
    if (!p) {
      plat::GlobalFree(h);
      return 0;
    }
    std::memcpy(p, block.data(), n);
    p[n] = REC_AFTER_BYTE;
  }
  *out = h;
  return n;
}

plat::HGLOBAL TextBlock(const std::string& text) {
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, text.size() + 1);
  if (!h) return 0;
  plat::GlobalLockGuard lock(h);
  if (!lock.bytes()) {
    plat::GlobalFree(h);
    return 0;
  }
  std::memcpy(lock.bytes(), text.data(), text.size());
  return h;
}

}  // namespace

CClipboardServices* SetClipboardServices(CClipboardServices* services) {
  CClipboardServices* old = g_clipboard;
  g_clipboard = services;
  return old;
}

CClipboardServices* GetClipboardServices() { return g_clipboard; }

void ReportBadSegArray() {
  if (g_reported) return;
  g_reported = true;
  plat::MessageBox("非法的CSegArray数据结构!", "数据结构错", plat::MB_OK);
}

// ---------------------------------------------------------------------------

CSegArray::~CSegArray() { DeleteAll(); }

CGraphObject* CSegArray::GetAt(int index) const {
  if (index < 0 || index >= GetSize()) return nullptr;
  return objects_[static_cast<std::size_t>(index)];
}

int CSegArray::Add(CGraphObject* object) {
  objects_.push_back(object);
  return GetSize() - 1;
}

void CSegArray::InsertAt(int index, CGraphObject* object) {
  index = std::clamp(index, 0, GetSize());
  objects_.insert(objects_.begin() + index, object);
}

void CSegArray::SetAt(int index, CGraphObject* object) {
  if (index >= 0 && index < GetSize()) objects_[static_cast<std::size_t>(index)] = object;
}

void CSegArray::RemoveAt(int index, int count) {
  if (index < 0 || index >= GetSize() || count <= 0) return;
  count = std::min(count, GetSize() - index);
  objects_.erase(objects_.begin() + index, objects_.begin() + index + count);
}

int CSegArray::Find(const CGraphObject* object) const {
  for (std::size_t i = 0; i < objects_.size(); ++i)
    if (objects_[i] == object) return static_cast<int>(i);
  return -1;
}

std::unique_ptr<CGraphObject> CSegArray::Detach(int index) {
  CGraphObject* o = GetAt(index);
  if (index >= 0 && index < GetSize()) RemoveAt(index);
  return std::unique_ptr<CGraphObject>(o);
}

void CSegArray::TakeAll(CSegArray& other) {
  if (&other == this) return;
  objects_.insert(objects_.end(), other.objects_.begin(), other.objects_.end());
  other.objects_.clear();
}

void CSegArray::DeleteAll() {
  // Taken out first: a destructor that looks at the list sees it consistent.
  std::vector<CGraphObject*> objects;
  objects.swap(objects_);
  for (CGraphObject* o : objects) delete o;
}

// --- Blocks ------------------------------------------------------------------

std::uint32_t CSegArray::PackToGlobal(plat::HGLOBAL* out) {
  if (objects_.empty() || !out) return 0;
  std::vector<std::uint8_t> block;
  StartBlock(block);
  for (CGraphObject* o : objects_)
    if (o) AppendRecord(*o, block);
  plat::HGLOBAL h = 0;
  const std::uint32_t n = FinishBlock(block, &h);
  if (n) *out = h;
  return n;
}

std::unique_ptr<CSegArray> CSegArray::UnpackFromBuffer(const std::uint8_t* block, std::size_t size) {
  if (!block || size < 1 || block[0] != SEG_BLOCK_VERSION) return nullptr;
  ReadScope scope;
  if (g_readDepth > SEG_MAX_NESTING + 1 || size < SEG_BLOCK_EMPTY) {
    ReportBadSegArray();
    return nullptr;
  }
  const std::uint32_t n = plat::GetU32(block + 1);
  if (n < SEG_BLOCK_EMPTY) {
    ReportBadSegArray();
    return nullptr;
  }
  // The records end before the end byte at N - 1 of a block that may be cut short.
  const std::size_t end = std::min<std::size_t>(n, size);
  auto list = std::make_unique<CSegArray>();
  std::size_t r = SEG_BLOCK_HEAD;
  bool bad = true;
  while (r < end) {
    if (block[r] == SEG_BLOCK_END) {
      bad = false;
      break;
    }
    // A record must leave the end byte after it.
    std::unique_ptr<CGraphObject> obj = CreateObjectFromRecord(block + r, end - 1 - r);
    if (!obj) break;
    list->Add(std::move(obj));
    r += plat::GetU32(block + r + 1);  // checked: 25 <= L <= end - 1 - r
  }
  if (bad) ReportBadSegArray();
  if (list->IsEmpty()) return nullptr;
  return list;
}

std::unique_ptr<CSegArray> CSegArray::UnpackFromGlobal(plat::HGLOBAL block) {
  if (!block) return nullptr;
  plat::GlobalLockGuard lock(block);
  if (!lock.bytes()) return nullptr;
  return UnpackFromBuffer(static_cast<const std::uint8_t*>(lock.bytes()), plat::GlobalSize(block));
}

int CSegArray::WriteToFile(CFileServices& file) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = PackToGlobal(&h);
  if (!h) return 0;
  int ok = 0;
  if (n > SEG_BLOCK_EMPTY) {
    plat::GlobalLockGuard lock(h);
    ok = lock.bytes() && file.Write(lock.bytes(), n) ? 1 : 0;
  }
  plat::GlobalFree(h);
  return ok;
}

int CSegArray::ReadFromFile(CFileServices& file) {
  const std::uint64_t start = file.GetPosition();
  std::uint8_t head[SEG_BLOCK_HEAD] = {};
  const std::size_t got = file.Read(head, sizeof head);
  file.Seek(start);
  if (got != sizeof head || head[0] != SEG_BLOCK_VERSION) return 0;
  std::uint64_t n = plat::GetU32(head + 1);
  if (n <= SEG_BLOCK_EMPTY) return 0;
  // A length beyond the file is cut to what is there; the walk then stops
  // at the cut.
  const std::uint64_t length = file.GetLength();
  const std::uint64_t left = length > start ? length - start : 0;
  n = std::min(n, left);
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(n));
  if (file.Read(buffer.data(), buffer.size()) != buffer.size()) {
    file.Seek(start);
    return 0;
  }
  std::unique_ptr<CSegArray> list = UnpackFromBuffer(buffer.data(), buffer.size());
  if (!list) return 0;
  TakeAll(*list);
  return 1;
}

int CSegArray::CopyToClipboard() {
  std::vector<std::uint8_t> block;
  StartBlock(block);
  std::string text;
  for (CGraphObject* o : objects_) {
    if (!o || !o->selected) continue;
    switch (o->kind) {
      case OBJ_LINE:
      case OBJ_RECT:
      case OBJ_ELLIPSE:
      case OBJ_POLYGON:
      case OBJ_PATH:
      case OBJ_LIBPIC:
      case OBJ_IMAGE:
      case OBJ_SEAL:  // by its record, or Cut would lose it
        break;
      case OBJ_TRANSFORM:  // forwards to its source, which only a text answers
      case OBJ_GROUP:
      case OBJ_TEXT:
        o->AppendPlainText(text);
        break;
      default:
        continue;
    }
    AppendRecord(*o, block);
  }
  // The text as a C string: up to its first zero byte.
  const std::size_t textLength = std::strlen(text.c_str());
  text.resize(textLength);
  const bool haveRecords = block.size() > SEG_BLOCK_HEAD;

  // With nothing to copy the clipboard is only emptied.
  CClipboardServices* clip = g_clipboard;
  if (!clip || !clip->Open()) return 0;
  clip->Empty();
  if (!text.empty()) {
    plat::HGLOBAL t = TextBlock(text);
    if (t && !clip->SetData(CClipboardServices::kTextFormat, t)) plat::GlobalFree(t);
  }
  if (haveRecords) {
    plat::HGLOBAL h = 0;
    if (FinishBlock(block, &h) && !clip->SetData(RegisteredClipboardFormats().objectList, h))
      plat::GlobalFree(h);
  }
  clip->Close();
  return 1;
}

// --- Walks -------------------------------------------------------------------

namespace {
bool LiesBeforeOrigin(const CGraphObject& o) {
  return o.bounds.right < 0.0f || o.bounds.bottom < 0.0f;
}
}  // namespace

int CSegArray::GetBoundRect(CFRect* out, int skipNegative) {
  if (objects_.empty() || !out) return 0;
  CFRect r;
  bool first = true;
  for (CGraphObject* o : objects_) {
    if (!o || (skipNegative && LiesBeforeOrigin(*o))) continue;
    const CFRect& b = o->bounds;
    if (first) {
      r = b;
      first = false;
    } else {
      r.left = std::min(r.left, b.left);
      r.top = std::min(r.top, b.top);
      r.right = std::max(r.right, b.right);
      r.bottom = std::max(r.bottom, b.bottom);
    }
  }
  *out = r;
  bounds = r;
  return 1;
}

int CSegArray::Transform(const CMatrix3& m, int skipNegative) {
  if (objects_.empty()) return 0;
  for (CGraphObject* o : objects_) {
    if (!o || (skipNegative && LiesBeforeOrigin(*o))) continue;
    o->Transform(m);
  }
  return 1;
}

void CSegArray::ReplaceFont(std::uint16_t oldSource, int oldIndex, std::uint16_t newSource,
                            int newIndex) {
  for (CGraphObject* o : objects_)
    if (o) o->ReplaceFont(oldSource, oldIndex, newSource, newIndex);
}

void CSegArray::FillColorList(CListBoxServices* list) {
  for (CGraphObject* o : objects_)
    if (o) o->AddColorToList(list);
}

void CSegArray::CollectText(std::vector<std::string>& texts) {
  for (CGraphObject* o : objects_)
    if (o) o->CollectText(texts);
}

std::unique_ptr<CGroupObject> CSegArray::ClipObjectsToRect(CSegArray& list, float left, float top,
                                                           float right, float bottom) {
  auto group = std::make_unique<CGroupObject>();
  for (CGraphObject* o : list.objects_) {
    if (!o) continue;
    const CFRect b = o->bounds;
    if (b.left > right || b.right < left || b.top > bottom || b.bottom < top) continue;
    if (o->kind == OBJ_PATH) {
      auto* path = static_cast<CPathObject*>(o);
      path->ApplyTransform();
      if (left <= b.left && b.right <= right && top <= b.top && b.bottom <= bottom) {
        group->AddChild(path->Clone());
      } else {
        group->AddChild(ClipPathObject(*path, left, top, right, bottom));
      }
    } else if (o->kind == OBJ_GROUP) {
      auto* sub = static_cast<CGroupObject*>(o);
      std::unique_ptr<CGroupObject> clipped;
      if (sub->matrix.IsIdentity()) {
        clipped = ClipObjectsToRect(sub->children, left, top, right, bottom);
      } else {
        // The children are local to the subgroup: clip a copy placed on the page.
        std::unique_ptr<CGraphObject> copy = sub->Clone();
        if (copy && copy->kind == OBJ_GROUP) {
          copy->Transform(CMatrix3());
          clipped = ClipObjectsToRect(static_cast<CGroupObject*>(copy.get())->children, left, top,
                                      right, bottom);
        } else if (copy && copy->kind == OBJ_PATH) {
          CSegArray one;
          one.Add(std::move(copy));
          copy.reset();
          clipped = ClipObjectsToRect(one, left, top, right, bottom);
        }
      }
      if (clipped && clipped->GetChildCount() > 0) group->AddChild(std::move(clipped));
    }
  }
  if (group->GetChildCount() == 0) return nullptr;
  return group;
}

// --- Disk file ---------------------------------------------------------------

CDiskFile::~CDiskFile() { Close(); }

bool CDiskFile::Open(const std::string& path, const char* mode) {
  Close();
  file_ = std::fopen(path.c_str(), mode);
  return file_ != nullptr;
}

void CDiskFile::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

std::uint64_t CDiskFile::GetPosition() const {
  if (!file_) return 0;
  const long p = std::ftell(file_);
  return p < 0 ? 0 : static_cast<std::uint64_t>(p);
}

bool CDiskFile::Seek(std::uint64_t position) {
  if (!file_ || position > static_cast<std::uint64_t>(std::numeric_limits<long>::max())) return false;
  return std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0;
}

std::uint64_t CDiskFile::GetLength() const {
  if (!file_) return 0;
  const long here = std::ftell(file_);
  if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0) return 0;
  const long end = std::ftell(file_);
  std::fseek(file_, here, SEEK_SET);
  return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

std::size_t CDiskFile::Read(void* buffer, std::size_t n) {
  if (!file_ || n == 0) return 0;
  return std::fread(buffer, 1, n, file_);
}

bool CDiskFile::Write(const void* buffer, std::size_t n) {
  if (!file_) return false;
  return n == 0 || std::fwrite(buffer, 1, n, file_) == n;
}
