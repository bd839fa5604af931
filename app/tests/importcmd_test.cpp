#include "app/importcmd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/appids.h"
#include "app/designview.h"
#include "app/document.h"
#include "app/olddoc.h"
#include "app_fixture.h"
#include "framework/dialog.h"
#include "model/segarray.h"
#include "model/settings.h"
#include "model/undo.h"
#include "model/records.h"
#include "platform/bytes.h"
#include "platform/paths.h"
#include "text/textobject.h"

using namespace apptest;

namespace {

void U32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(std::uint8_t(x >> (8 * i)));
}
void F32(std::vector<std::uint8_t>& v, float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, 4);
  U32(v, u);
}
void Bounds(std::vector<std::uint8_t>& v, float l, float t, float r, float b) {
  F32(v, l);
  F32(v, t);
  F32(v, r);
  F32(v, b);
}
void Identity(std::vector<std::uint8_t>& v) {
  for (float f : {1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f}) F32(v, f);
}

// Old records as the version 5.6 program wrote them.
std::vector<std::uint8_t> OldPath(std::initializer_list<std::tuple<float, float, int>> pts, bool ended = true) {
  std::vector<std::uint8_t> v = {0x84};
  Bounds(v, 0, 0, 10, 10);
  Identity(v);
  v.push_back(0);
  v.push_back(0);
  for (auto [x, y, flags] : pts) {
    U32(v, (std::uint32_t(std::int32_t(x * 100)) << 8) | std::uint32_t(flags));
    F32(v, y);
  }
  if (ended) {
    U32(v, 'f');
    U32(v, 0x48888888);
  }
  return v;
}
std::vector<std::uint8_t> OldLibPic() {
  std::vector<std::uint8_t> v = {0x83};
  Bounds(v, 1, 2, 3, 4);
  Identity(v);
  for (std::uint16_t x : {7, 2, 5, 0x100}) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
  }
  v.push_back(0);
  return v;
}
std::vector<std::uint8_t> OldImage(const std::string& name) {
  std::vector<std::uint8_t> v = {0x85};
  Bounds(v, 0, 0, 50, 40);
  std::string n = name;
  n.resize(61, '\0');
  v.insert(v.end(), n.begin(), n.end());
  return v;
}
std::vector<std::uint8_t> OldText(int chars, int controls) {
  std::vector<std::uint8_t> v = {0x82};
  Bounds(v, 0, 0, 10, 10);
  Identity(v);
  U32(v, std::uint32_t(chars + controls));
  v.resize(70, 0);
  for (int i = 0; i < chars; ++i) {
    v.push_back(18);
    v.resize(v.size() + 66, 0);
  }
  for (int i = 0; i < controls; ++i) {
    v.push_back(17);
    v.resize(v.size() + 14, 0);
  }
  return v;
}
std::vector<std::uint8_t> OldGroup(std::uint32_t count, const std::vector<std::uint8_t>& members) {
  std::vector<std::uint8_t> v = {0x81};
  Bounds(v, 0, 0, 10, 10);
  U32(v, count);
  v.resize(53, 0);
  v.insert(v.end(), members.begin(), members.end());
  return v;
}
std::vector<std::uint8_t> Cat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> v;
  for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}
std::vector<std::uint8_t> OldFile(const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> v(164, 0);
  std::memcpy(v.data(), kOldDocMagic, 20);
  plat::PutU32(v.data() + 52, 200);
  v.resize(200, 0xEE);
  v.insert(v.end(), data.begin(), data.end());
  return v;
}

// The letters of the records in a converted block, in order (top level).
std::string Letters(const std::vector<std::uint8_t>& block) {
  std::string s;
  std::size_t r = 5;
  while (r < block.size() && block[r] != 254) {
    s += char(block[r]);
    const std::uint32_t l = plat::GetU32(block.data() + r + 1);
    if (l == 0 || block[r + l - 1] != 241) return s + "?";
    r += l;
  }
  return s;
}

