// Characters along the first contour of a path.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "model/bezier.h"
#include "model/geomutil.h"
#include "model/pathobject.h"
#include "model/pathwalk.h"
#include "model/services.h"
#include "platform/bytes.h"
#include "text/arrange.h"
#include "text/boxarray.h"
#include "text/textattr.h"

namespace {

constexpr float kPi = 3.1415926f;
constexpr std::uint16_t kBezierSteps = 90;

bool Finite(float v) { return std::isfinite(v); }

// One drawn piece of the first contour.
struct Piece {
  bool curve = false;
  CBezierSegment bez{};
  CFPoint a, b;
  float length = 0.0f;
};

// The segments of the first contour; a curve needs its node and two control
// points before it, pieces of no length are left out.
std::vector<Piece> FirstContour(CPathObject& path) {
  std::vector<Piece> out;
  path.ApplyTransform();
  if (!path.points) return out;
  pathwalk::Block k(path.points, path.count);
  bool started = false;
  CFPoint cur{};
  int controls = 0;
  CFPoint c1{}, c2{};
  for (int i = 0; i < k.n; ++i) {
    const std::uint8_t f = k[i].flags;
    if (!pathwalk::IsPoint(f)) continue;
    if (!(f & PP_NODE)) {
      c1 = c2;
      c2 = k.At(i);
      ++controls;
      continue;
    }
    const CFPoint p = k.At(i);
    if (f & PP_START) {
      if (started) break;  // a second contour ends the walk
      started = true;
      cur = p;
      controls = 0;
      continue;
    }
    if (!started) continue;
    Piece piece;
    piece.a = cur;
    piece.b = p;
    if (controls >= 2) {
      piece.curve = true;
      piece.bez = CBezierSegment{cur, c1, c2, p, {}};
      piece.length = BezierLength(piece.bez, kBezierSteps);
    } else {
      piece.length = PointDistance(cur.x, cur.y, p.x, p.y);
    }
    if (Finite(piece.length) && piece.length > 0.0f) out.push_back(piece);
    cur = p;
    controls = 0;
  }
  return out;
}

// Finds points by distance along the pieces; the piece of the last request
// is kept, so a walk in order costs one step per piece in all.
class Walker {
 public:
  explicit Walker(const std::vector<Piece>& pieces) : pieces_(pieces) {}

  // False beyond the end (or for a distance that is not a number).
  bool PointAt(float d, CFPoint& out) {
    if (pieces_.empty() || !Finite(d)) return false;
    d = std::max(d, 0.0f);
    while (index_ > 0 && d < before_) {
      --index_;
      before_ -= pieces_[index_].length;
    }
    if (index_ == 0) before_ = 0.0f;
    while (index_ < pieces_.size() && d > before_ + pieces_[index_].length) {
      before_ += pieces_[index_].length;
      ++index_;
    }
    if (index_ >= pieces_.size()) {
      // Keep the cursor on the last piece for a later, shorter request.
      index_ = pieces_.size() - 1;
      before_ -= pieces_[index_].length;
      return false;
    }
    const Piece& p = pieces_[index_];
    const float along = std::clamp(d - before_, 0.0f, p.length);
    if (p.curve) {
      BezierPointAtLength(p.bez, out, along, p.length, kBezierSteps);
    } else {
      const float t = along / p.length;
      out = CFPoint{p.a.x + (p.b.x - p.a.x) * t, p.a.y + (p.b.y - p.a.y) * t};
    }
    return true;
  }

 private:
  const std::vector<Piece>& pieces_;
  std::size_t index_ = 0;
  float before_ = 0.0f;  // length of the pieces before index_
};

// Keeps the Bezier table at 100 steps for a scope.
class BasisSteps {
 public:
  BasisSteps() : old_(BezierBasisTable.n) {
    if (old_ != 100) FillBezierBasis(100);
  }
  ~BasisSteps() {
    if (old_ != 100) FillBezierBasis(old_);
  }
  BasisSteps(const BasisSteps&) = delete;
  BasisSteps& operator=(const BasisSteps&) = delete;

 private:
  std::uint16_t old_;
};

}  // namespace

CPathArrange::CPathArrange() : CCurveArrange(ARR_PATH) {}

CPathArrange::CPathArrange(std::unique_ptr<CPathObject> p, CMatrix3* m, CBoxArray* it)
    : CCurveArrange(ARR_PATH), path(std::move(p)) {
  matrix = m;
  items = it;
  flags = ARRF_FIT | ARRF_TURN_ALONG;
}

CPathArrange::~CPathArrange() = default;

