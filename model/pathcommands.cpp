// Structural node commands of paths: inserting, deleting, breaking and
// joining nodes, turning segments into curves or lines, deleting and
// replacing contours and replacing a run of nodes by one curve. Each records
// a snapshot of the whole point block first.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "model/bezier.h"
#include "model/geomutil.h"
#include "model/pathnodes_util.h"
#include "model/pathobject.h"
#include "model/pathwalk.h"
#include "model/undoitems.h"

using namespace pathwalk;
using namespace pathnodes;

namespace {

constexpr PathPoint kEnd{0.0f, 0.0f, PP_END};

std::uint8_t Unselected(std::uint8_t f) { return std::uint8_t(f & ~PP_SELECTED); }

int CountSelected(const Block& k, int* first = nullptr) {
  int n = 0;
  for (int i = 0; i < k.n; ++i)
    if (k.Selected(i)) {
      if (n++ == 0 && first) *first = i;
    }
  return n;
}

// The nodes of the contour starting at s, in order, without a closed end
// (which repeats the start).
std::vector<int> ContourNodes(const Block& k, int s, int last) {
  std::vector<int> out;
  for (int i = s; i <= last; ++i)
    if (k.Node(i) && !k.ClosedEnd(i)) out.push_back(i);
  return out;
}

// Copies one record into a path being built: points keep the bounds.
void Put(CPathObject& p, const PathPoint& r) {
  if (IsPoint(r.flags))
    p.AddPoint(r);
  else if (r.flags != PP_END)
    p.AppendPoint(r);
}

void PutRange(CPathObject& p, const Block& k, int from, int to) {
  for (int i = std::max(from, 0); i <= to && i < k.n; ++i) Put(p, k[i]);
}

}  // namespace

// ---------------------------------------------------------------------------
// The common frame.

void CPathObject::RecordSnapshot(CViewServices* view) {
  CUndoList* list = RecordingUndoList(view);
  if (!list) return;
  list->AppendUndoRepaintItem();
  AppendUndo(view, std::make_unique<CUndoPathSnapshot>(this));
}

std::unique_ptr<CPathObject> CPathObject::NewBuilt(std::size_t reserve) const {
  auto p = std::make_unique<CPathObject>();
  p->color = color;
  // Room for the whole result up front: no block move per record.
  p->Reserve(reserve + 8);
  return p;
}

void CPathObject::TakeOver(CViewServices* view, CPathObject& built, bool wholeView) {
  // A result without a block (it could not be made) leaves the path as it was.
  if (!built.points) return;
  if (view) {
    if (wholeView)
      view->RepaintView(false);
    else
      InvalidateObjectRect(view, true);
  }
  bounds = built.bounds;
  selectedCount = 0;
  FreePoints();
  points = built.points;
  count = built.count;
  capacity = built.capacity;
  built.points = 0;
  built.count = built.capacity = 0;
  if (view && !wholeView) InvalidateObjectRect(view, true);
}

// ---------------------------------------------------------------------------

void CPathObject::InsertRecords(int index, int n) {
  if (n < 1 || count <= 0 || !points) return;
  // Only the block is trusted: a restored state or a path read from a file
  // may claim more records, or less room, than it has.
  const std::size_t block = BlockRecords();
  const std::size_t used = std::min<std::size_t>(std::size_t(count), block);
  const std::size_t at = std::size_t(std::clamp<long long>(index, 0, (long long)used));
  const std::size_t need = used + std::size_t(n);
  if (need + 2 > block || need >= std::size_t(std::max(capacity, 0))) {
    const std::size_t cap = std::max<std::size_t>(std::size_t(std::max(capacity, 0)) + n, need);
    if (!plat::GlobalReAlloc(points, (cap + 2) * pathrec::kRec, plat::GHND)) return;
    capacity = std::int32_t(cap);
  }
  pathrec::Records r(points);
  std::memmove(r.p + at + n, r.p + at, (used - at) * pathrec::kRec);
  for (std::size_t i = at; i < at + std::size_t(n); ++i) r.p[i] = PathPoint{0.0f, 0.0f, PP_NODE};
  count = std::int32_t(need);
}

void CPathObject::InsertRecordsAfter(int index, int n) { InsertRecords(index + 1, n); }

