#include "text/texteditordlg.h"

#include <algorithm>
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
  if (!file.Write(length, 4) || !file.Write(text.c_str(), text.size() + 1)) return -1;
  return 1;
}

int CTextEditorDlg::ReadText(CFileServices& file) {
  std::uint8_t head[4];
  if (file.Read(head, 4) != 4) return -1;
  const std::uint32_t n = plat::GetU32(head);
  if (n == 0) return 0;
  const std::uint64_t at = file.GetPosition(), end = file.GetLength();
  if (at > end || n > end - at) return -1;
  std::string text(n, '\0');
  if (file.Read(text.data(), n) != n) return -1;
  text.resize(std::strlen(text.c_str()));  // up to its zero, which may be missing
  if (!text.empty()) AddLoadedText(text);
  return 1;
}

void CTextEditorDlg::CopySelection() {
  fw::CEdit* edit = GetEdit();
  if (!edit) return;
  int start = 0, end = 0;
  edit->GetSel(start, end);
  const std::string all = edit->GetWindowText();
  const std::size_t a = std::min<std::size_t>(std::size_t(std::max(std::min(start, end), 0)), all.size());
  const std::size_t b = std::min<std::size_t>(std::size_t(std::max(std::max(start, end), 0)), all.size());
  if (a >= b) return;
  const std::string gbk = plat::Utf8ToGbk(all.substr(a, b - a));
  CClipboardServices* clip = GetClipboardServices();
  if (!clip || !clip->Open()) return;
  clip->Empty();
  plat::GlobalBlock block(plat::GHND, gbk.size() + 1);
  if (block) {
    {
      plat::GlobalLockGuard g(block.get());
      std::memcpy(g.bytes(), gbk.data(), gbk.size());
    }
    if (clip->SetData(CClipboardServices::kTextFormat, block.get())) block.release();
  }
  clip->Close();
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
