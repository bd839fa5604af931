#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/bytes.h"
#include "text/outlinecodec.h"
#include "text/tests/font_fixtures.h"
#include "text/tests/graphlib_fixtures.h"

namespace {

const std::string kNewName = "\xD0\xC2\xCD\xBC\xBF\xE2";  // 新图库 in GBK

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
  return plat::GetU32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at);
}

void PutU32At(std::string& bytes, std::size_t at, std::uint32_t v) {
  plat::PutU32(reinterpret_cast<std::uint8_t*>(bytes.data()) + at, v);
}

std::vector<float> GraphIds(const CGraphLib& lib, int kind) {
  std::vector<float> ids;
  for (int j = 0; j < kGraphsPerKind; ++j) {
    auto g = lib.ReadGraph(kind, j, nullptr);
    if (!g) break;
    ids.push_back(LeftOf(*g));
  }
  return ids;
}

TEST(GraphLib, NewLibraryBytes) {
  ScopedMountFolder mount;
  const std::string path = mount / "NEW.LIB";
  GraphLibHeader h = MakeGraphLibHeader();
  for (char* n : {h.name1, h.name2, h.name3}) SetGraphLibText(n, 48, kNewName);
  ASSERT_EQ(WriteGraphLibHeader(path, h), 1);

  std::string f = ReadFileBytes(path);
  ASSERT_EQ(f.size(), 218u);
  std::string want(218, '\0');
  want.replace(0, 4, "VLIB");
  PutU32At(want, 4, 0x40C00000);
  PutU32At(want, 8, 218);
  want[16] = char(0x00), want[17] = char(0x04);  // ratio 1024
  for (std::size_t at : {22, 70, 118}) want.replace(at, kNewName.size(), kNewName);
  EXPECT_EQ(f, want);

  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(path), 1);
  EXPECT_EQ(lib.GetKindCount(), 0);
  EXPECT_EQ(lib.GetKindOffset(0), 0u);

  GraphKindRecord rec{};
  std::memset(rec.extra, 0xAB, sizeof(rec.extra));
  SetGraphLibText(rec.name, 32, "Stars");
  SetGraphLibText(rec.name2, 32, "New Kind 1");
  ASSERT_EQ(lib.AddKind(rec), 1);
  f = ReadFileBytes(path);
  ASSERT_EQ(f.size(), 218u + 100 + 1024);
  EXPECT_EQ(U32At(f, 12), 1u);    // kind count
  EXPECT_EQ(U32At(f, 166), 218u); // first kind
  EXPECT_EQ(U32At(f, 218), 100u);
  EXPECT_EQ(U32At(f, 222), 0u);
  EXPECT_EQ(U32At(f, 226), 318u);
  EXPECT_EQ(U32At(f, 230), 0u);
  EXPECT_EQ(f.substr(234, 20), std::string(20, char(0xAB)));
  EXPECT_EQ(f.substr(254, 6), std::string("Stars\0", 6));
  EXPECT_EQ(f.substr(286, 11), std::string("New Kind 1\0", 11));
  EXPECT_EQ(f.substr(318), std::string(1024, '\0'));

  auto square = Square(7);
  COutlineCodec codec;
  plat::HGLOBAL h0 = 0;
  const std::uint32_t size = codec.Encode(*square, &h0);
  plat::GlobalBlock block(h0);
  ASSERT_GT(size, 0u);
  ASSERT_EQ(lib.AddGraph(0, *square), 1);
  f = ReadFileBytes(path);
  ASSERT_EQ(f.size(), 1342u + size);
  plat::GlobalLockGuard g(h0);
  EXPECT_EQ(f.substr(1342), std::string(reinterpret_cast<const char*>(g.bytes()), size));
  EXPECT_EQ(U32At(f, 318), 1342u);  // entry 0
  EXPECT_EQ(U32At(f, 230), 1u);     // graph count

  // A second kind is chained from the first.
  ASSERT_EQ(lib.AddKind(rec), 1);
  f = ReadFileBytes(path);
  EXPECT_EQ(U32At(f, 222), 1342u + size);
  EXPECT_EQ(U32At(f, 12), 2u);

  CGraphLib again;
  ASSERT_EQ(again.OpenPath(path), 1);
  EXPECT_EQ(again.GetKindCount(), 2);
  EXPECT_EQ(again.GetKindName(0), "Stars");
  auto back = again.ReadGraph(0, 0, nullptr);
  ASSERT_TRUE(back);
  EXPECT_EQ(LeftOf(*back), 7.0f);
  EXPECT_EQ(again.ReadGraph(1, 0, nullptr), nullptr);
  std::string libName;
  ASSERT_EQ(ReadGraphLibName(path, libName), 1);
  EXPECT_EQ(libName, kNewName);
}

