// Bitmap tracing through the tracing libraries of the program folder.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/wnd.h"
#include "model/dllholder.h"
#include "model/graphobject.h"
#include "model/imagevector.h"
#include "platform/dc.h"

class CTraceServices;

// The parameter block of "Vector.dll" (profile section "VECTOR") or
// "Trace.dll" ("TRACE"): `Delta` >= 0 takes the fixed defaults (for Vector a
// preset of `Delta` 1 to 4 on top), `Delta` < 0 reads every field.
ImageVectorParams LoadImageVectorParams(bool vector);
// The twenty fitting parameters after `Delta`, in the block's order: their
// profile names and defaults (ReparameterizeThreshold 30.0).
struct ImageVectorField {
  const char* name;
  float defaultValue;
};
const std::vector<ImageVectorField>& ImageVectorFields();

// One tracing library and its "ImageVector"; loaded when created.
class CImageVectorLib : public CDllHolder {
 public:
  // Keeps a loaded module; else loads it and binds "ImageVector".
  plat::HMODULE Load();
  bool IsBound() const { return m_entry != nullptr; }
  // The library's result block for the mask (width x height bytes), or 0:
  // refused when not bound, without a mask, for a mask smaller than its
  // sides or sides under 3. Loads the parameters first.
  plat::HGLOBAL Trace(plat::HGLOBAL mask, std::int32_t width, std::int32_t height, std::uint32_t callerValue);
  const ImageVectorParams& Params() const { return m_params; }

 protected:
  CImageVectorLib(const char* fileName, bool vector);

 private:
  imagevector::ImageVectorFn m_entry = nullptr;
  ImageVectorParams m_params;
  bool m_vector;
};

class CTraceLib : public CImageVectorLib {
 public:
  CTraceLib() : CImageVectorLib(imagevector::kTraceFileName, false) {}
};

class CVectorLib : public CImageVectorLib {
 public:
  CVectorLib() : CImageVectorLib(imagevector::kVectorFileName, true) {}
};

// The rows of a bitmap as the tracer reads them (bottom row first) and its
// first two distinct pixel values (palette index, or RGB above 8 bits).
class CBitmapColours {
 public:
  // False when the bitmap cannot be read.
  bool Read(plat::HBITMAP bitmap);
  // 0 to 2, or 3 for three or more; the first value is the background.
  unsigned Count() const { return m_count; }
  std::int32_t Width() const { return m_width; }
  std::int32_t Height() const { return m_height; }
  // A new mask block of the second value, 0 with fewer than two values.
  plat::HGLOBAL MakeMask() const;

 private:
  std::uint32_t Value(const std::uint8_t* row, std::int32_t x) const;

  std::vector<std::uint8_t> m_rows;
  std::size_t m_rowBytes = 0;
  int m_bitCount = 0;
  std::int32_t m_width = 0;
  std::int32_t m_height = 0;
  unsigned m_count = 0;
  std::uint32_t m_values[2] = {0, 0};
};

// The second colour traced through the library under the wait cursor: the
// object built from the result block, or null.
std::unique_ptr<CGraphObject> TraceColours(CImageVectorLib& lib, const CBitmapColours& colours,
                                           std::uint32_t callerValue);

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
  CImageVectorLib& Lib(bool useVector);

 private:
  // Created in this order, destroyed in reverse.
  CVectorLib m_vector;
  CTraceLib m_trace;
};

// Traces a bitmap of at most two colours through the Vector library, as the
// scan dialog does; the dialog (or null) gets the caller value and is
// repainted at the end. Null when nothing was traced.
std::unique_ptr<CGraphObject> VectorizeImage(plat::HBITMAP bitmap, fw::CWnd* dialog);

// The program's tracing services over one CImageVectorizer, made at the
// first call and kept while the services live.
std::unique_ptr<CTraceServices> MakeAppTraceServices();
