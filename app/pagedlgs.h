// The page setting dialog (179): page size, palette, background and grid of
// the active design view's document; and the path setting dialog (183): the
// folders of palettes, graphic libraries and mounted fonts in "VORLAN98.INI".
#pragma once
#include <cstdint>

#include "framework/dialog.h"
#include "model/palette.h"

class CVORLAN98View;

namespace pagedlg {
constexpr fw::UINT IDD_PAGE_SET = 179;
constexpr fw::UINT IDD_PATH_SET = 183;
constexpr fw::UINT IDB_COLOR_PICK = 182;

constexpr fw::UINT IDC_PAGE_TYPE = 1233;
constexpr fw::UINT IDC_PAGE_WIDTH = 1144;
constexpr fw::UINT IDC_PAGE_HEIGHT = 1145;
constexpr fw::UINT IDC_PAGE_PALETTE = 1237;
constexpr fw::UINT IDC_PAGE_BACK = 1240;
constexpr fw::UINT IDC_PAGE_GRID_COLOR = 1241;
constexpr fw::UINT IDC_PAGE_GRID_SIZE = 1242;

constexpr fw::UINT IDC_PATH_LIST = 1043;
}  // namespace pagedlg

void RegisterPageDialogs();

class CPageSetDlg : public fw::CDialog {
 public:
  explicit CPageSetDlg(CVORLAN98View& view, fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnDrawItem(int id, fw::DRAWITEMSTRUCT* dis) override;

  const CPaletteStore& GetStore() const { return m_store; }
  int GetPalette() const { return m_palette; }

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnPageTypeChanged();
  void OnPaletteChanged();

 private:
  // Both colour combos from the store, the page's colours selected.
  void FillColours();

  CVORLAN98View& m_view;
  CPaletteStore m_store;
  int m_palette = 0;
};

class CPathSetDlg : public fw::CDialog {
 public:
  explicit CPathSetDlg(fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  bool IsChanged() const { return m_changed != 0; }

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnEndLabelEdit(fw::NMHDR* hdr, fw::LRESULT* result);

 private:
  std::uint32_t m_changed = 0;
};
