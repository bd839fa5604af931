#include "model/pathobject.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "model/bezier.h"
#include "model/devices.h"
#include "model/geomutil.h"
#include "model/groupobject.h"
#include "model/palette.h"
#include "model/records.h"
#include "platform/bytes.h"
#include "platform/dc.h"

using plat::GlobalLockGuard;

namespace {

constexpr PathPoint kEndRecord{0.0f, 0.0f, PP_END};

using namespace pathrec;
using plat::GetU32;
using plat::PutU32;

CFPoint At(const PathPoint& p) { return CFPoint{p.x, p.y}; }

// Records a walk may read: those in use, within the block.
std::size_t Used(std::int32_t count, std::size_t blockRecords) {
  return count <= 0 ? 0 : std::min<std::size_t>(std::size_t(count), blockRecords);
}

// Calls node(i, record, afterControl) for each node record the walk may read
// before the end record; afterControl: control points came just before it.
// The walk ends early where node returns false.
template <class NodeFn>
void WalkNodes(const Records& r, std::int32_t count, NodeFn&& node) {
  bool afterControl = false;
  for (std::size_t i = 0, used = Used(count, r.n); i < used && r.p[i].flags != PP_END; ++i) {
    const PathPoint& rec = r.p[i];
    if (!IsPoint(rec.flags)) continue;
    if (!(rec.flags & PP_NODE)) {
      afterControl = true;
      continue;
    }
    if (!node(i, rec, afterControl)) return;
    afterControl = false;
  }
}

}  // namespace

// ---------------------------------------------------------------------------

CPathObject::CPathObject() { kind = OBJ_PATH; }

CPathObject::~CPathObject() { FreePoints(); }

void CPathObject::FreePoints() {
  if (points) plat::GlobalFree(points);
  points = 0;
}

std::size_t CPathObject::BlockRecords() const {
  return points ? plat::GlobalSize(points) / kRec : 0;
}

bool CPathObject::Grow() {
  if (!points) {
    capacity = kFirstCapacity;
    count = 0;
    points = plat::GlobalAlloc(plat::GHND, std::size_t(capacity + 2) * kRec);
    return points != 0;
  }
  if (count < 0) count = 0;
  // Also grows a block smaller than the counts claim (a hostile record).
  if (count >= capacity || std::size_t(count) + 2 > BlockRecords()) {
    std::int32_t want = std::max(capacity, count) + kGrowBy;
    if (!plat::GlobalReAlloc(points, std::size_t(want + 2) * kRec, plat::GHND)) return false;
    capacity = want;
  }
  return true;
}

bool CPathObject::Reserve(std::size_t records) {
  if (!points) {
    if (!Grow()) return false;
  }
  if (records + 2 <= BlockRecords() && records <= std::size_t(std::max(capacity, 0))) return true;
  std::size_t want = std::max<std::size_t>(records, std::size_t(std::max(capacity, 0)) + kGrowBy);
  if (!plat::GlobalReAlloc(points, (want + 2) * kRec, plat::GHND)) return false;
  capacity = std::int32_t(want);
  return true;
}

void CPathObject::Trim(std::size_t records) {
  if (points) plat::GlobalReAlloc(points, records * kRec, plat::GHND);
}

void CPathObject::Widen(float x, float y) {
  bounds.left = std::min(bounds.left, x);
  bounds.right = std::max(bounds.right, x);
  bounds.top = std::min(bounds.top, y);
  bounds.bottom = std::max(bounds.bottom, y);
}

int CPathObject::AppendPoint(const PathPoint& pt) {
  if (!Grow()) return count;
  {
    Records r(points);
    if (count > 0 && r.p[count - 1].flags == PP_END) {
      // Written over the first of the trailing end records; the path stays finished.
      std::int32_t k = count - 1;
      while (k > 0 && r.p[k - 1].flags == PP_END) --k;
      r.p[k] = pt;
      r.p[k + 1] = kEndRecord;
      count = k + 1;
    } else {
      r.p[count] = pt;
    }
  }
  ++count;
  if (pt.flags == PP_END) {
    Trim(std::size_t(count) + 3);
    capacity = count + 1;
  }
  return count;
}

