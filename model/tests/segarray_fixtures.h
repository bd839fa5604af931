// Fixtures of the object-list and group tests: the line with its 49-byte
// record (letter '$', kind 1), an object that writes nothing,
// a text stand-in that answers AppendPlainText, and byte helpers.
#pragma once
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/graphobject.h"
#include "model/lineobject.h"
#include "model/records.h"
#include "model/segarray.h"

// The real line between two points, its bounds the box of its ends.
class TestLine : public CLineObject {
 public:
  TestLine() = default;
  TestLine(float ax, float ay, float bx, float by) {
    x1 = ax, y1 = ay, x2 = bx, y2 = by;
    bounds = PageBox();
  }
};

// The factory reads lines itself; kept so that fixtures can name it.
struct LineReader {};

// An object that writes no record.
class SilentObject : public CGraphObject {
 public:
  SilentObject() { kind = OBJ_RECT; }
};

// Answers AppendPlainText with its text; writes no record.
class TextStandIn : public CGraphObject {
 public:
  explicit TextStandIn(std::string t) : text(std::move(t)) { kind = OBJ_TEXT; }
  void AppendPlainText(std::string& out) override { out += text; }
  std::string text;
};

inline std::vector<std::uint8_t> BlockBytes(plat::HGLOBAL h) {
  plat::GlobalLockGuard g(h);
  if (!g) return {};
  return std::vector<std::uint8_t>(g.bytes(), g.bytes() + g.size());
}

inline std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

inline void SetU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  std::memcpy(b.data() + at, &v, 4);
}

// The packed block of a list, N bytes (without the 255).
inline std::vector<std::uint8_t> Packed(CSegArray& list) {
  plat::HGLOBAL h = 0;
  const std::uint32_t n = list.PackToGlobal(&h);
  std::vector<std::uint8_t> b = BlockBytes(h);
  plat::GlobalFree(h);
  b.resize(n);
  return b;
}

inline const CLineObject* AsLine(const CGraphObject* o) {
  return dynamic_cast<const CLineObject*>(o);
}
