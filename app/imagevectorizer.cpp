#include "app/imagevectorizer.h"

CImageVectorizer::CImageVectorizer() = default;
CImageVectorizer::~CImageVectorizer() = default;

std::unique_ptr<CGraphObject> CImageVectorizer::VectorizeBitmap(plat::HBITMAP, bool,
                                                                std::uint32_t) {
  return nullptr;  // no tracing library yet
}

std::unique_ptr<CGraphObject> VectorizeImage(plat::HBITMAP, fw::CWnd*) {
  return nullptr;  // no tracing library yet
}
