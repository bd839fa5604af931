#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>

#include "framework/dialog.h"
#include "framework/resources.h"
#include "model/pathobject.h"
#include "model/services.h"
#include "platform/bytes.h"
#include "platform/codepage.h"
#include "platform/dc.h"
#include "platform/report.h"
#include "text/cftfont.h"
#include "text/createcftdlg.h"
#include "text/fontcatalog.h"
#include "text/glyphsource.h"
#include "text/language.h"
#include "text/outlinecodec.h"
#include "text/tests/font_fixtures.h"

using namespace fw;

namespace {

const std::string kSong = "文鼎ＰＬ简报宋";

std::vector<std::uint8_t> Encode(const CPathPointList& list) {
  COutlineCodec codec;
  plat::HGLOBAL h = 0;
  codec.Encode(list, &h);
  plat::GlobalBlock owned(h);
  plat::GlobalLockGuard g(h);
  return g ? std::vector<std::uint8_t>(g.bytes(), g.bytes() + g.size()) : std::vector<std::uint8_t>();
}

std::unique_ptr<CPathPointList> Rect(float l, float t, float r, float b) {
  return ListOf({{l, t, 0x11}, {r, t, 0x01}, {r, b, 0x01}, {l, b, 0x01}, {l, t, 0x41}});
}

std::uint32_t U32(const std::string& bytes, std::size_t at) {
  return plat::GetU32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at);
}

// The glyph a stored entry points at, decoded from the file's bytes.
std::unique_ptr<CPathPointList> GlyphOf(const std::string& bytes, std::uint32_t entry, std::uint32_t i) {
  const std::uint32_t at = CCftFont::Scramble(entry, i);
  if (std::size_t(at) + 4 > bytes.size()) return nullptr;
  const std::uint32_t s = U32(bytes, at);
  if (s <= 4 || at + std::size_t(s) > bytes.size()) return nullptr;
  COutlineCodec codec;
  return codec.DecodeData(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at + 4, s - 4, nullptr, 6.0f);
}

// Nodes and control points as the codec stores them: whole units.
std::vector<Pt> Whole(const CPathPointList& list, float dx, float dy) {
  std::vector<Pt> out;
  for (Pt p : PointsOf(list)) {
    if (p.flags < PP_SPECIAL) p = {std::trunc(p.x + dx), std::trunc(p.y + dy), p.flags};
    out.push_back(p);
  }
  return out;
}

bool SamePoints(const std::vector<Pt>& a, const std::vector<Pt>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].flags != b[i].flags || (a[i].flags < PP_SPECIAL && (a[i].x != b[i].x || a[i].y != b[i].y)))
      return false;
  return true;
}

// Traces by the box of the black pixels: a square path through the outer
// ones.
class BoxTracer : public CTraceServices {
 public:
  std::unique_ptr<CPathObject> TraceBitmap(plat::HBITMAP, int) override { return nullptr; }
  std::unique_ptr<CGraphObject> VectorizeBitmap(plat::HBITMAP bmp, bool useVector, std::uint32_t) override {
    ++calls;
    plat::BITMAP info;
    if (!plat::GetBitmapInfo(bmp, &info) || info.bmWidth != 1024 || info.bmHeight != 1024 ||
        info.bmBitsPixel != 1 || !useVector)
      return nullptr;
    plat::DC dc;
    plat::HBITMAP old = dc.SelectObject(bmp);
    const plat::Surface& s = dc.GetSurface();
    int l = 1024, t = 1024, r = -1, b = -1;
    for (int y = 0; y < 1024; ++y)
      for (int x = 0; x < 1024; ++x)
        if ((s.row(y)[x] & 0xFFFFFF) == 0) {
          l = std::min(l, x), r = std::max(r, x);
          t = std::min(t, y), b = std::max(b, y);
        }
    dc.SelectObject(old);
    if (r < 0) return nullptr;
    auto p = std::make_unique<CPathObject>();
    p->AddRectangle(float(l), float(t), float(r), float(b));
    p->EndPoints();
    return p;
  }
  bool HasTracer(bool) override { return bound; }
  int calls = 0;
  bool bound = true;
};

struct CreateCftTest : ::testing::Test {
  TempDir dir;
  std::string mount, out;
  std::unique_ptr<ScopedIni> ini;
  plat::RecordingSink sink;
  plat::ScopedReportSink reports{&sink};
  ScriptedModalDriver driver;

