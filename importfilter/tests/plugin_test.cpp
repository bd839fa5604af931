// The plug-in builds as the host loads them: by name from the program folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "import_test_util.h"
#include "model/graphobject.h"
#include "model/segarray.h"
#include "platform/library.h"
#include "platform/tests/temp_dir.h"

namespace {

using CanUseFn = int (*)(float);
using GetFiltersFn = int (*)(char*);
using FilterReadFn = plat::HGLOBAL (*)(const char*, std::uint32_t);
using OldFilterReadFn = plat::HGLOBAL (*)(const char*);
using GetVersionFn = std::uint32_t (*)();

std::uint32_t Bits(float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

class Plugin : public ::testing::Test {
 protected:
  void SetUp() override {
    lib = plat::LoadLibrary("Import.dll");
    ASSERT_NE(lib, nullptr) << plat::GetLastErrorDetail();
    canUse = plat::GetProcAddressAs<CanUseFn>(lib, "CanUse");
    getFilters = plat::GetProcAddressAs<GetFiltersFn>(lib, "GetFilters");
    filterRead = plat::GetProcAddressAs<FilterReadFn>(lib, "FilterRead");
    nFilterRead = plat::GetProcAddressAs<FilterReadFn>(lib, "NFilterRead");
    getVersion = plat::GetProcAddressAs<GetVersionFn>(lib, "GetVersion");
    ASSERT_TRUE(canUse && getFilters && filterRead && nFilterRead && getVersion);
  }
  void TearDown() override {
    if (lib) plat::FreeLibrary(lib);
  }
  std::string File(const std::string& name, const std::string& bytes) {
    WriteFileBytes(dir / name, bytes);
    return dir / name;
  }

  TempDir dir;
  plat::HMODULE lib = nullptr;
  CanUseFn canUse = nullptr;
  GetFiltersFn getFilters = nullptr;
  FilterReadFn filterRead = nullptr, nFilterRead = nullptr;
  GetVersionFn getVersion = nullptr;
};

}  // namespace

TEST_F(Plugin, HostCallingOrder) {
  EXPECT_EQ(canUse(6.0f), 1);
  EXPECT_EQ(canUse(6.5f), 0);
  EXPECT_EQ(canUse(5.0f), 0);
  const int n = getFilters(nullptr);
  EXPECT_EQ(n, 96);
  std::vector<char> buf(std::size_t(n) + 2, 'x');
  EXPECT_EQ(getFilters(buf.data()), 2);
  EXPECT_STREQ(buf.data(),
               "PLT File(*.plt)|*.PLT|Illustrator 88,3.0(*.EPS;*.AI)|*.EPS;*.AI|AutoCad (R12-R14)(*.DXF)|*.DXF||");
  EXPECT_EQ(getVersion(), getVersion());
  // Nothing but the entry points leaves the library.
  for (const char* hidden : {"_ZN3imp10CPltReader4ReadEPKcj", "SniffImportBytes", "MakeLabelOutline"})
    EXPECT_EQ(plat::GetProcAddress(lib, hidden), nullptr) << hidden;
}

TEST_F(Plugin, SquareObjectBlockBytes) {
  const std::string path = File("sq.plt", "IN;PU0,0;PD100,0,100,100,0,100,0,0;PU;");
  const std::vector<std::uint8_t> b = TakeBlock(filterRead(path.c_str(), Bits(1.0f)));
  const std::uint32_t n = 6, l = 9 * n + 69;
  ASSERT_EQ(b.size(), l + 10);
  EXPECT_EQ(b[0], 2);
  EXPECT_EQ(plat::GetU32(b.data() + 1), l + 6);
  const std::uint8_t* r = b.data() + 5;
  EXPECT_EQ(r[0], '#');
  EXPECT_EQ(plat::GetU32(r + 1), l);
  EXPECT_EQ(r[5], 128);
  EXPECT_EQ(plat::GetU16(r + 6), 0);
  const float bounds[4] = {0, 0, 100, 100};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(F32At(r + 8 + 4 * i), bounds[i]);
  const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(F32At(r + 24 + 4 * i), identity[i]);
  EXPECT_EQ(plat::GetU32(r + 60), 0u);
  EXPECT_EQ(plat::GetU32(r + 64), n);
  // Upright: HPGL's y runs up, turned within the drawing's extent.
  const Pt want[] = {{0, 100, 0x11}, {100, 100, 1}, {100, 0, 1}, {0, 0, 1}, {0, 100, 0x41}, {0, 0, 0xFF}};
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint8_t* q = r + 68 + 9 * i;
    EXPECT_EQ((Pt{F32At(q), F32At(q + 4), q[8]}), want[i]) << i;
  }
  EXPECT_EQ(r[l - 1], 241);
  EXPECT_EQ(b[l + 5], 254);
  EXPECT_EQ(b[l + 6], 255);
  EXPECT_EQ(b[l + 7], 0);
  EXPECT_EQ(b[l + 9], 0);
}

