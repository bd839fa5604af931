// What the drawing objects, their undo items and the text code use of the
// design application: narrow interfaces declared here, implemented by the
// application (app/) and faked in the tests (model/tests/fakes.h).
//
//   CViewServices        the common view base (design view and cut view)
//   CDesignViewServices  the design view's additions: undo list, tools,
//                        selection tracker, edit object
//   CTrackerServices     the selection tracker's calls
//   CDocumentServices    the document's object-list operations
//   CMainFrameServices   the main frame's status commands and bars
//   CWindowServices      a window the objects act on (property window, panel)
//   CListBoxServices     a list box the objects fill
//   CAppServices         the application: active view, main frame, property
//                        window; installed once with SetAppServices
//
// Shared drawing tools (pens, brushes, cursor ids) and the registered
// clipboard format ids are plain globals filled at start-up.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/fwdefs.h"
#include <string_view>
#include <vector>

#include "model/geometry.h"
#include "model/undo.h"
#include "platform/dc.h"
#include "platform/types.h"

class CGraphObject;
class CSegArray;
class CTextAttr;
class CGuideList;
class CPathObject;

// ---------------------------------------------------------------------------
// Tool ids (the view's current tool is a command id).

constexpr std::uint32_t ID_TOOL_SELECT = 40070;     // "Select"
constexpr std::uint32_t ID_TOOL_TEXT = 40071;       // "Text Mode"
constexpr std::uint32_t ID_TOOL_NODE = 40118;       // "Node Choose"
constexpr std::uint32_t ID_TOOL_TEXT_DRAG = 48000;  // dragging a selection inside a text
constexpr std::uint32_t ID_TOOL_NODE_INSERT = 40119;
constexpr std::uint32_t ID_TOOL_NODE_DELETE = 40120;
constexpr std::uint32_t ID_TOOL_TO_CURVE = 40141;
constexpr std::uint32_t ID_TOOL_TO_LINE = 40142;
constexpr std::uint32_t ID_TOOL_EXTEND = 32855;          // menu text ending in "[A]"
constexpr std::uint32_t ID_TOOL_MOVE_CONTOUR = 32862;    // "Move a Contour[CTRL]"
constexpr std::uint32_t ID_TOOL_NODE_BREAK = 40121;      // "Break a Nodes[Double Click]"
constexpr std::uint32_t ID_NODE_LINK = 40122;            // "Node Link"
constexpr std::uint32_t ID_DELETE_CONTOUR = 40165;       // "Delete a Contour[d]"
constexpr std::uint32_t ID_CONTOUR_TO_CIRCLE = 40166;    // "Replace Countour With a Cirlce[C]"
constexpr std::uint32_t ID_CONTOUR_TO_RECT = 40167;      // "Replace Countour With a Rectangle[C]"
constexpr std::uint32_t ID_TOOL_REPLACE_CURVE = 40168;   // "Replace serial Nodes with a Curve[h]"

// Private commands of the main frame.
constexpr std::uint32_t ID_STATUS_TEXT = 0x8052;   // text of the first status pane
constexpr std::uint32_t ID_SHOW_SIZE = 32839;      // two f32 sizes
constexpr std::uint32_t ID_SHOW_TEXT = 32840;      // display name of a kind, language name
constexpr std::uint32_t ID_TEXT_EDITOR = 40067;    // modeless text editor dialog

// Key flags, virtual keys and system cursor ids: the platform's values, shared
// with the framework so both spellings name one constant.
using fw::MK_LBUTTON;
using fw::MK_RBUTTON;
using fw::MK_SHIFT;
using fw::MK_CONTROL;
using fw::MK_MBUTTON;
using fw::IDC_ARROW;
using fw::IDC_IBEAM;
using fw::IDC_CROSS;
using fw::IDC_SIZENWSE;
using fw::IDC_SIZENESW;
using fw::IDC_SIZEWE;
using fw::IDC_SIZENS;
using fw::VK_SHIFT;
using fw::VK_CONTROL;

// Cursor resource numbers of the program.
constexpr std::uint32_t IDC_MOVE_OBJECT = 146;  // the shared move cursor (resource 146)

// ---------------------------------------------------------------------------

