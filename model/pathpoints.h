// Path point records and the point list that owns a movable block of them.
#pragma once
#include <cstdint>

#include "model/geometry.h"

// Flag bits of a point record (flags below 0x80).
constexpr std::uint8_t PP_NODE = 0x01;      // on-curve node; clear: Bezier control point
constexpr std::uint8_t PP_SELECTED = 0x08;  // selected for node editing
constexpr std::uint8_t PP_START = 0x10;     // first node of a sub-path
constexpr std::uint8_t PP_OPENEND = 0x20;   // last node of an open sub-path
constexpr std::uint8_t PP_CLOSEEND = 0x40;  // last node of a closed sub-path
// Records of 0x80 and above are not points.
constexpr std::uint8_t PP_SPECIAL = 0x80;
constexpr std::uint8_t PP_COLOR = 0x81;  // bytes 0..2: red, green, blue
constexpr std::uint8_t PP_END = 0xFF;

#pragma pack(push, 1)
struct PathPoint {
  float x;
  float y;
  std::uint8_t flags;
};
#pragma pack(pop)
static_assert(sizeof(PathPoint) == 9);

#include <cstddef>
#include <memory>
#include <string>

#include "platform/gmem.h"

namespace plat {
class DC;
class KeptStroke;
}

// Walking a block of records: a locked view bounded by the block's size, and
// the kinds of record by their flags.
namespace pathrec {

constexpr std::size_t kRec = sizeof(PathPoint);

struct Records {
  explicit Records(plat::HGLOBAL h) : guard(h) {
    if (guard) {
      p = guard.as<PathPoint>();
      n = guard.size() / kRec;
    }
  }
  plat::GlobalLockGuard guard;
  PathPoint* p = nullptr;
  std::size_t n = 0;
};

inline bool IsPoint(std::uint8_t f) { return f < PP_SPECIAL; }
inline bool IsNode(std::uint8_t f) { return f < PP_SPECIAL && (f & PP_NODE); }
inline bool IsControl(std::uint8_t f) { return f < PP_SPECIAL && !(f & PP_NODE); }
inline bool EndsContour(std::uint8_t f) { return f < PP_SPECIAL && (f & (PP_OPENEND | PP_CLOSEEND)); }

}  // namespace pathrec

// A pending transform, a movable block of PathPoint records and the bounds of
// the points. The block always has room for capacity + 2 records; it starts at
// 100 records, grows by 50 and is trimmed when the end record is appended.
// The list owns its block and frees it when destroyed; DetachPoints hands the
// block over to another owner.
class CPathPointList {
 public:
  static constexpr int kFirstCapacity = 100;
  static constexpr int kGrowBy = 50;

  CMatrix3 matrix;
  plat::HGLOBAL points = 0;
  std::int32_t capacity = 0;
  std::int32_t count = 0;
  // min x, min y, max x, max y of the nodes; all 0.0 while hasBounds is false.
  CFRect bounds;
  bool hasBounds = false;

  CPathPointList() = default;
  ~CPathPointList();
  CPathPointList(const CPathPointList&) = delete;
  CPathPointList& operator=(const CPathPointList&) = delete;

  void FreePoints();
  // The block, now the caller's; the list is left empty.
  plat::HGLOBAL DetachPoints();
  // Records the block can hold (its size / 9).
  std::size_t BlockRecords() const;

  int AddPoint(const PathPoint& pt);
  int AddPoint(float x, float y, std::uint8_t flags) { return AddPoint(PathPoint{x, y, flags}); }
  int AppendPoint(const PathPoint& pt);
  int EndPoints();
  void CloseSubpath();
  void RemoveEndRecords();
  void ReopenLastSubpath();
  // Null when this list has no block.
  std::unique_ptr<CPathPointList> Clone(const CMatrix3* m = nullptr) const;
  void Transform(const CMatrix3* m);
  void ApplyTransform();
  void AppendList(CPathPointList* other);
  std::unique_ptr<CPathPointList> ReverseSubpaths();

