// The six shape transforms: a rectangle R of source coordinates and the
// handles that shape it, the map of a point, the adaptive mapping of records,
// the handle table and the transform data.
#pragma once
#include <cstdint>
#include <map>
#include <vector>

#include "model/flexoril.h"
#include "outside/flexoril/shapes.h"

namespace flx {

enum TransformKind : std::uint16_t {
  kPerspective = 1,
  kEnvelope = 2,
  kCurvedEnvelope = 3,
  kArch = 4,
  kBulge = 5,
  kWave = 6,
};

const char* TransformName(std::uint16_t number);
// Handles a transform has: 4 corners, 4 corners and 8 controls, or 1.
std::size_t HandleCount(std::uint16_t number);

struct Transform {
  std::uint16_t number = 0;
  FlexRect rect;                    // R
  std::vector<Pt> handles;          // f32 values, source coordinates
  const FlexMatrix* matrix = nullptr;  // the object's pending matrix, kept
  int active = -1;                  // handle being dragged
  bool moved = false;

  // The default shaping of the number on the rectangle.
  static Transform Default(std::uint16_t number, const FlexRect& r);
  void Reset();
  Pt Map(Pt p) const;
  // Moves a handle (source coordinates); false when refused.
  bool MoveHandle(std::size_t index, Pt to);
};

// Max distance of a mapped midpoint from its chord, mm.
constexpr double kMapTolerance = 0.02;
constexpr int kMapDepth = 12;

// The node with every contour mapped into straight pieces; the letters and
// the structure are kept.
std::vector<std::uint8_t> MapNode(const Transform& t, const Node& node);
// The mapped boundary of R, one closed ring.
std::vector<Pt> MapFrame(const Transform& t);
// Mapped straight piece from a to b appended (a itself not).
void MapLine(const Transform& t, Pt a, Pt b, std::vector<Pt>& out);

// Transform data: D = 32 + 8k bytes.
constexpr std::size_t kDataSize(std::size_t k) { return flexoril::kDataHead + 8 * k; }
std::vector<std::uint8_t> EncodeData(const Transform& t);
// False for data that is not a whole, valid transform.
bool DecodeData(const std::uint8_t* data, Transform& out);

}  // namespace flx