class CWindowServices {
 public:
  virtual ~CWindowServices() = default;
  // The first child window, null when there is none.
  virtual CWindowServices* GetFirstChild() = 0;
  virtual std::intptr_t GetUserData() const = 0;
  virtual void SetUserData(std::intptr_t data) = 0;
  // Destroys the window; the pointer is invalid afterwards.
  virtual void Destroy() = 0;
  // Window rectangle in screen coordinates.
  virtual plat::RECT GetWindowRect() const = 0;
  virtual plat::RECT GetClientRect() const = 0;
  virtual void MoveWindow(int x, int y, int width, int height) = 0;
  virtual void Show(bool show) = 0;
  // Caption (UTF-8).
  virtual void SetText(std::string_view text) = 0;
  // Creates a modeless dialog from a template as a child of this window;
  // null on failure.
  virtual CWindowServices* CreateChildDialog(std::uint32_t templateId) = 0;
  // Controls of a dialog window by id (texts UTF-8): an id without a control
  // reads empty and unchecked.
  virtual std::string GetItemText(std::uint32_t) const { return {}; }
  virtual void SetItemText(std::uint32_t, std::string_view) {}
  virtual bool IsItemChecked(std::uint32_t) const { return false; }
  virtual void CheckItem(std::uint32_t, bool) {}
};

class CListBoxServices {
 public:
  virtual ~CListBoxServices() = default;
  // Index of the item with exactly this text, -1 when there is none.
  virtual int FindStringExact(std::string_view text) const = 0;
  // Appends an item; returns its index.
  virtual int AddString(std::string_view text) = 0;
};

class CDocumentServices;
class CTrackerServices;
class CDesignViewServices;

// The common view base. Also the view of the undo manager (CUndoView):
// undo items receive the design view through it.
class CViewServices : public CUndoView {
 public:
  // The current tool id.
  virtual std::uint32_t GetCurrentTool() const = 0;
  // Page units per device pixel: every hit tolerance, drag threshold and key
  // nudge of the objects is a multiple of it.
  virtual double GetUnitsPerPixel() const = 0;
  // The page-to-device matrix; null when the view has no rulers object.
  virtual const CMatrix3* GetViewMatrix() const = 0;
  // Recording depth of the design view's undo list; 0 in the cut view and
  // while the list is suspended. Undo items are built only while it is not 0.
  virtual int GetUndoRecordDepth() const = 0;
  // The design view's own services; null for the cut view.
  virtual CDesignViewServices* GetDesignView() = 0;
  // The document, null for a view without one (the cut view).
  virtual CDocumentServices* GetDocument() = 0;
  // The object being edited, or null.
  virtual CGraphObject* GetEditObject() const = 0;
  virtual void SetEditObject(CGraphObject* object) = 0;

  // The view window.
  virtual plat::DC* GetDC() = 0;
  virtual void ReleaseDC(plat::DC* dc) = 0;
  // Class cursor of the view window (cursor id or resource number).
  virtual void SetClassCursor(std::uint32_t cursor) = 0;
  // The current cursor, not the class cursor.
  virtual void SetCursor(std::uint32_t cursor) = 0;
  virtual void InvalidateRect(const plat::RECT& rect, bool erase) = 0;
  // XOR feedback of the current drag; with null the view takes its own DC.
  virtual void DrawRubberBand(plat::DC* dc) = 0;
  // Timer of the view window.
  virtual void SetTimer(std::uint32_t id, std::uint32_t milliseconds) = 0;
  virtual void KillTimer(std::uint32_t id) = 0;
  // Keyboard state at the call: true while the key is down.
  virtual bool IsKeyDown(int virtualKey) const = 0;
  // The view window's client rectangle in device pixels.
  virtual plat::RECT GetClientRect() const { return {}; }
  // WM_COMMAND to the view window: posted (runs later) or sent (runs now).
  virtual void PostCommand(std::uint32_t) {}
  virtual void SendCommand(std::uint32_t) {}
  // The objects the view shows and its trackers act on: the document's list
  // in the design view, the view's own list in the cut view.
  virtual CDocumentServices* GetObjectListServices() { return GetDocument(); }
  // Snaps a rectangle being dragged by the keys held (guides, page edges,
  // grid); tolerance 0 = 5 pixels. True when it moved.
  virtual bool SnapRect(CFRect&, float) { return false; }
  // Mouse capture and an immediate repaint of the invalid area.
  virtual void CaptureMouse() {}
  virtual void ReleaseMouse() {}
  virtual void UpdateNow() {}
  // The view window takes the keyboard focus; a character is posted to it as
  // WM_CHAR (typed when the message is handled).
  virtual void TakeFocus() {}
  virtual void PostChar(std::uint32_t) {}
  // The view window's caret (where an input method composes) at a rectangle of
  // device pixels, shown; null hides it where it is.
  virtual void PlaceCaret(const plat::RECT*) {}
};

// A view's DC for the length of a scope: the one given, else the view's own (released at
// the end); null without either.
class ViewDC {
 public:
  explicit ViewDC(CViewServices* view, plat::DC* given = nullptr)
      : view_(view), dc_(given ? given : view ? view->GetDC() : nullptr), own_(!given && dc_) {}
  ~ViewDC() {
    if (own_) view_->ReleaseDC(dc_);
  }
  ViewDC(const ViewDC&) = delete;
  ViewDC& operator=(const ViewDC&) = delete;
  plat::DC* get() const { return dc_; }

