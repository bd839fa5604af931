// The picture browsers of the graphic libraries: the three choices they share
// (library type, library number, picture), the glyph panel, the symbol bar
// and the "Lib Info" picture chooser.
//
// Library types: 0 "Eng Symbols" and 1 "Eng Fonts" are the installed fonts of
// language slots 2 and 0 (pictures are character codes 32 to 254); t >= 2 is
// mounted library t - 2 (library number = kind, picture = graph).
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "framework/bars.h"
#include "framework/dialog.h"
#include "model/geometry.h"
#include "text/graphlib.h"

class CPathPointList;

constexpr std::uint32_t IDD_LIB_INFO = 124;
constexpr std::uint32_t IDD_LIB_GLYPH_PANEL = 220;
constexpr std::uint32_t IDD_LIB_SYMBOL_BAR = 225;

constexpr std::uint32_t IDC_LIB_TYPE = 1400;
constexpr std::uint32_t IDC_LIB_NAME = 1068;
constexpr std::uint32_t IDC_LIB_PICTURE = 1158;
constexpr std::uint32_t IDC_LIB_CELL_FIRST = 1081;  // "Lib Info" cells 1081 to 1088
constexpr std::uint32_t IDC_LIB_SCROLL = 1080;
constexpr std::uint32_t IDC_LIB_NUMBER = 1097;
constexpr std::uint32_t IDC_LIB_WIDTH = 1144;
constexpr std::uint32_t IDC_LIB_HEIGHT = 1145;
constexpr std::uint32_t IDC_LIB_RATIO = 1143;
constexpr int kLibInfoCells = 8;

// Registers the templates of the three browsers.
void RegisterLibBrowserResources();

// What every browser holds: its library and the filling of its lists.
class CLibBrowser {
 public:
  // "Eng Symbols", "Eng Fonts" and the mounted libraries' names; the type
  // selected (clamped to the list).
  static void FillTypes(fw::CComboBox& types, int type);
  // The names of a type: the fonts of its language slot, or the kinds of the
  // library (opened into this browser's library; none when it cannot be
  // opened). Item 0 selected.
  void FillNames(fw::CComboBox& names, int type);
  // The picture items: codes 32 to 254 for the fonts; for a library the
  // numbers `first` to 254 (picture = number - first).
  template <class List>
  static void FillPictures(List& list, int type, int first) {
    list.ResetContent();
    for (int n = type < 2 ? 32 : first; n <= 254; ++n) list.AddString(std::to_string(n));
    list.SetCurSel(0);
  }
  // The picture an item text names.
  static int PictureOf(int type, const std::string& itemText, int first);
  // The raw outline of a picture (no placement); null when there is none.
  std::unique_ptr<CPathPointList> Outline(int type, int number, int picture) const;
  // A cell: dark blue with a white outline when selected, else white with a
  // black one; the outline fitted 2 pixels inside the cell's top-left corner.
  static void DrawCell(plat::HDC dc, const fw::RECT& cell, bool selected, const CPathPointList* outline);

  CGraphLib& Library() { return lib_; }

 private:
  CGraphLib lib_;
};

// The glyph panel (dialog 220, a child of the mode bar in graphic-library mode).
class CLibGlyphPanel : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CLibGlyphPanel();
  ~CLibGlyphPanel() override;
  fw::BOOL Create(fw::CWnd* parent);

  fw::BOOL OnInitDialog() override;
  void OnDrawItem(int id, fw::DRAWITEMSTRUCT* dis) override;
  // Selects the library picture the active view works on; 0 when it has none.
  int SyncWithSelection();
  // The outline of the chosen picture (the caller's); null when none.
  std::unique_ptr<CPathPointList> CreatePicObject();
  void GetSelection(int* type, int* number, int* picture) const;
  // The library the chosen type opened.
  CGraphLib& Library() { return browser_.Library(); }

 private:
  void OnTypeChanged();
  void OnNameChanged();
  CLibBrowser browser_;
};

// The symbol bar: a dialog bar of the main window with a picture list.
class CLibSymbolBar : public fw::CDialogBar {
  FW_DECLARE_COMMAND_MAP()

 public:
  fw::BOOL Create(fw::CWnd* parent, fw::UINT id);
  void OnDrawItem(int id, fw::DRAWITEMSTRUCT* dis) override;
  void GetSelection(int* type, int* number, int* picture) const;

 private:
  void OnTypeChanged();
  void OnNameChanged();
  CLibBrowser browser_;
};

// "Lib Info": eight picture cells; OK places the chosen picture in the active
// document at the target rectangle.
class CLibInfoDlg : public fw::CDialog {
  FW_DECLARE_COMMAND_MAP()

 public:
  CLibInfoDlg();
  ~CLibInfoDlg() override;

  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnHScroll(fw::UINT code, fw::UINT pos, fw::CWnd* bar) override;
  // A press on a cell chooses it.
  void OnLButtonDown(fw::UINT flags, fw::POINT pt) override;
  // A press on cell 0 to 7: the cell is chosen.
  void ChooseCell(int cell);
  // The picture a cell shows (a code or a graph number); -1 for none.
  int CellPicture(int cell) const;
  void RedrawCells();

  CFRect target;  // set by the design view before the dialog opens

 private:
  void OnTypeChanged();
  void OnNameChanged();
  void OnNumberChanged();
  int Type() const;
  int Number() const;
  void StoreSelection(int picture) const;
  CLibBrowser browser_;
  int chosen_ = 0;
};
