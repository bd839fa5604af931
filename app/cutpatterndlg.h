// The pattern cuts' dialogs: parallel lines (265), radiation (274) and circles
// (276). Each lays its pattern twice over the design view's selection, the
// second time as the complement, and cuts the selected outlines with both, or
// with "NoCut" only adds the patterns; one undo step either way.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/dialog.h"
#include "model/geometry.h"

class CVORLAN98View;
class CPathObject;

namespace scutid {
constexpr fw::UINT IDD_PARALLEL_CUT = 265;
constexpr fw::UINT IDD_RADIATION_CUT = 274;
constexpr fw::UINT IDD_CIRCLE_CUT = 276;

constexpr fw::UINT IDC_SEL_WIDTH = 1144;
constexpr fw::UINT IDC_SEL_HEIGHT = 1145;
constexpr fw::UINT IDC_PARTS_SPIN = 1055;
constexpr fw::UINT IDC_BISECTRIX = 1167;
constexpr fw::UINT IDC_NO_CUT = 1192;
// Parallel lines.
constexpr fw::UINT IDC_CUT_ANGLE = 1177;
constexpr fw::UINT IDC_LINE_WIDTHS = 1156;
constexpr fw::UINT IDC_CUT_LINES = 1168;
constexpr fw::UINT IDC_ORIGIN_TOP = 1179;
constexpr fw::UINT IDC_ORIGIN_BOTTOM = 1180;
constexpr fw::UINT IDC_TOTAL_LENGTH = 1185;
// Radiation and circles.
constexpr fw::UINT IDC_START_ANGLE = 1278;
constexpr fw::UINT IDC_END_ANGLE = 1279;
constexpr fw::UINT IDC_SECTOR_WIDTHS = 1225;
constexpr fw::UINT IDC_CUT_PARTS = 1228;
constexpr fw::UINT IDC_ORIGIN = 1222;
constexpr fw::UINT IDC_THROW_BACK = 1223;
constexpr fw::UINT IDC_KEEP_BORDER = 1171;
constexpr fw::UINT IDC_RING_WIDTHS = 1229;

constexpr int kClickOrigin = 9;  // "Click Ok": the origin comes from a click in the view
}  // namespace scutid

// The dialogs' templates (once).
void RegisterCutPatternResources();

// What the three dialogs share: the selection, the parts check, the cut.
class CCutPatternDlg : public fw::CDialog {
 public:
  CCutPatternDlg(fw::UINT templateId, CVORLAN98View& view);

  bool HasSelection() const { return m_hasSelection; }
  const CFRect& GetBounds() const { return m_bounds; }

 protected:
  // The selection's bounds and size into the dialog; OK disabled without one.
  // The check box "NoCut" only with "/Vorlan".
  void InitCommon(bool noCut);
  // With equal parts: 2..10000 in the field, else a message and the focus
  // there. True when the dialog may go on.
  bool CheckParts(fw::UINT field, bool bisectrix);
  // With a width list: `steps` (the list's parts over both passes, -1 for a
  // value a page cannot hold) up to 10000, else a message and the focus on
  // the list. True when the dialog may go on.
  bool CheckListSteps(fw::UINT field, int steps);
  // True without a refusal; else the refusal's message, the focus on the field, false.
  bool Accept(fw::UINT field, const char* refusal);
  // One undo step: pass 0 and pass 1 of the pattern cut the selection (or are
  // added with `noCut`); the sources go once a pass gave pieces. Then the
  // dialog closes.
  void Cut(const std::function<std::unique_ptr<CPathObject>(int pass)>& pattern, bool noCut);
  // The origin of a choice of the origin list (not "Click Ok").
  CFPoint OriginOf(int index) const;
  int ReadInt(fw::UINT id) const;

  CVORLAN98View& m_view;
  CFRect m_bounds;  // normalised
  bool m_hasSelection = false;
};

class CParallelCutDlg : public CCutPatternDlg {
 public:
  explicit CParallelCutDlg(CVORLAN98View& view);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnModeChange();
  // The total length across the lines for the typed angle and origin corner.
  void Recompute();

  // The corners the strips start from, relative to the selection's top-left.
  CFPoint m_p1, m_p2;
  float m_fTotal = 0.0f;

 protected:
  FW_DECLARE_COMMAND_MAP()
};

class CRadiationCutDlg : public CCutPatternDlg {
 public:
  explicit CRadiationCutDlg(CVORLAN98View& view);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnModeChange();
  void OnOriginChange();
  void ShowAngles();

  float m_fStart = 0.0f, m_fEnd = 0.0f;
  CFPoint m_origin;

 protected:
  FW_DECLARE_COMMAND_MAP()
};

class CCircleCutDlg : public CCutPatternDlg {
 public:
  explicit CCircleCutDlg(CVORLAN98View& view);
  fw::BOOL OnInitDialog() override;
  void OnOK() override;
  void OnModeChange();
  void OnOriginChange();

  CFPoint m_origin;

 protected:
  FW_DECLARE_COMMAND_MAP()
};
