// The Replace Fonts dialog driven through its lists, and the text editor's
// document text and copy.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/resources.h"
#include "model/segarray.h"
#include "model/tests/fakes.h"
#include "platform/bytes.h"
#include "text/fontcatalog.h"
#include "text/language.h"
#include "text/replacefontsdlg.h"
#include "text/tests/font_fixtures.h"
#include "text/texteditordlg.h"
#include "text/textobject.h"

namespace {

// A document font table block: (language, kind, names) per record.
struct TableSource {
  std::uint8_t language, kind;
  std::vector<std::string> names;
};
plat::HGLOBAL FontTable(const std::vector<TableSource>& sources) {
  std::vector<std::uint8_t> b(4 + 14 * sources.size(), 0);
  plat::PutU32(b.data(), std::uint32_t(14 * sources.size()));
  for (std::size_t i = 0; i < sources.size(); ++i) {
    std::uint8_t* r = b.data() + 4 + 14 * i;
    const std::uint32_t size = std::uint32_t(40 * (sources[i].names.size() + 1));
    plat::PutU32(r, size);
    r[4] = sources[i].language;
    r[5] = sources[i].kind;
    plat::PutU32(r + 6, 40);
    plat::PutU32(r + 10, std::uint32_t(b.size()));
    for (const std::string& n : sources[i].names) {
      std::vector<std::uint8_t> entry(40, 0);
      std::memcpy(entry.data(), n.data(), std::min<std::size_t>(n.size(), 39));
      b.insert(b.end(), entry.begin(), entry.end());
    }
    b.insert(b.end(), 40, 0);
  }
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, b.size());
  plat::GlobalLockGuard g(h);
  std::memcpy(g.bytes(), b.data(), b.size());
  return h;
}

// A character of language 134 in a font source and font.
std::unique_ptr<CBoxChar> Char(int type, int id) {
  auto c = std::make_unique<CBoxChar>();
  c->kind = std::uint16_t(BOX_KIND_DOUBLE | (type << 8) | 134);
  c->code = 0xB0A1;
  c->fontId = std::uint16_t(id);
  c->sizeX = c->sizeY = 10;
  return c;
}

std::string Line(const char* name, int lang, int type, int id, int src, int font) {
  char line[160];
  std::snprintf(line, sizeof line, "%-40s  -[%d,%d,%d] -{%d,%d}", name, lang, type, id, src, font);
  return line;
}

std::vector<std::string> Lines(fw::CDialog& d, fw::UINT id) {
  std::vector<std::string> out;
  if (auto* l = d.Item<fw::CListBox>(id))
    for (int i = 0; i < l->GetCount(); ++i) out.push_back(l->GetText(i));
  if (auto* c = d.Item<fw::CComboBox>(id))
    for (int i = 0; i < c->GetCount(); ++i) out.push_back(c->GetLBText(i));
  return out;
}

struct DialogsTest : ::testing::Test {
  ScopedIni ini{
      "[LANGUAGE0]\nID=134\nNAME=GB\nMounts=1\nMountName0=Own\n[LANGUAGE1]\nID=0\nNAME=EN\n"};
  CSegArray objects;
  plat::HGLOBAL table = 0;
  void SetUp() override {
    g_Language.Load();
    g_FontCatalog.AddEntry(0, 0, CFontEntry{"", "SongA"});
    g_FontCatalog.AddEntry(0, 0, CFontEntry{"", "HeiB"});
    g_TtfFontTable.AddEntry(0, 0, CFontEntry{"/fonts/c.ttf", "TtfC"});
    g_CftFontTable.AddEntry(0, 0, CFontEntry{"/fonts/1.cft", "Own1"});
    g_CftFontTable.AddEntry(0, 0, CFontEntry{"/fonts/2.cft", "Own2"});
    RegisterTextDialogTemplates();
  }
  void TearDown() override {
    if (table) plat::GlobalFree(table);
    objects.DeleteAll();
    g_FontCatalog.Clear();
    g_TtfFontTable.Clear();
    g_CftFontTable.Clear();
    fw::ResetWindowSystem();
    fw::res::Clear();
  }
  CTextObject* AddText(std::vector<std::unique_ptr<CBoxChar>> chars) {
    auto* t = new CTextObject(0, 0, 0, 100, 100);
    for (auto& c : chars) t->chars.Add(std::move(c));
    objects.Add(t);
    return t;
  }
};

