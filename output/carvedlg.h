// The engraver output dialog (297 "Cave Out"): model, port, fill step and
// options kept in "Carves.INI" section "CarveInfo"; OK engraves the design
// (a second OK stops the run), the origin button opens the origin dialog and
// "PortSetting" the serial line settings.
#pragma once
#include <cstdint>
#include <string>

#include "framework/dialog.h"
#include "model/geometry.h"
#include "output/carver.h"
#include "output/carverun.h"
#include "output/portfile.h"

class CDocumentServices;

namespace carveid {
constexpr fw::UINT IDD_CARVE_OUT = 297;
constexpr fw::UINT IDC_PORT = 1289;
constexpr fw::UINT IDC_DEVICE = 1290;
constexpr fw::UINT IDC_MIRROR = 1308;
constexpr fw::UINT IDC_ROTATE = 1307;
constexpr fw::UINT IDC_REMOTE_OUT = 1089;
constexpr fw::UINT IDC_FILL_MODE = 1321;
constexpr fw::UINT IDC_DOUBLE_WAY = 1318;
constexpr fw::UINT IDC_DRAW_CONTOUR = 1319;
constexpr fw::UINT IDC_INVERSE_OUT = 1171;
constexpr fw::UINT IDC_FILL_STEP = 1316;
constexpr fw::UINT IDC_CURVE_ACCURATE = 1286;
constexpr fw::UINT IDC_AREA_EXPAND = 1367;
constexpr fw::UINT IDC_PAGE_WIDTH = 1277;
constexpr fw::UINT IDC_PAGE_HEIGHT = 1276;
constexpr fw::UINT IDC_AREA_KIND = 1366;
constexpr fw::UINT IDC_PROGRESS = 1311;
constexpr fw::UINT IDC_PORT_SETTING = 1134;
constexpr fw::UINT IDC_ORIGIN = 1355;
}  // namespace carveid

class C2DCarveDlg : public fw::CDialog {
 public:
  // The design of `doc`, handed over under `title`. `iniPath` is the engraver
  // models file, `portIni` the port settings (default: the program folder's).
  C2DCarveDlg(CDocumentServices& doc, const std::string& title, fw::CWnd* parent = nullptr,
              const std::string& iniPath = CCarveDriver::DefaultSettingsPath(), const std::string& portIni = {});

  fw::BOOL OnInitDialog() override;
  // Idle: validates and runs, then closes with IDOK. During a run: stops it.
  void OnOK() override;
  // Saves the settings and closes; during a run it only stops it.
  void OnCancel() override;
  void OnPortSetting();
  void OnOrigin();

  // The check boxes, fill step, curve accuracy and area expansion from the
  // controls; false (with "非法的输出参数") for a bad value.
  bool Validate();
  void SaveSettings();

  CCarveDriver& Device() { return m_device; }
  CPortFile& Port() { return m_port; }
  bool Running() const { return m_running; }
  std::uint32_t IdleFlag() const { return m_idle; }
  const CFRect& Area() const { return m_area; }
  int AreaKind() const { return m_areaKind; }
  // The last run's result and what it left; hooks for its rows.
  CarveResult LastResult() const { return m_lastResult; }
  CarveTrace& Trace() { return m_trace; }

 protected:
  FW_DECLARE_COMMAND_MAP()

 private:
  void Output();
  CarveParams Params() const;

  CDocumentServices& m_doc;
  std::string m_title;
  CIniFile m_ini;
  CPortFile m_port;
  CCarveDriver m_device;
  std::uint32_t m_idle = 1;
  bool m_running = false;
  int m_doubleWay = 1, m_inverseOut = 0, m_drawContour = 0, m_remoteOut = 0, m_fillMode = 0, m_rotate = 0,
      m_mirror = 1;
  float m_fillStep = 0.1f;
  float m_curveAccuracy = 4.0f;
  float m_areaExpand = 0.0f;
  CFRect m_area;
  int m_areaKind = 0;
  CarveResult m_lastResult = CarveResult::Done;
  CarveTrace m_trace;
};