  void SetUp() override {
    mount = dir / "mount";
    out = dir / "out";
    std::filesystem::create_directories(mount);
    std::filesystem::create_directories(out);
    RegisterCreateCftResources();
  }
  // The language table, the installed fonts and the own font files of the
  // mount folder.
  void Mount() {
    ini = std::make_unique<ScopedIni>("[LANGUAGE0]\nID=0\nNAME=EN\n[LANGUAGE1]\nID=134\nNAME=GB\nMounts=1\n"
                                      "MountName0=Own\nMountPath0=" + mount + "\n");
    g_Language.Load();
    g_FontCatalog.EnumWindowsFonts();
    g_TtfFontTable.Clear();
    g_FontCatalog.ScanCftMounts();
  }
  void TearDown() override {
    ResetWindowSystem();
    res::Clear();
    g_CftFontTable.Clear();
  }
  // A source file in the mount folder: zone 0xB0, positions 0xA1..0xA4;
  // A1 and A2 squares, A3 without a glyph, A4 never written.
  std::string WriteSource(const std::string& name) {
    const std::string path = mount + "/" + name;
    CftHeader h = CCftFont::MakeHeader(0xB0, 0xB0, 0xA1, 0xA4);
    std::strcpy(h.cName, "Src");
    std::strcpy(h.eName, "Source");
    CCftFont::SetOtherName(h, "Other");
    EXPECT_TRUE(CCftFont::CreateFile(path, h));
    auto a = Encode(*Rect(100, 100, 900, 900));
    auto b = Encode(*Rect(-50, 200, 300, 1100));  // leaves the square
    EXPECT_EQ(CCftFont::WriteGlyph(path, h, 0xB0, 0xA1, a.data(), a.size()), 1);
    EXPECT_EQ(CCftFont::WriteGlyph(path, h, 0xB0, 0xA2, b.data(), b.size()), 1);
    EXPECT_EQ(CCftFont::WriteGlyph(path, h, 0xB0, 0xA3, nullptr, 0), 1);
    return path;
  }
  static void SetRange(CDialog& d, int bqh, int eqh, int bwh, int ewh) {
    d.TypeText(IDC_CFT_BQH, std::to_string(bqh));
    d.TypeText(IDC_CFT_EQH, std::to_string(eqh));
    d.TypeText(IDC_CFT_BWH, std::to_string(bwh));
    d.TypeText(IDC_CFT_EWH, std::to_string(ewh));
  }
  static bool SelectSource(CDialog& d, const std::string& label) {
    auto* combo = d.Item<CComboBox>(IDC_CFT_SOURCES);
    for (int i = 0; i < combo->GetCount(); ++i)
      if (combo->GetLBText(i).rfind(label, 0) == 0) return d.SelectComboItem(IDC_CFT_SOURCES, i);
    return false;
  }
};

std::string HeaderBytes(const std::string& name, const std::string& lowered, std::uint8_t sqh, std::uint8_t eqh,
                        std::uint8_t swh, std::uint8_t ewh) {
  std::string h("VCFT\0\0", 6);
  h += std::string("\x04\x08", 2);
  h += std::string("\x00\x00\xC0\x40", 4);
  h += std::string("\x90\0\0\0", 4);
  auto field = [&](const std::string& s) { h += s + std::string(32 - s.size(), '\0'); };
  field(name);
  field(name);
  field(lowered);
  h += std::string("\x90\0\0\0", 4);
  h += std::string("\x00\x04", 2);
  h += std::string{char(sqh), char(eqh), char(swh), char(ewh)};
  h += std::string(22, '\0');
  return h;
}

