// "Create Fonts Lib From WinTrueType": builds an own font file from a font
// source of the catalogue (installed fonts, mounted TrueType files or own
// font files); ReSample fills the glyphs a file still lacks by tracing each
// source glyph rendered into a bitmap.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "framework/dialog.h"
#include "text/cftfont.h"

class CPathPointList;

constexpr std::uint32_t IDD_CREATE_CFT = 269;
constexpr std::uint32_t IDC_CFT_SOURCES = 1099;
constexpr std::uint32_t IDC_CFT_SOURCE_CODES = 1030;
constexpr std::uint32_t IDC_CFT_FONTS = 1197;
constexpr std::uint32_t IDC_CFT_PATH = 1203;
constexpr std::uint32_t IDC_CFT_FILE = 1204;
constexpr std::uint32_t IDC_CFT_BQH = 1205;
constexpr std::uint32_t IDC_CFT_EQH = 1206;
constexpr std::uint32_t IDC_CFT_BWH = 1207;
constexpr std::uint32_t IDC_CFT_EWH = 1208;
constexpr std::uint32_t IDC_CFT_MARK = 1209;
constexpr std::uint32_t IDC_CFT_CNAME = 1210;
constexpr std::uint32_t IDC_CFT_ENAME = 1211;
constexpr std::uint32_t IDC_CFT_ONAME = 1212;
constexpr std::uint32_t IDC_CFT_VERSION = 1213;
constexpr std::uint32_t IDC_CFT_INC_X = 1215;
constexpr std::uint32_t IDC_CFT_INC_Y = 1217;
constexpr std::uint32_t IDC_CFT_SPIN_X = 1055;
constexpr std::uint32_t IDC_CFT_SPIN_Y = 1218;
constexpr std::uint32_t IDC_CFT_PREVIEW = 1158;
constexpr std::uint32_t IDC_CFT_RESAMPLE = 1134;

// Registers the dialog's template.
void RegisterCreateCftResources();

// Results of ValidateCftHeader.
constexpr int kCftFileReady = 1;     // opened (or created) and matching
constexpr int kCftFileMismatch = 0;  // `errors` holds one line per mismatch
constexpr int kCftFileFailed = -1;   // neither opened nor created

// Opens the destination of a resample: a missing file is created with the
// header and a zero index; an existing one must have the expected magic,
// version and ranges, resolution 1024, the system's language ID and sizes
// 144. An index the file cuts short is completed with zero entries.
int ValidateCftHeader(const std::string& path, const CftHeader& expected, std::string& errors);

class CCreateCftDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CCreateCftDlg();
  ~CCreateCftDlg() override;

  fw::BOOL OnInitDialog() override;
  void OnSourceChanged();
  void OnFontChanged();
  void OnPaint() override;
  // "Create": builds the file; the dialog stays open.
  void OnCreate();
  // "ReSample": fills the entries not built yet.
  void OnResample();
  // "Quit": stores the path, magic and version, then closes.
  void OnCancel() override;
  void OnOK() override { OnCreate(); }

  // The chosen font-source code ((kind << 8) | language ID), -1 for none.
  int SourceCode() const { return source_; }

 private:
  struct Build;
  bool ReadBuild(Build& build);
  // The source's outline of a code in the 1024 frame, or null.
  std::unique_ptr<CPathPointList> SourceGlyph(int font, std::uint16_t code) const;
  // Path of the chosen source font's file; empty for installed fonts.
  std::string SourceFilePath(int font) const;
  // The outline moved by the offset and the glyph square, at 0.12 in the
  // preview frame; without an outline the frame is only cleared.
  void DrawPreview(plat::HDC dc, const CPathPointList* outline, int incX, int incY);
  void DrawGlyph(const CPathPointList* outline, int incX, int incY);
  void ShowProgress(int zone, int position);

  int source_ = -1;
};
