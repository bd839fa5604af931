// Writes the seed corpora of the fuzz targets with the project's own writers:
//   fuzz_seeds OUTDIR  ->  OUTDIR/<target>/<seed>
// Each valid seed also gets a few damaged copies (cut short, bytes flipped).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/settingsload.h"
#include "fuzz/fuzz_util.h"
#include "model/ellipseobject.h"
#include "model/groupobject.h"
#include "model/guideline.h"
#include "model/guidelist.h"
#include "model/imagevector.h"
#include "model/outarea.h"
#include "model/lineobject.h"
#include "model/palette.h"
#include "model/pathobject.h"
#include "model/polygonobject.h"
#include "model/rectobject.h"
#include "model/segarray.h"
#include "model/tests/image_fixtures.h"
#include "model/records.h"
#include "platform/dib.h"
#include "platform/font_impl.h"
#include "platform/gmem.h"
#include "platform/image_io.h"
#include "platform/ipc.h"
#include "text/textobject.h"
#include "text/cftfont.h"
#include "text/graphlib.h"
#include "text/libpicobject.h"
#include "text/sealobject.h"
#include "text/tests/font_fixtures.h"
#include "text/tests/graphlib_fixtures.h"
#include "text/outlinecodec.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::string g_out;

void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
  fs::create_directories(g_out + "/" + target);
  std::ofstream(g_out + "/" + target + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The seed and its damaged copies.
void Seed(const std::string& target, const std::string& name, const Bytes& bytes) {
  Put(target, name, bytes);
  if (bytes.size() < 2) return;
  Put(target, name + ".half", Bytes(bytes.begin(), bytes.begin() + bytes.size() / 2));
  Put(target, name + ".short", Bytes(bytes.begin(), bytes.end() - 1));
  for (int k = 1; k <= 4; ++k) {
    Bytes b = bytes;
    b[b.size() * k / 5] ^= 0xFF;
    Put(target, name + ".flip" + std::to_string(k), b);
  }
}

Bytes FromBlock(plat::HGLOBAL h, std::size_t n) {
  Bytes out;
  if (h && n) {
    plat::GlobalLockGuard lock(h);
    out.assign(lock.bytes(), lock.bytes() + n);
  }
  if (h) plat::GlobalFree(h);
  return out;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::unique_ptr<CPathObject> SquarePath(float x, float y, float s) {
  auto p = std::make_unique<CPathObject>();
  p->AddRectangle(x, y, x + s, y + s);
  p->EndPoints();
  return p;
}

std::unique_ptr<CPathObject> CurvePath() {
  auto p = std::make_unique<CPathObject>();
  p->AddPoint(0, 0, PP_NODE | PP_START);
  p->AddPoint(10, 20, 0);
  p->AddPoint(30, 20, 0);
  p->AddPoint(40, 0, PP_NODE);
  p->AddPoint(20, -10, PP_NODE | PP_CLOSEEND);
  p->AddPoint(50, 50, PP_NODE | PP_START);
  p->AddPoint(60, 55, PP_NODE | PP_OPENEND);
  p->EndPoints();
  p->color = 0x00FF8000;
  return p;
}

Bytes RecordOf(CGraphObject& o) {
  plat::HGLOBAL h = 0;
  std::uint32_t n = o.WriteRecord(&h);
  return FromBlock(h, n);
}

// One record of each simple shape, with a transform where the record
// keeps one.
void ShapeSeeds() {
  CLineObject line;
  line.x1 = 1, line.y1 = 2, line.x2 = 11, line.y2 = 7;
  line.bounds = line.PageBox();
  line.color = 0x00FF0000;
  CRectObject rect;
  rect.x2 = 20, rect.y2 = 10, rect.rx = 0.5f, rect.ry = 0.25f;
  rect.Transform(CMatrix3(0.8f, 0.6f, -0.6f, 0.8f, 5, 5));
  CEllipseObject ellipse;
  ellipse.x2 = 30, ellipse.y2 = 20, ellipse.start = 0.5f, ellipse.end = 2.5f, ellipse.style = 3;
  ellipse.Transform(CMatrix3(1, 0, 0.5f, 1, 0, 0));
  CPolygonObject star;
  star.r1 = 20, star.r2 = 8, star.offset = 0.3f, star.band = 2, star.cx = 30, star.cy = 30;
  star.Transform(CMatrix3(1, 0, 0, 1, 2, 3));
  const std::pair<const char*, CGraphObject*> shapes[] = {
      {"line", &line}, {"rect", &rect}, {"ellipse", &ellipse}, {"polygon", &star}};
  for (const auto& [name, shape] : shapes) {
    Bytes r = RecordOf(*shape);
    fuzz::Require(CreateObjectFromRecord(r.data(), r.size()) != nullptr, "shape seed reads");
    Seed("record", name, r);
  }
  // The line seen through the library's envelope: head, pending matrix,
  // bounds, the line's record, the transform data, 241.
  const Bytes lineRecord = RecordOf(line);
  Bytes t{'*', 0, 0, 0, 0, 9, 0, 0};
  auto putF = [&t](float v) {
    std::uint8_t b[4];
    std::memcpy(b, &v, 4);
    t.insert(t.end(), b, b + 4);
  };
  auto putU = [&t](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) t.push_back(std::uint8_t(v >> (8 * i)));
  };
  for (float v : {1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 3.f, 4.f, 1.f}) putF(v);
  for (float v : {4.f, 6.f, 14.f, 11.f}) putF(v);
  t.insert(t.end(), lineRecord.begin(), lineRecord.end());
  putU(64);
  t.insert(t.end(), {'F', 'L', 'X', 'T', 1, 0, 2, 0});
  for (float v : {1.f, 2.f, 11.f, 7.f}) putF(v);
  putU(4);
  for (float v : {1.f, 2.f, 11.f, 3.f, 11.f, 6.f, 1.f, 7.f}) putF(v);
  t.push_back(241);
  const std::uint32_t length = std::uint32_t(t.size());
  std::memcpy(&t[1], &length, 4);
  fuzz::Require(CreateObjectFromRecord(t.data(), t.size()) != nullptr, "transformed seed reads");
  Seed("record", "transformed", t);
}

void ObjectSeeds() {
  auto square = SquarePath(10, 10, 30);
  auto curve = CurvePath();
  for (auto* p : {square.get(), curve.get()}) {
    Bytes r = RecordOf(*p);
    fuzz::Require(CPathObject::LoadFromRecord(r.data(), r.size()) != nullptr, "path seed loads");
  }
  Seed("pathrecord", "square", RecordOf(*square));
  Seed("pathrecord", "curves", RecordOf(*curve));
  Seed("record", "path", RecordOf(*curve));

  auto group = std::make_unique<CGroupObject>();
  group->AddChild(SquarePath(0, 0, 5));
  auto inner = std::make_unique<CGroupObject>();
  inner->AddChild(CurvePath());
  group->AddChild(std::move(inner));
  group->RecalcBounds();
  Bytes groupRecord = RecordOf(*group);
  fuzz::Require(CreateObjectFromRecord(groupRecord.data(), groupRecord.size()) != nullptr,
                "group seed reads");
  Seed("record", "group", groupRecord);
  // The shape library's inputs: an operation byte, then a record.
  for (std::uint8_t op = 0; op < 9; ++op) {
    Bytes in{op};
    const Bytes& r = op % 2 ? groupRecord : RecordOf(*curve);
    in.insert(in.end(), r.begin(), r.end());
    Seed("flexoril", "op" + std::to_string(op), in);
  }
  ShapeSeeds();

  CSegArray list;
  list.Add(SquarePath(100, 100, 20).release());
  list.Add(group.release());
  list.Add(CurvePath().release());
  plat::HGLOBAL h = 0;
  std::uint32_t n = list.PackToGlobal(&h);
  Bytes block = FromBlock(h, n);
  auto back = CSegArray::UnpackFromBuffer(block.data(), block.size());
  fuzz::Require(back && back->GetSize() == 3, "list seed reads");
  back->DeleteAll();
  Seed("segarray", "list", block);
  list.DeleteAll();
}

void GuideSeeds() {
  CGuideList list;
  list.Add(new CGuideLine(10, 20, 0.0));
  list.Add(new COutArea(0, 0, 300, 200));
  list.Add(new CGuideLine(-5, 7.5f, 33.5));
  plat::HGLOBAL h = 0;
  const std::uint32_t n = list.PackToGlobal(&h);
  Bytes block = FromBlock(h, n);
  fuzz::Require(CGuideList::UnpackFromBuffer(block.data(), block.size()) != nullptr,
                "guide seed reads");
  Seed("guidelist", "guides", block);
}

// The linked-image readers: every depth and layout they take.
void LinkedImageSeeds() {
  for (int bits : {1, 4, 8, 16, 24}) {
    BmpLayout b;
    b.bits = bits;
    b.palette = {0x000000, 0xFFFFFF, 0x808080, 0xFF0000};
    Seed("bmpreader", "depth" + std::to_string(bits), MakeBmp(b));
  }
  BmpLayout fields;
  fields.bits = 16;
  fields.compression = 3;
  fields.masks = {0xF800, 0x07E0, 0x001F};
  fields.topDown = true;
  Seed("bmpreader", "fields", MakeBmp(fields));
  BmpLayout v4;
  v4.headerSize = 108;
  v4.colorsUsed = 16;
  Seed("bmpreader", "v4", MakeBmp(v4));
  for (int bits : {1, 4, 8}) {
    TiffLayout t;
    t.bits = bits;
    t.rowsPerStrip = 1;
    Seed("tiffreader", "depth" + std::to_string(bits), MakeTiff(t));
  }
  TiffLayout map;
  map.photometric = 3;
  map.colorMap.assign(256, 0x336699);
  map.shortValues = false;
  map.rowsPerStrip = 3;
  Seed("tiffreader", "map", MakeTiff(map));
  TiffLayout inverted;
  inverted.photometric = 0;
  inverted.rowsPerStrip = 2;
  Seed("tiffreader", "inverted", MakeTiff(inverted));
}

void TextSeeds() {
  RegisterTextRecordReaders();
  CTextAttr attr;
  attr.sizeX = attr.sizeY = 10.0f;
  attr.doubleByteLanguage = 134;
  for (int kind = 0; kind < 4; ++kind) {
    CTextObject text(kind, 0, 0, 60, 60);
    text.chars.Add(CBoxCode::MakeGap(BOXC_LINE_GAP, 2.0f));
    for (const char* s : {"Tindrel", "\xB1\xEA\xC5\xC6", "\r", "A B"})
      for (std::uint16_t code : TextToCharCodes(s)) text.chars.Add(std::make_unique<CBoxChar>(code, attr));
    text.chars.Add(std::make_unique<CBoxCode>(BOXC_INDENT, 0u));
    text.chars.Add(std::make_unique<CBoxChar>(std::uint16_t(0xB0A1), attr));
    text.chars.Add(std::make_unique<CBoxCode>(BOXC_UNINDENT, 0u));
    text.Relayout(nullptr, -1);
    Bytes r = RecordOf(text);
    fuzz::Require(CreateObjectFromRecord(r.data(), r.size()) != nullptr, "text seed reads");
    Seed("textrecord", "text" + std::to_string(kind), r);
    if (kind == 0) {
      plat::HGLOBAL h = 0;
      const std::uint32_t n = text.chars.PackToGlobal(&h);
      Seed("boxarray", "items", FromBlock(h, n));
    }
  }
  // On an arc, an arch and along a path of a line and a curve.
  for (int kind = 0; kind < 3; ++kind) {
    CTextObject text(0, 0, 0, 60, 60);
    if (kind == 0) {
      text.SetArrange(std::make_unique<CArcArrange>(0, 40, 80, 10, nullptr, nullptr));
    } else if (kind == 1) {
      text.SetArrange(std::make_unique<CArchArrange>(0, 10, 80, 40, nullptr, nullptr));
    } else {
      auto path = std::make_unique<CPathObject>();
      path->AddPoint(0, 0, 0x11);
      path->AddPoint(30, 0, 0x01);
      path->AddPoint(40, -20, 0x00);
      path->AddPoint(70, -20, 0x00);
      path->AddPoint(80, 0, 0x21);
      path->EndPoints();
      text.SetArrange(std::make_unique<CPathArrange>(std::move(path), nullptr, nullptr));
    }
    text.chars.Add(CBoxCode::MakeGap(BOXC_BOX_GAP, 1.0f));
    for (std::uint16_t code : TextToCharCodes("Tin\xB1\xEA\r"))
      text.chars.Add(std::make_unique<CBoxChar>(code, attr));
    text.Relayout(nullptr, -1);
    Bytes r = RecordOf(text);
    fuzz::Require(CreateObjectFromRecord(r.data(), r.size()) != nullptr, "curved text seed reads");
    Seed("textrecord", "curve" + std::to_string(kind), r);
  }
}

void IniSeeds() {
  const std::string text =
      "; settings\r\n[PATH]\r\nPALETTE=C:\\Tindrel\\PALETTE\\\r\nMOUNTLIB=C:\\Lib\r\n\r\n"
      "[Text]\r\nSize=40.0000\r\nLanguage=134\r\n[Cutter]\r\nInit=IN;\\bPA;\r\n"
      "[Settings]\r\nUnits=1\r\nRecent=标牌.t98\r\n";
  Seed("ini", "settings", Bytes(text.begin(), text.end()));
  const std::string odd = "[A]\nx\n=novalue\n[A]\nx=second\n[ B ]\n  k = v \n[unclosed\nk=1";
  Seed("ini", "odd", Bytes(odd.begin(), odd.end()));
  const std::string twain =
      "[Source]\r\nDevice=test:0\r\nmode=Gray\r\ndepth=1\r\nresolution=300\r\n"
      "source=\"Automatic Document Feeder\"\r\nMODE=Color\r\n[Other]\r\nDevice=x\r\n";
  Seed("twainini", "source", Bytes(twain.begin(), twain.end()));
}

// Frames as a scanner backend sends them: a head and the frame's bytes.
void ScanFrameSeeds() {
  auto frame = [](Bytes& out, int format, int depth, bool last, int ppl, int lines, int bpl, int fill) {
    const int n = bpl * (lines > 0 ? lines : 3);
    const int head[] = {format, depth, last ? 1 : 0};
    for (int v : head) out.push_back(std::uint8_t(v));
    for (int v : {ppl, lines & 0xFFFF, bpl, n}) {
      out.push_back(std::uint8_t(v));
      out.push_back(std::uint8_t(v >> 8));
    }
    for (int i = 0; i < n; ++i) out.push_back(std::uint8_t(fill + i));
  };
  Bytes grey1, grey8, rgb16, channels, unknown;
  frame(grey1, 0, 1, true, 13, 4, 2, 0x55);
  frame(grey8, 0, 8, true, 5, 3, 6, 10);
  frame(rgb16, 1, 16, true, 3, 2, 18, 100);
  frame(channels, 2, 8, false, 4, 2, 4, 1);
  frame(channels, 3, 8, false, 4, 2, 4, 50);
  frame(channels, 4, 8, true, 4, 2, 4, 200);
  frame(unknown, 0, 8, true, 4, -1, 4, 7);
  Seed("saneframe", "grey1", grey1);
  Seed("saneframe", "grey8", grey8);
  Seed("saneframe", "rgb16", rgb16);
  Seed("saneframe", "channels", channels);
  Seed("saneframe", "unknown", unknown);
}

// Settings of the design program and the cut-job manager, code tables, the
// EPS dictionary and files for the import host.
void SettingsSeeds() {
  const std::string vorlan =
      "[Language]\r\nLanguage0=CHN GB\r\nID0=134\r\nLanguage1=English\r\nID1=0\r\n"
      "[CHN GB]\r\nMountCount=2\r\nMountName0=Song\r\nMountPath0=C:\\Fonts\\\r\nTTFMountPath=C:\\TTF\r\n"
      "[SystemParam]\r\nUndoStep=25\r\nAutoFill=0\r\nAutoBD=1\r\nTMState=3\r\n"
      "BarMinHeight=20\r\nBarMaxHeight=80\r\nSizeX=40.0000\r\nSizeY=-3.5\r\nAngle=1e30\r\n";
  Seed("appsettings", "vorlan", Bytes(vorlan.begin(), vorlan.end()));
  const std::string port =
      "[PortSetting]\r\nFilePath=C:\\Out\\\r\nOECheck=2\r\nTranSpeed=38400\r\nStopBits=1\r\n"
      "DataWidth=7\r\nRTSCTS=0\r\nDTRDSR=1\r\nXONXOFF=1\r\n[Devices]\r\nCOM1=/dev/ttyUSB0\r\nLPT1=/dev/usb/lp0\r\n";
  Seed("kelvoport", "port", Bytes(port.begin(), port.end()));
  Bytes big5(94 * 157 * 2), gb(88 * 95 * 2);
  for (std::size_t i = 0; i < big5.size(); ++i) big5[i] = std::uint8_t(0xA1 + i % 94);
  for (std::size_t i = 0; i < gb.size(); ++i) gb[i] = std::uint8_t(0xA1 + i % 90);
  Seed("codetables", "big5", big5);
  Seed("codetables", "gb", gb);
  const std::string dic = "/m {moveto} def /l {lineto} def /L {lineto} def /c {curveto} def /f {fill} def "
                          "/s {closepath stroke} def /rlineto {rlineto} def";
  Seed("epsdict", "dic", Bytes(dic.begin(), dic.end()));
  const std::string plt = "\nIN;SP1;PU0,0;PD400,0,400,400,0,400,0,0;LBTEXT\x03;PU;";
  Seed("importhost", "plt", Bytes(plt.begin(), plt.end()));
  const std::string eps = "\x02%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n0 0 moveto 10 10 lineto stroke\n";
  Seed("importhost", "eps", Bytes(eps.begin(), eps.end()));
  const std::string dxf = "\x04" "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n10\n21\n10\n0\nENDSEC\n0\nEOF\n";
  Seed("importhost", "dxf", Bytes(dxf.begin(), dxf.end()));
  const std::string txt = "\x05标牌 SALE\r\nline two\r\n";
  Seed("importhost", "txt", Bytes(txt.begin(), txt.end()));
}

// Cut pattern parameters: generator, box, origin, angles, count, list.
void CutPatternSeeds() {
  auto make = [](std::uint8_t pick, std::initializer_list<float> f, std::int32_t parts, const std::string& list) {
    Bytes b{pick};
    for (float v : f) {
      std::uint8_t raw[4];
      std::memcpy(raw, &v, 4);
      b.insert(b.end(), raw, raw + 4);
    }
    std::uint8_t raw[4];
    std::memcpy(raw, &parts, 4);
    b.insert(b.end(), raw, raw + 4);
    b.insert(b.end(), list.begin(), list.end());
    return b;
  };
  Seed("cutpattern", "parallel", make(0x00, {0, 0, 100, 40, 0, 0, 30, 0}, 4, ""));
  Seed("cutpattern", "parallelex", make(0x11, {0, 0, 100, 40, 100, 40, 120, 0}, 0, "5,12,+6"));
  Seed("cutpattern", "radiation", make(0x22, {0, 0, 100, 40, 50, 20, 0, 360}, 8, ""));
  Seed("cutpattern", "sectors", make(0x33, {0, 0, 100, 40, 0, 0, 270, 360}, 0, "10,+10"));
  Seed("cutpattern", "circles", make(0x04, {0, 0, 100, 40, 0, 40, 0, 0}, 4, ""));
  Seed("cutpattern", "rings", make(0x15, {0, 0, 100, 40, 50, 20, 0, 0}, 0, "0,,1e-30"));
}

void PaletteSeeds() {
  const std::string path = fuzz::ScratchFolder() + "PALETTE.INI";
  std::remove(path.c_str());
  { std::ofstream(path) << ""; }
  CPaletteStore store(path);
  store.AddPalette("Standard");
  store.AddPalette("标牌");
  store.LoadPaletteNames();
  store.LoadPalette(1);
  store.AddColor(plat::RGB(10, 20, 30));
  store.AddColor(plat::RGB(200, 0, 100));
  Seed("palette", "store", ReadFile(path));
}

void ImageSeeds() {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    auto dib = plat::Dib::Create(7, 5, bits);
    if (!dib) continue;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) dib->SetPixel(x, y, plat::RGB(x * 30, y * 50, (x ^ y) * 20));
    Seed("dib", "depth" + std::to_string(bits), dib->packed());
    Seed("scandib", "depth" + std::to_string(bits), dib->packed());
    const std::string path = fuzz::ScratchFolder() + "seed.bmp";
    fuzz::Require(plat::WriteBmpFile(path, *dib), "bitmap seed written");
    Bytes bmp = ReadFile(path);
    fuzz::Require(plat::ReadBmpBytes(bmp.data(), bmp.size()).has_value(), "bitmap seed reads");
    Seed("bmp", "depth" + std::to_string(bits), bmp);
  }
}