int CPathObject::AddPoint(const PathPoint& pt) {
  if (!Grow()) return count;
  std::int32_t at;
  {
    Records r(points);
    if (pt.flags == PP_END) {
      at = count;
      r.p[at] = pt;
    } else {
      bool dropped = false;
      while (count >= 1 && r.p[count - 1].flags == PP_END) {
        --count;
        dropped = true;
      }
      at = count;
      r.p[at] = pt;
      if (dropped) {
        r.p[at + 1] = kEndRecord;
        ++count;
      }
    }
    if (IsNode(pt.flags)) {
      // All-zero bounds are empty only while no node precedes: a path may
      // well start at the origin.
      bool empty = bounds.left == 0.0f && bounds.top == 0.0f && bounds.right == 0.0f &&
                   bounds.bottom == 0.0f;
      for (std::int32_t k = at - 1; empty && k >= 0; --k)
        if (IsNode(r.p[k].flags)) empty = false;
      if (empty) {
        bounds = CFRect(pt.x, pt.y, pt.x, pt.y);
      } else {
        Widen(pt.x, pt.y);
        if (!(pt.flags & PP_START) && at >= 3 && IsControl(r.p[at - 1].flags)) {
          CBezierSegment seg{At(r.p[at - 3]), At(r.p[at - 2]), At(r.p[at - 1]), At(pt), {}};
          const CFPoint four[4] = {seg.P0, seg.P1, seg.P2, seg.P3};
          bool outside = false;
          for (const CFPoint& p : four)
            outside = outside ||
                      !PointInFRect(p.x, p.y, bounds.left, bounds.top, bounds.right, bounds.bottom);
          if (outside) {
            for (float t = 0.1f; t < 0.9f; t += 0.01f) {
              CFPoint s;
              seg.PointAt(t, s);
              Widen(s.x, s.y);
            }
          }
        }
      }
    }
  }
  ++count;
  if (pt.flags == PP_END) {
    Trim(std::size_t(count) + 2);
    capacity = count;
  }
  return count;
}

int CPathObject::EndPoints() { return AppendPoint(kEndRecord); }

void CPathObject::AddRectangle(float x1, float y1, float x2, float y2) {
  AddPoint(x1, y1, 0x11);
  AddPoint(x2, y1, 0x01);
  AddPoint(x2, y2, 0x01);
  AddPoint(x1, y2, 0x01);
  AddPoint(x1, y1, 0x41);
}

void CPathObject::AddLine(float x1, float y1, float x2, float y2) {
  AddPoint(x1, y1, 0x11);
  AddPoint(x2, y2, 0x21);
}

// ---------------------------------------------------------------------------
// Structure.

void CPathObject::ApplyTransform() {
  if (!points || matrix.IsIdentity()) return;
  {
    Records r(points);
    for (std::size_t i = 0, used = Used(count, r.n); i < used && r.p[i].flags != PP_END; ++i)
      if (IsPoint(r.p[i].flags)) matrix.TransformPathPoint(r.p[i]);
  }
  matrix.SetIdentity();
}