class ImportTest : public AppTest {
 protected:
  // The import dialog picks `path` (or is cancelled with an empty one).
  void Pick(const std::string& path) {
    driver.Then([this, path](fw::CDialog& dlg) {
      auto* file = dynamic_cast<fw::CFileDialog*>(&dlg);
      ASSERT_NE(file, nullptr);
      title = file->m_title;
      initialDir = file->m_initialDir;
      filters = file->Filters().size();
      if (path.empty())
        dlg.EndDialog(fw::IDCANCEL);
      else
        file->Choose(path);
    });
  }
  fw::ScriptedModalDriver driver;
  std::string title, initialDir;
  std::size_t filters = 0;
};

}  // namespace

TEST(ImportFileTypes, ByExtension) {
  struct Case {
    const char* path;
    int type;
  } cases[] = {
      {"a.v98", kImportDocument}, {"a.T98", kImportDocument}, {"a.V95", kImportOldDocument},
      {"a.txt", kImportText},     {"a", kImportText},         {"a.", kImportText},
      {"a.plt", kImportPlt},      {"a.Eps", kImportEps},      {"a.ai", kImportEps},
      {"a.cut", kImportCut},      {"a.dxf", kImportDxf},      {"a.tif", kImportTif},
      {"a.BMP", kImportBmp},      {"a.cv5", kImportCv5},      {"a.xyz", kImportOldDocument},
      {"/tmp/dir.eps/file", kImportText}, {"C:\\my.plt\\file", kImportText}, {"/tmp/dir.v95/x.Plt", kImportPlt},
  };
  for (const Case& c : cases) EXPECT_EQ(GetFileTypeByExtension(c.path), c.type) << c.path;
  EXPECT_EQ(ImportFolderOf("C:\\VORLAN\\x.plt"), "C:\\VORLAN");
  EXPECT_EQ(ImportFolderOf("C:\\x.plt"), "C:\\");
  EXPECT_EQ(ImportFolderOf("/home/u/x.plt"), "/home/u");
  EXPECT_EQ(ImportFolderOf("/x.plt"), "/");
  EXPECT_EQ(ImportFolderOf("x.plt"), "");
}

TEST_F(ImportTest, PluginLoadsInTheHostsOrder) {
  CImportDll dll;
  ASSERT_NE(dll.Load(), nullptr);
  EXPECT_TRUE(dll.Usable());
  EXPECT_EQ(dll.Filters(),
            "PLT File(*.plt)|*.PLT|Illustrator 88,3.0(*.EPS;*.AI)|*.EPS;*.AI|AutoCad (R12-R14)(*.DXF)|*.DXF||");
  ASSERT_NE(dll.dllGetVersion, nullptr);
  // A missing plug-in is reported by the holder and not used.
  CImportDll missing;
  missing.SetFileName("NoSuchImport.dll");
  EXPECT_EQ(missing.Load(), nullptr);
  EXPECT_FALSE(missing.Usable());
  EXPECT_EQ(sink.boxes.size(), 1u);
}

TEST_F(ImportTest, DialogReadsAPltFileAndKeepsItsFolder) {
  ASSERT_NE(StartApp(), nullptr);
  std::filesystem::create_directories(Path("in.dir"));
  const std::string file = Path("in.dir/square.PLT");
  WriteBytes(file, std::vector<std::uint8_t>{'P', 'U', '0', ',', '0', ';', 'P', 'D', '4', '0', '0', '0', ',', '0',
                                             ',', '4', '0', '0', '0', ',', '4', '0', '0', '0', ';'});
  Pick(file);
  plat::HGLOBAL obj = 0, text = 0;
  EXPECT_EQ(ShowImportDialog(&obj, &text), kImportPlt);
  EXPECT_EQ(title, "File Importing...");
  EXPECT_EQ(filters, 6u);  // three own types and the plug-in's three
  EXPECT_EQ(text, 0u);
  ASSERT_NE(obj, 0u);
  std::unique_ptr<CSegArray> list = CSegArray::UnpackFromGlobal(obj);
  plat::GlobalFree(obj);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->GetSize(), 1);
  EXPECT_FLOAT_EQ(list->GetAt(0)->bounds.right, 100);  // plotter units to millimetres
  EXPECT_EQ(g_Profile.GetString("SystemParam", "FilePath", ""), Path("in.dir"));
}