// A small TrueType font of our own: glyph 1 a square ('A'), glyph 2 a
// triangle with an off-curve point ('B'); Latin code page bit set.
class FontBuilder {
 public:
  Bytes Build() {
    Table("OS/2", Os2());
    Table("cmap", Cmap());
    Table("glyf", glyf_);
    Table("head", Head());
    Table("hhea", Hhea());
    Table("hmtx", Hmtx());
    Table("loca", Loca());
    Table("maxp", Maxp());
    Table("name", Name());
    Table("post", Post());
    return Assemble();
  }
  FontBuilder() {
    loca_.push_back(0);
    glyf_ = {};  // glyph 0 empty
    loca_.push_back(0);
    AddGlyph({{{100, 0, 1}, {900, 0, 1}, {900, 800, 1}, {100, 800, 1}}});
    AddGlyph({{{100, 0, 1}, {500, 900, 0}, {900, 0, 1}}});
  }

 private:
  struct Pt {
    int x, y, on;
  };
  static void U16(Bytes& b, unsigned v) {
    b.push_back(std::uint8_t(v >> 8));
    b.push_back(std::uint8_t(v));
  }
  static void U32(Bytes& b, std::uint32_t v) {
    U16(b, v >> 16);
    U16(b, v & 0xFFFF);
  }
  void AddGlyph(const std::vector<std::vector<Pt>>& contours) {
    Bytes g;
    U16(g, unsigned(contours.size()));
    int xmin = 1 << 20, ymin = 1 << 20, xmax = -xmin, ymax = -ymin, n = 0;
    for (auto& c : contours)
      for (auto& p : c) {
        xmin = std::min(xmin, p.x), ymin = std::min(ymin, p.y);
        xmax = std::max(xmax, p.x), ymax = std::max(ymax, p.y);
      }
    for (int v : {xmin, ymin, xmax, ymax}) U16(g, unsigned(v) & 0xFFFF);
    for (auto& c : contours) {
      n += int(c.size());
      U16(g, unsigned(n - 1));
    }
    U16(g, 0);  // no instructions
    for (auto& c : contours)
      for (auto& p : c) g.push_back(std::uint8_t(p.on ? 1 : 0));  // long x and y
    int last = 0;
    for (auto& c : contours)
      for (auto& p : c) U16(g, unsigned(p.x - last) & 0xFFFF), last = p.x;
    last = 0;
    for (auto& c : contours)
      for (auto& p : c) U16(g, unsigned(p.y - last) & 0xFFFF), last = p.y;
    while (g.size() % 4) g.push_back(0);
    glyf_.insert(glyf_.end(), g.begin(), g.end());
    loca_.push_back(std::uint32_t(glyf_.size()));
  }
  Bytes Head() {
    Bytes b;
    U32(b, 0x00010000), U32(b, 0x00010000), U32(b, 0), U32(b, 0x5F0F3CF5);
    U16(b, 0x000B), U16(b, 1000);
    for (int i = 0; i < 4; ++i) U32(b, 0);  // dates
    U16(b, 100), U16(b, 0), U16(b, 900), U16(b, 900);
    U16(b, 0), U16(b, 8), U16(b, 2), U16(b, 1), U16(b, 0);  // long loca
    return b;
  }
  Bytes Hhea() {
    Bytes b;
    U32(b, 0x00010000), U16(b, 900), U16(b, unsigned(-100) & 0xFFFF), U16(b, 0);
    U16(b, 1000), U16(b, 0), U16(b, 0), U16(b, 900), U16(b, 1), U16(b, 0), U16(b, 0);
    for (int i = 0; i < 5; ++i) U16(b, 0);
    U16(b, 3);  // advances
    return b;
  }
  Bytes Hmtx() {
    Bytes b;
    for (int i = 0; i < 3; ++i) U16(b, 1000), U16(b, 100);
    return b;
  }
  Bytes Loca() {
    Bytes b;
    for (auto v : loca_) U32(b, v);
    return b;
  }
  Bytes Maxp() {
    Bytes b;
    U32(b, 0x00010000), U16(b, 3), U16(b, 8), U16(b, 2), U16(b, 0), U16(b, 0), U16(b, 2);
    for (int i = 0; i < 8; ++i) U16(b, 0);
    return b;
  }
  Bytes Cmap() {
    // Format 4: 'A'..'B' -> 1..2, then the end segment.
    Bytes b;
    U16(b, 0), U16(b, 1), U16(b, 3), U16(b, 1), U32(b, 12);
    U16(b, 4), U16(b, 32), U16(b, 0), U16(b, 4), U16(b, 4), U16(b, 1), U16(b, 0);
    U16(b, 'B'), U16(b, 0xFFFF), U16(b, 0), U16(b, 'A'), U16(b, 0xFFFF);
    U16(b, unsigned(1 - 'A') & 0xFFFF), U16(b, 1), U16(b, 0), U16(b, 0);
    return b;
  }
  Bytes Name() {
    const std::string family = "Tindrel Seed";
    Bytes b;
    U16(b, 0), U16(b, 1), U16(b, 18);
    U16(b, 3), U16(b, 1), U16(b, 0x409), U16(b, 1), U16(b, unsigned(family.size() * 2)), U16(b, 0);
    for (char c : family) U16(b, std::uint8_t(c));
    return b;
  }
  Bytes Os2() {
    Bytes b;
    U16(b, 1), U16(b, 500), U16(b, 400), U16(b, 5), U16(b, 0);
    for (int i = 0; i < 10; ++i) U16(b, 0);  // sub/superscript, strikeout
    U16(b, 0);                                // family class
    for (int i = 0; i < 10; ++i) b.push_back(0);  // panose
    for (int i = 0; i < 4; ++i) U32(b, 0);         // unicode ranges
    U32(b, 0);                                     // vendor
    U16(b, 0x40), U16(b, 'A'), U16(b, 'B');
    U16(b, 900), U16(b, unsigned(-100) & 0xFFFF), U16(b, 0), U16(b, 900), U16(b, 100);
    U32(b, 1), U32(b, 0);  // code page ranges: Latin 1
    return b;
  }
  Bytes Post() {
    Bytes b;
    U32(b, 0x00030000);
    for (int i = 0; i < 7; ++i) U32(b, 0);
    return b;
  }
  void Table(const char* tag, Bytes data) { tables_.push_back({tag, std::move(data)}); }
  Bytes Assemble() {
    Bytes out;
    const unsigned n = unsigned(tables_.size());
    U32(out, 0x00010000), U16(out, n), U16(out, 128), U16(out, 3), U16(out, n * 16 - 128);
    std::uint32_t offset = 12 + 16 * n;
    Bytes body;
    for (auto& t : tables_) {
      std::uint32_t sum = 0;
      Bytes padded = t.data;
      while (padded.size() % 4) padded.push_back(0);
      for (std::size_t i = 0; i < padded.size(); i += 4)
        sum += std::uint32_t(padded[i]) << 24 | padded[i + 1] << 16 | padded[i + 2] << 8 |
               padded[i + 3];
      out.insert(out.end(), t.tag, t.tag + 4);
      U32(out, sum), U32(out, offset + std::uint32_t(body.size())), U32(out, std::uint32_t(t.data.size()));
      body.insert(body.end(), padded.begin(), padded.end());
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
  }
  struct T {
    const char* tag;
    Bytes data;
  };
  std::vector<T> tables_;
  Bytes glyf_;
  std::vector<std::uint32_t> loca_;
};

void FontSeeds() {
  Bytes font = FontBuilder().Build();
  const std::string path = fuzz::ScratchFolder() + "seed.ttf";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(font.data()),
                                              std::streamsize(font.size()));
  plat::FaceFile face;
  fuzz::Require(plat::ReadFaceFile(path.c_str(), 0, &face) && face.english == "Tindrel Seed",
                "font seed reads as a face");
  Seed("ttface", "seed", font);
  Seed("truetype", "seed", font);
}

