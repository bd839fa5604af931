// The cut window: the frame that carries the cutter bar along the top and the
// tabbed bar with the options page and the knife-and-paper page along the
// left, and its resources. The view that shows the arranged objects derives
// from the design program's view base and plugs in through CCutArrangementHost.
#pragma once
#include <string>

#include "framework/bars.h"
#include "framework/dialog.h"
#include "framework/docview.h"
#include "model/geometry.h"
#include "model/settings.h"
#include "output/cutterbar.h"

class CCutterDriver;
class CCutInfo;
class CSegArray;

namespace cutid {
constexpr fw::UINT IDR_CUT_FRAME = 188;  // menu and title "VORLANCUT"
constexpr fw::UINT IDD_CUT_BAR = 193;
constexpr fw::UINT IDC_CUT_TAB = 1079;
// Options page.
constexpr fw::UINT IDD_CUT_OPTIONS = 187;
constexpr fw::UINT IDC_SAVE_PAPER = 1312;
constexpr fw::UINT IDC_COLORS = 1303;
constexpr fw::UINT IDC_COLOR_LIST = 1310;
constexpr fw::UINT IDC_AUTO_FEED = 1304;
constexpr fw::UINT IDC_TEXT_LINE = 1306;
constexpr fw::UINT IDC_PAGE_RECT = 1074;
constexpr fw::UINT IDC_SORT = 1075;
constexpr fw::UINT IDC_KELVO = 1089;
constexpr fw::UINT IDC_MIRROR = 1101;
constexpr fw::UINT IDC_ROTATE = 1100;
constexpr fw::UINT IDC_ACCURACY = 1286;
constexpr fw::UINT IDC_ZOOM = 1093;
constexpr fw::UINT IDC_HALF_CUT = 1305;
constexpr fw::UINT IDC_HALF_SET = 1307;
constexpr fw::UINT IDC_FEED = 1313;
// Knife-and-paper page.
constexpr fw::UINT IDD_CUT_KNIFE = 196;
constexpr fw::UINT IDC_PLOT_MODE = 1420;
constexpr fw::UINT IDC_BLADE = 1421;
constexpr fw::UINT IDC_OVERCUT = 1240;
constexpr fw::UINT IDC_RATIO_X = 1297;
constexpr fw::UINT IDC_RATIO_Y = 1298;
constexpr fw::UINT IDC_LAP = 1320;
constexpr fw::UINT IDC_STEP_UP = 1135;
constexpr fw::UINT IDC_STEP_DOWN = 1137;
constexpr fw::UINT IDC_STEP_LEFT = 1136;
constexpr fw::UINT IDC_STEP_RIGHT = 1134;
constexpr fw::UINT IDC_PAUSE = 1095;
constexpr fw::UINT IDC_PORT_SETTING = 1294;
// Frame commands and the paper-edge tools.
constexpr fw::UINT ID_CUT_REBUILD = 32795;
constexpr fw::UINT ID_TOOL_EDGE_LEFT = 32796;
constexpr fw::UINT ID_TOOL_EDGE_RIGHT = 32797;
constexpr fw::UINT ID_TOOL_EDGE_TOP = 32798;
constexpr fw::UINT ID_TOOL_EDGE_BOTTOM = 32799;
}  // namespace cutid

// The frame, bars and pages of the cut window (once).
void RegisterCutWindowResources();

// What the pages re-arrange: the cut view's objects and arrangement rectangle.
class CCutArrangementHost {
 public:
  virtual ~CCutArrangementHost() = default;
  virtual CSegArray* GetCutObjects() = 0;
  virtual CFRect& GetArrangementRect() = 0;
  // Redraws after the objects moved.
  virtual void ArrangementChanged() = 0;
};

class CCutFrame;

// Options page (dialog 187).
class CCutOptionsPage : public fw::CDialog {
 public:
  CCutOptionsPage(CCutFrame& frame, CCutInfo& info) : frame_(frame), info_(info) {}
  fw::BOOL Create(fw::CWnd* parent);
  // The parameters into the controls.
  void Fill();
  // The check boxes and the feed gap into the parameters.
  void Collect();
  // "Kelvo" only for a device port; cleared when disabled.
  void EnableHandOver(bool devicePort);
  // The colour numbers, each once, in the order given.
  void FillColors(CSegArray& objects);