void CPathObject::AppendPath(CPathObject& other) {
  if (&other == this || !other.points || other.count <= 0) return;
  ApplyTransform();
  other.ApplyTransform();
  if (!points) {
    points = plat::GlobalDuplicate(other.points);
    if (!points) return;
    capacity = other.capacity;
    count = other.count;
    color = other.color;
    bounds = other.bounds;
    return;
  }
  // The other's records up to its first end record; one is added when it has none.
  std::size_t m;
  bool otherEnded;
  {
    Records o(other.points);
    std::size_t used = Used(other.count, o.n);
    std::size_t e = 0;
    while (e < o.n && o.p[e].flags != PP_END) ++e;
    otherEnded = e < o.n;
    m = otherEnded ? e + 1 : used + 1;
  }
  // Where this path's end record is; a path still being built keeps all its records.
  std::size_t n;
  {
    Records r(points);
    std::size_t used = Used(count, r.n);
    std::size_t k = used;
    while (k > 0 && r.p[k - 1].flags != PP_END) --k;
    // The other's records go over the first of the trailing end records.
    while (k > 1 && r.p[k - 2].flags == PP_END) --k;
    n = k > 0 ? k - 1 : used;
    for (std::size_t z = n; z < used; ++z) r.p[z] = PathPoint{0.0f, 0.0f, 0};
  }
  bounds = CFRect(std::min(bounds.left, other.bounds.left), std::min(bounds.top, other.bounds.top),
                  std::max(bounds.right, other.bounds.right),
                  std::max(bounds.bottom, other.bounds.bottom));
  const std::size_t total = n + m;
  if (!plat::GlobalReAlloc(points, (total + 2) * kRec, plat::GHND)) return;
  {
    Records r(points);
    Records o(other.points);
    std::size_t copy = otherEnded ? m : m - 1;
    std::memcpy(r.p + n, o.p, copy * kRec);
    if (!otherEnded) r.p[total - 1] = kEndRecord;
  }
  count = std::int32_t(total);
  capacity = count;
}

void CPathObject::SplitContours(CGroupObject& group) {
  std::vector<std::unique_ptr<CPathObject>> parts;
  SplitContours(parts);
  for (auto& part : parts) group.AddChild(std::move(part));
}

void CPathObject::SplitContours(std::vector<std::unique_ptr<CPathObject>>& out) {
  if (!points) return;
  ApplyTransform();
  std::unique_ptr<CPathObject> open;
  auto start = [&]() {
    auto p = std::make_unique<CPathObject>();
    p->color = color;
    p->flags = flags;
    return p;
  };
  Records r(points);
  for (std::size_t i = 0, used = Used(count, r.n); i < used && r.p[i].flags != PP_END; ++i) {
    const PathPoint& rec = r.p[i];
    if (IsPoint(rec.flags) && (rec.flags & PP_START)) {
      if (open) {
        open->AddPoint(kEndRecord);
        out.push_back(std::move(open));
      }
      open = start();
      open->AddPoint(rec);
      if (EndsContour(rec.flags)) {
        open->AppendPoint(kEndRecord);
        out.push_back(std::move(open));
      }
    } else if (EndsContour(rec.flags)) {
      if (open) {
        open->AddPoint(rec);
        open->AppendPoint(kEndRecord);
        out.push_back(std::move(open));
      }
    } else if (open) {
      open->AddPoint(rec);
    }
  }
}

void CPathObject::CloseLastContour() {
  if (!points || count <= 0) return;
  std::size_t last;
  std::size_t used;
  PathPoint start{};
  {
    Records r(points);
    used = Used(count, r.n);
    if (used == 0) return;
    std::size_t i = used - 1;
    while (i >= 1 && !IsPoint(r.p[i].flags)) --i;
    if (i < 1) {
      count = std::int32_t(i + 1);
      return;
    }
    last = i;
    std::size_t s = last + 1;
    bool found = false;
    while (s-- > 0) {
      if (IsPoint(r.p[s].flags) && (r.p[s].flags & PP_START)) {
        found = true;
        break;
      }
    }
    if (!found) {
      count = std::int32_t(last + 1);
      return;
    }
    start = r.p[s];
    if (r.p[last].x == start.x && r.p[last].y == start.y) {
      r.p[last].flags = std::uint8_t((r.p[last].flags & 0x97) | PP_CLOSEEND);
      count = std::int32_t(last + 1);
      return;
    }
  }
  // The records after the last node (the end record, and any moved earlier)
  // move one place on; room is made first.
  std::size_t tail;
  {
    Records r(points);
    tail = last + 1;
    while (tail < used && r.p[tail].flags != PP_END) ++tail;
    if (tail < r.n && r.p[tail].flags == PP_END) ++tail;
  }
  if (!Reserve(tail + 1)) return;
  Records r(points);
  std::memmove(r.p + last + 2, r.p + last + 1, (tail - (last + 1)) * kRec);
  r.p[last + 1] = PathPoint{start.x, start.y, 0x41};
  count = std::int32_t(last + 2);
}