TEST_F(CreateCftTest, OpensWithTheStoredSettingsAndTheSourcesOfTheLanguages) {
  WriteSource("SRC.CFT");
  Mount();
  std::vector<std::string> labels, codes, fields;
  driver.Then([&](CDialog& d) {
    auto* l = d.Item<CComboBox>(IDC_CFT_SOURCES);
    auto* c = d.Item<CComboBox>(IDC_CFT_SOURCE_CODES);
    for (int i = 0; i < l->GetCount(); ++i) labels.push_back(l->GetLBText(i));
    for (int i = 0; i < c->GetCount(); ++i) codes.push_back(c->GetLBText(i));
    for (UINT id : {IDC_CFT_PATH, IDC_CFT_MARK, IDC_CFT_VERSION, IDC_CFT_INC_X, IDC_CFT_INC_Y, IDC_CFT_BQH,
                    IDC_CFT_EQH, IDC_CFT_BWH, IDC_CFT_EWH})
      fields.push_back(d.GetDlgItemText(id));
    // The own font source: the file's names, stored other name and file name.
    ASSERT_TRUE(SelectSource(d, "GBOwnFonts"));
    EXPECT_EQ(d.Item<CListBox>(IDC_CFT_FONTS)->GetText(0), "Src");
    EXPECT_EQ(d.GetDlgItemText(IDC_CFT_CNAME), "Src");
    EXPECT_EQ(d.GetDlgItemText(IDC_CFT_ENAME), "SRC");
    EXPECT_EQ(d.GetDlgItemText(IDC_CFT_ONAME), "Other");
    EXPECT_EQ(d.GetDlgItemText(IDC_CFT_FILE), "SRC.CFT");
    // The simplified Chinese slot (1): its default ranges.
    for (UINT id : {IDC_CFT_BQH, IDC_CFT_EQH, IDC_CFT_BWH, IDC_CFT_EWH}) fields.push_back(d.GetDlgItemText(id));
    d.TypeText(IDC_CFT_PATH, out);
    d.TypeText(IDC_CFT_MARK, "ABCDEFG");
    d.TypeText(IDC_CFT_VERSION, "6.5");
    d.ClickButton(IDCANCEL);
  });
  CCreateCftDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(labels, (std::vector<std::string>{"ENWinFonts  ", "GBWinFonts  ", "GBOwnFonts"}));
  EXPECT_EQ(codes, (std::vector<std::string>{"0", "134", "646"}));
  // Slot 0's ranges for the first source, then slot 1's.
  EXPECT_EQ(fields, (std::vector<std::string>{"C:\\VORLAN\\MOUNT", "VCFT", "6.0", "0", "0", "0", "0", "32", "255",
                                              "176", "248", "161", "255"}));
  std::string text;
  g_IniFile.GetString("FontCreate", "DefaultPath", text, "");
  EXPECT_EQ(text, out);
  g_IniFile.GetString("FontCreate", "CFTMARK", text, "");
  EXPECT_EQ(text, "ABCDE");
  g_IniFile.GetString("FontCreate", "CFTVER", text, "");
  EXPECT_EQ(text, "6.5");
}

TEST_F(CreateCftTest, PreviewDrawsTheFirstCodeMovedInItsSquare) {
  WriteSource("SRC.CFT");
  Mount();
  std::vector<plat::COLORREF> seen;
  driver.Then([&](CDialog& d) {
    ASSERT_TRUE(SelectSource(d, "GBOwnFonts"));
    const RECT r = d.GetDlgItem(IDC_CFT_PREVIEW)->GetRectInParent();
    auto look = [&](int x, int y) {
      d.Invalidate();
      d.UpdateWindow();
      seen.push_back(d.GetSurface().surface().GetPixel(r.left + x, r.top + y));
    };
    // A1 is the square (100, 100)-(900, 900): at 0.12 its left edge is at 12.
    SetRange(d, 0xB0, 0xB0, 0xA1, 0xA4);
    look(12, 50);
    look(0, 50);    // the glyph square
    look(50, 50);   // inside: outlines only
    d.TypeText(IDC_CFT_INC_X, "100");
    look(24, 50);
    SetRange(d, 0xB0, 0xB0, 0xA3, 0xA4);  // no glyph: the frame is cleared
    look(0, 50);
    d.ClickButton(IDCANCEL);
  });
  CCreateCftDlg dlg;
  dlg.DoModal();
  const plat::COLORREF black = plat::RGB(0, 0, 0), white = plat::RGB(255, 255, 255);
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0], black);
  EXPECT_EQ(seen[1], black);
  EXPECT_EQ(seen[2], white);
  EXPECT_EQ(seen[3], black);
  EXPECT_EQ(seen[4], white);
}