TEST(GraphLib, OpensByNameOrPath) {
  ScopedMountFolder mount;
  ASSERT_TRUE(MakeLibrary(mount / "STAR.LIB", {1}));
  ASSERT_TRUE(MakeLibrary(mount.dir() / "OTHER.LIB", {2}));
  struct Case {
    std::string name;
    int ok;
    std::string path;
  } cases[] = {
      {"STAR", 1, mount / "STAR.LIB"},
      {"STAR.XYZ", 1, mount / "STAR.LIB"},
      {"star", 1, mount / "star.LIB"},  // file names match whatever their letter case
      {mount.dir() / "OTHER.LIB", 1, mount.dir() / "OTHER.LIB"},
      {mount.dir() / "STAR", 0, mount.dir() / "STAR"},  // a folder part: exactly that file
      {"MISSING", 0, mount / "MISSING.LIB"},
      {"", 0, ""},
  };
  for (const Case& c : cases) {
    CGraphLib lib;
    EXPECT_EQ(lib.Open(c.name), c.ok) << c.name;
    if (!c.name.empty()) EXPECT_EQ(lib.GetPath(), c.path) << c.name;
  }
  CGraphLib lib;
  ASSERT_EQ(lib.Open(mount.dir() / "OTHER.LIB"), 1);
  EXPECT_EQ(GraphIds(lib, 0), (std::vector<float>{0, 1}));
}

TEST(GraphLib, KindHoldsAtMost255Graphs) {
  ScopedMountFolder mount;
  const std::string path = mount / "FULL.LIB";
  ASSERT_TRUE(MakeLibrary(path, {254}));
  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(path), 1);
  EXPECT_GE(lib.GetFreeSlotOffset(0), 0);
  ASSERT_EQ(lib.AddGraph(0, *Square(254)), 1);
  EXPECT_EQ(lib.GetFreeSlotOffset(0), -1);
  const auto size = std::filesystem::file_size(path);
  EXPECT_EQ(lib.AddGraph(0, *Square(255)), 0);  // the 256th
  EXPECT_EQ(std::filesystem::file_size(path), size);
  ASSERT_TRUE(lib.ReadGraph(0, 254, nullptr));
  EXPECT_EQ(LeftOf(*lib.ReadGraph(0, 254, nullptr)), 254.0f);
  EXPECT_EQ(lib.ReadGraph(0, 255, nullptr), nullptr);
  EXPECT_EQ(lib.GetGraphOffset(0, 255), 0u);
  EXPECT_EQ(lib.GetGraphOffset(0, -1), 0u);
  // Refusals: empty outline, kind out of range.
  CPathPointList empty;
  EXPECT_EQ(lib.AddGraph(0, empty), 0);
  EXPECT_EQ(lib.AddGraph(1, *Square(1)), 0);
}

TEST(GraphLib, DeleteMovesLaterGraphsUp) {
  ScopedMountFolder mount;
  const std::string path = mount / "DEL.LIB";
  ASSERT_TRUE(MakeLibrary(path, {6}));
  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(path), 1);
  const auto size = std::filesystem::file_size(path);
  ASSERT_EQ(lib.DeleteGraph(0, 3), 1);
  EXPECT_EQ(GraphIds(lib, 0), (std::vector<float>{0, 1, 2, 4, 5}));
  EXPECT_EQ(std::filesystem::file_size(path), size);
  GraphKindRecord rec;
  ASSERT_EQ(lib.ReadKindRecord(0, &rec), 1);
  EXPECT_EQ(rec.graphCount, 5u);
  std::array<std::uint32_t, kGraphsPerKind> table;
  ASSERT_TRUE(lib.ReadGraphTable(0, table));
  for (int j = 5; j < kGraphsPerKind; ++j) EXPECT_EQ(table[std::size_t(j)], 0u) << j;
  EXPECT_EQ(lib.DeleteGraph(0, 5), 0);  // empty entry
  EXPECT_EQ(lib.DeleteGraph(0, 255), 0);
  // A new graph takes the freed slot at the end.
  ASSERT_EQ(lib.AddGraph(0, *Square(9)), 1);
  EXPECT_EQ(GraphIds(lib, 0), (std::vector<float>{0, 1, 2, 4, 5, 9}));
}

