// The transformed object (kind 9, record '*'): a source object seen through
// one of the shape library's transforms. It owns the source, the library's
// transform handle and a cached result group that the library computes from
// the source; it draws, outlines and converts through the result. In node
// editing the library draws the transform's handles and takes the mouse.
//
// Record (little-endian, packed), L = 61 + S + D:
//   0 '*'  1 u32 L  5 u8 9  6 u16 flags  8 9xf32 pending matrix
//   44 4xf32 bounds  60 the source's record (S bytes, its 241 last)
//   60+S the transform data (D bytes, its own u32 length first)
//   60+S+D u8 241   61+S+D u8 255
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "model/graphobject.h"
#include "model/undoitems.h"

class CTransformObject : public CGraphObject {
 public:
  static constexpr std::uint32_t kMatrixOffset = 8;
  static constexpr std::uint32_t kBoundsOffset = 44;
  static constexpr std::uint32_t kSourceOffset = 60;
  static constexpr std::uint32_t kRecordOverhead = 61;
  static constexpr std::uint32_t kMinData = 32;

  // Empty: no source, result or transform.
  CTransformObject();
  // On a source with transform number (1-based); the transform handle is 0
  // when the library made none.
  CTransformObject(std::unique_ptr<CGraphObject> source, int number);
  ~CTransformObject() override;

  // A transformed object on the source, or null (the source given back
  // through `source`) when the library makes no transform.
  static std::unique_ptr<CTransformObject> Make(std::unique_ptr<CGraphObject>& source, int number);

  // --- Overridden slots.
  void ReplaceFont(std::uint16_t oldSource, int oldIndex, std::uint16_t newSource, int newIndex) override;
  void ListUsedFonts(const CLanguage* fontTable, CListBoxServices* list) override;
  void ScaleToRect(float left, float top, float right, float bottom) override;
  void Draw(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;
  void Print(plat::DC* dc, const CMatrix3* matrix, const PrintSettings* settings) override;
  int CanNodeEdit() override { return 1; }
  void DrawNodeMarks(plat::DC* dc, const CMatrix3* viewMatrix) override;
  int OnCharNode(CViewServices* view, std::uint32_t ch, std::uint32_t keyData) override;
  int OnKeyDownNode(CViewServices* view, std::uint32_t key, std::uint32_t modifiers) override;
  int OnRButtonDown(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnRButtonUp(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnLButtonDblClk(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int HitTestHandle(CViewServices*, float, float, int*) override { return 0; }
  void Offset(float dx, float dy) override;
  void Transform(const CMatrix3& m) override;
  CPathPointList* MakeOutline(const CMatrix3* matrix, int option) override;
  void AppendPlainText(std::string& text) override;
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  std::unique_ptr<CGraphObject> ConvertToPath(int colorFilter) override;
  void SetColorIndex(CViewServices* view, std::uint32_t color, int redraw) override;
  int OnLButtonDownNode(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnMouseMoveNode(CViewServices* view, std::uint32_t flags, float x, float y) override;
  int OnLButtonUpNode(CViewServices* view, std::uint32_t flags, float x, float y) override;
  void DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;
  void DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;

  // --- Own members.
  // Computes the result from the source again.
  void Rebuild();
  CGraphObject* GetSource() const { return m_source.get(); }
  CGraphObject* GetResult() const { return m_result.get(); }
  std::uint32_t GetTransform() const { return m_transform; }
  // The transform data last read or made.
  const std::vector<std::uint8_t>& GetData() const { return m_data; }
  // Takes the source out (UnTransform); the object keeps its transform.
  std::unique_ptr<CGraphObject> DetachSource();
  void AttachSource(std::unique_ptr<CGraphObject> source);

  // The factory's reader for '*'.
  static std::unique_ptr<CGraphObject> ReadRecord(const std::uint8_t* record, std::uint32_t length);

 private:
  // Rebuilds, invalidating the old and the new rectangle.
  void RebuildIn(CViewServices* view);
  void EnsureResult();

  std::unique_ptr<CGraphObject> m_source;
  std::unique_ptr<CGraphObject> m_result;
  std::uint32_t m_transform = 0;
  std::vector<std::uint8_t> m_data;
};

// The selected object was replaced by a transformed object built on it:
// undo takes the transformed object out, puts its source back at the index
// and deletes it. Owns nothing.
class CUndoMakeTransform : public CObjectUndoItem {
 public:
  CUndoMakeTransform(CTransformObject* object, int index) : m_object(object), m_index(index) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  CTransformObject* m_object;
  int m_index;
};

// The transformed object was replaced by its source (UnTransform): undo takes
// the source out, gives it back to the transformed object and puts that back
// at the index. Owns the transformed object until then.
class CUndoRemoveTransform : public CObjectUndoItem {
 public:
  CUndoRemoveTransform(std::unique_ptr<CTransformObject> object, CGraphObject* source, int index)
      : m_object(std::move(object)), m_source(source), m_index(index) {}

 protected:
  void UndoIn(CViewServices& view) override;

 private:
  std::unique_ptr<CTransformObject> m_object;
  CGraphObject* m_source;
  int m_index;
};
