// The serial line settings dialog (299 "PortSetting") over "Port.INI".
#pragma once
#include "framework/dialog.h"
#include "output/portfile.h"

namespace portid {
constexpr fw::UINT IDD_PORT_SETTING = 299;
constexpr fw::UINT IDC_BAUD = 1290;
constexpr fw::UINT IDC_PARITY = 1291;
constexpr fw::UINT IDC_DATA_BITS = 1406;
constexpr fw::UINT IDC_STOP_BITS = 1407;
constexpr fw::UINT IDC_RTS_CTS = 1403;
constexpr fw::UINT IDC_XON_XOFF = 1404;
constexpr fw::UINT IDC_DTR_DSR = 1405;
constexpr fw::UINT IDC_PORT_RESET = 1088;
}  // namespace portid

class CPortSettingDlg : public fw::CDialog {
 public:
  explicit CPortSettingDlg(fw::CWnd* parent = nullptr);

  // The settings file the dialog edits (default: the program folder's).
  CPortFile& Port() { return m_port; }

  fw::BOOL OnInitDialog() override;
  // Refuses a speed that is not a positive whole number and data bits
  // outside 4..8 (beep, focus on the field, nothing stored).
  void OnOK() override;
  void OnReset();

 protected:
  FW_DECLARE_COMMAND_MAP()

 private:
  void Show(std::uint32_t speed, int parity, int dataBits, int stopBits, bool rtsCts, bool xonXoff,
            bool dtrDsr);
  CPortFile m_port;
};
