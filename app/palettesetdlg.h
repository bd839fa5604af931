// The palette set dialog (208): adds, renames and deletes the palettes of
// the palette file and edits their colours, all on the working copy
// "PALETTE.TMP" beside it; Save puts the copy in place of the palette file.
#pragma once
#include <memory>
#include <string>

#include "framework/dialog.h"
#include "model/palette.h"

namespace palettedlg {
constexpr fw::UINT IDD_PALETTE_SET = 208;
constexpr fw::UINT IDC_PALETTE_NAMES = 1345;
constexpr fw::UINT IDC_PALETTE_COLORS = 1310;
constexpr fw::UINT IDC_COLOR_ADD = 1348;
constexpr fw::UINT IDC_COLOR_DELETE = 1349;
constexpr fw::UINT IDC_COLOR_MODIFY = 1350;
constexpr fw::UINT IDC_PALETTE_ADD = 1351;
constexpr fw::UINT IDC_PALETTE_RENAME = 1352;
constexpr fw::UINT IDC_PALETTE_DELETE = 1353;
}  // namespace palettedlg

void RegisterPaletteSetDialog();

// Failures the tests inject into Save: the backup copy and the final rename.
struct PaletteSaveFaults {
  bool copy = false;
  bool rename = false;
};
PaletteSaveFaults& TestPaletteSaveFaults();

class CPaletteSetDlg : public fw::CDialog {
 public:
  explicit CPaletteSetDlg(fw::CWnd* parent = nullptr);
  ~CPaletteSetDlg() override;

  // Makes the working copy first; without one the dialog does not open.
  int DoModal() override;
  fw::BOOL OnInitDialog() override;
  // Save.
  void OnOK() override;
  void OnDrawItem(int id, fw::DRAWITEMSTRUCT* dis) override;

  CPaletteStore* GetStore() const { return m_store.get(); }
  int GetPalette() const { return m_palette; }
  static std::string WorkingCopyPath();

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnPaletteChosen();
  void OnNameTyped();
  void OnColorAdd();
  void OnColorModify();
  void OnColorDelete();
  void OnPaletteAdd();
  void OnPaletteRename();
  void OnPaletteDelete();

 private:
  // Shows palette m_palette: enabling, colours, list.
  void ShowPalette();
  bool Editable() const;
  void Enable(fw::UINT id, bool on);
  void ColoursEdited();

  std::unique_ptr<CPaletteStore> m_store;
  int m_palette = 0;
};