TEST_F(ImportTest, CancelLeavesTheFolderAlone) {
  ASSERT_NE(StartApp(), nullptr);
  g_Profile.WriteString("SystemParam", "FilePath", "C:\\SIGNS\\");
  Pick("");
  plat::HGLOBAL obj = 1, text = 1;
  EXPECT_EQ(ShowImportDialog(&obj, &text), kImportCancelled);
  EXPECT_EQ(obj, 0u);
  EXPECT_EQ(text, 0u);
  EXPECT_EQ(g_Profile.GetString("SystemParam", "FilePath", ""), "C:\\SIGNS\\");
  EXPECT_EQ(initialDir, plat::MapWindowsPath("C:\\SIGNS"));
}

TEST_F(ImportTest, TextOldDocumentsAndTheCommand) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  auto* doc = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
  ASSERT_NE(doc, nullptr);
  main->OnTextEditor();
  CUndoList undo;

  WriteBytes(Path("note.txt"), {'S', 'i', 'g', 'n'});
  Pick(Path("note.txt"));
  EXPECT_EQ(RunImportCommand(*doc, &undo, &main->GetTextEditor()), kImportText);
  EXPECT_NE(main->GetTextEditor().GetText().find("Sign"), std::string::npos);

  WriteBytes(Path("empty.txt"), {});
  Pick(Path("empty.txt"));
  EXPECT_EQ(RunImportCommand(*doc, &undo, &main->GetTextEditor()), kImportText);
  EXPECT_TRUE(sink.boxes.empty());

  WriteBytes(Path("old.v95"), OldFile(Cat({OldPath({{0, 0, 0x11}, {10, 0, 1}, {10, 10, 0x41}}), {0xFF}})));
  Pick(Path("old.v95"));
  const int before = doc->GetObjectCount();
  EXPECT_EQ(RunImportCommand(*doc, &undo, &main->GetTextEditor()), kImportOldDocument);
  EXPECT_EQ(doc->GetObjectCount(), before + 1);
  EXPECT_EQ(undo.GetSize(), 1);

  // Nothing to bring: the format message.
  WriteBytes(Path("bad.plt"), {'P', 'U', ';'});
  Pick(Path("bad.plt"));
  EXPECT_EQ(RunImportCommand(*doc, &undo, &main->GetTextEditor()), kImportPlt);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "File Format error !        ");
  EXPECT_EQ(sink.boxes[0].caption, "Error!");
  EXPECT_EQ(doc->GetObjectCount(), before + 1);
}

TEST_F(ImportTest, TheViewsImportIsOneStepOfItsUndoList) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  auto* view = dynamic_cast<CVORLAN98View*>(main->GetActiveView());
  ASSERT_NE(view, nullptr);
  auto* doc = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
  ASSERT_NE(doc, nullptr);
  const int before = doc->GetObjectCount();
  const int steps = view->GetUndoList()->GetSize();

  WriteBytes(Path("two.v95"), OldFile(Cat({OldPath({{0, 0, 0x11}, {10, 0, 1}, {10, 10, 0x41}}),
                                           OldPath({{5, 5, 0x11}, {20, 5, 0x41}}), {0xFF}})));
  Pick(Path("two.v95"));
  view->OnFileImport();
  EXPECT_EQ(doc->GetObjectCount(), before + 2);
  ASSERT_EQ(view->GetUndoList()->GetSize(), steps + 1);

  EXPECT_TRUE(view->GetUndoList()->UndoLastStep(*view));
  EXPECT_EQ(doc->GetObjectCount(), before);
  EXPECT_EQ(view->GetUndoList()->GetSize(), steps);
}