TEST_F(CreateCftTest, CreatesFromTheInstalledFace) {
  Mount();
  const int song = g_FontCatalog.FindEntry(1, 0, plat::Utf8ToGbk(kSong));
  ASSERT_GE(song, 0);
  std::string caption;
  driver.Then([&](CDialog& d) {
    ASSERT_TRUE(SelectSource(d, "GBWinFonts"));
    ASSERT_EQ(d.SelectListItem(IDC_CFT_FONTS, song), TRUE);
    EXPECT_EQ(d.GetDlgItemText(IDC_CFT_CNAME), kSong);
    EXPECT_EQ(d.GetDlgItemText(IDC_CFT_ONAME), kSong);
    d.TypeText(IDC_CFT_PATH, out);  // no trailing separator
    d.TypeText(IDC_CFT_FILE, "SONG.CFT");
    // Zone 0xD7 ends at 0xF9: 0xFA and 0xFB have no character.
    SetRange(d, 0xD7, 0xD8, 0xF8, 0xFB);
    d.TypeText(IDC_CFT_INC_X, "10");
    d.TypeText(IDC_CFT_ONAME, "x");
    d.TypeText(IDC_CFT_INC_Y, "-5");  // the names again
    EXPECT_EQ(d.GetDlgItemText(IDC_CFT_ONAME), kSong);
    d.TypeText(IDC_CFT_ONAME, "Song");
    d.ClickButton(IDOK);
    EXPECT_FALSE(d.IsEnded());
    caption = d.GetWindowText();
    d.ClickButton(IDCANCEL);
  });
  CCreateCftDlg dlg;
  dlg.DoModal();
  EXPECT_EQ(caption, "d8,fb");
  EXPECT_TRUE(sink.boxes.empty());

  const std::string bytes = ReadFileBytes(out + "/SONG.CFT");
  ASSERT_GE(bytes.size(), 144u + 32u);
  std::string lowered = "Song";
  for (char& c : lowered) c = char(c - 16);
  EXPECT_EQ(bytes.substr(0, 144), HeaderBytes(plat::Utf8ToGbk(kSong), lowered, 0xD7, 0xD8, 0xF8, 0xFB));
  const std::uint16_t codes[8] = {0xD7F8, 0xD7F9, 0xD7FA, 0xD7FB, 0xD8F8, 0xD8F9, 0xD8FA, 0xD8FB};
  for (std::uint32_t i = 0; i < 8; ++i) {
    const std::uint32_t entry = U32(bytes, 144 + 4 * i);
    auto source = GetTrueTypeGlyphOutline(134, song, codes[i]);
    if (!source) {
      EXPECT_EQ(entry, 0xFFFFFFFFu) << std::hex << codes[i];
      continue;
    }
    EXPECT_NE(entry, 0u);
    EXPECT_EQ(CCftFont::GetGlyphOffset(out + "/SONG.CFT", codes[i]), CCftFont::Scramble(entry, i));
    auto glyph = GlyphOf(bytes, entry, i);
    ASSERT_TRUE(glyph) << std::hex << codes[i];
    EXPECT_TRUE(SamePoints(PointsOf(*glyph), Whole(*source, 10, -5))) << std::hex << codes[i];
  }
  EXPECT_EQ(U32(bytes, 144 + 4 * 2), 0xFFFFFFFFu);
  EXPECT_EQ(U32(bytes, 144 + 4 * 3), 0xFFFFFFFFu);
}

