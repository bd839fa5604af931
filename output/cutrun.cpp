#include "output/cutrun.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include "framework/resources.h"
#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/segarray.h"
#include "output/cuthandoff.h"
#include "output/cutinfo.h"
#include "output/cutter.h"
#include "platform/report.h"

using fw::CtrlKind;
using fw::DialogTemplate;
using fw::DlgItemDef;

void RegisterCutRunResources() {
  // Again after the tables were cleared.
  if (fw::res::FindDialog(cutid::IDD_CUT_PROGRESS)) return;
  {
    constexpr fw::DWORD kChild = fw::WS_CHILD | fw::WS_VISIBLE;
    fw::res::SetDialog(cutid::IDD_CUT_PROGRESS,
                       DialogTemplate{"Cut",
                                      fw::WS_POPUP | fw::WS_CAPTION,
                                      {0, 0, 240, 110},
                                      {
                                          DlgItemDef(cutid::IDC_CUT_TEXT1, CtrlKind::Static, "Cutting.........",
                                                     kChild, {10, 8, 230, 22}),
                                          DlgItemDef(cutid::IDC_CUT_PROGRESS, CtrlKind::Progress, "", kChild,
                                                     {10, 28, 230, 42}),
                                          DlgItemDef(cutid::IDC_CUT_TEXT2, CtrlKind::Static,
                                                     "Press Cancel to About.", kChild, {10, 50, 230, 64}),
                                          DlgItemDef(fw::IDCANCEL, CtrlKind::Button, "Cancel",
                                                     kChild | fw::WS_TABSTOP, {80, 74, 160, 98}),
                                      }});
  }
}

CutProgressDlg::CutProgressDlg(CCutterDriver& device) : device_(device) { device_.abortFlag = 0; }

fw::BOOL CutProgressDlg::Create(fw::CWnd* parent) {
  RegisterCutRunResources();
  return CDialog::Create(cutid::IDD_CUT_PROGRESS, parent);
}

void CutProgressDlg::OnCancel() { device_.abortFlag = 1; }

void CutProgressDlg::SetStep(const std::string& text) {
  steps_.push_back(text);
  if (GetSafeHwnd()) SetWindowText(text);
}

void CutProgressDlg::SetRange(std::int32_t lo, std::int32_t hi) {
  if (auto* bar = Item<fw::CProgressCtrl>(cutid::IDC_CUT_PROGRESS)) bar->SetRange32(lo, hi);
}

void CutProgressDlg::SetPos(std::int32_t pos) {
  pos_ = pos;
  if (auto* bar = Item<fw::CProgressCtrl>(cutid::IDC_CUT_PROGRESS)) bar->SetPos(pos);
}

void CollectCutSettings(CCutterDriver& device, CCutInfo& info, const CIniFile& ini) {
  info.penMode = device.penMode;
  info.overCut = device.overcut;
  info.penForce = device.defaultForce;
  info.setForce = device.setForce;
  info.penSpeed = device.defaultSpeed;
  info.setSpeed = device.setSpeed;
  info.knifeOffset = device.offset;
  info.solidCut = ini.GetFloat("CutInfo", "SolidCut", 2.0f);
  info.voidCut = ini.GetFloat("CutInfo", "VoidCut", 0.2f);
}

namespace {

// Disables the cut window's frame while a job runs.
class ModalState {
 public:
  explicit ModalState(fw::CWnd* frame)
      : frame_(frame && frame->GetSafeHwnd() ? frame : nullptr), handle_(frame_ ? frame_->m_hWnd : 0) {
    if (frame_) frame_->EnableWindow(fw::FALSE);
  }
  ~ModalState() {
    if (frame_ && fw::CWnd::Alive(handle_)) frame_->EnableWindow(fw::TRUE);
  }
  ModalState(const ModalState&) = delete;
  ModalState& operator=(const ModalState&) = delete;

 private:
  fw::CWnd* frame_;
  fw::HWND handle_;
};

// The dialog, created and shown with its first text; destroyed at the end.
class Progress {
 public:
  Progress(CCutterDriver& device, fw::CWnd* parent, const char* text, CutRunTrace* trace)
      : dlg_(device), trace_(trace) {
    dlg_.Create(parent);
    dlg_.SetStep(text);
  }
  ~Progress() {
    if (trace_) {
      trace_->steps = dlg_.Steps();
      trace_->progressPos = dlg_.GetPos();
    }
    if (dlg_.GetSafeHwnd()) dlg_.DestroyWindow();
  }
  CutProgressDlg& dlg() { return dlg_; }

 private:
  CutProgressDlg dlg_;
  CutRunTrace* trace_;
};

// The paper window's frame without knife compensation; the model's pen mode
// comes back afterwards.
void CutPageFrame(CCutterDriver& device, float w, float h) {
  const std::uint32_t keep = device.penMode;
  device.penMode = 1;
  device.MoveTo(0.0f, 0.0f);
  device.LineTo(w, 0.0f);
  device.LineTo(w, h);
  device.LineTo(0.0f, h);
  device.LineTo(0.0f, 0.0f);
  device.EndPolyline();
  device.penMode = keep;
}

void DeleteFile(const std::string& path) {
  if (!path.empty()) std::remove(path.c_str());
}

}  // namespace