// Font tables, outlines and own font files from the text layer's writers.
void TextFontSeeds() {
  CPathPointList outline;
  for (const PathPoint& p : {PathPoint{100, 100, 0x11}, PathPoint{500, 80, 0x00},
                             PathPoint{700, 300, 0x00}, PathPoint{900, 900, 0x01},
                             PathPoint{-400, 900, 0x41}, PathPoint{10, 10, 0x11},
                             PathPoint{20, 2000, 0x21}})
    outline.AddPoint(p);
  outline.EndPoints();
  COutlineCodec codec;
  plat::HGLOBAL h = 0;
  std::uint32_t n = codec.Encode(outline, &h);
  Bytes block = FromBlock(h, n);
  Seed("outline", "curves", Bytes(block.begin() + 4, block.end()));

  const std::string cft = fuzz::ScratchFolder() + "seed.cft";
  CftHeader header = CCftFont::MakeHeader(0xB0, 0xB0, 0xA1, 0xA3);
  CCftFont::CreateFile(cft, header);
  CCftFont::WriteGlyph(cft, header, 0xB0, 0xA1, block.data(), block.size());
  CCftFont::WriteGlyph(cft, header, 0xB0, 0xA2, nullptr, 0);
  Seed("cftfile", "seed", ReadFile(cft));

  // A table of two sources: header, records and their name lists.
  Bytes table = {28, 0, 0, 0};
  auto record = [&](std::uint32_t size, std::uint8_t id, std::uint8_t kind, std::uint32_t at) {
    for (int i = 0; i < 4; ++i) table.push_back(std::uint8_t(size >> (8 * i)));
    table.push_back(id);
    table.push_back(kind);
    for (int i = 0; i < 4; ++i) table.push_back(std::uint8_t(40 >> (8 * i)));
    for (int i = 0; i < 4; ++i) table.push_back(std::uint8_t(at >> (8 * i)));
  };
  record(80, 134, 0, 32);
  record(40, 0, 2, 112);
  Bytes names(120, 0);
  std::memcpy(names.data(), "Song", 4);
  std::memcpy(names.data() + 80, "Sans", 4);
  table.insert(table.end(), names.begin(), names.end());
  Seed("fonttable", "seed", table);
}

