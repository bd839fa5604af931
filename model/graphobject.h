// The drawing-object base class: the fields every object shares, its virtual
// operations in slot order, and the base behaviour (tool and edit-mode
// dispatch, hover, the Select-tool handle drag, the node drag, XOR outlines,
// hit test, scale to a rectangle, flag change with undo, copy through a
// record and the property-panel plumbing).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "model/services.h"
#include "platform/dc.h"
#include "platform/gmem.h"

class CBoxArray;
class CPathPointList;
class CLanguage;
struct PrintSettings;

// Flag bit: the object is drawn filled.
constexpr std::uint16_t OBJF_FILLED = 0x100;

// Dialog id of the panel of objects without attributes of their own.
constexpr std::uint32_t IDD_NO_PROPERTIES = 264;

// Puts panel `id` into the property window: its first child is kept when it is
// that panel, else replaced by `create(window)`; the window is then fitted above
// its bottom edge to the panel plus a caption of `caption` pixels, or to a bare
// caption `bareWidth` wide for the panel-less id.
void FitPropertyPanel(CWindowServices* window, std::uint32_t id,
                      CWindowServices* (*create)(void* owner, CWindowServices* window), void* owner, int caption,
                      int bareWidth);

// Drag kinds of the rubber band of the shared drag state.
constexpr std::uint16_t DRAG_BEZIER_MIN = 160;  // 160-163: Bezier handles
constexpr std::uint16_t DRAG_BAND_RECT = 544;   // rectangle start-last

// One record for all objects and views: only one pointer drag runs at a
// time. The views' drag state lives here too: start and last are the drag
// rectangle's start and current points, dragKind the band's shape and pen.
struct ObjectDragState {
  CFPoint start;            // page point of the press
  CFPoint last;             // last page point handled
  CFPoint refPoint;         // reference point of the views' tools
  std::uint16_t multiClickOpen = 0;  // a multi-click tool placed a vertex and waits for more
  std::uint32_t pointIndex = 0;  // drag point following the pointer (kinds 160-162)
  std::uint32_t moved = 0;  // set once the pointer left the start by more than the threshold
  std::uint16_t dragKind = 0;
  CFPoint dragPoints[4];    // control points of the Bezier feedback
};
ObjectDragState& ObjectDrag();

// Drag threshold of a view: 3 pixels in page units.
double DragThreshold(const CViewServices* view);

class CGraphObject {
 public:
  CGraphObject();
  CGraphObject(const CGraphObject&) = delete;
  CGraphObject& operator=(const CGraphObject&) = delete;

  // --- The framework object's three slots.
  virtual const void* GetRuntimeClass() const;
  virtual ~CGraphObject();
  virtual void Serialize(void* archive);

