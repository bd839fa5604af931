// Modal runs, the common dialogs and message boxes.
#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>

#include "framework/app.h"
#include "platform/paths.h"
#include "presentation/host.h"
#include "presentation/widgets.h"

namespace pres {

using namespace fw;

namespace {

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// "*.t98" matches "X.T98" too: each letter of a pattern becomes a set of both cases.
QString Caseless(const QString& pattern) {
  QString out;
  for (QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper())
      out += QStringLiteral("[%1%2]").arg(c.toLower()).arg(c.toUpper());
    else
      out += c;
  }
  return out;
}

QWidget* OwnerWidget(CDialog& dlg) {
  CWnd* owner = dlg.GetOwner() ? dlg.GetOwner() : AfxGetMainWnd();
  if (!owner || !owner->m_hWnd) return nullptr;
  Host* h = Host::Get();
  return h ? h->TopOf(owner->GetTopLevelParent()->m_hWnd) : nullptr;
}

}  // namespace

// The dialog's own window stays hidden while a common dialog stands for it.
void Host::RunModal(CDialog& dlg) {
  if (!screenshot_.empty()) {
    dlg.EndDialog(IDCANCEL);  // nobody is there to answer
    return;
  }
  if (auto* f = dynamic_cast<CFileDialog*>(&dlg)) {
    int r = RunFileDialog(*f);
    if (!dlg.IsEnded()) dlg.EndDialog(r);
    return;
  }
  if (auto* c = dynamic_cast<CColorDialog*>(&dlg)) {
    int r = RunColorDialog(*c);
    if (!dlg.IsEnded()) dlg.EndDialog(r);
    return;
  }
  if (auto* p = dynamic_cast<CPrintDialog*>(&dlg)) {
    int r = RunPrintDialog(*p);
    if (!dlg.IsEnded()) dlg.EndDialog(r);
    return;
  }
  // Made modal and placed before it first shows: a window shown, hidden and shown
  // again at once may stay unmapped under a window manager.
  QWidget* top = TopOf(dlg.m_hWnd);
  if (top) {
    if (top->isVisible()) top->hide();  // already shown by its start: shown again as modal
    top->setWindowModality(Qt::ApplicationModal);
    // Centred over its owner, as dialogs open.
    if (QWidget* owner = OwnerWidget(dlg); owner && owner->isVisible()) {
      QPoint c = owner->geometry().center();
      top->move(c.x() - top->width() / 2, c.y() - top->height() / 2);
    }
  }
  Flush();
  if (top && CWnd::FromHandle(dlg.m_hWnd)) {
    if (!top->isVisible() && dlg.IsWindowVisible()) top->show();
    top->activateWindow();
  }
  PumpUntilEnded(dlg);
}

void Host::PumpUntilEnded(CDialog& dlg) {
  HWND h = dlg.m_hWnd;
  while (!dlg.IsEnded() && IsWindow(h)) {
    if (PumpMessage()) continue;
    if (QuitReceived()) {
      // The program is ending: the dialog ends with it, and the quit stays for the loop.
      PostQuitMessage(QuitCode());
      ResetQuit();
      break;
    }
    Wait(NextTimerDelay());
  }
}

