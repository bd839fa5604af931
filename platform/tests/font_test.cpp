#include "platform/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

#include "platform/tests/font_faces.h"

using namespace plat;
using fonttest::Installed;

namespace {

// Faces from the Debian packages the scripts install.
constexpr const char* kDejaVu = "DejaVu Sans";            // fonts-dejavu-core
constexpr const char* kSungGB = "AR PL SungtiL GB";       // fonts-arphic-gbsn00lp
constexpr const char* kMingBig5 = "AR PL Mingti2L Big5";  // fonts-arphic-bsmi00lp
// "文鼎ＰＬ简报宋" in GBK: the face's zh-CN name.
const std::string kSungGBName =
    "\xCE\xC4\xB6\xA6\xA3\xD0\xA3\xCC\xBC\xF2\xB1\xA8\xCB\xCE";

std::set<int> CharSetsOf(const std::string& faceName) {
  std::set<int> out;
  for (const FontFace& f : InstalledFontFaces()) {
    if (f.faceName == faceName) out.insert(f.charSet);
  }
  return out;
}

LOGFONT MakeLogFont(const std::string& face, BYTE charSet, LONG height = -1024, LONG weight = 0) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = charSet;
  lf.lfQuality = PROOF_QUALITY;
  lf.SetFaceName(face);
  return lf;
}

std::vector<unsigned char> Native(const Font& f, UINT code, GLYPHMETRICS* gm = nullptr,
                                  const MAT2* mat = nullptr) {
  GLYPHMETRICS tmp;
  DWORD n = f.GetGlyphOutline(code, GGO_NATIVE, gm ? gm : &tmp, 0, nullptr, mat);
  if (n == GDI_ERROR) return {};
  std::vector<unsigned char> buf(n);
  EXPECT_EQ(f.GetGlyphOutline(code, GGO_NATIVE, gm ? gm : &tmp, n, buf.data(), mat), n);
  return buf;
}

std::vector<NativeContour> Contours(const std::vector<unsigned char>& buf) {
  std::vector<NativeContour> out;
  EXPECT_TRUE(ParseNativeOutline(buf.data(), buf.size(), &out));
  return out;
}

double MinY(const std::vector<NativeContour>& cs) {
  double y = 1e9;
  for (const auto& c : cs) {
    y = std::min(y, FixedToDouble(c.start.y));
    for (const auto& cv : c.curves)
      for (const auto& p : cv.points) y = std::min(y, FixedToDouble(p.y));
  }
  return y;
}

MAT2 Mat(double m11, double m12, double m21, double m22) {
  return MAT2{FixedFromDouble(m11), FixedFromDouble(m12), FixedFromDouble(m21), FixedFromDouble(m22)};
}

}  // namespace

TEST(FontEnumeration, DejaVuSansListedUnderItsCharSetsButNotChinese) {
  REQUIRE_FACE(kDejaVu);
  std::set<int> sets = CharSetsOf(kDejaVu);
  for (int cs : {ANSI_CHARSET, EASTEUROPE_CHARSET, RUSSIAN_CHARSET, GREEK_CHARSET, TURKISH_CHARSET, BALTIC_CHARSET})
    EXPECT_TRUE(sets.count(cs)) << cs;
  EXPECT_FALSE(sets.count(GB2312_CHARSET));
  EXPECT_FALSE(sets.count(CHINESEBIG5_CHARSET));
  EXPECT_FALSE(sets.count(SHIFTJIS_CHARSET));
}

TEST(FontEnumeration, ChineseFacesCarryTheirZhCnNameUnderTheirCharSet) {
  REQUIRE_FACE(kSungGB);
  EXPECT_EQ(CharSetsOf(kSungGBName), std::set<int>{GB2312_CHARSET});
  // Enumerating one character set reports only that set, with the GBK name.
  int seen = 0;
  EnumFontFamiliesEx(GB2312_CHARSET, [&](const LOGFONT& lf, DWORD type) {
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(type, TRUETYPE_FONTTYPE);
    if (lf.FaceName() == kSungGBName) ++seen;
    return 1;
  });
  EXPECT_EQ(seen, 1);
  EXPECT_TRUE(CharSetsOf(kSungGB).empty()) << "the English name is not the one shown";
  if (Installed(kMingBig5)) {
    // Its zh-CN record holds the English name; it covers BIG5 only.
    EXPECT_EQ(CharSetsOf(kMingBig5), std::set<int>{CHINESEBIG5_CHARSET});
  }
}

