// The bytes of a memory block a call handed over, for the tests that read it.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/gmem.h"

namespace blocktest {

// The first `n` bytes of `h`, which is freed; empty without a block.
inline std::vector<std::uint8_t> TakeBytes(plat::HGLOBAL h, std::size_t n) {
  std::vector<std::uint8_t> out;
  if (h) {
    plat::GlobalLockGuard g(h);
    out.assign(g.bytes(), g.bytes() + n);
  }
  plat::GlobalFree(h);
  return out;
}

}  // namespace blocktest
