#include "text/createcftdlg.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "framework/resources.h"
#include "model/graphobject.h"
#include "model/pathpoints.h"
#include "model/segarray.h"
#include "model/services.h"
#include "model/settings.h"
#include "platform/bytes.h"
#include "platform/codepage.h"
#include "platform/dc.h"
#include "platform/paths.h"
#include "platform/report.h"
#include "text/fontcatalog.h"
#include "text/glyphsource.h"
#include "text/language.h"
#include "text/outlinecodec.h"

using namespace fw;

namespace {

constexpr const char* kSection = "FontCreate";
constexpr int kSettingLimit = 79;
constexpr int kNameLimit = 31;
constexpr float kPreviewScale = 0.12f;
constexpr int kBitmapSize = 1024;
constexpr float kMargin = 2.0f;
constexpr const char* kNoTracerText = "没有可用的矢量化库, 不能重新采样!";

std::string Gbk(const std::string& utf8) { return plat::Utf8ToGbk(utf8); }
std::string Utf8(const std::string& gbk) { return plat::GbkToUtf8(gbk); }

std::string Cut(const std::string& gbk, std::size_t max) {
  return gbk.substr(0, plat::GbkPrefixLength(gbk, max));
}

void SetName(char (&field)[32], const std::string& gbk) {
  std::memset(field, 0, sizeof(field));
  const std::string cut = Cut(gbk, kNameLimit);
  std::memcpy(field, cut.data(), cut.size());
}

// The last component of a path with either separator.
std::string FileNameOf(const std::string& path) {
  const std::size_t at = path.find_last_of("\\/");
  return at == std::string::npos ? path : path.substr(at + 1);
}

// True when both paths name one existing file.
bool SameFile(const std::string& a, const std::string& b) {
  const auto fa = plat::FindFileNoCase(a), fb = plat::FindFileNoCase(b);
  std::error_code ec;
  return fa && fb && std::filesystem::equivalent(*fa, *fb, ec);
}

void Translate(CPathPointList& outline, float dx, float dy) {
  if (dx == 0.0f && dy == 0.0f) return;
  const CMatrix3 m(1.0f, 0.0f, 0.0f, 1.0f, dx, dy);
  outline.Transform(&m);
  outline.ApplyTransform();
}

// Default zone and position ranges of a language slot; false: unchanged.
bool DefaultRanges(int slot, int r[4]) {
  static const int kRanges[4][4] = {
      {0, 0, 32, 255}, {176, 248, 161, 255}, {160, 175, 161, 255}, {176, 200, 161, 254}};
  if (slot < 0 || slot > 4) return false;
  std::memcpy(r, kRanges[slot == 4 ? 3 : slot], sizeof(kRanges[0]));
  return true;
}

std::string ErrorLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string ErrorLine(const char* format, ...) {
  char line[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof(line), format, args);
  va_end(args);
  return line;
}

std::string VersionLine(float version) {
  return ErrorLine("Err FontVersion [%.2f]\r\n", double(version));
}

// The outline rendered black on a white one-bit bitmap and traced back; the
// outline is moved into the margin where its bounds leave the square, and
// the traced outline moved back by that shift plus the offset.
std::unique_ptr<CPathPointList> TraceOutline(const CPathPointList& outline, float incX, float incY,
                                             HWND owner) {
  if (!outline.points || !outline.hasBounds) return nullptr;
  const CFRect& b = outline.bounds;
  auto shiftOf = [](float lo, float hi) {
    if (lo < kMargin) return std::ceil(kMargin - lo);
    if (hi > kBitmapSize - kMargin) return std::floor(kBitmapSize - kMargin - hi);
    return 0.0f;
  };
  const float dx = shiftOf(b.left, b.right), dy = shiftOf(b.top, b.bottom);
  plat::HBITMAP bitmap = plat::CreateBitmap(kBitmapSize, kBitmapSize, 1, 1, nullptr);
  if (!bitmap) return nullptr;
  {
    plat::DC dc;
    plat::HBITMAP old = dc.SelectObject(bitmap);
    dc.SelectStockObject(plat::WHITE_PEN);
    dc.SelectStockObject(plat::WHITE_BRUSH);
    dc.Rectangle(-2, -2, 2000, 2000);
    dc.SelectStockObject(plat::BLACK_PEN);
    dc.SelectStockObject(plat::BLACK_BRUSH);
    const CMatrix3 shift(1.0f, 0.0f, 0.0f, 1.0f, dx, dy);
    if (auto moved = outline.Clone(&shift)) moved->FillPath(&dc);
    dc.SelectObject(old);
  }
  std::unique_ptr<CGraphObject> traced = VectorizeBitmap(bitmap, true, owner);
  plat::DeleteObject(bitmap);
  if (!traced) return nullptr;
  const CMatrix3 back(1.0f, 0.0f, 0.0f, 1.0f, incX - dx, incY - dy);
  return std::unique_ptr<CPathPointList>(traced->MakeOutline(&back, 0));
}

// Index entries of a file, as far as it holds them (zeros beyond).
std::vector<std::uint32_t> ReadIndex(const std::string& path, const CftHeader& h) {
  std::vector<std::uint32_t> index(CCftFont::IndexCount(h), 0);
  CDiskFile file;
  if (!file.Open(plat::ResolvePath(path), "rb") || !file.Seek(h.indexOffset)) return index;
  std::vector<std::uint8_t> raw(index.size() * 4, 0);
  file.Read(raw.data(), raw.size());
  for (std::size_t i = 0; i < index.size(); ++i) index[i] = plat::GetU32(raw.data() + 4 * i);
  return index;
}

}  // namespace