  // --- Own operations, in slot order.
  virtual void ReplaceFont(std::uint16_t oldSource, int oldIndex, std::uint16_t newSource,
                           int newIndex);
  virtual void ListUsedFonts(const CLanguage* fontTable, CListBoxServices* list);
  virtual void RecalcBounds();
  virtual int IsEmpty();
  virtual void ScaleToRect(float left, float top, float right, float bottom);
  virtual void SetFlags(CViewServices* view, std::uint16_t bits, std::uint16_t mask);
  virtual void Draw(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible);
  virtual void Print(plat::DC* dc, const CMatrix3* matrix, const PrintSettings* settings);
  virtual int CanNodeEdit();
  virtual int CanTextEdit();
  virtual int CanEdit(std::uint32_t tool);
  virtual int BeginEdit(std::uint32_t tool, CViewServices* view);
  virtual void OnNodeEditBegun(CViewServices* view);
  virtual int BeginNodeEdit(CViewServices* view);
  virtual int BeginTextEdit(CViewServices* view);
  virtual int DoCommand(CViewServices* view, std::uint32_t command);
  virtual int IsCommandEnabled(CViewServices* view, std::uint32_t command);
  virtual void DeleteInEdit(CViewServices* view);
  virtual void BackspaceInEdit(CViewServices* view);
  virtual void DeleteAtCaretInText(CViewServices* view);
  virtual void DeleteBeforeCaretInText(CViewServices* view);
  virtual void DeleteSelectedNodes(CViewServices* view);
  virtual void BackspaceInNodeEdit(CViewServices* view);
  virtual int CanDeleteInEdit(CViewServices* view);
  virtual int EndEdit(CViewServices* view);
  virtual int EndNodeEdit(CViewServices* view);
  virtual int EndTextEdit(CViewServices* view);
  virtual void DrawEditMarks(plat::DC* dc, const CMatrix3* viewMatrix);
  virtual void DrawTextEditMarks(plat::DC* dc, const CMatrix3* viewMatrix);
  virtual void DrawNodeMarks(plat::DC* dc, const CMatrix3* viewMatrix);
  virtual int OnMouseOver(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnMouseOverSelect(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnMouseOverText(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnMouseOverNode(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnMouseOverTextDrag(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int EndMouseOver(CViewServices* view);
  virtual int EndMouseOverSelect(CViewServices* view);
  virtual int EndMouseOverText(CViewServices* view);
  virtual int EndMouseOverNode(CViewServices* view);
  virtual int EndMouseOverTextDrag(CViewServices* view);
  virtual int OnCharText(CViewServices* view, std::uint32_t ch, std::uint32_t keyData);
  virtual int OnCharNode(CViewServices* view, std::uint32_t ch, std::uint32_t keyData);
  virtual int OnKeyDownNode(CViewServices* view, std::uint32_t key, std::uint32_t modifiers);
  virtual int OnKeyDownText(CViewServices* view, std::uint32_t key, std::uint32_t modifiers);
  virtual int OnTimer(CViewServices* view, std::uint32_t timerId);
  virtual int OnLButtonDown(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnLButtonDownSelect(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnLButtonDownText(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnMouseMove(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnMouseMoveSelect(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnMouseMoveText(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnLButtonUp(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnLButtonUpSelect(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnLButtonUpText(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnRButtonDown(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnRButtonUp(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnLButtonDblClk(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int Reserved60(std::intptr_t a, std::intptr_t b, std::intptr_t c, std::intptr_t d);
  virtual int RunNodeCommand(std::intptr_t a, std::intptr_t b, std::intptr_t c, std::intptr_t d);
  virtual int Reserved62(std::intptr_t a, std::intptr_t b, std::intptr_t c, std::intptr_t d);
  virtual void DrawXorOutline(plat::DC* dc, const CMatrix3* matrix);
  virtual void DrawHandleDragXor(CViewServices* view, int handle, float x, float y);
  virtual void MoveHandle(CViewServices* view, int handle, float x, float y);
  virtual void DrawXorMovedOutline(plat::DC* dc, const CMatrix3* matrix);
  virtual int HitTest(CViewServices* view, float x, float y);
  virtual int HitTestHandle(CViewServices* view, float x, float y, int* index);
  virtual void Offset(float dx, float dy);
  virtual void SetRect(float left, float top, float right, float bottom);
  virtual void Transform(const CMatrix3& m);
  // A new outline of the object (through the matrix when given), owned by
  // the caller, or null.
  virtual CPathPointList* MakeOutline(const CMatrix3* matrix, int option);
  virtual void Relayout(CViewServices* view, int fromIndex);
  virtual void CollectText(std::vector<std::string>& texts);
  virtual void AppendPlainText(std::string& text);
  // Writes the object record into a new block (the caller frees it); returns
  // its length. The base writes nothing: null handle, 0.
  virtual std::uint32_t WriteRecord(plat::HGLOBAL* out);
  virtual std::unique_ptr<CGraphObject> ConvertToPath(int colorFilter);
  virtual void SetColorIndex(CViewServices* view, std::uint32_t color, int redraw);
  // A copy through the object's record; null when it writes none.
  virtual std::unique_ptr<CGraphObject> Clone();
  virtual std::unique_ptr<CGraphObject> MakeTransformedCopy(std::uint32_t transform,
                                                            const CFRect& target);
  virtual void AddColorToList(CListBoxServices* list);
  virtual int OnLButtonDownNode(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnMouseMoveNode(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int OnLButtonUpNode(CViewServices* view, std::uint32_t flags, float x, float y);
  virtual int HitTestNode(CViewServices* view, float x, float y, int* index);
  virtual void MoveNode(CViewServices* view, int index, float x, float y, std::uint32_t flags);
  virtual void DrawNodeDragXor(CViewServices* view, int index, float x, float y);
  virtual std::uint32_t GetPropertyDialogId();
  virtual int ShowProperties(CWindowServices* propertyWindow);
  virtual void SetPropertyTitle(CWindowServices* propertyWindow);
  // Creates the panel as a child of the property window; null on failure.
  virtual CWindowServices* CreatePropertyPanel(CWindowServices* parent);
  virtual void FillPropertyPanel(CWindowServices* propertyWindow);
  virtual int ApplyPropertyPanel(CWindowServices* panel);
  virtual CBoxArray* GetBoxArray();
  virtual void DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible);
  virtual void DrawFilled(plat::DC* dc, const CMatrix3* matrix, const CFRect* visible);

  // --- Non-virtual members.
  // Routes a character by the edit mode.
  int OnChar(CViewServices* view, std::uint32_t ch, std::uint32_t keyData);
  // Routes a key by the edit mode with the Shift (4) and Control (8) state.
  int OnKeyDown(CViewServices* view, std::uint32_t key, std::uint32_t keyData);
  // Invalidates the bounds in the view, through its matrix, grown by 3 pixels.
  void InvalidateObjectRect(CViewServices* view, bool erase);
  // XOR-draws the rubber band of the shared drag state; with a null DC the
  // view's own is taken.
  static void DrawDragBand(CViewServices* view, plat::DC* dc);

  // --- Fields.
  std::uint8_t kind = 0;
  std::uint16_t flags = 0;
  std::uint32_t selected = 0;
  CFRect bounds;
  CMatrix3 matrix;
  std::int32_t hitIndex = -1;
  std::uint32_t editMode = 0;
  std::uint32_t hoverTool = 0;
};
