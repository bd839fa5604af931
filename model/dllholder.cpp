#include "model/dllholder.h"

#include <cstdio>

#include "platform/report.h"

CDllHolder::~CDllHolder() { Free(); }

void CDllHolder::Free() {
  if (m_module && !plat::FreeLibrary(m_module)) plat::MessageBeep();
  m_module = nullptr;
}

plat::HMODULE CDllHolder::Load(const char* fileName) {
  Free();
  if (fileName) m_fileName = fileName;
  m_module = plat::LoadLibrary(m_fileName);
  if (!m_module) {
    std::string error = plat::GetLastErrorText();
    if (error.size() > 99) error.resize(99);
    char text[400];
    std::snprintf(text, sizeof text, " [%s] 打开失败!\n%s", m_fileName.c_str(), error.c_str());
    plat::MessageBox(text, "Tindrel", plat::MB_OK);
  }
  return m_module;
}

void* CDllHolder::GetProc(const char* name) const {
  return m_module ? plat::GetProcAddress(m_module, name) : nullptr;
}

plat::HMODULE CTransformDll::Load() {
  if (IsLoaded()) return GetModule();
  if (!CDllHolder::Load()) return nullptr;
  Bind(dllGetTransformInfo, "dllGetTransformInfo");
  Bind(dllInitTransformSeg, "dllInitTransformSeg");
  Bind(dllDrawTransform, "dllDrawTransform");
  Bind(dllSetGlobalVarPointer, "dllSetGlobalVarPointer");
  Bind(dllDoMouseCmd, "dllDoMouseCmd");
  Bind(dllMoveSegHandle, "dllMoveSegHandle");
  Bind(dllIsPointInSegHandle, "dllIsPointInSegHandle");
  Bind(dllTFTransSegData, "dllTFTransSegData");
  Bind(dllDoCommand, "dllDoCommand");
  Bind(dllTFKeyDown, "dllTFKeyDown");
  Bind(dllTFOnChar, "dllTFOnChar");
  Bind(dllTFGetNewGlyph, "dllTFGetNewGlyph");
  Bind(dllDoTransform, "dllDoTransform");
  Bind(dllTFGetOutRect, "dllTFGetOutRect");
  Bind(dllDeleteTransform, "dllDeleteTransform");
  Bind(dllTFCreateData, "dllTFCreateData");
  Bind(dllTFCreateTransformFromData, "dllTFCreateTransformFromData");
  Bind(dllTFMatrixTransformSeg, "dllTFMatrixTransformSeg");
  Bind(dllTFGetTransformMatrix, "dllTFGetTransformMatrix");
  return GetModule();
}

int CTransformDll::GetTransformCount() const {
  if (!IsLoaded() || !dllGetTransformInfo) return 0;
  return int(dllGetTransformInfo(0, nullptr, nullptr) & 0xFFFF);
}

CTransformDll& TheTransformDll() {
  static CTransformDll lib;
  return lib;
}