void CPathObject::EndLastContourOpen() {
  if (!points) return;
  Records r(points);
  std::size_t used = Used(count, r.n);
  for (std::size_t i = used; i-- > 1;) {
    if (IsPoint(r.p[i].flags)) {
      r.p[i].flags = std::uint8_t((r.p[i].flags & 0x9F) | PP_OPENEND);
      count = std::int32_t(i + 1);
      return;
    }
  }
}

int CPathObject::ReopenLastContour() {
  if (!points || count <= 0) return PP_OPENEND;
  Records r(points);
  std::size_t used = Used(count, r.n);
  if (used == 0) return PP_OPENEND;
  std::size_t i = used - 1;
  while (i > 0 && !IsPoint(r.p[i].flags)) {
    r.p[i] = PathPoint{0.0f, 0.0f, 0};
    --i;
  }
  count = std::int32_t(i + 1);
  if (i == 0) return PP_OPENEND;
  int kind = r.p[i].flags & 0x70;
  r.p[i].flags &= 0x9F;
  return kind;
}

void CPathObject::RemoveEndRecords() {
  if (!points || count <= 0) return;
  Records r(points);
  std::size_t used = Used(count, r.n);
  if (used == 0) return;
  std::size_t i = used - 1;
  while (i > 0 && r.p[i].flags == PP_END) {
    r.p[i] = PathPoint{0.0f, 0.0f, 0};
    --i;
  }
  count = std::int32_t(i + 1);
}

std::unique_ptr<CPathObject> CPathObject::MakeReversed() {
  if (!points) return nullptr;
  ApplyTransform();
  auto out = std::make_unique<CPathObject>();
  Records r(points);
  const std::size_t used = Used(count, r.n);
  std::vector<std::uint8_t> newFlags;
  std::size_t pos = 0;
  for (;;) {
    while (pos < used && r.p[pos].flags >= PP_SPECIAL && r.p[pos].flags != PP_END)
      out->AppendPoint(r.p[pos++]);
    const std::size_t first = pos;
    while (pos < used && IsPoint(r.p[pos].flags)) ++pos;
    if (pos == first) break;
    // Within the run every contour is reversed on its own: its end node
    // starts it, its start node takes the end's flags.
    newFlags.resize(pos - first);
    for (std::size_t i = 0; i < newFlags.size(); ++i) newFlags[i] = r.p[first + i].flags;
    std::size_t s = first;
    while (s < pos) {
      std::size_t e = s;
      while (e + 1 < pos && !EndsContour(r.p[e].flags) && !(r.p[e + 1].flags & PP_START)) ++e;
      if (e > s) {
        std::uint8_t endFlags = r.p[e].flags;
        newFlags[e - first] = 0x11;
        newFlags[s - first] =
            EndsContour(endFlags) ? std::uint8_t(endFlags & ~PP_SELECTED) : std::uint8_t(0x21);
      }
      s = e + 1;
    }
    for (std::size_t k = pos; k-- > first;) {
      PathPoint p = r.p[k];
      p.flags = newFlags[k - first];
      out->AddPoint(p);
    }
  }
  out->EndPoints();
  return out;
}

float CPathObject::GetFirstContourLength(plat::BOOL* closed) {
  if (closed) *closed = 0;
  const std::uint16_t oldSteps = BezierBasisTable.n;
  if (oldSteps != 20) FillBezierBasis(20);
  ApplyTransform();
  float length = 0.0f;
  if (points) {
    Records r(points);
    bool started = false;
    CFPoint cur{};
    WalkNodes(r, count, [&](std::size_t i, const PathPoint& rec, bool afterControl) {
      if (rec.flags & PP_START) {
        if (started) return false;
        started = true;
      } else if (afterControl && i >= 2) {
        CBezierSegment seg{cur, At(r.p[i - 2]), At(r.p[i - 1]), At(rec), {}};
        length += BezierLength(seg, 20);
      } else {
        length += PointDistance(cur.x, cur.y, rec.x, rec.y);
      }
      if ((rec.flags & PP_CLOSEEND) && closed) *closed = 1;
      cur = At(rec);
      return true;
    });
  }
  if (oldSteps != 20) FillBezierBasis(oldSteps);
  return length;
}

