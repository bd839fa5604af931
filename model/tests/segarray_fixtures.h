// Fixtures of the object-list and group tests: a minimal line with the
// line's 49-byte record (letter '$', kind 1), an object that writes nothing,
// a text stand-in that answers AppendPlainText, and byte helpers.
#pragma once
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/graphobject.h"
#include "model/records.h"
#include "model/segarray.h"

// A line between two points: Transform and Offset move the points, so a lost
// matrix shows as a moved line. Record: head, x1 y1 x2 y2, colour, reserved, 241.
class TestLine : public CGraphObject {
 public:
  TestLine() { kind = OBJ_LINE; }
  TestLine(float ax, float ay, float bx, float by) : TestLine() {
    x1 = ax, y1 = ay, x2 = bx, y2 = by;
    Fit();
  }
  void Fit() {
    bounds = CFRect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
  }
  void Transform(const CMatrix3& m) override {
    CFPoint a{x1, y1}, b{x2, y2};
    m.TransformPoint(a);
    m.TransformPoint(b);
    x1 = a.x, y1 = a.y, x2 = b.x, y2 = b.y;
    Fit();
  }
  void Offset(float dx, float dy) override {
    CGraphObject::Offset(dx, dy);
    x1 += dx, x2 += dx, y1 += dy, y2 += dy;
  }
  void SetRect(float l, float t, float r, float b) override {
    x1 = l, y1 = t, x2 = r, y2 = b;
    Fit();
  }
  void SetColorIndex(CViewServices*, std::uint32_t c, int) override { color = c; }
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override {
    CRecordWriter w(REC_LINE, *this);
    w.PutF32(x1);
    w.PutF32(y1);
    w.PutF32(x2);
    w.PutF32(y2);
    w.PutU32(color);
    w.PutU32(0);
    return w.Finish(out);
  }
  static std::unique_ptr<CGraphObject> Read(const std::uint8_t* rec, std::uint32_t len) {
    CRecordReader r(rec, len);
    auto l = std::make_unique<TestLine>();
    std::uint32_t reserved = 0;
    if (!ReadRecordHead(r, REC_LINE, *l)) return nullptr;
    if (!r.ReadF32(l->x1) || !r.ReadF32(l->y1) || !r.ReadF32(l->x2) || !r.ReadF32(l->y2) ||
        !r.ReadU32(l->color) || !r.ReadU32(reserved) || !r.Done())
      return nullptr;
    return l;
  }

  float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::uint32_t color = 0;
};

// Installs the line's reader for a test's life.
struct LineReader {
  ScopedRecordReader scoped{REC_LINE, &TestLine::Read};
};

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

inline const TestLine* AsLine(const CGraphObject* o) {
  return o && o->kind == OBJ_LINE ? static_cast<const TestLine*>(o) : nullptr;
}
