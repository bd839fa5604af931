#include "app/importcmd.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/appids.h"
#include "app/docfile.h"
#include "app/document.h"
#include "app/olddoc.h"
#include "framework/dialog.h"
#include "framework/resources.h"
#include "model/segarray.h"
#include "model/settings.h"
#include "model/undo.h"
#include "model/undoitems.h"
#include "platform/paths.h"
#include "platform/report.h"
#include "text/texteditordlg.h"

namespace {

constexpr std::size_t kMaxFolder = 50;
constexpr std::uint64_t kMaxTextFile = 64u << 20;

}  // namespace

plat::HMODULE CImportDll::Load() {
  plat::HMODULE m = CDllHolder::Load();
  dllGetVersion = nullptr;
  dllGetFilters = nullptr;
  dllFilterRead = nullptr;
  dllCanUse = nullptr;
  usable_ = false;
  if (!m) return nullptr;
  Bind(dllGetVersion, "GetVersion");
  Bind(dllGetFilters, "GetFilters");
  Bind(dllFilterRead, "FilterRead");
  Bind(dllCanUse, "CanUse");
  usable_ = dllCanUse && dllFilterRead && dllCanUse(kInterfaceVersion) != 0;
  return m;
}

std::string CImportDll::Filters() {
  if (!Usable() || !dllGetFilters) return {};
  const int n = dllGetFilters(nullptr);
  if (n <= 0 || n > 65536) return {};
  std::vector<char> buf(std::size_t(n) + 2, 0);
  if (!dllGetFilters(buf.data())) return {};
  buf.back() = 0;
  return std::string(buf.data());
}

std::string ImportFolderOf(const std::string& path) {
  const std::size_t sep = path.find_last_of("/\\");
  if (sep == std::string::npos) return {};
  if (sep == 0 || path[sep - 1] == ':') return path.substr(0, sep + 1);
  return path.substr(0, sep);
}

void ReadImportFile(const std::string& chosen, int type, CImportDll* plugin, plat::HGLOBAL* objectBlock,
                    plat::HGLOBAL* textBlock) {
  const std::string path = plat::ResolvePath(chosen);
  switch (type) {
    case kImportDocument: {
      CDocHeaderReader reader;
      if (reader.Read(path.c_str()) == kDocReadOk) {
        *objectBlock = reader.m_objectBlock;
        *textBlock = reader.m_textBlock;
        reader.m_objectBlock = 0;
        reader.m_textBlock = 0;
      }
      break;
    }
    case kImportOldDocument: {
      COldDocReader reader;
      plat::HGLOBAL h = 0;
      if (reader.Run(&h, path.c_str()) == kDocReadOk) *objectBlock = h;
      else if (h) plat::GlobalFree(h);
      break;
    }
    case kImportText: {
      CDocReadFile file;
      if (!file.Open(path) || file.GetLength() == 0 || file.GetLength() > kMaxTextFile) break;
      const std::size_t n = std::size_t(file.GetLength());
      plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, n + 10);
      if (!h) break;
      bool ok;
      {
        plat::GlobalLockGuard lock(h);
        ok = lock && file.ReadExact(lock.bytes(), n);
      }
      if (ok)
        *textBlock = h;
      else
        plat::GlobalFree(h);
      break;
    }
    default:
      if (plugin && plugin->Usable()) *objectBlock = plugin->dllFilterRead(path.c_str(), 0);
      break;
  }
}

int ShowImportDialog(plat::HGLOBAL* objectBlock, plat::HGLOBAL* textBlock) {
  if (objectBlock) *objectBlock = 0;
  if (textBlock) *textBlock = 0;
  std::string filter = kImportOwnFilter;
  std::string folder = g_Profile.GetString("SystemParam", "FilePath", "C:\\VORLAN\\");
  if (folder.size() > kMaxFolder) folder.resize(kMaxFolder);

  CImportDll plugin;
  if (plugin.Load()) filter += plugin.Filters();

  fw::CFileDialog dlg(fw::TRUE, "V95", nullptr, fw::OFN_FILEMUSTEXIST | fw::OFN_HIDEREADONLY, filter.c_str());
  fw::res::LoadString(appid::IDS_IMPORTING, dlg.m_title);
  std::string initial = folder;
  if (initial.size() > 1 && (initial.back() == '\\' || initial.back() == '/')) initial.pop_back();
  dlg.m_initialDir = plat::MapWindowsPath(initial);
  if (dlg.DoModal() != fw::IDOK) return kImportCancelled;

  const std::string path = dlg.GetPathName();
  const std::string kept = ImportFolderOf(path);
  const int type = GetFileTypeByExtension(path);
  plat::HGLOBAL obj = 0, text = 0;
  ReadImportFile(path, type, &plugin, &obj, &text);
  if (objectBlock) *objectBlock = obj;
  else if (obj) plat::GlobalFree(obj);
  if (textBlock) *textBlock = text;
  else if (text) plat::GlobalFree(text);
  if (!kept.empty()) g_Profile.WriteString("SystemParam", "FilePath", kept.c_str());
  return type;
}

int OpenFileOfType(std::string& path, const char* title, const char* filter, const char* initialFolder) {
  fw::CFileDialog dlg(fw::TRUE, nullptr, nullptr, fw::OFN_FILEMUSTEXIST | fw::OFN_HIDEREADONLY, filter);
  if (title) dlg.m_title = title;
  if (initialFolder) dlg.m_initialDir = plat::MapWindowsPath(initialFolder);
  if (dlg.DoModal() != fw::IDOK) return kImportCancelled;
  path = dlg.GetPathName();
  return GetFileTypeByExtension(path);
}

int RunImportCommand(CVORLAN98Doc& doc, CUndoList* undo, CTextEditorDlg* editor) {
  plat::HGLOBAL obj = 0, text = 0;
  const int type = ShowImportDialog(&obj, &text);
  if (type == kImportCancelled) return type;
  bool brought = false;
  if (obj) {
    std::unique_ptr<CSegArray> list = CSegArray::UnpackFromGlobal(obj);
    plat::GlobalFree(obj);
    if (list && !list->IsEmpty()) {
      const std::vector<CGraphObject*> added = list->Objects();
      if (undo) undo->StartRecord(0);
      doc.AddObjects(*list);
      if (undo) {
        for (CGraphObject* o : added)
          if (undo->GetRecordDepth()) undo->AppendUndoItem(std::make_unique<CUndoAddObject>(o));
        undo->EndRecord();
      }
      brought = true;
    }
  }
  if (text) {
    std::string gbk;
    {
      plat::GlobalLockGuard lock(text);
      if (lock) {
        const char* p = reinterpret_cast<const char*>(lock.bytes());
        gbk.assign(p, ::strnlen(p, plat::GlobalSize(text)));
      }
    }
    plat::GlobalFree(text);
    if (!gbk.empty()) {
      if (editor) editor->AppendText(gbk);
      brought = true;
    }
  }
  if (!brought && type != kImportText) plat::MessageBox(kDocFormatError, kDocErrorCaption, plat::MB_OK);
  return type;
}
