// One fake view, document, tracker, main frame, window and application for
// the tests of the drawing objects: settable tool, units per pixel, matrix
// and undo depth, a real undo list, a window surface with a device context
// whose calls can be recorded, and a log of the calls the objects make.
#pragma once
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/graphobject.h"
#include "model/segarray.h"
#include "model/services.h"
#include "model/undo.h"
#include "model/undoitems.h"
#include "platform/dc.h"

class FakeWindow : public CWindowServices {
 public:
  explicit FakeWindow(plat::RECT windowRect = {}, plat::RECT clientRect = {})
      : windowRect(windowRect), clientRect(clientRect) {}

  CWindowServices* GetFirstChild() override { return children.empty() ? nullptr : children.front().get(); }
  std::intptr_t GetUserData() const override { return userData; }
  void SetUserData(std::intptr_t data) override { userData = data; }
  void Destroy() override {
    if (parent) {
      auto& sib = parent->children;
      for (auto it = sib.begin(); it != sib.end(); ++it)
        if (it->get() == this) {
          parent->destroyed++;
          sib.erase(it);  // deletes this
          return;
        }
    }
  }
  plat::RECT GetWindowRect() const override { return windowRect; }
  plat::RECT GetClientRect() const override { return clientRect; }
  void MoveWindow(int x, int y, int w, int h) override {
    windowRect = {x, y, x + w, y + h};
    moves++;
  }
  void Show(bool show) override { visible = show; }
  void SetText(std::string_view t) override { text = t; }
  CWindowServices* CreateChildDialog(std::uint32_t templateId) override {
    if (failCreate) return nullptr;
    auto child = std::make_unique<FakeWindow>(plat::RECT{}, nextChildClient);
    child->parent = this;
    child->templateId = templateId;
    child->visible = true;
    children.push_back(std::move(child));
    created++;
    return children.back().get();
  }

  FakeWindow* Child(std::size_t i = 0) { return i < children.size() ? children[i].get() : nullptr; }
  std::string GetItemText(std::uint32_t id) const override {
    auto it = itemTexts.find(id);
    return it == itemTexts.end() ? std::string() : it->second;
  }
  void SetItemText(std::uint32_t id, std::string_view t) override { itemTexts[id] = std::string(t); }
  bool IsItemChecked(std::uint32_t id) const override { return checkedItems.count(id) != 0; }
  void CheckItem(std::uint32_t id, bool check) override {
    if (check)
      checkedItems.insert(id);
    else
      checkedItems.erase(id);
  }
  std::map<std::uint32_t, std::string> itemTexts;
  std::set<std::uint32_t> checkedItems;

  plat::RECT windowRect;
  plat::RECT clientRect;
  plat::RECT nextChildClient{0, 0, 120, 80};
  std::intptr_t userData = 0;
  std::uint32_t templateId = 0;
  bool visible = false;
  bool failCreate = false;
  std::string text;
  int moves = 0, created = 0, destroyed = 0;
  FakeWindow* parent = nullptr;
  std::vector<std::unique_ptr<FakeWindow>> children;
};

class FakeListBox : public CListBoxServices {
 public:
  int FindStringExact(std::string_view t) const override {
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == t) return static_cast<int>(i);
    return -1;
  }
  int AddString(std::string_view t) override {
    items.emplace_back(t);
    return static_cast<int>(items.size()) - 1;
  }
  std::vector<std::string> items;
};

class FakeTracker : public CTrackerServices {
 public:
  void ClearSelection(plat::DC*, bool unselect) override {
    log.push_back(unselect ? "ClearSelection(unselect)" : "ClearSelection");
  }
  void DrawSelected(plat::DC*, int) override { log.push_back("DrawSelected"); }
  void RefreshSelection() override { log.push_back("RefreshSelection"); }
  void DrawBandRect(float, float, float, float) override { log.push_back("DrawBandRect"); }
  std::vector<std::string> log;
};

class FakeMainFrame : public CMainFrameServices {
 public:
  void SetStatusText(std::string_view t) override { statusTexts.emplace_back(t); }
  void ShowSize(float w, float h) override { sizes.push_back({w, h}); }
  void ShowText(std::string_view t) override { texts.emplace_back(t); }
  void OpenTextEditor() override { editorOpened++; }
  void CopyTextEditorSelection() override { editorCopies++; }
  void SetToolMode(std::uint32_t tool) override { toolModes.push_back(tool); }
  int SyncWithSelection() override { return 0; }
  std::vector<std::string> statusTexts;
  std::vector<std::string> texts;
  std::vector<CFPoint> sizes;
  std::vector<std::uint32_t> toolModes;
  int editorOpened = 0;
  int editorCopies = 0;
};