TEST(FontEnumeration, EachFaceOncePerCharSetSortedAndCached) {
  const auto& a = InstalledFontFaces();
  EXPECT_EQ(&a, &InstalledFontFaces());
  std::set<std::pair<std::string, int>> seen;
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_TRUE(seen.emplace(a[i].faceName, a[i].charSet).second) << a[i].faceName;
    EXPECT_FALSE(a[i].faceName.empty());
    EXPECT_LE(a[i].faceName.size(), size_t(LF_FACESIZE - 1));
    EXPECT_NE(a[i].faceName[0], '@');
    if (i > 0) {
      EXPECT_LE(a[i - 1].faceName, a[i].faceName);
    }
  }
  if (a.empty()) GTEST_SKIP() << "no TrueType faces installed";
  int calls = 0;
  EXPECT_EQ(EnumFontFamiliesEx(DEFAULT_CHARSET, [&](const LOGFONT&, DWORD) { return ++calls, 0; }), 0);
  EXPECT_EQ(calls, 1);
}

TEST(GlyphOutline, LetterHIsOneContourOfLines) {
  REQUIRE_FACE(kDejaVu);
  Font f(MakeLogFont(kDejaVu, ANSI_CHARSET));
  GLYPHMETRICS gm;
  auto buf = Native(f, 'H', &gm);
  auto cs = Contours(buf);
  ASSERT_EQ(cs.size(), 1u);
  ASSERT_EQ(cs[0].curves.size(), 1u);
  EXPECT_EQ(cs[0].curves[0].type, TT_PRIM_LINE);
  EXPECT_EQ(cs[0].curves[0].points.size(), 11u);  // 12 corners; the closing edge is implied
  EXPECT_DOUBLE_EQ(MinY(cs), 0.0);                // standing on the baseline, y up
  EXPECT_DOUBLE_EQ(FixedToDouble(cs[0].start.x), 100.5);
  EXPECT_DOUBLE_EQ(FixedToDouble(cs[0].start.y), 746.5);
  EXPECT_EQ(gm.gmCellIncX, 770);
  EXPECT_EQ(gm.gmCellIncY, 0);
  EXPECT_EQ(gm.gmptGlyphOrigin, (POINT{100, 747}));
  EXPECT_EQ(gm.gmBlackBoxX, 570u);
  EXPECT_EQ(gm.gmBlackBoxY, 747u);
  // The header's byte count covers the whole polygon.
  TTPOLYGONHEADER h;
  std::memcpy(&h, buf.data(), sizeof(h));
  EXPECT_EQ(h.cb, buf.size());
  EXPECT_EQ(h.dwType, TT_POLYGON_TYPE);
}

TEST(GlyphOutline, LetterOIsTwoContoursOfQuadraticSplines) {
  REQUIRE_FACE(kDejaVu);
  Font f(MakeLogFont(kDejaVu, ANSI_CHARSET));
  GLYPHMETRICS gm;
  auto cs = Contours(Native(f, 'O', &gm));
  ASSERT_EQ(cs.size(), 2u);
  for (const auto& c : cs) {
    ASSERT_EQ(c.curves.size(), 4u);
    for (const auto& cv : c.curves) {
      EXPECT_EQ(cv.type, TT_PRIM_QSPLINE);
      ASSERT_EQ(cv.points.size(), 3u);  // two off-curve points, then the on-curve end
    }
    // Each contour comes back to its start.
    EXPECT_EQ(FixedToLong(c.curves.back().points.back().x), FixedToLong(c.start.x));
    EXPECT_EQ(FixedToLong(c.curves.back().points.back().y), FixedToLong(c.start.y));
  }
  EXPECT_DOUBLE_EQ(MinY(cs), -14.5);  // the round overshoots the baseline
  EXPECT_EQ(gm.gmCellIncX, 806);
  EXPECT_EQ(gm.gmptGlyphOrigin, (POINT{57, 760}));
  EXPECT_EQ(gm.gmBlackBoxY, 775u);  // 760 down to -15
  GLYPHMETRICS only;
  EXPECT_EQ(f.GetGlyphOutline('O', GGO_METRICS, &only, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(std::memcmp(&only, &gm, sizeof gm), 0);
}

TEST(GlyphOutline, BufferSizeQueryAndTooSmallBuffer) {
  REQUIRE_FACE(kDejaVu);
  Font f(MakeLogFont(kDejaVu, ANSI_CHARSET));
  GLYPHMETRICS gm;
  DWORD n = f.GetGlyphOutline('O', GGO_NATIVE, &gm, 0, nullptr, nullptr);
  // 2 headers of 16 bytes and 8 curves of 4 + 3 * 8 bytes.
  EXPECT_EQ(n, 2u * 16 + 8u * 28);
  EXPECT_EQ(f.GetGlyphOutline('O', GGO_NATIVE, &gm, 4096, nullptr, nullptr), n);
  std::vector<unsigned char> buf(n + 8, 0xAB);
  EXPECT_EQ(f.GetGlyphOutline('O', GGO_NATIVE, &gm, n - 1, buf.data(), nullptr), GDI_ERROR);
  EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](unsigned char b) { return b == 0xAB; }));
  EXPECT_EQ(f.GetGlyphOutline('O', GGO_NATIVE, &gm, n + 8, buf.data(), nullptr), n);
  EXPECT_EQ(buf[n], 0xAB);
  // A blank has metrics and no contours.
  EXPECT_EQ(f.GetGlyphOutline(' ', GGO_NATIVE, &gm, 0, nullptr, nullptr), 0u);
  EXPECT_EQ(gm.gmCellIncX, 326);
  EXPECT_EQ(gm.gmBlackBoxX, 1u);
}

