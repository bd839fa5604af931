#include "model/transformobject.h"

#include <cstring>

#include "model/dllholder.h"
#include "model/groupobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "model/shapeobject.h"
#include "platform/bytes.h"
#include "platform/dc.h"

namespace {

// The result is hidden: its flag words are set directly, without undo items.
void SetFlagWord(CGraphObject& object, std::uint16_t flags) {
  object.flags = flags;
  if (object.kind == OBJ_GROUP)
    for (CGraphObject* c : static_cast<CGroupObject&>(object).children.Objects())
      if (c) SetFlagWord(*c, flags);
}

std::unique_ptr<CGroupObject> AsGroup(std::unique_ptr<CGraphObject> object) {
  if (object->kind == OBJ_GROUP) return std::unique_ptr<CGroupObject>(static_cast<CGroupObject*>(object.release()));
  auto group = std::make_unique<CGroupObject>();
  group->AddChild(std::move(object));
  return group;
}

}  // namespace

CTransformObject::CTransformObject() {
  kind = OBJ_TRANSFORM;
  hitIndex = 0;
}

CTransformObject::CTransformObject(std::unique_ptr<CGraphObject> source, int number) : CTransformObject() {
  if (!source) return;
  bounds = source->bounds;
  m_source = std::move(source);
  m_transform = TransformDll().InitTransformSeg(std::uint16_t(number), m_source->bounds);
  TransformDll().TransSegData(m_transform, &matrix);
}

CTransformObject::~CTransformObject() { TransformDll().DeleteTransform(m_transform); }

std::unique_ptr<CTransformObject> CTransformObject::Make(std::unique_ptr<CGraphObject>& source, int number) {
  if (!source) return nullptr;
  auto object = std::make_unique<CTransformObject>(std::move(source), number);
  if (object->m_transform == 0) {
    source = std::move(object->m_source);
    return nullptr;
  }
  return object;
}

std::unique_ptr<CGraphObject> CTransformObject::DetachSource() {
  m_result.reset();
  return std::move(m_source);
}

void CTransformObject::AttachSource(std::unique_ptr<CGraphObject> source) {
  m_source = std::move(source);
  m_result.reset();
}

// --- The result ----------------------------------------------------------------

void CTransformObject::Rebuild() {
  if (!m_source) return;
  std::unique_ptr<CGraphObject> converted = m_source->ConvertToPath(-1);
  if (!converted) return;
  m_result.reset();
  std::unique_ptr<CGroupObject> group = AsGroup(std::move(converted));
  group->FlattenSubgroups();
  std::unique_ptr<CGraphObject> made;
  if (m_transform && TransformDll().IsLoaded()) {
    made = group->MakeTransformedCopy(m_transform, group->bounds);
  } else {
    // Without the library the source shows through the pending matrix only.
    made = std::move(group);
  }
  if (!made) return;
  m_result = AsGroup(std::move(made));
  CFRect r = m_result->bounds;
  matrix.TransformRectBounds(r);
  bounds = r;
}

void CTransformObject::EnsureResult() {
  if (!m_result) Rebuild();
}

void CTransformObject::RebuildIn(CViewServices* view) {
  if (view) InvalidateObjectRect(view, true);
  Rebuild();
  if (view) InvalidateObjectRect(view, true);
}

// --- Drawing -------------------------------------------------------------------

void CTransformObject::Draw(plat::DC* dc, const CMatrix3* m, const CFRect*) {
  EnsureResult();
  if (!m_result) return;
  SetFlagWord(*m_result, flags);
  CMatrix3 mm = matrix;
  if (m) mm.Multiply(*m);
  m_result->Draw(dc, &mm, nullptr);
}

void CTransformObject::Print(plat::DC* dc, const CMatrix3* m, const PrintSettings* settings) {
  if (!m_result) return;
  CMatrix3 mm = matrix;
  if (m) mm.Multiply(*m);
  m_result->Print(dc, &mm, settings);
}

CPathPointList* CTransformObject::MakeOutline(const CMatrix3* m, int option) {
  EnsureResult();
  if (!m_result) return nullptr;
  CMatrix3 mm = matrix;
  if (m) mm.Multiply(*m);
  CPathPointList* first = nullptr;
  for (CGraphObject* c : static_cast<CGroupObject&>(*m_result).children.Objects()) {
    if (!c) continue;
    CPathPointList* outline = c->MakeOutline(&mm, option);
    if (!outline) continue;
    if (!first) {
      first = outline;
    } else {
      first->AppendList(outline);
      delete outline;
    }
  }
  return first;
}

std::unique_ptr<CGraphObject> CTransformObject::ConvertToPath(int colorFilter) {
  EnsureResult();
  if (!m_result) return nullptr;
  std::unique_ptr<CGraphObject> path = m_result->ConvertToPath(colorFilter);
  if (path) path->Transform(matrix);
  return path;
}