class FakeDocument;

class FakeView : public CDesignViewServices {
 public:
  explicit FakeView(FakeDocument* doc = nullptr, int width = 64, int height = 64)
      : undo(this, CUndoList::kDefaultStepLimit), doc_(doc) {
    surface.Resize(width, height);
    dc = std::make_unique<plat::DC>(surface);
  }

  // --- CUndoView
  void SetStatusText(const std::string& t) override { statusTexts.push_back(t); }
  void RepaintView(bool erase) override { log.push_back(erase ? "RepaintView(erase)" : "RepaintView"); }

  // --- CViewServices
  std::uint32_t GetCurrentTool() const override { return tool; }
  double GetUnitsPerPixel() const override { return unitsPerPixel; }
  const CMatrix3* GetViewMatrix() const override { return hasMatrix ? &viewMatrix : nullptr; }
  int GetUndoRecordDepth() const override {
    return depthOverride >= 0 ? depthOverride : undo.GetRecordDepth();
  }
  CDesignViewServices* GetDesignView() override { return this; }
  CDocumentServices* GetDocument() override;
  CGraphObject* GetEditObject() const override { return editObject; }
  void SetEditObject(CGraphObject* o) override { editObject = o; }
  plat::DC* GetDC() override {
    dcTaken++;
    return dc.get();
  }
  void ReleaseDC(plat::DC*) override { dcReleased++; }
  void SetClassCursor(std::uint32_t c) override { classCursor = c; }
  void SetCursor(std::uint32_t c) override { cursor = c; }
  void InvalidateRect(const plat::RECT& r, bool erase) override {
    invalidated.push_back(r);
    invalidatedErase.push_back(erase);
  }
  void DrawRubberBand(plat::DC*) override { log.push_back("DrawRubberBand"); }
  void SetTimer(std::uint32_t id, std::uint32_t ms) override {
    log.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(ms));
  }
  void KillTimer(std::uint32_t id) override { log.push_back("KillTimer " + std::to_string(id)); }
  bool IsKeyDown(int vk) const override { return keysDown.count(vk) != 0; }
  plat::RECT GetClientRect() const override {
    const plat::Surface& s = surface.surface();
    return {0, 0, s.width(), s.height()};
  }
  void PostCommand(std::uint32_t id) override { posted.push_back(id); }
  void UpdateNow() override { log.push_back("UpdateNow"); }
  void SendCommand(std::uint32_t id) override { sent.push_back(id); }

  // --- CDesignViewServices
  CUndoList* GetUndoList() override { return &undo; }
  CTrackerServices* GetSelectTracker() override { return &tracker; }
  void SetTool(std::uint32_t newTool) override {
    log.push_back("SetTool " + std::to_string(newTool));
    FinishTool();
    if (GetUndoRecordDepth() != 0) AppendUndo(this, std::make_unique<CUndoTool>(tool));
    SetToolCursor(newTool);
    tool = newTool;
  }
  void FinishTool() override {
    if (editObject && GetUndoRecordDepth() != 0)
      AppendUndo(this, std::make_unique<CUndoLeaveEdit>(editObject));
  }
  void SetToolCursor(std::uint32_t t) override { log.push_back("SetToolCursor " + std::to_string(t)); }
  int GetSelectedCount() const override { return 0; }
  CGraphObject* GetSelectedObject() const override { return nullptr; }
  std::uint8_t GetLanguageId() const override { return languageId; }
  int GetTextAttributes(char*, CTextAttr*, int) override { return 0; }
  int SetTextAttributes(CTextAttr*, std::uint32_t) override { return 0; }

  // Pixels of the window, to compare before and after XOR drawing.
  std::vector<std::uint32_t> Pixels() const {
    const plat::Surface& s = surface.surface();
    return std::vector<std::uint32_t>(s.data(), s.data() + std::size_t(s.width()) * s.height());
  }

  std::uint32_t tool = ID_TOOL_SELECT;
  std::uint8_t languageId = 134;
  double unitsPerPixel = 1.0;
  bool hasMatrix = false;
  CMatrix3 viewMatrix;
  int depthOverride = -1;
  CUndoList undo;
  FakeTracker tracker;
  CGraphObject* editObject = nullptr;
  plat::WindowSurface surface;
  std::unique_ptr<plat::DC> dc;
  int dcTaken = 0, dcReleased = 0;
  std::uint32_t classCursor = 0;
  std::uint32_t cursor = 0;
  std::vector<plat::RECT> invalidated;
  std::vector<bool> invalidatedErase;
  std::set<int> keysDown;
  std::vector<std::uint32_t> posted, sent;
  std::vector<std::string> statusTexts;
  std::vector<std::string> log;

 private:
  FakeDocument* doc_;
};

