// The design document: its drawing objects, its page record, the guide lines
// read from its file, and the document file (see docfile.h) it saves and opens.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "framework/docview.h"
#include "model/guidelist.h"
#include "model/palette.h"
#include "model/segarray.h"
#include "model/services.h"

// View-update hints.
constexpr fw::LPARAM HINT_OBJECT_ADDED = 1;
constexpr fw::LPARAM HINT_OBJECTS_APPENDED = 3;
constexpr fw::LPARAM HINT_NEW_PAGE = 0x80000001;

// The hint object of HINT_OBJECT_ADDED: the drawing object added.
class CViewRulers;

class CObjectHint : public fw::CObject {
 public:
  explicit CObjectHint(CGraphObject* o) : object(o) {}
  CGraphObject* object;
};
// The hint object of HINT_OBJECTS_APPENDED: the object count before the append.
class CIndexHint : public fw::CObject {
 public:
  explicit CIndexHint(int i) : index(i) {}
  int index;
};

class CVORLAN98Doc : public fw::CDocument, public CDocumentServices {
  FW_DECLARE_DYNCREATE(CVORLAN98Doc)

 public:
  CVORLAN98Doc();
  ~CVORLAN98Doc() override;

  // --- The object list.
  CSegArray* GetObjectList() override { return &m_objects; }
  int GetObjectCount() const override { return m_objects.GetSize(); }
  void AddObject(CGraphObject* object);
  int AddObject(CGraphObject* object, bool update) override;
  void InsertObject(CGraphObject* object, int index) override;
  // Appends every object of the list (which is emptied), hint 3.
  void AddObjects(CSegArray& objects);
  CGraphObject* GetObjectAt(int index) const override { return m_objects.GetAt(index); }
  int IndexOfObject(const CGraphObject* object) const override { return m_objects.Find(object); }
  int RemoveObject(CGraphObject* object) override;
  void RemoveObjects(const std::vector<CGraphObject*>& objects) override;
  CGraphObject* RemoveObjectAt(int index);
  int DeleteEmptyObjects(CGraphObject* object);
  int GetObjectsBounds(CFRect* out) const;

  // --- The page.
  CPageInfo& GetPageInfo() { return m_page; }
  float GetPageWidth() const override { return m_page.m_pageWidth; }
  float GetPageHeight() const override { return m_page.m_pageHeight; }
  float GetGridStep() const override { return float(m_page.m_gridSize); }
  void SetModified(bool modified) override { SetModifiedFlag(modified ? fw::TRUE : fw::FALSE); }
  int GetViewCount() const override { return int(GetViews().size()); }
  CViewServices* GetView(int index) override;

  // The guide-line block read from the file (u8 1, u32 length, records), for
  // the first view to take over; empty when the file had none.
  const std::vector<std::uint8_t>& GetGuideBlock() const { return m_guideBlock; }
  // The output areas of the document (the output-area tracker fills it).
  CGuideList& GetOutAreaList() { return m_outAreas; }

  // --- Framework steps.
  fw::BOOL OnNewDocument() override;
  fw::BOOL OnOpenDocument(const std::string& path) override;
  fw::BOOL OnSaveDocument(const std::string& path) override;
  void OnCloseDocument() override;

 private:
  // Status text of an open's step (string resource id) to the main window.
  void ShowLoadStep(std::uint32_t stringId);
  bool FailOpen(const char* message);
  // The rulers of the first design view (the guide lines saved), or null.
  CViewRulers* FirstRulers() const;

  CSegArray m_objects;
  std::vector<std::uint8_t> m_guideBlock;
  CGuideList m_outAreas;
  CPageInfo m_page;
};
