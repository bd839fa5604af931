// A library that allocates and frees blocks on behalf of the tests.
#include <cstring>

#include "platform/gmem.h"

extern "C" plat::HGLOBAL PeerAllocText(const char* text) {
  std::size_t n = std::strlen(text) + 1;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, n);
  std::memcpy(plat::GlobalLock(h), text, n);
  plat::GlobalUnlock(h);
  return h;
}

extern "C" int PeerFree(plat::HGLOBAL h) { return plat::GlobalFree(h) == 0 ? 1 : 0; }
