// Zoom and redraw, the grid switch, the property window, Get Image and the
// transform commands of the design view.
#include <algorithm>
#include <memory>
#include <string>

#include "app/designview.h"
#include "app/document.h"
#include "app/importcmd.h"
#include "app/rulers.h"
#include "app/selecttracker.h"
#include "app/viewcmd.h"
#include "framework/input.h"
#include "model/dllholder.h"
#include "model/imageobject.h"
#include "model/imagereaders.h"
#include "model/records.h"
#include "model/rulerguides.h"
#include "model/settings.h"
#include "model/transformdlg.h"
#include "model/transformobject.h"
#include "model/undoitems.h"

namespace {

constexpr fw::UINT ID_REDRAW = 40031;
constexpr fw::UINT ID_FIT_IN_WINDOW = 40111;
constexpr fw::UINT ID_ZOOM_IN_AT_POINTER = 49008;
constexpr fw::UINT ID_ZOOM_OUT_AT_POINTER = 49007;
constexpr fw::UINT ID_REFERENCE_LINE = 32813;
constexpr fw::UINT ID_BORDER = 32814;
constexpr fw::UINT ID_REFRESH_PROPERTY = 32819;
constexpr fw::UINT ID_GET_IMAGE = 40021;
constexpr fw::UINT ID_TRANSFORM = 60000;
constexpr fw::UINT ID_FIRST_TRANSFORM_ITEM = 60001;
constexpr fw::UINT ID_LAST_TRANSFORM_ITEM = 60099;
constexpr fw::UINT ID_UNTRANSFORM = 60100;

constexpr fw::BYTE kScrollLockScan = 0x46;
constexpr fw::DWORD kExtendedKey = 0x0001;

constexpr const char* kImageFilter = "Windows Bitmap (*.BMP)|*.BMP|TIFF Files (*.Tif)|*.Tif|";
constexpr std::size_t kMaxImageFolder = 50;
constexpr int kTypeTiff = 7;
constexpr int kTypeBmp = 8;
constexpr double kImageSidePixels = 200.0;

void OnRedraw(CVORLAN98View& view) {
  if (view.m_hWnd) view.Invalidate(fw::TRUE);
}

CFRect PageRect(const CVORLAN98View& view) { return view.PageViewRect(); }

void OnZoomNormal(CVORLAN98View& view) { view.ZoomNormal(); }

void OnFitInWindow(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!view.GetRulers() || !doc) return;
  CFRect r;
  CSelectTracker* tracker = view.Tracker();
  if (tracker && tracker->GetSelectionRect(&r) != 0) {
    r.Normalize();
  } else {
    if (doc->GetObjectCount() == 0) return;
    r = doc->GetObjectAt(0)->bounds;
    for (int i = 1; i < doc->GetObjectCount(); ++i) {
      const CFRect& b = doc->GetObjectAt(i)->bounds;
      r.left = std::min(r.left, b.left);
      r.top = std::min(r.top, b.top);
      r.right = std::max(r.right, b.right);
      r.bottom = std::max(r.bottom, b.bottom);
    }
    const CFRect page = PageRect(view);
    r.left = std::min(r.left, page.left);
    r.top = std::min(r.top, page.top);
    r.right = std::max(r.right, page.right);
    r.bottom = std::max(r.bottom, page.bottom);
  }
  view.ZoomToRect(r);
  view.RepaintAll();
}

// The visible span about the pointer: a quarter of it (in) or all of it
// (out) each side of the pointer's page point.
void ZoomAtPointer(CVORLAN98View& view, double k) {
  CViewRulers* rulers = view.GetRulers();
  if (!rulers || !view.m_hWnd) return;
  fw::POINT pt = fw::Mouse::Position();
  view.ScreenToClient(&pt);
  const CFPoint c = view.DeviceToPage(pt.x, pt.y);
  const fw::SIZE client = view.GetClientSize();
  const double s = view.GetScale();
  const double w = double(client.cx - rulers->GetThickness()) * k * s;
  const double h = double(client.cy - rulers->GetThickness()) * k * s;
  view.ZoomToRect(CFRect(float(c.x - w), float(c.y - h), float(c.x + w), float(c.y + h)));
  view.RepaintAll();
}

