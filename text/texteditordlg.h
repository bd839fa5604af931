// The modeless text editor (dialog 223, edit box 1397) whose text a document
// stores, and the blank corner box between the rulers (dialog 203).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/dialog.h"

class CFileServices;

constexpr std::uint32_t IDD_TEXT_EDITOR = 223;
constexpr std::uint32_t IDC_TEXT_EDITOR_EDIT = 1397;
constexpr std::uint32_t IDD_RULER_CORNER = 203;

class CTextEditorDlg : public fw::CDialog {
 public:
  CTextEditorDlg();

  // Creates the window (modeless) as a child of the parent.
  fw::BOOL Create(fw::CWnd* parent);
  bool Exists() const { return m_hWnd != 0; }
  fw::CEdit* GetEdit() const;
  // The edit box's text (UTF-8); empty without a window.
  std::string GetText() const;

  void OnBeforeShow() {}
  void OnSize(fw::UINT type, int cx, int cy) override;

  // Document saving: u32 length (text length + 1), the text (GBK) and its zero;
  // a u32 0 when there is no window or no text. 1 when text was written, 0
  // when there was none, -1 when the file refused the bytes.
  int WriteText(CFileServices& file);
  // Document loading from the file's position: the u32 length and that many
  // bytes (within the file), appended as AddLoadedText does. The bytes are
  // consumed also without an editor. 1 when text was read, 0 for none, -1
  // when the length runs past the file.
  int ReadText(CFileServices& file);
  // The edit box's selected text (GBK) onto the clipboard as plain text.
  void CopySelection();
  // Document loading: the text (GBK) of a document is appended after "\r\r",
  // opening the window first (command 40067 to the main window).
  void AddLoadedText(std::string_view gbk);
  // Appends "\r\n" and the text (GBK); 0 when there is no editor window.
  int AppendText(std::string_view gbk);

  // The restore rectangle of the roll-up toggle; -1 until set.
  fw::RECT m_restore{-1, -1, -1, -1};

 private:
  void SetTextGrowingLimit(const std::string& text);
};

class CRulerCornerDlg : public fw::CDialog {
 public:
  CRulerCornerDlg() : fw::CDialog(IDD_RULER_CORNER) {}
  // Creates the blank box (modeless) as a child of the parent.
  fw::BOOL Create(fw::CWnd* parent) { return fw::CDialog::Create(IDD_RULER_CORNER, parent); }
};