// --- Template ---------------------------------------------------------------------

void RegisterCreateCftResources() {
  constexpr DWORD kPopup = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kTab = kChild | WS_TABSTOP;
  auto label = [&](const char* text, LONG x, LONG y, LONG w = 60) {
    return DlgItemDef(0, CtrlKind::Static, text, kChild, RECT{x, y, x + w, y + 20});
  };
  auto edit = [&](UINT id, LONG x, LONG y, LONG w) {
    return DlgItemDef(id, CtrlKind::Edit, "", kTab | ES_AUTOHSCROLL, RECT{x, y, x + w, y + 20});
  };
  res::SetDialog(
      IDD_CREATE_CFT,
      DialogTemplate{"Create Fonts Lib From WinTrueType",
                     kPopup,
                     {0, 0, 560, 330},
                     {
                         DlgItemDef(IDC_CFT_SOURCES, CtrlKind::ComboBox, "",
                                    kTab | CBS_DROPDOWNLIST | WS_VSCROLL, {10, 10, 200, 200}),
                         DlgItemDef(IDC_CFT_SOURCE_CODES, CtrlKind::ComboBox, "",
                                    kChild | CBS_DROPDOWNLIST, {0, 0, 0, 0}),
                         DlgItemDef(IDC_CFT_FONTS, CtrlKind::ListBox, "",
                                    kTab | WS_VSCROLL | LBS_NOTIFY, {10, 40, 200, 200}),
                         label("File Path:", 8, 210, 66), edit(IDC_CFT_PATH, 75, 210, 200),
                         label("File Name:", 8, 235, 66), edit(IDC_CFT_FILE, 75, 235, 200),
                         label("BQH:", 215, 10, 40), edit(IDC_CFT_BQH, 255, 10, 45),
                         label("EQH:", 310, 10, 40), edit(IDC_CFT_EQH, 350, 10, 45),
                         label("BWH:", 215, 35, 40), edit(IDC_CFT_BWH, 255, 35, 45),
                         label("EWH:", 310, 35, 40), edit(IDC_CFT_EWH, 350, 35, 45),
                         label("CFTMark:", 215, 60), edit(IDC_CFT_MARK, 280, 60, 115),
                         label("CName:", 215, 85), edit(IDC_CFT_CNAME, 280, 85, 115),
                         label("EName:", 215, 110), edit(IDC_CFT_ENAME, 280, 110, 115),
                         label("OName:", 215, 135), edit(IDC_CFT_ONAME, 280, 135, 115),
                         label("fVer:", 215, 160), edit(IDC_CFT_VERSION, 280, 160, 115),
                         label("INCX", 215, 185, 40), edit(IDC_CFT_INC_X, 255, 185, 45),
                         DlgItemDef(IDC_CFT_SPIN_X, CtrlKind::Spin, "", kChild, {300, 185, 315, 205}),
                         label("INCY", 320, 185, 40), edit(IDC_CFT_INC_Y, 360, 185, 45),
                         DlgItemDef(IDC_CFT_SPIN_Y, CtrlKind::Spin, "", kChild, {405, 185, 420, 205}),
                         DlgItemDef(IDC_CFT_PREVIEW, CtrlKind::Static, "", kChild,
                                    {420, 10, 550, 140}),
                         DlgItemDef(IDC_CFT_RESAMPLE, CtrlKind::Button, "ReSample", kTab | BS_PUSHBUTTON,
                                    {280, 290, 360, 315}),
                         DlgItemDef(IDOK, CtrlKind::Button, "Create", kTab | BS_DEFPUSHBUTTON,
                                    {370, 290, 450, 315}),
                         DlgItemDef(IDCANCEL, CtrlKind::Button, "Quit", kTab | BS_PUSHBUTTON,
                                    {460, 290, 540, 315}),
                     }});
}