TEST(GlyphOutline, CodePageCodesGiveTheGlyphOfTheirUnicodeCharacter) {
  REQUIRE_FACE(kSungGB);
  Font gb(MakeLogFont(kSungGBName, GB2312_CHARSET));
  auto viaGbk = Native(gb, 0xD6D0);  // 中
  ASSERT_FALSE(viaGbk.empty());
  std::vector<unsigned char> viaUnicode(viaGbk.size());
  GLYPHMETRICS gm;
  ASSERT_EQ(gb.GetGlyphOutlineW(U'中', GGO_NATIVE, &gm, DWORD(viaUnicode.size()), viaUnicode.data(), nullptr),
            viaGbk.size());
  EXPECT_EQ(viaGbk, viaUnicode);
  EXPECT_EQ(gm.gmCellIncX, 1024);
  // The same face made for BIG5 takes the BIG5 code of the same character.
  Font big5(MakeLogFont(kSungGBName, CHINESEBIG5_CHARSET));
  EXPECT_EQ(Native(big5, 0xA4A4), viaGbk);
  // Single bytes stay single-byte codes.
  EXPECT_FALSE(Native(gb, 'A').empty());
  if (Installed(kMingBig5)) {
    Font ming(MakeLogFont(kMingBig5, CHINESEBIG5_CHARSET));
    auto a = Native(ming, 0xA4A4);
    std::vector<unsigned char> b(a.size());
    ASSERT_FALSE(a.empty());
    ming.GetGlyphOutlineW(U'中', GGO_NATIVE, &gm, DWORD(b.size()), b.data(), nullptr);
    EXPECT_EQ(a, b);
  }
}

TEST(GlyphOutline, CodesWithoutAGlyphGiveErrorAndZeroMetrics) {
  REQUIRE_FACE(kSungGB);
  REQUIRE_FACE(kDejaVu);
  Font gb(MakeLogFont(kSungGBName, GB2312_CHARSET));
  Font west(MakeLogFont(kDejaVu, ANSI_CHARSET));
  struct Case {
    const Font* font;
    UINT code;
    const char* why;
  } cases[] = {
      {&gb, 0x8140, "GBK code outside GB2312: the face has no glyph"},
      {&gb, 0xD67F, "0x7F is no trail byte"},
      {&gb, 0xD6, "a lead byte alone"},
      {&gb, 0x10000, "beyond two bytes"},
      {&west, 0xD6D0, "a double-byte code in a single-byte code page"},
      {&west, 0x81, "a byte code page 1252 leaves undefined"},
  };
  for (const Case& c : cases) {
    GLYPHMETRICS gm;
    gm.gmBlackBoxX = gm.gmBlackBoxY = 55;
    gm.gmptGlyphOrigin = POINT{5, 5};
    gm.gmCellIncX = gm.gmCellIncY = 5;
    EXPECT_EQ(c.font->GetGlyphOutline(c.code, GGO_NATIVE, &gm, 0, nullptr, nullptr), GDI_ERROR) << c.why;
    GLYPHMETRICS zero{};
    EXPECT_EQ(std::memcmp(&gm, &zero, sizeof gm), 0) << c.why;
    EXPECT_EQ(c.font->GetGlyphOutline(c.code, GGO_METRICS, &gm, 0, nullptr, nullptr), GDI_ERROR) << c.why;
  }
  // Unknown formats are refused.
  EXPECT_EQ(west.GetGlyphOutline('H', 1, nullptr, 0, nullptr, nullptr), GDI_ERROR);
}