void CPathObject::InsertNode(CViewServices* view) {
  if (hitParam < 0.0f || !points) return;
  ToggleMarks(*this, view);
  RecordSnapshot(view);
  const float t = std::clamp(hitParam, 0.0f, 1.0f);
  hitParam = -1.0f;
  Seg s;
  bool ok;
  {
    Block k(points, count);
    ok = (hitKind == HIT_LINE || hitKind == HIT_CURVE) && k.SegTo(currentNode, s) &&
         s.Bezier() == (hitKind == HIT_CURVE);
  }
  if (ok && !s.Bezier()) {
    PathPoint p0, p1;
    {
      Block k(points, count);
      p0 = k[s.a];
      p1 = k[s.b];
    }
    InsertRecords(s.b, 1);
    Block k(points, count);
    k[s.b] = PathPoint{p0.x + (p1.x - p0.x) * t, p0.y + (p1.y - p0.y) * t, PP_NODE};
    if (currentNode >= s.b) currentNode += 1;
  } else if (ok) {
    CFPoint q[7];
    {
      Block k(points, count);
      CBezierSegment seg{k.At(s.a), k.At(s.c1), k.At(s.c2), k.At(s.b), {}};
      seg.SplitPoints(t, q);
    }
    const int at = s.c2 + 1;
    InsertRecords(at, 3);
    Block k(points, count);
    if (k.Has(at + 2)) {
      k[s.c1] = PathPoint{q[1].x, q[1].y, 0x00};
      k[s.c2] = PathPoint{q[2].x, q[2].y, 0x00};
      k[at] = PathPoint{q[3].x, q[3].y, PP_NODE};
      k[at + 1] = PathPoint{q[4].x, q[4].y, 0x00};
      k[at + 2] = PathPoint{q[5].x, q[5].y, 0x00};
    }
    if (currentNode >= at) currentNode += 3;
  }
  ToggleMarks(*this, view);
}

void CPathObject::DeleteSelectedNodes(CViewServices* view) {
  if (selectedCount < 1 || !points) return;
  {
    Block k(points, count);
    if (CountSelected(k) == 0) return;
  }
  RecordSnapshot(view);
  auto built = NewBuilt(std::size_t(std::max(count, 0)));
  {
    Block k(points, count);
    for (int s = 0; s < k.n; ++s) {
      if (!k.Start(s)) continue;
      const int last = k.ContourLast(s);
      const int e = k.Node(last) && EndsContour(k.F(last)) ? last : -1;
      const bool closed = e >= 0 && k.ClosedEnd(e);
      std::vector<int> nodes;
      for (int i = s; i <= last; ++i)
        if (k.Node(i)) nodes.push_back(i);
      int kept = 0, selected = 0;
      for (int i : nodes) {
        if (i == e && closed) continue;
        if (k.Selected(i))
          ++selected;
        else
          ++kept;
      }
      if (selected == 0) {
        // Untouched contours stay as they are.
        PutRange(*built, k, s, last);
        s = last;
        continue;
      }
      if (kept < 2) {
        s = last;
        continue;
      }
      bool started = false, prevKept = false, startKept = false, finished = false;
      CFPoint newStart{};
      for (int i : nodes) {
        if (finished) break;
        Seg in;
        const bool hasIn = k.SegTo(i, in);
        if (i == e && closed) {
          if (prevKept && startKept && hasIn && in.Bezier()) {
            built->AddPoint(k[in.c1]);
            built->AddPoint(k[in.c2]);
            built->AddPoint(PathPoint{k[i].x, k[i].y, Unselected(k[i].flags)});
          } else {
            built->AddPoint(PathPoint{newStart.x, newStart.y, 0x41});
          }
          finished = true;
          break;
        }
        if (k.Selected(i)) {
          prevKept = false;
          if (i == e) {
            built->EndLastContourOpen();
            finished = true;
          }
          continue;
        }
        if (!started) {
          built->AddPoint(PathPoint{k[i].x, k[i].y, 0x11});
          newStart = k.At(i);
          started = true;
          startKept = i == s;
        } else {
          if (prevKept && hasIn && in.Bezier()) {
            built->AddPoint(k[in.c1]);
            built->AddPoint(k[in.c2]);
          }
          built->AddPoint(PathPoint{k[i].x, k[i].y, i == e ? std::uint8_t(0x21) : PP_NODE});
        }
        prevKept = true;
        if (i == e) finished = true;
      }
      // A contour read without an end node is finished open.
      if (!finished) built->EndLastContourOpen();
      s = last;
    }
  }
  built->AddPoint(kEnd);
  TakeOver(view, *built, false);
}