void CTransformObject::DrawOutline(plat::DC* dc, const CMatrix3* m, const CFRect*) {
  if (!dc) return;
  dc->SetROP2(plat::R2_NOTXORPEN);
  std::unique_ptr<CPathPointList> outline(MakeOutline(m, 0));
  if (outline) outline->DrawOutline(dc);
}

void CTransformObject::DrawFilled(plat::DC* dc, const CMatrix3* m, const CFRect*) {
  if (!dc) return;
  dc->SetROP2(plat::R2_NOTXORPEN);
  std::unique_ptr<CPathPointList> outline(MakeOutline(m, 0));
  if (outline) outline->DrawFilled(dc);
}

// --- Node editing through the library ---------------------------------------------

void CTransformObject::DrawNodeMarks(plat::DC* dc, const CMatrix3* viewMatrix) {
  if (!dc) return;
  const int old = dc->SetROP2(plat::R2_NOTXORPEN);
  CMatrix3 mm = matrix;
  if (viewMatrix) mm.Multiply(*viewMatrix);
  TransformDll().DrawTransform(dc, m_transform, &mm);
  dc->SetROP2(old);
}

int CTransformObject::OnLButtonDownNode(CViewServices*, std::uint32_t flags, float x, float y) {
  const std::uint32_t r = TransformDll().DoMouseCmd(m_transform, flexoril::kLButtonDown, flags, x, y);
  hitIndex = std::int32_t(r);
  if (hitIndex > 0) {
    ObjectDrag().start = {x, y};
    ObjectDrag().last = {x, y};
    ObjectDrag().moved = 0;
  }
  return hitIndex > 0;
}

int CTransformObject::OnMouseMoveNode(CViewServices*, std::uint32_t flags, float x, float y) {
  return std::int32_t(TransformDll().DoMouseCmd(m_transform, flexoril::kMouseMove, flags, x, y)) > 0;
}

int CTransformObject::OnLButtonUpNode(CViewServices* view, std::uint32_t flags, float x, float y) {
  if (TransformDll().DoMouseCmd(m_transform, flexoril::kLButtonUp, flags, x, y) == 0) return 0;
  RebuildIn(view);
  return 1;
}

int CTransformObject::OnRButtonUp(CViewServices* view, std::uint32_t flags, float x, float y) {
  if (TransformDll().DoMouseCmd(m_transform, flexoril::kRButtonUp, flags, x, y) == 0) return 0;
  RebuildIn(view);
  return 1;
}

int CTransformObject::OnRButtonDown(CViewServices*, std::uint32_t flags, float x, float y) {
  return int(TransformDll().DoMouseCmd(m_transform, flexoril::kRButtonDown, flags, x, y));
}

int CTransformObject::OnLButtonDblClk(CViewServices*, std::uint32_t flags, float x, float y) {
  if (editMode != ID_TOOL_NODE) return 0;
  return int(TransformDll().DoMouseCmd(m_transform, flexoril::kLButtonDblClk, flags, x, y));
}

int CTransformObject::OnCharNode(CViewServices* view, std::uint32_t ch, std::uint32_t keyData) {
  if (TransformDll().OnChar(m_transform, ch, keyData) == 0) return 0;
  RebuildIn(view);
  return 1;
}

int CTransformObject::OnKeyDownNode(CViewServices*, std::uint32_t key, std::uint32_t modifiers) {
  return int(TransformDll().KeyDown(m_transform, key, modifiers));
}

// --- Geometry ------------------------------------------------------------------

void CTransformObject::Offset(float dx, float dy) {
  CGraphObject::Offset(dx, dy);
  matrix.m20 += dx;
  matrix.m21 += dy;
}

void CTransformObject::Transform(const CMatrix3& m) {
  matrix.Multiply(m);
  if (!m_result) return;
  CFRect r = m_result->bounds;
  matrix.TransformRectBounds(r);
  bounds = r;
}

void CTransformObject::ScaleToRect(float left, float top, float right, float bottom) {
  const float w = bounds.right - bounds.left;
  const float h = bounds.bottom - bounds.top;
  const float sx = w != 0.0f ? (right - left) / w : 1.0f;
  const float sy = h != 0.0f ? (bottom - top) / h : 1.0f;
  Transform(CMatrix3(sx, 0.0f, 0.0f, sy, left - sx * bounds.left, top - sy * bounds.top));
}

// --- Forwarding ------------------------------------------------------------------

void CTransformObject::SetColorIndex(CViewServices* view, std::uint32_t color, int redraw) {
  if (m_result) m_result->SetColorIndex(view, color, 0);
  if (redraw && view) InvalidateObjectRect(view, true);
}

