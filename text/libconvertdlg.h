// "Convert GraphLib 5.x->6.x": a new 6.0 library from a mounted one, with
// the header values the user gives; every kind and graph is copied through
// the outline codec. The source stays untouched.
#pragma once
#include <cstdint>
#include <string>

#include "framework/dialog.h"
#include "text/graphlib.h"

constexpr std::uint32_t IDD_LIB_CONVERT = 282;
constexpr std::uint32_t IDC_CONVERT_SOURCE = 1249;
constexpr std::uint32_t IDC_CONVERT_OUT_PATH = 1254;
constexpr std::uint32_t IDC_CONVERT_ID = 1255;
constexpr std::uint32_t IDC_CONVERT_VERSION = 1256;
constexpr std::uint32_t IDC_CONVERT_RATIO = 1143;
constexpr std::uint32_t IDC_CONVERT_INC_X = 1215;
constexpr std::uint32_t IDC_CONVERT_INC_Y = 1217;
constexpr std::uint32_t IDC_CONVERT_SPIN_X = 1257;
constexpr std::uint32_t IDC_CONVERT_SPIN_Y = 1259;
constexpr std::uint32_t IDC_CONVERT_NAME1 = 1210;
constexpr std::uint32_t IDC_CONVERT_NAME2 = 1211;
constexpr std::uint32_t IDC_CONVERT_NAME3 = 1212;

// Registers the dialog's template.
void RegisterLibConvertResources();

class CLibConvertDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CLibConvertDlg();
  ~CLibConvertDlg() override;

  fw::BOOL OnInitDialog() override;
  // Converts; the dialog stays open.
  void OnOK() override;
  // Stores the output path, ID, version and ratio, then closes.
  void OnCancel() override;
  void OnLibraryChanged();

  const CGraphLib& Source() const { return source_; }
  const CGraphLib& Destination() const { return dest_; }

 private:
  CGraphLib source_;
  CGraphLib dest_;
};
