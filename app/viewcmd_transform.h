// The transform, duplication and expand dialogs of the design view: each
// acts on the selection of its view inside one undo step.
#pragma once
#include <cstdint>
#include <string>

#include "framework/dialog.h"
#include "model/geometry.h"

class CVORLAN98View;
class CSelectTracker;

namespace transformdlg {

constexpr std::uint32_t IDD_ROTATE = 169;
constexpr std::uint32_t IDD_SKEW = 170;
constexpr std::uint32_t IDD_MIRROR = 171;
constexpr std::uint32_t IDD_SCALE = 172;
constexpr std::uint32_t IDD_MULTI_DUP = 173;
constexpr std::uint32_t IDD_EXPAND = 219;

constexpr std::uint32_t IDC_ROTATE_ANGLE = 1177;
constexpr std::uint32_t IDC_SKEW_X = 1178;
constexpr std::uint32_t IDC_SKEW_Y = 1179;
constexpr std::uint32_t IDC_MIRROR_X = 1180;
constexpr std::uint32_t IDC_MIRROR_Y = 1181;

constexpr std::uint32_t IDC_SCALE_X = 1185;
constexpr std::uint32_t IDC_SCALE_Y = 1186;
constexpr std::uint32_t IDC_SCALE_UNIT = 1184;
constexpr std::uint32_t IDC_SCALE_PROPORTION = 1038;
constexpr std::uint32_t IDC_SCALE_RATIO = 1039;
constexpr std::uint32_t IDC_SCALE_BY_RATIO = 1143;
constexpr std::uint32_t IDC_SCALE_BY_SIZE = 1183;

constexpr std::uint32_t IDC_DUP_SIZE_X = 1144;
constexpr std::uint32_t IDC_DUP_SIZE_Y = 1145;
constexpr std::uint32_t IDC_DUP_COLUMNS = 1189;
constexpr std::uint32_t IDC_DUP_ROWS = 1190;
constexpr std::uint32_t IDC_DUP_GAPS_X = 1191;
constexpr std::uint32_t IDC_DUP_GAPS_Y = 1192;
constexpr std::uint32_t IDC_DUP_FIT_PAGE = 1193;
constexpr std::uint32_t IDC_DUP_LABEL_X = 1194;
constexpr std::uint32_t IDC_DUP_LABEL_Y = 1195;

constexpr std::uint32_t IDC_EXPAND_ANGLE = 1378;
constexpr std::uint32_t IDC_EXPAND_SIZE = 1380;
constexpr std::uint32_t IDC_EXPAND_SIZE_SPIN = 1381;
constexpr std::uint32_t IDC_EXPAND_ACCURATE = 1382;
constexpr std::uint32_t IDC_EXPAND_ANGLE_SPIN = 1383;
constexpr std::uint32_t IDC_EXPAND_ACCURATE_SPIN = 1384;
constexpr std::uint32_t IDC_EXPAND_LIMIT = 1386;
constexpr std::uint32_t IDC_EXPAND_KEEP = 1387;
constexpr std::uint32_t IDC_EXPAND_CORNER = 1388;
constexpr std::uint32_t IDC_EXPAND_SMOOTH = 1389;
constexpr std::uint32_t IDC_EXPAND_LIMIT_SPIN = 1391;
constexpr std::uint32_t IDC_EXPAND_WORD = 1396;

// The templates of the six dialogs.
void RegisterResources();

}  // namespace transformdlg

// Base of the five transform dialogs: the view whose selection they change.
class CSelectionDlg : public fw::CDialog {
 public:
  CSelectionDlg(fw::UINT templateId, CVORLAN98View* view);

 protected:
  CSelectTracker* Tracker() const;
  // The selection's bounds; false when nothing is selected.
  bool SelectionRect(CFRect* out) const;
  // The number in an edit as a decimal number; false when it is not finite
  // as a float.
  bool ReadNumber(fw::UINT id, float* out) const;

  CVORLAN98View* m_view;
};

class CRotateDlg : public CSelectionDlg {
 public:
  explicit CRotateDlg(CVORLAN98View* view) : CSelectionDlg(transformdlg::IDD_ROTATE, view) {}
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
};

class CSkewDlg : public CSelectionDlg {
 public:
  explicit CSkewDlg(CVORLAN98View* view) : CSelectionDlg(transformdlg::IDD_SKEW, view) {}
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
};

class CMirrorDlg : public CSelectionDlg {
 public:
  explicit CMirrorDlg(CVORLAN98View* view) : CSelectionDlg(transformdlg::IDD_MIRROR, view) {}
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
};

class CScaleDlg : public CSelectionDlg {
  FW_DECLARE_COMMAND_MAP()

 public:
  explicit CScaleDlg(CVORLAN98View* view) : CSelectionDlg(transformdlg::IDD_SCALE, view) {}
  fw::BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  void ShowSizes();
  void OnByRatio();
  void OnBySize() { ShowSizes(); }
  void OnWidthChanged();
  void OnHeightChanged();
  void OnRatioChanged();
  void OnProportion();
  // Writes while the guard keeps the edit handlers out.
  void Put(fw::UINT id, double value);

  std::uint32_t m_proportion = 0;
  CFRect m_rect;
  std::uint32_t m_updating = 0;
};

class CMultiDupDlg : public CSelectionDlg {
  FW_DECLARE_COMMAND_MAP()

 public:
  explicit CMultiDupDlg(CVORLAN98View* view) : CSelectionDlg(transformdlg::IDD_MULTI_DUP, view) {}
  fw::BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  void OnFitPage();
  void ShowLabels(bool fit);
  // The margin of a gap edit: negative becomes 1.0, written back.
  float ReadMargin(fw::UINT id);

  CFRect m_rect;
  bool m_any = false;
};

class CExpandDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  explicit CExpandDlg(CVORLAN98View* view) : fw::CDialog(transformdlg::IDD_EXPAND), m_view(view) {}
  fw::BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  void OnSpin(fw::NMHDR* hdr, fw::LRESULT* result);

  CVORLAN98View* m_view;
};