// --- Header check -----------------------------------------------------------------

int ValidateCftHeader(const std::string& path, const CftHeader& expected, std::string& errors) {
  errors.clear();
  const std::string file = plat::ResolvePath(path);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec))
    return CCftFont::CreateFile(path, expected) ? kCftFileReady : kCftFileFailed;
  CDiskFile f;
  if (!f.Open(file, "r+b")) return kCftFileFailed;
  CftHeader h;
  CCftFont::ReadHeader(f, &h);
  if (std::strncmp(h.magic, expected.magic, sizeof(h.magic)) != 0)
    errors += ErrorLine("Err Magic %s \r\n", Utf8(h.magic).c_str());
  if (h.version != expected.version) errors += VersionLine(h.version);
  if (h.sqh != expected.sqh || h.eqh != expected.eqh || h.swh != expected.swh || h.ewh != expected.ewh)
    errors += ErrorLine("Err in SQH=[%d],EQH=[%d],SWH=[%d],EWH=[%d] \r\n", h.sqh, h.eqh, h.swh, h.ewh);
  if (h.resolution != 1024) errors += ErrorLine("Err in Reslution [%d]\r\n", h.resolution);
  if (h.languageId != plat::GetSystemDefaultLangID())
    errors += ErrorLine("Err in Language ID [%x]\r\n", unsigned(h.languageId));
  if (h.headerSize != CCftFont::kHeaderSize)
    errors += ErrorLine("Err in HeadSize [%x]\r\n", unsigned(h.headerSize));
  if (h.indexOffset != CCftFont::kHeaderSize)
    errors += ErrorLine("Err in IndexOffset [%x]\r\n", unsigned(h.indexOffset));
  if (!errors.empty()) return kCftFileMismatch;
  // Entries the file does not reach yet are codes not built.
  const std::uint64_t indexEnd = std::uint64_t(h.indexOffset) + 4ull * CCftFont::IndexCount(h);
  const std::uint64_t length = f.GetLength();
  if (length < indexEnd) {
    std::vector<std::uint8_t> zeros(std::size_t(indexEnd - length), 0);
    if (!f.Seek(length) || !f.Write(zeros.data(), zeros.size())) return kCftFileFailed;
  }
  return kCftFileReady;
}

// --- Dialog -----------------------------------------------------------------------

struct CCreateCftDlg::Build {
  CftHeader header{};
  std::string path;  // GBK
  int font = -1;
  int incX = 0;
  int incY = 0;
};

FW_BEGIN_COMMAND_MAP(CCreateCftDlg, CDialog)
FW_ON_CBN_SELCHANGE(IDC_CFT_SOURCES, OnSourceChanged)
FW_ON_LBN_SELCHANGE(IDC_CFT_FONTS, OnFontChanged)
FW_ON_EN_CHANGE(IDC_CFT_INC_X, OnFontChanged)
FW_ON_EN_CHANGE(IDC_CFT_INC_Y, OnFontChanged)
FW_ON_BN_CLICKED(IDC_CFT_RESAMPLE, OnResample)
FW_END_COMMAND_MAP()