void GraphLibSeeds() {
  ScopedMountFolder mount;
  const std::string lib = mount / "seed.lib";
  if (MakeLibrary(lib, {2, 0, 1})) Seed("graphlib", "current", ReadFile(lib));
  const auto glyph = MakeOld5Glyph({{{0, 0, true}, {50, 0, true}, {50, 50, true}, {0, 50, true}, {0, 0, true}}});
  const std::string old = MakeOldLibrary("Old", {{"A", {glyph, glyph}}, {"B", {}}, {"C", {glyph}}}, 2);
  Seed("graphlib", "old", Bytes(old.begin(), old.end()));
}

void LibRecordSeeds() {
  RegisterLibraryRecordReaders();
  for (std::uint16_t type : {0, 1, 2}) {
    CLibPicObject pic(type, 1, 0x41);
    pic.color = 0xFF;
    pic.bounds = CFRect(0, 0, 20, 20);
    pic.matrix = CMatrix3(0.02f, 0, 0, 0.02f, 5, 5);
    Seed("librecord", "libpic" + std::to_string(type), RecordOf(pic));
  }
  CTextAttr attr;
  attr.sizeX = attr.sizeY = 10.0f;
  for (std::uint8_t shape : {0, 1, 2}) {
    CSealObject seal;
    seal.frame = seal.bounds = CFRect(10, 10, 30, 30);
    seal.layoutKind = std::uint8_t(shape + 2);
    seal.borderWidth = 1.0f;
    seal.cornerValue = 2.0f;
    seal.frameShape = shape;
    seal.marginX = seal.marginY = seal.gapX = seal.gapY = 0.5f;
    for (std::uint16_t code : TextToCharCodes("\xB1\xEA\xD7\xBC" "A1"))
      seal.chars.Add(std::make_unique<CBoxChar>(std::uint8_t(code >= 256 ? 134 : 0), code, attr));
    seal.LayoutChars();
    Bytes r = RecordOf(seal);
    fuzz::Require(CreateObjectFromRecord(r.data(), r.size()) != nullptr, "seal seed reads");
    Seed("librecord", "seal" + std::to_string(shape), r);
  }
}

