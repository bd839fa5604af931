#include "app/document.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "app/appids.h"
#include "app/designview.h"
#include "app/docfile.h"
#include "app/mainframe.h"
#include "app/rulers.h"
#include "app/settingsload.h"
#include "app/textseams.h"
#include "framework/app.h"
#include "model/graphobject.h"
#include "model/settings.h"
#include "platform/bytes.h"
#include "platform/report.h"

using fw::CDocument;
FW_IMPLEMENT_DYNCREATE(CVORLAN98Doc, CDocument)

namespace {

CMDIMainFrame* MainFrame() { return dynamic_cast<CMDIMainFrame*>(fw::AfxGetMainWnd()); }

void ShowError(const char* text) { plat::MessageBox(text, kDocErrorCaption, plat::MB_OK); }

}  // namespace

CVORLAN98Doc::CVORLAN98Doc() { LoadAppSettings(SETTINGS_LAYOUT, nullptr); }

CVORLAN98Doc::~CVORLAN98Doc() = default;

CViewServices* CVORLAN98Doc::GetView(int index) {
  const auto& views = GetViews();
  if (index < 0 || index >= int(views.size())) return nullptr;
  return dynamic_cast<CViewServices*>(views[std::size_t(index)]);
}

// ---------------------------------------------------------------------------
// The object list.

void CVORLAN98Doc::AddObject(CGraphObject* object) { AddObject(object, true); }

int CVORLAN98Doc::AddObject(CGraphObject* object, bool update) {
  const int index = m_objects.Add(object);
  SetModifiedFlag(fw::TRUE);
  if (update) {
    CObjectHint hint(object);
    UpdateAllViews(nullptr, HINT_OBJECT_ADDED, &hint);
  }
  return index;
}

void CVORLAN98Doc::InsertObject(CGraphObject* object, int index) {
  m_objects.InsertAt(index, object);
  SetModifiedFlag(fw::TRUE);
  CObjectHint hint(object);
  UpdateAllViews(nullptr, HINT_OBJECT_ADDED, &hint);
}

void CVORLAN98Doc::AddObjects(CSegArray& objects) {
  const int before = m_objects.GetSize();
  m_objects.TakeAll(objects);
  SetModifiedFlag(fw::TRUE);
  CIndexHint hint(before);
  UpdateAllViews(nullptr, HINT_OBJECTS_APPENDED, &hint);
}

int CVORLAN98Doc::RemoveObject(CGraphObject* object) {
  // Undoing a paste removes the newest objects: look from the end.
  for (int i = m_objects.GetSize() - 1; i >= 0; --i) {
    if (m_objects.GetAt(i) != object) continue;
    m_objects.RemoveAt(i);
    return i;
  }
  return -1;
}

void CVORLAN98Doc::RemoveObjects(const std::vector<CGraphObject*>& objects) {
  for (CGraphObject* o : objects) RemoveObject(o);
}

CGraphObject* CVORLAN98Doc::RemoveObjectAt(int index) {
  CGraphObject* o = m_objects.GetAt(index);
  if (o) m_objects.RemoveAt(index);
  return o;
}

int CVORLAN98Doc::DeleteEmptyObjects(CGraphObject* object) {
  int deleted = 0;
  if (object) {
    if (object->IsEmpty()) {
      RemoveObject(object);
      delete object;
      deleted = 1;
    }
    return deleted;
  }
  for (int i = m_objects.GetSize() - 1; i >= 0; --i) {
    CGraphObject* o = m_objects.GetAt(i);
    if (o && o->IsEmpty()) {
      m_objects.RemoveAt(i);
      delete o;
      deleted = 1;
    }
  }
  return deleted;
}

int CVORLAN98Doc::GetObjectsBounds(CFRect* out) const {
  if (m_objects.IsEmpty() || !out) return 0;
  bool first = true;
  CFRect r;
  for (const CGraphObject* o : m_objects.Objects()) {
    if (!o) continue;
    if (first) {
      r = o->bounds;
      first = false;
    } else {
      r.left = std::min(r.left, o->bounds.left);
      r.top = std::min(r.top, o->bounds.top);
      r.right = std::max(r.right, o->bounds.right);
      r.bottom = std::max(r.bottom, o->bounds.bottom);
    }
  }
  if (first) return 0;
  *out = r;
  return 1;
}

// ---------------------------------------------------------------------------
// New, open, save, close.