int Host::RunFileDialog(CFileDialog& f) {
  QFileDialog d(OwnerWidget(f));
  d.setOption(QFileDialog::DontUseNativeDialog, true);
  d.setWindowTitle(Utf8(f.m_title.empty() ? f.GetWindowText() : f.m_title));
  d.setAcceptMode(f.IsOpenDialog() ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  d.setFileMode(f.IsOpenDialog() ? ((f.m_flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile)
                                 : QFileDialog::AnyFile);
  d.setOption(QFileDialog::DontConfirmOverwrite, !(f.m_flags & OFN_OVERWRITEPROMPT));
  if (!f.GetDefExt().empty()) d.setDefaultSuffix(Utf8(f.GetDefExt()));
  QStringList filters;
  for (const auto& [name, pattern] : f.Filters()) {
    QStringList pats;
    for (const QString& p : Utf8(pattern).split(';', Qt::SkipEmptyParts)) pats << Caseless(p.trimmed());
    filters << QStringLiteral("%1 (%2)").arg(Utf8(name), pats.join(' '));
  }
  if (!filters.isEmpty()) {
    // The type box shows each filter's name as the program gives it; the patterns
    // behind it stay out of sight.
    d.setOption(QFileDialog::HideNameFilterDetails, true);
    d.setNameFilters(filters);
    int i = std::clamp(f.m_nFilterIndex, 1, int(filters.size())) - 1;
    d.selectNameFilter(filters[i]);
  }
  std::string dir = f.m_initialDir.empty() ? std::string() : plat::MapWindowsPath(f.m_initialDir);
  std::string name = f.GetPathName();
  if (!name.empty()) {
    std::string mapped = plat::MapWindowsPath(name);
    size_t slash = mapped.find_last_of('/');
    if (slash != std::string::npos) {
      if (dir.empty()) dir = mapped.substr(0, slash);
      mapped = mapped.substr(slash + 1);
    }
    d.selectFile(QFile::decodeName(QByteArray::fromStdString(mapped)));
  }
  if (!dir.empty()) d.setDirectory(QFile::decodeName(QByteArray::fromStdString(dir)));
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return IDCANCEL;
  int index = int(filters.indexOf(d.selectedNameFilter())) + 1;
  // File names are bytes; a name that is no UTF-8 comes back as it is on disk.
  f.Choose(QFile::encodeName(d.selectedFiles().front()).toStdString(), index > 0 ? index : 0);
  return IDOK;
}

int Host::RunColorDialog(CColorDialog& c) {
  COLORREF* custom = CColorDialog::GetSavedCustomColors();
  for (int i = 0; i < 16; ++i)
    QColorDialog::setCustomColor(i, QColor(plat::GetRValue(custom[i]), plat::GetGValue(custom[i]), plat::GetBValue(custom[i])));
  COLORREF init = c.GetColor();
  QColorDialog d(QColor(plat::GetRValue(init), plat::GetGValue(init), plat::GetBValue(init)), OwnerWidget(c));
  d.setOption(QColorDialog::DontUseNativeDialog, true);
  int r = d.exec();
  for (int i = 0; i < 16; ++i) {
    QColor q = QColorDialog::customColor(i);
    custom[i] = plat::RGB(BYTE(q.red()), BYTE(q.green()), BYTE(q.blue()));
  }
  if (r != QDialog::Accepted) return IDCANCEL;
  QColor q = d.selectedColor();
  c.Choose(plat::RGB(BYTE(q.red()), BYTE(q.green()), BYTE(q.blue())));
  return IDOK;
}

int Host::RunPrintDialog(CPrintDialog& p) {
  QPrinter printer;
  if (!p.GetDeviceName().empty()) printer.setPrinterName(Utf8(p.GetDeviceName()));
  printer.setCopyCount(p.GetCopies());
  printer.setPageOrientation(p.IsLandscape() ? QPageLayout::Landscape : QPageLayout::Portrait);
  int r = 0;
  if (p.IsSetupOnly()) {
    QPageSetupDialog d(&printer, OwnerWidget(p));
    r = d.exec();
  } else {
    QPrintDialog d(&printer, OwnerWidget(p));
    r = d.exec();
  }
  if (r != QDialog::Accepted) return IDCANCEL;
  int paper = 256;
  switch (printer.pageLayout().pageSize().id()) {
    case QPageSize::Letter: paper = 1; break;
    case QPageSize::Legal: paper = 5; break;
    case QPageSize::A3: paper = 8; break;
    case QPageSize::A4: paper = 9; break;
    case QPageSize::A5: paper = 11; break;
    default: break;
  }
  p.Choose(printer.printerName().toUtf8().toStdString(), printer.copyCount(),
           printer.pageLayout().orientation() == QPageLayout::Landscape, paper);
  return IDOK;
}

int Host::MessageBox(std::string_view text, std::string_view caption, unsigned style) {
  if (!screenshot_.empty() || !qApp) {
    std::fprintf(stderr, "%.*s: %.*s\n", int(caption.size()), caption.data(), int(text.size()), text.data());
    return plat::DefaultButton(style);
  }
  Flush();
  QMessageBox box;
  box.setWindowTitle(Utf8(caption));
  box.setText(Utf8(text));
  if (CWnd* main = AfxGetMainWnd())
    if (QWidget* top = TopOf(main->m_hWnd); top && top->isVisible()) box.setParent(top, Qt::Dialog);
  box.setWindowModality(Qt::ApplicationModal);
  // No minimise or maximise button, owned or not (set after the modality, which resets the hints).
  box.setWindowFlags(Qt::Dialog | OwnedTitleButtons(false, false));
  switch (style & plat::MB_ICONMASK) {
    case plat::MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
    case plat::MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case plat::MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case plat::MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  struct B {
    QMessageBox::StandardButton qt;
    int id;
  };
  std::vector<B> buttons;
  switch (style & plat::MB_TYPEMASK) {
    case plat::MB_OKCANCEL: buttons = {{QMessageBox::Ok, plat::IDOK}, {QMessageBox::Cancel, plat::IDCANCEL}}; break;
    case plat::MB_ABORTRETRYIGNORE:
      buttons = {{QMessageBox::Abort, plat::IDABORT}, {QMessageBox::Retry, plat::IDRETRY}, {QMessageBox::Ignore, plat::IDIGNORE}};
      break;
    case plat::MB_YESNOCANCEL:
      buttons = {{QMessageBox::Yes, plat::IDYES}, {QMessageBox::No, plat::IDNO}, {QMessageBox::Cancel, plat::IDCANCEL}};
      break;
    case plat::MB_YESNO: buttons = {{QMessageBox::Yes, plat::IDYES}, {QMessageBox::No, plat::IDNO}}; break;
    case plat::MB_RETRYCANCEL: buttons = {{QMessageBox::Retry, plat::IDRETRY}, {QMessageBox::Cancel, plat::IDCANCEL}}; break;
    default: buttons = {{QMessageBox::Ok, plat::IDOK}}; break;
  }
  QMessageBox::StandardButtons all;
  for (const B& b : buttons) all |= b.qt;
  box.setStandardButtons(all);
  size_t def = (style & plat::MB_DEFMASK) >> 8;
  if (def < buttons.size()) box.setDefaultButton(buttons[def].qt);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const B& b : buttons)
    if (clicked && box.button(b.qt) == clicked) return b.id;
  // Closed without a button: Cancel where there is one, else the only button.
  for (const B& b : buttons)
    if (b.id == plat::IDCANCEL) return b.id;
  return buttons.size() == 1 ? buttons[0].id : plat::DefaultButton(style);
}

void Host::MessageBeep(unsigned) {
  if (qApp) QApplication::beep();
}

}  // namespace pres
