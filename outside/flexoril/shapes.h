// The library's own view of object records: '#' paths and ')' groups read
// into page-coordinate contours (every matrix applied, inner first), and the
// writer of the records it hands back.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "model/flexoril.h"
#include "platform/gmem.h"

namespace flx {

// Largest coordinate accepted, in millimetres.
constexpr double kMaxCoord = 1.0e6;
// Deepest group nesting read.
constexpr int kMaxDepth = 64;

struct Pt {
  double x = 0.0;
  double y = 0.0;
};

// A straight piece to `to`, or a cubic through c1, c2 to `to`.
struct Segment {
  bool curve = false;
  Pt c1, c2, to;
};

struct Contour {
  Pt start;
  std::vector<Segment> segs;
  bool closed = false;
};

struct Path {
  std::uint16_t flags = 0;
  std::uint32_t colour = 0;
  std::vector<Contour> contours;
};

// A path or a group of nodes.
struct Node {
  bool group = false;
  std::uint16_t flags = 0;
  Path path;
  std::vector<Node> children;
};

// The record at `p` (at most `available` bytes), or nothing when it is not a
// well-formed path or group.
std::optional<Node> ReadNode(const std::uint8_t* p, std::size_t available);
// The record of a block handed over by address; nothing when the block or
// its record is malformed.
std::optional<Node> ReadBlock(const FlexorilRecordBlock* block);
// The record at the start of a movable block.
std::optional<Node> ReadHandle(plat::HGLOBAL handle);

// Every path of the node in order, nested groups included.
void CollectPaths(const Node& node, std::vector<const Path*>& out);
const Path* FirstPath(const Node& node);

// Straight contours of a result; a closed one holds its start once.
struct Ring {
  std::vector<Pt> pts;
  bool closed = true;
};

// Record writers: the bytes of one record (L of them, 241 last).
std::vector<std::uint8_t> PathRecord(std::uint16_t flags, std::uint32_t colour, const std::vector<Ring>& rings);
// Contours of straight and cubic pieces: control points are written as
// off-curve nodes, a closed contour ends on its start.
std::vector<std::uint8_t> ContourRecord(std::uint16_t flags, std::uint32_t colour,
                                        const std::vector<Contour>& contours);
std::vector<std::uint8_t> GroupRecord(std::uint16_t flags, const std::vector<std::vector<std::uint8_t>>& children);
// A new movable zero-filled block holding the record, 255 after it; 0 for
// an empty record or no memory.
plat::HGLOBAL ToBlock(const std::vector<std::uint8_t>& record);

}  // namespace flx