void OnZoomInAtPointer(CVORLAN98View& view) { ZoomAtPointer(view, 0.25); }
void OnZoomOutAtPointer(CVORLAN98View& view) { ZoomAtPointer(view, 1.0); }

// The grid follows Scroll Lock: a press and a release flip it.
void OnGrid(CVORLAN98View& view) {
  fw::keybd_event(fw::BYTE(fw::VK_SCROLL), kScrollLockScan, kExtendedKey, 0);
  fw::keybd_event(fw::BYTE(fw::VK_SCROLL), kScrollLockScan, kExtendedKey | fw::KEYEVENTF_KEYUP, 0);
  if (view.m_hWnd) view.Invalidate(fw::TRUE);
}

void OnNoEffect(CVORLAN98View&) {}

// The current guide's panel, else the current object's.
void OnRefreshProperty(CVORLAN98View& view) {
  CAppServices* app = GetAppServices();
  CWindowServices* prop = app ? app->GetPropertyFrame() : nullptr;
  if (!prop) return;
  if (CViewRulers* rulers = view.GetRulers(); rulers && rulers->Guides().ShowGuideProperties(prop)) return;
  if (CSelectTracker* tracker = view.Tracker()) tracker->ShowProperties(prop);
}

// Width and height of an image: the longer side 200 screen pixels.
CFRect ImageRect(double wp, double hp, double s) {
  double w, h;
  if (wp <= hp) {
    h = kImageSidePixels * s;
    w = kImageSidePixels * s * wp / hp;
  } else {
    w = kImageSidePixels * s;
    h = kImageSidePixels * s * hp / wp;
  }
  return CFRect(0.0f, 0.0f, float(w), float(h));
}

// The pixel size of a BMP or TIFF file; false when the reader refuses it.
bool ReadImageSize(const std::string& path, int type, fw::CWnd* parent, double* wp, double* hp) {
  if (type == kTypeTiff) {
    CTiffReader reader(path);
    if (!reader.ReadHeader() || !reader.CheckFile(parent)) return false;
    *wp = double(reader.width());
    *hp = double(reader.height());
  } else if (type == kTypeBmp) {
    CBmpReader reader(path);
    if (!reader.ReadHeader() || !reader.CheckFile(parent)) return false;
    *wp = double(reader.width());
    *hp = std::abs(double(reader.height()));
  } else {
    return false;
  }
  // No side, no shape.
  return *wp > 0.0 && *hp > 0.0;
}

void OnGetImage(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  if (!doc) return;
  std::string folder = g_Profile.GetString("SystemParam", "Image", "C:\\VORLAN\\");
  if (folder.size() > kMaxImageFolder) folder.resize(kMaxImageFolder);
  std::string path;
  const int type = OpenFileOfType(path, "图形读取", kImageFilter, folder.c_str());
  if (type < 0) return;
  const std::string kept = ImportFolderOf(path);
  if (!kept.empty()) g_Profile.WriteString("SystemParam", "Image", kept.c_str());

  double wp = 0.0, hp = 0.0;
  if (!CImageObject::IsStorableName(path) || !ReadImageSize(path, type, &view, &wp, &hp)) return;
  auto* image = new CImageObject(path);
  image->bounds = ImageRect(wp, hp, view.GetScale());
  CUndoList* undo = view.GetUndoList();
  undo->StartRecord(0);
  AppendUndo(&view, std::make_unique<CUndoAddObject>(image));
  doc->AddObject(image, true);
  image->InvalidateObjectRect(&view, true);
  doc->SetModifiedFlag(fw::TRUE);
  undo->EndRecord();
}

void OnTransformDialog(CVORLAN98View& view) {
  CTransformDlg dlg(&view);
  dlg.DoModal();
}

