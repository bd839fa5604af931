// The library picture (kind 131, record '"'): one graph of a mounted graphic
// library or one character of an installed font, fetched again whenever it
// is drawn, converted or cut.
//
// Record (71 bytes): 0 '"'  1 u32 71  5 u8 131  6 u16 flags  8 4xf32 bounds
//   24 9xf32 matrix  60 u16 library type  62 u16 library number
//   64 u16 picture number  66 u32 colour  70 u8 241  (71 u8 255)
#pragma once
#include <cstdint>
#include <memory>

#include "model/graphobject.h"

// Library types: 0 and 1 are the installed fonts of language slots 2 and 0;
// t >= 2 is mounted library t - 2.
constexpr std::uint16_t LIBTYPE_SYMBOLS = 0;
constexpr std::uint16_t LIBTYPE_FONTS = 1;
constexpr std::uint16_t LIBTYPE_MOUNTED = 2;

class CLibPicObject : public CGraphObject {
 public:
  static constexpr std::uint32_t kRecordLength = 71;

  CLibPicObject(std::uint16_t libraryType, std::uint16_t libraryNumber,
                std::uint16_t pictureNumber);
  ~CLibPicObject() override;

  static std::unique_ptr<CGraphObject> LoadFromRecord(const std::uint8_t* record,
                                                      std::uint32_t length);

  void Print(plat::DC* dc, const CMatrix3* matrix, const PrintSettings* settings) override;
  // Moves the bounds and the matrix's translation.
  void Offset(float dx, float dy) override;
  void SetRect(float left, float top, float right, float bottom) override;
  void Transform(const CMatrix3& m) override;
  // The picture through the placement matrix, then `matrix`; the object's
  // bounds become those of the placed picture. Null when there is none.
  CPathPointList* MakeOutline(const CMatrix3* matrix, int option) override;
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  std::unique_ptr<CGraphObject> ConvertToPath(int colorFilter) override;
  void SetColorIndex(CViewServices* view, std::uint32_t color, int redraw) override;
  void AddColorToList(CListBoxServices* list) override;
  void DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;
  void DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible) override;

  std::uint16_t libraryType;
  std::uint16_t libraryNumber;
  std::uint16_t pictureNumber;
  std::uint32_t color = 0;
};

// Installs the readers of library pictures ('"') and seals ('P').
void RegisterLibraryRecordReaders();