void CPathObject::BreakAtNode(CViewServices* view) {
  if (!points) return;
  int n = -1, S, E;
  bool closed;
  {
    Block k(points, count);
    if (CountSelected(k, &n) != 1) return;
    S = k.ContourStart(n);
    if (S < 0) return;
    const int last = k.ContourLast(S);
    E = k.Node(last) && EndsContour(k.F(last)) ? last : -1;
    if (E < 0) return;
    closed = k.ClosedEnd(E);
    if (!closed && (n == S || n == E)) return;
  }
  RecordSnapshot(view);
  auto built = NewBuilt(std::size_t(std::max(count, 0)) + 4);
  {
    Block k(points, count);
    auto copy = [&](int i, std::uint8_t flags) {
      built->AddPoint(PathPoint{k[i].x, k[i].y, flags});
    };
    auto plain = [&](int i) {
      if (IsPoint(k.F(i)))
        copy(i, Unselected(k.F(i)));
      else
        Put(*built, k[i]);
    };
    if (n == S) {
      copy(S, 0x11);
      for (int i = S + 1; i < E; ++i) plain(i);
      copy(E, 0x21);
    } else {
      copy(n, 0x11);
      for (int i = n + 1; i < E; ++i) plain(i);
      if (closed) {
        copy(E, PP_NODE);
      } else {
        copy(E, 0x21);
        copy(S, 0x11);
      }
      for (int i = S + 1; i < n; ++i) plain(i);
      copy(n, PP_NODE);
      built->EndLastContourOpen();
    }
    PutRange(*built, k, 0, S - 1);
    PutRange(*built, k, E + 1, k.n - 1);
  }
  built->AddPoint(kEnd);
  TakeOver(view, *built, true);
}

std::unique_ptr<CPathObject> CPathObject::ExtractContour(int index) {
  if (!points) return nullptr;
  auto out = std::make_unique<CPathObject>();
  out->color = color;
  {
    Block k(points, count);
    if (!k.Has(index)) return nullptr;
    int last = index;
    while (last < k.n && !(IsPoint(k.F(last)) && EndsContour(k.F(last)))) {
      if (last > index && k.Start(last)) break;
      ++last;
    }
    if (last >= k.n || (last > index && k.Start(last))) --last;
    for (int i = index; i <= last; ++i) Put(*out, k[i]);
  }
  out->AddPoint(kEnd);
  if (out->count < 3) return nullptr;
  return out;
}

