// Movable memory blocks: 32-bit handles valid process-wide, one table per process.
#pragma once
#include <cstddef>
#include <cstdint>

namespace plat {

using HGLOBAL = std::uint32_t;

constexpr unsigned GMEM_FIXED = 0x0000;
constexpr unsigned GMEM_MOVEABLE = 0x0002;
constexpr unsigned GMEM_ZEROINIT = 0x0040;
constexpr unsigned GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;  // 0x42
constexpr unsigned GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// Allocates a block of exactly `bytes` bytes (0 is allowed); zero-filled with GMEM_ZEROINIT.
// Returns 0 when out of memory.
HGLOBAL GlobalAlloc(unsigned flags, std::size_t bytes);

// Resizes in place of the handle: the handle stays the same, the content moves.
// Growing keeps the content and zero-fills the new part with GMEM_ZEROINIT.
// Returns the handle, or 0 (block unchanged) on failure or an unknown handle.
HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, unsigned flags);

// The size asked for at the last allocation or resize; 0 for an unknown handle.
std::size_t GlobalSize(HGLOBAL h);

// Pointer to the content (valid until the next resize or free); nullptr for an unknown handle.
// A zero-size block locks to a valid non-null pointer that must not be read.
void* GlobalLock(HGLOBAL h);
// Returns true while the block is still locked after this call.
bool GlobalUnlock(HGLOBAL h);
unsigned GlobalLockCount(HGLOBAL h);

// Frees the block. Returns 0 on success, the handle itself when it is unknown (nothing freed).
HGLOBAL GlobalFree(HGLOBAL h);

// A new block with the same size, flags and content; 0 on failure.
HGLOBAL GlobalDuplicate(HGLOBAL h);

bool GlobalIsValid(HGLOBAL h);
// How many blocks are alive (for leak checks in tests).
std::size_t GlobalLiveCount();

// Lock scope: locks on construction, unlocks on destruction.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL h) : h_(h), p_(static_cast<std::uint8_t*>(GlobalLock(h))) {}
  ~GlobalLockGuard() {
    if (p_) GlobalUnlock(h_);
  }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

  explicit operator bool() const { return p_ != nullptr; }
  std::uint8_t* bytes() const { return p_; }
  template <class T>
  T* as() const { return reinterpret_cast<T*>(p_); }
  std::size_t size() const { return GlobalSize(h_); }
  HGLOBAL handle() const { return h_; }

 private:
  HGLOBAL h_;
  std::uint8_t* p_;
};

// Owns a block: frees it on destruction unless released.
class GlobalBlock {
 public:
  GlobalBlock() = default;
  explicit GlobalBlock(HGLOBAL h) : h_(h) {}
  GlobalBlock(unsigned flags, std::size_t bytes) : h_(GlobalAlloc(flags, bytes)) {}
  ~GlobalBlock() { reset(); }
  GlobalBlock(GlobalBlock&& o) noexcept : h_(o.release()) {}
  GlobalBlock& operator=(GlobalBlock&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = o.release();
    }
    return *this;
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;

  HGLOBAL get() const { return h_; }
  explicit operator bool() const { return h_ != 0; }
  HGLOBAL release() {
    HGLOBAL h = h_;
    h_ = 0;
    return h;
  }
  void reset(HGLOBAL h = 0) {
    if (h_) GlobalFree(h_);
    h_ = h;
  }
  std::size_t size() const { return GlobalSize(h_); }

 private:
  HGLOBAL h_ = 0;
};

}  // namespace plat
