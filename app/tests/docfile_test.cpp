#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

#include "app/appids.h"
#include "app/settingsload.h"
#include "model/settings.h"
#include "model/records.h"
#include <functional>
#include "app/document.h"
#include "app_fixture.h"
#include "framework/controls.h"
#include "platform/bytes.h"
#include "platform/codepage.h"

using namespace apptest;

namespace {

std::uint32_t Dir(const std::vector<std::uint8_t>& b, int i) { return plat::GetU32(b.data() + 16 + 4 * i); }
void SetDir(std::vector<std::uint8_t>& b, int i, std::uint32_t v) { plat::PutU32(b.data() + 16 + 4 * i, v); }

class DocFileTest : public AppTest {
 protected:
  // A started program whose new document holds a path, a group and editor text.
  CVORLAN98Doc* StartWithDesign() {
    CMDIMainFrame* main = StartApp();
    EXPECT_NE(main, nullptr);
    auto* doc = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
    EXPECT_NE(doc, nullptr);
    doc->AddObject(MakeRectPath(100, 100, 300, 200).release());
    doc->AddObject(MakeGroup().release());
    main->OnTextEditor();
    main->GetTextEditor().GetEdit()->SetWindowText("标牌 Sign 40");
    return doc;
  }
  CVORLAN98Doc* ActiveDoc() {
    auto* main = dynamic_cast<CMDIMainFrame*>(app->m_pMainWnd);
    return main ? dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument()) : nullptr;
  }
  std::vector<std::uint8_t> SavedDesign() {
    CVORLAN98Doc* doc = StartWithDesign();
    EXPECT_TRUE(doc->OnSaveDocument(Path("design.t98")));
    StopApp();
    return ReadBytes(Path("design.t98"));
  }
};

TEST_F(DocFileTest, HeaderDirectoryAndSectionsOfASavedFile) {
  const std::vector<std::uint8_t> b = SavedDesign();
  ASSERT_GT(b.size(), 100u);
  EXPECT_EQ(0, std::memcmp(b.data(), "CVF98\0\0\0\0\0\0\0", 12));
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 12, b.begin() + 16), (std::vector<std::uint8_t>{0, 0, 0xC0, 0x40}));
  EXPECT_EQ(Dir(b, 0), 32u);
  EXPECT_EQ(Dir(b, 1), 48u);
  std::uint32_t last = 0;
  for (int i = 1; i <= 5; ++i) {
    if (Dir(b, i) == 0) continue;
    EXPECT_GT(Dir(b, i), last) << i;
    last = Dir(b, i);
  }
  EXPECT_NE(Dir(b, 2), 0u);
  EXPECT_NE(Dir(b, 3), 0u);
  EXPECT_EQ(Dir(b, 4), 0u);  // no view rulers, no guide lines
  EXPECT_NE(Dir(b, 5), 0u);
  EXPECT_EQ(Dir(b, 6), 0u);
  EXPECT_EQ(Dir(b, 7), 0u);
  // Page record: its size and the new page 400 x 900.
  EXPECT_EQ(plat::GetU32(b.data() + 48), 32u);
  EXPECT_EQ(std::bit_cast<float>(plat::GetU32(b.data() + 52)), 400.0f);
  EXPECT_EQ(std::bit_cast<float>(plat::GetU32(b.data() + 56)), 900.0f);
  // Editor text in GBK with its zero, counted.
  const std::string gbk = plat::Utf8ToGbk("标牌 Sign 40");
  const std::uint32_t at = Dir(b, 3);
  EXPECT_EQ(plat::GetU32(b.data() + at), gbk.size() + 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + at + 4)), gbk);
  // Object block: version byte, its length up to the end byte 254, the end of the file.
  const std::uint32_t objects = Dir(b, 5);
  EXPECT_EQ(b[objects], 2);
  EXPECT_EQ(objects + plat::GetU32(b.data() + objects + 1), b.size());
  EXPECT_EQ(b.back(), 254);
}