CCreateCftDlg::CCreateCftDlg() : CDialog(IDD_CREATE_CFT) {}

CCreateCftDlg::~CCreateCftDlg() = default;

BOOL CCreateCftDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (auto* e = Item<CEdit>(IDC_CFT_MARK)) e->LimitText(5);
  std::string text;
  g_IniFile.GetString(kSection, "DefaultPath", text, "C:\\VORLAN\\MOUNT");
  SetDlgItemText(IDC_CFT_PATH, Utf8(text));
  g_IniFile.GetString(kSection, "CFTMARK", text, "VCFT");
  SetDlgItemText(IDC_CFT_MARK, Utf8(Cut(text, 5)));
  g_IniFile.GetString(kSection, "CFTVER", text, "6.0");
  SetDlgItemText(IDC_CFT_VERSION, Utf8(text));
  SetDlgItemText(IDC_CFT_INC_X, "0");
  SetDlgItemText(IDC_CFT_INC_Y, "0");
  for (auto [spin, buddy] : {std::pair{IDC_CFT_SPIN_X, IDC_CFT_INC_X}, std::pair{IDC_CFT_SPIN_Y, IDC_CFT_INC_Y}})
    if (auto* s = Item<CSpinButtonCtrl>(spin)) {
      s->SetRange32(-1024, 1024);
      s->SetBuddy(GetDlgItem(buddy));
    }
  auto* labels = Item<CComboBox>(IDC_CFT_SOURCES);
  auto* codes = Item<CComboBox>(IDC_CFT_SOURCE_CODES);
  if (labels && codes) {
    struct Adapter : CListBoxServices {
      explicit Adapter(CComboBox* c) : combo(c) {}
      int FindStringExact(std::string_view s) const override { return combo->FindStringExact(-1, std::string(s)); }
      int AddString(std::string_view s) override { return combo->AddString(Utf8(std::string(s))); }
      CComboBox* combo;
    } l(labels), c(codes);
    g_Language.FillFontSources(l, c);
    labels->SetCurSel(0);
  }
  OnSourceChanged();
  return TRUE;
}

void CCreateCftDlg::OnSourceChanged() {
  source_ = -1;
  auto* labels = Item<CComboBox>(IDC_CFT_SOURCES);
  auto* codes = Item<CComboBox>(IDC_CFT_SOURCE_CODES);
  auto* fonts = Item<CListBox>(IDC_CFT_FONTS);
  if (!labels || !codes || !fonts) return;
  fonts->ResetContent();
  const int at = labels->GetCurSel();
  if (at < 0 || at >= codes->GetCount()) return;
  source_ = std::atoi(codes->GetLBText(at).c_str());
  const int slot = g_Language.FindId(std::uint8_t(source_ & 0xFF));
  for (const std::string& name : FontSourceNames(std::uint8_t(source_ & 0xFF), (source_ >> 8) & 15))
    fonts->AddString(Utf8(name));
  fonts->SetCurSel(0);
  OnFontChanged();
  int r[4];
  if (DefaultRanges(slot, r)) {
    SetDlgItemInt(IDC_CFT_BQH, UINT(r[0]));
    SetDlgItemInt(IDC_CFT_EQH, UINT(r[1]));
    SetDlgItemInt(IDC_CFT_BWH, UINT(r[2]));
    SetDlgItemInt(IDC_CFT_EWH, UINT(r[3]));
  }
}

void CCreateCftDlg::OnFontChanged() {
  auto* fonts = Item<CListBox>(IDC_CFT_FONTS);
  if (!fonts || source_ < 0) return;
  const int font = fonts->GetCurSel();
  if (font < 0) return;
  const std::string name = fonts->GetText(font);
  SetDlgItemText(IDC_CFT_CNAME, name);
  SetDlgItemText(IDC_CFT_ENAME, name);
  SetDlgItemText(IDC_CFT_ONAME, name);
  const int kind = (source_ >> 8) & 15;
  if (kind >= 2) {
    const int slot = g_Language.FindId(std::uint8_t(source_ & 0xFF));
    SetDlgItemText(IDC_CFT_ONAME, Utf8(CCftFont::GetOtherName(slot, kind - 2, font)));
    // An own font file gives its file name to the new one.
    const std::string file = FileNameOf(SourceFilePath(font));
    const std::size_t dot = file.find_last_of('.');
    SetDlgItemText(IDC_CFT_ENAME, Utf8(dot == std::string::npos ? file : file.substr(0, dot)));
    SetDlgItemText(IDC_CFT_FILE, Utf8(file));
  }
  Invalidate();
}

