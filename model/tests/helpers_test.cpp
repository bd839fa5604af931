#include "model/helpers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "platform/report.h"

TEST(Helpers, CountFieldsAndGetField) {
  EXPECT_EQ(CountFields("a  b", ' '), 2);
  EXPECT_EQ(CountFields("a,,b", ','), 3);
  EXPECT_EQ(CountFields(" a", ' '), 2);  // a blank at index 0 counts
  EXPECT_EQ(CountFields("", ','), 1);

  struct Case {
    const char* text;
    int n;
    char sep;
    int result;
    const char* field;
  };
  const Case cases[] = {
      {"10,20,30", 0, ',', 1, "10"}, {"10,20,30", 2, ',', 1, "30"}, {"10,20,30", 3, ',', 0, ""},
      {"a,,b", 1, ',', 1, ""},       {"a,,b", 2, ',', 1, "b"},      {"a  b", 1, ' ', 1, "b"},
      {" a", 0, ' ', 1, ""},         {" a", 1, ' ', 1, "a"},        {"x", -1, ',', 0, ""},
      {"\xD6\xD0,\xCE\xC4", 1, ',', 1, "\xCE\xC4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " #" + std::to_string(c.n));
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(GetField(c.text, c.n, buf, sizeof buf, c.sep), c.result);
    EXPECT_STREQ(buf, c.field);
  }
  // The out buffer is never overrun.
  char small[4];
  EXPECT_EQ(GetField("abcdefgh,x", 0, small, sizeof small, ','), 1);
  EXPECT_STREQ(small, "abc");
}

TEST(Helpers, GetNumberField) {
  struct Case {
    const char* text;
    int n;
    int result;
    float value;
  };
  const Case cases[] = {
      {"1,,3", 0, 1, 1.0f}, {"1,,3", 1, 1, 1.0f},   {"1,,3", 2, 1, 3.0f}, {"1,,3", 3, 0, 0.0f},
      {"-2.5,4", 0, 1, -2.5f}, {"1,", 1, 1, 1.0f},  {"", 0, 1, 0.0f},     {"1-2,.5", 1, 1, 0.5f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " #" + std::to_string(c.n));
    float v = 99.0f;
    EXPECT_EQ(GetNumberField(c.text, v, c.n), c.result);
    EXPECT_EQ(v, c.value);
  }
  float v = 99.0f;
  EXPECT_EQ(GetNumberField("1,2;3", v, 0), 0);
  EXPECT_EQ(v, 99.0f);  // untouched
  EXPECT_EQ(GetNumberField("1, 2", v, 0), 0);
  EXPECT_EQ(v, 99.0f);
}

TEST(Helpers, GetListValue) {
  struct Case {
    const char* text;
    int n;
    float value;
  };
  const Case cases[] = {
      {"10,+5", 4, 25.0f}, {"10,-5", 2, 5.0f},   {"10,+5", 0, 0.0f},  {"10,+5", 1, 10.0f},
      {" 10 , +5 ", 3, 20.0f}, {"10,,+5", 2, 10.0f},  // an empty entry keeps the value
      {"10,,+5", 3, 15.0f}, {"3,7", 5, 7.0f},  {"", 3, 0.0f},      {",,", 2, 0.0f},
      {"-1", 3, -3.0f},    {"abc", 1, 0.0f},   {"0.1,+0.1", 2, float(double(0.1f) + 0.1)},
  };
  for (const auto& c : cases) EXPECT_EQ(GetListValue(c.text, c.n), c.value) << c.text << " #" << c.n;
}

TEST(Helpers, MakeUpperAscii) {
  char text[] = "abc\xD6\xD0xyz\xB1\xED-z";
  MakeUpperAscii(text);
  EXPECT_STREQ(text, "ABC\xD6\xD0XYZ\xB1\xED-Z");
  std::string s = "cutters.ini";
  MakeUpperAscii(s);
  EXPECT_EQ(s, "CUTTERS.INI");
  MakeUpperAscii(static_cast<char*>(nullptr));
}

TEST(Helpers, UnescapeString) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"A\\x41\\n", "AA\n"},       {"\\q", "\\"},          {"\\\\", "\\"},
      {"\\b", "\x07"},             {"\\r\\n", "\r\n"},     {"end\\", "end"},
      {"\\x4", ""},                {"ab\\x", "ab"},        {"\\X1b[", "\x1B["},
      {"\\x4G", "\x04"},           {"\\xZZ!", std::string("\0!", 2)},
      {"PU;\\x03", "PU;\x03"},     {"\xD6\xD0", "\xD6\xD0"},
  };
  for (const auto& c : cases) EXPECT_EQ(UnescapeString(c.in), c.out) << c.in;
  char buf[4];
  EXPECT_EQ(UnescapeString("abcdef\\n", buf, sizeof buf), 3u);  // cut to the buffer
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(UnescapeString("x", buf, 0), 0u);
}