TEST_F(DocFileTest, ReopenedDesignSavesByteIdentical) {
  const std::vector<std::uint8_t> first = SavedDesign();
  // A fresh program opens the file from its command line.
  CMDIMainFrame* main = StartApp(Path("design.t98"));
  ASSERT_TRUE(started);
  CVORLAN98Doc* doc = ActiveDoc();
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->GetObjectCount(), 2);
  EXPECT_EQ(doc->GetObjectAt(1)->kind, OBJ_GROUP);
  EXPECT_EQ(main->GetTextEditor().GetText(), "标牌 Sign 40");
  EXPECT_FALSE(doc->IsModified());
  ASSERT_TRUE(doc->OnSaveDocument(Path("again.t98")));
  EXPECT_EQ(ReadBytes(Path("again.t98")), first);
  EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(DocFileTest, FontTableOfTheLanguagesRoundTrips) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  WriteBytes(Path("VORLAN98.INI"), {});
  {
    std::ofstream ini(Path("VORLAN98.INI"));
    ini << "[LANGUAGE0]\nID=0\nNAME=English\n[LANGUAGE1]\nID=134\nNAME=Chinese\n";
  }
  const std::string savedIni = g_IniFile.GetPath();
  g_IniFile.SetPath(Path("VORLAN98.INI"));
  LoadAppSettings(SETTINGS_FONTS, nullptr);
  auto* doc = dynamic_cast<CVORLAN98Doc*>(main->GetActiveDocument());
  doc->AddObject(MakeRectPath(0, 0, 5, 5).release());
  ASSERT_TRUE(doc->OnSaveDocument(Path("fonts.t98")));
  const std::vector<std::uint8_t> first = ReadBytes(Path("fonts.t98"));
  // The table's size field counts 14-byte records, one per font source.
  EXPECT_EQ(plat::GetU32(first.data() + Dir(first, 2)) % 14, 0u);
  CVORLAN98Doc reopened;
  ASSERT_TRUE(reopened.OnOpenDocument(Path("fonts.t98")));
  ASSERT_TRUE(reopened.OnSaveDocument(Path("fonts2.t98")));
  EXPECT_EQ(ReadBytes(Path("fonts2.t98")), first);
  EXPECT_TRUE(sink.boxes.empty());
  g_IniFile.SetPath(savedIni);
  LoadAppSettings(SETTINGS_FONTS, nullptr);
}

TEST_F(DocFileTest, DocumentWithoutTextOrObjectsLeavesThoseEntriesZero) {
  ScopedLanguages none(Path("none.ini"));  // no language slots: an empty font table
  CVORLAN98Doc doc;
  ASSERT_TRUE(doc.OnNewDocument());
  ASSERT_TRUE(doc.OnSaveDocument(Path("empty.t98")));
  const std::vector<std::uint8_t> b = ReadBytes(Path("empty.t98"));
  EXPECT_EQ(Dir(b, 3), 0u);
  EXPECT_EQ(Dir(b, 5), 0u);
  // The empty text section is still there: one u32 0 after the font table.
  EXPECT_EQ(b.size(), 48u + 32u + 4u + 4u);
  CVORLAN98Doc reopened;
  EXPECT_TRUE(reopened.OnOpenDocument(Path("empty.t98")));
  EXPECT_EQ(reopened.GetObjectCount(), 0);
  EXPECT_TRUE(sink.boxes.empty());
}

struct HostileCase {
  const char* name;
  std::function<void(std::vector<std::uint8_t>&)> damage;
  const char* text;
  const char* caption;
};