 private:
  CViewServices* view_;
  plat::DC* dc_;
  bool own_;
};

// The selection tracker of a view.
class CTrackerServices {
 public:
  virtual ~CTrackerServices() = default;
  // Erases the marks; with `unselect` unselects every object of the view's
  // list, recording a CUndoDeselect per object while the view records.
  virtual void ClearSelection(plat::DC* dc, bool unselect) = 0;
  // XOR-draws each selected object's mark and the handles (unless hidden or
  // a drag is on); a second call erases them. Null DC: the view's own.
  virtual void DrawSelected(plat::DC* dc, int flag) = 0;
  // Erases the marks, recomputes the selection box, draws the marks.
  virtual void RefreshSelection() = 0;
  // XOR rectangle between two page points through the view's matrix.
  virtual void DrawBandRect(float x1, float y1, float x2, float y2) = 0;
};

// The design view's additions. The view base implements CViewServices, the
// design view these on top of it: one shared (virtual) CViewServices part.
class CDesignViewServices : public virtual CViewServices {
 public:
  // The view's undo list (one per view).
  virtual CUndoList* GetUndoList() = 0;
  virtual CTrackerServices* GetSelectTracker() = 0;
  // Ends the current tool (recording a CUndoLeaveEdit for the edit object),
  // appends a CUndoTool with the old id while recording, sets the tool's
  // cursor and stores the new id.
  virtual void SetTool(std::uint32_t tool) = 0;
  // Ends the current tool before a switch: while recording, a CUndoLeaveEdit
  // with the edit object and its edit mode.
  virtual void FinishTool() = 0;
  // The class cursor for a tool; the current tool is not changed.
  virtual void SetToolCursor(std::uint32_t tool) = 0;
  virtual int GetSelectedCount() const = 0;
  // The single selected object, or null.
  virtual CGraphObject* GetSelectedObject() const = 0;
  // Language id with which typed characters are made.
  virtual std::uint8_t GetLanguageId() const = 0;
  // Attributes of the edited or selected text into `out`, its characters as
  // GBK into the buffer when one is given (at most `size` bytes with the
  // NUL); 1 when filled, 0 without a suitable text (nothing touched).
  virtual int GetTextAttributes(char* buffer, CTextAttr* out, int size) = 0;
  // Applies attributes to the edited or selected text in the open undo
  // bracket. Mask 1 sizes, 2 the font of the current language, 4 angle,
  // 8 skew; the gaps always. 1 when applied, 0 without a suitable text.
  virtual int SetTextAttributes(CTextAttr* in, std::uint32_t mask) = 0;
  // Adds the objects of an object-list block to the document as Paste does:
  // moved by the offset when given, a CUndoAddObject each while recording.
  virtual void PasteObjectBlock(const std::uint8_t*, std::size_t, const CFPoint*) {}
};

// The document's object list.
class CDocumentServices {
 public:
  virtual ~CDocumentServices() = default;
  // The object list in drawing order; null until the list exists.
  virtual CSegArray* GetObjectList() = 0;
  virtual int GetObjectCount() const = 0;
  // Null when the index is out of range.
  virtual CGraphObject* GetObjectAt(int index) const = 0;
  // First index of the object, -1 when absent.
  virtual int IndexOfObject(const CGraphObject* object) const = 0;
  // Appends the object, marks the document modified and, with `update`,
  // updates all views with it. Returns its index.
  virtual int AddObject(CGraphObject* object, bool update) = 0;
  // Inserts into the object list at the index (clamped to the list).
  virtual void InsertObject(CGraphObject* object, int index) = 0;
  // Takes the object out of the list without deleting it; its former index,
  // or -1 when it was not in the list.
  virtual int RemoveObject(CGraphObject* object) = 0;
  virtual void RemoveObjects(const std::vector<CGraphObject*>& objects) = 0;
  virtual float GetPageWidth() const = 0;
  virtual float GetPageHeight() const = 0;
  virtual float GetGridStep() const = 0;
  virtual void SetModified(bool modified) = 0;
  // The views of the document (their undo lists may point at its objects).
  virtual int GetViewCount() const = 0;
  virtual CViewServices* GetView(int index) = 0;
};

