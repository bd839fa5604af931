// A white 32-bit memory context for drawing tests, and a compact view of the
// calls it records.
#pragma once
#include <string>
#include <vector>

#include "platform/dc.h"

class GeometryCanvas {
 public:
  GeometryCanvas(plat::LONG w, plat::LONG h) : w_(w), h_(h) {
    bmp_ = plat::CreateBitmap(w, h, 1, 32, nullptr);
    old_ = dc.SelectObject(bmp_);
    dc.FillSolidRect({0, 0, w, h}, plat::RGB(255, 255, 255));
    dc.StartRecording();
  }
  ~GeometryCanvas() {
    dc.SelectObject(old_);
    plat::DeleteObject(bmp_);
  }
  // "Op x,y x,y ..." per recorded call.
  std::vector<std::string> Calls() const {
    std::vector<std::string> out;
    for (const auto& c : dc.Recorded()) {
      std::string s = c.op;
      for (const auto& p : c.points) s += " " + std::to_string(p.x) + "," + std::to_string(p.y);
      out.push_back(s);
    }
    return out;
  }
  bool Black(plat::LONG x, plat::LONG y) const { return dc.GetPixel(x, y) == plat::RGB(0, 0, 0); }
  int CountNonWhite() const {
    int n = 0;
    for (plat::LONG y = 0; y < h_; ++y)
      for (plat::LONG x = 0; x < w_; ++x) n += dc.GetPixel(x, y) != plat::RGB(255, 255, 255);
    return n;
  }

  plat::DC dc;

 private:
  plat::LONG w_, h_;
  plat::HBITMAP bmp_ = nullptr;
  plat::HBITMAP old_ = nullptr;
};