TEST(Helpers, ProgramFolders) {
  std::string bin = std::string(TINDREL_BIN_DIR) + "/";
  EXPECT_EQ(GetProgramFolder(), bin);
  std::string parent = std::filesystem::path(TINDREL_BIN_DIR).parent_path().string() + "/";
  EXPECT_EQ(GetProgramParentFolder(), parent);
  char big[4096];
  EXPECT_TRUE(GetProgramFolder(big, sizeof big));
  EXPECT_EQ(std::string(big), bin);
  char small[8];
  EXPECT_FALSE(GetProgramFolder(small, sizeof small));  // does not fit: refused, not cut
  EXPECT_STREQ(small, "");
  EXPECT_FALSE(GetProgramParentFolder(small, sizeof small));
}

TEST(Helpers, MakeTempFileName) {
  std::string path;
  unsigned n = MakeTempFileName("OSD", path);
  ASSERT_NE(n, 0u);
  EXPECT_TRUE(std::filesystem::is_regular_file(path));
  EXPECT_EQ(std::filesystem::path(path).filename().string().substr(0, 3), "OSD");
  struct stat st;
  ASSERT_EQ(::stat(std::filesystem::path(path).parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  std::filesystem::remove(path);
  char small[10];
  EXPECT_EQ(MakeTempFileName("OSD", small, sizeof small), 0u);  // the name does not fit
  EXPECT_STREQ(small, "");
  char buf[512];
  n = MakeTempFileName("OSD", buf, sizeof buf);
  ASSERT_NE(n, 0u);
  EXPECT_TRUE(std::filesystem::exists(buf));
  std::filesystem::remove(buf);
}

TEST(Helpers, DuplicateGlobalBlock) {
  plat::GlobalBlock src(plat::GMEM_MOVEABLE, 5);
  std::memcpy(plat::GlobalLock(src.get()), "\x01\x02\x03\x04\x05", 5);
  plat::GlobalUnlock(src.get());
  plat::GlobalBlock copy(DuplicateGlobalBlock(src.get()));
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), src.get());
  EXPECT_EQ(copy.size(), 5u);
  plat::GlobalLockGuard g(copy.get());
  EXPECT_EQ(std::memcmp(g.bytes(), "\x01\x02\x03\x04\x05", 5), 0);
  plat::GlobalBlock empty(plat::GHND, 0);
  EXPECT_EQ(DuplicateGlobalBlock(empty.get()), 0u);
  EXPECT_EQ(DuplicateGlobalBlock(0xDEADBEEF), 0u);
}

TEST(Helpers, ShowParamMessage) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scope(&sink);
  struct Case {
    unsigned kind;
    const char* text;
    unsigned code1, code2;
    std::string body, caption;
    unsigned style;
  };
  const Case cases[] = {
      {0x8002, nullptr, 0x4001, 0x2001, "  非法的 参数  ", "错误", plat::MB_OK | plat::MB_ICONSTOP},
      {0x8001, nullptr, 0x4001, 0, "  非法的 ", "警告", plat::MB_OK | plat::MB_ICONINFORMATION},
      {0x8001, nullptr, 0, 0x2001, "", "警告", plat::MB_OK | plat::MB_ICONINFORMATION},
      {0x1234, nullptr, 0x4001, 0x2001, "  非法的 参数  ", "", plat::MB_OK},
      {0x8002, "端口", 0x4001, 0x2001, "     端口     ", "错误", plat::MB_OK | plat::MB_ICONSTOP},
  };
  for (const auto& c : cases) {
    sink.clear();
    EXPECT_EQ(ShowParamMessage(nullptr, c.kind, c.text, c.code1, c.code2), plat::IDOK);
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(sink.boxes[0].text, c.body);
    EXPECT_EQ(sink.boxes[0].caption, c.caption);
    EXPECT_EQ(sink.boxes[0].style, c.style);
  }
}

namespace {

class FakeHost : public CDragDrop::Host {
 public:
  std::map<std::pair<int, int>, CDragDrop::Window> windows;
  std::map<CDragDrop::Window, std::intptr_t> answers;
  struct Sent {
    CDragDrop::Window w;
    unsigned id;
    int x, y;
  };
  std::vector<Sent> sent;
  CDragDrop::Cursor cursor = 0;
  CDragDrop::Window main = reinterpret_cast<CDragDrop::Window>(0x100);

  CDragDrop::Window WindowFromPoint(int x, int y) override {
    auto it = windows.find({x, y});
    return it == windows.end() ? nullptr : it->second;
  }
  CDragDrop::Window MainWindow() override { return main; }
  std::intptr_t SendCommand(CDragDrop::Window w, unsigned id, CDragDrop* drag) override {
    sent.push_back({w, id, drag->m_x, drag->m_y});
    return answers[w];
  }
  void SetCursor(CDragDrop::Cursor c) override { cursor = c; }
};

}  // namespace

