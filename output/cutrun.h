// The cut run: the objects of the cut window that fall inside the paper window,
// clipped, moved into plotter units and plotted path by path to the cutter
// device, which writes to the port or, for a handed-over job, into a data file
// the cut-job manager receives. Also the bar's "Test" and "Reset".
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "model/settings.h"

class CCutterDriver;
class CCutInfo;
class CSegArray;

namespace cutid {
constexpr fw::UINT IDD_CUT_PROGRESS = 214;
constexpr fw::UINT IDC_CUT_PROGRESS = 1311;
constexpr fw::UINT IDC_CUT_TEXT1 = 1312;
constexpr fw::UINT IDC_CUT_TEXT2 = 1313;
}  // namespace cutid

// The dialog templates of the cut window's run (once).
void RegisterCutRunResources();

// The modeless "Cut" dialog: progress, the current step as its text, and Cancel,
// which sets the device's abort flag (the dialog stays open).
class CutProgressDlg : public fw::CDialog {
 public:
  // Clears the device's abort flag.
  explicit CutProgressDlg(CCutterDriver& device);
  fw::BOOL Create(fw::CWnd* parent);
  void OnCancel() override;
  void OnOK() override {}
  // The window text; every step is kept in Steps().
  void SetStep(const std::string& text);
  void SetRange(std::int32_t lo, std::int32_t hi);
  void SetPos(std::int32_t pos);
  std::int32_t GetPos() const { return pos_; }
  const std::vector<std::string>& Steps() const { return steps_; }

 private:
  CCutterDriver& device_;
  std::int32_t pos_ = 0;
  std::vector<std::string> steps_;
};

enum class CutRunResult {
  Done,           // every object went out (and a handed-over job was taken)
  NothingInside,  // no object inside the paper window: no output
  PortFailed,     // the port or data file did not open: nothing sent, nothing handed over
  Cancelled,      // stopped by Cancel: the rest dropped, nothing handed over
  HandOffFailed,  // written, but the cut-job manager did not take it
};

// Copies the model's settings the job needs into the parameters and reads
// "SolidCut" and "VoidCut" from "CutInfo".
void CollectCutSettings(CCutterDriver& device, CCutInfo& info, const CIniFile& ini = g_CutterIni);

// What a run leaves for its caller to look at.
struct CutRunTrace {
  std::vector<std::string> steps;  // the progress dialog's texts
  std::int32_t progressRange = 0;
  std::int32_t progressPos = 0;
  // Called after each object has gone out, with the progress dialog.
  std::function<void(CutProgressDlg&)> afterObject;
};

// The run over the cut window's objects: clip to the paper window (`info`'s
// rectangle), map to plotter units, plot. `title` names a handed-over job;
// `frame` (may be null) is disabled while the job runs. The device's settings
// must be collected already (CollectCutSettings).
CutRunResult RunCut(CSegArray& objects, CCutterDriver& device, CCutInfo& info, const std::string& title,
                    fw::CWnd* frame, CutRunTrace* trace = nullptr);

// "Test": the set-up commands, a square of "TestWidth" mm when more than 3 mm,
// the end commands; "Reset": the same without the square. Both close the port.
// False when the port is not a device or did not open.
bool RunCutterTest(CCutterDriver& device, CCutInfo& info, fw::CWnd* frame);
bool RunCutterReset(CCutterDriver& device, CCutInfo& info, fw::CWnd* frame);