TEST_F(DocFileTest, HostileFilesAreRefusedWithTheirMessage) {
  const std::vector<std::uint8_t> good = SavedDesign();
  const std::uint32_t text = Dir(good, 3), objects = Dir(good, 5), fonts = Dir(good, 2);
  const char* format = kDocFormatError;
  const char* version = kDocVersionError;
  auto cut = [](std::size_t n) { return [n](std::vector<std::uint8_t>& b) { b.resize(n); }; };
  const std::vector<HostileCase> cases = {
      {"empty file", cut(0), format, "Error!"},
      {"cut in the header", cut(10), version, "Error!"},
      {"cut before the directory", cut(16), format, "Error!"},
      {"cut in the directory", cut(30), format, "Error!"},
      {"cut before the page record", cut(48), format, "Error!"},
      {"cut in the page record", cut(60), format, "Error!"},
      {"cut before the font table", cut(fonts), format, "Error!"},
      {"cut before the text", cut(text), format, "Error!"},
      {"cut in the text", cut(text + 6), format, "Error!"},
      {"cut before the objects", cut(objects), format, "Error!"},
      {"cut in the objects", cut(objects + 40), format, "Error!"},
      {"cut before the end byte", cut(good.size() - 1), format, "Error!"},
      {"object entry past the end", [](auto& b) { SetDir(b, 5, std::uint32_t(b.size() + 100)); }, format, "Error!"},
      {"text entry past the end", [](auto& b) { SetDir(b, 3, 0xFFFFFFF0u); }, format, "Error!"},
      {"guide entry past the end", [](auto& b) { SetDir(b, 4, std::uint32_t(b.size())); }, format, "Error!"},
      {"entry inside the header", [](auto& b) { SetDir(b, 1, 8); }, format, "Error!"},
      {"huge text length", [text](auto& b) { plat::PutU32(b.data() + text, 0xFFFFFFFFu); }, format, "Error!"},
      {"huge object block", [objects](auto& b) { plat::PutU32(b.data() + objects + 1, 0x7FFFFFFFu); }, format,
       "Error!"},
      {"huge font table", [fonts](auto& b) { plat::PutU32(b.data() + fonts, 0xFFFFFFF0u); }, format, "Error!"},
      {"version 6.3", [](auto& b) { plat::PutU32(b.data() + 12, std::bit_cast<std::uint32_t>(6.3f)); }, version,
       "Error!"},
      {"magic CVF98X", [](auto& b) { b[5] = 'X'; }, format, "Error!"},
      {"other magic", [](auto& b) { b[0] = 'X'; }, format, "Error!"},
      {"page entry 0", [](auto& b) { SetDir(b, 1, 0); }, format, "Error!"},
      {"font entry 0", [](auto& b) { SetDir(b, 2, 0); }, format, "Error!"},
      {"object block of another kind", [objects](auto& b) { b[objects] = 3; }, format, "Error!"},
      {"bad record", [objects](auto& b) { b[objects + 5] = 'Z'; }, "非法的CSegArray数据结构!", "数据结构错"},
      {"record length 3", [objects](auto& b) { plat::PutU32(b.data() + objects + 6, 3); }, "非法的CSegArray数据结构!",
       "数据结构错"},
      {"record past the end byte",
       [objects](auto& b) { plat::PutU32(b.data() + objects + 6, plat::GetU32(b.data() + objects + 1)); },
       "非法的CSegArray数据结构!", "数据结构错"},
      {"no end byte", [](auto& b) { b.back() = 0; }, "非法的CSegArray数据结构!", "数据结构错"},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> bytes = good;
    c.damage(bytes);
    WriteBytes(Path("bad.t98"), bytes);
    sink.clear();
    CVORLAN98Doc doc;
    EXPECT_FALSE(doc.OnOpenDocument(Path("bad.t98")));
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, c.text);
    EXPECT_EQ(sink.boxes[0].caption, c.caption);
  }
}

TEST_F(DocFileTest, LargeDesignReadsThroughTheWindowIntact) {
  CVORLAN98Doc doc;
  ASSERT_TRUE(doc.OnNewDocument());
  for (int p = 0; p < 120; ++p) {
    auto path = std::make_unique<CPathObject>();
    for (int i = 0; i < 3000; ++i) path->AddPoint(float(p), float(i), i == 0 ? 0x11 : (i == 2999 ? 0x41 : 0x01));
    path->EndPoints();
    doc.AddObject(path.release(), false);
  }
  ASSERT_TRUE(doc.OnSaveDocument(Path("large.t98")));
  CVORLAN98Doc reopened;
  ASSERT_TRUE(reopened.OnOpenDocument(Path("large.t98")));
  EXPECT_EQ(reopened.GetObjectCount(), 120);
  ASSERT_TRUE(reopened.OnSaveDocument(Path("large2.t98")));
  EXPECT_EQ(ReadBytes(Path("large2.t98")), ReadBytes(Path("large.t98")));
  EXPECT_GT(ReadBytes(Path("large.t98")).size(), 3000000u);
  EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(DocFileTest, DamagedBytesNeverCrashTheReaders) {
  const std::vector<std::uint8_t> good = SavedDesign();
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 400; ++round) {
    std::vector<std::uint8_t> bytes = good;
    const int changes = 1 + int(next() % 4);
    for (int k = 0; k < changes; ++k) bytes[next() % bytes.size()] = std::uint8_t(next() >> 16);
    if (round % 7 == 0) bytes.resize(next() % bytes.size());
    WriteBytes(Path("fuzz.t98"), bytes);
    sink.clear();
    CVORLAN98Doc doc;
    const bool opened = doc.OnOpenDocument(Path("fuzz.t98"));
    EXPECT_LE(sink.boxes.size(), 1u);
    if (!opened) EXPECT_EQ(sink.boxes.size(), 1u) << round;
    CDocHeaderReader reader;
    reader.Read(Path("fuzz.t98").c_str());
  }
}

TEST_F(DocFileTest, MissingFileAndFolderAreOpenErrors) {
  for (const std::string& path : {Path("none.t98"), dir}) {
    sink.clear();
    CVORLAN98Doc doc;
    EXPECT_FALSE(doc.OnOpenDocument(path));
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, "Open error!  ");
    EXPECT_EQ(sink.boxes[0].caption, "Error!");
  }
}

