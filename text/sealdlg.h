// The seal dialogs: "Area Setting" (shape and layout, each layout shown as a
// picture) and the parameter dialog (size, frame, spacings and text), whose
// OK builds the seal.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "framework/dialog.h"
#include "framework/imagelist.h"

class CSealObject;

constexpr std::uint32_t IDD_SEAL_AREA = 305;
constexpr std::uint32_t IDB_SEAL_LAYOUTS = 307;  // seven 60-pixel layout pictures
constexpr std::uint32_t IDD_SEAL_PARAM = 308;

constexpr std::uint32_t IDC_SEAL_SHAPES = 1339;
constexpr std::uint32_t IDC_SEAL_LAYOUT_COMBO = 1341;
constexpr std::uint32_t IDC_SEAL_LAYOUT_LIST = 32810;
constexpr std::uint32_t IDC_SEAL_WIDTH = 1144;
constexpr std::uint32_t IDC_SEAL_HEIGHT = 1145;
constexpr std::uint32_t IDC_SEAL_BORDER = 1345;
constexpr std::uint32_t IDC_SEAL_CORNER = 1344;
constexpr std::uint32_t IDC_SEAL_MARGIN_X = 1351;
constexpr std::uint32_t IDC_SEAL_MARGIN_Y = 1352;
constexpr std::uint32_t IDC_SEAL_GAP_X = 1353;
constexpr std::uint32_t IDC_SEAL_GAP_Y = 1206;
constexpr std::uint32_t IDC_SEAL_SHAPE_RECT = 1346;
constexpr std::uint32_t IDC_SEAL_SHAPE_CHAMFER = 1347;
constexpr std::uint32_t IDC_SEAL_SHAPE_ROUND = 1348;
constexpr std::uint32_t IDC_SEAL_TEXT = 1207;
constexpr std::uint32_t IDC_SEAL_PICTURE = 1158;

// Registers the two dialog templates and the layout pictures' bitmap.
void RegisterSealResources();

class CSealParamDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  // With a seal, its values are shown and OK builds a replacement for it.
  CSealParamDlg(std::uint8_t layoutKind, CSealObject* seal = nullptr);
  ~CSealParamDlg() override;

  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnPaint() override;

  // A new seal from the dialog's values, centred on the page of the active
  // view's document (on the old frame's centre when editing a seal).
  std::unique_ptr<CSealObject> BuildSeal() const;
  // The seal made by OK; the caller takes it over.
  std::unique_ptr<CSealObject> TakeSeal();

  std::uint8_t layoutKind;
  float marginX = 0.5f, marginY = 0.5f, gapX = 0.5f, gapY = 0.5f;
  float width = 20.0f, height = 20.0f;
  float borderWidth = 1.0f, cornerValue = 2.0f;
  std::uint8_t frameShape = 0;
  std::string text;  // GBK, at most 399 bytes

 private:
  fw::CImageList images_;
  CSealObject* edited_;
  std::unique_ptr<CSealObject> made_;
};

class CSealAreaDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CSealAreaDlg();
  ~CSealAreaDlg() override;

  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnDrawItem(int id, fw::DRAWITEMSTRUCT* dis) override;
  // The seal made by OK; the caller takes it over.
  std::unique_ptr<CSealObject> TakeSeal();

 private:
  void OnShapeChanged();
  void OnLayoutComboChanged();
  void OnLayoutListChanged();

  fw::CImageList images_;
  bool busy_ = false;
  std::unique_ptr<CSealObject> seal_;
};
