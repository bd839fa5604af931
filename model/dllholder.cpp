#include "model/dllholder.h"

#include <cstdio>
#include <cstring>

#include "model/graphobject.h"
#include "model/records.h"
#include "platform/report.h"

namespace {

// At most `limit` bytes of UTF-8 text, never ending inside a character.
std::string CutAtCharacter(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  text.resize(n);
  return text;
}

static_assert(sizeof(CFRect) == sizeof(FlexRect));
static_assert(sizeof(CMatrix3) == sizeof(FlexMatrix));

FlexRect ToFlex(const CFRect& r) { return {r.left, r.top, r.right, r.bottom}; }
// The program's matrix is laid out as the library's nine floats.
const FlexMatrix* ToFlex(const CMatrix3* m) { return reinterpret_cast<const FlexMatrix*>(m); }

}  // namespace

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
    const std::string error = CutAtCharacter(plat::GetLastErrorText(), 99);
    char text[400];
    std::snprintf(text, sizeof text, " [%s] 打开失败!\n%s", m_fileName.c_str(), error.c_str());
    plat::MessageBox(text, "Tindrel", plat::MB_OK);
  }
  return m_module;
}

void* CDllHolder::GetProc(const char* name) const {
  return m_module ? plat::GetProcAddress(m_module, name) : nullptr;
}

// ---------------------------------------------------------------------------

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

void CTransformDll::Unload() {
  Free();
  dllGetTransformInfo = nullptr;
  dllInitTransformSeg = nullptr;
  dllDrawTransform = nullptr;
  dllSetGlobalVarPointer = nullptr;
  dllDoMouseCmd = nullptr;
  dllMoveSegHandle = nullptr;
  dllIsPointInSegHandle = nullptr;
  dllTFTransSegData = nullptr;
  dllDoCommand = nullptr;
  dllTFKeyDown = nullptr;
  dllTFOnChar = nullptr;
  dllTFGetNewGlyph = nullptr;
  dllDoTransform = nullptr;
  dllTFGetOutRect = nullptr;
  dllDeleteTransform = nullptr;
  dllTFCreateData = nullptr;
  dllTFCreateTransformFromData = nullptr;
  dllTFMatrixTransformSeg = nullptr;
  dllTFGetTransformMatrix = nullptr;
}

int CTransformDll::GetTransformCount() const {
  if (!IsLoaded() || !dllGetTransformInfo) return 0;
  return int(dllGetTransformInfo(0, nullptr, nullptr) & 0xFFFF);
}

std::uint32_t CTransformDll::InitTransformSeg(std::uint16_t number, const CFRect& bounds) const {
  return IsLoaded() && dllInitTransformSeg ? dllInitTransformSeg(number, ToFlex(bounds)) : 0;
}

void CTransformDll::TransSegData(std::uint32_t handle, const CMatrix3* matrix) const {
  if (IsLoaded() && dllTFTransSegData && handle) dllTFTransSegData(handle, ToFlex(matrix));
}

void CTransformDll::DrawTransform(plat::HDC dc, std::uint32_t handle, const CMatrix3* matrix) const {
  if (IsLoaded() && dllDrawTransform && handle) dllDrawTransform(dc, handle, ToFlex(matrix));
}

std::uint32_t CTransformDll::DoMouseCmd(std::uint32_t handle, std::uint32_t message, std::uint32_t keys,
                                        float x, float y) const {
  return IsLoaded() && dllDoMouseCmd && handle ? dllDoMouseCmd(handle, message, keys, x, y) : 0;
}

std::uint32_t CTransformDll::KeyDown(std::uint32_t handle, std::uint32_t key, std::uint32_t flags) const {
  return IsLoaded() && dllTFKeyDown && handle ? dllTFKeyDown(handle, key, 1, flags) : 0;
}