TEST_F(DocFileTest, AFifoInPlaceOfTheFileIsRefusedAtOnce) {
  ASSERT_EQ(::mkfifo(Path("pipe.t98").c_str(), 0600), 0);
  CVORLAN98Doc doc;
  EXPECT_FALSE(doc.OnOpenDocument(Path("pipe.t98")));
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "Open error!  ");
}

TEST_F(DocFileTest, BadRecordKeepsTheObjectsBeforeIt) {
  std::vector<std::uint8_t> b = SavedDesign();
  const std::uint32_t objects = Dir(b, 5);
  const std::uint32_t first = plat::GetU32(b.data() + objects + 6);
  b[objects + 5 + first] = 'Z';  // the group's letter
  WriteBytes(Path("bad.t98"), b);
  CVORLAN98Doc doc;
  EXPECT_FALSE(doc.OnOpenDocument(Path("bad.t98")));
  EXPECT_EQ(doc.GetObjectCount(), 1);
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].caption, "数据结构错");
}

TEST_F(DocFileTest, HeaderReaderCodes) {
  const std::vector<std::uint8_t> good = SavedDesign();
  struct Case {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    int code;
  };
  const std::vector<Case> cases = {
      {"good", [](auto&) {}, 0},
      {"version 6.3 accepted", [](auto& b) { plat::PutU32(b.data() + 12, std::bit_cast<std::uint32_t>(6.3f)); }, 0},
      {"version 6.5 accepted", [](auto& b) { plat::PutU32(b.data() + 12, std::bit_cast<std::uint32_t>(6.5f)); }, 0},
      {"CVF98X accepted", [](auto& b) { b[5] = 'X'; }, 0},
      {"version 7.0", [](auto& b) { plat::PutU32(b.data() + 12, std::bit_cast<std::uint32_t>(7.0f)); }, 133},
      {"version 5.9", [](auto& b) { plat::PutU32(b.data() + 12, std::bit_cast<std::uint32_t>(5.9f)); }, 133},
      {"version NaN", [](auto& b) { plat::PutU32(b.data() + 12, 0x7FC00000u); }, 133},
      {"other magic", [](auto& b) { b[1] = 'X'; }, 127},
      {"cut in the directory", [](auto& b) { b.resize(20); }, 127},
      {"entry past the end", [](auto& b) { SetDir(b, 5, std::uint32_t(b.size() + 1)); }, 127},
      {"huge text length", [&](auto& b) { plat::PutU32(b.data() + Dir(good, 3), 0xFFFFFFFFu); }, 127},
      {"huge object block", [&](auto& b) { plat::PutU32(b.data() + Dir(good, 5) + 1, 0xFFFFFFFFu); }, 127},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> bytes = good;
    c.damage(bytes);
    WriteBytes(Path("other.t98"), bytes);
    CDocHeaderReader reader;
    EXPECT_EQ(reader.Read(Path("other.t98").c_str()), c.code);
    if (c.code == 0) {
      ASSERT_NE(reader.m_objectBlock, 0u);
      plat::GlobalLockGuard lock(reader.m_objectBlock);
      EXPECT_EQ(lock.bytes()[0], 2);
      ASSERT_NE(reader.m_textBlock, 0u);
      EXPECT_EQ(std::string(plat::GlobalLockGuard(reader.m_textBlock).as<char>()), plat::Utf8ToGbk("标牌 Sign 40"));
    } else {
      EXPECT_EQ(reader.m_objectBlock, 0u);
      EXPECT_EQ(reader.m_textBlock, 0u);
    }
  }
  CDocHeaderReader missing;
  EXPECT_EQ(missing.Read(Path("missing.t98").c_str()), 126);
  EXPECT_TRUE(sink.boxes.empty());
}

TEST_F(DocFileTest, HeaderReaderPageRecordAndRun) {
  SavedDesign();
  CDocHeaderReader reader;
  reader.SetPath(Path("design.t98").c_str());
  ASSERT_EQ(reader.Open(), 0);
  ASSERT_EQ(reader.ReadPageRecord(), 0);
  EXPECT_EQ(plat::GetU32(reader.m_pageRecord), 32u);
  EXPECT_EQ(std::bit_cast<float>(plat::GetU32(reader.m_pageRecord + 4)), 400.0f);
  // The base conversion is not there: 132, no result.
  CDocHeaderReader runner;
  plat::HGLOBAL result = 1;
  EXPECT_EQ(runner.Run(&result, Path("design.t98").c_str()), 132);
  EXPECT_EQ(result, 0u);
}

