#include "model/services.h"

#include "model/graphobject.h"
#include "model/pathobject.h"

namespace {

CAppServices* g_app = nullptr;
SharedDrawingTools g_tools;
ClipboardFormatIds g_formats;

void DeletePen(plat::HPEN& pen) {
  if (pen) plat::DeleteObject(pen);
  pen = nullptr;
}

void DeleteBrush(plat::HBRUSH& brush) {
  if (brush) plat::DeleteObject(brush);
  brush = nullptr;
}

}  // namespace

CAppServices* SetAppServices(CAppServices* services) {
  CAppServices* prev = g_app;
  g_app = services;
  return prev;
}

CAppServices* GetAppServices() { return g_app; }

CViewServices* GetActiveView() { return g_app ? g_app->GetActiveView() : nullptr; }

CMainFrameServices* GetMainFrame() { return g_app ? g_app->GetMainFrame() : nullptr; }

CUndoList* RecordingUndoList(CViewServices* view) {
  if (!view || view->GetUndoRecordDepth() == 0) return nullptr;
  CDesignViewServices* dv = view->GetDesignView();
  return dv ? dv->GetUndoList() : nullptr;
}

SharedDrawingTools& SharedTools() { return g_tools; }

void CreateSharedDrawingTools() {
  using plat::RGB;
  SharedDrawingTools& t = g_tools;
  if (!t.xorPen) t.xorPen = plat::CreatePen(plat::PS_SOLID, 1, RGB(255, 0, 0));
  if (!t.bluePen) t.bluePen = plat::CreatePen(plat::PS_SOLID, 1, RGB(0, 0, 255));
  if (!t.dottedBluePen) t.dottedBluePen = plat::CreatePen(plat::PS_DOT, 1, RGB(0, 0, 255));
  if (!t.greenPen) t.greenPen = plat::CreatePen(plat::PS_SOLID, 1, RGB(0, 255, 0));
  if (!t.xorBrush) t.xorBrush = plat::CreateSolidBrush(RGB(255, 0, 0));
  if (!t.nodePen) t.nodePen = plat::CreatePen(plat::PS_SOLID, 1, RGB(0, 0, 255));
  if (!t.nodeBrush) t.nodeBrush = plat::CreateSolidBrush(RGB(0, 0, 255));
  if (!t.handlePen) t.handlePen = plat::CreatePen(plat::PS_SOLID, 1, RGB(0, 0, 0));
  if (!t.hitMarkPen) t.hitMarkPen = plat::CreatePen(plat::PS_SOLID, 1, RGB(255, 0, 0));
}

void DeleteSharedDrawingTools() {
  SharedDrawingTools& t = g_tools;
  DeletePen(t.xorPen);
  DeletePen(t.bluePen);
  DeletePen(t.dottedBluePen);
  DeletePen(t.greenPen);
  DeleteBrush(t.xorBrush);
  DeletePen(t.nodePen);
  DeleteBrush(t.nodeBrush);
  DeletePen(t.handlePen);
  DeletePen(t.hitMarkPen);
}

ClipboardFormatIds& RegisteredClipboardFormats() { return g_formats; }

std::vector<std::uint16_t> TextToCharCodes(const char* text) {
  std::vector<std::uint16_t> codes;
  if (!text) return codes;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    const unsigned char c = *p++;
    if (c >= 0x81 && c <= 0xFE) {
      if (*p == 0) break;  // a lead byte without its trail byte
      codes.push_back(static_cast<std::uint16_t>((c << 8) | *p++));
    } else if (c >= 32 || c == 13) {
      codes.push_back(c);
    }
  }
  return codes;
}

namespace {
CTraceServices* g_traceServices = nullptr;
}

CTraceServices* SetTraceServices(CTraceServices* services) {
  CTraceServices* old = g_traceServices;
  g_traceServices = services;
  return old;
}

CTraceServices* GetTraceServices() { return g_traceServices; }

std::unique_ptr<CPathObject> TraceBitmap(plat::HBITMAP bitmap, int option) {
  return g_traceServices && bitmap ? g_traceServices->TraceBitmap(bitmap, option) : nullptr;
}

std::unique_ptr<CGraphObject> CTraceServices::VectorizeBitmap(plat::HBITMAP, bool, std::uint32_t) {
  return nullptr;
}

std::unique_ptr<CGraphObject> VectorizeBitmap(plat::HBITMAP bitmap, bool useVector, std::uint32_t callerValue) {
  if (!g_traceServices || !bitmap) return nullptr;
  return g_traceServices->VectorizeBitmap(bitmap, useVector, callerValue);
}