int CPathObject::JoinNodes(CViewServices* view) {
  if (!points || selectedCount != 2) return 0;
  int a = -1, b = -1;
  int refusedAt = -1;
  {
    Block k(points, count);
    std::vector<int> ends;
    for (int i = 0; i < k.n && ends.size() < 2; ++i) {
      if (!k.Selected(i)) continue;
      if (k.Start(i)) {
        if (k.ClosingEnd(i) >= 0) {
          refusedAt = i;
          break;
        }
        ends.push_back(i);
      } else if (k[i].flags & PP_OPENEND) {
        ends.push_back(i);
      } else {
        return 0;
      }
    }
    if (refusedAt < 0 && ends.size() < 2) return 0;
    if (refusedAt < 0) {
      a = ends[0];
      b = ends[1];
    }
  }
  if (refusedAt >= 0) {
    // A closed contour cannot be joined: its start alone stays selected.
    if (RecordingUndoList(view)) AppendUndo(view, std::make_unique<CUndoPathState>(this));
    std::vector<int> others;
    {
      Block k(points, count);
      for (int j = 0; j < k.n; ++j)
        if (j != refusedAt && IsPoint(k.F(j)) && (k.F(j) & PP_SELECTED)) others.push_back(j);
    }
    for (int j : others) DeselectNode(j, view);
    selectedCount = 1;
    currentNode = refusedAt;
    return 0;
  }
  int sa, sb, lastA, lastB;
  bool aStart, bStart;
  CFPoint pa, pb;
  {
    Block k(points, count);
    sa = k.ContourStart(a);
    sb = k.ContourStart(b);
    if (sa < 0 || sb < 0) return 0;
    lastA = k.ContourLast(sa);
    lastB = k.ContourLast(sb);
    aStart = k.Start(a);
    bStart = k.Start(b);
    pa = k.At(a);
    pb = k.At(b);
  }
  const float tol = 3.0f * float(view ? view->GetUnitsPerPixel() : 1.0);
  const bool merge = std::fabs(pa.x - pb.x) < tol && std::fabs(pa.y - pb.y) < tol;
  const CFPoint mid{(pa.x + pb.x) / 2.0f, (pa.y + pb.y) / 2.0f};
  const bool same = sa == sb;

  // A ends at its selected node, B starts at its own.
  std::unique_ptr<CPathObject> A, B;
  if (same) {
    A = ExtractContour(sa);
  } else if (aStart && bStart) {
    auto first = ExtractContour(sa);
    A = first ? first->MakeReversed() : nullptr;
    B = ExtractContour(sb);
  } else {
    const int openEnd = aStart ? b : a;
    const int other = aStart ? a : b;
    const int so = aStart ? sb : sa;
    const int st = aStart ? sa : sb;
    (void)openEnd;
    A = ExtractContour(so);
    auto second = ExtractContour(st);
    Block k(points, count);
    if (second && !k.Start(other)) second = second->MakeReversed();
    B = std::move(second);
  }
  if (!A || (!same && !B)) return 0;
  if (!same) {
    // A closed end in B cancels the join before anything changed.
    Block kb(B->points, B->count);
    for (int i = 0; i < kb.n; ++i)
      if (kb.ClosedEnd(i)) return 0;
  }

  RecordSnapshot(view);
  A->ReopenLastContour();
  {
    Block ka(A->points, A->count);
    const int last = ka.PrevNode(ka.n);
    if (merge && last >= 0) {
      ka[last].x = mid.x;
      ka[last].y = mid.y;
    }
    if (same && merge && ka.Node(0)) {
      ka[0].x = mid.x;
      ka[0].y = mid.y;
    }
  }
  if (same) {
    A->CloseLastContour();
  } else {
    Block kb(B->points, B->count);
    bool first = true;
    for (int i = 0; i < kb.n; ++i) {
      PathPoint r = kb[i];
      if (first && IsNode(r.flags)) {
        first = false;
        if (merge) continue;
        r.flags = std::uint8_t((r.flags & ~(PP_START | PP_OPENEND | PP_CLOSEEND)) | PP_NODE);
      }
      Put(*A, r);
    }
  }
  auto built = NewBuilt(std::size_t(std::max(count, 0)) + 4);
  {
    Block ka(A->points, A->count);
    PutRange(*built, ka, 0, ka.n - 1);
    Block k(points, count);
    for (int i = 0; i < k.n; ++i) {
      if ((i >= sa && i <= lastA) || (i >= sb && i <= lastB)) continue;
      Put(*built, k[i]);
    }
  }
  built->AddPoint(kEnd);
  TakeOver(view, *built, true);
  return 1;
}

void CPathObject::SegmentToCurve(CViewServices* view) {
  if (hitParam < 0.0f || !points) return;
  RecordSnapshot(view);
  hitParam = -1.0f;
  if (hitKind == HIT_CURVE) return;
  Seg s;
  PathPoint p0, p1;
  {
    Block k(points, count);
    if (!k.SegTo(currentNode, s) || s.Bezier()) return;
    p0 = k[s.a];
    p1 = k[s.b];
  }
  selectedCount = 1;
  InsertRecords(s.b, 2);
  {
    Block k(points, count);
    if (k.Has(s.b + 1)) {
      const float dx = p1.x - p0.x, dy = p1.y - p0.y;
      k[s.b] = PathPoint{p0.x + dx / 3.0f, p0.y + dy / 3.0f, 0x00};
      k[s.b + 1] = PathPoint{p0.x + 2.0f * dx / 3.0f, p0.y + 2.0f * dy / 3.0f, 0x00};
    }
  }
  currentNode = s.b + 2;
  if (view) view->RepaintView(false);
}

