// The program's main window: the MDI frame with its tool bars, status bar,
// code-table and text-editor windows, the program-wide cursors, pens and
// brush, and the status commands that views, trackers and documents send it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "app/propertyframe.h"
#include "framework/bars.h"
#include "framework/dialog.h"
#include "framework/docview.h"
#include "model/services.h"
#include "text/fontdlgs.h"
#include "text/libbrowser.h"
#include "text/texteditordlg.h"

// Splitter member of the frame: never created as a window.
class CMainSplitter : public fw::CSplitterWnd {};

// The second command of a context-bar button under the right mouse button
// (Shift held or not); 0 for a button without one.
std::uint32_t RightButtonCommand(std::uint32_t button, bool shift);

// The context tool bar: its buttons follow the current tool.
class CToolContextBar : public fw::CToolBar {
 public:
  // Node tools load bar 192, output-area tools bar 200, the others bar 128.
  void SetToolMode(std::uint32_t tool);
  // Every n-th button wraps; with more than one column 0xFFFF items are separators.
  void SetColumns(int n);
  std::uint32_t GetGroup() const { return m_group; }
  int GetColumns() const { return m_columns; }
  // The button's second command goes to the main window.
  void OnRButtonDown(fw::UINT flags, fw::POINT pt) override;

 private:
  int m_columns = 2;
  std::uint32_t m_group = 0;
};

// The mode bar: text mode (40071, bar 151) or graphic-library mode (40075, bar 221).
class CModeBar : public fw::CToolBar {
 public:
  void SetMode(std::uint32_t tool);
  std::uint32_t GetMode() const { return m_mode; }
  // Follows the active view: text mode for an edited or current text,
  // library mode for a current library picture. 0 without a design view.
  int SyncWithSelection();
  // The glyph panel of library mode; null until library mode is first shown.
  CLibGlyphPanel* GetGlyphPanel() const { return m_glyphPanel.get(); }
  // The font panel of text mode; null until text mode is first shown.
  CFontPanelDlg* GetFontPanel() const { return m_fontPanel.get(); }
  // A horizontal layout shows the font panel in text mode, a vertical one hides it.
  fw::SIZE CalcFixedLayout(fw::BOOL stretch, fw::BOOL horz) override;

 private:
  // Library mode: the panel over button 0, a separator as wide as the panel.
  void PlaceGlyphPanel();
  // Text mode: docked across, the font panel over button 0 as the glyph
  // panel; docked along a side, button 0 a button and the panel hidden.
  void PlaceFontPanel();
  // Button 0 becomes a separator as wide as the panel, which is placed over it and shown.
  void PlaceOverFirstButton(fw::CWnd& panel, fw::UINT command);

  std::uint32_t m_mode = 0;
  std::unique_ptr<CLibGlyphPanel> m_glyphPanel;
  std::unique_ptr<CFontPanelDlg> m_fontPanel;
};

// The palette bar's owner-drawn colour list: one item per palette colour,
// its text the packed value in decimal.
class CColorListBox : public fw::CListBox {
  FW_DECLARE_COMMAND_MAP()

 public:
  // The colours of the current palette.
  void Fill();
  // Moves the first shown row by rows, kept between the first row and the
  // last full page.
  void ScrollRows(int rows);
  void DrawItem(fw::DRAWITEMSTRUCT* dis) override;
  // A reflected selection change: the colour goes to the active view.
  void OnSelChange();
  int GetColorCount() const { return m_colorCount; }

 private:
  int m_firstRow = 0;
  int m_perRow = 1;
  int m_colorCount = 0;
};

// The palette bar (dialog bar 176): the colour list and the colour button.
class CPaletteBar : public fw::CDialogBar {
  FW_DECLARE_COMMAND_MAP()

 public:
  fw::BOOL Create(fw::CWnd* parent, fw::UINT templateId, fw::DWORD style, fw::UINT id);
  CColorListBox& GetList() { return m_list; }
  void OnListSelChange();
  // The colour dialog: its colour to the view, its custom colours to the palette.
  void OnColorButton();
  void OnSize(fw::UINT type, int cx, int cy) override;
  void OnVScroll(fw::UINT code, fw::UINT pos, fw::CWnd* bar) override;

 private:
  CColorListBox m_list;
};

// Sends a packed colour to the active view as command 49003 and gives the
// view the focus; false when there is no active view.
bool SendColorToActiveView(std::uint32_t packed);

// The program-wide cursors (in the order of appid::kCursorIds) and the grey pen.
fw::HCURSOR AppCursor(int index);
plat::HPEN GreyPen();

class CMDIMainFrame : public fw::CMDIFrameWnd, public CMainFrameServices {
  FW_DECLARE_DYNCREATE(CMDIMainFrame)
  FW_DECLARE_COMMAND_MAP()

 public:
  CMDIMainFrame();
  ~CMDIMainFrame() override;

  // Bar bits: 1 main tool bar, 4 context bar, 8 palette bar, 16 second tool bar.
  void ShowControlBars(std::uint16_t show, std::uint16_t which);
  std::uint16_t GetBarMask() const { return m_barMask; }

  CTextEditorDlg& GetTextEditor() { return m_textEditor; }
  CQuWeiDlg& GetQuWei() { return m_quWei; }
  fw::CStatusBar& GetStatusBar() { return m_statusBar; }
  fw::CToolBar& GetMainBar() { return m_mainBar; }
  fw::CToolBar& GetSecondBar() { return m_secondBar; }
  CToolContextBar& GetContextBar() { return m_contextBar; }
  CModeBar& GetModeBar() { return m_modeBar; }
  CPaletteBar& GetPaletteBar() { return m_paletteBar; }

  // CMainFrameServices.
  void SetStatusText(std::string_view text) override;
  void ShowSize(float width, float height) override;
  void ShowText(std::string_view text) override;
  void OpenTextEditor() override;
  void CopyTextEditorSelection() override;
  void SetToolMode(std::uint32_t tool) override;
  int SyncWithSelection() override;

  fw::BOOL PreCreateWindow(fw::CREATESTRUCT& cs) override;
  int OnCreate(fw::CREATESTRUCT* cs) override;
  void OnClose() override;
  void OnDestroy() override;
  void OnInitMenu(fw::CMenu* menu) override;
  // The shape library's transforms (60001 on) after "T&ransform...", once a menu.
  void AddTransformItems(fw::CMenu* menu);
  fw::BOOL OnCommand(fw::WPARAM wp, fw::LPARAM lp) override;
  void OnSetPreviewMode(fw::BOOL preview, fw::CPrintPreviewState* state) override;

  // Command handlers.
  void OnShowQuWei();
  void OnTextEditor();
  void OnShowProperty();
  void OnViewActive();
  void OnDocumentClosed();
  // "&1 New WinFonts": the own font file builder, modal.
  void OnNewWinFonts();

 private:
  // The status commands; false for an id that is none of them.
  bool HandleStatusCommand(std::uint32_t id, fw::LPARAM lp);
  void SetPane(int pane, const std::string& text);
  void ToggleWindow(fw::CWnd& window);
  static void StackForDockSide(fw::CToolBar& bar);

  CMainSplitter m_splitter;
  CQuWeiDlg m_quWei;
  CTextEditorDlg m_textEditor;
  CPaletteBar m_paletteBar;
  fw::CStatusBar m_statusBar;
  fw::CToolBar m_mainBar;
  fw::CToolBar m_secondBar;
  CToolContextBar m_contextBar;
  CModeBar m_modeBar;
  std::uint16_t m_barMask = 63;
};