  void OnSavePaper();
  void OnColors();
  void OnColorChange();
  void OnAutoFeed();
  void OnTextLine();
  void OnPageRect();
  void OnSort();
  void OnHandOver();
  void OnMirror();
  void OnRotate();
  void OnAccuracyKillFocus();
  void OnZoomKillFocus();
  void OnHalfCut();
  void OnHalfSet();
  void OnFeedKillFocus();

 protected:
  FW_DECLARE_COMMAND_MAP()

 private:
  bool Checked(fw::UINT id) const { return IsDlgButtonChecked(id) != 0; }
  void Rearranged(int op, float ratio = 1.0f);
  CCutFrame& frame_;
  CCutInfo& info_;
};

// Knife-and-paper page (dialog 196).
class CCutKnifePage : public fw::CDialog {
 public:
  CCutKnifePage(CCutFrame& frame, CCutInfo& info, CCutterDriver& device)
      : frame_(frame), info_(info), device_(device) {}
  fw::BOOL Create(fw::CWnd* parent);
  // The model's knife settings into the controls ("PlotMode" only where the
  // model can switch it).
  void Fill();
  // Overcut, knife offset ("0.35" for one outside 0.1..0.51), "PlotMode" and
  // the ratios into the device.
  void Collect();

  void OnBladeKillFocus();
  void OnLapKillFocus();
  void OnPause();
  void OnStepUp();
  void OnStepDown();
  void OnStepLeft();
  void OnStepRight();
  void OnPortSetting();

 protected:
  FW_DECLARE_COMMAND_MAP()

 private:
  void Step(int step);
  CCutFrame& frame_;
  CCutInfo& info_;
  CCutterDriver& device_;
};

// The tabbed bar along the left (dialog 193): tab 0 the options page, tab 1
// the knife-and-paper page.
class CCutBar : public fw::CDialogBar, public CCutPages {
 public:
  CCutBar(CCutFrame& frame, CCutInfo& info, CCutterDriver& device);
  fw::BOOL Create(fw::CWnd* parent);
  CCutOptionsPage& Options() { return options_; }
  CCutKnifePage& Knife() { return knife_; }
  // Shows the page of the tab.
  void ShowPage(int tab);
  void OnTabChange(fw::NMHDR* hdr, fw::LRESULT* result);
  void OnSize(fw::UINT type, int cx, int cy) override;

  // CCutPages.
  void CollectPages() override;
  void RefreshPages(bool devicePort) override;

 protected:
  FW_DECLARE_COMMAND_MAP()

 private:
  CCutOptionsPage options_;
  CCutKnifePage knife_;
};

// The cut window's frame. Its client holds the cut view (the creation
// context's view class); the parameters and the device are the globals.
class CCutFrame : public fw::CFrameWnd {
  FW_DECLARE_DYNAMIC(CCutFrame)
  FW_DECLARE_COMMAND_MAP()

 public:
  CCutFrame(CCutterDriver& device, CCutInfo& info, const CIniFile& ini = g_CutterIni);
  CCutFrame();

  CCutterBar& GetCutterBar() { return cutterBar_; }
  CCutBar& GetCutBar() { return cutBar_; }
  CCutInfo& GetInfo() { return info_; }
  CCutterDriver& GetDevice() { return device_; }
  const CIniFile& GetIni() const { return ini_; }
  // The view registers itself when it is created.
  void SetArrangementHost(CCutArrangementHost* host) { host_ = host; }
  CCutArrangementHost* GetArrangementHost() const { return host_; }

  int OnCreate(fw::CREATESTRUCT* cs) override;
  void OnClose() override;
  void OnDestroy() override;
  void OnNothing() {}
  void OnUpdateTest(fw::CCmdUI* ui) { ui->Enable(fw::TRUE); }

 private:
  CCutterDriver& device_;
  CCutInfo& info_;
  const CIniFile& ini_;
  CCutterBar cutterBar_;
  CCutBar cutBar_;
  CCutArrangementHost* host_ = nullptr;
};
