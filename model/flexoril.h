// What the program and the shape-operation library "Flexoril.dll" exchange:
// the plain rectangle and matrix they pass, the record block of one object,
// the library's constants and the types of its 28 entry points. Header only:
// the library includes it without linking any model code.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/dc.h"
#include "platform/gmem.h"

// Left, top, right, bottom; passed by value as four f32.
struct FlexRect {
  float left = 0.0f;
  float top = 0.0f;
  float right = 0.0f;
  float bottom = 0.0f;
};
static_assert(sizeof(FlexRect) == 16);

// Row-vector affine matrix, nine f32 laid out as the program's.
struct FlexMatrix {
  float m00 = 1.0f, m01 = 0.0f, m02 = 0.0f;
  float m10 = 0.0f, m11 = 1.0f, m12 = 0.0f;
  float m20 = 0.0f, m21 = 0.0f, m22 = 1.0f;
};
static_assert(sizeof(FlexMatrix) == 36);

// One object handed to the library by address. The library never keeps or
// frees the record block; the caller frees it after the call.
#pragma pack(push, 1)
struct FlexorilRecordBlock {
  std::uint32_t length = 0;  // of the record
  FlexRect bounds;
  FlexRect target;           // the bounds again, except for dllDoTransform
  plat::HGLOBAL record = 0;  // movable block holding the record
};
#pragma pack(pop)
static_assert(sizeof(FlexorilRecordBlock) == 40);
static_assert(offsetof(FlexorilRecordBlock, record) == 36);
using WeldShape = FlexorilRecordBlock;

namespace flexoril {

inline constexpr char kFileName[] = "Flexoril.dll";
constexpr std::uint32_t kTransformCount = 6;
constexpr std::size_t kNameSize = 40;    // name buffer of dllGetTransformInfo
constexpr int kPictureSize = 60;         // transform pictures are 60 x 60
constexpr std::uint32_t kPictureBack = 0x0000FF;  // pure red, the transparent colour
constexpr std::uint32_t kFirstHandle = 0x10000;   // handles below are transform numbers
constexpr std::uint32_t kDataHead = 32;  // u32 D, "FLXT", u16 version, u16 number, rect, u32 k
inline constexpr char kDataMagic[4] = {'F', 'L', 'X', 'T'};
constexpr std::uint16_t kDataVersion = 1;

// Mouse messages and key flags of dllDoMouseCmd.
constexpr std::uint32_t kMouseMove = 0x200;
constexpr std::uint32_t kLButtonDown = 0x201;
constexpr std::uint32_t kLButtonUp = 0x202;
constexpr std::uint32_t kLButtonDblClk = 0x203;
constexpr std::uint32_t kRButtonDown = 0x204;
constexpr std::uint32_t kRButtonUp = 0x205;
constexpr std::uint32_t kMkLButton = 0x0001;

// Transform entry points.
using GetTransformInfoFn = std::uint32_t (*)(std::uint32_t index, char* name40, plat::HBITMAP* bitmap);
using InitTransformSegFn = std::uint32_t (*)(std::uint16_t number, FlexRect bounds);
using DrawTransformFn = void (*)(plat::HDC dc, std::uint32_t handle, const FlexMatrix* matrix);
using SetGlobalVarPointerFn = void (*)(const void* window, const FlexMatrix* viewMatrix,
                                       const double* scale, const std::uint32_t* tool);
using DoMouseCmdFn = std::uint32_t (*)(std::uint32_t handle, std::uint32_t message, std::uint32_t keys,
                                       float x, float y);
using MoveSegHandleFn = std::uint32_t (*)(std::uint32_t handle, std::uint32_t index, float x, float y);
using IsPointInSegHandleFn = std::uint32_t (*)(std::uint32_t handle, float x, float y, float tolerance);
using TransSegDataFn = void (*)(std::uint32_t handle, const FlexMatrix* matrix);
using DoCommandFn = std::uint32_t (*)(std::uint32_t handle, std::uint32_t command);
using KeyDownFn = std::uint32_t (*)(std::uint32_t handle, std::uint32_t key, std::uint32_t repeat,
                                    std::uint32_t flags);
using OnCharFn = std::uint32_t (*)(std::uint32_t handle, std::uint32_t ch, std::uint32_t flags);
using GetNewGlyphFn = std::uint32_t (*)();
using DoTransformFn = plat::HGLOBAL (*)(std::uint32_t handle, const FlexorilRecordBlock* block);
using GetOutRectFn = std::uint32_t (*)(std::uint32_t handle, FlexRect* out);
using DeleteTransformFn = void (*)(std::uint32_t handle);
using CreateDataFn = std::uint32_t (*)(std::uint32_t handle, plat::HGLOBAL* out);
using CreateFromDataFn = std::uint32_t (*)(const void* data);
using MatrixTransformSegFn = std::uint32_t (*)(std::uint32_t handle, const FlexMatrix* matrix);
using GetTransformMatrixFn = void (*)(std::uint32_t handle, FlexMatrix* out);

// Weld and cut entry points.
using WeldFn = plat::HGLOBAL (*)(const WeldShape* a, const WeldShape* b);
using LineCutFn = plat::HGLOBAL (*)(const WeldShape* shape, float x1, float y1, float x2, float y2);
using FigureCutFn = plat::HGLOBAL (*)(const WeldShape* shape, const WeldShape* cutter, std::uint32_t mode);
using SelfWeldFn = plat::HGLOBAL (*)(const WeldShape* path);

// Expand entry points: record block, size, angle threshold, insert limit,
// accuracy, corner mode.
using ExpandFn = plat::HGLOBAL (*)(plat::HGLOBAL record, double size, double threshold, double limit,
                                   double accuracy, std::int32_t mode);

}  // namespace flexoril