// ---------------------------------------------------------------------------
// Devices.

void CPathObject::PlotToCutter(CCutterDevice& device) {
  if (!points) return;
  ApplyTransform();
  Records r(points);
  int start = 0;
  WalkNodes(r, count, [&](std::size_t i, const PathPoint& rec, bool afterControl) {
    if (rec.flags & PP_START) {
      if (device.halfCut) {
        device.dashSolid = 1;
        device.dashLeft = device.solidLength;
        device.HalfCutMoveTo(rec.x, rec.y);
      } else {
        device.MoveTo(rec.x, rec.y);
      }
      start = int(i);
    } else if (afterControl && i >= 3) {
      device.CurveTo(At(r.p[i - 3]), At(r.p[i - 2]), At(r.p[i - 1]), At(rec), 1);
    } else if (device.halfCut) {
      device.HalfCutLineTo(rec.x, rec.y);
    } else {
      device.LineTo(rec.x, rec.y);
    }
    if (rec.flags & PP_CLOSEEND) {
      device.OverCut(r.p, Used(count, r.n), start);
      device.EndPolyline();
    } else if (rec.flags & PP_OPENEND) {
      device.EndPolyline();
    }
    return true;
  });
}

void CPathObject::PlotToCarver(CCarveDevice& device) {
  if (!points) return;
  ApplyTransform();
  Records r(points);
  WalkNodes(r, count, [&](std::size_t i, const PathPoint& rec, bool afterControl) {
    if (rec.flags & PP_START) {
      device.MoveTo(rec.x, rec.y);
    } else if (afterControl && i >= 3) {
      CBezierSegment seg{At(r.p[i - 3]), At(r.p[i - 2]), At(r.p[i - 1]), At(rec), {}};
      std::string text = FlattenBezierToText(seg);
      if (!text.empty()) device.PolylineToList(text);
    } else {
      device.PolylineTo(rec.x, rec.y);
    }
    if (EndsContour(rec.flags)) device.EndPolyline();
    return true;
  });
}

// ---------------------------------------------------------------------------
// Overridden slots.

int CPathObject::HitTest(CViewServices* view, float x, float y) {
  if (!points || !view) return 0;
  const float u = float(view->GetUnitsPerPixel());
  const float tol = 3.0f * u;
  // A flat path is hit along its line, not beyond its ends.
  if (bounds.left == bounds.right)
    return std::fabs(x - bounds.left) < tol && y >= bounds.top - tol && y <= bounds.bottom + tol;
  if (bounds.top == bounds.bottom)
    return std::fabs(y - bounds.top) < tol && x >= bounds.left - tol && x <= bounds.right + tol;
  if (!(x >= bounds.left - u && x <= bounds.right + u && y >= bounds.top - u &&
        y <= bounds.bottom + u))
    return 0;
  const bool transform = !matrix.IsIdentity();
  auto pt = [&](const PathPoint& p) {
    CFPoint c = At(p);
    if (transform) matrix.TransformPoint(c);
    return c;
  };
  Records r(points);
  CFPoint cur{};
  bool hit = false;
  WalkNodes(r, count, [&](std::size_t i, const PathPoint& rec, bool afterControl) {
    const CFPoint node = pt(rec);
    float param = -1.0f;
    CFPoint probe{x, y};
    if (rec.flags & PP_START) {
      // only sets the current point
    } else if (afterControl && i >= 2) {
      CBezierSegment seg{cur, pt(r.p[i - 2]), pt(r.p[i - 1]), node, {}};
      param = seg.HitTest(probe, tol);
    } else {
      param = ::HitTestSegment(cur.x, cur.y, node.x, node.y, probe, tol);
    }
    hit = param >= 0.0f;
    cur = node;
    return !hit;
  });
  return hit ? 1 : 0;
}

void CPathObject::Offset(float dx, float dy) {
  CGraphObject::Offset(dx, dy);
  matrix.m20 += dx;
  matrix.m21 += dy;
}