  // Path records: "#", u32 length L = 69 + 9n, kind 128, u16 flags, bounds,
  // matrix, u32 colour, u32 n, n records ending with the end record, 0xF1, 0xFF.
  // Null for anything that is not a whole, consistent path record within `size`.
  static std::unique_ptr<CPathPointList> CreateFromRecord(const std::uint8_t* rec,
                                                          std::size_t size);
  static std::unique_ptr<CPathPointList> CreateFromRecord(plat::HGLOBAL block);
  // A new block into *out; returns the length, or 0 (and *out = 0) for fewer
  // than two records before the end record.
  std::uint32_t SaveToRecord(plat::HGLOBAL* out) const;

  // Stroked as one platform path; with a clip (device), moves and lines
  // outside it are skipped.
  void DrawOutline(plat::DC* dc, const plat::RECT* clip = nullptr) const;
  // Through the pending matrix composed with m, no clip, at most count records.
  void DrawOutlineWith(plat::DC* dc, const CMatrix3* m = nullptr) const;
  // Stroke and fill; the platform's result, 0 without a block or when a
  // poly-Bezier fails.
  int FillPath(plat::DC* dc) const;
  void DrawFilled(plat::DC* dc) const;
  // The same with a solid one-pixel pen (and brush) of a packed colour,
  // selected for the call only.
  void DrawOutlineInColor(plat::DC* dc, std::uint32_t packed) const;
  void DrawFilledInColor(plat::DC* dc, std::uint32_t packed) const;
  void Draw(plat::DC* dc) const { DrawFilled(dc); }
  bool HitTest(float x, float y, float tolerance) const;
  // DrawOutline and DrawFilled through m in place of the pending matrix;
  // with `keep`, the stroke's pixels are kept there for DC::StrokeKept (not
  // for a list with colour records).
  void DrawOutlineThrough(plat::DC* dc, const CMatrix3& m, plat::KeptStroke* keep = nullptr) const;
  void DrawFilledThrough(plat::DC* dc, const CMatrix3& m) const;
  // The whole-pixel move taking each point's device place through `from` to
  // its place through `to` (as a stroke through them meets it); false where
  // the two differ other than by a shared move.
  bool DeviceShift(const CMatrix3& from, const CMatrix3& to, plat::POINT* by) const;

  // Export writers, appending to `out` (through the pending matrix). HPGL:
  // "PU"/"PD" moves, x and y cut to integers toward zero (saturating), curves
  // flattened by WriteHpglBezier. EPS: Illustrator path operators, "%.3f".
  // Points that are not finite are skipped, and so are sub-paths of a start
  // alone (they paint nothing).
  void WriteHpgl(std::string& out) const;
  void WriteEps(std::string& out) const;
  // One cubic segment as "PD" moves: split until both end tangents are within
  // 5 degrees of the chord, at most 11 levels deep.
  static void WriteHpglBezier(std::string& out, const CFPoint p[4], int depth);

 private:
  friend class CPathPointBuilder;
  bool Grow();
  // The bounds for the point just written as record n - 1 of recs.
  void KeepBounds(const PathPoint* recs, std::size_t available, int n);
  void StrokeWalk(plat::DC* dc, const plat::RECT* clip, const CMatrix3& m, std::size_t limit,
                  plat::KeptStroke* keep = nullptr) const;
  int FillWalk(plat::DC* dc, const CMatrix3& m) const;
};

// v / 3 as the float division gives it, by a multiplication in double: the
// product lies within 2^-52 of v / 3, while no float v has v / 3 nearer than
// 2^-25 (relative) to a halfway point between floats, so both round alike.
inline float ThirdOf(float v) { return float(double(v) * (1.0 / 3.0)); }

