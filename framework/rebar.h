// A rebar: control bars in bands, one band a row, each with a gripper at its left
// unless told otherwise. The rebar is the frame's bar; the bands' bars are its children.
#pragma once
#include <vector>

#include "framework/bars.h"

namespace fw {

constexpr UINT RBBS_GRIPPERALWAYS = 0x0080;
constexpr UINT RBBS_NOGRIPPER = 0x0100;
constexpr UINT AFX_IDW_REBAR = 0xE804;

class CReBar : public CControlBar {
  FW_DECLARE_DYNAMIC(CReBar)

 public:
  static constexpr int kGripperWidth = 10;
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = AFX_IDW_REBAR);
  // Moves the bar into a new band at the bottom of the rebar; it leaves the frame's layout
  // and keeps its owner, who receives its commands.
  BOOL AddBar(CControlBar* bar, UINT bandStyle = RBBS_GRIPPERALWAYS);
  int GetBandCount() const { return int(bands_.size()); }
  CControlBar* GetBandBar(int band) const;
  // The band's rectangle and its gripper's (empty without one), in client coordinates.
  BOOL GetBandRect(int band, RECT* r) const;
  BOOL GetGripperRect(int band, RECT* r) const;

  SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnPaint() override;

 private:
  struct Band {
    CControlBar* bar;
    UINT style;
  };
  int BandHeight(int band) const;
  void LayoutBands();
  std::vector<Band> bands_;
};

}  // namespace fw