TEST_F(DialogsTest, ReplaceFontsThroughItsLists) {
  // Font 0 of the installed list is missing (its name holds brackets), font 1
  // is installed as entry 0; the own font "Gone" is missing.
  table = FontTable({{134, 0, {"Lost[1]{2}", "SongA"}}, {134, 2, {"Gone"}}});
  std::vector<std::unique_ptr<CBoxChar>> a;
  a.push_back(Char(0, 0));
  a.push_back(Char(0, 1));
  CTextObject* first = AddText(std::move(a));
  std::vector<std::unique_ptr<CBoxChar>> b;
  b.push_back(Char(2, 0));
  CTextObject* second = AddText(std::move(b));

  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog& d) {
    EXPECT_EQ(Lines(d, IDC_MISSING_FONTS),
              (std::vector<std::string>{Line("Lost[1]{2}", 134, 0, 0, 0, 0), Line("Gone", 134, 2, 0, 0, 0)}));
    EXPECT_EQ(Lines(d, IDC_FONT_SOURCES).size(), 3u);
    EXPECT_EQ(Lines(d, IDC_SOURCE_FONTS), (std::vector<std::string>{"SongA", "HeiB"}));
    // Choosing a font writes the choice and moves on to the next line.
    EXPECT_TRUE(d.SelectListItem(IDC_SOURCE_FONTS, 1));
    EXPECT_EQ(d.Item<fw::CListBox>(IDC_MISSING_FONTS)->GetText(0), Line("Lost[1]{2}", 134, 0, 0, 0, 1));
    EXPECT_EQ(d.Item<fw::CListBox>(IDC_MISSING_FONTS)->GetCurSel(), 1);
    // The own fonts of the second source, the second of them.
    EXPECT_TRUE(d.SelectComboItem(IDC_FONT_SOURCES, 2));
    EXPECT_EQ(Lines(d, IDC_SOURCE_FONTS), (std::vector<std::string>{"Own1", "Own2"}));
    EXPECT_TRUE(d.SelectListItem(IDC_SOURCE_FONTS, 1));
    // The last line stays selected.
    EXPECT_EQ(d.Item<fw::CListBox>(IDC_MISSING_FONTS)->GetCurSel(), 1);
    EXPECT_EQ(d.Item<fw::CListBox>(IDC_MISSING_FONTS)->GetText(1), Line("Gone", 134, 2, 0, 2, 1));
    // Back on the first line: its choice is shown again.
    EXPECT_TRUE(d.SelectListItem(IDC_MISSING_FONTS, 0));
    EXPECT_EQ(d.Item<fw::CComboBox>(IDC_FONT_SOURCES)->GetCurSel(), 0);
    EXPECT_EQ(d.Item<fw::CListBox>(IDC_SOURCE_FONTS)->GetCurSel(), 1);
    EXPECT_TRUE(d.ClickButton(fw::IDOK));
  });
  CReplaceFontsDlg dlg;
  dlg.m_fontTable = table;
  dlg.m_objects = &objects;
  EXPECT_EQ(dlg.DoModal(), fw::IDOK);
  EXPECT_EQ(driver.Pending(), 0u);

  // The missing font became HeiB; the installed one keeps its remapped index.
  EXPECT_EQ(first->chars.CharAt(0)->FontType(), 0);
  EXPECT_EQ(first->chars.CharAt(0)->fontId, 1);
  EXPECT_EQ(first->chars.CharAt(1)->fontId, 0);
  EXPECT_EQ(second->chars.CharAt(0)->FontType(), 2);
  EXPECT_EQ(second->chars.CharAt(0)->fontId, 1);
  EXPECT_EQ(second->chars.CharAt(0)->LanguageId(), 134);
}

TEST_F(DialogsTest, ReplaceFontsEndsAtOnceWhenNothingIsMissing) {
  table = FontTable({{134, 0, {"HeiB"}}});
  std::vector<std::unique_ptr<CBoxChar>> a;
  a.push_back(Char(0, 0));
  CTextObject* t = AddText(std::move(a));
  fw::ScriptedModalDriver driver;
  driver.Then([](fw::CDialog&) { ADD_FAILURE() << "the dialog shows"; });
  CReplaceFontsDlg dlg;
  dlg.m_fontTable = table;
  dlg.m_objects = &objects;
  EXPECT_EQ(dlg.DoModal(), 1);
  EXPECT_EQ(t->chars.CharAt(0)->fontId, 1);  // HeiB is installed font 1

  CReplaceFontsDlg none;
  EXPECT_EQ(none.DoModal(), -1);
  EXPECT_EQ(driver.Pending(), 1u);
}