std::string CCreateCftDlg::SourceFilePath(int font) const {
  std::string path;
  if (source_ < 0) return path;
  const int kind = (source_ >> 8) & 15, slot = g_Language.FindId(std::uint8_t(source_ & 0xFF));
  if (kind == 1)
    g_TtfFontTable.GetEntryPath(slot, 0, font, path);
  else if (kind >= 2)
    g_CftFontTable.GetEntryPath(slot, kind - 2, font, path);
  return path;
}

std::unique_ptr<CPathPointList> CCreateCftDlg::SourceGlyph(int font, std::uint16_t code) const {
  if (source_ < 0 || font < 0) return nullptr;
  const std::uint8_t id = std::uint8_t(source_ & 0xFF);
  CGlyphSource& source = GetGlyphSource();
  return source.GetOutline(std::uint8_t((source_ >> 8) & 15), id, source.FindSlot(id),
                           std::uint16_t(font), code);
}

void CCreateCftDlg::DrawGlyph(const CPathPointList* outline, int incX, int incY) {
  if (plat::HDC dc = GetDC()) {
    DrawPreview(dc, outline, incX, incY);
    ReleaseDC(dc);
  }
}

void CCreateCftDlg::DrawPreview(plat::HDC dc, const CPathPointList* outline, int incX, int incY) {
  CWnd* frame = GetDlgItem(IDC_CFT_PREVIEW);
  if (!dc || !frame) return;
  const RECT r = frame->GetRectInParent();
  // A code without a glyph leaves the frame empty.
  dc->FillSolidRect(r, plat::RGB(255, 255, 255));
  if (!outline) return;
  const CMatrix3 m(kPreviewScale, 0.0f, 0.0f, kPreviewScale, float(r.left) + float(incX) * kPreviewScale,
                   float(r.top) + float(incY) * kPreviewScale);
  const CMatrix3 frameMatrix(kPreviewScale, 0.0f, 0.0f, kPreviewScale, float(r.left), float(r.top));
  CPathPointList square;
  square.AddPoint(0, 0, PP_START | PP_NODE);
  square.AddPoint(1024, 0, PP_NODE);
  square.AddPoint(1024, 1024, PP_NODE);
  square.AddPoint(0, 1024, PP_NODE);
  square.AddPoint(0, 0, PP_CLOSEEND | PP_NODE);
  square.EndPoints();
  dc->SelectStockObject(plat::BLACK_PEN);
  outline->DrawOutlineWith(dc, &m);
  square.DrawOutlineWith(dc, &frameMatrix);
}

void CCreateCftDlg::OnPaint() {
  PAINTSTRUCT ps;
  BeginPaint(&ps);
  auto* fonts = Item<CListBox>(IDC_CFT_FONTS);
  BOOL okZone = FALSE, okPos = FALSE;
  const int zone = int(GetDlgItemInt(IDC_CFT_BQH, &okZone)), position = int(GetDlgItemInt(IDC_CFT_BWH, &okPos));
  if (fonts && okZone && okPos && zone >= 0 && zone <= 255 && position >= 0 && position <= 255) {
    std::uint16_t code = std::uint16_t(zone << 8 | position);
    if (((source_ >> 8) & 15) == 0 && code < 0x21) code = 0x38;
    std::unique_ptr<CPathPointList> outline = SourceGlyph(fonts->GetCurSel(), code);
    DrawPreview(ps.hdc, outline.get(), int(GetDlgItemInt(IDC_CFT_INC_X)), int(GetDlgItemInt(IDC_CFT_INC_Y)));
  }
  EndPaint(&ps);
}