void StoreSeeds() {
  const std::string folder = fuzz::ScratchFolder() + "store/";
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::owner_all);
  plat::SetSharedFolder(folder);
  plat::RegisterSharedName("CutterVorlan V60 - [OBJMULTI]");
  plat::RegisterSharedName("CutterVorlan V60 - [TextBoxes]");
  plat::WriteSharedClipboard({{1, {'T', 'e', 'x', 't', 0}}, {0xC000, {2, 0, 0, 0, 0, 0}}});
  for (const auto& [file, selector] : {std::pair{"names.tbl", 0}, std::pair{"clipboard.dat", 1}}) {
    Bytes b = ReadFile(folder + file);
    b.insert(b.begin(), std::uint8_t(selector));
    Seed("sharedstore", file, b);
  }
  plat::SetSharedFolder("");
}

// The shared store's clipboard file as another program leaves it, with the
// formats at the ids a fresh store gives the design program's names: an
// object list (one object far out), a guide list with output areas, text
// items and plain text.
void PasteSeeds() {
  const std::string folder = fuzz::ScratchFolder() + "paste/";
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::owner_all);
  plat::SetSharedFolder(folder);
  std::uint32_t ids[7] = {};
  for (int i = 0; i < 7; ++i)
    ids[i] = plat::RegisterSharedName(std::string(kClipboardProgramName) + " - [" + kClipboardFormatTags[i] + "]");
  fuzz::Require(ids[0] == plat::kFirstSharedId && ids[6] == plat::kFirstSharedId + 6, "fresh store ids");

  CSegArray list;
  list.Add(SquarePath(10, 10, 20).release());
  list.Add(CurvePath().release());
  auto group = std::make_unique<CGroupObject>();
  group->AddChild(SquarePath(40, 40, 5));
  group->AddChild(CurvePath());
  group->RecalcBounds();
  list.Add(group.release());
  CTextAttr attr;
  attr.sizeX = attr.sizeY = 10.0f;
  attr.doubleByteLanguage = 134;
  auto text = std::make_unique<CTextObject>(0, 50, 50, 110, 80);
  for (std::uint16_t code : TextToCharCodes("Tindrel\r\xB1\xEA")) text->chars.Add(std::make_unique<CBoxChar>(code, attr));
  text->Relayout(nullptr, -1);
  plat::HGLOBAL h = 0;
  std::uint32_t n = text->chars.PackToGlobal(&h);
  const Bytes items = FromBlock(h, n);
  list.Add(text.release());
  n = list.PackToGlobal(&h);
  const Bytes objects = FromBlock(h, n);
  list.DeleteAll();
  list.Add(SquarePath(1.01e32f, 0, 10).release());
  n = list.PackToGlobal(&h);
  const Bytes far = FromBlock(h, n);
  list.DeleteAll();

  CGuideList guides;
  guides.Add(new CGuideLine(10, 20, 0.0));
  guides.Add(new COutArea(0, 0, 300, 200));
  guides.Add(new COutArea(20, 30, 80, 90));
  n = guides.PackToGlobal(&h);
  const Bytes areas = FromBlock(h, n);

  const Bytes plain{'T', 'i', 'n', 'd', 'r', 'e', 'l', '\r', '\n', 0};
  const std::pair<const char*, std::vector<plat::ClipboardItem>> files[] = {
      {"objects", {{ids[5], objects}, {1, plain}}},
      {"far", {{ids[5], far}}},
      {"areas", {{ids[6], areas}, {ids[5], objects}}},
      {"text", {{ids[0], items}, {1, plain}}},
  };
  for (const auto& [name, content] : files) {
    fuzz::Require(plat::WriteSharedClipboard(content), "the clipboard file is written");
    Seed("viewpaste", name, ReadFile(folder + "clipboard.dat"));
  }
  plat::SetSharedFolder("");
}

}  // namespace