TEST_F(CreateCftTest, CreatesFromAnOwnFontFileAndReplacesTheFileTheSecondTime) {
  const std::string source = WriteSource("SRC.CFT");
  const std::string before = ReadFileBytes(source);
  Mount();
  std::vector<std::string> first, second;
  driver.Then([&](CDialog& d) {
    ASSERT_TRUE(SelectSource(d, "GBOwnFonts"));
    // The default folder is the mount folder: the source itself.
    d.TypeText(IDC_CFT_PATH, mount);
    SetRange(d, 0xB0, 0xB0, 0xA1, 0xA4);
    d.ClickButton(IDOK);
    d.TypeText(IDC_CFT_PATH, out + "/");
    d.ClickButton(IDOK);
    first.push_back(ReadFileBytes(out + "/SRC.CFT"));
    SetRange(d, 0xB0, 0xB0, 0xA2, 0xA2);
    d.ClickButton(IDOK);
    second.push_back(ReadFileBytes(out + "/SRC.CFT"));
    d.ClickButton(IDCANCEL);
  });
  CCreateCftDlg dlg;
  dlg.DoModal();
  EXPECT_EQ(ReadFileBytes(source), before);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].caption, "Create error!");
  EXPECT_EQ(sink.boxes[0].text, mount + "\\SRC.CFT");

  ASSERT_EQ(first.size(), 1u);
  const std::string& bytes = first[0];
  std::string lowered = "Other";
  for (char& c : lowered) c = char(c - 16);
  std::string header = HeaderBytes("Src", lowered, 0xB0, 0xB0, 0xA1, 0xA4);
  header.replace(48, 32, std::string("SRC") + std::string(29, '\0'));  // EName: the file's name
  EXPECT_EQ(bytes.substr(0, 144), header);
  // Codes without a glyph, written or never written, are stored as missing.
  EXPECT_EQ(U32(bytes, 144 + 8), 0xFFFFFFFFu);
  EXPECT_EQ(U32(bytes, 144 + 12), 0xFFFFFFFFu);
  for (std::uint32_t i = 0; i < 2; ++i) {
    auto glyph = GlyphOf(bytes, U32(bytes, 144 + 4 * i), i);
    auto from = CCftFont::ReadGlyph(source, std::uint16_t(0xB0A1 + i));
    ASSERT_TRUE(glyph && from);
    EXPECT_TRUE(SamePoints(PointsOf(*glyph), Whole(*from, 0, 0)));
  }
  // The second build holds one entry and nothing of the first.
  ASSERT_EQ(second.size(), 1u);
  const std::uint32_t record = 144 + 4;
  EXPECT_EQ(second[0][118], char(0xB0));
  EXPECT_EQ(second[0][120], char(0xA2));
  EXPECT_EQ(second[0][121], char(0xA2));
  EXPECT_EQ(U32(second[0], 144), CCftFont::Scramble(record, 0));
  EXPECT_EQ(second[0].size(), record + U32(second[0], record));
}

// Outlines by code; every other code has none.
class MapSource : public CGlyphSource {
 public:
  int FindSlot(std::uint8_t) override { return 0; }
  std::unique_ptr<CPathPointList> GetOutline(std::uint8_t, std::uint8_t, int, std::uint16_t,
                                             std::uint16_t code) override {
    auto it = glyphs.find(code);
    return it == glyphs.end() ? nullptr : it->second->Clone();
  }
  bool GetMetrics(std::uint8_t, std::uint16_t, std::uint16_t, GlyphMetrics&) override { return false; }
  std::map<std::uint16_t, std::unique_ptr<CPathPointList>> glyphs;
};

// A zigzag of n nodes whose steps take `step` units.
std::unique_ptr<CPathPointList> Zigzag(int n, float step) {
  std::vector<PathPoint> pts;
  for (int k = 0; k < n; ++k)
    pts.push_back({float(k) * step, float(k % 2) * step, std::uint8_t(k == 0 ? 0x11 : k == n - 1 ? 0x21 : 0x01)});
  return ListOf(pts);
}

TEST_F(CreateCftTest, ARecordWhoseEntryWouldScrambleToZeroIsMovedOn) {
  Mount();
  // 69 zones x 256 positions: the index ends at 70800, and the last entry
  // (17663) scrambles to 0 for the offset K / 17666 = 71403.
  const std::uint32_t last = 69 * 256 - 1, indexEnd = 144 + 4 * (last + 1);
  const std::uint32_t zeroAt = CCftFont::kScramble / (last + 3);
  ASSERT_EQ(CCftFont::Scramble(zeroAt, last), 0u);
  // Records before it that fill the gap exactly.
  std::map<std::size_t, std::unique_ptr<CPathPointList>> bySize;
  for (int n = 2; n < 200; ++n)
    for (float step : {3.0f, 300.0f}) {
      auto z = Zigzag(n, step);
      bySize.emplace(Encode(*z).size(), std::move(z));
    }
  MapSource source;
  for (auto& [a, za] : bySize) {
    auto b = bySize.find(zeroAt - indexEnd - a);
    if (b == bySize.end()) continue;
    source.glyphs[0x0000] = za->Clone();
    source.glyphs[0x0001] = b->second->Clone();
    break;
  }
  ASSERT_EQ(source.glyphs.size(), 2u);
  source.glyphs[0x44FF] = Rect(10, 10, 20, 20);
  ScopedGlyphSource scope(&source);
  driver.Then([&](CDialog& d) {
    d.TypeText(IDC_CFT_PATH, out);
    d.TypeText(IDC_CFT_FILE, "Z.CFT");
    SetRange(d, 0, 68, 0, 255);
    d.ClickButton(IDOK);
    d.ClickButton(IDCANCEL);
  });
  CCreateCftDlg dlg;
  dlg.DoModal();
  const std::string bytes = ReadFileBytes(out + "/Z.CFT");
  ASSERT_GT(bytes.size(), zeroAt + 8u);
  EXPECT_EQ(CCftFont::Scramble(U32(bytes, 144), 0), indexEnd);
  EXPECT_EQ(U32(bytes, zeroAt), 0u);  // the four zero bytes
  const std::uint32_t entry = U32(bytes, 144 + 4 * last);
  EXPECT_EQ(CCftFont::Scramble(entry, last), zeroAt + 4);
  EXPECT_EQ(CCftFont::GetGlyphOffset(out + "/Z.CFT", 0x44FF), zeroAt + 4);
  auto glyph = CCftFont::ReadGlyph(out + "/Z.CFT", 0x44FF);
  ASSERT_TRUE(glyph);
  EXPECT_TRUE(SamePoints(PointsOf(*glyph), Whole(*Rect(10, 10, 20, 20), 0, 0)));
}

