// The name card duplication dialog (286): the design of one card at the
// page origin is copied in a grid of cards on a sheet, in one undo step.
// Its settings are the section "CARDDUP" of "VORLAN98.INI".
#pragma once
#include <cstdint>
#include <vector>

#include "framework/dialog.h"

class CVORLAN98View;

namespace carddlg {
constexpr fw::UINT IDD_CARD_DUP = 286;
constexpr fw::UINT IDC_CARD_AUTO = 1134;
constexpr fw::UINT IDC_CARD_DUPX = 1206;
constexpr fw::UINT IDC_CARD_DUPY = 1207;
constexpr fw::UINT IDC_CARD_PAGE_TYPE = 1233;
constexpr fw::UINT IDC_CARD_TYPE = 1274;
constexpr fw::UINT IDC_CARD_SIZE_X = 1275;
constexpr fw::UINT IDC_CARD_SIZE_Y = 1276;
constexpr fw::UINT IDC_CARD_RECT = 1277;
constexpr fw::UINT IDC_CARD_GAPX = 1278;
constexpr fw::UINT IDC_CARD_GAPY = 1279;
constexpr fw::UINT IDC_CARD_PAGE_X = 1281;
constexpr fw::UINT IDC_CARD_PAGE_Y = 1282;
constexpr fw::UINT IDC_CARD_SEL_W = 1284;
constexpr fw::UINT IDC_CARD_SEL_H = 1285;
}  // namespace carddlg

void RegisterCardDupDialog();

// Copies every object of the view's document into the other cells of an
// n x m grid (cell pitch dx, dy), as part of the open undo step: the objects
// are packed once and each copy unpacked at its offset. False when the
// objects could not be packed.
bool DuplicateCards(CVORLAN98View& view, int across, int down, float pitchX, float pitchY);

class CNameCardDupDlg : public fw::CDialog {
 public:
  explicit CNameCardDupDlg(CVORLAN98View& view, fw::CWnd* parent = nullptr);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

 protected:
  FW_DECLARE_COMMAND_MAP()
  void OnPageType();
  void OnCardType();
  void OnAuto();

 private:
  void SaveSettings();
  // Card width and height of the edits: 55 for a width of 0 or less, 90
  // for such a height.
  void CardSize(float* w, float* h) const;

  CVORLAN98View& m_view;
};