TEST(GraphLib, DeletingTheLastTableEntryLeavesNoCopy) {
  ScopedMountFolder mount;
  const std::string path = mount / "FULL.LIB";
  ASSERT_TRUE(MakeLibrary(path, {255}));
  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(path), 1);
  ASSERT_EQ(lib.DeleteGraph(0, 0), 1);
  EXPECT_EQ(lib.GetGraphOffset(0, 254), 0u);
  EXPECT_EQ(GraphIds(lib, 0).size(), 254u);
  ASSERT_EQ(lib.AddGraph(0, *Square(999)), 1);
  EXPECT_EQ(LeftOf(*lib.ReadGraph(0, 254, nullptr)), 999.0f);
}

TEST(GraphLib, RenameKind) {
  ScopedMountFolder mount;
  const std::string path = mount / "REN.LIB";
  ASSERT_TRUE(MakeLibrary(path, {1, 1}));
  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(path), 1);
  const std::string longGbk = std::string(26, 'a') + "\xD0\xC2" + std::string(10, 'b');
  struct Case {
    std::string text, stored, entry;
  } cases[] = {
      {"", "?", "?"},
      {"Flowers", "Flowers", "Flowers"},
      {longGbk, longGbk.substr(0, 31), longGbk.substr(0, 26)},  // entry cut before the split character
  };
  for (const Case& c : cases) {
    ASSERT_EQ(lib.RenameKind(1, c.text), 1);
    GraphKindRecord rec;
    ASSERT_EQ(lib.ReadKindRecord(1, &rec), 1);
    EXPECT_EQ(GraphLibText(rec.name, 32, 32), c.stored);
    EXPECT_EQ(lib.GetKindName(1), c.entry);
    CGraphLib again;
    ASSERT_EQ(again.OpenPath(path), 1);
    EXPECT_EQ(again.GetKindName(1), c.entry);
    EXPECT_EQ(again.GetKindName(0), "Kind0");
  }
  EXPECT_EQ(lib.RenameKind(2, "x"), 0);
}

TEST(GraphLib, HeaderFieldsAndName) {
  ScopedMountFolder mount;
  const std::string path = mount / "H.LIB";
  ASSERT_TRUE(MakeLibrary(path, {1}));
  const std::string before = ReadFileBytes(path);
  GraphLibHeader h{};
  std::memset(&h, 0x5A, sizeof(h));
  ASSERT_EQ(WriteGraphLibHeaderFields(path, h, GLH_RATIO | GLH_NAME3), 1);
  std::string after = ReadFileBytes(path);
  std::string want = before;
  want.replace(16, 2, std::string(2, 0x5A));
  want.replace(118, 48, std::string(48, 0x5A));
  EXPECT_EQ(after, want);

  ASSERT_EQ(SetGraphLibName(path, std::string(60, 'n')), 1);
  std::string name;
  ASSERT_EQ(ReadGraphLibName(path, name), 1);
  EXPECT_EQ(name, std::string(47, 'n'));

  GraphLibHeader old = MakeGraphLibHeader();
  old.version = kOldGraphLibVersion;
  EXPECT_EQ(WriteGraphLibHeader(mount / "OLD.LIB", old), 0);
  EXPECT_FALSE(std::filesystem::exists(mount / "OLD.LIB"));
  old = MakeGraphLibHeader();
  old.headerSize = 200;
  EXPECT_EQ(WriteGraphLibHeader(mount / "OLD.LIB", old), 0);
  EXPECT_EQ(WriteGraphLibHeaderFields(mount / "NONE.LIB", h, GLH_RATIO), 0);
  EXPECT_FALSE(std::filesystem::exists(mount / "NONE.LIB"));
  EXPECT_EQ(ProbeGraphLibVersion(mount / "NONE.LIB"), -1.0f);
  WriteFileBytes(mount / "JUNK.LIB", "not a library at all");
  EXPECT_EQ(ProbeGraphLibVersion(mount / "JUNK.LIB"), -1.0f);
  EXPECT_EQ(ReadGraphLibName(mount / "JUNK.LIB", name), 0);
}

