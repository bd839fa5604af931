// The shape-operation library. This build offers no transforms and no weld,
// cut or expand results: every entry point answers 0 and produces nothing, so
// the program starts with the library present and its commands do nothing.
#include <cstdint>

#include "platform/gmem.h"

#define FLEXORIL_EXPORT extern "C" __attribute__((visibility("default")))

using u32 = std::uint32_t;
// A float rectangle passed by value, laid out as the program's.
struct FloatRect {
  float left, top, right, bottom;
};

// Transform entry points.
FLEXORIL_EXPORT u32 dllGetTransformInfo(u32, char*, void**) { return 0; }
FLEXORIL_EXPORT u32 dllInitTransformSeg(std::uint16_t, FloatRect) { return 0; }
FLEXORIL_EXPORT void dllDrawTransform(void*, u32, const void*) {}
FLEXORIL_EXPORT void dllSetGlobalVarPointer(void*, void*, void*, void*) {}
FLEXORIL_EXPORT u32 dllDoMouseCmd(u32, u32, u32, float, float) { return 0; }
FLEXORIL_EXPORT u32 dllMoveSegHandle() { return 0; }
FLEXORIL_EXPORT u32 dllIsPointInSegHandle() { return 0; }
FLEXORIL_EXPORT void dllTFTransSegData(u32, const void*) {}
FLEXORIL_EXPORT u32 dllDoCommand() { return 0; }
FLEXORIL_EXPORT u32 dllTFKeyDown(u32, u32, u32, u32) { return 0; }
FLEXORIL_EXPORT u32 dllTFOnChar(u32, u32, u32) { return 0; }
FLEXORIL_EXPORT u32 dllTFGetNewGlyph() { return 0; }
FLEXORIL_EXPORT u32 dllDoTransform(std::uint16_t, void*) { return 0; }
FLEXORIL_EXPORT u32 dllTFGetOutRect() { return 0; }
FLEXORIL_EXPORT void dllDeleteTransform(u32) {}
FLEXORIL_EXPORT u32 dllTFCreateData(u32, plat::HGLOBAL* out) {
  if (out) *out = 0;
  return 0;
}
FLEXORIL_EXPORT u32 dllTFCreateTransformFromData(const void*) { return 0; }
FLEXORIL_EXPORT u32 dllTFMatrixTransformSeg() { return 0; }
FLEXORIL_EXPORT void dllTFGetTransformMatrix(u32, void*) {}

// Expand entry points.
FLEXORIL_EXPORT plat::HGLOBAL dllExpand(plat::HGLOBAL, double, double, double, double, u32) { return 0; }
FLEXORIL_EXPORT plat::HGLOBAL dllExpandOutLine(plat::HGLOBAL, double, double, double, double, u32) { return 0; }

// Weld and cut entry points.
FLEXORIL_EXPORT plat::HGLOBAL dllWeld(void*, void*) { return 0; }
FLEXORIL_EXPORT plat::HGLOBAL dllWeldCut(void*, void*) { return 0; }
FLEXORIL_EXPORT plat::HGLOBAL dllWeldAnd(void*, void*) { return 0; }
FLEXORIL_EXPORT plat::HGLOBAL dllWeldXor(void*, void*) { return 0; }
FLEXORIL_EXPORT plat::HGLOBAL dllLineCut(void*, u32, u32, u32, u32) { return 0; }
FLEXORIL_EXPORT plat::HGLOBAL dllFigureCut(void*, void*, u32) { return 0; }
FLEXORIL_EXPORT plat::HGLOBAL dllSelfWeld(void*) { return 0; }
