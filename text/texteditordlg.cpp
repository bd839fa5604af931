#include "text/texteditordlg.h"

#include <cstring>

#include "framework/app.h"
#include "framework/controls.h"
#include "model/segarray.h"
#include "platform/bytes.h"
#include "platform/codepage.h"

namespace {
constexpr fw::UINT kOpenEditorCommand = 40067;
constexpr std::size_t kTextLimit = 60000;
}  // namespace

CTextEditorDlg::CTextEditorDlg() : fw::CDialog(IDD_TEXT_EDITOR) {}

fw::BOOL CTextEditorDlg::Create(fw::CWnd* parent) { return fw::CDialog::Create(IDD_TEXT_EDITOR, parent); }

fw::CEdit* CTextEditorDlg::GetEdit() const { return m_hWnd ? Item<fw::CEdit>(IDC_TEXT_EDITOR_EDIT) : nullptr; }

std::string CTextEditorDlg::GetText() const {
  fw::CEdit* edit = GetEdit();
  return edit ? edit->GetWindowText() : std::string();
}

void CTextEditorDlg::OnSize(fw::UINT type, int cx, int cy) {
  fw::CDialog::OnSize(type, cx, cy);
  if (fw::CEdit* edit = GetEdit()) edit->MoveWindow(0, 0, cx, cy);
  if (m_restore.right == -1) {
    if (fw::CWnd* main = fw::AfxGetMainWnd()) {
      fw::RECT r;
      main->GetClientRect(&r);
      r.top = r.bottom - 100;
      m_restore = r;
    }
  }
}

int CTextEditorDlg::WriteText(CFileServices& file) {
  const std::string text = plat::Utf8ToGbk(GetText());
  std::uint8_t length[4];
  if (text.empty()) {
    plat::PutU32(length, 0);
    file.Write(length, 4);
    return 0;
  }
  plat::PutU32(length, std::uint32_t(text.size() + 1));
  if (!file.Write(length, 4) || !file.Write(text.c_str(), text.size() + 1)) return 0;
  return 1;
}

void CTextEditorDlg::SetTextGrowingLimit(const std::string& text) {
  fw::CEdit* edit = GetEdit();
  if (!edit) return;
  if (text.size() > kTextLimit || text.size() > std::size_t(edit->GetLimitText()))
    edit->LimitText(int(text.size() + 10000));
  edit->SetWindowText(text);
}

void CTextEditorDlg::AddLoadedText(std::string_view gbk) {
  if (!Exists())
    if (fw::CWnd* main = fw::AfxGetMainWnd()) main->SendMessage(fw::WM_COMMAND, kOpenEditorCommand, 0);
  if (!Exists()) return;
  // A document's text follows the text already there after a blank line.
  const std::string old = GetText();
  SetTextGrowingLimit(old.empty() ? plat::GbkToUtf8(gbk) : old + "\r\r" + plat::GbkToUtf8(gbk));
}

int CTextEditorDlg::AppendText(std::string_view gbk) {
  if (!Exists())
    if (fw::CWnd* main = fw::AfxGetMainWnd()) main->SendMessage(fw::WM_COMMAND, kOpenEditorCommand, 0);
  if (!Exists()) return 0;
  SetTextGrowingLimit(GetText() + "\r\n" + plat::GbkToUtf8(gbk));
  return 1;
}