void OnTransformItem(CVORLAN98View& view, fw::UINT id) { TransformSelection(view, int(id - ID_TRANSFORM)); }

// The one selected transformed object gives way to its source, placed by
// the transform's matrix.
void OnUnTransform(CVORLAN98View& view) {
  CVORLAN98Doc* doc = view.GetDoc();
  CSelectTracker* tracker = view.Tracker();
  if (!doc || !tracker) return;
  CGraphObject* selected = view.GetSelectedObject();
  if (!selected || selected->kind != OBJ_TRANSFORM) return;
  auto* object = dynamic_cast<CTransformObject*>(selected);
  if (!object || !object->GetSource()) return;

  CUndoList* undo = view.GetUndoList();
  undo->StartRecord(0);
  const bool recording = undo->GetRecordDepth() > 0;
  if (view.GetEditObject() == object) {
    object->EndEdit(&view);
    view.SetEditObject(nullptr);
  }
  tracker->ClearSelection(nullptr, true);
  const int index = doc->RemoveObject(object);
  if (index < 0) {
    undo->EndRecord();
    return;
  }
  object->InvalidateObjectRect(&view, true);
  // The source leaves first: the transformed object goes without it.
  std::unique_ptr<CGraphObject> source = object->DetachSource();
  CGraphObject* raw = source.release();
  CMatrix3 m;
  const bool placed = TheTransformDll().GetTransformMatrix(object->GetTransform(), &m) && !m.IsIdentity() &&
                      m.IsInvertible();
  std::unique_ptr<CUndoItem> matrixUndo;
  if (placed && recording) matrixUndo = std::make_unique<CUndoMatrix>(raw, m);
  if (placed) raw->Transform(m);
  if (recording) {
    undo->AppendUndoItem(
        std::make_unique<CUndoRemoveTransform>(std::unique_ptr<CTransformObject>(object), raw, index));
    if (matrixUndo) undo->AppendUndoItem(std::move(matrixUndo));
  } else {
    DeleteDetachedObject(doc, object);
  }
  doc->AddObject(raw, true);
  raw->InvalidateObjectRect(&view, true);
  tracker->Select(raw);
  doc->SetModifiedFlag(fw::TRUE);
  undo->EndRecord();
}

void OnUpdateUnTransform(CVORLAN98View& view, fw::CCmdUI* ui) {
  CGraphObject* selected = view.GetSelectedObject();
  ui->Enable(selected && selected->kind == OBJ_TRANSFORM);
}

}  // namespace

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::ViewMap)
VIEW_ON_COMMAND(ID_REDRAW, OnRedraw)
VIEW_ON_COMMAND(ID_ZOOM_NORMAL, OnZoomNormal)
VIEW_ON_COMMAND(ID_FIT_IN_WINDOW, OnFitInWindow)
VIEW_ON_COMMAND(ID_ZOOM_IN_AT_POINTER, OnZoomInAtPointer)
VIEW_ON_COMMAND(ID_ZOOM_OUT_AT_POINTER, OnZoomOutAtPointer)
VIEW_ON_COMMAND(ID_VIEW_GRID, OnGrid)
VIEW_ON_COMMAND(ID_REFERENCE_LINE, OnNoEffect)
VIEW_ON_COMMAND(ID_BORDER, OnNoEffect)
VIEW_ON_COMMAND(ID_REFRESH_PROPERTY, OnRefreshProperty)
VIEW_ON_COMMAND(ID_GET_IMAGE, OnGetImage)
VIEW_ON_COMMAND(ID_TRANSFORM, OnTransformDialog)
VIEW_ON_COMMAND_RANGE(ID_FIRST_TRANSFORM_ITEM, ID_LAST_TRANSFORM_ITEM, OnTransformItem)
VIEW_ON_COMMAND(ID_UNTRANSFORM, OnUnTransform)
VIEW_ON_UPDATE(ID_UNTRANSFORM, OnUpdateUnTransform)
FW_END_COMMAND_FAMILY()
