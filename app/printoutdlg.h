// The "Print Out" dialog: printer, page, paper and design sizes, margins,
// zoom and options, then the whole design printed through one matrix.
#pragma once
#include <memory>
#include <string>

#include "framework/dialog.h"
#include "model/geometry.h"

class CVORLAN98Doc;

namespace printout {

constexpr fw::UINT IDD_PRINT_OUT = 202;
constexpr fw::UINT IDC_DEVICE = 1323;
constexpr fw::UINT IDC_PRINTER_SETTING = 1324;
constexpr fw::UINT IDC_ORIGIN_X = 1276, IDC_ORIGIN_Y = 1277;
constexpr fw::UINT IDC_PAPER_X = 1287, IDC_PAPER_Y = 1288;
constexpr fw::UINT IDC_GRAPH_X = 1278, IDC_GRAPH_Y = 1279;
constexpr fw::UINT IDC_ZOOM_PAGE_X = 1327, IDC_ZOOM_PAGE_Y = 1328;
constexpr fw::UINT IDC_ZOOM_GRAPH_X = 1329, IDC_ZOOM_GRAPH_Y = 1330;
constexpr fw::UINT IDC_SPACE_LEFT = 1151, IDC_SPACE_TOP = 1333, IDC_SPACE_RIGHT = 1152, IDC_SPACE_BOTTOM = 1153;
constexpr fw::UINT IDC_BORDER = 1334;
constexpr fw::UINT IDC_CARVE_OUT = 1335;
constexpr fw::UINT IDC_PRINT_IMAGE = 1336;
constexpr fw::UINT IDC_ROTATE90 = 1337;
constexpr fw::UINT IDC_BY_PAGE = 1340, IDC_BY_GRAPH = 1341, IDC_USER_DEFINE = 1342;
constexpr fw::UINT IDC_RATIO = 1143;
constexpr fw::UINT IDC_COPIES = 1147;
constexpr fw::UINT IDC_MIRROR = 1101;

inline constexpr char kNoPrinterDC[] = "建立打印句柄错误(hDC)";
inline constexpr char kPrintFailed[] = "打印失败!\n%s";
inline constexpr char kErrorCaption[] = "错误";

// Paper length and width in whole mm of a paper code; 0 x 0 when unknown.
void PaperSizeOf(int code, int* length, int* width);

// The ratio that fits `w` x `h` into `availW` x `availH`: finite and at
// least 0.01; a zero extent leaves the other one to decide.
float FitRatio(float availW, float availH, float w, float h);

// The dialog template.
void RegisterTemplate();

}  // namespace printout

class CPrintOutDlg : public fw::CDialog {
 public:
  explicit CPrintOutDlg(CVORLAN98Doc* doc, fw::CWnd* parent = nullptr);

  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  // The printer set-up dialog with its device blocks.
  fw::CPrintDialog m_setup;
  CFRect m_pageRect;
  CFRect m_bounds;
  CMatrix3 m_matrix;
  int m_copies = 1;
  int m_pageWidth = 0, m_pageHeight = 0;
  int m_paperWidth = 0, m_paperHeight = 0;
  float m_ratio = 1.0f;
  int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
  int m_border = 0, m_rotate = 0, m_printImage = 0, m_mirror = 0;
  float m_pixelsX = 0.0f, m_pixelsY = 0.0f;  // printer pixels per mm

  // The print matrix of the collected values (built by Print).
  CMatrix3 BuildMatrix() const;

 protected:
  FW_DECLARE_COMMAND_MAP()
  void Refresh();
  void ComputeRatio();
  void UpdateZoomed();
  void Collect();
  void WriteSettings();
  void Print();
  void OnPrinterSetting();
  void OnRotate90();
  void OnByPage();
  void OnByGraph();
  void OnUserDefine();
  void OnMarginChanged(fw::UINT id);
  void OnRatioChanged();
  float RatioFromEdit() const;
  int IntOf(fw::UINT id) const;

  CVORLAN98Doc* m_doc;
  bool m_haveObjects = false;
};

// The Print command: the dialog over the view's document.
class CVORLAN98View;
void PrintDesign(CVORLAN98View& view);
