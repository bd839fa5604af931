// The grey image bars dialog (185): the first selected image object becomes
// a path of horizontal bars whose thickness follows its grey values.
#pragma once
#include <cstdint>

#include "framework/dialog.h"

class CVORLAN98View;
class CImageObject;

namespace graydlg {
constexpr fw::UINT IDD_GRAY_VECTOR = 185;
constexpr fw::UINT IDC_GRAY_COUNT = 1044;
constexpr fw::UINT IDC_GRAY_BAR = 1048;
constexpr fw::UINT IDC_GRAY_MIN = 1050;
constexpr fw::UINT IDC_GRAY_MAX = 1051;
constexpr fw::UINT IDC_GRAY_MIN_SPIN = 1052;
constexpr fw::UINT IDC_GRAY_MAX_SPIN = 1053;
constexpr fw::UINT IDC_GRAY_THRESHOLD = 1054;
constexpr fw::UINT IDC_GRAY_THRESHOLD_SPIN = 1055;
constexpr fw::UINT IDC_GRAY_BUTTON = 1134;
constexpr fw::UINT IDC_GRAY_WIDTH = 1278;
constexpr fw::UINT IDC_GRAY_HEIGHT = 1279;
}  // namespace graydlg

void RegisterGrayVectorDialog();

class CGrayVectorDlg : public fw::CDialog {
 public:
  explicit CGrayVectorDlg(CVORLAN98View& view, fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  CImageObject* GetImage() const { return m_image; }

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnBarChanged();
  void OnCountChanged();

 private:
  void EnableOk(bool on);

  CVORLAN98View& m_view;
  CImageObject* m_image = nullptr;
  bool m_usable = false;     // an image of 4 bits a pixel or more
  std::uint32_t m_guard = 0;  // set while one linked edit writes the other
};
