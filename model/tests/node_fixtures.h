// Small paths for the node-editing tests and helpers to read their records.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/pathobject.h"
#include "model/tests/fakes.h"
#include "platform/gmem.h"

namespace nodetest {

using Recs = std::vector<PathPoint>;

// A finished path holding exactly these records and the end record.
inline std::unique_ptr<CPathObject> Make(const Recs& recs) {
  auto p = std::make_unique<CPathObject>();
  for (const PathPoint& r : recs) {
    if (r.flags < PP_SPECIAL)
      p->AddPoint(r);
    else
      p->AppendPoint(r);
  }
  p->EndPoints();
  return p;
}

// The records in use, the end record included.
inline Recs RecordsOf(const CPathObject& p) {
  Recs out;
  if (!p.points) return out;
  plat::GlobalLockGuard g(p.points);
  const std::size_t n = std::min<std::size_t>(std::size_t(std::max(p.count, 0)), g.size() / 9);
  const PathPoint* r = g.as<PathPoint>();
  out.assign(r, r + n);
  return out;
}

// The records before the end record.
inline Recs Body(const CPathObject& p) {
  Recs all = RecordsOf(p);
  while (!all.empty() && all.back().flags == PP_END) all.pop_back();
  return all;
}

inline std::string Show(const Recs& r) {
  std::string s;
  char buf[64];
  for (const PathPoint& p : r) {
    std::snprintf(buf, sizeof buf, "(%g,%g,%02X) ", double(p.x), double(p.y), p.flags);
    s += buf;
  }
  return s;
}

inline bool Same(const Recs& a, const Recs& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * 9) == 0);
}

#define EXPECT_RECS(got, want) EXPECT_TRUE(::nodetest::Same(got, want)) \
    << "got  " << ::nodetest::Show(got) << "\nwant " << ::nodetest::Show(want)

// The whole block, byte for byte.
inline std::vector<std::uint8_t> BlockBytes(const CPathObject& p) {
  if (!p.points) return {};
  plat::GlobalLockGuard g(p.points);
  return std::vector<std::uint8_t>(g.bytes(), g.bytes() + g.size());
}

// Fixtures.
inline Recs Square() {  // 0..10, closed
  return {{0, 0, 0x11}, {10, 0, 0x01}, {10, 10, 0x01}, {0, 10, 0x01}, {0, 0, 0x41}};
}
inline Recs Polyline() {  // open, four nodes along y = 0
  return {{0, 0, 0x11}, {10, 0, 0x01}, {20, 0, 0x01}, {30, 0, 0x21}};
}
inline Recs TwoContours() {
  return {{0, 0, 0x11},   {10, 0, 0x21},  {0, 20, 0x11},  {10, 20, 0x01},
          {10, 30, 0x01}, {0, 20, 0x41}};
}
inline Recs BezierContour() {  // one curve then a line back, closed
  return {{0, 0, 0x11}, {0, 30, 0x00}, {30, 30, 0x00}, {30, 0, 0x01}, {0, 0, 0x41}};
}
inline Recs ColouredContour() {  // an open contour with a colour record inside
  return {{0, 0, 0x11}, {10, 0, 0x01}, {1, 2, 0x81}, {20, 0, 0x01}, {30, 0, 0x21}};
}

// A view with a path in node editing: units per pixel 1, identity matrix.
class NodeEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateSharedDrawingTools();
    ObjectDrag() = ObjectDragState{};
    doc.views.push_back(&view);
    view.tool = ID_TOOL_NODE;
    view.hasMatrix = true;
    app.activeView = &view;
  }
  void TearDown() override { ObjectDrag() = ObjectDragState{}; }

  CPathObject& Edit(const Recs& recs) {
    path = Make(recs);
    path->BeginNodeEdit(&view);
    view.editObject = path.get();
    return *path;
  }

  // One command inside a recording bracket, as the view runs it.
  template <typename F>
  void Command(F f, std::uint32_t repaint = 0) {
    view.undo.StartRecord(repaint);
    f();
    view.undo.EndRecord();
  }

  void Click(std::uint32_t flags, float x, float y) {
    path->OnLButtonDown(&view, flags | MK_LBUTTON, x, y);
    path->OnLButtonUp(&view, flags, x, y);
  }
  void Drag(std::uint32_t flags, float x0, float y0, float x1, float y1) {
    path->OnLButtonDown(&view, flags | MK_LBUTTON, x0, y0);
    path->OnMouseMove(&view, flags | MK_LBUTTON, x1, y1);
    path->OnLButtonUp(&view, flags, x1, y1);
  }

  FakeApp app;
  FakeDocument doc;
  FakeView view{&doc, 96, 96};
  std::unique_ptr<CPathObject> path;
};

}  // namespace nodetest
