// A small object kind for the tests: records its calls, reports handles and
// nodes at fixed points, and writes a record with a nested byte string so
// the record rules can be tried without the real object classes.
#pragma once
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "model/graphobject.h"
#include "model/records.h"

class TestObject : public CGraphObject {
 public:
  static constexpr char kLetter = REC_RECT;  // borrowed for the tests
  static constexpr std::uint8_t kKind = OBJ_RECT;

  TestObject() { kind = kKind; }
  TestObject(float l, float t, float r, float b) : TestObject() { bounds = CFRect(l, t, r, b); }

  // --- Spies on the per-tool handlers.
  int OnLButtonDownSelect(CViewServices* v, std::uint32_t f, float x, float y) override {
    calls.push_back("DownSelect");
    return CGraphObject::OnLButtonDownSelect(v, f, x, y);
  }
  int OnLButtonDownText(CViewServices*, std::uint32_t, float, float) override {
    calls.push_back("DownText");
    return 1;
  }
  int OnLButtonDownNode(CViewServices* v, std::uint32_t f, float x, float y) override {
    calls.push_back("DownNode");
    return CGraphObject::OnLButtonDownNode(v, f, x, y);
  }
  int OnMouseMoveSelect(CViewServices* v, std::uint32_t f, float x, float y) override {
    calls.push_back("MoveSelect");
    return CGraphObject::OnMouseMoveSelect(v, f, x, y);
  }
  int OnMouseMoveText(CViewServices* v, std::uint32_t f, float x, float y) override {
    calls.push_back("MoveText");
    return CGraphObject::OnMouseMoveText(v, f, x, y);
  }
  int OnMouseMoveNode(CViewServices* v, std::uint32_t f, float x, float y) override {
    calls.push_back("MoveNode");
    return CGraphObject::OnMouseMoveNode(v, f, x, y);
  }
  int OnLButtonUpSelect(CViewServices* v, std::uint32_t f, float x, float y) override {
    calls.push_back("UpSelect");
    return CGraphObject::OnLButtonUpSelect(v, f, x, y);
  }
  int OnLButtonUpText(CViewServices*, std::uint32_t, float, float) override {
    calls.push_back("UpText");
    return 1;
  }
  int OnLButtonUpNode(CViewServices* v, std::uint32_t f, float x, float y) override {
    calls.push_back("UpNode");
    return CGraphObject::OnLButtonUpNode(v, f, x, y);
  }
  int OnMouseOverText(CViewServices*, std::uint32_t, float, float) override {
    calls.push_back("OverText");
    hoverTool = ID_TOOL_TEXT;
    return 1;
  }
  int OnMouseOverTextDrag(CViewServices*, std::uint32_t, float, float) override {
    calls.push_back("OverTextDrag");
    hoverTool = ID_TOOL_TEXT_DRAG;
    return 1;
  }
  int OnCharText(CViewServices*, std::uint32_t, std::uint32_t) override {
    calls.push_back("CharText");
    return 1;
  }
  int OnCharNode(CViewServices*, std::uint32_t, std::uint32_t) override {
    calls.push_back("CharNode");
    return 1;
  }
  int OnKeyDownText(CViewServices*, std::uint32_t, std::uint32_t m) override {
    calls.push_back("KeyText " + std::to_string(m));
    return 1;
  }
  int OnKeyDownNode(CViewServices*, std::uint32_t, std::uint32_t m) override {
    calls.push_back("KeyNode " + std::to_string(m));
    return 1;
  }
  void DeleteAtCaretInText(CViewServices*) override { calls.push_back("DeleteAtCaret"); }
  void DeleteBeforeCaretInText(CViewServices*) override { calls.push_back("DeleteBeforeCaret"); }
  void DeleteSelectedNodes(CViewServices*) override { calls.push_back("DeleteNodes"); }
  void BackspaceInNodeEdit(CViewServices*) override { calls.push_back("BackspaceNode"); }
  void DrawTextEditMarks(plat::DC*, const CMatrix3*) override { calls.push_back("TextMarks"); }
  void DrawNodeMarks(plat::DC* dc, const CMatrix3*) override {
    calls.push_back("NodeMarks rop " + std::to_string(dc ? dc->GetROP2() : 0));
  }
  void OnNodeEditBegun(CViewServices*) override { calls.push_back("NodeEditBegun"); }
  int CanNodeEdit() override { return canNodeEdit; }
  int CanTextEdit() override { return canTextEdit; }
  void Relayout(CViewServices*, int from) override { calls.push_back("Relayout " + std::to_string(from)); }
  void RecalcBounds() override { calls.push_back("RecalcBounds"); }
  void Transform(const CMatrix3& m) override {
    m.TransformRectBounds(bounds);
    calls.push_back("Transform");
  }
  void DrawOutline(plat::DC*, const CMatrix3*, const CFRect*) override { calls.push_back("DrawOutline"); }
  void DrawFilled(plat::DC*, const CMatrix3*, const CFRect*) override { calls.push_back("DrawFilled"); }