void CPathObject::SegmentToLine(CViewServices* view) {
  if (hitParam < 0.0f || !points) return;
  RecordSnapshot(view);
  hitParam = -1.0f;
  if (hitKind != HIT_CURVE) return;
  Seg s;
  {
    Block k(points, count);
    if (!k.SegTo(currentNode, s) || !s.Bezier()) return;
  }
  selectedCount = 1;
  {
    pathrec::Records r(points);
    const std::size_t used = std::min<std::size_t>(std::size_t(count), r.n);
    // Take out c2, then c1 (records between them stay).
    for (int i : {s.c2, s.c1}) {
      std::memmove(r.p + i, r.p + i + 1, (used - std::size_t(i) - 1) * pathrec::kRec);
    }
    r.p[used - 1] = PathPoint{0.0f, 0.0f, 0x00};
    r.p[used - 2] = PathPoint{0.0f, 0.0f, 0x00};
    count = std::int32_t(used - 2);
  }
  currentNode = s.b - 2;
  if (view) view->RepaintView(false);
}

void CPathObject::ToggleSegmentKind(CViewServices* view) {
  if (hitParam < 0.0f || !points) return;
  Seg s;
  {
    Block k(points, count);
    if (!k.SegTo(currentNode, s)) return;
  }
  if (s.Bezier())
    SegmentToLine(view);
  else
    SegmentToCurve(view);
}

// ---------------------------------------------------------------------------
// Contours.

void CPathObject::GetContourBounds(int start, CFRect* out) {
  if (!out || !points) return;
  Block k(points, count);
  if (!k.Has(start)) return;
  const int last = k.ContourLast(start);
  bool any = false;
  CFRect b;
  for (int i = start; i <= last; ++i) {
    if (!k.Node(i)) continue;
    if (!any) {
      b = CFRect(k[i].x, k[i].y, k[i].x, k[i].y);
      any = true;
      continue;
    }
    b.left = std::min(b.left, float(k[i].x));
    b.right = std::max(b.right, float(k[i].x));
    b.top = std::min(b.top, float(k[i].y));
    b.bottom = std::max(b.bottom, float(k[i].y));
  }
  for (int i = start; i <= last && any; ++i) {
    Seg s;
    if (!k.SegTo(i, s) || !s.Bezier()) continue;
    CBezierSegment seg{k.At(s.a), k.At(s.c1), k.At(s.c2), k.At(s.b), {}};
    bool outside = false;
    for (const CFPoint& p : {seg.P1, seg.P2})
      outside = outside || !PointInFRect(p.x, p.y, b.left, b.top, b.right, b.bottom);
    if (!outside) continue;
    const CFRect nodesBox = b;
    (void)nodesBox;
    for (float t = 0.1f; t < 0.9f; t += 0.01f) {
      CFPoint q;
      seg.PointAt(t, q);
      b.left = std::min(b.left, q.x);
      b.right = std::max(b.right, q.x);
      b.top = std::min(b.top, q.y);
      b.bottom = std::max(b.bottom, q.y);
    }
  }
  if (any) *out = b;
}

namespace {

// Rebuilds the path contour by contour: a contour holding a selected node is
// handed to `replace` (which adds what stands in its place), others and the
// records between contours are copied.
template <typename F>
bool RebuildSelectedContours(CPathObject& path, CPathObject& built, F replace) {
  Block k(path.points, path.count);
  bool any = false;
  for (int i = 0; i < k.n; ++i) {
    if (!k.Start(i)) {
      Put(built, k[i]);
      continue;
    }
    const int last = k.ContourLast(i);
    bool selected = false;
    for (int j = i; j <= last && !selected; ++j) selected = k.Selected(j);
    if (selected) {
      any = true;
      replace(i, last, k);
    } else {
      PutRange(built, k, i, last);
    }
    i = last;
  }
  return any;
}

}  // namespace

void CPathObject::DeleteSelectedContours(CViewServices* view, CFRect* removed) {
  if (selectedCount <= 0 || !points) return;
  RecordSnapshot(view);
  auto built = NewBuilt(std::size_t(std::max(count, 0)));
  bool haveBox = false;
  CFRect box;
  RebuildSelectedContours(*this, *built, [&](int s, int last, const Block& k) {
    for (int i = s; i <= last; ++i) {
      if (!k.Node(i)) continue;
      if (!haveBox) {
        box = CFRect(k[i].x, k[i].y, k[i].x, k[i].y);
        haveBox = true;
      }
      box.left = std::min(box.left, float(k[i].x));
      box.right = std::max(box.right, float(k[i].x));
      box.top = std::min(box.top, float(k[i].y));
      box.bottom = std::max(box.bottom, float(k[i].y));
    }
  });
  if (removed && haveBox) *removed = box;
  built->AddPoint(kEnd);
  TakeOver(view, *built, false);
}

