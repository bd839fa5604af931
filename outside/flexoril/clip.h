// Weld, cut, self-weld and expand on read records, through the polygon
// clipper on a 1 micrometre grid.
#pragma once
#include <cstdint>
#include <vector>

#include "outside/flexoril/shapes.h"

namespace flx {

enum class BoolOp { Union, Difference, Intersection, Xor };

// Where an operand of several paths has a path of several closed contours,
// that path's even-odd area is resolved by a union of its own, unless (by
// default) its contours neither cross nor touch: then they are oriented by
// their nesting instead, which gives the same area. EveryPath always unions.
enum class Resolve { WhereNeeded, EveryPath };

// Result records; empty when nothing is produced.
std::vector<std::uint8_t> Weld(const Node& a, const Node& b, BoolOp op, Resolve resolve = Resolve::WhereNeeded);
std::vector<std::uint8_t> LineCut(const Node& a, double x1, double y1, double x2, double y2,
                                  Resolve resolve = Resolve::WhereNeeded);
std::vector<std::uint8_t> FigureCut(const Node& a, const Node& b, std::uint32_t mode);
std::vector<std::uint8_t> SelfWeld(const Node& a);
std::vector<std::uint8_t> Expand(const Node& a, double size, double limit, std::int32_t mode, bool asOne,
                                 Resolve resolve = Resolve::WhereNeeded);

// Beziers are flattened to this deviation, in millimetres.
constexpr double kFlatness = 0.01;

// The contour as straight pieces, start included (a closed one not repeated).
std::vector<Pt> Flatten(const Contour& c);

}  // namespace flx