// The tracing library's inputs: sides, the 21 parameters as they lie in the
// block (the defaults), one bit a pixel.
void TraceSeeds() {
  auto mask = [](int w, int h, auto set) {
    const ImageVectorParams defaults;
    constexpr std::size_t kHead = 2 + 21 * 4;
    Bytes in{std::uint8_t(w - 3), std::uint8_t(h - 3)};
    in.resize(kHead + std::size_t(w * h + 7) / 8, 0);
    std::memcpy(in.data() + 2, &defaults.Delta, 21 * 4);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (set(x, y)) in[kHead + std::size_t(y * w + x) / 8] |= std::uint8_t(1 << ((y * w + x) % 8));
    return in;
  };
  Seed("imagevector", "square", mask(20, 16, [](int x, int y) { return x > 3 && x < 15 && y > 2 && y < 12; }));
  Seed("imagevector", "ring", mask(40, 40, [](int x, int y) {
         const double d = std::hypot(x - 19.5, y - 19.5);
         return d < 16 && d > 7;
       }));
  Seed("imagevector", "checks", mask(9, 9, [](int x, int y) { return (x + y) % 2 == 0; }));
  Seed("imagevector", "large-disc", mask(256, 256, [](int x, int y) { return std::hypot(x - 127.5, y - 127.5) < 120; }));
}