fw::BOOL CVORLAN98Doc::OnNewDocument() {
  if (!fw::CDocument::OnNewDocument()) return fw::FALSE;
  m_page.m_pageWidth = g_Profile.GetFloat("SystemParam", "PageWidth", 400.0f);
  m_page.m_pageHeight = g_Profile.GetFloat("SystemParam", "PageHeight", 900.0f);
  m_page.m_paletteType = g_Profile.GetInt("SystemParam", "PaletteType", 0);
  m_page.m_backColor = std::uint32_t(g_Profile.GetInt("SystemParam", "BackColor", 0xFFFFFF));
  m_page.m_gridSize = g_Profile.GetInt("SystemParam", "GridSize", 50);
  m_page.m_gridColor = std::uint32_t(g_Profile.GetInt("SystemParam", "GridColor", 0x808080));
  UpdateAllViews(nullptr, HINT_NEW_PAGE);
  return fw::TRUE;
}

void CVORLAN98Doc::ShowLoadStep(std::uint32_t stringId) {
  if (fw::CWnd* main = fw::AfxGetMainWnd())
    main->SendMessage(fw::WM_COMMAND, appid::ID_STATUS_STRING, fw::LPARAM(stringId));
}

bool CVORLAN98Doc::FailOpen(const char* message) {
  if (message) ShowError(message);
  return false;
}

fw::BOOL CVORLAN98Doc::OnOpenDocument(const std::string& path) {
  m_page.m_pageWidth = 400.0f;
  m_page.m_pageHeight = 900.0f;
  std::uint32_t step = appid::IDS_LOAD_FIRST;
  ShowLoadStep(step++);  // 108
  CDocReadFile file;
  if (!file.Open(path)) return FailOpen(kDocOpenError);

  ShowLoadStep(step++);  // 109: the magic up to its first zero
  char start[257] = {};
  file.Read(start, std::min<std::uint64_t>(256, file.GetLength()));
  if (std::strcmp(start, kDocMagic) != 0) return FailOpen(kDocFormatError);

  ShowLoadStep(step++);  // 110
  const float version = std::bit_cast<float>(plat::GetU32(reinterpret_cast<std::uint8_t*>(start) + 12));
  if (version != kDocVersion) return FailOpen(kDocVersionError);

  ShowLoadStep(step++);  // 111
  std::uint8_t header[16];
  std::uint32_t dir[8];
  if (!ReadDocHeader(file, header, dir) || !DocDirectoryFits(dir, file.GetLength()))
    return FailOpen(kDocFormatError);
  ShowLoadStep(step++);  // 112
  if (dir[kPageEntry] == 0) return FailOpen(kDocFormatError);
  ShowLoadStep(step++);  // 113
  if (dir[kFontEntry] == 0) return FailOpen(kDocFormatError);

  ShowLoadStep(step++);  // 114
  std::uint8_t page[kDocPageRecordSize];
  if (!file.Seek(dir[kPageEntry]) || !file.ReadExact(page, sizeof page)) return FailOpen(kDocFormatError);
  m_page.Read(page, sizeof page, version);

  // The text goes to the editor only once the whole file has been read.
  ShowLoadStep(step++);  // 115
  std::string text;
  const bool hasText = dir[kTextEntry] != 0;
  if (hasText) {
    ShowLoadStep(step);  // 116
    if (!file.Seek(dir[kTextEntry]) || !ReadDocText(file, text)) return FailOpen(kDocFormatError);
  }
  ++step;

  ShowLoadStep(step++);  // 117
  if (dir[kObjectEntry] != 0) {
    ShowLoadStep(step);  // 118
    if (!file.Seek(dir[kObjectEntry])) return FailOpen(kDocFormatError);
    const int code = ReadDocObjects(file, m_objects);
    if (code == kDocBadHeader) return FailOpen(kDocFormatError);
    // A bad record was reported by the list; what came before it stays.
    if (code != 0) return FailOpen(nullptr);
  }
  ++step;

  ShowLoadStep(step++);  // 119
  m_guideBlock.clear();
  if (dir[kGuideEntry] != 0) {
    ShowLoadStep(step);  // 120
    std::uint8_t head[5];
    if (!file.Seek(dir[kGuideEntry]) || !file.ReadExact(head, sizeof head) || head[0] != 1)
      return FailOpen(kDocFormatError);
    const std::uint32_t length = plat::GetU32(head + 1);
    if (length < sizeof head || length - sizeof head > file.Remaining()) return FailOpen(kDocFormatError);
    m_guideBlock.assign(head, head + sizeof head);
    m_guideBlock.resize(length);
    if (!file.ReadExact(m_guideBlock.data() + sizeof head, length - sizeof head)) return FailOpen(kDocFormatError);
  }
  ++step;

  ShowLoadStep(step++);  // 121
  // An empty table (size 0) has no fonts to replace.
  std::uint32_t tableSize = 0;
  if (!file.Seek(dir[kFontEntry]) || !file.ReadU32(tableSize)) return FailOpen(kDocFormatError);
  if (tableSize != 0) {
    if (!file.Seek(dir[kFontEntry])) return FailOpen(kDocFormatError);
    const plat::HGLOBAL fonts = appseam::ReadFontTable(file);
    if (!fonts) return FailOpen(kDocFormatError);
    appseam::ReplaceFonts(fonts, m_objects);
    plat::GlobalFree(fonts);
  }

  if (hasText && !text.empty())
    if (CMDIMainFrame* main = MainFrame()) main->GetTextEditor().AddLoadedText(text);

  ShowLoadStep(step);  // 122
  file.Close();
  SetModifiedFlag(fw::FALSE);
  UpdateAllViews(nullptr, HINT_NEW_PAGE);
  return fw::TRUE;
}

