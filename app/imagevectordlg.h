// The tracing dialogs: "Image Vector" (280) traces the selected image object
// through "Vector.dll" or "Trace.dll"; "Image Vector Set" (213: every fitting
// parameter, 212: seven of them) edits profile section "VECTOR".
#pragma once
#include <vector>

#include "framework/dialog.h"

class CVORLAN98View;

namespace ivdlg {
constexpr fw::UINT IDD_IMAGE_VECTOR = 280;
constexpr fw::UINT IDD_VECTOR_SET = 212;
constexpr fw::UINT IDD_VECTOR_SET_ALL = 213;

// 280
constexpr fw::UINT IDC_PRECISION0 = 1233;
constexpr fw::UINT IDC_PRECISION1 = 1234;
constexpr fw::UINT IDC_NORMAL = 1235;
constexpr fw::UINT IDC_PRECISION3 = 1236;
constexpr fw::UINT IDC_PRECISION4 = 1237;
constexpr fw::UINT IDC_VECTOR_MESSAGE = 1238;
constexpr fw::UINT IDC_BLACK_THRESHOLD = 1261;
// 213
constexpr fw::UINT IDC_PARAM_LIST = 1098;
constexpr fw::UINT IDC_PARAM_VALUE = 1368;
constexpr fw::UINT IDC_PARAM_MODIFY = 1360;
constexpr fw::UINT IDC_PARAM_INITIALIZE = 1371;
// 212
constexpr fw::UINT IDC_CORNERS = 1368;
constexpr fw::UINT IDC_ANGLE_CAPTURE = 1369;
constexpr fw::UINT IDC_FITTING_ACC = 1370;
constexpr fw::UINT IDC_LINE_RESTORE = 1372;
constexpr fw::UINT IDC_FITTING_TIMES = 1373;
constexpr fw::UINT IDC_LINE_FITTING = 1374;
constexpr fw::UINT IDC_ANGLE = 1365;
constexpr fw::UINT IDC_RESTORE = 1371;
}  // namespace ivdlg

void RegisterImageVectorDialogs();

class CImageVectorDlg : public fw::CDialog {
 public:
  // Traces through "Vector.dll" with the flag, else "Trace.dll".
  CImageVectorDlg(CVORLAN98View& view, bool useVector, fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

 private:
  class CImageObject* SelectedImage() const;
  void NoImage();
  void SaveSettings();
  void PaintOver();

  CVORLAN98View& m_view;
  bool m_useVector;
};

// Dialog 213: the twenty fitting parameters as a list.
class CVectorSetAllDlg : public fw::CDialog {
 public:
  explicit CVectorSetAllDlg(fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnSelectLine();
  void OnModify();
  void OnInitialize();

 private:
  void Fill(int select);

  std::vector<float> m_values;
};

// Dialog 212: seven of the fitting parameters.
class CVectorSetDlg : public fw::CDialog {
 public:
  explicit CVectorSetDlg(fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnRestore();

 private:
  void Show();
};
