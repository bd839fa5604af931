// The cut window's control bar: cutter model, port, speed, pressure and paper
// size, and the buttons that test or reset the cutter, run the cut and leave.
// It edits the global cutter device and cutting parameters; it keeps nothing.
#pragma once
#include <string>
#include <vector>

#include "framework/bars.h"
#include "model/settings.h"

class CCutterDriver;
class CCutInfo;
class CSegArray;

namespace cutid {
constexpr fw::UINT IDD_CUTTER_BAR = 189;
constexpr fw::UINT IDC_MODEL = 1280;
constexpr fw::UINT IDC_PORT = 1289;
constexpr fw::UINT IDC_SET_SPEED = 1295;
constexpr fw::UINT IDC_SPEED = 1062;
constexpr fw::UINT IDC_SET_FORCE = 1272;
constexpr fw::UINT IDC_FORCE = 1063;
constexpr fw::UINT IDC_FORCE_SPIN = 1064;
constexpr fw::UINT IDC_PAPER_WIDTH = 1065;
constexpr fw::UINT IDC_PAPER_HEIGHT = 1066;
constexpr fw::UINT IDC_TEST = 1134;
constexpr fw::UINT IDC_RESET = 1098;
constexpr fw::UINT IDC_OUTPUT = 1106;
constexpr fw::UINT IDC_EXIT = 1107;
// The cut window redraws its paper.
constexpr fw::UINT ID_CUT_REDRAW = 40031;
}  // namespace cutid

// The ports offered: "COMn" (n = 1..4) whose device is a terminal, "LPTn" whose
// device opens or refuses with EACCES, then "File". `portIni` maps the devices.
std::vector<std::string> ListCutterPorts(const std::string& portIni);

// The cut window's pages, which the bar collects before a run and refreshes
// with the model and the port.
class CCutPages {
 public:
  virtual ~CCutPages() = default;
  virtual void CollectPages() = 0;
  virtual void RefreshPages(bool devicePort) = 0;
};

class CCutterBar : public fw::CDialogBar {
 public:
  CCutterBar(CCutterDriver& device, CCutInfo& info, const CIniFile& ini = g_CutterIni);

  // Creates the bar along the top of the parent (the cut window) and fills it.
  fw::BOOL Create(fw::CWnd* parent);
  // What "Output" cuts: the cut window's objects and the document's title.
  void SetCutObjects(CSegArray* objects, const std::string& title) {
    objects_ = objects;
    title_ = title;
  }
  // The cut window's pages (null: none).
  void SetPages(CCutPages* pages) { pages_ = pages; }
  // Copies the model's settings into the parameters (and reads the half-cut
  // lengths); the cut window's pages add theirs first.
  void CollectSettings();
  // Refills speed and pressure from the model and enables by the port.
  void Refresh();

  void OnModelChange();
  void OnPortChange();
  void OnSpeedChange();
  void OnForceChange();
  void OnSetSpeed();
  void OnSetForce();
  void OnWidthKillFocus();
  void OnHeightKillFocus();
  void OnTest();
  void OnReset();
  void OnOutput();
  void OnExit();

  // The result of the last "Output" (-1 before any).
  int LastRun() const { return lastRun_; }

 protected:
  FW_DECLARE_COMMAND_MAP()

 private:
  void PaperEdge(fw::UINT id, bool width);
  std::string ItemText(fw::UINT id) const;
  void SetItemText(fw::UINT id, const std::string& text);
  fw::CWnd* CutWindow() const { return GetParent(); }

  CCutterDriver& device_;
  CCutInfo& info_;
  const CIniFile& ini_;
  CSegArray* objects_ = nullptr;
  CCutPages* pages_ = nullptr;
  std::string title_;
  int lastRun_ = -1;
};
