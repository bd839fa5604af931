// The design view of a document: its tools with their cursors, the tool
// switch and what ending a tool does, the document's update hints, the page
// with its shadow and grid, colouring the selection and pasting objects.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/outareatracker.h"
#include "app/viewbase.h"
#include "model/graphobject.h"
#include "model/undo.h"

class CVORLAN98Doc;
class CSelectTracker;
class CTextObject;
class CCutFrame;
class CGroupObject;
class CPathObject;

// Tool ids besides those of model/services.h.
constexpr std::uint32_t ID_TOOL_GRAPHLIB = 40075;
constexpr std::uint32_t ID_TOOL_LINE = 40093;
constexpr std::uint32_t ID_TOOL_POLYGON = 40095;
constexpr std::uint32_t ID_TOOL_RECT = 40096;
constexpr std::uint32_t ID_TOOL_CIRCLE = 40097;
constexpr std::uint32_t ID_TOOL_POLYLINE = 40099;
constexpr std::uint32_t ID_TOOL_BEZIER = 40103;
constexpr std::uint32_t ID_TOOL_RIGHT_POLYGON = 40104;
constexpr std::uint32_t ID_TOOL_TABLE = 40107;
constexpr std::uint32_t ID_TOOL_GET_IMAGE = 40021;
constexpr std::uint32_t ID_TOOL_ZOOM_IN = 40112;
constexpr std::uint32_t ID_TOOL_ZOOM_OUT = 40113;
constexpr std::uint32_t ID_TOOL_SET_OUTAREA = 32792;
constexpr std::uint32_t ID_TOOL_SELECT_OUTAREA = 32794;
constexpr std::uint32_t ID_TOOL_CUTOUT = 32789;
constexpr std::uint32_t ID_CUT_VIEW_IN_FRAME = 57609;
constexpr std::uint32_t ID_TOOL_LINE_CUT = 32834;
constexpr std::uint32_t ID_TOOL_PARALLEL_CUT = 32835;
constexpr std::uint32_t ID_TOOL_RADIATION_CUT = 32836;
constexpr std::uint32_t ID_TOOL_CIRCLE_CUT = 32837;
constexpr std::uint32_t ID_TOOL_MEASURE = 32841;
constexpr std::uint32_t ID_TOOL_CROSS = 40048;
constexpr std::uint32_t ID_ZOOM_NORMAL = 40110;
constexpr std::uint32_t ID_SELECTION_COLOR = 49003;
constexpr std::uint32_t ID_EDIT_DELETE = 57632;      // "Delete(&D)\t[Del]"
constexpr std::uint32_t ID_EDIT_CUT = 57635;         // "Cut(&T)\tCtrl+X"
constexpr std::uint32_t ID_CLEAR_OUTAREA = 32791;    // "Clear Outable Area"
constexpr std::uint32_t ID_FILL_MODE = 40032;        // "Fill Mode(&F)"
constexpr std::uint32_t ID_OUTLINE_MODE = 32827;     // "Outline Mode(&C)"
constexpr std::uint32_t ID_TOGGLE_PALETTE = 32772;   // "Show/Hide Palette"

// Node editing and its sub-tools: switching among them keeps node editing.
bool IsNodeTool(std::uint32_t tool);
// The class cursor of a tool (system cursor id or cursor resource); 0 for an
// id without one.
std::uint32_t ToolCursor(std::uint32_t tool);

class CVORLAN98View : public CVORLANView, public CDesignViewServices {
  FW_DECLARE_DYNCREATE(CVORLAN98View)
  FW_DECLARE_COMMAND_MAP()

 public:
  CVORLAN98View();
  ~CVORLAN98View() override;

  CVORLAN98Doc* GetDoc() const;

  // --- Window.
  fw::BOOL Create(const std::string& className, const std::string& title, fw::DWORD style, const fw::RECT& rect,
                  fw::CWnd* parent, fw::UINT id, void* param = nullptr) override;
  void OnDraw(plat::HDC dc) override;
  void OnInitialUpdate() override;
  void OnUpdate(fw::CView* sender, fw::LPARAM hint, fw::CObject* hintObject) override;
  void OnSize(fw::UINT type, int cx, int cy) override;
  fw::BOOL OnCommand(fw::WPARAM wp, fw::LPARAM lp) override;
  // An activated design window brings the main window's bars back.
  void OnActivateView(fw::BOOL activate, fw::CView* activateView, fw::CView* deactiveView) override;

  CGraphObject* GetObjectAt(int index) const;

  // --- Tools.
  void SetTool(std::uint32_t tool) override;
  // Ends the current tool before a switch to `newTool`; 0 refuses the switch.
  int FinishTool(std::uint32_t newTool);
  void FinishTool() override { FinishTool(m_currentTool); }
  void SetToolCursor(std::uint32_t tool) override;