void CPathObject::ReplaceContoursWithCircle(CViewServices* view) {
  if (selectedCount <= 0 || !points) return;
  RecordSnapshot(view);
  auto built = NewBuilt(std::size_t(std::max(count, 0)) + 16);
  std::vector<CFRect> boxes;
  {
    // The boxes first: GetContourBounds locks the block itself.
    Block k(points, count);
    for (int i = 0; i < k.n; ++i)
      if (k.Start(i)) {
        const int last = k.ContourLast(i);
        CFRect b;
        GetContourBounds(i, &b);
        boxes.push_back(b);
        i = last;
      }
  }
  std::size_t next = 0;
  {
    Block k(points, count);
    for (int i = 0; i < k.n; ++i) {
      if (!k.Start(i)) {
        Put(*built, k[i]);
        continue;
      }
      const int last = k.ContourLast(i);
      const CFRect b = next < boxes.size() ? boxes[next] : CFRect();
      ++next;
      bool selected = false;
      for (int j = i; j <= last && !selected; ++j) selected = k.Selected(j);
      if (!selected) {
        PutRange(*built, k, i, last);
        i = last;
        continue;
      }
      constexpr float kTangent = 0.553f;
      const float cx = (b.left + b.right) / 2.0f, cy = (b.top + b.bottom) / 2.0f;
      const float rx = (b.right - b.left) / 2.0f, ry = (b.bottom - b.top) / 2.0f;
      const float kx = kTangent * rx, ky = kTangent * ry;
      CPathObject& p = *built;
      p.AddPoint(b.right, cy, 0x11);
      p.AddPoint(b.right, cy + ky, 0x00);
      p.AddPoint(cx + kx, b.bottom, 0x00);
      p.AddPoint(cx, b.bottom, PP_NODE);
      p.AddPoint(cx - kx, b.bottom, 0x00);
      p.AddPoint(b.left, cy + ky, 0x00);
      p.AddPoint(b.left, cy, PP_NODE);
      p.AddPoint(b.left, cy - ky, 0x00);
      p.AddPoint(cx - kx, b.top, 0x00);
      p.AddPoint(cx, b.top, PP_NODE);
      p.AddPoint(cx + kx, b.top, 0x00);
      p.AddPoint(b.right, cy - ky, 0x00);
      p.AddPoint(b.right, cy, 0x41);
      i = last;
    }
  }
  built->EndPoints();
  TakeOver(view, *built, false);
}

void CPathObject::ReplaceContoursWithRectangle(CViewServices* view) {
  if (selectedCount <= 0 || !points) return;
  RecordSnapshot(view);
  auto built = NewBuilt(std::size_t(std::max(count, 0)) + 8);
  RebuildSelectedContours(*this, *built, [&](int s, int last, const Block& k) {
    bool any = false;
    CFRect b;
    for (int i = s; i <= last; ++i) {
      if (!k.Node(i)) continue;
      if (!any) {
        b = CFRect(k[i].x, k[i].y, k[i].x, k[i].y);
        any = true;
      }
      b.left = std::min(b.left, float(k[i].x));
      b.right = std::max(b.right, float(k[i].x));
      b.top = std::min(b.top, float(k[i].y));
      b.bottom = std::max(b.bottom, float(k[i].y));
    }
    if (!any) return;
    built->AddPoint(b.left, b.top, 0x11);
    built->AddPoint(b.right, b.top, PP_NODE);
    built->AddPoint(b.right, b.bottom, PP_NODE);
    built->AddPoint(b.left, b.bottom, PP_NODE);
    built->AddPoint(b.left, b.top, 0x41);
  });
  built->EndPoints();
  TakeOver(view, *built, false);
}

// ---------------------------------------------------------------------------
// Replacing a run of selected nodes by one curve.