TEST(OldDocument, EveryRecordCode) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  const std::vector<std::uint8_t> data =
      Cat({{0xFC}, OldPath({{0, 0, 0x11}, {10.5f, 0, 1}, {-3, 7, 0x21}}), {0xFD}, OldLibPic(), OldImage("logo.bmp"),
           {0x86, 3, 0, 0, 0, 9, 9, 9, 9}, OldText(2, 1), {0xFE},
           OldGroup(2, Cat({OldPath({{0, 0, 0x11}, {5, 5, 0x21}}), OldImage("b.tif")})), {0xFF}, OldLibPic()});
  const std::vector<std::uint8_t> block = COldDocReader::ConvertData(data.data(), data.size());
  EXPECT_EQ(Letters(block), "#\"(!)");
  EXPECT_EQ(block[0], 2);
  EXPECT_EQ(plat::GetU32(block.data() + 1), block.size() - 1);
  EXPECT_EQ(block[block.size() - 2], 254);
  EXPECT_EQ(block.back(), 255);
  // The path: 9-byte points and an end point.
  const std::uint8_t* path = block.data() + 5;
  EXPECT_EQ(plat::GetU32(path + 1), 69u + 9 * 4);
  EXPECT_EQ(plat::GetU32(path + 64), 4u);
  float x;
  std::memcpy(&x, path + 68 + 9, 4);
  EXPECT_FLOAT_EQ(x, 10.5f);
  std::memcpy(&x, path + 68 + 18, 4);
  EXPECT_FLOAT_EQ(x, -3);
  EXPECT_EQ(path[68 + 27 + 8], 0xFF);
  // Library picture and image records have their fixed lengths.
  const std::uint8_t* pic = path + plat::GetU32(path + 1);
  EXPECT_EQ(plat::GetU32(pic + 1), 71u);
  EXPECT_EQ(plat::GetU16(pic + 60), 7);
  EXPECT_EQ(plat::GetU16(pic + 6), 0x100);
  const std::uint8_t* img = pic + 71;
  EXPECT_EQ(plat::GetU32(img + 1), 85u);
  EXPECT_STREQ(reinterpret_cast<const char*>(img + 24), "logo.bmp");
  // The group holds its two members in a nested block; the design program reads it.
  std::unique_ptr<CSegArray> list = CSegArray::UnpackFromBuffer(block.data(), block.size());
  ASSERT_TRUE(list);
  EXPECT_EQ(list->GetAt(0)->kind, OBJ_PATH);

  const std::vector<std::uint8_t> empty = COldDocReader::ConvertData(std::vector<std::uint8_t>{0xFF}.data(), 1);
  EXPECT_EQ(empty, (std::vector<std::uint8_t>{2, 6, 0, 0, 0, 254, 255}));
}

TEST(OldDocument, TextRecordsBecomeTexts) {
  RegisterTextRecordReaders();
  // Two characters and a box gap, as the old program stored them.
  std::vector<std::uint8_t> v = {0x82};
  Bounds(v, 5, 10, 60, 30);
  for (float f : {2.f, 0.f, 0.f, 0.f, 2.f, 0.f, 1.f, 1.f, 1.f}) F32(v, f);
  U32(v, 3);
  v.resize(70, 0);
  auto oldChar = [&](std::uint16_t kind, std::uint16_t code, float x, float y, std::uint32_t colour) {
    const std::size_t at = v.size();
    v.push_back(18);
    v.push_back(std::uint8_t(kind));
    v.push_back(std::uint8_t(kind >> 8));
    for (float f : {10.f, 12.f, 0.f, 0.f, 0.5f}) F32(v, f);
    v.push_back(std::uint8_t(code));
    v.push_back(std::uint8_t(code >> 8));
    for (float f : {0.f, 0.f, 0.f, x, y - 12, x + 5, y, x, y}) F32(v, f);
    U32(v, colour);
    v.push_back(7);
    v.push_back(0);
    EXPECT_EQ(v.size() - at, 67u);
  };
  v.push_back(17);
  v.push_back(0x00);
  v.push_back(0x80);
  v.push_back(1);
  v.push_back(0);
  U32(v, 0x3F800000);  // 1.0 mm
  U32(v, 0);
  v.push_back(0);
  v.push_back(0);
  EXPECT_EQ(v.size(), 70u + 15u);
  oldChar(0x0000, 'A', 5, 22, 0x112233);
  oldChar(0x4086, 0xB0A1, 15, 22, 0x445566);
  const std::vector<std::uint8_t> data = Cat({v, {0xFF}});
  const std::vector<std::uint8_t> block = COldDocReader::ConvertData(data.data(), data.size());
  ASSERT_EQ(Letters(block), "!");
  std::unique_ptr<CSegArray> list = CSegArray::UnpackFromBuffer(block.data(), block.size());
  ASSERT_TRUE(list);
  ASSERT_EQ(list->GetSize(), 1);
  auto* text = static_cast<CTextObject*>(list->GetAt(0));
  ASSERT_EQ(text->kind, OBJ_TEXT);
  EXPECT_EQ(text->GetArrangeKind(), 0);
  EXPECT_EQ(text->matrix.m00, 2.0f);
  EXPECT_EQ(text->matrix.m20, 1.0f);
  ASSERT_EQ(text->chars.GetSize(), 3);
  const auto* gap = static_cast<const CBoxCode*>(text->chars.GetAt(0));
  ASSERT_TRUE(gap->IsCode());
  EXPECT_EQ(gap->code, 1);
  EXPECT_EQ(gap->value, 0x3F800000u);
  const CBoxChar* a = text->chars.CharAt(1);
  const CBoxChar* g = text->chars.CharAt(2);
  ASSERT_TRUE(a && g);
  EXPECT_EQ(a->code, 'A');
  EXPECT_EQ(g->code, 0xB0A1);
  EXPECT_EQ(g->kind, 0x4086);
  EXPECT_EQ(a->sizeY, 12.0f);
  EXPECT_EQ(a->advanceRatio, 0.5f);
  EXPECT_EQ(g->x, 15.0f);
  EXPECT_EQ(g->y, 22.0f);
  EXPECT_EQ(g->color, 0x445566u);
  EXPECT_EQ(g->fontId, 7);
  EXPECT_EQ(g->flags, 0);
  EXPECT_EQ(text->bounds, CFRect(5, 10, 60, 30));
  // Written again by the design program, it reads back the same.
  plat::HGLOBAL h = 0;
  const std::uint32_t n = text->WriteRecord(&h);
  ASSERT_GT(n, 0u);
  {
    plat::GlobalLockGuard lock(h);
    EXPECT_TRUE(CTextObject::LoadFromRecord(lock.bytes(), n));
  }
  plat::GlobalFree(h);

  // Without a character there is no text; a bad item keeps the ones before it.
  const std::vector<std::uint8_t> controls = Cat({OldText(0, 2), {0xFF}});
  EXPECT_EQ(Letters(COldDocReader::ConvertData(controls.data(), controls.size())), "");
  std::vector<std::uint8_t> broken = OldText(2, 0);
  broken[70 + 67] = 5;  // neither a character nor a control
  EXPECT_EQ(Letters(COldDocReader::ConvertData(broken.data(), broken.size())), "!");
}