std::unique_ptr<CPathArrange> CPathArrange::FromRecord(const std::uint8_t* rec,
                                                       std::size_t available) {
  if (!rec || available < kHeadSize + 1 || rec[0] != '7') return nullptr;
  const std::uint32_t length = plat::GetU32(rec + 1);
  if (length < kHeadSize + 1 || length > available) return nullptr;
  // Only a path record, ending before the arrangement's 241.
  if (length < kHeadSize + 5 || rec[kHeadSize] != '#') return nullptr;
  const std::uint32_t n = plat::GetU32(rec + kHeadSize + 1);
  if (n == 0 || n > length - kHeadSize - 1 || rec[kHeadSize + n] != 241) return nullptr;
  std::unique_ptr<CPathObject> p = CPathObject::LoadFromRecord(rec + kHeadSize, n);
  if (!p) return nullptr;
  // A path that cannot be written back (no segment) carries no text.
  {
    plat::HGLOBAL h = 0;
    const std::uint32_t written = p->WriteRecord(&h);
    if (h) plat::GlobalFree(h);
    if (!written) return nullptr;
  }
  auto a = std::make_unique<CPathArrange>();
  a->path = std::move(p);
  a->flags = plat::GetU16(rec + 6);
  a->distance = plat::GetF32(rec + 8);
  a->tallest = plat::GetF32(rec + 12);
  a->pathLength = plat::GetF32(rec + 16);
  a->textLength = plat::GetF32(rec + 20);
  a->count = std::int32_t(plat::GetU32(rec + 24));
  a->charGap = plat::GetF32(rec + 28);
  a->start = plat::GetF32(rec + 32);
  a->segmentDrag = plat::GetU16(rec + 36);
  a->closed = plat::GetU32(rec + 38);
  for (float v : {a->distance, a->tallest, a->pathLength, a->textLength, a->charGap, a->start})
    if (!Finite(v)) return nullptr;
  return a;
}

std::uint32_t CPathArrange::WriteRecord(plat::HGLOBAL* out) {
  if (out) *out = 0;
  if (!path) return 0;
  plat::GlobalBlock pathBlock;
  plat::HGLOBAL ph = 0;
  const std::uint32_t n = path->WriteRecord(&ph);
  pathBlock.reset(ph);
  if (!n || !ph || plat::GlobalSize(ph) < n) return 0;
  const std::uint32_t length = kHeadSize + n + 1;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, length + 10);
  if (!h) return 0;
  {
    plat::GlobalLockGuard g(h);
    plat::GlobalLockGuard src(ph);
    std::uint8_t* p = g.bytes();
    p[0] = '7';
    plat::PutU32(p + 1, length);
    p[5] = ARR_PATH;
    plat::PutU16(p + 6, flags);
    plat::PutF32(p + 8, distance);
    plat::PutF32(p + 12, tallest);
    plat::PutF32(p + 16, pathLength);
    plat::PutU32(p + 20, 0);
    plat::PutU32(p + 24, std::uint32_t(count));
    plat::PutF32(p + 28, charGap);
    plat::PutF32(p + 32, start);
    plat::PutU16(p + 36, segmentDrag);
    plat::PutU32(p + 38, 0);
    std::copy(src.bytes(), src.bytes() + n, p + kHeadSize);
    p[kHeadSize + n] = 241;
  }
  if (out)
    *out = h;
  else
    plat::GlobalFree(h);
  return length;
}

std::unique_ptr<CMatrix3> CPathArrange::GetCharMatrix(const CBoxChar* item) const {
  CBoxChar def;
  if (!item) {
    const CTextAttr& d = DefaultTextAttr();
    def.sizeX = d.sizeX;
    def.sizeY = d.sizeY;
    item = &def;
  }
  std::unique_ptr<CMatrix3> m = CellMatrix(*item, distance);
  if (flags & ARRF_TURN_ALONG) m->Multiply(*MakeRotateMatrixAt(item->x, item->y, item->angle));
  return m;
}

void CPathArrange::Layout(int) {
  if (!path || !items) return;
  // Reversed, the text runs along the first contour walked backwards.
  std::unique_ptr<CPathObject> reversed;
  CPathObject* walk = path.get();
  if (flags & ARRF_REVERSE) {
    path->ApplyTransform();
    reversed = path->MakeReversed();
    if (!reversed) return;
    walk = reversed.get();
  }
  BasisSteps steps;
  const std::vector<Piece> pieces = FirstContour(*walk);
  float total = 0.0f;
  for (const Piece& p : pieces) total += p.length;

  for (CBoxItem* item : items->Items())
    if (item->IsChar() && static_cast<CBoxChar*>(item)->advanceRatio == 0.0f)
      static_cast<CBoxChar*>(item)->Measure(kind);

  if (flags & ARRF_FIT) {
    plat::BOOL isClosed = 0;
    pathLength = walk->GetFirstContourLength(&isClosed);
    closed = isClosed ? 1 : 0;
    int n = 0;
    items->MeasureLine(&textLength, &tallest, &n, closed != 0);
    count = n;
    charGap = 0.0f;
    if (n >= 2) charGap = (pathLength - textLength) / float(closed ? n : n - 1);
  }

  Walker walker(pieces);
  float p = start;
  for (CBoxItem* item : items->Items()) {
    if (!item->IsChar()) continue;
    auto* c = static_cast<CBoxChar*>(item);
    const float w = c->sizeX * c->advanceRatio;
    if (c->IsReturn()) {
      p += w + charGap;
      continue;
    }
    CFPoint origin;
    if (!walker.PointAt(p, origin)) break;  // past the end: the rest stays
    c->x = origin.x;
    c->y = origin.y;
    p += w / 2.0f;
    c->angle = 0.0f;
    if (flags & ARRF_TURN_ALONG) {
      CFPoint middle;
      if (!walker.PointAt(std::min(p, total), middle)) middle = origin;
      const float deg = VectorAngle(origin.x, origin.y, middle.x, middle.y) * 180.0f / kPi;
      if (Finite(deg)) c->angle = -std::floor(deg + 0.5f);
    }
    p += w / 2.0f + charGap;
    c->flags |= BOXF_MOVED;
  }
}

