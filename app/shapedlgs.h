// The shape dialogs: regular polygon settings (165), table (166), frames
// around the selection (167), rectangles (190) and circles and arcs (191).
// Those that build objects add them to their view's document as one undo
// step, around the drawing tools' last point.
#pragma once
#include <cstdint>

#include "app/dlgutil.h"
#include "framework/dialog.h"

class CVORLAN98View;

namespace shapedlg {
constexpr fw::UINT IDD_POLYGON = 165;
constexpr fw::UINT IDD_TABLE = 166;
constexpr fw::UINT IDD_LINESTYLE = 167;
constexpr fw::UINT IDD_RECTANGLE = 190;
constexpr fw::UINT IDD_CIRCLE = 191;

constexpr fw::UINT IDC_POLY_SIDES = 1153;
constexpr fw::UINT IDC_POLY_SPIN = 1154;
constexpr fw::UINT IDC_POLY_PREVIEW = 1158;
constexpr fw::UINT IDC_POLY_LINE = 1159;
constexpr fw::UINT IDC_POLY_SHARP = 1160;

constexpr fw::UINT IDC_TABLE_LINE = 1161;     // frame margin
constexpr fw::UINT IDC_TABLE_OUTLINE = 1162;  // line width between cells
constexpr fw::UINT IDC_WIDTHS = 1144;
constexpr fw::UINT IDC_HEIGHTS = 1145;

constexpr fw::UINT IDC_LINE_HEIGHT = 1164;
constexpr fw::UINT IDC_LINE_WIDTH = 1165;
constexpr fw::UINT IDC_LINE_YSPACE = 1166;
constexpr fw::UINT IDC_LINE_SINGLE = 1167;
constexpr fw::UINT IDC_LINE_DOUBLE = 1168;
constexpr fw::UINT IDC_LINE_XSPACE = 1169;

constexpr fw::UINT IDC_CIRCLE_CIRCLE = 158;
constexpr fw::UINT IDC_CIRCLE_ARC = 159;
constexpr fw::UINT IDC_CIRCLE_PIE = 160;
constexpr fw::UINT IDC_CIRCLE_CHORD = 161;
constexpr fw::UINT IDC_CIRCLE_RX = 1185;
constexpr fw::UINT IDC_CIRCLE_RY = 1186;
constexpr fw::UINT IDC_CIRCLE_START = 1278;
constexpr fw::UINT IDC_CIRCLE_END = 1279;
}  // namespace shapedlg

// Our templates of the five dialogs, registered once.
void RegisterShapeDialogs();

class CPolygonDlg : public fw::CDialog {
 public:
  explicit CPolygonDlg(fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnPaint() override;
  // The preview in control 1158 (also on every change).
  void DrawPreview();

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnSidesChanged();
  void OnChanged() { DrawPreview(); }
  void OnSpin(fw::NMHDR* hdr, fw::LRESULT* result);
};

class CTableDlg : public dlgutil::CViewDialog {
 public:
  explicit CTableDlg(CVORLAN98View& view, fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
};

class CLineStyleDlg : public dlgutil::CViewDialog {
 public:
  explicit CLineStyleDlg(CVORLAN98View& view, fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
};

class CRectangleDlg : public dlgutil::CViewDialog {
 public:
  explicit CRectangleDlg(CVORLAN98View& view, fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
};

class CCircleDlg : public dlgutil::CViewDialog {
 public:
  explicit CCircleDlg(CVORLAN98View& view, fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnKindChanged();
};

// What a click of the Rectangle or Circle tool or the release of the Table
// tool opens: dialog 190, 191 or 166 on the view.
void OpenShapeDialog(CVORLAN98View& view, std::uint32_t tool);