TEST_F(DialogsTest, ListLinesParseFromTheirEnd) {
  MissingFontLine m;
  ASSERT_TRUE(ParseMissingFontLine(Line("A{1,2}[3,4,5] -{6,7}", 134, 2, 12, 3, 4), m));
  EXPECT_EQ(m.language, 134);
  EXPECT_EQ(m.type, 2);
  EXPECT_EQ(m.fontId, 12);
  EXPECT_EQ(m.source, 3);
  EXPECT_EQ(m.font, 4);
  for (const char* bad : {"", "name  -[1,2,3]", "name -{1,2}", "x  -[1,2] -{1,2}", "x -[1,a,3] -{1,2}",
                          "x -[1,2,3] -{1,99999999999}"})
    EXPECT_FALSE(ParseMissingFontLine(bad, m)) << bad;
  int lang = 0, type = 0;
  EXPECT_TRUE(ParseFontSourceLine("GB[x]Fonts -[134,3]", lang, type));
  EXPECT_EQ(type, 3);
}

// A memory file.
class MemFile : public CFileServices {
 public:
  std::uint64_t GetPosition() const override { return pos; }
  bool Seek(std::uint64_t p) override {
    pos = p;
    return true;
  }
  std::uint64_t GetLength() const override { return bytes.size(); }
  std::size_t Read(void* out, std::size_t n) override {
    const std::size_t k = pos < bytes.size() ? std::min(n, bytes.size() - std::size_t(pos)) : 0;
    if (k) std::memcpy(out, bytes.data() + pos, k);
    pos += k;
    return k;
  }
  bool Write(const void* in, std::size_t n) override {
    if (failWrites) return false;
    const auto* p = static_cast<const std::uint8_t*>(in);
    bytes.insert(bytes.end(), p, p + n);
    pos = bytes.size();
    return true;
  }
  std::vector<std::uint8_t> bytes;
  std::uint64_t pos = 0;
  bool failWrites = false;
};

TEST_F(DialogsTest, EditorTextInTheDocument) {
  fw::res::SetDialog(IDD_TEXT_EDITOR,
                     fw::DialogTemplate{"Texteditor", fw::WS_POPUP, {0, 0, 100, 100},
                                        {fw::DlgItemDef(IDC_TEXT_EDITOR_EDIT, fw::CtrlKind::Edit, "",
                                                        fw::WS_CHILD | fw::ES_MULTILINE)}});
  CTextEditorDlg editor;
  MemFile file;
  // Without the window: nothing written, a zero length.
  EXPECT_EQ(editor.WriteText(file), 0);
  EXPECT_EQ(file.bytes, (std::vector<std::uint8_t>{0, 0, 0, 0}));
  file.pos = 0;
  EXPECT_EQ(editor.ReadText(file), 0);

  // A length past the file is refused; the bytes are consumed without an editor.
  MemFile bad;
  bad.bytes = {200, 0, 0, 0, 'a', 'b'};
  EXPECT_EQ(editor.ReadText(bad), -1);
  MemFile unterminated;
  unterminated.bytes = {2, 0, 0, 0, 'h', 'i', 'X'};
  EXPECT_EQ(editor.ReadText(unterminated), 1);
  EXPECT_EQ(unterminated.pos, 6u);

  ASSERT_TRUE(editor.Create(nullptr));
  editor.GetEdit()->SetWindowText("first");
  MemFile doc;
  doc.bytes = {4, 0, 0, 0, 'a', 'b', 'c', 0};
  EXPECT_EQ(editor.ReadText(doc), 1);
  EXPECT_EQ(editor.GetText(), "first\r\rabc");

  MemFile out;
  EXPECT_EQ(editor.WriteText(out), 1);
  EXPECT_EQ(plat::GetU32(out.bytes.data()), 11u);
  MemFile failing;
  failing.failWrites = true;
  EXPECT_EQ(editor.WriteText(failing), -1);

  // The selected text goes to the clipboard as plain text.
  FakeClipboard clip;
  CClipboardServices* old = SetClipboardServices(&clip);
  editor.GetEdit()->SetSel(7, 10);
  editor.CopySelection();
  SetClipboardServices(old);
  const plat::HGLOBAL h = clip.Get(CClipboardServices::kTextFormat);
  ASSERT_NE(h, 0u);
  plat::GlobalLockGuard g(h);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(g.bytes())), "abc");
}

}  // namespace