void CPathObject::SetRect(float left, float top, float right, float bottom) {
  CGraphObject::ScaleToRect(left, top, right, bottom);
  CGraphObject::SetRect(left, top, right, bottom);
}

void CPathObject::Transform(const CMatrix3& m) {
  matrix.Multiply(m);
  m.TransformRectBounds(bounds);
}

CPathPointList* CPathObject::MakeOutline(const CMatrix3* m, int) {
  if (!points) return nullptr;
  auto list = std::make_unique<CPathPointList>();
  {
    Records r(points);
    const bool transform = !matrix.IsIdentity();
    const std::size_t used = Used(count, r.n);
    std::size_t n = 0;
    while (n < used && r.p[n].flags != PP_END) ++n;
    // The records, the end record and two spare records in one block, as
    // appending them one by one leaves it.
    const plat::HGLOBAL block = n < std::size_t(INT32_MAX - 3) ? plat::GlobalAlloc(plat::GHND, (n + 3) * kRec) : 0;
    if (plat::GlobalLockGuard out{block}) {
      auto* q = out.as<PathPoint>();
      for (std::size_t i = 0; i < n; ++i) {
        q[i] = r.p[i];
        if (transform && IsPoint(q[i].flags)) matrix.TransformPathPoint(q[i]);
      }
      q[n] = PathPoint{0.0f, 0.0f, PP_END};
      list->points = block;
      list->count = list->capacity = std::int32_t(n + 1);
    } else {
      if (block) plat::GlobalFree(block);
      for (std::size_t i = 0; i < n; ++i) {
        PathPoint p = r.p[i];
        if (!IsPoint(p.flags)) {
          list->AppendPoint(p);
          continue;
        }
        if (transform) matrix.TransformPathPoint(p);
        list->AddPoint(p);
      }
      list->EndPoints();
    }
  }
  list->bounds = bounds;
  list->hasBounds = true;
  if (m) {
    list->Transform(m);
    list->ApplyTransform();
  }
  return list.release();
}

std::uint32_t CPathObject::WriteRecord(plat::HGLOBAL* out) {
  if (out) *out = 0;
  if (!out || !points) return 0;
  Records r(points);
  const std::size_t used = Used(count, r.n);
  std::size_t k = used;
  while (k > 0 && r.p[k - 1].flags != PP_END) --k;
  // A path still being built is written with an end record of its own.
  const bool terminated = k > 0;
  const std::size_t n = terminated ? k : used + 1;
  if (n < 3) return 0;
  const std::uint64_t length = 69 + 9 * std::uint64_t(n);
  if (length >= std::numeric_limits<std::uint32_t>::max() - kRecordExtra) return 0;
  const std::size_t size = std::max<std::size_t>(r.guard.size(), n * kRec) + kRecordExtra;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, size);
  if (!h) return 0;
  {
    GlobalLockGuard g(h);
    std::uint8_t* b = g.bytes();
    b[0] = REC_PATH;
    PutU32(b + 1, std::uint32_t(length));
    b[5] = OBJ_PATH;
    b[6] = std::uint8_t(flags);
    b[7] = std::uint8_t(flags >> 8);
    std::memcpy(b + 8, &bounds, sizeof(CFRect));
    std::memcpy(b + 24, &matrix, sizeof(CMatrix3));
    PutU32(b + 60, color);
    PutU32(b + 64, std::uint32_t(n));
    if (terminated) {
      std::memcpy(b + 68, r.p, n * kRec);
    } else {
      std::memcpy(b + 68, r.p, used * kRec);
      std::memcpy(b + 68 + used * kRec, &kEndRecord, kRec);
    }
    b[68 + 9 * n] = REC_END_BYTE;
    b[69 + 9 * n] = REC_AFTER_BYTE;
  }
  *out = h;
  return std::uint32_t(length);
}

