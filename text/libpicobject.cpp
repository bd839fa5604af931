#include "text/libpicobject.h"

#include "model/pathobject.h"
#include "model/pathpoints.h"
#include "model/records.h"
#include "text/glyphsource.h"
#include "text/graphlib.h"
#include "text/language.h"
#include "text/sealobject.h"

CLibPicObject::CLibPicObject(std::uint16_t type, std::uint16_t number, std::uint16_t picture)
    : libraryType(type), libraryNumber(number), pictureNumber(picture) {
  kind = OBJ_LIBPIC;
}

CLibPicObject::~CLibPicObject() = default;

std::unique_ptr<CGraphObject> CLibPicObject::LoadFromRecord(const std::uint8_t* rec,
                                                            std::uint32_t length) {
  if (!rec || length < 1 || rec[0] != REC_LIBPIC) return nullptr;
  CRecordReader reader(rec, length);
  auto pic = std::make_unique<CLibPicObject>(0, 0, 0);
  if (!ReadRecordHead(reader, REC_LIBPIC, *pic)) return nullptr;
  reader.ReadMatrix(pic->matrix);
  reader.ReadU16(pic->libraryType);
  reader.ReadU16(pic->libraryNumber);
  reader.ReadU16(pic->pictureNumber);
  reader.ReadU32(pic->color);
  if (reader.Failed()) return nullptr;
  return pic;
}

std::uint32_t CLibPicObject::WriteRecord(plat::HGLOBAL* out) {
  CRecordWriter w(REC_LIBPIC, *this);
  w.PutMatrix(matrix);
  w.PutU16(libraryType);
  w.PutU16(libraryNumber);
  w.PutU16(pictureNumber);
  w.PutU32(color);
  return w.Finish(out);
}

CPathPointList* CLibPicObject::MakeOutline(const CMatrix3* m, int) {
  std::unique_ptr<CPathPointList> outline;
  if (libraryType < LIBTYPE_MOUNTED) {
    const int slot = libraryType == LIBTYPE_SYMBOLS ? 2 : 0;
    const std::uint8_t id = std::uint8_t(g_Language.GetId(slot));
    outline = GetGlyphSource().GetOutline(0, id, slot, libraryNumber, pictureNumber);
    if (outline) {
      outline->Transform(&matrix);
      outline->ApplyTransform();
    }
  } else {
    outline = g_MountLibList.ReadGraph(libraryType - LIBTYPE_MOUNTED, libraryNumber, pictureNumber,
                                       &matrix);
  }
  if (!outline || !outline->points) return nullptr;
  bounds = outline->bounds;
  if (m) {
    outline->Transform(m);
    outline->ApplyTransform();
  }
  return outline.release();
}

std::unique_ptr<CGraphObject> CLibPicObject::ConvertToPath(int colorFilter) {
  if (colorFilter != -1 && std::uint32_t(colorFilter) != color) return nullptr;
  std::unique_ptr<CPathPointList> outline(MakeOutline(nullptr, 0));
  if (!outline) return nullptr;
  auto path = std::make_unique<CPathObject>();
  path->bounds = outline->bounds;
  path->capacity = outline->capacity;
  path->count = outline->count;
  path->points = outline->DetachPoints();
  path->color = color;
  return path;
}

void CLibPicObject::Offset(float dx, float dy) {
  CGraphObject::Offset(dx, dy);
  matrix.m20 += dx;
  matrix.m21 += dy;
}

void CLibPicObject::SetRect(float left, float top, float right, float bottom) {
  ScaleToRect(left, top, right, bottom);
  CGraphObject::SetRect(left, top, right, bottom);
}

void CLibPicObject::Transform(const CMatrix3& m) {
  matrix.Multiply(m);
  m.TransformRectBounds(bounds);
}

void CLibPicObject::SetColorIndex(CViewServices* view, std::uint32_t c, int redraw) {
  if (c == color) return;
  color = c;
  if (redraw && view) InvalidateObjectRect(view, true);
}

void CLibPicObject::AddColorToList(CListBoxServices* list) {
  if (!list) return;
  const std::string text = std::to_string(color);
  if (list->FindStringExact(text) < 0) list->AddString(text);
}

void CLibPicObject::DrawOutline(plat::DC* dc, const CMatrix3* m, const CFRect*) {
  if (!dc) return;
  std::unique_ptr<CPathPointList> outline(MakeOutline(m, 0));
  if (outline) outline->DrawOutlineInColor(dc, color);
}

void CLibPicObject::DrawFilled(plat::DC* dc, const CMatrix3* m, const CFRect*) {
  if (!dc) return;
  std::unique_ptr<CPathPointList> outline(MakeOutline(m, 0));
  if (outline) outline->DrawFilledInColor(dc, color);
}

void CLibPicObject::Print(plat::DC* dc, const CMatrix3* m, const PrintSettings*) {
  if (flags & OBJF_FILLED)
    DrawFilled(dc, m, nullptr);
  else
    DrawOutline(dc, m, nullptr);
}

void RegisterLibraryRecordReaders() {
  RegisterRecordReader(REC_LIBPIC, &CLibPicObject::LoadFromRecord);
  RegisterRecordReader(REC_SEAL, &CSealObject::LoadFromRecord);
}
