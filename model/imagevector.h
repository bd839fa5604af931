// What the program and the tracing libraries "Trace.dll" and "Vector.dll"
// exchange: the parameter block of their one entry point "ImageVector".
// Header only: the libraries include it without linking any model code.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/gmem.h"

// The mask holds width x height bytes, bottom row first, 1 for a pixel of the
// traced colour and 0 elsewhere; the result is a new movable block with one
// path record (pixels, y downward from the top-left corner), or 0.
struct ImageVectorParams {
  std::int32_t width = 0;
  std::int32_t height = 0;
  const std::uint8_t* mask = nullptr;  // the locked mask bytes
  std::int32_t Delta = 0;
  float AlignThreshold = 0.5f;
  float CornerAlwaysThreshold = 60.0f;
  std::int32_t CornerSurround = 3;
  float CornerThreshold = 100.0f;
  float ErrorThreshold = 0.5f;
  float FilterAlternativeSurround = 1.0f;
  float FilterEpsilon = 10.0f;
  std::int32_t FilterIterationCount = 3;
  float FilterPercent = 0.33f;
  std::int32_t FilterSecondarySurround = 2;
  std::int32_t FilterSurround = 2;
  std::int32_t KeepKnees = 0;
  float LineReversionThreshold = 0.01f;
  float LineThreshold = 0.5f;
  float ReparameterizeImprovement = 0.1f;
  float ReparameterizeThreshold = 30.0f;
  float SubdivideSearch = 0.1f;
  std::int32_t SubdivideSurround = 4;
  float SubdivideThreshold = 0.03f;
  std::int32_t TangentSurround = 4;
  std::uint32_t callerValue = 0;  // passed through, not read
};
static_assert(offsetof(ImageVectorParams, height) == 4);
static_assert(offsetof(ImageVectorParams, mask) == 8);
static_assert(offsetof(ImageVectorParams, Delta) == 8 + sizeof(void*));
static_assert(offsetof(ImageVectorParams, AlignThreshold) == offsetof(ImageVectorParams, Delta) + 4);
static_assert(offsetof(ImageVectorParams, ErrorThreshold) == offsetof(ImageVectorParams, Delta) + 20);
static_assert(offsetof(ImageVectorParams, KeepKnees) == offsetof(ImageVectorParams, Delta) + 48);
static_assert(offsetof(ImageVectorParams, LineThreshold) == offsetof(ImageVectorParams, Delta) + 56);
static_assert(offsetof(ImageVectorParams, TangentSurround) == offsetof(ImageVectorParams, Delta) + 80);
static_assert(offsetof(ImageVectorParams, callerValue) == offsetof(ImageVectorParams, Delta) + 84);

namespace imagevector {

inline constexpr char kTraceFileName[] = "Trace.dll";
inline constexpr char kVectorFileName[] = "Vector.dll";
inline constexpr char kEntryName[] = "ImageVector";
// Masks narrower or lower than this are not traced.
constexpr std::int32_t kMinSide = 3;
// Largest mask traced, in pixels.
constexpr std::uint64_t kMaxPixels = 0x7FFFFFFF;

using ImageVectorFn = plat::HGLOBAL (*)(const ImageVectorParams* params);

}  // namespace imagevector