TEST(OldDocument, BadGroupMemberEndsTheWalkKeepingWhatWasRead) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  const std::vector<std::uint8_t> inner = OldGroup(3, Cat({OldPath({{0, 0, 0x11}, {5, 5, 0x21}}), {0xFC}}));
  const std::vector<std::uint8_t> data = Cat({OldGroup(2, inner), OldLibPic(), {0xFF}});
  const std::vector<std::uint8_t> block = COldDocReader::ConvertData(data.data(), data.size());
  EXPECT_EQ(Letters(block), ")");
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "Error In Read File Data Group");
  EXPECT_EQ(sink.boxes[0].caption, "ERROR");

  // A point run without its end, a skip block past the end, nesting beyond 64.
  const std::vector<std::uint8_t> open = OldPath({{0, 0, 0x11}, {5, 5, 0x21}}, false);
  EXPECT_EQ(Letters(COldDocReader::ConvertData(open.data(), open.size())), "#");
  const std::vector<std::uint8_t> skip = Cat({OldLibPic(), {0x86, 0xFF, 0xFF, 0xFF, 0xFF}, OldLibPic()});
  EXPECT_EQ(Letters(COldDocReader::ConvertData(skip.data(), skip.size())), "\"");
  std::vector<std::uint8_t> deep = OldPath({{0, 0, 0x11}, {5, 5, 0x21}});
  for (int i = 0; i < 100; ++i) deep = OldGroup(1, deep);
  sink.clear();
  COldDocReader::ConvertData(deep.data(), deep.size());
  EXPECT_EQ(sink.boxes.size(), 1u);
}

