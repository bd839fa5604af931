// Outside libraries bound by name: the holder of one loaded library and the
// bindings of the shape-operation library's transform entry points.
#pragma once
#include <cstdint>
#include <string>

#include "model/geometry.h"
#include "platform/dc.h"
#include "platform/gmem.h"
#include "platform/library.h"

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
  // error text and returns null.
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

// What the program hands the shape library for one object.
#pragma pack(push, 1)
struct FlexorilRecordBlock {
  std::uint32_t length = 0;  // of the record
  CFRect bounds;
  CFRect target;
  plat::HGLOBAL record = 0;
};
#pragma pack(pop)

// The 19 transform entry points of "Flexoril.dll".
class CTransformDll : public CDllHolder {
 public:
  using GetTransformInfoFn = std::uint32_t (*)(std::uint32_t index, char* name40, plat::HBITMAP* bitmap);
  using InitTransformSegFn = std::uint32_t (*)(std::uint16_t number, CFRect bounds);
  using DrawTransformFn = void (*)(plat::HDC dc, std::uint32_t handle, const CMatrix3* matrix);
  using SetGlobalVarPointerFn = void (*)(void* window, CMatrix3* viewMatrix, double* scale, std::uint32_t* tool);
  using DoMouseCmdFn = std::uint32_t (*)(std::uint32_t handle, std::uint32_t message, std::uint32_t keys, float x,
                                         float y);
  using UnusedFn = std::uint32_t (*)();
  using TransSegDataFn = void (*)(std::uint32_t handle, const CMatrix3* matrix);
  using KeyDownFn = std::uint32_t (*)(std::uint32_t handle, std::uint32_t key, std::uint32_t repeat,
                                      std::uint32_t flags);
  using OnCharFn = std::uint32_t (*)(std::uint32_t handle, std::uint32_t ch, std::uint32_t flags);
  using DoTransformFn = std::uint32_t (*)(std::uint16_t number, FlexorilRecordBlock* block);
  using DeleteTransformFn = void (*)(std::uint32_t handle);
  using CreateDataFn = std::uint32_t (*)(std::uint32_t handle, plat::HGLOBAL* out);
  using CreateFromDataFn = std::uint32_t (*)(const void* data);
  using GetTransformMatrixFn = void (*)(std::uint32_t handle, CMatrix3* out);

  CTransformDll() { SetFileName("Flexoril.dll"); }

  // Returns the held library when one is held; else loads and binds.
  plat::HMODULE Load();
  // The number of transforms the library offers (0 when it is not loaded).
  int GetTransformCount() const;

  GetTransformInfoFn dllGetTransformInfo = nullptr;
  InitTransformSegFn dllInitTransformSeg = nullptr;
  DrawTransformFn dllDrawTransform = nullptr;
  SetGlobalVarPointerFn dllSetGlobalVarPointer = nullptr;
  DoMouseCmdFn dllDoMouseCmd = nullptr;
  UnusedFn dllMoveSegHandle = nullptr;
  UnusedFn dllIsPointInSegHandle = nullptr;
  TransSegDataFn dllTFTransSegData = nullptr;
  UnusedFn dllDoCommand = nullptr;
  KeyDownFn dllTFKeyDown = nullptr;
  OnCharFn dllTFOnChar = nullptr;
  UnusedFn dllTFGetNewGlyph = nullptr;
  DoTransformFn dllDoTransform = nullptr;
  UnusedFn dllTFGetOutRect = nullptr;
  DeleteTransformFn dllDeleteTransform = nullptr;
  CreateDataFn dllTFCreateData = nullptr;
  CreateFromDataFn dllTFCreateTransformFromData = nullptr;
  UnusedFn dllTFMatrixTransformSeg = nullptr;
  GetTransformMatrixFn dllTFGetTransformMatrix = nullptr;
};

// The program's one transform binding, loaded at start-up.
CTransformDll& TheTransformDll();