TEST_F(Plugin, ScalesAndTypes) {
  const std::string body = "PU0,0;PD4000,0,4000,4000,0,4000,0,0;PU;";
  struct Case {
    const char* name;
    std::string bytes;
    float scale;
    float right;  // 0: no result
  } cases[] = {
      {"a.plt", "IN;" + body, 0.0f, 100},         // the host's 0: plotter units to millimetres
      {"b.plt", "IN;" + body, -1.0f, 100},
      {"c.plt", "IN;" + body, 2.0f, 8000},
      {"d.hpg", "IN " + body, 0.0f, 100},         // the content decides, whatever the extension
      {"e.plt", ";:PU0,0;PDA4000,0,4000,4000;", 0.0f, 100},
      {"f.plt", "PU0,0;PD4000,0,4000,4000;", 0.0f, 100},  // by extension
      {"g.plt", "BM" + body, 0.0f, 0},
      {"h.plt", "IN;PU0,0;PD4000,0;", 0.0f, 100},  // a single line
      {"i.txt", "IN;" + body, 0.0f, 100},        // content first
      {"j.zzz", body, 0.0f, 0},
  };
  const float nanScale = std::numeric_limits<float>::quiet_NaN();
  for (const Case& c : cases) {
    const std::string path = File(c.name, c.bytes);
    for (float scale : {c.scale, c.scale == 0 ? nanScale : c.scale}) {
      PathRecordView v = ReadPathBlock(TakeBlock(filterRead(path.c_str(), Bits(scale))));
      EXPECT_EQ(v.ok, c.right != 0) << c.name;
      if (v.ok) {
        EXPECT_FLOAT_EQ(v.bounds[2], c.right) << c.name;
      }
    }
  }
}

TEST_F(Plugin, HpglWithoutSeparatorsReadsThroughFilterRead) {
  std::string plain = "IN PU0,0 PD4000,0,4000,4000,0,4000,0,0 PU";
  std::string high = plain + " LB\xB0\xA1\x03";
  for (const std::string& text : {plain, high}) {
    const std::string path = File("x.plt", text);
    PathRecordView v = ReadPathBlock(TakeBlock(filterRead(path.c_str(), 0)));
    ASSERT_TRUE(v.ok);
    EXPECT_EQ(v.points.size(), 6u);
    EXPECT_FLOAT_EQ(v.bounds[2], 100);
  }
}

TEST_F(Plugin, LabelsComeAsAGroupRecord) {
  const std::string path = File("l.plt", "IN;SP2;PU0,0;LBL\x03PD4000,0,4000,4000;PU;");
  const std::vector<std::uint8_t> rec = TakeBlock(nFilterRead(path.c_str(), 0));
  ASSERT_GT(rec.size(), 61u);
  EXPECT_EQ(rec[0], ',');
  EXPECT_EQ(plat::GetU32(rec.data() + 1), rec.size());
  EXPECT_EQ(rec.back(), 240);
  EXPECT_FLOAT_EQ(F32At(rec.data() + 41 + 8), 100);  // right bound in millimetres
  EXPECT_EQ(rec[61], '+');
  EXPECT_EQ(TakeBlock(nFilterRead(File("n.plt", "IN;PU0,0;").c_str(), 0)).size(), 0u);
  EXPECT_EQ(TakeBlock(nFilterRead(File("c.plt", ";:PU0,0;PD1,1,2,2;").c_str(), 0)).size(), 0u);
}

TEST_F(Plugin, EpsAndDxfThroughBothEntries) {
  const std::string eps = File("s.eps", "%!PS\n0 0 moveto 72 0 lineto 72 72 lineto 0 72 lineto closepath\n");
  const std::string dxf = File("s.dxf",
                               "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n100\nAcDbPolyline\n70\n1\n10\n0\n20\n0\n"
                               "10\n10\n20\n0\n10\n10\n20\n20\n0\nENDSEC\n0\nEOF\n");
  for (FilterReadFn fn : {filterRead, nFilterRead}) {
    PathRecordView e = ReadPathBlock(TakeBlock(fn(eps.c_str(), 0)));
    ASSERT_TRUE(e.ok);
    EXPECT_NEAR(e.bounds[2], 25.4, 1e-4);  // 72 points are an inch
    EXPECT_NEAR(e.bounds[3], 25.4, 1e-4);
    EXPECT_NEAR(e.matrix[4], -25.4 / 72, 1e-6);
    PathRecordView d = ReadPathBlock(TakeBlock(fn(dxf.c_str(), Bits(3.0f))));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.points.size(), 5u);
    EXPECT_FLOAT_EQ(d.bounds[3], 20);
    EXPECT_FLOAT_EQ(d.matrix[4], -1);
  }
}

