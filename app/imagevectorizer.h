// Bitmap tracing through the tracing libraries of the program folder.
#pragma once
#include <cstdint>
#include <memory>

#include "framework/wnd.h"
#include "model/graphobject.h"
#include "platform/dc.h"

// Binds both tracing libraries for its lifetime ("Vector.dll", then
// "Trace.dll") and traces bitmaps of at most two colours.
class CImageVectorizer {
 public:
  CImageVectorizer();
  ~CImageVectorizer();
  CImageVectorizer(const CImageVectorizer&) = delete;
  CImageVectorizer& operator=(const CImageVectorizer&) = delete;

  // Null when nothing was traced (three or more colours are reported).
  std::unique_ptr<CGraphObject> VectorizeBitmap(plat::HBITMAP bitmap, bool useVector,
                                                std::uint32_t callerValue);
};

// Traces a bitmap of at most two colours through the Vector library, as the
// scan dialog does; the dialog (or null) gets the caller value and is
// repainted at the end. Null when nothing was traced.
std::unique_ptr<CGraphObject> VectorizeImage(plat::HBITMAP bitmap, fw::CWnd* dialog);