// Owns the objects of its list and deletes them with it.
class FakeDocument : public CDocumentServices {
 public:
  ~FakeDocument() override {
    for (CGraphObject* o : objects) delete o;
  }
  CSegArray* GetObjectList() override { return nullptr; }
  int GetObjectCount() const override { return static_cast<int>(objects.size()); }
  CGraphObject* GetObjectAt(int i) const override {
    return i >= 0 && i < GetObjectCount() ? objects[std::size_t(i)] : nullptr;
  }
  int IndexOfObject(const CGraphObject* o) const override {
    for (std::size_t i = 0; i < objects.size(); ++i)
      if (objects[i] == o) return static_cast<int>(i);
    return -1;
  }
  int AddObject(CGraphObject* o, bool) override {
    objects.push_back(o);
    modified = true;
    return GetObjectCount() - 1;
  }
  void InsertObject(CGraphObject* o, int index) override {
    index = std::clamp(index, 0, GetObjectCount());
    objects.insert(objects.begin() + index, o);
  }
  int RemoveObject(CGraphObject* o) override {
    int i = IndexOfObject(o);
    if (i >= 0) objects.erase(objects.begin() + i);
    return i;
  }
  void RemoveObjects(const std::vector<CGraphObject*>& list) override {
    for (CGraphObject* o : list) RemoveObject(o);
  }
  float GetPageWidth() const override { return pageWidth; }
  float GetPageHeight() const override { return pageHeight; }
  float GetGridStep() const override { return gridStep; }
  void SetModified(bool m) override { modified = m; }
  int GetViewCount() const override { return static_cast<int>(views.size()); }
  CViewServices* GetView(int i) override {
    return i >= 0 && i < GetViewCount() ? views[std::size_t(i)] : nullptr;
  }

  std::vector<CGraphObject*> objects;
  std::vector<CViewServices*> views;
  bool modified = false;
  float pageWidth = 400.0f, pageHeight = 900.0f, gridStep = 5.0f;
};

inline CDocumentServices* FakeView::GetDocument() { return doc_; }

class FakeApp : public CAppServices {
 public:
  FakeApp() : prev_(SetAppServices(this)) {}
  ~FakeApp() override { SetAppServices(prev_); }
  CViewServices* GetActiveView() override { return activeView; }
  CMainFrameServices* GetMainFrame() override { return hasFrame ? &frame : nullptr; }
  CWindowServices* GetPropertyFrame() override { return propertyFrame; }

  CViewServices* activeView = nullptr;
  FakeMainFrame frame;
  bool hasFrame = true;
  CWindowServices* propertyFrame = nullptr;

 private:
  CAppServices* prev_;
};

// The clipboard in memory: records what is set, owns the blocks, and gives
// them back to readers while open.
class FakeClipboard : public CClipboardServices {
 public:
  ~FakeClipboard() override {
    for (auto& d : data) plat::GlobalFree(d.second);
  }
  bool Open() override {
    ++opens;
    if (!canOpen || open) return false;
    open = true;
    return true;
  }
  bool Empty() override {
    ++empties;
    for (auto& d : data) plat::GlobalFree(d.second);
    data.clear();
    return true;
  }
  bool SetData(std::uint32_t format, plat::HGLOBAL block) override {
    for (auto& d : data)
      if (d.first == format) {
        plat::GlobalFree(d.second);
        d.second = block;
        return true;
      }
    data.emplace_back(format, block);
    return true;
  }
  void Close() override {
    ++closes;
    open = false;
  }
  bool IsFormatAvailable(std::uint32_t format) override { return Get(format) != 0; }
  plat::HGLOBAL GetData(std::uint32_t format) override { return open ? Get(format) : 0; }

  plat::HGLOBAL Get(std::uint32_t format) const {
    for (auto& d : data)
      if (d.first == format) return d.second;
    return 0;
  }
  // Puts a copy of the bytes under the format (outside an open/close pair).
  void Put(std::uint32_t format, const void* bytes, std::size_t size) {
    plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, size);
    {
      plat::GlobalLockGuard lock(h);
      if (size) std::memcpy(lock.bytes(), bytes, size);
    }
    SetData(format, h);
  }
  bool canOpen = true;
  bool open = false;
  int opens = 0, empties = 0, closes = 0;
  std::vector<std::pair<std::uint32_t, plat::HGLOBAL>> data;
};
