// Small helpers shared by the node-editing sources of the path object.
#pragma once
#include <cstdint>

#include "model/geometry.h"
#include "model/services.h"
#include "platform/dc.h"

class CPathObject;

namespace pathnodes {

// A page point through the view matrix (truncated when there is none).
plat::POINT ToDevice(const CMatrix3* vm, CFPoint p);

// One recording bracket of the view's undo list for the length of a scope.
class UndoBracket {
 public:
  UndoBracket(CViewServices* view, std::uint32_t repaint);
  ~UndoBracket();
  UndoBracket(const UndoBracket&) = delete;
  UndoBracket& operator=(const UndoBracket&) = delete;

 private:
  CUndoList* list_ = nullptr;
};

// The view's DC in R2_NOTXORPEN for the length of a scope; null without a view.
class XorViewDC : public ViewDC {
 public:
  explicit XorViewDC(CViewServices* view);
  ~XorViewDC();

 private:
  int rop_ = 0;
};

// XOR-toggles the node marks of a path in node editing (nothing otherwise).
void ToggleMarks(CPathObject& path, CViewServices* view);
// Invalidates the path's rectangle in the view.
void RepaintPath(CPathObject& path, CViewServices* view);

}  // namespace pathnodes