TEST_F(CreateCftTest, RefusesOldVersionsAndRangesThatNameNoCodes) {
  Mount();
  struct Case {
    std::string version;
    int range[4];
    std::string font;  // "-" clears the selection
  };
  const Case cases[] = {
      {"5.4", {0xB0, 0xB0, 0xA1, 0xA1}, ""},  {"6.0", {0xB1, 0xB0, 0xA1, 0xA1}, ""},
      {"6.0", {0xB0, 0xB0, 0xA2, 0xA1}, ""},  {"6.0", {0xB0, 256, 0xA1, 0xA1}, ""},
      {"6.0", {-1, 0xB0, 0xA1, 0xA1}, ""},    {"6.0", {0xB0, 0xB0, 0xA1, 0xA1}, "-"},
  };
  for (const Case& c : cases) {
    driver.Then([&](CDialog& d) {
      d.TypeText(IDC_CFT_PATH, out);
      d.TypeText(IDC_CFT_FILE, "X.CFT");
      d.TypeText(IDC_CFT_VERSION, c.version);
      SetRange(d, c.range[0], c.range[1], c.range[2], c.range[3]);
      if (c.font == "-") d.Item<CListBox>(IDC_CFT_FONTS)->SetCurSel(-1);
      d.ClickButton(IDOK);
      sink.replies = {plat::IDYES};
      d.ClickButton(IDC_CFT_RESAMPLE);
      d.ClickButton(IDCANCEL);
    });
    CCreateCftDlg dlg;
    dlg.DoModal();
    EXPECT_FALSE(std::filesystem::exists(out + "/X.CFT")) << c.version << " " << c.range[0];
  }
  // Only the old version says why: Create, then ReSample after its question.
  ASSERT_EQ(sink.boxes.size(), 3u + 5u);
  EXPECT_EQ(sink.boxes[0].caption, "Err FontVersion [5.40]\r\n");
  EXPECT_EQ(sink.boxes[0].text, out + "\\X.CFT");
  EXPECT_EQ(sink.boxes[1].caption, "Resample");
  EXPECT_EQ(sink.boxes[1].text, "Are You Sure Resample?");
  EXPECT_EQ(sink.boxes[2].caption, "Err FontVersion [5.40]\r\n");
  for (std::size_t i = 3; i < sink.boxes.size(); ++i) EXPECT_EQ(sink.boxes[i].caption, "Resample");
}