void CCreateCftDlg::ShowProgress(int zone, int position) {
  char caption[16];
  std::snprintf(caption, sizeof(caption), "%2x,%2x", zone, position);
  SetWindowText(caption);
}

bool CCreateCftDlg::ReadBuild(Build& b) {
  auto* fonts = Item<CListBox>(IDC_CFT_FONTS);
  b.font = fonts ? fonts->GetCurSel() : -1;
  if (source_ < 0 || b.font < 0) return false;
  int range[4];
  const UINT ids[4] = {IDC_CFT_BQH, IDC_CFT_EQH, IDC_CFT_BWH, IDC_CFT_EWH};
  for (int k = 0; k < 4; ++k) {
    BOOL ok = FALSE;
    range[k] = int(GetDlgItemInt(ids[k], &ok));
    // A code byte outside 0-255 names no code.
    if (!ok || range[k] < 0 || range[k] > 255) return false;
  }
  if (range[0] > range[1] || range[2] > range[3]) return false;
  b.incX = int(GetDlgItemInt(IDC_CFT_INC_X));
  b.incY = int(GetDlgItemInt(IDC_CFT_INC_Y));
  std::string folder = Gbk(GetDlgItemText(IDC_CFT_PATH));
  if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder.push_back('\\');
  b.path = folder + Gbk(GetDlgItemText(IDC_CFT_FILE));
  CftHeader& h = b.header;
  h = CCftFont::MakeHeader(std::uint8_t(range[0]), std::uint8_t(range[1]), std::uint8_t(range[2]),
                           std::uint8_t(range[3]));
  std::memset(h.magic, 0, sizeof(h.magic));
  const std::string magic = Cut(Gbk(GetDlgItemText(IDC_CFT_MARK)), 5);
  std::memcpy(h.magic, magic.data(), magic.size());
  h.version = ParseSettingFloat(GetDlgItemText(IDC_CFT_VERSION).c_str());
  SetName(h.cName, Gbk(GetDlgItemText(IDC_CFT_CNAME)));
  SetName(h.eName, Gbk(GetDlgItemText(IDC_CFT_ENAME)));
  CCftFont::SetOtherName(h, Gbk(GetDlgItemText(IDC_CFT_ONAME)));
  return true;
}

void CCreateCftDlg::OnCreate() {
  Build b;
  if (!ReadBuild(b)) return;
  const std::string shown = Utf8(b.path);
  // Records below 6.0 would be read as the old outline form.
  if (!(b.header.version >= 6.0f)) {
    plat::MessageBox(shown, VersionLine(b.header.version), plat::MB_OK);
    return;
  }
  // Creating the file would empty the source before it is read.
  const std::string sourceFile = SourceFilePath(b.font);
  if ((!sourceFile.empty() && SameFile(b.path, sourceFile)) || !CCftFont::CreateFile(b.path, b.header)) {
    plat::MessageBox(shown, "Create error!", plat::MB_OK);
    return;
  }
  CDiskFile file;
  if (!file.Open(plat::ResolvePath(b.path), "r+b")) {
    plat::MessageBox(shown, "Create error!", plat::MB_OK);
    return;
  }
  const CftHeader& h = b.header;
  const int width = h.ewh - h.swh + 1;
  std::vector<std::uint32_t> index(CCftFont::IndexCount(h), 0);
  COutlineCodec codec;
  bool failed = false;
  for (int q = h.sqh; q <= h.eqh && !failed; ++q) {
    for (int w = h.swh; w <= h.ewh; ++w) {
      ShowProgress(q, w);
      const std::size_t i = std::size_t(q - h.sqh) * std::size_t(width) + std::size_t(w - h.swh);
      std::unique_ptr<CPathPointList> glyph = SourceGlyph(b.font, std::uint16_t(q << 8 | w));
      plat::HGLOBAL block = 0;
      std::uint32_t size = 0;
      if (glyph) {
        Translate(*glyph, float(b.incX), float(b.incY));
        size = codec.Encode(*glyph, &block);
      }
      if (size == 0) {
        index[i] = CCftFont::kNoGlyph;
        continue;
      }
      plat::GlobalBlock owned(block);
      plat::GlobalLockGuard g(block);
      const std::uint32_t entry = g && g.size() >= size ? CCftFont::AppendRecord(file, std::uint32_t(i), g.bytes(), size) : 0;
      if (entry == 0) {
        failed = true;
        break;
      }
      index[i] = entry;
      if (w == h.swh) {
        COutlineCodec check;
        if (auto again = check.DecodeData(g.bytes() + 4, size - 4, nullptr, h.version)) DrawGlyph(again.get(), 0, 0);
      }
    }
  }
  // The index is written even after a failure: codes not built stay 0.
  std::vector<std::uint8_t> raw(index.size() * 4);
  for (std::size_t i = 0; i < index.size(); ++i) plat::PutU32(raw.data() + 4 * i, index[i]);
  if (!file.Seek(h.indexOffset) || (!raw.empty() && !file.Write(raw.data(), raw.size()))) failed = true;
  file.Close();
  if (failed) plat::MessageBox(shown, "Create error!", plat::MB_OK);
}