// The program's own roads: an image file behind its extension byte, the
// print-out dialog's stored settings.
void UserRoadSeeds() {
  for (int bits : {1, 8, 24}) {
    BmpLayout b;
    b.bits = bits;
    b.palette = {0x000000, 0xFFFFFF, 0x808080, 0xFF0000};
    Bytes bmp = MakeBmp(b);
    bmp.insert(bmp.begin(), 0);
    Seed("imageimport", "bmp" + std::to_string(bits), bmp);
  }
  for (int bits : {1, 8}) {
    TiffLayout t;
    t.bits = bits;
    t.rowsPerStrip = 2;
    Bytes tiff = MakeTiff(t);
    tiff.insert(tiff.begin(), 1);
    Seed("imageimport", "tiff" + std::to_string(bits), tiff);
  }
  const std::string byPage =
      "[PrintInfo]\r\nSpaceLeft=10\r\nSpaceTop=5\r\nSpaceRight=10\r\nSpaceBottom=5\r\nCopies=2\r\n"
      "PrintBoard=1\r\nPrintRotate90=0\r\nPrintImage=1\r\nPrintMirror=0\r\nZoomType=0\r\n";
  Seed("printout", "bypage", Bytes(byPage.begin(), byPage.end()));
  const std::string userRatio =
      "[PrintInfo]\r\nSpaceLeft=-400\r\nSpaceTop=99999\r\nCopies=3\r\nPrintBoard=1\r\n"
      "PrintRotate90=1\r\nPrintMirror=1\r\nZoomType=2\r\nPrintRatio=250.5\r\n";
  Seed("printout", "ratio", Bytes(userRatio.begin(), userRatio.end()));
  const std::string byDesign = "[PrintInfo]\r\nZoomType=1\r\nPrintRatio=1e30\r\nCopies=0\r\n";
  Seed("printout", "bydesign", Bytes(byDesign.begin(), byDesign.end()));
}

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds OUTDIR\n");
    return 2;
  }
  g_out = argv[1];
  fuzz::InstallQuietSink();
  ObjectSeeds();
  GuideSeeds();
  LinkedImageSeeds();
  TextSeeds();
  IniSeeds();
  ScanFrameSeeds();
  CutPatternSeeds();
  PaletteSeeds();
  SettingsSeeds();
  ImageSeeds();
  FontSeeds();
  TextFontSeeds();
  GraphLibSeeds();
  LibRecordSeeds();
  StoreSeeds();
  PasteSeeds();
  TraceSeeds();
  UserRoadSeeds();
  return 0;
}