  // Colours the selected characters of the edited text, or every selected
  // object (packed RGB).
  void SetSelectionColor(std::uint32_t color);
  // Objects of the clipboard's object-list block into the document, moved by
  // the offset when one is given.
  void PasteObjects(const CFPoint* offset);
  // The page, its shadow and its grid, through the view matrix.
  void PaintPage(plat::DC* dc);
  // What Zoom Normal shows: from 10 mm left of and above the page to far enough
  // right of and below it that its edge and shadow show too.
  CFRect PageViewRect() const;
  // Zoom Normal: the zoom for PageViewRect, kept as the fitted page that the
  // window's resizes follow.
  void ZoomNormal();

  // --- State.
  CGraphObject* GetPendingObject() const { return m_pending.get(); }
  void SetPendingObject(std::unique_ptr<CGraphObject> object);
  std::unique_ptr<CGraphObject> TakePendingObject() { return std::move(m_pending); }
  CGraphObject* GetHoverObject() const { return m_hover; }
  void SetHoverObject(CGraphObject* object) { m_hover = object; }
  std::uint32_t GetInputCharset() const { return m_inputCharset; }
  void SetInputCharset(std::uint32_t charset) { m_inputCharset = charset; }
  void SetLanguageId(std::uint8_t id) { m_languageId = id; }
  // Replaces the selection tracker (the view owns it).
  void SetSelectTracker(std::unique_ptr<CTrackerServices> tracker);

  // --- CViewServices.
  int GetUndoRecordDepth() const override { return m_undo.GetRecordDepth(); }
  CSegArray* GetObjectList() override;
  CDesignViewServices* GetDesignView() override { return this; }
  CDocumentServices* GetDocument() override;
  CGraphObject* GetEditObject() const override { return m_edit; }
  void SetEditObject(CGraphObject* object) override { m_edit = object; }
  void DrawDragFeedback(plat::DC* dc) override;

  // --- CDesignViewServices.
  CUndoList* GetUndoList() override { return &m_undo; }
  CTrackerServices* GetSelectTracker() override { return m_tracker.get(); }
  int GetSelectedCount() const override;
  CGraphObject* GetSelectedObject() const override;
  // The program's double-byte language unless one was set for the view.
  std::uint8_t GetLanguageId() const override;
  int GetTextAttributes(char* buffer, CTextAttr* out, int size) override;
  int SetTextAttributes(CTextAttr* in, std::uint32_t mask) override;
  void PasteObjectBlock(const std::uint8_t* block, std::size_t size, const CFPoint* offset) override;

  // --- Commands.
  void OnToolCommand(fw::UINT id);
  void OnToolSelect();
  void OnToolText();
  void OnToolNode();
  void OnUpdateTool(fw::CCmdUI* ui);
  void OnFileImport();
  // "Font Setting" and "Baseline Setting", modal.
  void OnFontSet();
  void OnBaseLineSet();
  // Output areas: Cut Out (the area tool), Clear Outable Area, and the fill
  // switch of the areas or of the selected objects.
  void OnCutOutMode();
  void OnClearOutArea();
  void OnFillMode();
  void OnOutlineMode();
  // Cutout (32789): the cut window over this design, the main window hidden.
  CCutFrame* OpenCutWindow();
  void OnCutout();
  // 57609: the cut view in place of the main frame's panes.
  void OnCutViewInFrame();

  // --- Page family: the selection moved against the page (40115,
  // 32872-32877), Shift as the keyboard holds it; one undo step.
  void AlignSelectionToPage(fw::UINT id);

  // --- Mouse and tools.
  void OnLButtonDown(fw::UINT flags, fw::POINT pt) override;
  void OnMouseMove(fw::UINT flags, fw::POINT pt) override;
  void OnLButtonUp(fw::UINT flags, fw::POINT pt) override;
  void TextToolButtonDown(std::uint32_t flags, CFPoint p);
  void TextToolMouseMove(std::uint32_t flags, CFPoint p);
  void TextToolButtonUp(std::uint32_t flags, CFPoint p);
  void AddLineFromDrag();
  void AddRectangleFromDrag();
  void AddEllipseFromDrag();
  void AddPolylineVertex();
  // The first object from index 0 whose bounds hold the point (edges
  // included), of the kind unless 0; the index is -1 without one.
  CGraphObject* FindObjectAt(float x, float y, std::uint8_t kind, int* index) const;
  // The character of the first text object under the point (mode 0
  // unselected, 1 selected, 2 any).
  bool FindTextCharAt(float x, float y, int* objectIndex, int* charIndex, int mode) const;
  // Nodes of the pending multi-click path, page points.
  std::vector<CFPoint> PendingNodes() const;
  CSelectTracker* Tracker() const;
  // Null puts the view's own output-area tracker back.
  void SetOutAreaHook(COutAreaHook* hook) { m_areaHook = hook ? hook : &m_areaTracker; }
  COutAreaTracker& AreaTracker() { return m_areaTracker; }