void CPathArrange::DrawHandles(plat::DC* dc, const CMatrix3* viewMatrix) {
  if (!dc || !path) return;
  CMatrix3 m;
  if (matrix) m = *matrix;
  if (viewMatrix) m.Multiply(*viewMatrix);
  path->DrawNodes(dc, &m);
}

int CPathArrange::HitTestHandle(CViewServices* view, float x, float y, int* handle) {
  segmentDrag = 0;
  if (handle) *handle = -1;
  if (!path) return 0;
  CFPoint p{x, y};
  if (matrix && !matrix->IsIdentity()) {
    if (!matrix->IsInvertible()) return 0;
    matrix->CreateInverse()->TransformPoint(p);
  }
  int kindOfHit = 0;
  const int node = path->HitTestNode(view, p.x, p.y, kindOfHit);
  if (node >= 0) {
    if (handle) *handle = node;
    return 1;
  }
  segmentDrag = std::uint16_t(path->HitTestSegment(view, p.x, p.y));
  if (!segmentDrag) return 0;
  lastDrag_ = p;
  if (handle) *handle = path->currentNode;
  return 1;
}

int CPathArrange::MoveHandle(std::uint32_t mode, int handle, float x, float y, const CFPoint*) {
  if (!(mode & 0x01) || !path) return 0;
  path->ApplyTransform();
  if (segmentDrag) {
    path->DragSegment(x - lastDrag_.x, y - lastDrag_.y, mode);
    lastDrag_ = CFPoint{x, y};
    path->RecomputeBounds();
    return 1;
  }
  pathwalk::Block k(path->points, path->count);
  if (!k.Has(handle) || !pathwalk::IsPoint(k.F(handle))) return 0;
  const float dx = x - k[handle].x, dy = y - k[handle].y;
  auto moveBy = [&](int i) {
    if (k.Ctrl(i)) {
      k[i].x += dx;
      k[i].y += dy;
    }
  };
  auto moveTo = [&](int i) {
    if (k.Has(i)) {
      k[i].x = x;
      k[i].y = y;
    }
  };
  moveTo(handle);
  if (k.Node(handle)) {
    const std::uint8_t f = k.F(handle);
    if ((f & 0x70) == PP_START) {
      moveBy(k.NextPoint(handle));
      // The closing node of the contour stands on its start.
      for (int j = k.NextPoint(handle); j >= 0; j = k.NextPoint(j)) {
        const std::uint8_t g = k.F(j);
        if (!(g & 0x70)) continue;
        if (g & PP_CLOSEEND) {
          moveTo(j);
          moveBy(k.PrevPoint(j));
        }
        break;
      }
    } else if ((f & 0x70) == PP_OPENEND) {
      moveBy(k.PrevPoint(handle));
    } else if (f & PP_CLOSEEND) {
      moveBy(k.PrevPoint(handle));
      const int s = k.ContourStart(handle);
      if (s >= 0 && s != handle) {
        moveTo(s);
        moveBy(k.NextPoint(s));
      }
    } else {
      moveBy(k.PrevPoint(handle));
      moveBy(k.NextPoint(handle));
    }
  }
  path->RecomputeBounds();
  return 1;
}

void CPathArrange::OffsetBy(float dx, float dy) {
  // The path goes with the text, or the next layout would put it back.
  if (!path) return;
  path->ApplyTransform();
  pathwalk::Block k(path->points, path->count);
  for (int i = 0; i < k.n; ++i) {
    if (!pathwalk::IsPoint(k.F(i))) continue;
    k[i].x += dx;
    k[i].y += dy;
  }
  path->RecomputeBounds();
}

int CPathArrange::ReadPage(CWindowServices* page) {
  if (!page) return 0;
  CCurveArrange::ReadPage(page);
  flags |= ARRF_TURN_ALONG;
  return 1;
}

void CPathArrange::FillFields(CWindowServices* page) {
  SetNumber(page, IDC_PATH_DISTANCE, distance);
  SetNumber(page, IDC_PATH_GAP, charGap);
}

void CPathArrange::ReadFields(CWindowServices* page) {
  float v = 0.0f;
  if (ParseNumber(page->GetItemText(IDC_PATH_DISTANCE), v)) distance = v;
  if (ParseNumber(page->GetItemText(IDC_PATH_GAP), v)) charGap = v;
}