class CMainFrameServices {
 public:
  virtual ~CMainFrameServices() = default;
  // ID_STATUS_TEXT: text of the first status pane (UTF-8; empty clears it).
  virtual void SetStatusText(std::string_view text) = 0;
  // ID_SHOW_SIZE: a size pair (page size of a clicked character, selection size).
  virtual void ShowSize(float width, float height) = 0;
  // ID_SHOW_TEXT: display name of an object kind or of a language.
  virtual void ShowText(std::string_view text) = 0;
  // ID_TEXT_EDITOR: creates and shows the modeless text editor dialog.
  virtual void OpenTextEditor() = 0;
  // The text editor copies its selected text to the clipboard (nothing
  // without the editor window).
  virtual void CopyTextEditorSelection() {}
  // The context tool bar's button set for a tool.
  virtual void SetToolMode(std::uint32_t tool) = 0;
  // Brings the mode bar in line with the active view; 0 when nothing to show.
  virtual int SyncWithSelection() = 0;
};

class CAppServices {
 public:
  virtual ~CAppServices() = default;
  // The view of the main window's active child frame, or null.
  virtual CViewServices* GetActiveView() = 0;
  // Null when there is no main window.
  virtual CMainFrameServices* GetMainFrame() = 0;
  // The floating property window, null when it does not exist.
  virtual CWindowServices* GetPropertyFrame() = 0;
};

// The installed application services; null until installed. Returns the
// previous ones.
CAppServices* SetAppServices(CAppServices* services);
CAppServices* GetAppServices();

// ---------------------------------------------------------------------------
// Drawing tools created once at start-up and never deleted by their users.

struct SharedDrawingTools {
  plat::HPEN xorPen = nullptr;         // solid, 1 pixel, red
  plat::HPEN bluePen = nullptr;        // solid, 1 pixel, blue
  plat::HPEN dottedBluePen = nullptr;  // dotted, 1 pixel, blue
  plat::HPEN greenPen = nullptr;       // solid, 1 pixel, green
  plat::HBRUSH xorBrush = nullptr;     // solid red
  plat::HPEN nodePen = nullptr;        // node editing
  plat::HBRUSH nodeBrush = nullptr;
  plat::HPEN handlePen = nullptr;
  plat::HPEN hitMarkPen = nullptr;
  std::uint32_t moveCursor = IDC_MOVE_OBJECT;
};

// The shared tools; all null until CreateSharedDrawingTools.
SharedDrawingTools& SharedTools();
// Creates the shared pens and brushes (once; later calls keep them).
void CreateSharedDrawingTools();
// Deletes them (at exit).
void DeleteSharedDrawingTools();

// Ids of the private clipboard formats, registered by the application at
// start-up; 0 until then.
struct ClipboardFormatIds {
  std::uint32_t objectList = 0;  // drawing-object blocks
  std::uint32_t guideItems = 0;  // guide-item blocks
  std::uint32_t boxItems = 0;    // packed box blocks
};
ClipboardFormatIds& RegisteredClipboardFormats();

// ---------------------------------------------------------------------------
// Small helpers over the interfaces.

// The active view of the application, null without one.
CViewServices* GetActiveView();
// The main frame, null without one.
CMainFrameServices* GetMainFrame();
// The undo list of a view that records: the design view's list while its
// recording depth is not 0, else null.
CUndoList* RecordingUndoList(CViewServices* view);

// The character codes of a NUL-terminated GBK text as the box array takes
// them: a byte from 0x81 to 0xFE starts a two-byte character (lead << 8 |
// trail); a lead byte without a trail byte is dropped; bytes below 32 other
// than CR (13) are dropped.
std::vector<std::uint16_t> TextToCharCodes(const char* text);

// ---------------------------------------------------------------------------
// Bitmap tracing, implemented by the tracing library binding.

class CTraceServices {
 public:
  virtual ~CTraceServices() = default;
  // A new path traced from the bitmap in pixel units, or null.
  virtual std::unique_ptr<CPathObject> TraceBitmap(plat::HBITMAP bitmap, int option) = 0;
  // A new drawing object holding the outlines traced from a bitmap of at
  // most two colours (pixel units) through "Vector.dll" (flag set) or
  // "Trace.dll", which get the caller value; null when tracing fails or no
  // tracing library is bound.
  virtual std::unique_ptr<CGraphObject> VectorizeBitmap(plat::HBITMAP bitmap, bool useVector,
                                                        std::uint32_t callerValue);
  // False when the tracing library of the flag cannot be bound.
  virtual bool HasTracer(bool /*useVector*/) { return true; }
};
// The installed tracing services; null until installed. Returns the previous ones.
CTraceServices* SetTraceServices(CTraceServices* services);
CTraceServices* GetTraceServices();
// Through the installed services; null without them.
std::unique_ptr<CPathObject> TraceBitmap(plat::HBITMAP bitmap, int option);
// Through the installed services; null without them (no tracing library bound).
std::unique_ptr<CGraphObject> VectorizeBitmap(plat::HBITMAP bitmap, bool useVector, std::uint32_t callerValue);