// The bounds a list keeps for records appended one after another, kept by
// the caller who knows which records are nodes and which end a Bezier piece:
// Node for any other node record, PieceEnd for a node whose three records
// before it are the piece's start and control points.
class CPathBounds {
 public:
  explicit CPathBounds(const CPathPointList& list)
      : box_{list.bounds.left, list.bounds.top, list.bounds.right, list.bounds.bottom},
        has_(list.hasBounds) {}
  void Node(float x, float y) {
    if (!has_) {
      Start(x, y);
      return;
    }
    box_.l = x < box_.l ? x : box_.l;
    box_.t = y < box_.t ? y : box_.t;
    box_.r = box_.r < x ? x : box_.r;
    box_.b = box_.b < y ? y : box_.b;
  }
  // The piece from (x0, y0) over (x1, y1) and (x2, y2) to (x, y).
  void PieceEnd(float x0, float y0, float x1, float y1, float x2, float y2, float x, float y) {
    if (!has_) {
      Start(x, y);
      return;
    }
    Node(x, y);
    typedef float V4 __attribute__((vector_size(16)));
    typedef int M4 __attribute__((vector_size(16)));
    const V4 lo = {box_.l, box_.t, box_.l, box_.t}, hi = {box_.r, box_.b, box_.r, box_.b};
    const V4 u = {x0, y0, x1, y1}, w = {x2, y2, x, y};
    const M4 in = (lo <= u) & (u <= hi) & (lo <= w) & (w <= hi);
#if defined(__SSE__)
    typedef float F4 __attribute__((vector_size(16)));
    const bool all = __builtin_ia32_movmskps(reinterpret_cast<F4>(in)) == 15;
#else
    const bool all = (in[0] & in[1] & in[2] & in[3]) != 0;
#endif
    if (!all) box_ = Sampled(box_, x0, y0, x1, y1, x2, y2, x, y);
  }
  CFRect Rect() const { return CFRect(box_.l, box_.t, box_.r, box_.b); }
  bool Has() const { return has_; }

 private:
  struct Box {
    float l, t, r, b;
  };
  void Start(float x, float y) {
    box_ = Box{x, y, x, y};
    has_ = true;
  }
  // b widened by the piece's samples (by value: the caller's box stays in
  // registers).
  static Box Sampled(Box b, float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                     float y3);
  Box box_;
  bool has_;
};

// Builds a new list point by point with its records in a working buffer that
// grows geometrically; the list's block is written once, when the end record
// is appended (trimmed as the list trims it) or when the builder goes (with
// the capacity the list's own growth would have reached). The list gets the
// same records, counts and bounds as through its own AddPoint. Nothing else
// may touch the list while the builder lives. A list that already has a block
// is built through its own AddPoint.
class CPathPointBuilder {
 public:
  explicit CPathPointBuilder(CPathPointList& list);
  ~CPathPointBuilder();
  CPathPointBuilder(const CPathPointBuilder&) = delete;
  CPathPointBuilder& operator=(const CPathPointBuilder&) = delete;

  int AddPoint(const PathPoint& pt) { return AddPoints(&pt, 1); }
  int AddPoint(float x, float y, std::uint8_t flags) { return AddPoint(PathPoint{x, y, flags}); }
  // The points one after another, as AddPoint would add them.
  int AddPoints(const PathPoint* pts, std::size_t n);
  // Room for n points to be written in place; Commit(k) then adds the first
  // k of them as AddPoints would. Valid until the next call.
  PathPoint* Room(std::size_t n);
  int Commit(std::size_t k);
  // The same for k records without an end record whose bounds `kept` has
  // kept, one after another from the list's.
  int Commit(std::size_t k, const CPathBounds& kept);
  int EndPoints() { return AddPoint(PathPoint{0.0f, 0.0f, PP_END}); }
  int count() const { return direct_ ? list_.count : std::int32_t(buf_->size); }

  struct Buffer {
    std::unique_ptr<PathPoint[]> p;
    std::size_t size = 0, cap = 0;
  };

 private:
  void Flush();

  CPathPointList& list_;
  Buffer* buf_ = nullptr;
  bool direct_;
  bool dirty_ = false;  // records the block does not hold yet
  // The capacity the list's own growth would have now.
  std::int32_t capacity_ = 0;
};

// Copies the source's records before its end record onto the target, the
// first as a plain node continuing the target's sub-path, then ends the target.
int AppendContinuation(CPathPointList& target, const CPathPointList& source);
// Elliptical arc in the rectangle, counter-clockwise (y up) from start to end
// (radians), at most one Bezier piece per quarter.
std::unique_ptr<CPathPointList> MakeArcPointList(float x1, float y1, float x2, float y2,
                                                 float start, float end);