TEST_F(Plugin, UnreadableInputsGiveNothing) {
  const std::size_t blocks = plat::GlobalLiveCount();
  EXPECT_EQ(filterRead(nullptr, 0), 0u);
  EXPECT_EQ(filterRead((dir / "missing.plt").c_str(), 0), 0u);
  EXPECT_EQ(filterRead(dir.path().c_str(), 0), 0u);
  const std::string fifo = dir / "pipe.plt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(filterRead(fifo.c_str(), 0), 0u);
  EXPECT_EQ(nFilterRead(fifo.c_str(), 0), 0u);
  EXPECT_EQ(plat::GlobalLiveCount(), blocks);
}

TEST_F(Plugin, TheDesignProgramReadsTheBlock) {
  const std::string path = File("sq.plt", "IN;PU0,0;PD4000,0,4000,2000,0,2000,0,0;PU;");
  const plat::HGLOBAL h = filterRead(path.c_str(), 0);
  ASSERT_NE(h, 0u);
  std::unique_ptr<CSegArray> list = CSegArray::UnpackFromGlobal(h);
  plat::GlobalFree(h);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->GetSize(), 1);
  const CGraphObject* o = list->GetAt(0);
  EXPECT_EQ(o->kind, 128);
  EXPECT_FLOAT_EQ(o->bounds.right, 100);
  EXPECT_FLOAT_EQ(o->bounds.bottom, 50);
}

// A hand-drawn F (stem on the left, arm at the top, HPGL's y up) comes in
// upright through both entries, within its own extent.
TEST_F(Plugin, PltComesInUpright) {
  const std::string path = File("f.plt", "IN;SP1;PU1000,1000;PD1000,5000,3400,5000;PU1000,3000;PD2600,3000;PU;");
  // Stem foot, stem top, arm end; the bar, in millimetres with y down.
  const std::vector<Pt> stemAndArm = {{25, 125, 0x11}, {25, 25, 1}, {85, 25, 0x21}};
  const std::vector<Pt> bar = {{25, 75, 0x11}, {65, 75, 0x21}};
  PathRecordView v = ReadPathBlock(TakeBlock(filterRead(path.c_str(), 0)));
  ASSERT_TRUE(v.ok);
  std::vector<Pt> want = stemAndArm;
  want.insert(want.end(), bar.begin(), bar.end());
  want.emplace_back(0, 0, 0xFF);
  EXPECT_EQ(v.points, want);
  const float box[4] = {25, 25, 85, 125};
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(v.bounds[i], box[i]) << i;

  // The group record: one member per stroke ('+', u32 length, u32 n,
  // bounds, line type, pen, then the points).
  const std::vector<std::uint8_t> rec = TakeBlock(nFilterRead(path.c_str(), 0));
  ASSERT_GT(rec.size(), 61u);
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(F32At(rec.data() + 41 + 4 * i), box[i]) << i;
  std::vector<std::vector<Pt>> members;
  for (std::size_t at = 61; at + 31 <= rec.size() && rec[at] == '+';) {
    const std::uint32_t len = plat::GetU32(rec.data() + at + 1), n = plat::GetU32(rec.data() + at + 5);
    ASSERT_LE(at + 31 + 9 * std::size_t(n), rec.size());
    std::vector<Pt> pts;
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint8_t* q = rec.data() + at + 31 + 9 * i;
      pts.emplace_back(F32At(q), F32At(q + 4), q[8]);
    }
    members.push_back(pts);
    at += len;
  }
  EXPECT_EQ(members, (std::vector<std::vector<Pt>>{stemAndArm, bar}));
}