TEST(GraphLib, MountFolderSetting) {
  TempDir dir;
  const std::string old = g_IniFile.GetPath();
  g_IniFile.SetPath(dir / "VORLAN98.INI");
  EXPECT_EQ(GetMountLibPath(), "C:\\VORLAN\\MOUNTLIB\\");
  const std::string deep = "D:\\" + std::string(150, 'x') + "\\LIBS";
  WriteFileBytes(dir / "VORLAN98.INI", "[PATH]\r\nMOUNTLIB=" + deep + "\r\n");
  EXPECT_EQ(GetMountLibPath(), deep + "\\");  // kept whole, ended by a backslash
  g_IniFile.SetPath(old);
}

// --- Old libraries.

std::vector<std::uint8_t> OldSquare(std::int16_t id) {
  return MakeOld5Glyph({{{id, 0, true}, {std::int16_t(id + 50), 0, true}, {std::int16_t(id + 50), 50, true},
                         {id, 50, true}, {id, 0, true}}});
}

TEST(GraphLib, OldLibrariesAreReadOnly) {
  ScopedMountFolder mount;
  const std::string path = mount / "OLD.LIB";
  std::string bytes = MakeOldLibrary("Old Symbols", {{"Arrows", {OldSquare(1), OldSquare(2), OldSquare(3)}},
                                                     {"Empty", {}},
                                                     {"Hands", {OldSquare(30)}}});
  WriteFileBytes(path, bytes);
  EXPECT_FLOAT_EQ(ProbeGraphLibVersion(path), 5.4f);
  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(path), 1);
  std::uint32_t bits;
  const float v = lib.GetVersion();
  std::memcpy(&bits, &v, 4);
  EXPECT_EQ(bits, 0x40ACCCCDu);
  EXPECT_EQ(lib.GetKindCount(), 3);
  EXPECT_EQ(lib.GetKindName(0), "Arrows");
  EXPECT_EQ(lib.GetKindName(2), "Hands");
  const GraphLibHeader& h = lib.GetHeader();
  EXPECT_EQ(std::string(h.name1), "Old Symbols");
  EXPECT_EQ(std::string(h.name3), "Old Symbols");
  EXPECT_EQ(h.ratio, 1000);
  EXPECT_EQ(h.fieldB, 7);
  EXPECT_EQ(h.fieldC, 9);
  EXPECT_EQ(GraphIds(lib, 0), (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(GraphIds(lib, 1).size(), 0u);
  EXPECT_EQ(GraphIds(lib, 2), (std::vector<float>{30}));

  const std::string before = ReadFileBytes(path);
  GraphKindRecord rec{};
  EXPECT_EQ(lib.ReadKindRecord(0, &rec), 0);
  EXPECT_EQ(lib.AddKind(rec), 0);
  EXPECT_EQ(lib.RenameKind(0, "x"), 0);
  EXPECT_EQ(lib.AddGraph(0, *Square(5)), 0);
  EXPECT_EQ(lib.DeleteGraph(0, 0), 0);
  EXPECT_EQ(SetGraphLibName(path, "x"), 0);
  EXPECT_EQ(ReadFileBytes(path), before);
  EXPECT_EQ(lib.GetKindCount(), 3);

  // The kinds end at the first entry without a name.
  std::string unnamed = MakeOldLibrary("N", {{"A", {}}, {"", {}}, {"C", {}}}, 3);
  WriteFileBytes(path, unnamed);
  ASSERT_EQ(lib.OpenPath(path), 1);
  EXPECT_EQ(lib.GetKindCount(), 1);
}

// --- Hostile files.

TEST(GraphLib, HostileKindChainsAndCounts) {
  ScopedMountFolder mount;
  const std::string path = mount / "H.LIB";
  ASSERT_TRUE(MakeLibrary(path, {2, 1, 1}));
  const std::string good = ReadFileBytes(path);
  const std::uint32_t k0 = U32At(good, 166);
  const std::uint32_t k1 = U32At(good, k0 + 4);
  const std::uint32_t k2 = U32At(good, k1 + 4);
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    int kinds;
  } cases[] = {
      {"huge count", 12, 0xFFFFFFFF, 3},
      {"count below the chain", 12, 2, 2},
      {"cycle to itself", k1 + 4, k1, 2},
      {"cycle to the first", k2 + 4, k0, 3},
      {"next outside the file", k1 + 4, 0xFFFFFF00, 2},
      {"next at the last bytes", k1 + 4, std::uint32_t(good.size() - 50), 2},
      {"first kind outside", 166, 0x7FFFFFFF, 0},
  };
  for (const Case& c : cases) {
    std::string bytes = good;
    PutU32At(bytes, c.at, c.value);
    WriteFileBytes(path, bytes);
    CGraphLib lib;
    ASSERT_EQ(lib.OpenPath(path), 1) << c.what;
    EXPECT_EQ(lib.GetKindCount(), c.kinds) << c.what;
    EXPECT_EQ(lib.GetHeader().kindCount, std::uint32_t(c.kinds)) << c.what;
  }
}