TEST(GlyphOutline, TransformMatrixScalesAndRotates) {
  REQUIRE_FACE(kDejaVu);
  Font f(MakeLogFont(kDejaVu, ANSI_CHARSET));
  GLYPHMETRICS plain, scaled, turned;
  auto base = Contours(Native(f, 'H', &plain));
  MAT2 twice = Mat(2, 0, 0, 2);
  auto big = Contours(Native(f, 'H', &scaled, &twice));
  ASSERT_EQ(big.size(), 1u);
  EXPECT_EQ(FixedToLong(big[0].start.x), 2 * FixedToLong(base[0].start.x));
  EXPECT_EQ(scaled.gmCellIncX, 2 * plain.gmCellIncX);
  // 90 degrees counter-clockwise: x' = -y, y' = x.
  MAT2 quarter = Mat(0, 1, -1, 0);
  auto rot = Contours(Native(f, 'H', &turned, &quarter));
  ASSERT_EQ(rot.size(), 1u);
  EXPECT_EQ(FixedToLong(rot[0].start.x), -FixedToLong(base[0].start.y));
  EXPECT_EQ(FixedToLong(rot[0].start.y), FixedToLong(base[0].start.x));
  EXPECT_EQ(turned.gmCellIncX, 0);
  EXPECT_EQ(turned.gmCellIncY, plain.gmCellIncX);
  MAT2 id = IdentityMat2();
  EXPECT_EQ(Native(f, 'H', nullptr, &id), Native(f, 'H'));
}

TEST(FontMetrics, TextMetricsFollowTheHeightRule) {
  REQUIRE_FACE(kDejaVu);
  REQUIRE_FACE(kSungGB);
  struct Case {
    std::string face;
    BYTE cs;
    LONG height;
    LONG h, a, d, il;
  } cases[] = {
      {kDejaVu, ANSI_CHARSET, -1024, 1193, 951, 242, 169},  // em 1024, cell from the win metrics
      {kDejaVu, ANSI_CHARSET, 1193, 1193, 951, 242, 168},   // cell height given: em 1024.86
      {kSungGBName, GB2312_CHARSET, -1024, 1024, 900, 124, 0},
      {kDejaVu, ANSI_CHARSET, -8, 9, 7, 2, 1},
  };
  for (const Case& c : cases) {
    Font f(MakeLogFont(c.face, c.cs, c.height));
    TEXTMETRIC tm;
    ASSERT_TRUE(f.GetTextMetrics(&tm));
    EXPECT_EQ(tm.tmHeight, c.h) << c.height;
    EXPECT_EQ(tm.tmAscent, c.a) << c.height;
    EXPECT_EQ(tm.tmDescent, c.d) << c.height;
    EXPECT_EQ(tm.tmInternalLeading, c.il) << c.height;
    EXPECT_EQ(tm.tmCharSet, c.cs);
    EXPECT_EQ(tm.tmWeight, 400);
  }
  // A given width sets the average character width and narrows the glyphs.
  LOGFONT lf = MakeLogFont(kDejaVu, ANSI_CHARSET);
  lf.lfWidth = 259;
  Font narrow(lf);
  TEXTMETRIC tm;
  narrow.GetTextMetrics(&tm);
  EXPECT_EQ(tm.tmAveCharWidth, 259);
  GLYPHMETRICS gm;
  narrow.GetGlyphOutline('H', GGO_METRICS, &gm, 0, nullptr, nullptr);
  EXPECT_EQ(gm.gmCellIncX, 384);  // 1540 units at 259 / 1038 pixels per unit
  EXPECT_EQ(gm.gmBlackBoxY, 747u);
}

TEST(FontMetrics, TextExtentsSumTheAdvances) {
  REQUIRE_FACE(kDejaVu);
  REQUIRE_FACE(kSungGB);
  Font west(MakeLogFont(kDejaVu, ANSI_CHARSET));
  EXPECT_EQ(west.GetTextExtent("HO"), (SIZE{770 + 806, 1193}));
  EXPECT_EQ(west.GetTextExtent(""), (SIZE{0, 1193}));
  Font gb(MakeLogFont(kSungGBName, GB2312_CHARSET));
  EXPECT_EQ(gb.GetTextExtent("\xD6\xD0" "a"), (SIZE{1024 + 512, 1024}));  // 中a
}

