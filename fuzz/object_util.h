// Helpers of the object-record fuzz targets.
#pragma once
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzz_util.h"
#include "model/graphobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "model/services.h"
#include "platform/dc.h"
#include "platform/gmem.h"

namespace fuzz {

// The record an object writes, as bytes (empty when it writes none).
inline std::vector<std::uint8_t> WrittenRecord(CGraphObject& object) {
  plat::HGLOBAL h = 0;
  std::uint32_t n = object.WriteRecord(&h);
  std::vector<std::uint8_t> out;
  if (n && h) {
    plat::GlobalLockGuard lock(h);
    Require(lock && plat::GlobalSize(h) >= n, "written block holds its record");
    out.assign(lock.bytes(), lock.bytes() + n);
  }
  if (h) plat::GlobalFree(h);
  return out;
}

// What the object writes reads back and writes the same bytes again.
inline void RequireStableRecord(CGraphObject& object) {
  const std::vector<std::uint8_t> first = WrittenRecord(object);
  if (first.empty()) return;
  auto again = CreateObjectFromRecord(first.data(), first.size());
  Require(again != nullptr, "a written record reads back");
  Require(WrittenRecord(*again) == first, "same record after a round trip");
}

// A view over a small offscreen surface: what the objects ask of a view
// while they are drawn and hit-tested.
class SurfaceView : public CViewServices {
 public:
  explicit SurfaceView(const CMatrix3& m) : matrix_(m) {
    bitmap_ = plat::CreateBitmap(64, 64, 1, 32, nullptr);
    old_ = dc_.SelectObject(bitmap_);
  }
  ~SurfaceView() override {
    dc_.SelectObject(old_);
    plat::DeleteObject(bitmap_);
  }
  SurfaceView(const SurfaceView&) = delete;
  SurfaceView& operator=(const SurfaceView&) = delete;
  plat::DC* dc() { return &dc_; }

  std::uint32_t GetCurrentTool() const override { return 0; }
  double GetUnitsPerPixel() const override { return 1.0; }
  const CMatrix3* GetViewMatrix() const override { return &matrix_; }
  int GetUndoRecordDepth() const override { return 0; }
  CDesignViewServices* GetDesignView() override { return nullptr; }
  CDocumentServices* GetDocument() override { return nullptr; }
  CGraphObject* GetEditObject() const override { return edit_; }
  void SetEditObject(CGraphObject* object) override { edit_ = object; }
  plat::DC* GetDC() override { return &dc_; }
  void ReleaseDC(plat::DC*) override {}
  void SetClassCursor(std::uint32_t) override {}
  void SetCursor(std::uint32_t) override {}
  void InvalidateRect(const plat::RECT&, bool) override {}
  void DrawRubberBand(plat::DC*) override {}
  void SetTimer(std::uint32_t, std::uint32_t) override {}
  void KillTimer(std::uint32_t) override {}
  bool IsKeyDown(int) const override { return false; }
  plat::RECT GetClientRect() const override { return {0, 0, 64, 64}; }
  void SetStatusText(const std::string&) override {}
  void RepaintView(bool) override {}

 private:
  CMatrix3 matrix_;
  plat::DC dc_;
  plat::HBITMAP bitmap_ = nullptr;
  plat::HBITMAP old_ = nullptr;
  CGraphObject* edit_ = nullptr;
};

// Draws the object every way a view draws what was read: plain and as an XOR
// outline at a half scale, its edit and node marks there, at the identity and
// through a matrix that sends it to the ends of the device range; then
// hit-tests a few points through each. Without `outline` only the marks and
// hit tests (for a target that draws the outline itself).
inline void DrawEveryWay(CGraphObject& object, bool outline = true) {
  const CMatrix3 matrices[] = {CMatrix3(0.5f, 0.0f, 0.0f, 0.5f, 1.0f, 2.0f), CMatrix3(),
                               CMatrix3(1e30f, 0.0f, 0.0f, -1e30f, 3e9f, -3e9f)};
  const CFRect visible(0, 0, 64, 64);
  bool first = outline;
  for (const CMatrix3& m : matrices) {
    SurfaceView view(m);
    plat::DC* dc = view.dc();
    if (first) {
      object.Draw(dc, &m, &visible);
      object.DrawXorOutline(dc, &m);
    }
    first = false;
    object.DrawNodeMarks(dc, &m);
    object.DrawNodeMarks(dc, &m);
    object.DrawEditMarks(dc, &m);
    const float points[][2] = {{0, 0}, {object.bounds.left, object.bounds.top}, {1e30f, -1e30f}};
    for (const auto& p : points) {
      (void)object.HitTest(&view, p[0], p[1]);
      int index = -1;
      (void)object.HitTestHandle(&view, p[0], p[1], &index);
    }
  }
}

}  // namespace fuzz