TEST(GraphLib, HostileGraphRecordsAndTables) {
  ScopedMountFolder mount;
  const std::string path = mount / "H.LIB";
  ASSERT_TRUE(MakeLibrary(path, {2}));
  const std::string good = ReadFileBytes(path);
  const std::uint32_t kind = U32At(good, 166);
  const std::uint32_t table = U32At(good, kind + 8);
  const std::uint32_t g0 = U32At(good, table);
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  } cases[] = {
      {"graph length huge", g0, 0xFFFFFFF0},
      {"graph length zero", g0, 0},
      {"graph length 4", g0, 4},
      {"graph offset outside", table, 0xFFFFFFF0},
      {"graph offset at the end", table, std::uint32_t(good.size() - 2)},
      {"table outside", kind + 8, 0xFFFFFF00},
  };
  for (const Case& c : cases) {
    std::string bytes = good;
    PutU32At(bytes, c.at, c.value);
    WriteFileBytes(path, bytes);
    CGraphLib lib;
    ASSERT_EQ(lib.OpenPath(path), 1) << c.what;
    EXPECT_EQ(lib.ReadGraph(0, 0, nullptr), nullptr) << c.what;
  }
  // A table outside the file takes no graph and deletes none.
  std::string bytes = good;
  PutU32At(bytes, kind + 8, 0xFFFFFF00);
  WriteFileBytes(path, bytes);
  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(path), 1);
  EXPECT_EQ(lib.AddGraph(0, *Square(1)), 0);
  EXPECT_EQ(lib.DeleteGraph(0, 0), 0);
  EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST(GraphLib, HostileOldChunks) {
  ScopedMountFolder mount;
  const std::string path = mount / "OLD.LIB";
  const std::string good =
      MakeOldLibrary("Old", {{"A", {OldSquare(1)}}, {"B", {}}, {"C", {}}, {"D", {}}}, 1);
  const std::uint32_t second = U32At(good, 76);
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    int kinds;
  } cases[] = {
      {"chunk cycle to the first", second + 6, 70, 2},
      {"chunk cycle to itself", second + 6, second, 2},
      {"negative next", second + 6, 0x80000000, 2},
      {"huge kind number", 70, 0xFFFF, 0},
      {"entries outside", 72, 0xFFFFFFF0, 0},
      {"next outside", 76, 0x7FFFFFF0, 1},
  };
  for (const Case& c : cases) {
    std::string bytes = good;
    if (c.at == 70)
      bytes[70] = bytes[71] = char(0xFF);
    else
      PutU32At(bytes, c.at, c.value);
    WriteFileBytes(path, bytes);
    CGraphLib lib;
    ASSERT_EQ(lib.OpenPath(path), 1) << c.what;
    EXPECT_EQ(lib.GetKindCount(), c.kinds) << c.what;
  }
  // Names without a terminator: cut, on a character boundary.
  std::string bytes = good;
  const std::uint32_t entries = U32At(good, 72);
  bytes.replace(entries, 28, std::string(27, 'k') + "\xD0");
  bytes.replace(16, 48, std::string(46, 'n') + "\xD0\xC2");
  WriteFileBytes(path, bytes);
  CGraphLib lib;
  ASSERT_EQ(lib.OpenPath(path), 1);
  EXPECT_EQ(lib.GetKindName(0), std::string(27, 'k'));
  EXPECT_EQ(std::string(lib.GetHeader().name1), std::string(46, 'n'));
}