void CTransformObject::ReplaceFont(std::uint16_t oldSource, int oldIndex, std::uint16_t newSource, int newIndex) {
  if (m_source)
    m_source->ReplaceFont(oldSource, std::int16_t(oldIndex), newSource, std::int16_t(newIndex));
}

void CTransformObject::ListUsedFonts(const CLanguage* fontTable, CListBoxServices* list) {
  if (m_source) m_source->ListUsedFonts(fontTable, list);
}

void CTransformObject::AppendPlainText(std::string& text) {
  if (m_source) m_source->AppendPlainText(text);
}

// --- Records -------------------------------------------------------------------

std::uint32_t CTransformObject::WriteRecord(plat::HGLOBAL* out) {
  if (!out) return 0;
  *out = 0;
  if (!m_source) return 0;
  plat::HGLOBAL sourceBlock = 0;
  const std::uint32_t s = m_source->WriteRecord(&sourceBlock);
  plat::GlobalBlock sourceOwner(sourceBlock);
  if (s == 0 || !sourceBlock || plat::GlobalSize(sourceBlock) < s) return 0;
  // The library's data when it has them, else the data last read or made.
  plat::HGLOBAL dataBlock = 0;
  const std::uint32_t d = TransformDll().CreateData(m_transform, &dataBlock);
  plat::GlobalBlock dataOwner(dataBlock);
  if (d >= kMinData && dataBlock) {
    plat::GlobalLockGuard g(dataBlock);
    if (g && plat::GetU32(g.bytes()) == d) m_data.assign(g.bytes(), g.bytes() + d);
  }
  if (m_data.empty()) return 0;
  CRecordWriter w(REC_TRANSFORM, OBJ_TRANSFORM, flags);
  w.PutMatrix(matrix);
  w.PutRect(bounds);
  {
    plat::GlobalLockGuard g(sourceBlock);
    if (!g) return 0;
    w.PutBytes(g.bytes(), s);
  }
  w.PutBytes(m_data.data(), m_data.size());
  return w.Finish(out);
}

std::unique_ptr<CGraphObject> CTransformObject::ReadRecord(const std::uint8_t* rec, std::uint32_t length) {
  if (!rec || rec[0] != REC_TRANSFORM) return nullptr;
  if (length < kRecordOverhead + REC_MIN_LENGTH + kMinData) return nullptr;
  const std::uint32_t room = length - kRecordOverhead;  // source and data
  const std::uint8_t* source = rec + kSourceOffset;
  const std::uint32_t s = plat::GetU32(source + 1);
  if (s < REC_MIN_LENGTH || s > room - kMinData) return nullptr;
  // The source is a whole record of its own kind, never another transformed
  // object or an image.
  if (source[0] == REC_TRANSFORM || source[0] == REC_IMAGE || source[s - 1] != REC_END_BYTE) return nullptr;
  const std::uint32_t d = room - s;
  const std::uint8_t* data = source + s;
  if (plat::GetU32(data) != d) return nullptr;

  auto object = std::make_unique<CTransformObject>();
  object->flags = plat::GetU16(rec + 6);
  std::memcpy(&object->matrix, rec + kMatrixOffset, sizeof(CMatrix3));
  std::memcpy(&object->bounds, rec + kBoundsOffset, sizeof(CFRect));
  if (!AllFinite(object->matrix) || !AllFinite(object->bounds)) return nullptr;
  object->m_source = CreateObjectFromRecord(source, s);
  if (!object->m_source || object->m_source->kind == OBJ_TRANSFORM || object->m_source->kind == OBJ_IMAGE)
    return nullptr;
  object->m_data.assign(data, data + d);
  object->m_transform = TransformDll().CreateFromData(object->m_data.data());
  TransformDll().TransSegData(object->m_transform, &object->matrix);
  return object;
}

// --- Undo ----------------------------------------------------------------------

void CUndoMakeTransform::UndoIn(CViewServices& view) {
  CDocumentServices* doc = view.GetDocument();
  if (!doc || !m_object || doc->RemoveObject(m_object) < 0) return;
  m_object->InvalidateObjectRect(&view, true);
  std::unique_ptr<CGraphObject> source = m_object->DetachSource();
  ForgetInOtherViews(view, doc, m_object);
  delete m_object;
  m_object = nullptr;
  if (source) {
    source->selected = 1;
    doc->InsertObject(source.release(), m_index);
  }
  view.RepaintView(false);
}

void CUndoRemoveTransform::UndoIn(CViewServices& view) {
  CDocumentServices* doc = view.GetDocument();
  if (!doc || !m_object || !m_source || doc->RemoveObject(m_source) < 0) return;
  ForgetInOtherViews(view, doc, m_source);
  m_object->AttachSource(std::unique_ptr<CGraphObject>(m_source));
  m_source = nullptr;
  m_object->selected = 1;
  doc->InsertObject(m_object.release(), m_index);
  view.RepaintView(false);
}
