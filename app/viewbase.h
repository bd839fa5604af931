// The common base of the design view and the cut view: the mapping between
// device pixels and page millimetres through the rulers, the current tool,
// scrolling, zooming with the right button, and the XOR drag shapes.
#pragma once
#include <cstdint>
#include <functional>

#include "framework/docview.h"
#include "model/geometry.h"
#include "model/services.h"

class CSegArray;
class CViewRulers;

constexpr std::uint32_t ID_VIEW_GRID = 32815;  // "Grid\t[ScrollLock]"

// Drag kinds: the low nibble picks the pen, the rest the shape.
constexpr std::uint16_t DRAG_LINE = 0x10;
constexpr std::uint16_t DRAG_RECT = 0x20;
constexpr std::uint16_t DRAG_ELLIPSE = 0x30;
constexpr std::uint16_t DRAG_EDIT_OBJECT = 0x40;
constexpr std::uint16_t DRAG_ROUND_RECT = 0x60;
constexpr std::uint16_t DRAG_QUAD = 0xA0;
constexpr std::uint16_t DRAG_PENDING_OBJECT = 0xB0;
constexpr std::uint16_t DRAG_PEN_DOTTED_BLUE = 0;
constexpr std::uint16_t DRAG_PEN_BLACK = 1;
constexpr std::uint16_t DRAG_PEN_RED = 2;
constexpr std::uint16_t DRAG_PEN_BLUE = 3;

// The pen of a drag kind (shared pens; not to be deleted).
plat::HPEN DragPen(std::uint16_t kind);
// Draws a line, rectangle, ellipse or rounded rectangle drag shape between two
// page points through the matrix (truncated coordinates without one), with
// R2_NOTXORPEN and the hollow brush. `ref` is the reference point of the
// rounded corners. False for a kind that is none of these shapes.
bool DrawDragShape(plat::DC* dc, std::uint16_t kind, const CMatrix3* matrix, CFPoint a, CFPoint b,
                   const CFPoint* ref = nullptr);

class CVORLANView : public fw::CView, public virtual CViewServices {
  FW_DECLARE_DYNAMIC(CVORLANView)
  FW_DECLARE_COMMAND_MAP()

 public:
  CVORLANView();
  ~CVORLANView() override;

  // --- Added operations, in slot order.
  int GetUndoRecordDepth() const override { return 0; }
  // The view's object list: none here.
  virtual CSegArray* GetObjectList() { return nullptr; }
  // Erases or draws (XOR) the feedback of the drag in progress; a null DC
  // takes the view's own.
  virtual void DrawDragFeedback(plat::DC* dc);
  // Draws the view's own drag shape into the view's window.
  virtual void DrawCurrentDragShape();

  // --- Mapping.
  double GetScale() const;
  std::uint32_t GetCurrentTool() const override { return m_currentTool; }
  void SetCurrentTool(std::uint32_t tool) { m_currentTool = tool; }
  const CMatrix3* GetViewMatrix() const override;
  CFPoint DeviceToPage(int x, int y) const;
  CFRect DeviceRectToPage(int left, int top, int right, int bottom) const;
  plat::POINT PageToDevice(CFPoint page) const;
  // Page size and the zoom that shows the page rectangle; scroll ranges
  // -2n .. 3n with n the larger side.
  void SetPageSize(float left, float top, float width, float height);
  void SetPageRect(float left, float top, float width, float height) { SetPageSize(left, top, width, height); }
  // True while the view still shows the page as the last SetPageSize or
  // KeepAsFitted fitted it (no zoom or scroll since).
  bool ShowsFittedPage() const;
  // The zoom and origin shown now count as the fitted page.
  void KeepAsFitted();
  float GetPageWidth() const { return m_pageWidth; }
  float GetPageHeight() const { return m_pageHeight; }
  // The rulers' zoom for the rectangle, kept as the view's zoom.
  double ZoomToRect(const CFRect& rect);
  CViewRulers* GetRulers() const { return m_rulers; }
  std::uint16_t GetDragKind() const { return m_dragKind; }
  const CFRect& GetDragRect() const { return m_drag; }
  std::uint16_t GetBarMask() const { return m_barMask; }
  void SetBarMask(std::uint16_t mask) { m_barMask = mask; }