  // --- Handles and nodes: one at each of the given points, 1 unit around.
  int HitTestHandle(CViewServices*, float x, float y, int* index) override {
    return Find(handles, x, y, index);
  }
  int HitTestNode(CViewServices*, float x, float y, int* index) override {
    return Find(nodes, x, y, index);
  }
  void MoveHandle(CViewServices*, int i, float x, float y) override {
    calls.push_back("MoveHandle " + std::to_string(i));
    if (i >= 0 && i < int(handles.size())) handles[std::size_t(i)] = CFPoint{x, y};
  }
  void MoveNode(CViewServices*, int i, float x, float y, std::uint32_t) override {
    calls.push_back("MoveNode " + std::to_string(i));
    if (i >= 0 && i < int(nodes.size())) nodes[std::size_t(i)] = CFPoint{x, y};
  }
  void DrawHandleDragXor(CViewServices*, int i, float, float) override {
    calls.push_back("HandleXor " + std::to_string(i));
  }
  void DrawNodeDragXor(CViewServices*, int i, float, float) override {
    calls.push_back("NodeXor " + std::to_string(i));
  }

  // --- Record: head, u32 value, u16 count and that many bytes, end.
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override {
    if (!writes) {
      *out = 0;
      return 0;
    }
    CRecordWriter w(kLetter, *this);
    w.PutU32(value);
    w.PutU16(static_cast<std::uint16_t>(payload.size()));
    w.PutBytes(payload.data(), payload.size());
    return w.Finish(out);
  }

  static std::unique_ptr<CGraphObject> Read(const std::uint8_t* rec, std::uint32_t len) {
    ++readerCalls;
    CRecordReader r(rec, len);
    auto obj = std::make_unique<TestObject>();
    if (!ReadRecordHead(r, kLetter, *obj)) return nullptr;
    std::uint16_t n = 0;
    if (!r.ReadU32(obj->value) || !r.ReadU16(n)) return nullptr;
    const std::uint8_t* bytes = r.Take(n);
    if (!bytes || !r.Done()) return nullptr;
    obj->payload.assign(bytes, bytes + n);
    return obj;
  }
  static inline int readerCalls = 0;

  std::vector<std::string> calls;
  std::vector<CFPoint> handles;
  std::vector<CFPoint> nodes;
  int canNodeEdit = 0;
  int canTextEdit = 0;
  bool writes = true;
  std::uint32_t value = 0;
  std::string payload;

 private:
  static int Find(const std::vector<CFPoint>& pts, float x, float y, int* index) {
    for (std::size_t i = 0; i < pts.size(); ++i)
      if (std::fabs(pts[i].x - x) <= 1.0f && std::fabs(pts[i].y - y) <= 1.0f) {
        *index = static_cast<int>(i);
        return 1;
      }
    return 0;
  }
};