std::unique_ptr<CPathObject> CPathObject::ClonePath() const {
  auto copy = std::make_unique<CPathObject>();
  copy->flags = flags;
  copy->bounds = bounds;
  copy->matrix = matrix;
  copy->color = color;
  if (points) {
    copy->points = plat::GlobalDuplicate(points);
    if (!copy->points) return nullptr;
    copy->capacity = capacity;
    copy->count = count;
  }
  return copy;
}

std::unique_ptr<CGraphObject> CPathObject::Clone() { return ClonePath(); }

std::unique_ptr<CGraphObject> CPathObject::ConvertToPath(int colorFilter) {
  if (colorFilter != -1 && std::uint32_t(colorFilter) != color) return nullptr;
  auto copy = ClonePath();
  if (copy) copy->ApplyTransform();
  return copy;
}

void CPathObject::SetColorIndex(CViewServices* view, std::uint32_t c, int redraw) {
  if (c == color) return;
  color = c;
  if (redraw && view) InvalidateObjectRect(view, true);
}

std::unique_ptr<CGraphObject> CPathObject::MakeTransformedCopy(std::uint32_t, const CFRect&) {
  return nullptr;
}

void CPathObject::AddColorToList(CListBoxServices* list) {
  if (!list) return;
  const std::string text = std::to_string(color);
  if (list->FindStringExact(text) < 0) list->AddString(text);
}

void CPathObject::DrawOutline(plat::DC* dc, const CMatrix3* m, const CFRect*) {
  if (!dc) return;
  std::unique_ptr<CPathPointList> list(MakeOutline(m, 0));
  if (list) list->DrawOutlineInColor(dc, color);
}

void CPathObject::DrawFilled(plat::DC* dc, const CMatrix3* m, const CFRect*) {
  if (!dc) return;
  std::unique_ptr<CPathPointList> list(MakeOutline(m, 0));
  if (list) list->DrawFilledInColor(dc, color);
}

void CPathObject::Print(plat::DC* dc, const CMatrix3* m, const PrintSettings*) {
  if (flags & OBJF_FILLED)
    DrawFilled(dc, m, nullptr);
  else
    DrawOutline(dc, m, nullptr);
}

// ---------------------------------------------------------------------------
// Records.

std::unique_ptr<CPathObject> CPathObject::LoadFromRecord(const std::uint8_t* rec,
                                                         std::size_t size) {
  constexpr std::size_t kHead = 68;
  if (!rec || size < kHead || rec[0] != REC_PATH) return nullptr;
  const std::uint32_t length = GetU32(rec + 1);
  const std::uint32_t n = GetU32(rec + 64);
  if (69 + 9 * std::uint64_t(n) > length || length > size) return nullptr;
  const bool ended = n > 0 && rec[kHead + std::size_t(n - 1) * kRec + 8] == PP_END;
  const std::size_t records = ended ? n : std::size_t(n) + 1;

  auto path = std::make_unique<CPathObject>();
  // Written whole: the records, the end record, the two spare ones cleared.
  path->points = plat::GlobalAlloc(plat::GMEM_MOVEABLE, (records + 2) * kRec);
  if (!path->points) return nullptr;
  {
    Records r(path->points);
    std::memcpy(r.p, rec + kHead, std::size_t(n) * kRec);
    if (!ended) r.p[n] = kEndRecord;
    std::memset(r.p + records, 0, 2 * kRec);
  }
  path->flags = std::uint16_t(rec[6] | (rec[7] << 8));
  std::memcpy(&path->bounds, rec + 8, sizeof(CFRect));
  std::memcpy(&path->matrix, rec + 24, sizeof(CMatrix3));
  path->color = GetU32(rec + 60);
  path->count = std::int32_t(records);
  path->capacity = path->count;
  return path;
}

std::unique_ptr<CGraphObject> CPathObject::ReadRecord(const std::uint8_t* record,
                                                      std::uint32_t length) {
  return LoadFromRecord(record, length);
}

std::unique_ptr<CPathObject> ClipPathObject(CPathObject& path, float left, float top, float right,
                                            float bottom) {
  COutputServices* s = GetOutputServices();
  if (!s) return nullptr;
  return s->ClipPathObject(path, left, top, right, bottom);
}
