// Placing the selection on the page: the coordinate setting dialog (257)
// and the page alignments (commands 40115, 32872-32877).
#pragma once
#include <cstdint>

#include "framework/dialog.h"
#include "model/geometry.h"

class CVORLAN98View;

namespace coorddlg {
constexpr fw::UINT IDD_COORDINATE = 257;
constexpr fw::UINT IDC_COORD_X = 1143;
constexpr fw::UINT IDC_COORD_Y = 1144;
constexpr fw::UINT IDC_COORD_REFERENCE = 1145;
constexpr fw::UINT IDC_COORD_SPACE_LR = 1332;
constexpr fw::UINT IDC_COORD_SPACE_TB = 1142;
constexpr fw::UINT IDC_COORD_LEFT = 1131;
constexpr fw::UINT IDC_COORD_HCENTER = 1132;
constexpr fw::UINT IDC_COORD_RIGHT = 1133;
constexpr fw::UINT IDC_COORD_TOP = 1399;
constexpr fw::UINT IDC_COORD_VCENTER = 1135;
constexpr fw::UINT IDC_COORD_BOTTOM = 1136;

// Reference points, in the combo's order.
enum Reference { kLeftTop = 0, kLeftBottom, kCentre, kRightTop, kRightBottom };

constexpr fw::UINT ID_PAGE_CENTER = 40115;
constexpr fw::UINT ID_PAGE_LEFT = 32872;
constexpr fw::UINT ID_PAGE_RIGHT = 32873;
constexpr fw::UINT ID_PAGE_TOP = 32874;
constexpr fw::UINT ID_PAGE_BOTTOM = 32875;
constexpr fw::UINT ID_PAGE_HCENTER = 32876;
constexpr fw::UINT ID_PAGE_VCENTER = 32877;
}  // namespace coorddlg

void RegisterCoordinateDialog();

// The move that a page alignment command gives the selection rectangle on a
// page of the size; false for another id.
bool PageAlignMove(fw::UINT id, bool shift, const CFRect& selection, float pageWidth, float pageHeight, float* dx,
                   float* dy);

class CCoordinateDlg : public fw::CDialog {
 public:
  explicit CCoordinateDlg(CVORLAN98View& view, fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;

  // The reference point of a rectangle.
  static CFPoint ReferencePoint(const CFRect& r, int reference);

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnSpaceChanged();
  void OnReferenceChanged();
  void OnHorizontal(fw::UINT id);
  void OnVertical(fw::UINT id);

 private:
  CVORLAN98View& m_view;
  float m_pageWidth = 0.0f;
  float m_pageHeight = 0.0f;
  CFRect m_rect;
  bool m_hasSelection = false;
  float m_spaceLR = 0.0f;
  float m_spaceTB = 0.0f;
  int m_reference = coorddlg::kLeftTop;
};
