// The plug-in's group of sub-paths and its member point lists, written as the
// group record (',') with member records ('+').
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "importfilter/filterdefs.h"
#include "platform/gmem.h"

namespace imp {

class CFilterPointList {
 public:
  FRect bounds;
  std::int32_t pen = 0;
  std::uint16_t lineType = 0;

  // Stores a point; on-curve points widen the bounds, and the end of a cubic
  // segment widens them by the curve (nine samples) unless all four points
  // lie inside already. An end record (0xFF) marks the last point 0x61 or 0x21.
  void AppendPoint(const FPoint& p);
  void AppendPoint(float x, float y, std::uint8_t flags) { AppendPoint(FPoint{x, y, flags}); }
  void Transform(const FMatrix& m);
  std::size_t Count() const { return points_.size(); }
  bool Empty() const { return points_.empty(); }
  const std::vector<FPoint>& Points() const { return points_; }
  // The member record (9N + 32 bytes); empty when it would not fit 32 bits.
  std::vector<std::uint8_t> Record() const;

 private:
  void WidenBy(std::size_t i);
  std::vector<FPoint> points_;
  bool hasBounds_ = false;
};

class CFilterObjectList {
 public:
  FRect bounds;
  FMatrix matrix;
  std::uint32_t reserved = 0;  // written at offset 57 of the group record

  void AddMember(std::unique_ptr<CFilterPointList> member);
  // Takes over the other group's members in order; the other group is left empty.
  void Merge(CFilterObjectList& other);
  void Combine(const FMatrix& m);
  void ApplyMatrix();
  void SetPen(std::int32_t pen);
  std::size_t MemberCount() const { return members_.size(); }
  const CFilterPointList& Member(std::size_t i) const { return *members_[i]; }
  // The group record; empty with no members or when it would not fit 32 bits.
  std::vector<std::uint8_t> Record() const;
  // The group record in a new movable block; returns its length, 0 (and no
  // block) when there is nothing to write.
  std::uint32_t WriteRecord(plat::HGLOBAL* out) const;

 private:
  void WidenBounds(const FRect& r);
  std::vector<std::unique_ptr<CFilterPointList>> members_;
};

}  // namespace imp