namespace {

struct Run {
  int start = -1, last = -1;  // the contour
  bool closed = false;
  int before = -1, after = -1;  // unselected nodes around the run
};

// The run of selected nodes from the first selected node, with the
// unselected nodes around it; false when there is no such pair.
bool FindRun(const Block& k, Run& run) {
  int first = -1;
  if (CountSelected(k, &first) == 0) return false;
  run.start = k.ContourStart(first);
  if (run.start < 0) return false;
  run.last = k.ContourLast(run.start);
  run.closed = k.ClosedEnd(run.last);
  const std::vector<int> nodes = ContourNodes(k, run.start, run.last);
  const int m = int(nodes.size());
  const int p = int(std::find(nodes.begin(), nodes.end(), first) - nodes.begin());
  if (p >= m) return false;
  // One turn at most each way.
  for (int step = 1; step < m; ++step) {
    const int j = p + step;
    if (j >= m && !run.closed) break;
    const int idx = nodes[std::size_t(j % m)];
    if (!k.Selected(idx)) {
      run.after = idx;
      break;
    }
  }
  for (int step = 1; step < m; ++step) {
    const int j = p - step;
    if (j < 0 && !run.closed) break;
    const int idx = nodes[std::size_t((j % m + m) % m)];
    if (!k.Selected(idx)) {
      run.before = idx;
      break;
    }
  }
  return run.before >= 0 && run.after >= 0;
}

}  // namespace

int CPathObject::BeginReplaceNodesWithCurve(CViewServices* view) {
  if (!points) return 0;
  Run run;
  CFPoint p0, p3;
  {
    Block k(points, count);
    if (!FindRun(k, run)) return 0;
    p0 = k.At(run.before);
    p3 = k.At(run.after);
  }
  ObjectDragState& d = ObjectDrag();
  const CFPoint mid{(p0.x + p3.x) / 2.0f, (p0.y + p3.y) / 2.0f};
  d.dragPoints[0] = p0;
  d.dragPoints[1] = mid;
  d.dragPoints[2] = mid;
  d.dragPoints[3] = p3;
  d.dragKind = DRAG_REPLACE_CURVE;
  d.pointIndex = 1;
  DrawDragBand(view, nullptr);
  return 1;
}

void CPathObject::ReplaceNodesWithCurve(CViewServices* view) {
  if (!points) return;
  Run run;
  {
    Block k(points, count);
    if (!FindRun(k, run)) return;
  }
  RecordSnapshot(view);
  const ObjectDragState& d = ObjectDrag();
  auto built = NewBuilt(std::size_t(std::max(count, 0)) + 4);
  {
    Block k(points, count);
    PutRange(*built, k, 0, run.start - 1);
    const std::vector<int> nodes = ContourNodes(k, run.start, run.last);
    const int m = int(nodes.size());
    auto pos = [&](int idx) {
      return int(std::find(nodes.begin(), nodes.end(), idx) - nodes.begin());
    };
    auto node = [&](int i, std::uint8_t flags) {
      built->AddPoint(PathPoint{k[i].x, k[i].y, std::uint8_t(flags | (k[i].flags & PP_SELECTED))});
    };
    // Segment from the node at position p to the next one: its controls.
    auto controls = [&](int from) {
      Seg s;
      if (k.SegFrom(from, s) && s.Bezier()) {
        built->AddPoint(k[s.c1]);
        built->AddPoint(k[s.c2]);
      }
    };
    int F = -1;  // the first unselected node: the new start
    for (int idx : nodes)
      if (!k.Selected(idx)) {
        F = idx;
        break;
      }
    if (!run.closed) F = run.start;
    node(F, 0x11);
    bool ended = run.closed;
    int p = pos(F);
    for (int guard = 0; guard <= m; ++guard) {
      const int x = nodes[std::size_t(p)];
      int nextPos;
      if (x == run.before) {
        built->AddPoint(PathPoint{d.dragPoints[1].x, d.dragPoints[1].y, 0x00});
        built->AddPoint(PathPoint{d.dragPoints[2].x, d.dragPoints[2].y, 0x00});
        nextPos = pos(run.after);
      } else {
        controls(x);
        nextPos = p + 1;
      }
      if (run.closed) {
        nextPos %= m;
        if (nodes[std::size_t(nextPos)] == F) {
          built->AddPoint(PathPoint{k[F].x, k[F].y, 0x41});
          break;
        }
      } else if (nextPos >= m) {
        break;
      }
      const int y = nodes[std::size_t(nextPos)];
      const bool end = !run.closed && y == run.last;
      node(y, end ? std::uint8_t(k[y].flags & 0x77) : PP_NODE);
      if (end) {
        ended = true;
        break;
      }
      p = nextPos;
    }
    // A contour read without an end node is finished open.
    if (!ended) built->EndLastContourOpen();
    PutRange(*built, k, run.last + 1, k.n - 1);
  }
  built->EndPoints();
  TakeOver(view, *built, true);
}