void CCreateCftDlg::OnResample() {
  if (plat::MessageBox("Are You Sure Resample?", "Resample", plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDYES)
    return;
  Build b;
  if (!ReadBuild(b)) return;
  const std::string shown = Utf8(b.path);
  if (!(b.header.version >= 6.0f)) {
    plat::MessageBox(shown, VersionLine(b.header.version), plat::MB_OK);
    return;
  }
  std::string errors;
  const int opened = ValidateCftHeader(b.path, b.header, errors);
  if (opened != kCftFileReady) {
    plat::MessageBox(shown, opened == kCftFileMismatch ? errors : std::string("Create error!"), plat::MB_OK);
    return;
  }
  // Without a tracing library every glyph would be marked missing.
  CTraceServices* tracer = GetTraceServices();
  if (!tracer || !tracer->HasTracer(true)) {
    plat::MessageBox(kNoTracerText, "Resample", plat::MB_OK | plat::MB_ICONSTOP);
    return;
  }
  const CftHeader& h = b.header;
  const std::vector<std::uint32_t> index = ReadIndex(b.path, h);
  std::size_t start = 0;
  while (start < index.size() && index[start] != 0) ++start;
  const std::size_t width = std::size_t(h.ewh - h.swh + 1);
  COutlineCodec codec;
  for (std::size_t i = start; i < index.size(); ++i) {
    const int q = h.sqh + int(i / width), w = h.swh + int(i % width);
    ShowProgress(q, w);
    std::unique_ptr<CPathPointList> glyph = SourceGlyph(b.font, std::uint16_t(q << 8 | w));
    std::unique_ptr<CPathPointList> traced;
    std::uint32_t sourceSize = 0;
    if (glyph) {
      plat::HGLOBAL block = 0;
      sourceSize = codec.Encode(*glyph, &block);
      plat::GlobalFree(block);
      traced = TraceOutline(*glyph, float(b.incX), float(b.incY), m_hWnd);
    }
    plat::HGLOBAL block = 0;
    const std::uint32_t size = traced ? codec.Encode(*traced, &block) : 0;
    plat::GlobalBlock owned(block);
    plat::GlobalLockGuard g(block);
    if (size > sourceSize && size > 0)
      for (int k = 0; k < 3; ++k) plat::MessageBeep();
    const bool written = size > 0 && g && g.size() >= size
                             ? CCftFont::WriteGlyph(b.path, h, std::uint8_t(q), std::uint8_t(w), g.bytes(), size)
                             : CCftFont::WriteGlyph(b.path, h, std::uint8_t(q), std::uint8_t(w), nullptr, 0);
    if (!written) {
      plat::MessageBox(shown, "Create error!", plat::MB_OK);
      return;
    }
  }
}

void CCreateCftDlg::OnCancel() {
  auto setting = [&](UINT id) { return Cut(Gbk(GetDlgItemText(id)), kSettingLimit); };
  g_IniFile.WriteString(kSection, "DefaultPath", setting(IDC_CFT_PATH));
  g_IniFile.WriteString(kSection, "CFTMARK", setting(IDC_CFT_MARK));
  g_IniFile.WriteString(kSection, "CFTVER", setting(IDC_CFT_VERSION));
  CDialog::OnCancel();
}