std::uint32_t CTransformDll::OnChar(std::uint32_t handle, std::uint32_t ch, std::uint32_t flags) const {
  return IsLoaded() && dllTFOnChar && handle ? dllTFOnChar(handle, ch, flags) : 0;
}

plat::HGLOBAL CTransformDll::DoTransform(std::uint32_t handle, const FlexorilRecordBlock* block) const {
  return IsLoaded() && dllDoTransform && handle ? dllDoTransform(handle, block) : 0;
}

void CTransformDll::DeleteTransform(std::uint32_t handle) const {
  if (IsLoaded() && dllDeleteTransform && handle) dllDeleteTransform(handle);
}

std::uint32_t CTransformDll::CreateData(std::uint32_t handle, plat::HGLOBAL* out) const {
  if (out) *out = 0;
  if (!IsLoaded() || !dllTFCreateData || !handle || !out) return 0;
  const std::uint32_t size = dllTFCreateData(handle, out);
  if (*out && (size == 0 || plat::GlobalSize(*out) < size)) {
    plat::GlobalFree(*out);
    *out = 0;
    return 0;
  }
  return *out ? size : 0;
}

std::uint32_t CTransformDll::CreateFromData(const void* data) const {
  return IsLoaded() && dllTFCreateTransformFromData && data ? dllTFCreateTransformFromData(data) : 0;
}

bool CTransformDll::GetTransformMatrix(std::uint32_t handle, CMatrix3* out) const {
  if (!IsLoaded() || !dllTFGetTransformMatrix || !handle || !out) return false;
  dllTFGetTransformMatrix(handle, reinterpret_cast<FlexMatrix*>(out));
  return true;
}

void CTransformDll::SetGlobalVarPointer(const void* window, const CMatrix3* viewMatrix, const double* scale,
                                        const std::uint32_t* tool) const {
  if (IsLoaded() && dllSetGlobalVarPointer) dllSetGlobalVarPointer(window, ToFlex(viewMatrix), scale, tool);
}

CTransformDll& TransformDll() {
  static CTransformDll lib;
  return lib;
}

// ---------------------------------------------------------------------------

plat::HMODULE CWeldLib::Load() {
  if (IsLoaded()) return GetModule();
  if (!CDllHolder::Load()) return nullptr;
  Bind(dllWeld, "dllWeld");
  Bind(dllWeldCut, "dllWeldCut");
  Bind(dllWeldAnd, "dllWeldAnd");
  Bind(dllWeldXor, "dllWeldXor");
  Bind(dllLineCut, "dllLineCut");
  Bind(dllFigureCut, "dllFigureCut");
  Bind(dllSelfWeld, "dllSelfWeld");
  return GetModule();
}

plat::HMODULE CExpandLib::Load() {
  if (IsLoaded()) return GetModule();
  if (!CDllHolder::Load()) return nullptr;
  Bind(dllExpand, "dllExpand");
  Bind(dllExpandOutLine, "dllExpandOutLine");
  return GetModule();
}

// ---------------------------------------------------------------------------

CFlexorilBlock::~CFlexorilBlock() {
  if (block_.record) plat::GlobalFree(block_.record);
}

bool CFlexorilBlock::Write(CGraphObject& object, const CFRect* target) {
  if (block_.record) plat::GlobalFree(block_.record);
  block_ = FlexorilRecordBlock{};
  plat::HGLOBAL h = 0;
  const std::uint32_t length = object.WriteRecord(&h);
  if (!h || length == 0) {
    if (h) plat::GlobalFree(h);
    return false;
  }
  block_.length = length;
  block_.bounds = ToFlex(object.bounds);
  block_.target = ToFlex(target ? *target : object.bounds);
  block_.record = h;
  return true;
}

std::unique_ptr<CGraphObject> TakeResultBlock(plat::HGLOBAL block) {
  if (!block) return nullptr;
  std::unique_ptr<CGraphObject> object = CreateObjectFromBlock(block);
  plat::GlobalFree(block);
  return object;
}