TEST_F(CreateCftTest, ValidateReportsEachMismatchInOrder) {
  const CftHeader want = CCftFont::MakeHeader(0xB0, 0xB1, 0xA1, 0xA2);
  std::string errors;
  // A missing file is created with the header and a zero index.
  EXPECT_EQ(ValidateCftHeader(out + "/NEW.CFT", want, errors), kCftFileReady);
  const std::string made = ReadFileBytes(out + "/NEW.CFT");
  ASSERT_EQ(made.size(), 144u + 16u);
  EXPECT_EQ(std::memcmp(made.data(), &want, 144), 0);
  EXPECT_EQ(made.substr(144), std::string(16, '\0'));
  EXPECT_EQ(ValidateCftHeader(out + "/NEW.CFT", want, errors), kCftFileReady);
  EXPECT_EQ(errors, "");
  EXPECT_EQ(ValidateCftHeader(out + "/no/such/folder/X.CFT", want, errors), kCftFileFailed);

  struct Case {
    void (*change)(CftHeader&);
    const char* line;
  };
  const Case cases[] = {
      {[](CftHeader& h) { std::strcpy(h.magic, "ABC"); }, "Err Magic ABC \r\n"},
      {[](CftHeader& h) { h.version = 6.5f; }, "Err FontVersion [6.50]\r\n"},
      {[](CftHeader& h) { h.ewh = 0xA3; }, "Err in SQH=[176],EQH=[177],SWH=[161],EWH=[163] \r\n"},
      {[](CftHeader& h) { h.resolution = 2048; }, "Err in Reslution [2048]\r\n"},
      {[](CftHeader& h) { h.languageId = 0x0409; }, "Err in Language ID [409]\r\n"},
      {[](CftHeader& h) { h.headerSize = 0x50; }, "Err in HeadSize [50]\r\n"},
      {[](CftHeader& h) { h.indexOffset = 0xA0; }, "Err in IndexOffset [a0]\r\n"},
  };
  CftHeader all = want;
  std::string allLines;
  for (const Case& c : cases) {
    CftHeader h = want;
    c.change(h);
    c.change(all);
    allLines += c.line;
    ASSERT_TRUE(CCftFont::CreateFile(out + "/BAD.CFT", h));
    EXPECT_EQ(ValidateCftHeader(out + "/BAD.CFT", want, errors), kCftFileMismatch) << c.line;
    EXPECT_EQ(errors, c.line);
  }
  ASSERT_TRUE(CCftFont::CreateFile(out + "/BAD.CFT", all));
  const std::string before = ReadFileBytes(out + "/BAD.CFT");
  EXPECT_EQ(ValidateCftHeader(out + "/BAD.CFT", want, errors), kCftFileMismatch);
  EXPECT_EQ(errors, allLines);
  EXPECT_EQ(ReadFileBytes(out + "/BAD.CFT"), before);  // a mismatch leaves the file alone

  // An old file and an empty one mismatch; an index cut short is completed.
  WriteFileBytes(out + "/OLD.CFT", "CV" + std::string(100, '\0'));
  EXPECT_EQ(ValidateCftHeader(out + "/OLD.CFT", want, errors), kCftFileMismatch);
  EXPECT_NE(errors.find("Err FontVersion [5.40]\r\n"), std::string::npos);
  WriteFileBytes(out + "/CUT.CFT", made.substr(0, 150));
  EXPECT_EQ(ValidateCftHeader(out + "/CUT.CFT", want, errors), kCftFileReady);
  EXPECT_EQ(ReadFileBytes(out + "/CUT.CFT"), made);
}

