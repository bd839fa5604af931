// Outside libraries bound by name: the holder of one loaded library and the
// bindings of the shape-operation library's entry points.
#pragma once
#include <cstdint>
#include <string>

#include <memory>

#include "model/flexoril.h"
#include "model/geometry.h"
#include "platform/dc.h"
#include "platform/gmem.h"
#include "platform/library.h"

class CGraphObject;

// One loaded library and its file name.
class CDllHolder {
 public:
  CDllHolder() = default;
  explicit CDllHolder(const char* fileName) : m_fileName(fileName ? fileName : "") {}
  ~CDllHolder();
  CDllHolder(const CDllHolder&) = delete;
  CDllHolder& operator=(const CDllHolder&) = delete;

  // Frees a held library, takes the new name when given and loads the library.
  // A failure shows " [%s] 打开失败!\n%s" with the name and the platform's
  // error text (at most 99 bytes, cut at a character) and returns null.
  plat::HMODULE Load(const char* fileName = nullptr);
  // The entry point's address, null when missing or nothing is loaded.
  void* GetProc(const char* name) const;
  bool IsLoaded() const { return m_module != nullptr; }
  void Free();
  const std::string& GetFileName() const { return m_fileName; }
  void SetFileName(const std::string& name) { m_fileName = name; }
  plat::HMODULE GetModule() const { return m_module; }

 protected:
  template <class F>
  void Bind(F& slot, const char* name) const {
    slot = reinterpret_cast<F>(GetProc(name));
  }

 private:
  plat::HMODULE m_module = nullptr;
  std::string m_fileName;
};

// The 19 transform entry points of "Flexoril.dll". Each pointer stays null
// while the library is not loaded or lacks the entry point; callers go
// through the Call... members, which do nothing then.
class CTransformDll : public CDllHolder {
 public:
  CTransformDll() { SetFileName(flexoril::kFileName); }

  // Returns the held library when one is held; else loads and binds.
  plat::HMODULE Load();
  // Frees the library and clears every binding.
  void Unload();
  // The number of transforms the library offers (0 when it is not loaded).
  int GetTransformCount() const;

  flexoril::GetTransformInfoFn dllGetTransformInfo = nullptr;
  flexoril::InitTransformSegFn dllInitTransformSeg = nullptr;
  flexoril::DrawTransformFn dllDrawTransform = nullptr;
  flexoril::SetGlobalVarPointerFn dllSetGlobalVarPointer = nullptr;
  flexoril::DoMouseCmdFn dllDoMouseCmd = nullptr;
  flexoril::MoveSegHandleFn dllMoveSegHandle = nullptr;
  flexoril::IsPointInSegHandleFn dllIsPointInSegHandle = nullptr;
  flexoril::TransSegDataFn dllTFTransSegData = nullptr;
  flexoril::DoCommandFn dllDoCommand = nullptr;
  flexoril::KeyDownFn dllTFKeyDown = nullptr;
  flexoril::OnCharFn dllTFOnChar = nullptr;
  flexoril::GetNewGlyphFn dllTFGetNewGlyph = nullptr;
  flexoril::DoTransformFn dllDoTransform = nullptr;
  flexoril::GetOutRectFn dllTFGetOutRect = nullptr;
  flexoril::DeleteTransformFn dllDeleteTransform = nullptr;
  flexoril::CreateDataFn dllTFCreateData = nullptr;
  flexoril::CreateFromDataFn dllTFCreateTransformFromData = nullptr;
  flexoril::MatrixTransformSegFn dllTFMatrixTransformSeg = nullptr;
  flexoril::GetTransformMatrixFn dllTFGetTransformMatrix = nullptr;

  // Safe calls: 0 or nothing while the entry point is unbound.
  std::uint32_t InitTransformSeg(std::uint16_t number, const CFRect& bounds) const;
  void TransSegData(std::uint32_t handle, const CMatrix3* matrix) const;
  void DrawTransform(plat::HDC dc, std::uint32_t handle, const CMatrix3* matrix) const;
  std::uint32_t DoMouseCmd(std::uint32_t handle, std::uint32_t message, std::uint32_t keys, float x,
                           float y) const;
  std::uint32_t KeyDown(std::uint32_t handle, std::uint32_t key, std::uint32_t flags) const;
  std::uint32_t OnChar(std::uint32_t handle, std::uint32_t ch, std::uint32_t flags) const;
  plat::HGLOBAL DoTransform(std::uint32_t handle, const FlexorilRecordBlock* block) const;
  void DeleteTransform(std::uint32_t handle) const;
  // The data's size and its new block (the caller frees it); 0 without.
  std::uint32_t CreateData(std::uint32_t handle, plat::HGLOBAL* out) const;
  std::uint32_t CreateFromData(const void* data) const;
  // False (matrix untouched) while unbound.
  bool GetTransformMatrix(std::uint32_t handle, CMatrix3* out) const;
  void SetGlobalVarPointer(const void* window, const CMatrix3* viewMatrix, const double* scale,
                           const std::uint32_t* tool) const;
};

// The program's one transform binding, loaded at start-up.
CTransformDll& TransformDll();
inline CTransformDll& TheTransformDll() { return TransformDll(); }

// The weld and cut entry points; one binding per command.
class CWeldLib : public CDllHolder {
 public:
  CWeldLib() { SetFileName(flexoril::kFileName); }
  plat::HMODULE Load();

  flexoril::WeldFn dllWeld = nullptr;
  flexoril::WeldFn dllWeldCut = nullptr;
  flexoril::WeldFn dllWeldAnd = nullptr;
  flexoril::WeldFn dllWeldXor = nullptr;
  flexoril::LineCutFn dllLineCut = nullptr;
  flexoril::FigureCutFn dllFigureCut = nullptr;
  flexoril::SelfWeldFn dllSelfWeld = nullptr;
};

// The expand entry points; made by the Expand dialog's OK.
class CExpandLib : public CDllHolder {
 public:
  CExpandLib() { SetFileName(flexoril::kFileName); }
  plat::HMODULE Load();

  flexoril::ExpandFn dllExpand = nullptr;
  flexoril::ExpandFn dllExpandOutLine = nullptr;
};

// The record block of an object for the library: its record written into a
// new block, its bounds, the target. Frees the record block when destroyed.
class CFlexorilBlock {
 public:
  CFlexorilBlock() = default;
  ~CFlexorilBlock();
  CFlexorilBlock(const CFlexorilBlock&) = delete;
  CFlexorilBlock& operator=(const CFlexorilBlock&) = delete;
  // False when the object writes no record.
  bool Write(CGraphObject& object, const CFRect* target = nullptr);
  const FlexorilRecordBlock* Get() const { return &block_; }

 private:
  FlexorilRecordBlock block_;
};

// A new object from a result block handed back by the library, which is
// freed; null for none.
std::unique_ptr<CGraphObject> TakeResultBlock(plat::HGLOBAL block);
