// "New GraphLib": a catalogue of a library kind on the active page, the
// kind's pictures in a grid of equal cells, each with its number below it.
#pragma once
#include <cstdint>

#include "framework/dialog.h"
#include "text/graphlib.h"

constexpr std::uint32_t IDD_LIB_CATALOG = 239;
constexpr std::uint32_t IDC_CAT_FONT = 1424;
constexpr std::uint32_t IDC_CAT_LIBRARY = 1142;
constexpr std::uint32_t IDC_CAT_KIND = 1045;
constexpr std::uint32_t IDC_CAT_START_X = 1425;
constexpr std::uint32_t IDC_CAT_START_Y = 1378;
constexpr std::uint32_t IDC_CAT_END_X = 1426;
constexpr std::uint32_t IDC_CAT_END_Y = 1276;
constexpr std::uint32_t IDC_CAT_SIZE_X = 1428;
constexpr std::uint32_t IDC_CAT_SIZE_Y = 1427;
constexpr std::uint32_t IDC_CAT_GAP_X = 1169;
constexpr std::uint32_t IDC_CAT_GAP_Y = 1166;
constexpr std::uint32_t IDC_CAT_COLUMNS = 1431;
constexpr std::uint32_t IDC_CAT_ROWS = 1432;
constexpr std::uint32_t IDC_CAT_LABEL_SIZE = 1277;
constexpr std::uint32_t IDC_CAT_LABEL_GAP = 1278;
constexpr std::uint32_t IDC_CAT_START_NO = 1279;

// Registers the dialog's template.
void RegisterLibCatalogResources();

class CNewGraphLibDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CNewGraphLibDlg();
  ~CNewGraphLibDlg() override;

  fw::BOOL OnInitDialog() override;
  // "Save": stores the fields and places the catalogue in the active document.
  void OnOK() override;
  void OnLibraryChanged();

 private:
  CGraphLib lib_;
};