TEST(LogicalFont, FacesAreFoundByEitherNameAndByWeight) {
  REQUIRE_FACE(kSungGB);
  REQUIRE_FACE(kDejaVu);
  Font byGbk(MakeLogFont(kSungGBName, GB2312_CHARSET));
  Font byEnglish(MakeLogFont(kSungGB, GB2312_CHARSET));
  EXPECT_EQ(byGbk.RealizedFamily(), kSungGB);
  EXPECT_EQ(Native(byEnglish, 0xD6D0), Native(byGbk, 0xD6D0));
  Font lower(MakeLogFont("dejavu sans", ANSI_CHARSET));
  EXPECT_EQ(lower.RealizedFamily(), kDejaVu);

  Font bold(MakeLogFont(kDejaVu, ANSI_CHARSET, -1024, FW_BOLD));
  TEXTMETRIC tm;
  bold.GetTextMetrics(&tm);
  EXPECT_EQ(tm.tmWeight, 700);
  EXPECT_EQ(bold.RealizedFamily(), kDejaVu);
  GLYPHMETRICS regular, heavy;
  Font normal(MakeLogFont(kDejaVu, ANSI_CHARSET));
  normal.GetGlyphOutline('H', GGO_METRICS, &regular, 0, nullptr, nullptr);
  bold.GetGlyphOutline('H', GGO_METRICS, &heavy, 0, nullptr, nullptr);
  EXPECT_GT(heavy.gmCellIncX, regular.gmCellIncX);

  // Unknown or empty names still give an installed face; for a character set,
  // one that covers it.
  Font unknown(MakeLogFont("Arial", DEFAULT_CHARSET));
  EXPECT_TRUE(unknown.IsRealized());
  Font anyChinese(MakeLogFont("", GB2312_CHARSET));
  ASSERT_TRUE(anyChinese.IsRealized());
  bool covers = false;
  for (const FontFace& face : InstalledFontFaces())
    covers |= face.englishName == anyChinese.RealizedFamily() && face.charSet == GB2312_CHARSET;
  EXPECT_TRUE(covers) << anyChinese.RealizedFamily();
}

TEST(LogicalFont, FaceNamesAreCutOnCharacterBoundaries) {
  LOGFONT lf;
  std::string fifteen;
  for (int i = 0; i < 15; ++i) fifteen += "\xD6\xD0";
  lf.SetFaceName(fifteen + "ab");
  EXPECT_EQ(lf.FaceName(), fifteen + "a");
  lf.SetFaceName(fifteen + "\xD6\xD0");
  EXPECT_EQ(lf.FaceName(), fifteen);
  lf.SetFaceName(std::string_view("ab\0cd", 5));
  EXPECT_EQ(lf.FaceName(), "ab");
}

TEST(NativeOutlineReader, RejectsMalformedBuffers) {
  REQUIRE_FACE(kDejaVu);
  Font f(MakeLogFont(kDejaVu, ANSI_CHARSET));
  const auto good = Native(f, 'O');
  std::vector<NativeContour> out;
  ASSERT_TRUE(ParseNativeOutline(good.data(), good.size(), &out));
  EXPECT_TRUE(ParseNativeOutline(nullptr, 0, &out));
  EXPECT_TRUE(out.empty());
  auto put32 = [](std::vector<unsigned char>& b, size_t at, DWORD v) { std::memcpy(&b[at], &v, 4); };
  auto put16 = [](std::vector<unsigned char>& b, size_t at, WORD v) { std::memcpy(&b[at], &v, 2); };
  struct Case {
    const char* what;
    std::function<void(std::vector<unsigned char>&)> spoil;
  } cases[] = {
      {"cut inside a curve", [](auto& b) { b.resize(b.size() - 3); }},
      {"cut inside a header", [](auto& b) { b.resize(10); }},
      {"byte count beyond the buffer", [&](auto& b) { put32(b, 0, 0x7FFFFFFF); }},
      {"byte count below a header", [&](auto& b) { put32(b, 0, 8); }},
      {"wrong polygon type", [&](auto& b) { put32(b, 4, 25); }},
      {"unknown curve type", [&](auto& b) { put16(b, 16, 9); }},
      {"no points", [&](auto& b) { put16(b, 18, 0); }},
      {"more points than bytes", [&](auto& b) { put16(b, 18, 0xFFFF); }},
  };
  for (const Case& c : cases) {
    auto b = good;
    c.spoil(b);
    EXPECT_FALSE(ParseNativeOutline(b.data(), b.size(), &out)) << c.what;
  }
}