TEST_F(CreateCftTest, ResampleResumesAtTheFirstEntryNotBuilt) {
  const std::string source = WriteSource("SRC.CFT");
  Mount();
  BoxTracer tracer;
  const std::string dest = out + "/SRC.CFT";
  std::string built;
  auto open = [&](std::function<void(CDialog&)> then) {
    driver.Then([&, then](CDialog& d) {
      ASSERT_TRUE(SelectSource(d, "GBOwnFonts"));
      d.TypeText(IDC_CFT_PATH, out);
      SetRange(d, 0xB0, 0xB0, 0xA1, 0xA4);
      then(d);
      d.ClickButton(IDCANCEL);
    });
    CCreateCftDlg dlg;
    dlg.DoModal();
  };

  // Without a tracing library the file is opened (here: made) and the user
  // told; no glyph is traced. The same with services whose library is missing.
  open([&](CDialog& d) { d.ClickButton(IDC_CFT_RESAMPLE); });
  EXPECT_TRUE(std::filesystem::exists(dest));
  ASSERT_EQ(sink.boxes.size(), 2u);
  EXPECT_EQ(sink.boxes[1].text, "没有可用的矢量化库, 不能重新采样!");
  EXPECT_EQ(sink.boxes[1].caption, "Resample");
  tracer.bound = false;
  CTraceServices* old = SetTraceServices(&tracer);
  open([&](CDialog& d) { d.ClickButton(IDC_CFT_RESAMPLE); });
  ASSERT_EQ(sink.boxes.size(), 4u);
  EXPECT_EQ(sink.boxes[3].text, "没有可用的矢量化库, 不能重新采样!");
  EXPECT_EQ(tracer.calls, 0);
  tracer.bound = true;
  std::filesystem::remove(dest);
  sink.clear();
  // "No" to the question: nothing.
  sink.replies = {plat::IDNO};
  open([&](CDialog& d) { d.ClickButton(IDC_CFT_RESAMPLE); });
  EXPECT_FALSE(std::filesystem::exists(dest));
  EXPECT_EQ(tracer.calls, 0);

  // A build stopped after its first entry: the rest are 0.
  open([&](CDialog& d) { d.ClickButton(IDOK); });
  std::string bytes = ReadFileBytes(dest);
  const std::uint32_t firstEntry = U32(bytes, 144);
  bytes.replace(148, 12, std::string(12, '\0'));
  WriteFileBytes(dest, bytes);
  open([&](CDialog& d) {
    d.TypeText(IDC_CFT_INC_X, "7");
    d.TypeText(IDC_CFT_INC_Y, "-3");
    d.ClickButton(IDC_CFT_RESAMPLE);
  });
  SetTraceServices(old);
  bytes = ReadFileBytes(dest);
  EXPECT_EQ(tracer.calls, 1);  // only A2 has a glyph from the resume point on
  EXPECT_EQ(U32(bytes, 144), firstEntry);
  EXPECT_EQ(U32(bytes, 144 + 8), 0xFFFFFFFFu);
  EXPECT_EQ(U32(bytes, 144 + 12), 0xFFFFFFFFu);
  // A2 (-50, 200)-(300, 1100) was drawn moved into the square and traced;
  // the trace is moved back, then by the offset.
  auto glyph = GlyphOf(bytes, U32(bytes, 148), 1);
  ASSERT_TRUE(glyph);
  ASSERT_TRUE(glyph->hasBounds);
  EXPECT_EQ(glyph->bounds, CFRect(-50 + 7, 200 - 3, 300 + 7, 1100 - 3));
  EXPECT_TRUE(sink.beeps.empty());  // the square is no larger than the source
  ASSERT_EQ(sink.boxes.size(), 2u);
  for (const auto& box : sink.boxes) EXPECT_EQ(box.caption, "Resample");
}

TEST_F(CreateCftTest, ResampleOfAMismatchingFileShowsItsLines) {
  WriteSource("SRC.CFT");
  Mount();
  CftHeader h = CCftFont::MakeHeader(0xB0, 0xB0, 0xA1, 0xA5);
  ASSERT_TRUE(CCftFont::CreateFile(out + "/SRC.CFT", h));
  // Reported also when no tracing library is bound.
  driver.Then([&](CDialog& d) {
    ASSERT_TRUE(SelectSource(d, "GBOwnFonts"));
    d.TypeText(IDC_CFT_PATH, out);
    SetRange(d, 0xB0, 0xB0, 0xA1, 0xA4);
    d.ClickButton(IDC_CFT_RESAMPLE);
    d.ClickButton(IDCANCEL);
  });
  {
    CCreateCftDlg dlg;
    dlg.DoModal();
  }
  ASSERT_EQ(sink.boxes.size(), 2u);
  EXPECT_EQ(sink.boxes[1].caption, "Err in SQH=[176],EQH=[176],SWH=[161],EWH=[165] \r\n");
  sink.clear();
  BoxTracer tracer;
  CTraceServices* old = SetTraceServices(&tracer);
  driver.Then([&](CDialog& d) {
    ASSERT_TRUE(SelectSource(d, "GBOwnFonts"));
    d.TypeText(IDC_CFT_PATH, out);
    SetRange(d, 0xB0, 0xB0, 0xA1, 0xA4);
    d.ClickButton(IDC_CFT_RESAMPLE);
    d.TypeText(IDC_CFT_PATH, out + "/missing/");
    d.ClickButton(IDC_CFT_RESAMPLE);
    d.ClickButton(IDCANCEL);
  });
  CCreateCftDlg dlg;
  dlg.DoModal();
  SetTraceServices(old);
  ASSERT_EQ(sink.boxes.size(), 4u);
  EXPECT_EQ(sink.boxes[1].text, out + "\\SRC.CFT");
  EXPECT_EQ(sink.boxes[1].caption, "Err in SQH=[176],EQH=[176],SWH=[161],EWH=[165] \r\n");
  EXPECT_EQ(sink.boxes[3].caption, "Create error!");
  EXPECT_EQ(tracer.calls, 0);
}

}  // namespace
