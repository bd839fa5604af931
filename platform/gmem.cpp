#include "platform/gmem.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace plat {
namespace {

// A handle is (generation << kIndexBits) | (index + 1); a freed slot bumps its
// generation, so a stale handle never names a later block.
constexpr unsigned kIndexBits = 22;
constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr std::uint32_t kGenMask = (1u << (32 - kIndexBits)) - 1;
constexpr std::size_t kMaxBlock = std::size_t(1) << 40;

struct Slot {
  std::uint8_t* data = nullptr;
  std::size_t size = 0;
  unsigned flags = 0;
  unsigned locks = 0;
  std::uint32_t gen = 1;
  bool live = false;
};

struct Table {
  std::mutex mu;
  std::vector<Slot> slots;
  std::vector<std::uint32_t> freeList;
  std::size_t live = 0;

  Slot* find(HGLOBAL h) {
    if (h == 0) return nullptr;
    std::uint32_t idx = (h & kIndexMask);
    if (idx == 0 || idx > slots.size()) return nullptr;
    Slot& s = slots[idx - 1];
    if (!s.live || s.gen != (h >> kIndexBits)) return nullptr;
    return &s;
  }
};

Table& table() {
  static Table* t = new Table;  // never destroyed: blocks may be freed during exit
  return *t;
}

std::uint8_t* allocBytes(std::size_t bytes, bool zero) {
  std::size_t n = bytes ? bytes : 1;
  void* p = zero ? std::calloc(n, 1) : std::malloc(n);
  return static_cast<std::uint8_t*>(p);
}

// Caller holds t.mu.
HGLOBAL insertLocked(Table& t, std::uint8_t* p, std::size_t bytes, unsigned flags) {
  std::uint32_t idx;
  if (!t.freeList.empty()) {
    idx = t.freeList.back();
    t.freeList.pop_back();
  } else {
    if (t.slots.size() >= kIndexMask) return 0;
    t.slots.emplace_back();
    idx = static_cast<std::uint32_t>(t.slots.size());
  }
  Slot& s = t.slots[idx - 1];
  s.data = p;
  s.size = bytes;
  s.flags = flags;
  s.locks = 0;
  s.live = true;
  ++t.live;
  return (s.gen << kIndexBits) | idx;
}

}  // namespace

HGLOBAL GlobalAlloc(unsigned flags, std::size_t bytes) {
  if (bytes > kMaxBlock) return 0;
  std::uint8_t* p = allocBytes(bytes, flags & GMEM_ZEROINIT);
  if (!p) return 0;
  Table& t = table();
  std::lock_guard lock(t.mu);
  HGLOBAL h = insertLocked(t, p, bytes, flags);
  if (!h) std::free(p);
  return h;
}

HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, unsigned flags) {
  if (bytes > kMaxBlock) return 0;
  Table& t = table();
  std::lock_guard lock(t.mu);
  Slot* s = t.find(h);
  if (!s) return 0;
  void* p = std::realloc(s->data, bytes ? bytes : 1);
  if (!p) return 0;
  s->data = static_cast<std::uint8_t*>(p);
  if (bytes > s->size && (flags & GMEM_ZEROINIT)) std::memset(s->data + s->size, 0, bytes - s->size);
  s->size = bytes;
  return h;
}

std::size_t GlobalSize(HGLOBAL h) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  Slot* s = t.find(h);
  return s ? s->size : 0;
}

void* GlobalLock(HGLOBAL h) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  Slot* s = t.find(h);
  if (!s) return nullptr;
  ++s->locks;
  return s->data;
}

bool GlobalUnlock(HGLOBAL h) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  Slot* s = t.find(h);
  if (!s || s->locks == 0) return false;
  --s->locks;
  return s->locks != 0;
}

unsigned GlobalLockCount(HGLOBAL h) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  Slot* s = t.find(h);
  return s ? s->locks : 0;
}

HGLOBAL GlobalFree(HGLOBAL h) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  Slot* s = t.find(h);
  if (!s) return h;
  std::free(s->data);
  s->data = nullptr;
  s->size = 0;
  s->locks = 0;
  s->live = false;
  s->gen = (s->gen + 1) & kGenMask;
  if (s->gen == 0) s->gen = 1;
  t.freeList.push_back(h & kIndexMask);
  --t.live;
  return 0;
}

HGLOBAL GlobalDuplicate(HGLOBAL h) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  Slot* src = t.find(h);
  if (!src) return 0;
  std::uint8_t* p = allocBytes(src->size, false);
  if (!p) return 0;
  std::memcpy(p, src->data, src->size);
  HGLOBAL d = insertLocked(t, p, src->size, src->flags);
  if (!d) std::free(p);
  return d;
}

bool GlobalIsValid(HGLOBAL h) {
  Table& t = table();
  std::lock_guard lock(t.mu);
  return t.find(h) != nullptr;
}

std::size_t GlobalLiveCount() {
  Table& t = table();
  std::lock_guard lock(t.mu);
  return t.live;
}

}  // namespace plat