TEST(GraphLib, EveryTruncationStaysInBounds) {
  ScopedMountFolder mount;
  const std::string path = mount / "T.LIB";
  ASSERT_TRUE(MakeLibrary(path, {2, 1}));
  const std::string good = ReadFileBytes(path);
  const std::string old = MakeOldLibrary("Old", {{"A", {OldSquare(1), OldSquare(2)}}, {"B", {OldSquare(3)}}}, 1);
  for (const std::string* src : {&good, &old}) {
    for (std::size_t n = 0; n < src->size(); n += (n < 400 ? 1 : 37)) {
      WriteFileBytes(path, src->substr(0, n));
      CGraphLib lib;
      if (!lib.OpenPath(path)) continue;
      for (int k = 0; k < lib.GetKindCount(); ++k)
        for (int j = 0; j < 3; ++j) lib.ReadGraph(k, j, nullptr);
    }
  }
}

// --- The mounted-library list.

TEST(MountLibList, ListsReadableLibraries) {
  ScopedMountFolder mount;
  EXPECT_EQ(g_MountLibList.ScanMountedLibraries(), 0);
  std::string name;
  EXPECT_FALSE(g_MountLibList.GetName(0, name));

  const std::string longFile = std::string(70, 'f') + ".lib";
  const std::string longName = std::string(38, 'n') + "\xD0\xC2";
  ASSERT_TRUE(MakeLibrary(mount / "A.LIB", {1}, "Alpha"));
  ASSERT_TRUE(MakeLibrary(mount / longFile, {3}, longName));
  WriteFileBytes(mount / "OLD.Lib", MakeOldLibrary("Oldie", {{"K", {OldSquare(4)}}}));
  WriteFileBytes(mount / "BAD.LIB", "broken");
  WriteFileBytes(mount / "NOTES.TXT", "not a library");
  ASSERT_EQ(g_MountLibList.ScanMountedLibraries(), 3);
  std::vector<std::string> names, files;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(g_MountLibList.GetName(i, name));
    names.push_back(name);
    ASSERT_TRUE(g_MountLibList.GetFileName(i, name));
    files.push_back(name);
  }
  EXPECT_EQ(files, (std::vector<std::string>{"A.LIB", "OLD.Lib", longFile}));
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Oldie", std::string(38, 'n')}));
  EXPECT_FALSE(g_MountLibList.GetName(3, name));
  EXPECT_FALSE(g_MountLibList.GetFileName(-1, name));

  auto g = g_MountLibList.ReadGraph(2, 0, 2, nullptr);
  ASSERT_TRUE(g);
  EXPECT_EQ(LeftOf(*g), 2.0f);
  ASSERT_TRUE(g = g_MountLibList.ReadGraph(1, 0, 0, nullptr));
  EXPECT_EQ(LeftOf(*g), 4.0f);
  CMatrix3 shift(1, 0, 0, 1, 10, 0);
  ASSERT_TRUE(g = g_MountLibList.ReadGraph(0, 0, 0, &shift));
  EXPECT_EQ(LeftOf(*g), 10.0f);
  EXPECT_EQ(g_MountLibList.ReadGraph(3, 0, 0, nullptr), nullptr);

  CGraphLib lib;
  ASSERT_EQ(lib.OpenMounted(2), 1);
  EXPECT_EQ(lib.GetKindCount(), 1);
  EXPECT_EQ(lib.OpenMounted(3), 0);
}

TEST(MountLibList, MoreThan546Libraries) {
  ScopedMountFolder mount;
  ASSERT_TRUE(MakeLibrary(mount / "L0000.LIB", {}));
  const std::string bytes = ReadFileBytes(mount / "L0000.LIB");
  for (int i = 1; i < 600; ++i) {
    char name[16];
    std::snprintf(name, sizeof(name), "L%04d.LIB", i);
    WriteFileBytes(mount / name, bytes);
  }
  ASSERT_EQ(g_MountLibList.ScanMountedLibraries(), 600);
  std::string name;
  ASSERT_TRUE(g_MountLibList.GetFileName(599, name));
  EXPECT_EQ(name, "L0599.LIB");
}

}  // namespace
