#include "app/imagevectorizer.h"

std::unique_ptr<CGraphObject> VectorizeImage(plat::HBITMAP, fw::CWnd*) {
  return nullptr;  // no tracing library yet
}