CutRunResult RunCut(CSegArray& objects, CCutterDriver& device, CCutInfo& info, const std::string& title,
                    fw::CWnd* frame, CutRunTrace* trace) {
  device.port.SetPortName(info.port.c_str());
  Progress progress(device, frame, "Clip        ", trace);
  CutProgressDlg& dlg = progress.dlg();

  std::unique_ptr<CGroupObject> group =
      CSegArray::ClipObjectsToRect(objects, info.left, info.top, info.right, info.bottom);
  if (!group || group->GetChildCount() == 0) {
    dlg.SetStep("Processing Ok !  ");
    return CutRunResult::NothingInside;
  }

  const float rs = device.rs > 0.0f && std::isfinite(device.rs) ? device.rs : 0.025f;
  const float unit = 1.0f / rs;
  CMatrix3 m(1, 0, 0, 1, 0.5f - info.left, 0.5f - info.top);
  m.Multiply(CMatrix3(unit, 0, 0, unit, 0, 0));
  m.Multiply(CMatrix3(1, 0, 0, 1, unit, unit));
  m.Multiply(CMatrix3(device.ratioX, 0, 0, device.ratioY, 0, 0));
  group->Transform(m);

  dlg.SetStep("Cutting!         ");
  group->FlattenSubgroups();
  group->RecalcChildBounds();
  ModalState modal(frame);
  device.abortFlag = 0;
  if (info.sort) group->SortChildrenByTop();

  std::string dataFile;
  if (info.remoteCut) {
    dataFile = MakeCutJobDataFile();
    device.port.SetPortName(dataFile.c_str());
  }

  std::int64_t total = 0;
  for (CGraphObject* c : group->children.Objects())
    if (c && c->kind == OBJ_PATH) total += static_cast<const CPathObject*>(c)->count;
  const std::int32_t range = total > INT32_MAX ? INT32_MAX : std::int32_t(total);
  dlg.SetRange(0, range);
  dlg.SetPos(0);
  if (trace) trace->progressRange = range;

  if (!device.BeginJob(&dlg, info)) {
    DeleteFile(dataFile);
    return CutRunResult::PortFailed;
  }
  plat::MessageBeep(0);
  std::int64_t pos = 0;
  for (CGraphObject* c : group->children.Objects()) {
    if (device.abortFlag) break;
    if (!c || c->kind != OBJ_PATH) continue;
    auto* path = static_cast<CPathObject*>(c);
    path->ApplyTransform();
    path->PlotToCutter(device);
    pos += path->count;
    dlg.SetPos(pos > INT32_MAX ? INT32_MAX : std::int32_t(pos));
    if (trace && trace->afterObject) trace->afterObject(dlg);
  }

  float feed;
  if (info.pageRect) {
    const float w = float(PlotterUnits(info.Width() / rs));
    const float h = float(PlotterUnits(info.Height() / rs));
    if (!device.abortFlag) CutPageFrame(device, w, h);
    feed = h;
  } else {
    group->RecalcChildBounds();
    feed = float(PlotterUnits(std::min(info.Height() / rs, group->bounds.bottom)));
  }
  device.EndJob(info, feed);
  const bool stopped = device.abortFlag != 0;
  device.ClosePort();

  if (stopped) {
    DeleteFile(dataFile);
    return CutRunResult::Cancelled;
  }
  if (info.remoteCut) {
    CCutJob job;
    job.dataPath = dataFile;
    job.name = title;
    job.header.OutMethod = device.outMethod;
    job.header.SetPortName(info.port);
    job.header.version = 6.0f;
    if (!SendJobToCutManager(job)) return CutRunResult::HandOffFailed;
  }
  return CutRunResult::Done;
}

namespace {

bool TestOrReset(CCutterDriver& device, CCutInfo& info, fw::CWnd* frame, bool square) {
  device.port.SetPortName(info.port.c_str());
  if (device.port.GetPortCode() <= 0) return false;
  Progress progress(device, frame, square ? "Test Plotter  " : "Reset Plotter       ", nullptr);
  ModalState modal(frame);
  if (!device.BeginJob(&progress.dlg(), info)) return false;
  if (square && device.rs > 0.0f && info.testWidth > 3) {
    const float w = float(PlotterUnits(float(info.testWidth) / device.rs));
    device.MoveTo(0.0f, 0.0f);
    device.LineTo(w, 0.0f);
    device.LineTo(w, w);
    device.LineTo(0.0f, w);
    device.LineTo(0.0f, 0.0f);
    device.EndPolyline();
  }
  device.EndJob(info, 0.0f);
  // The line is not held against the cut-job manager.
  device.ClosePort();
  return true;
}

}  // namespace

bool RunCutterTest(CCutterDriver& device, CCutInfo& info, fw::CWnd* frame) {
  return TestOrReset(device, info, frame, true);
}

bool RunCutterReset(CCutterDriver& device, CCutInfo& info, fw::CWnd* frame) {
  return TestOrReset(device, info, frame, false);
}