  // --- Node commands and mouse shortcuts: the right button switches tools,
  // a double click enters node editing, keys go to the edited object and the
  // selection tracker.
  void OnRButtonDown(fw::UINT flags, fw::POINT pt) override;
  void OnRButtonUp(fw::UINT flags, fw::POINT pt) override;
  void OnLButtonDblClk(fw::UINT flags, fw::POINT pt) override;
  void OnKeyDown(fw::UINT key, fw::UINT repeat, fw::UINT flags) override;
  // The tool becomes current with its cursor, without ending the old one.
  void ArmTool(std::uint32_t tool);

  // --- Painting and input.
  void OnPaint() override;
  // Background and page, objects (index 0 on top), edit or selection marks.
  void PaintDesign(plat::DC* dc, const fw::RECT& invalid);
  void OnChar(fw::UINT ch, fw::UINT repeat, fw::UINT flags) override;
  fw::LRESULT WindowProc(fw::UINT msg, fw::WPARAM wp, fw::LPARAM lp) override;
  void OnTimer(fw::UINT id) override;
  void OnEditDelete();
  void OnUpdateEditDelete(fw::CCmdUI* ui);
  void OnTogglePalette();
  void OnUpdateTogglePalette(fw::CCmdUI* ui);
  void OnNothing();

  // --- Weld and cut (viewcmd_weld.cpp). Ops are the command ids 32830 weld,
  // 32831 cut, 32832 and, 32833 xor.
  void WeldObjects(std::uint32_t op);
  // One library call on the path forms of a and b; the new object or null.
  std::unique_ptr<CGraphObject> WeldPair(std::uint32_t op, CGraphObject* a, CGraphObject* b);
  // Cuts the tracker's current object along the drag line.
  void LineCutObject(std::uint32_t flags, float x, float y);
  // Cuts every selected object along the first selected guide line.
  void ReferenceLineCut();
  // A new group of the pieces of the selected outlines inside the closed
  // contours of the pattern path; null for none.
  std::unique_ptr<CGroupObject> IntersectPatternWithSelection(CGraphObject* pattern);
  // The special cuts' pattern at the origin (x, y), from the tool's stored settings and
  // the bounds of the tracker's current object; pass 1 is the complement of pass 0.
  // Null for another tool or without a current object.
  std::unique_ptr<CPathObject> MakeCutPattern(std::uint32_t tool, float x, float y, int pass);
  // Both passes of a special cut in one undo step: each pattern made is intersected
  // with the selection (the sources go once a piece came) or, with noCut, added.
  void CutByPatterns(const std::function<std::unique_ptr<CPathObject>(int pass)>& pattern, bool noCut);
  // The click of a special-cut tool: its patterns at (x, y) by the section's "NoCut",
  // then the tool goes back to Select.
  void CutPatternAt(std::uint32_t tool, float x, float y);

 protected:
  void DrawObjectBand(plat::DC* dc, std::uint16_t kind) override;

 private:
  CUndoList m_undo;
  std::uint32_t m_inputCharset = 0;
  std::unique_ptr<CTrackerServices> m_tracker;
  CGraphObject* m_edit = nullptr;
  CGraphObject* m_hover = nullptr;
  std::unique_ptr<CGraphObject> m_pending;
  std::uint8_t m_languageId = 0;
  COutAreaTracker m_areaTracker;
  COutAreaHook* m_areaHook = &m_areaTracker;
  fw::HWND m_libWindow = 0;  // the window handle the transform library keeps

  // The transform library lets go of this view's members (when it holds them).
  void ReleaseLibPointers();

  void AppendObject(CGraphObject* object);
  // The fill bit of the edited text or of every selected object.
  void SetObjectFill(std::uint16_t bits);
  void PasteObjectList(CSegArray& list, const CFPoint* offset);
  void ZoomAt(std::uint32_t tool, std::uint32_t flags);
  bool EndTextEditing();
  void RemoveEmptyObject(CGraphObject* object);
  // The selected characters of the edited text go (or, with Ctrl, are
  // copied) to the drop point, in one undo step.
  void DropDraggedText(std::uint32_t flags, CFPoint p);
  void EndTextDrag();
  // XOR: a second call erases the marks.
  void DrawTextSelection(CTextObject* text);
};