class SaveFailureTest : public DocFileTest {
 protected:
  // Saves the modified document over a file holding `old`; the save must fail
  // and leave the old file, the mark and no temporary file behind.
  void ExpectFailedSave(CVORLAN98Doc& doc, const std::vector<std::uint8_t>& old, const char* what) {
    SCOPED_TRACE(what);
    sink.clear();
    doc.SetModifiedFlag(fw::TRUE);
    EXPECT_FALSE(doc.OnSaveDocument(Path("target.t98")));
    EXPECT_EQ(ReadBytes(Path("target.t98")), old);
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, "Create error!");
    EXPECT_EQ(sink.boxes[0].caption, "Error!");
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
      if (e.is_regular_file()) ++files;
    EXPECT_EQ(files, 1);
  }
};

TEST_F(SaveFailureTest, InjectedFailuresKeepTheOldFile) {
  const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
  WriteBytes(Path("target.t98"), old);
  CVORLAN98Doc doc;
  ASSERT_TRUE(doc.OnNewDocument());
  doc.AddObject(MakeRectPath(0, 0, 10, 10).release());
  doc.AddObject(MakeGroup().release());

  TestDocWriteFaults() = {};
  TestDocWriteFaults().create = true;
  ExpectFailedSave(doc, old, "create");
  int writes = 0;
  for (int n = 1; n < 100; ++n) {
    TestDocWriteFaults() = {};
    TestDocWriteFaults().writeNumber = n;
    doc.SetModifiedFlag(fw::TRUE);
    sink.clear();
    if (doc.OnSaveDocument(Path("scratch.t98"))) break;  // fewer writes than n
    std::filesystem::remove(Path("scratch.t98"));
    ExpectFailedSave(doc, old, ("write " + std::to_string(n)).c_str());
    writes = n;
  }
  std::filesystem::remove(Path("scratch.t98"));
  EXPECT_GE(writes, 6);  // header, directory, four sections, directory again
  TestDocWriteFaults() = {};
  TestDocWriteFaults().sync = true;
  ExpectFailedSave(doc, old, "flush");
  TestDocWriteFaults() = {};
  TestDocWriteFaults().rename = true;
  ExpectFailedSave(doc, old, "rename");

  TestDocWriteFaults() = {};
  sink.clear();
  EXPECT_TRUE(doc.OnSaveDocument(Path("target.t98")));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_NE(ReadBytes(Path("target.t98")), old);
}

TEST_F(SaveFailureTest, AFolderThatCannotTakeTheFileKeepsTheMark) {
  CVORLAN98Doc doc;
  ASSERT_TRUE(doc.OnNewDocument());
  doc.SetModifiedFlag(fw::TRUE);
  EXPECT_FALSE(doc.OnSaveDocument(Path("no/such/folder/x.t98")));
  EXPECT_TRUE(doc.IsModified());
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "Create error!");
}

TEST_F(DocFileTest, SaveKeepsModeAndReplacesALinksTarget) {
  WriteBytes(Path("real.t98"), {'x'});
  ::chmod(Path("real.t98").c_str(), 0640);
  std::filesystem::create_symlink(Path("real.t98"), Path("link.t98"));
  CVORLAN98Doc doc;
  ASSERT_TRUE(doc.OnNewDocument());
  doc.AddObject(MakeRectPath(0, 0, 10, 10).release());
  ASSERT_TRUE(doc.OnSaveDocument(Path("link.t98")));
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link.t98")));
  struct stat st;
  ASSERT_EQ(::stat(Path("real.t98").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  const std::vector<std::uint8_t> b = ReadBytes(Path("real.t98"));
  ASSERT_GE(b.size(), 16u);
  EXPECT_EQ(0, std::memcmp(b.data(), "CVF98", 6));
}

TEST_F(DocFileTest, OpenReportsEachStepInTheStatusBar) {
  SavedDesign();
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  main->GetStatusBar().ClearHistory();
  ASSERT_NE(app->OpenDocumentFile(Path("design.t98")), nullptr);
  std::vector<std::string> pane0;
  for (const auto& r : main->GetStatusBar().TextHistory())
    if (r.pane == 0) pane0.push_back(r.text);
  std::vector<std::string> expected;
  for (std::uint32_t id : {108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 121, 122})
    expected.push_back(fw::res::String(id));
  EXPECT_EQ(pane0, expected);
  for (const auto& r : main->GetStatusBar().TextHistory()) EXPECT_TRUE(r.update);
}

}  // namespace
