// Recording cutter, engraver and output services for the tests: every call
// becomes one line of text in `calls`, numbers printed with %g.
#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/devices.h"
#include "model/pathobject.h"
#include "model/pathpoints.h"

inline std::string FormatCall(const char* name, std::initializer_list<double> values) {
  std::string s = name;
  s += '(';
  bool first = true;
  for (double v : values) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    if (!first) s += ',';
    s += buf;
    first = false;
  }
  s += ')';
  return s;
}

class RecordingCutter : public CCutterDevice {
 public:
  void MoveTo(float x, float y) override { calls.push_back(FormatCall("MoveTo", {x, y})); }
  void HalfCutMoveTo(float x, float y) override {
    // The dash state as the path object left it just before the move.
    calls.push_back(FormatCall("HalfCutMoveTo", {x, y, double(dashSolid), dashLeft}));
  }
  void LineTo(float x, float y) override { calls.push_back(FormatCall("LineTo", {x, y})); }
  void HalfCutLineTo(float x, float y) override {
    calls.push_back(FormatCall("HalfCutLineTo", {x, y}));
  }
  void CurveTo(const CFPoint& p0, const CFPoint& p1, const CFPoint& p2, const CFPoint& p3,
               int topLevel) override {
    calls.push_back(FormatCall(
        "CurveTo", {p0.x, p0.y, p1.x, p1.y, p2.x, p2.y, p3.x, p3.y, double(topLevel)}));
  }
  void OverCut(const PathPoint* records, std::size_t recordCount, int start) override {
    calls.push_back(FormatCall("OverCut", {double(start)}));
    // The device reads the contour from its start record: it must be there.
    overcutStartOk.push_back(records && start >= 0 && std::size_t(start) < recordCount &&
                             (records[start].flags & PP_START) != 0);
  }
  void EndPolyline() override { calls.push_back("EndPolyline"); }

  std::vector<std::string> calls;
  std::vector<bool> overcutStartOk;
};

class RecordingCarver : public CCarveDevice {
 public:
  void MoveTo(float x, float y) override { calls.push_back(FormatCall("MoveTo", {x, y})); }
  bool PolylineTo(float x, float y) override {
    calls.push_back(FormatCall("PolylineTo", {x, y}));
    return true;
  }
  bool PolylineToList(std::string_view text) override {
    calls.push_back("PolylineToList(" + std::string(text) + ")");
    return true;
  }
  void EndPolyline() override { calls.push_back("EndPolyline"); }

  std::vector<std::string> calls;
};

class FakeOutputServices : public COutputServices {
 public:
  std::unique_ptr<CPathObject> ClipPathObject(CPathObject& path, float left, float top,
                                              float right, float bottom) override {
    last = &path;
    rect = CFRect(left, top, right, bottom);
    ++calls;
    return std::move(result);
  }
  CPathObject* last = nullptr;
  CFRect rect;
  int calls = 0;
  std::unique_ptr<CPathObject> result;  // handed out by the next call
};