namespace {

// Writes one section: its offset into the directory entry, or 0 when the
// writer wrote nothing.
template <class Writer>
void WriteSection(CDocWriteFile& file, std::uint32_t dir[8], int entry, Writer&& writer) {
  dir[entry] = std::uint32_t(file.GetPosition());
  if (!writer()) dir[entry] = 0;
}

void PutDirectory(std::uint8_t out[kDocDirSize], const std::uint32_t dir[8]) {
  for (std::uint32_t i = 0; i < kDocDirEntries; ++i) plat::PutU32(out + 4 * i, dir[i]);
}

}  // namespace

CViewRulers* CVORLAN98Doc::FirstRulers() const {
  for (fw::CView* v : GetViews())
    if (auto* view = dynamic_cast<CVORLAN98View*>(v)) return view->GetRulers();
  return nullptr;
}

fw::BOOL CVORLAN98Doc::OnSaveDocument(const std::string& path) {
  CDocWriteFile file;
  if (!file.Create(path)) {
    ShowError(kDocCreateError);
    return fw::FALSE;
  }
  std::uint8_t header[kDocHeaderSize] = {};
  std::memcpy(header, kDocMagic, 5);
  plat::PutU32(header + 12, std::bit_cast<std::uint32_t>(kDocVersion));
  std::uint32_t dir[kDocDirEntries] = {kDocDirSize};
  std::uint8_t dirBytes[kDocDirSize];
  PutDirectory(dirBytes, dir);
  file.Write(header, sizeof header);
  file.Write(dirBytes, sizeof dirBytes);

  WriteSection(file, dir, kPageEntry, [&] {
    std::vector<std::uint8_t> page;
    m_page.Write(page);
    return file.Write(page.data(), page.size());
  });
  WriteSection(file, dir, kFontEntry, [&] { return appseam::WriteFontTable(file) != 0; });
  WriteSection(file, dir, kTextEntry, [&] {
    CMDIMainFrame* main = MainFrame();
    if (main) return main->GetTextEditor().WriteText(file) > 0;
    std::uint8_t none[4] = {};
    file.Write(none, sizeof none);
    return false;
  });
  // The guide lines are those of the first view's rulers; none without them.
  WriteSection(file, dir, kGuideEntry, [&] {
    if (CViewRulers* rulers = FirstRulers()) return rulers->SaveGuides(file) != 0;
    // Without a view the guide lines read from the file go back unchanged.
    if (m_guideBlock.empty()) return false;
    return file.Write(m_guideBlock.data(), m_guideBlock.size());
  });
  WriteSection(file, dir, kObjectEntry, [&] { return WriteDocObjectBlock(file, m_objects) != 0; });

  PutDirectory(dirBytes, dir);
  file.Seek(kDocDirOffset);
  file.Write(dirBytes, sizeof dirBytes);
  if (file.Failed() || !file.Commit()) {
    file.Abort();
    ShowError(kDocCreateError);
    return fw::FALSE;
  }
  SetModifiedFlag(fw::FALSE);
  return fw::TRUE;
}

void CVORLAN98Doc::OnCloseDocument() {
  fw::CDocument::OnCloseDocument();  // the document is gone now
  if (fw::CWnd* main = fw::AfxGetMainWnd()) main->SendMessage(fw::WM_COMMAND, appid::ID_DOC_CLOSED, 0);
}