TEST(OldDocument, PrefixesAndByteChanges) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  const std::vector<std::uint8_t> data =
      Cat({OldPath({{0, 0, 0x11}, {1, 1, 0x21}}), OldLibPic(), OldImage("x"), {0x86, 1, 0, 0, 0, 0, 0},
           OldText(1, 1), OldGroup(2, Cat({OldPath({{0, 0, 0x11}, {5, 5, 0x21}}), OldLibPic()})), {0xFF}});
  auto check = [](const std::vector<std::uint8_t>& d) {
    const std::vector<std::uint8_t> b = COldDocReader::ConvertData(d.data(), d.size());
    ASSERT_GE(b.size(), 7u);
    ASSERT_EQ(plat::GetU32(b.data() + 1), b.size() - 1);
    CSegArray::UnpackFromBuffer(b.data(), b.size());
  };
  for (std::size_t n = 0; n <= data.size(); ++n) check(std::vector<std::uint8_t>(data.begin(), data.begin() + n));
  for (std::size_t i = 0; i < data.size(); ++i)
    for (std::uint8_t b : {0x00, 0xFF, 0x81, 0x84, 0x86, 0x7F}) {
      std::vector<std::uint8_t> d = data;
      d[i] = b;
      check(d);
    }
}

TEST(OldDocument, HeaderChecks) {
  char tmpl[] = "/tmp/tindrel-old-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  COldDocReader r;
  plat::HGLOBAL h = 0;
  EXPECT_EQ(r.Run(&h, (dir + "/missing.v95").c_str()), kDocCannotOpen);
  std::vector<std::uint8_t> wrong = OldFile({0xFF});
  wrong[0] = 'X';
  WriteBytes(dir + "/wrong.v95", wrong);
  EXPECT_EQ(COldDocReader().Run(&h, (dir + "/wrong.v95").c_str()), kDocBadHeader);
  std::vector<std::uint8_t> far = OldFile({0xFF});
  plat::PutU32(far.data() + 52, 1u << 30);
  WriteBytes(dir + "/far.v95", far);
  EXPECT_EQ(COldDocReader().Run(&h, (dir + "/far.v95").c_str()), kDocBadHeader);
  WriteBytes(dir + "/ok.v95", OldFile({0xFF}));
  EXPECT_EQ(COldDocReader().Run(&h, (dir + "/ok.v95").c_str()), kDocReadOk);
  ASSERT_NE(h, 0u);
  {
    plat::GlobalLockGuard lock(h);
    EXPECT_EQ(lock.bytes()[0], 2);
    EXPECT_EQ(plat::GetU32(lock.bytes() + 1), 6u);
    EXPECT_EQ(lock.bytes()[5], 254);
    EXPECT_EQ(lock.bytes()[6], 255);
  }
  plat::GlobalFree(h);
  std::filesystem::remove_all(dir);
}

TEST_F(ImportTest, ImportCommandOfTheDesignView) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  auto* doc = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
  ASSERT_NE(doc, nullptr);
  const int before = doc->GetObjectCount();
  WriteBytes(Path("a.eps"), std::vector<std::uint8_t>{'0', ' ', '0', ' ', 'm', ' ', '7', '2', ' ', '0', ' ', 'l',
                                                      ' ', '7', '2', ' ', '7', '2', ' ', 'l', ' ', 's', '\n'});
  Pick(Path("a.eps"));
  fw::CView* view = main->GetActiveView();
  ASSERT_NE(view, nullptr);
  view->SendMessage(fw::WM_COMMAND, appid::ID_FILE_IMPORT, 0);
  ASSERT_EQ(doc->GetObjectCount(), before + 1);
  EXPECT_NEAR(doc->GetObjectAt(before)->bounds.right, 25.4, 1e-3);  // 72 points, an inch
  // HPGL with and without ';' comes in at its real size: 4000 plotter units are 100 mm.
  const std::string withSemicolons = "IN;PU0,0;PD4000,0,4000,2000,0,2000,0,0;PU;";
  const std::string withoutThem = "IN PU0,0 PD4000,0,4000,2000,0,2000,0,0 PU";
  for (const std::string& text : {withSemicolons, withoutThem}) {
    WriteBytes(Path("h.plt"), std::vector<std::uint8_t>(text.begin(), text.end()));
    Pick(Path("h.plt"));
    const int count = doc->GetObjectCount();
    view->SendMessage(fw::WM_COMMAND, appid::ID_FILE_IMPORT, 0);
    ASSERT_EQ(doc->GetObjectCount(), count + 1) << text;
    EXPECT_FLOAT_EQ(doc->GetObjectAt(count)->bounds.right, 100) << text;
    EXPECT_FLOAT_EQ(doc->GetObjectAt(count)->bounds.bottom, 50) << text;
  }
  EXPECT_TRUE(sink.boxes.empty());
}