  // --- CViewServices.
  double GetUnitsPerPixel() const override { return GetScale(); }
  CDesignViewServices* GetDesignView() override { return nullptr; }
  CDocumentServices* GetDocument() override { return nullptr; }
  CGraphObject* GetEditObject() const override { return nullptr; }
  void SetEditObject(CGraphObject*) override {}
  plat::DC* GetDC() override;
  void ReleaseDC(plat::DC* dc) override;
  void SetClassCursor(std::uint32_t cursor) override;
  void SetCursor(std::uint32_t cursor) override;
  using fw::CView::InvalidateRect;
  using fw::CView::GetClientRect;
  plat::RECT GetClientRect() const override;
  void InvalidateRect(const plat::RECT& rect, bool erase) override;
  // Draws the shared drag state's band.
  void DrawRubberBand(plat::DC* dc) override;
  void SetTimer(std::uint32_t id, std::uint32_t milliseconds) override;
  void KillTimer(std::uint32_t id) override;
  bool IsKeyDown(int virtualKey) const override;
  // Guides, page edges and grid: the rulers' snapping.
  bool SnapRect(CFRect& rect, float tolerance) override;
  void CaptureMouse() override;
  void ReleaseMouse() override;
  void UpdateNow() override;
  void PostCommand(std::uint32_t id) override;
  void SendCommand(std::uint32_t id) override;
  void TakeFocus() override;
  void PostChar(std::uint32_t ch) override;
  void PlaceCaret(const plat::RECT* rect) override;
  void SetStatusText(const std::string& text) override;
  void RepaintView(bool erase) override;

  // --- Messages.
  fw::BOOL PreCreateWindow(fw::CREATESTRUCT& cs) override;
  void OnRButtonDown(fw::UINT flags, fw::POINT pt) override;
  void OnRButtonUp(fw::UINT flags, fw::POINT pt) override;
  void OnMouseMove(fw::UINT flags, fw::POINT pt) override;
  void OnHScroll(fw::UINT code, fw::UINT pos, fw::CWnd* bar) override;
  void OnVScroll(fw::UINT code, fw::UINT pos, fw::CWnd* bar) override;
  void OnUpdateGrid(fw::CCmdUI* ui);

  // Repaints the view and both ruler bars.
  void RepaintAll();

 protected:
  // Draws the shared drag state's kinds that only the design view knows
  // (the edited or pending object); nothing here.
  virtual void DrawObjectBand(plat::DC*, std::uint16_t) {}
  // One scroll step along an axis; false when dropped (too soon or no step).
  bool Scroll(int bar, fw::UINT code);
  // WM_PAINT through a back buffer kept at client size: draw(dc, invalid) paints the
  // buffer, then the invalid area goes to the window.
  void PaintBuffered(const std::function<void(plat::DC*, const fw::RECT&)>& draw);

  CViewRulers* m_rulers = nullptr;
  double* m_zoom = nullptr;
  const CMatrix3* m_viewMatrix = nullptr;
  CFRect m_drag;  // x0, y0 = start, x1, y1 = current (page)
  std::uint32_t m_currentTool = 0;
  std::uint16_t m_dragKind = 0;
  float m_pageWidth = 400.0f;
  float m_pageHeight = 900.0f;
  std::uint16_t m_barMask = 0;
  // The zoom and origin of the last fit.
  bool m_fitted = false;
  double m_fitZoom = 0.0;
  CFPoint m_fitOrigin{};

 private:
  plat::HBITMAP m_backBuffer = nullptr;
  fw::SIZE m_backSize{0, 0};
  fw::DWORD m_lastStep[2] = {0, 0};
  bool m_stepped[2] = {false, false};
};
