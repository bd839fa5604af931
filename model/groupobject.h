// The group (kind 129, record ')'): a drawing object owning an ordered list
// of children, which may be groups themselves. The children's coordinates are
// local to the group and reach the page through the group's matrix; the
// bounds are the union of the children's bounds through that matrix.
//
// Record (little-endian, packed), L = 61 + n:
//   0 ')'  1 u32 L  5 u8 129  6 u16 flags  8 4xf32 bounds  24 9xf32 matrix
//   60 the children's object-list block (n bytes, its own length and 254)
//   60+n u8 241   61+n u8 255
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/graphobject.h"
#include "model/segarray.h"

class CGroupObject : public CGraphObject {
 public:
  static constexpr std::uint32_t kMatrixOffset = 24;
  static constexpr std::uint32_t kBlockOffset = 60;
  static constexpr std::uint32_t kRecordOverhead = 61;  // head, matrix, 241

  CGroupObject();
  ~CGroupObject() override;

  // --- Overridden slots.
  void ReplaceFont(std::uint16_t oldSource, int oldIndex, std::uint16_t newSource,
                   int newIndex) override;
  void ListUsedFonts(const CLanguage* fontTable, CListBoxServices* list) override;
  // On every child, then the group's own word; no undo item, no redraw.
  void SetFlags(CViewServices* view, std::uint16_t bits, std::uint16_t mask) override;
  // Children from the last to the first through matrix x the caller's.
  void Draw(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;
  void Print(plat::DC* dc, const CMatrix3* matrix, const PrintSettings* settings) override;
  int HitTest(CViewServices* view, float x, float y) override;
  // With the identity every child moves; otherwise only the translation.
  void Offset(float dx, float dy) override;
  void SetRect(float left, float top, float right, float bottom) override;
  // Pushes matrix x m into the children and resets the matrix.
  void Transform(const CMatrix3& m) override;
  CPathPointList* MakeOutline(const CMatrix3* matrix, int option) override;
  void CollectText(std::vector<std::string>& texts) override;
  void AppendPlainText(std::string& text) override;
  // 0 and a null handle when no child writes a record.
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  std::unique_ptr<CGraphObject> ConvertToPath(int colorFilter) override;
  void SetColorIndex(CViewServices* view, std::uint32_t color, int redraw) override;
  std::unique_ptr<CGraphObject> MakeTransformedCopy(std::uint32_t transform,
                                                    const CFRect& target) override;
  void AddColorToList(CListBoxServices* list) override;

  // --- Own members.
  // Takes ownership and widens the bounds by the child's bounds through the
  // matrix; null does nothing.
  void AddChild(CGraphObject* child);
  void AddChild(std::unique_ptr<CGraphObject> child) { AddChild(child.release()); }
  // AddChild for every object of the list; the list keeps the pointers (the
  // caller empties it).
  void AddChildren(const CSegArray& list);
  // Null at or past the end.
  CGraphObject* GetChild(int index) const;
  int GetChildCount() const { return children.GetSize(); }
  // Removes and deletes the first child equal to the pointer.
  void RemoveChild(CGraphObject* child);
  // Takes the child out without deleting it; a non-identity group matrix is
  // applied to it (Transform) so that it keeps its place on the page.
  void DetachChild(CGraphObject* child);
  // Moves every child of the kind (subgroups searched too) into the target,
  // each keeping its place on the page; emptied subgroups are deleted.
  void MoveChildrenOfKind(CGroupObject& target, std::uint8_t kind);
  // Replaces every subgroup by its children, each keeping its place on the page.
  void FlattenSubgroups();
  // Point records of the direct path children.
  int CountPathPoints() const;
  void SortChildrenByLeft();
  void SortChildrenByTop();
  // One new path of every child's outline.
  std::unique_ptr<CGraphObject> CombineToPath(int colorFilter);

  // A new object from the record: the group, its only child (through the
  // group's matrix) for a group of one, or null.
  static std::unique_ptr<CGraphObject> LoadFromRecord(const std::uint8_t* record,
                                                      std::uint32_t length);
  // The factory's reader for ')'.
  static std::unique_ptr<CGraphObject> ReadRecord(const std::uint8_t* record,
                                                  std::uint32_t length) {
    return LoadFromRecord(record, length);
  }

  // Recomputes the bounds as the union of the children's bounds through the matrix.
  void RecalcChildBounds();

  CSegArray children;

 private:
  void SortChildrenBy(float CFRect::*edge);
  // Places the child on the page in this group's parent coordinates.
  void ApplyMatrixTo(CGraphObject& child) const;
};