// Sub-paths of a lone move paint nothing and stay out; a single line is a path.
TEST_F(Plugin, LoneMovesAndSingleLines) {
  PathRecordView e = ReadPathBlock(TakeBlock(
      filterRead(File("l.eps", "%!PS\n-50 -50 moveto 0 0 moveto 72 0 lineto stroke 500 500 moveto\n").c_str(), 0)));
  ASSERT_TRUE(e.ok);
  EXPECT_EQ(e.points, (std::vector<Pt>{{0, 0, 0x11}, {72, 0, 0x21}, {0, 0, 0xFF}}));
  EXPECT_NEAR(e.bounds[0], 0, 1e-4);
  EXPECT_NEAR(e.bounds[2], 25.4, 1e-4);
  EXPECT_NEAR(e.bounds[1], e.bounds[3], 1e-4);
  EXPECT_EQ(TakeBlock(filterRead(File("m.eps", "%!PS\n0 0 moveto 72 72 moveto\n").c_str(), 0)).size(), 0u);
  PathRecordView p = ReadPathBlock(TakeBlock(filterRead(File("l.plt", "IN;PU400,800;PD4400,800;PU;").c_str(), 0)));
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.points, (std::vector<Pt>{{10, 20, 0x11}, {110, 20, 0x21}, {0, 0, 0xFF}}));
}

TEST(OldPlugin, HostCallsAndFixedScales) {
  plat::HMODULE lib = plat::LoadLibrary("ImportOld.dll");
  ASSERT_NE(lib, nullptr) << plat::GetLastErrorDetail();
  auto canUse = plat::GetProcAddressAs<CanUseFn>(lib, "CanUse");
  auto getFilters = plat::GetProcAddressAs<GetFiltersFn>(lib, "GetFilters");
  auto filterRead = plat::GetProcAddressAs<OldFilterReadFn>(lib, "FilterRead");
  ASSERT_TRUE(canUse && getFilters && filterRead && plat::GetProcAddress(lib, "GetVersion"));
  EXPECT_EQ(plat::GetProcAddress(lib, "NFilterRead"), nullptr);
  EXPECT_EQ(canUse(6.0f), 1);
  ASSERT_EQ(getFilters(nullptr), 64);
  char buf[66];
  EXPECT_EQ(getFilters(buf), 2);
  EXPECT_STREQ(buf, "PLT File(*.plt)|*.PLT|Illustrator 88,3.0(*.EPS;*.AI)|*.EPS;*.AI|");

  TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<Pt> points;  // empty: no result
  } cases[] = {
      {"a.plt", "IN;PU0,0;PD4000,0,4000,4000,0,4000,0,0;PU;",
       {{0, 0, 0x11}, {100, 0, 1}, {100, 100, 1}, {0, 100, 1}, {0, 0, 0x41}, {0, 0, 0xFF}}},
      {"b.plt", "PUPD0,0", {}},
      {"c.plt", "PUPD0,0,4000,0,4000,4000;", {}},
      {"d.plt", "PU0,0;PDX4000,0,4000,4000;", {}},
      {"e.plt", std::string("PU0,0;PD4000,0\0,4000,4000;", 26), {{0, 0, 0x11}, {100, 0, 1}, {100, 100, 0x21}, {0, 0, 0xFF}}},
      {"f.PLT", "PU0,0;PD" + std::string(70, ' ') + "4000,0,4000,4000;",
       {{0, 0, 0x11}, {100, 0, 1}, {100, 100, 0x21}, {0, 0, 0xFF}}},
      {"g.dxf", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n0\n20\n0\n11\n1\n21\n1\n0\nENDSEC\n", {}},
      {"h.txt", "IN;PU0,0;PD4000,0,4000,4000;", {}},  // by extension only
  };
  for (const Case& c : cases) {
    WriteFileBytes(dir / c.name, c.bytes);
    PathRecordView v = ReadPathBlock(TakeBlock(filterRead((dir / c.name).c_str())));
    EXPECT_EQ(v.points, c.points) << c.name;
  }
  // An EPS square of 72 points is 25 units; s closes, v is skipped with its operands.
  WriteFileBytes(dir / "s.eps", "0 0 m 72 0 l 72 72 l 0 72 l 1 2 3 4 v s\n");
  PathRecordView e = ReadPathBlock(TakeBlock(filterRead((dir / "s.eps").c_str())));
  ASSERT_TRUE(e.ok);
  EXPECT_EQ(e.points, (std::vector<Pt>{{0, 0, 0x11}, {72, 0, 1}, {72, 72, 1}, {0, 72, 1}, {0, 0, 0x41}, {0, 0, 0xFF}}));
  EXPECT_NEAR(e.bounds[2], 25, 1e-4);
  EXPECT_NEAR(e.bounds[3], 25, 1e-4);
  EXPECT_FLOAT_EQ(e.matrix[0], 0.3472222f);
  plat::FreeLibrary(lib);
}
