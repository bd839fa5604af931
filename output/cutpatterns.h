// Cut patterns: filled paths laid over a selection's box and intersected with
// it to cut the outlines apart. Parallel strips across the box at an angle,
// pie sectors around an origin, concentric rings around an origin. Each comes
// as a count of equal parts or as widths from a list ("5,12,+6": an entry with
// a sign adds to the running value, any other sets it, an empty one repeats
// it, and past the last entry the last one repeats).
//
// Every generator returns a new path (flags 0x100, filled) owned by the
// caller, or null when nothing was made. Parts below 1 and non-finite input
// give null; at most kMaxCutParts strips, sectors or rings are made.
#pragma once
#include <cstdint>
#include <memory>
#include <string_view>

class CPathObject;

// Flags bits: start with a gap (the complement of the pattern without it);
// sectors walk up from the start angle (else down from the end angle).
constexpr std::uint32_t kCutPatternGapFirst = 0x100;
constexpr std::uint32_t kCutPatternThrowBack = 0x400;
constexpr int kMaxCutParts = 10000;

// Strips of equal width; the base line runs through the origin at `angle`
// degrees (counter-clockwise, y up).
std::unique_ptr<CPathObject> MakeParallelCutLines(float left, float top, float right, float bottom,
                                                  float angle, int parts, float originX, float originY,
                                                  std::uint32_t flags);
// Strip and gap widths from the list, outward from the base line both ways.
std::unique_ptr<CPathObject> MakeParallelCutLinesEx(float left, float top, float right, float bottom,
                                                    float angle, float originX, float originY,
                                                    std::string_view list, std::uint32_t flags);

// Sectors between the start and end angles (degrees, y up) around the origin,
// reaching past the box.
std::unique_ptr<CPathObject> MakeRadiationCutByParts(float left, float top, float right, float bottom,
                                                     float originX, float originY, float start, float end,
                                                     int parts, std::uint32_t flags);
std::unique_ptr<CPathObject> MakeRadiationCutByAngles(float left, float top, float right, float bottom,
                                                      float originX, float originY, float start, float end,
                                                      std::string_view list, std::uint32_t flags);

// Rings around the origin out to the box's farthest corner.
std::unique_ptr<CPathObject> MakeCircleCutByParts(float left, float top, float right, float bottom,
                                                  float originX, float originY, int parts, std::uint32_t flags);
std::unique_ptr<CPathObject> MakeCircleCutByDistances(float left, float top, float right, float bottom,
                                                      float originX, float originY, std::string_view list,
                                                      std::uint32_t flags);

// How many widths (strips and gaps, sectors and gaps, rings and gaps: the
// parts of both passes together) the pattern of a width list lays, counted up
// to kMaxCutParts + 1; -1 when a value of the list is not a number a page can
// hold (beyond ±1e6 or not finite).
int ParallelCutListSteps(float left, float top, float right, float bottom, float angle, float originX,
                         float originY, std::string_view list);
int RadiationCutListSteps(float start, float end, std::string_view list);
int CircleCutListSteps(float left, float top, float right, float bottom, float originX, float originY,
                       std::string_view list);

// The angle the strips are laid at, in [0, 180]: above 180 less whole half
// turns, below 0 plus whole half turns. The corners the dialogs start from
// depend on it being above 90.
float NormalizeCutAngle(float angle);

// The direction of a typed cut angle in [0, 180) degrees; 0 for one that is
// not finite.
float ReduceCutDirection(float angle);

// Walks a width list once, entry after entry, with the running value.
class CutListWalker {
 public:
  explicit CutListWalker(std::string_view list);
  // The value of the next entry (the first call gives entry 1).
  float Next();
  // Past the last entry the value no longer changes.
  bool Settled() const;

 private:
  std::string_view list_;
  std::size_t pos_ = 0;     // start of the next entry
  bool pastEnd_ = false;    // the last entry was read once
  std::string_view last_;
  float value_ = 0.0f;
};