TEST(GlyphOutline, HugeSizesAndMatricesStayBounded) {
  REQUIRE_FACE(kDejaVu);
  struct Case {
    LONG height, width;
    MAT2 mat;
  } cases[] = {
      {-2000000000, 0, IdentityMat2()},
      {2000000000, -2000000000, IdentityMat2()},
      {-1024, 0, Mat(32767, 32767, -32768, 32767)},
      {-16384, 0, Mat(1e9, 0, 0, 1e9)},
  };
  for (const Case& c : cases) {
    LOGFONT lf = MakeLogFont(kDejaVu, ANSI_CHARSET, c.height);
    lf.lfWidth = c.width;
    Font f(lf);
    GLYPHMETRICS gm;
    auto cs = Contours(Native(f, 'O', &gm, &c.mat));
    EXPECT_EQ(cs.size(), 2u) << c.height;
    TEXTMETRIC tm;
    ASSERT_TRUE(f.GetTextMetrics(&tm));
    EXPECT_GT(tm.tmHeight, 0);
    EXPECT_LT(tm.tmHeight, 40000);
  }
}

namespace {

// A walked outline written out as the native buffer would hold it.
class NativeWriter : public Font::NativeOutlineSink {
 public:
  void Contour(const POINTFX& start) override {
    Finish();
    head_ = bytes.size();
    TTPOLYGONHEADER h{0, TT_POLYGON_TYPE, start};
    Put(&h, sizeof h);
  }
  void Curve(WORD type, const POINTFX* pts, std::size_t n) override {
    const WORD w[2] = {type, WORD(n)};
    Put(w, sizeof w);
    Put(pts, n * sizeof(POINTFX));
  }
  void Finish() {
    if (head_ == kNone) return;
    const DWORD cb = DWORD(bytes.size() - head_);
    std::memcpy(bytes.data() + head_, &cb, sizeof cb);
    head_ = kNone;
  }
  std::vector<unsigned char> bytes;

 private:
  static constexpr std::size_t kNone = ~std::size_t(0);
  void Put(const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    bytes.insert(bytes.end(), b, b + n);
  }
  std::size_t head_ = kNone;
};

}  // namespace

// Walking an outline hands over what the native buffer holds, in its order,
// under every matrix; where the buffer is refused the walk is too, and a
// blank walks nothing.
TEST(GlyphOutline, WalkedOutlinesAreTheNativeBuffers) {
  REQUIRE_FACE(kSungGB);
  REQUIRE_FACE(kDejaVu);
  Font sung(MakeLogFont(kSungGBName, GB2312_CHARSET));
  Font dejavu(MakeLogFont(kDejaVu, ANSI_CHARSET, -300));
  MAT2 turn{};
  turn.eM11 = FixedFromDouble(0.8);
  turn.eM12 = FixedFromDouble(0.6);
  turn.eM21 = FixedFromDouble(-0.6);
  turn.eM22 = FixedFromDouble(0.8);
  const MAT2 id = IdentityMat2();
  struct Case {
    const Font* font;
    UINT code;
  } cases[] = {{&sung, 0xB1EA}, {&sung, 0xC5C6}, {&sung, 0xD2BB}, {&sung, 0xA1A1},
               {&dejavu, 'g'},  {&dejavu, 'O'},  {&dejavu, '&'},  {&dejavu, ' '}, {&dejavu, 0x80}};
  for (const Case& c : cases) {
    for (const MAT2* m : {static_cast<const MAT2*>(nullptr), &id, static_cast<const MAT2*>(&turn)}) {
      GLYPHMETRICS gm;
      const DWORD need = c.font->GetGlyphOutline(c.code, GGO_NATIVE, &gm, 0, nullptr, m);
      NativeWriter w;
      const bool walked = c.font->WalkGlyphOutline(c.code, m, w);
      w.Finish();
      ASSERT_EQ(walked, need != GDI_ERROR) << std::hex << c.code;
      if (!walked) continue;
      EXPECT_EQ(w.bytes, Native(*c.font, c.code, nullptr, m)) << std::hex << c.code;
      EXPECT_EQ(w.bytes.size(), need);
    }
  }
}
