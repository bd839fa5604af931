// The cut window's view: the arranged copies of the design's objects that are
// cut, the paper window over them with its draggable edges, and a selection
// tracker of its own over its own list.
#pragma once
#include <cstdint>
#include <memory>

#include "app/selecttracker.h"
#include "app/viewbase.h"
#include "model/segarray.h"
#include "output/cutwindow.h"

class CCutInfo;
class CCutterDriver;
class CVORLAN98Doc;

class CCUTView : public CVORLANView, public CCutArrangementHost {
  FW_DECLARE_DYNCREATE(CCUTView)
  FW_DECLARE_COMMAND_MAP()

 public:
  CCUTView();
  ~CCUTView() override;

  // The design it cuts (from the creation context), else the main window's
  // active document.
  CVORLAN98Doc* GetDesign() const;
  // The cut frame it lies in; null inside the main frame.
  CCutFrame* GetCutFrame() const;
  CCutInfo& Info() const;
  CSelectTracker& Tracker() { return m_tracker; }
  const CFRect& GetArrangement() const { return m_arrangement; }
  // Keeps the preview state of the main frame it stands in (57609), and puts a bar
  // with "Close" on top of it.
  void SetPreviewState(std::unique_ptr<fw::CPrintPreviewState> state);
  // Standing in the main frame: "Close" or Escape gives the design back.
  void OnPreviewClose();
  void OnKeyDown(fw::UINT ch, fw::UINT repeat, fw::UINT flags) override;

  // CVORLANView / CViewServices: the view's own list.
  CSegArray* GetObjectList() override { return &m_objects; }
  CDocumentServices* GetObjectListServices() override { return m_list.get(); }
  // CCutArrangementHost.
  CSegArray* GetCutObjects() override { return &m_objects; }
  CFRect& GetArrangementRect() override { return m_arrangement; }
  void ArrangementChanged() override { OnRedraw(); }

  // Empties the list and builds it again from the design.
  void Rebuild();
  // 40031: zoom to the arranged objects and the paper window, redraw.
  void OnRedraw();
  // 32795: clear the selection, rebuild, redraw.
  void OnRebuild();

  fw::BOOL PreCreateWindow(fw::CREATESTRUCT& cs) override;
  int OnCreate(fw::CREATESTRUCT* cs) override;
  void OnDestroy() override;
  void OnInitialUpdate() override;
  // Changes of the design reach the cut window only through a rebuild.
  void OnUpdate(fw::CView*, fw::LPARAM, fw::CObject*) override {}
  void OnSize(fw::UINT type, int cx, int cy) override;
  void OnPaint() override;
  void OnLButtonDown(fw::UINT flags, fw::POINT pt) override;
  void OnMouseMove(fw::UINT flags, fw::POINT pt) override;
  void OnLButtonUp(fw::UINT flags, fw::POINT pt) override;

  // The paper edge within the tolerance of a page point: its tool
  // (32796-32799), or 0; -1 outside the grown paper window.
  int EdgeAt(CFPoint p) const;

 private:
  void Paint(plat::DC* dc);
  void ShowPaperSize(std::uint32_t tool, CFPoint p);
  CFRect FitRect();

  CSegArray m_objects;
  CFRect m_arrangement;
  CMatrix3 m_matrix;
  CSelectTracker m_tracker;
  std::unique_ptr<CDocumentServices> m_list;
  CVORLAN98Doc* m_design = nullptr;
  CFPoint m_edgeStart;
  std::unique_ptr<fw::CPrintPreviewState> m_preview;
  std::unique_ptr<fw::CDialogBar> m_previewBar;
};
