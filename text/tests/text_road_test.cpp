// Lettering on the installed faces, end to end: "Tindrel 标牌" in DejaVu Sans
// and AR PL SungtiL GB is laid out, drawn, saved and reloaded, converted to
// paths and plotted to a recording cutter.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "model/groupobject.h"
#include "model/pathobject.h"
#include "model/records.h"
#include "model/settings.h"
#include "model/tests/fake_devices.h"
#include "model/tests/fakes.h"
#include "platform/codepage.h"
#include "platform/tests/temp_dir.h"
#include "text/fontcatalog.h"
#include "text/language.h"
#include "text/textobject.h"

namespace {

class TextRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = g_IniFile.GetPath();
    const std::string ini = dir_ / "VORLAN98.INI";
    WriteFileBytes(ini, "[LANGUAGE0]\nID=134\nNAME=GB\n[LANGUAGE1]\nID=0\nNAME=EN\n");
    g_IniFile.SetPath(ini);
    g_Language.Load();
    g_FontCatalog.EnumWindowsFonts();
    RegisterTextRecordReaders();
  }
  void TearDown() override {
    g_FontCatalog.Clear();
    g_IniFile.SetPath(old_);
    g_Language.Load();
  }
  TempDir dir_;
  std::string old_;
};

}  // namespace

TEST_F(TextRoad, SignLetteringFromTheInstalledFaces) {
  const int song = g_FontCatalog.FindEntry(0, 0, plat::Utf8ToGbk("文鼎ＰＬ简报宋"));
  const int dejavu = g_FontCatalog.FindEntry(1, 0, "DejaVu Sans");
  ASSERT_GE(song, 0);
  ASSERT_GE(dejavu, 0);
  CTextAttr attr;
  attr.sizeX = attr.sizeY = 20.0f;
  attr.doubleByteLanguage = 134;
  attr.fontId[0] = std::uint16_t(song);
  attr.fontId[1] = std::uint16_t(dejavu);

  CTextObject text(0, 10, 10, 300, 100);
  std::unique_ptr<CBoxArray> items = TextToBoxArray(plat::Utf8ToGbk("Tindrel 标牌").c_str());
  ASSERT_NE(items, nullptr);
  ASSERT_EQ(items->GetSize(), 10);
  for (CBoxItem* i : items->Items()) {
    auto* c = static_cast<CBoxChar*>(i);
    CBoxChar made(c->code, attr);
    c->kind = made.kind;
    c->fontId = made.fontId;
    c->sizeX = made.sizeX;
    c->sizeY = made.sizeY;
  }
  text.InsertAtCaret(*items);
  text.Relayout(nullptr, -1);

  // One line, left to right, Latin letters narrower than the GB characters.
  const CBoxChar* t = text.chars.CharAt(0);
  const CBoxChar* biao = text.chars.CharAt(8);
  EXPECT_EQ(t->y, biao->y);
  EXPECT_GT(t->advanceRatio, 0.2f);
  EXPECT_LT(t->advanceRatio, 1.0f);
  EXPECT_EQ(biao->advanceRatio, 1.0f);
  EXPECT_LT(text.chars.CharAt(7)->x, biao->x);
  EXPECT_GT(text.bounds.right, biao->x);

  // Drawn into a view.
  FakeView view(nullptr, 400, 200);
  const std::vector<std::uint32_t> blank = view.Pixels();
  CMatrix3 scale(1.2f, 0, 0, 1.2f, 0, 0);
  text.Draw(view.dc.get(), &scale, nullptr);
  EXPECT_NE(view.Pixels(), blank);

  // Saved and reloaded byte for byte.
  plat::HGLOBAL h = 0;
  const std::uint32_t n = text.WriteRecord(&h);
  ASSERT_GT(n, 0u);
  std::unique_ptr<CGraphObject> back = CreateObjectFromBlock(h);
  ASSERT_NE(back, nullptr);
  plat::HGLOBAL h2 = 0;
  ASSERT_EQ(back->WriteRecord(&h2), n);
  {
    plat::GlobalLockGuard a(h), b(h2);
    EXPECT_EQ(0, std::memcmp(a.bytes(), b.bytes(), n));
  }
  plat::GlobalFree(h);
  plat::GlobalFree(h2);

  // Nine glyphs, nine paths (the space has none), plotted to the cutter.
  std::unique_ptr<CGraphObject> paths = back->ConvertToPath(-1);
  ASSERT_NE(paths, nullptr);
  ASSERT_EQ(paths->kind, OBJ_GROUP);
  auto* group = static_cast<CGroupObject*>(paths.get());
  ASSERT_EQ(group->GetChildCount(), 9);
  RecordingCutter cutter;
  for (int i = 0; i < group->GetChildCount(); ++i) {
    ASSERT_EQ(group->GetChild(i)->kind, OBJ_PATH);
    auto* p = static_cast<CPathObject*>(group->GetChild(i));
    EXPECT_GE(p->bounds.left, 9.0f);
    EXPECT_LE(p->bounds.bottom, 60.0f);
    p->PlotToCutter(cutter);
  }
  int moves = 0;
  for (const std::string& c : cutter.calls) moves += c.rfind("MoveTo", 0) == 0;
  EXPECT_GE(moves, 9);
  EXPECT_GT(cutter.calls.size(), 100u);
}