TEST(Helpers, DragHandOver) {
  FakeHost host;
  CDragDrop::Host* prev = CDragDrop::SetHost(&host);
  auto* view = reinterpret_cast<CDragDrop::Window>(0x200);
  auto* bar = reinterpret_cast<CDragDrop::Window>(0x300);
  host.windows[{10, 10}] = view;
  host.windows[{20, 20}] = bar;
  host.answers[view] = 1;
  const CDragDrop::Cursor yes = 1;
  const CDragDrop::Cursor no = 2;

  CDragDrop drag;
  EXPECT_FALSE(drag.m_bActive);
  drag.Begin(yes, no);
  EXPECT_TRUE(drag.m_bActive);
  EXPECT_TRUE(drag.DragOver(10, 10));
  EXPECT_EQ(host.cursor, yes);
  EXPECT_EQ(drag.m_pTarget, view);
  EXPECT_FALSE(drag.DragOver(20, 20));  // refused
  EXPECT_EQ(host.cursor, no);
  EXPECT_EQ(drag.m_pTarget, nullptr);
  EXPECT_FALSE(drag.DragOver(99, 99));  // nothing under the point: the main window is asked
  EXPECT_EQ(host.sent.back().w, host.main);
  drag.Drop(ID_DRAG_DROP);              // not accepted: nothing sent
  EXPECT_EQ(host.sent.back().id, ID_DRAG_QUERY);
  EXPECT_TRUE(drag.DragOver(10, 10));
  drag.Drop(ID_DRAG_DROP);
  EXPECT_EQ(host.sent.back().w, view);
  EXPECT_EQ(host.sent.back().id, ID_DRAG_DROP);
  EXPECT_EQ(host.sent.back().x, 10);
  drag.End();
  EXPECT_FALSE(drag.m_bActive);
  EXPECT_FALSE(drag.m_bAccepted);
  CDragDrop::SetHost(prev);

  // Without a host no window answers.
  CDragDrop lonely;
  lonely.Begin(yes, no);
  EXPECT_FALSE(lonely.DragOver(1, 2));
  EXPECT_EQ(lonely.m_x, 1);
}

TEST(Helpers, DrawBitmapAndStretchDrawBitmap) {
  using namespace plat;
  // 2 x 2 source: red, green / blue, white.
  HBITMAP src = CreateBitmap(2, 2, 1, 32, nullptr);
  {
    DC m;
    m.SelectObject(src);
    m.SetPixel(0, 0, RGB(255, 0, 0));
    m.SetPixel(1, 0, RGB(0, 255, 0));
    m.SetPixel(0, 1, RGB(0, 0, 255));
    m.SetPixel(1, 1, RGB(255, 255, 255));
  }
  DC dc;
  HBITMAP target = CreateBitmap(6, 6, 1, 32, nullptr);
  dc.SelectObject(target);
  EXPECT_TRUE(DrawBitmap(&dc, src, 1, 2, SRCCOPY));
  EXPECT_EQ(dc.GetPixel(1, 2), RGB(255, 0, 0));
  EXPECT_EQ(dc.GetPixel(2, 3), RGB(255, 255, 255));
  EXPECT_EQ(dc.GetPixel(3, 2), RGB(0, 0, 0));  // its own size, nothing beyond
  EXPECT_TRUE(DrawBitmap(&dc, src, 1, 2, SRCINVERT));
  EXPECT_EQ(dc.GetPixel(1, 2), RGB(0, 0, 0));  // the code is applied: XOR twice clears

  EXPECT_TRUE(StretchDrawBitmap(&dc, src, 0, 0, 4, 4, SRCCOPY));
  EXPECT_EQ(dc.GetPixel(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(dc.GetPixel(2, 1), RGB(0, 255, 0));
  EXPECT_EQ(dc.GetPixel(1, 2), RGB(0, 0, 255));
  EXPECT_EQ(dc.GetPixel(3, 3), RGB(255, 255, 255));
  EXPECT_EQ(dc.GetPixel(4, 4), RGB(0, 0, 0));

  // A bitmap held by another context cannot be drawn; a deleted one neither.
  EXPECT_FALSE(DrawBitmap(&dc, target, 0, 0, SRCCOPY));
  EXPECT_FALSE(DrawBitmap(nullptr, src, 0, 0, SRCCOPY));
  EXPECT_EQ(src->selectCount(), 0);  // the memory context let go of it
  DeleteObject(src);
  EXPECT_FALSE(StretchDrawBitmap(&dc, src, 0, 0, 4, 4, SRCCOPY));
  DeleteObject(target);
}

TEST(Helpers, CreateVerticalFont) {
  for (const char* face : {static_cast<const char*>(nullptr), "DejaVu Sans"}) {
    plat::Font* f = CreateVerticalFont(face, 6, 8);
    ASSERT_NE(f, nullptr);
    const plat::LOGFONT& lf = f->GetLogFont();
    EXPECT_EQ(lf.lfHeight, -8);
    EXPECT_EQ(lf.lfWidth, -6);
    EXPECT_EQ(lf.lfEscapement, -900);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfCharSet, plat::DEFAULT_CHARSET);
    EXPECT_EQ(lf.FaceName(), face ? face : "Arial");
    plat::DeleteFont(f);
  }
}
