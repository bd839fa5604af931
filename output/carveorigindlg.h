// The engraver origin dialog (309): the work area with a cross at the tool
// origin, X and Y in millimetres by field, scroll bar or click, the tool
// moved live and lowered or raised; OK writes the origin into the model's
// section of "Carves.INI". A device run on the chosen port lasts while it
// is open.
#pragma once
#include <cstdint>
#include <string>

#include "framework/dialog.h"
#include "output/carver.h"
#include "output/portfile.h"

namespace carveid {
constexpr fw::UINT IDD_CARVE_ORIGIN = 309;
constexpr fw::UINT IDC_ORIGIN_X = 1143;
constexpr fw::UINT IDC_ORIGIN_Y = 1144;
constexpr fw::UINT IDC_WORK_AREA = 1158;
constexpr fw::UINT IDC_SCROLL_X = 1362;
constexpr fw::UINT IDC_SCROLL_Y = 1363;
constexpr fw::UINT IDC_LIVE_MOVE = 1364;
constexpr fw::UINT IDC_TOOL_DOWN = 1365;
}  // namespace carveid

class CCarveOriginDlg : public fw::CDialog {
 public:
  // `iniPath` is the engraver models file, `portIni` the port settings.
  explicit CCarveOriginDlg(fw::CWnd* parent = nullptr, const std::string& iniPath = CCarveDriver::DefaultSettingsPath(),
                           const std::string& portIni = {});

  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnPaint() override;
  void OnLButtonUp(fw::UINT flags, fw::POINT pt) override;
  void OnHScroll(fw::UINT code, fw::UINT pos, fw::CWnd* bar) override;
  void OnVScroll(fw::UINT code, fw::UINT pos, fw::CWnd* bar) override;
  void OnXChanged();
  void OnYChanged();
  void OnLiveMove();
  void OnToolDown();

  float OriginX() const { return m_originX; }
  float OriginY() const { return m_originY; }
  CCarveDriver& Device() { return m_device; }
  CPortFile& Port() { return m_port; }
  // The work-area picture in client coordinates.
  fw::RECT Frame() const;

 protected:
  FW_DECLARE_COMMAND_MAP()

 private:
  // The cross at the origin, NOT-XOR: drawing it twice erases it.
  void DrawCross(plat::HDC dc = nullptr);
  void Changed(bool x);
  void Scrolled(bool x, fw::UINT code, fw::UINT pos);
  void MoveTool();
  void EndRun();

  CIniFile m_ini;
  CPortFile m_port;
  CCarveDriver m_device;
  int m_liveMove = 0;
  float m_originX = -1000.0f;
  float m_originY = -1000.0f;
  int m_guard = 0;
  std::uint32_t m_stop = 0;
  bool m_running = false;
};
