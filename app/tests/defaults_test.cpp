// The settings files shipped beside the program (app/defaults): they parse,
// name installed fonts and loadable cutter models, let a new user letter and
// cut, and the build installs them without touching a user's own copies.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <algorithm>
#include <string>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/settingsload.h"
#include "app_fixture.h"
#include "framework/controls.h"
#include "model/groupobject.h"
#include "model/palette.h"
#include "model/records.h"
#include "model/settings.h"
#include "output/carver.h"
#include "output/cutinfo.h"
#include "output/cutter.h"
#include "output/cutterbar.h"
#include "output/cutwindow.h"
#include "output/portfile.h"
#include "platform/codepage.h"
#include "platform/port.h"
#include "text/fontcatalog.h"
#include "text/language.h"
#include "text/textattr.h"
#include "text/textobject.h"

using namespace apptest;

namespace {

const std::string kDefaults = std::string(TINDREL_TEST_DATA) + "/../../defaults/";

std::string Shipped(const std::string& name) { return kDefaults + name; }

std::string ReadText(const std::string& path) {
  const std::vector<std::uint8_t> b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

// Each slot the shipped file names: its ID, name (UTF-8), default face and a
// character (in the slot's code) the face must draw.
struct SlotCase {
  std::uint8_t id;
  const char* name;
  const char* face;
  unsigned code;
};
const SlotCase kSlots[] = {
    {134, "简体中文", "文鼎ＰＬ简报宋", 0xB1EA},  // 标
    {0, "English", "DejaVu Sans", 'A'},
    {136, "繁體中文", "AR PL Mingti2L Big5", 0xA4A4},  // 中 in BIG5
};

// The shipped settings in a private folder, the program's globals on them;
// the globals come back afterwards.
class ShippedSettingsTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    savedIni = g_IniFile.GetPath();
    savedAttr = DefaultTextAttr();
    for (const char* f : {"VORLAN98.INI", "Cutters.INI", "Carves.INI", "PALETTE.INI"})
      std::filesystem::copy_file(Shipped(f), Path(f));
  }
  void TearDown() override {
    g_IniFile.SetPath(savedIni);
    g_Language.Load();
    g_FontCatalog.EnumWindowsFonts();
    DefaultTextAttr() = savedAttr;
    AppTest::TearDown();
  }
  // The start-up's settings stages on the shipped main settings file.
  void LoadShipped() {
    g_IniFile.SetPath(Path("VORLAN98.INI"));
    LoadAppSettings(SETTINGS_LAYOUT | SETTINGS_FONTS, nullptr);
  }

  std::string savedIni;
  CTextAttr savedAttr;
};

TEST_F(ShippedSettingsTest, LanguageSlotsNameInstalledFacesThatDraw) {
  LoadShipped();
  EXPECT_EQ(g_Language.GetLastIndex(), int(std::size(kSlots)) - 1);
  for (int slot = 0; slot < int(std::size(kSlots)); ++slot) {
    const SlotCase& c = kSlots[slot];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(g_Language.GetId(slot), c.id);
    EXPECT_EQ(plat::GbkToUtf8(g_Language.GetName(slot)), c.name);
    // New text starts in the slot's installed face, which draws the character.
    const CTextAttr& attr = DefaultTextAttr();
    EXPECT_EQ(attr.FontTypeOf(c.id), 0);
    std::string face;
    ASSERT_TRUE(g_FontCatalog.GetEntryName(slot, 0, attr.FontIdOf(c.id), face))
        << "fonts in the slot: " << g_FontCatalog.GetEntryCount(slot, 0);
    EXPECT_EQ(plat::GbkToUtf8(face), c.face);
    EXPECT_NE(GetTrueTypeGlyphOutline(c.id, attr.FontIdOf(c.id), c.code), nullptr);
  }
  // Nothing after the named slots, and every source offered holds a font.
  EXPECT_EQ(g_Language.GetName(int(std::size(kSlots))), "");
  for (int slot = 0; slot < CLanguage::kSlots; ++slot) {
    EXPECT_EQ(g_Language.GetMountCount(slot), 0);
    std::string path;
    g_Language.GetTtfMountPath(slot, path);
    EXPECT_EQ(path, "");
  }
}

// The start-up stages on the shipped file, then the text tool: "ABC" typed
// into a new text becomes three drawn letters.
TEST_F(ShippedSettingsTest, TextToolLettersWithTheShippedLanguages) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  fw::PumpPendingMessages();
  LoadShipped();
  auto* view = dynamic_cast<CVORLAN98View*>(main->GetActiveView());
  ASSERT_NE(view, nullptr);
  CVORLAN98Doc* doc = view->GetDoc();
  view->MoveWindow(0, 0, 800 + 15 + 16, 600 + 15 + 16);
  view->SetPageSize(0.0f, 0.0f, doc->GetPageWidth(), doc->GetPageHeight());
  view->SetTool(ID_TOOL_TEXT);
  view->OnLButtonDown(fw::MK_LBUTTON, fw::POINT{200, 200});
  view->OnLButtonUp(0, fw::POINT{200, 200});
  ASSERT_EQ(doc->GetObjectCount(), 1);
  auto* text = dynamic_cast<CTextObject*>(doc->GetObjectAt(0));
  ASSERT_NE(text, nullptr);
  for (char ch : std::string("ABC")) view->SendMessage(fw::WM_CHAR, fw::WPARAM(ch), 0);
  // The layout waits for a pause in the typing.
  for (int tick = 0; tick < 6; ++tick) view->SendMessage(fw::WM_TIMER, kTextLayoutTimer, 0);

  ASSERT_EQ(text->chars.GetSize(), 3);
  for (int i = 0; i < 3; ++i) {
    const CBoxChar* c = text->chars.CharAt(i);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->code, std::uint16_t('A' + i));
    EXPECT_GT(c->box.right, c->box.left) << "character " << i << " has no extent";
  }
  EXPECT_LT(text->chars.CharAt(0)->box.left, text->chars.CharAt(2)->box.left);
  // Three letters, three outlines.
  std::unique_ptr<CGraphObject> paths = text->ConvertToPath(-1);
  ASSERT_NE(paths, nullptr);
  ASSERT_EQ(paths->kind, OBJ_GROUP);
  EXPECT_EQ(static_cast<CGroupObject*>(paths.get())->GetChildCount(), 3);
}

// Every template the driver formats, with the number of integers it gets.
struct TemplateUse {
  CCutterDriver::Command command;
  int integers;
};
const TemplateUse kSentTemplates[] = {
    {CCutterDriver::RSCMD, 0},   {CCutterDriver::InitCmd, 0},  {CCutterDriver::AbsCmd, 0},
    {CCutterDriver::SubJoin, 0}, {CCutterDriver::HomeCmd, 0},  {CCutterDriver::MoveToCmd, 2},
    {CCutterDriver::LineToCmd, 2}, {CCutterDriver::LineToExCmd, 2}, {CCutterDriver::PenUp, 0},
    {CCutterDriver::SpeedCmd, 1}, {CCutterDriver::ForceCmd, 1}, {CCutterDriver::PlotCmd, 0},
    {CCutterDriver::CutCmd, 0},  {CCutterDriver::FeedCmd, 1},  {CCutterDriver::NewFrame, 0},
};

// Placeholders of a template: the count of %d, -1 for any other conversion.
int Integers(const std::string& t) {
  int n = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] != '%') continue;
    if (i + 1 < t.size() && t[i + 1] == '%') {
      ++i;
    } else if (i + 1 < t.size() && t[i + 1] == 'd') {
      ++n;
      ++i;
    } else {
      return -1;
    }
  }
  return n;
}

TEST_F(ShippedSettingsTest, CutterModelsLoadWithTheirTemplates) {
  CIniFile ini(Path("Cutters.INI"));
  CCutterDriver list(ini);
  const std::vector<std::string> models = list.GetModelList();
  ASSERT_EQ(models, (std::vector<std::string>{"HPGL Cutter", "HPGL Cutter (soft offset)", "DMPL Cutter"}));
  for (const std::string& model : models) {
    SCOPED_TRACE(model);
    CCutterDriver dev(model.c_str(), ini);
    EXPECT_FALSE(dev.sectionName.empty());
    for (auto c : {CCutterDriver::InitCmd, CCutterDriver::HomeCmd, CCutterDriver::AbsCmd, CCutterDriver::PenUp,
                   CCutterDriver::MoveToCmd, CCutterDriver::LineToCmd, CCutterDriver::LineToExCmd,
                   CCutterDriver::SpeedCmd, CCutterDriver::ForceCmd, CCutterDriver::FeedCmd})
      EXPECT_FALSE(dev.commands[c].empty()) << CCutterDriver::CommandKey(c);
    for (const TemplateUse& u : kSentTemplates) {
      const std::string& t = dev.commands[u.command];
      // A device record field holds 19 bytes.
      EXPECT_LE(t.size(), 19u) << CCutterDriver::CommandKey(u.command);
      if (!t.empty()) EXPECT_EQ(Integers(t), u.integers) << CCutterDriver::CommandKey(u.command) << "=" << t;
    }
    EXPECT_GT(dev.rs, 0.0f);
    EXPECT_GT(dev.maxSpeed, 0);
    EXPECT_LE(dev.defaultSpeed, dev.maxSpeed);
    EXPECT_GT(dev.maxForce, 0);
    EXPECT_LE(dev.defaultForce, dev.maxForce);
  }
  // The cut job settings name a listed model and a port the cut bar offers.
  std::string device;
  ini.GetString("CutInfo", "Device", device, "");
  EXPECT_NE(std::find(models.begin(), models.end(), device), models.end());
  CCutInfo info;
  info.Load(ini);
  const std::vector<std::string> ports = ListCutterPorts(Path("Port.INI"));
  EXPECT_NE(std::find(ports.begin(), ports.end(), info.port), ports.end());
  EXPECT_EQ(GetPortCode(info.port.c_str()), 0);
}

// A square cut with each shipped model into a file: the stream of the
// model's own language, the knife compensated only where the model says so.
TEST_F(ShippedSettingsTest, ShippedModelsCutASquare) {
  CIniFile ini(Path("Cutters.INI"));
  struct Case {
    const char* model;
    std::string want;  // the whole stream
  };
  const Case table[] = {
      {"HPGL Cutter", "IN;PU0,0;PA;PU;\nVS40;PU;PU0,0;"
                      "PU400,400;PD800,400;PD800,800;PD400,800;PD400,400; "
                      "PU0,0;PU;PU0,0;"},
      // The knife is aligned first, then swivelled at each corner 10 units ahead.
      {"HPGL Cutter (soft offset)", "IN;PU0,0;PA;PU;\nVS40;PU0,0;PD100,0;PU;PU0,0; "
                                    "PU410,400;PD410,400;PD810,400;PD800,410;PD800,810;PD790,800;PD390,800;"
                                    "PD400,790;PD400,390; PU0,0;PU;PU0,0;"},
      {"DMPL Cutter", ";:HEC1AU P1 V10 BP120 UHU100,100D200,100,200,200,100,200,100,100 U0,0UH@"},
  };
  for (const Case& c : table) {
    SCOPED_TRACE(c.model);
    CCutterDriver dev(c.model, ini);
    dev.port.SetSettingsPath(Path("Port.INI"));
    const std::string out = Path("job.plt");
    std::filesystem::remove(out);
    dev.port.SetPortName(out.c_str());
    CCutInfo info;
    info.Load(ini);
    info.autoFeed = 0;
    info.penSpeed = dev.defaultSpeed;
    info.penForce = dev.defaultForce;
    info.knifeOffset = dev.offset;
    info.overCut = dev.overcut;
    ASSERT_TRUE(dev.BeginJob(nullptr, info));
    const float a = 10.0f / dev.rs, b = 20.0f / dev.rs;  // 10 mm and 20 mm
    dev.MoveTo(a, a);
    dev.LineTo(a, b);
    dev.LineTo(b, b);
    dev.LineTo(b, a);
    dev.LineTo(a, a);
    dev.EndPolyline();
    dev.EndJob(info, 0.0f);
    dev.ClosePort();
    EXPECT_EQ(ReadText(out), c.want);
  }
}

TEST_F(ShippedSettingsTest, CutWindowOffersTheShippedModels) {
  CMDIMainFrame* main = StartApp();
  ASSERT_NE(main, nullptr);
  fw::PumpPendingMessages();
  g_CutterIni.SetPath(Path("Cutters.INI"));
  g_CutInfo = CCutInfo();
  GetCutterDevice().port.SetSettingsPath(Path("Port.INI"));
  auto* design = dynamic_cast<CVORLAN98View*>(main->GetActiveView());
  ASSERT_NE(design, nullptr);
  design->GetDoc()->AddObject(MakeRectPath(10, 10, 50, 30).release(), false);
  CCutFrame* frame = design->OpenCutWindow();
  ASSERT_NE(frame, nullptr);
  auto* models = dynamic_cast<fw::CComboBox*>(frame->GetCutterBar().GetDlgItem(cutid::IDC_MODEL));
  ASSERT_NE(models, nullptr);
  ASSERT_EQ(models->GetCount(), 3);
  EXPECT_EQ(models->GetLBText(models->GetCurSel()), "HPGL Cutter");
  EXPECT_EQ(GetCutterDevice().sectionName, "HPGL");
  EXPECT_EQ(GetCutterDevice().commands[CCutterDriver::MoveToCmd], "PU%d,%d;");
  frame->DestroyWindow();
}

// The engraver model loads with its templates, y first as the cutters take
// them; the engraving settings name it and a port the dialog offers.
TEST_F(ShippedSettingsTest, EngraverModelLoadsWithItsTemplates) {
  CCarveDriver list(nullptr, Path("Carves.INI"));
  const std::vector<std::string> models = list.GetModelList();
  ASSERT_EQ(models, (std::vector<std::string>{"HPGL Engraver"}));
  CCarveDriver dev(models[0].c_str(), Path("Carves.INI"));
  EXPECT_FALSE(dev.sectionName.empty());
  const struct {
    CCarveDriver::Command command;
    int integers;
  } uses[] = {{CCarveDriver::InitCmd, 0},   {CCarveDriver::AbsCmd, 0},      {CCarveDriver::PenUpCmd, 0},
              {CCarveDriver::PenDownCmd, 0}, {CCarveDriver::MoveToCmd, 2},   {CCarveDriver::LineToCmd, 2},
              {CCarveDriver::LineToExCmd, 2}, {CCarveDriver::SpeedCmd, 1},   {CCarveDriver::FinishCmd, 0}};
  for (const auto& u : uses) {
    const std::string& t = dev.commands[u.command];
    EXPECT_FALSE(t.empty()) << CCarveDriver::CommandKey(u.command);
    EXPECT_EQ(Integers(t), u.integers) << CCarveDriver::CommandKey(u.command) << "=" << t;
  }
  EXPECT_EQ(dev.swapXY, 1);
  EXPECT_GT(dev.resolution, 0.0f);
  EXPECT_GT(dev.maxWidth, 0);
  EXPECT_GT(dev.maxHeight, 0);
  EXPECT_LE(dev.defaultSpeed, dev.maxSpeed);
  CIniFile ini(Path("Carves.INI"));
  std::string device, port;
  ini.GetString("CarveInfo", "Device", device, "");
  ini.GetString("CarveInfo", "PORT", port, "");
  EXPECT_EQ(device, models[0]);
  const std::vector<std::string> ports = ListCutterPorts(Path("Port.INI"));
  EXPECT_NE(std::find(ports.begin(), ports.end(), port), ports.end());
}

TEST_F(ShippedSettingsTest, PaletteHoldsTheSignColours) {
  CPaletteStore store(Path("PALETTE.INI"));
  ASSERT_EQ(store.GetPaletteCount(), 1);
  std::string name;
  store.GetPaletteName(0, name);
  EXPECT_EQ(name, "Sign Vinyl");
  // The fixed colours, then the file's own from Color16 on.
  EXPECT_EQ(store.GetColorCount(), CPaletteStore::kFixedColors + 17);
  EXPECT_EQ(store.GetColorRef(CPaletteStore::kFixedColors), plat::RGB(255, 250, 230));
  EXPECT_EQ(store.GetColorRef(store.GetColorCount() - 1), plat::RGB(190, 150, 60));
}

// The build's copy step: a missing file is copied, a user's copy (in any
// letter case) is left as it is.
// The shipped port file changes nothing as it stands, and its example maps the ports
// once the comment marks are taken away.
TEST_F(ShippedSettingsTest, PortFileExampleMapsUsbDevicesWhenUncommented) {
  const std::string shipped = ReadText(Shipped("Port.INI"));
  ASSERT_NE(shipped.find(";[Devices]"), std::string::npos);
  std::ofstream(Path("Port.INI")) << shipped;
  EXPECT_EQ(plat::MapPortDevice(1, Path("Port.INI")), "/dev/ttyS0");
  EXPECT_EQ(plat::MapPortDevice(16, Path("Port.INI")), "/dev/lp0");
  std::string uncommented;
  std::size_t at = shipped.find(";[Devices]");
  uncommented = shipped.substr(0, at);
  for (std::size_t i = at; i < shipped.size(); ++i)
    if (!(shipped[i] == ';' && (i == 0 || shipped[i - 1] == '\n'))) uncommented += shipped[i];
  std::ofstream(Path("Port2.INI")) << uncommented;
  EXPECT_EQ(plat::MapPortDevice(1, Path("Port2.INI")), "/dev/ttyUSB0");
  EXPECT_EQ(plat::MapPortDevice(2, Path("Port2.INI")), "/dev/ttyACM0");
  EXPECT_EQ(plat::MapPortDevice(16, Path("Port2.INI")), "/dev/usb/lp0");
}

TEST_F(ShippedSettingsTest, InstallStepKeepsTheUsersCopy) {
  const std::string script = kDefaults + "install_missing.cmake";
  const struct {
    const char* present;  // file already in the folder, or null
    bool copied;
    const char* shipped;
  } cases[] = {{nullptr, true, "VORLAN98.INI"},     {"VORLAN98.INI", false, "VORLAN98.INI"},
               {"vorlan98.ini", false, "VORLAN98.INI"}, {nullptr, true, "Carves.INI"},
               {"carves.ini", false, "Carves.INI"}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.shipped) + " " + (c.present ? c.present : "(none)"));
    const std::string folder = Path("bin" + std::to_string(n++));
    std::filesystem::create_directories(folder);
    const std::string mine = "[Language0]\nID=0\nNAME=Mine\n";
    if (c.present) std::ofstream(folder + "/" + c.present) << mine;
    const std::string cmd = std::string(TINDREL_CMAKE) + " -DSRC=" + Shipped(c.shipped) + " -DDIR=" + folder +
                            " -P " + script + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      ++files;
      const std::string text = ReadText(e.path().string());
      EXPECT_EQ(text, c.copied ? ReadText(Shipped(c.shipped)) : mine);
    }
    EXPECT_EQ(files, 1);
  }
}

}  // namespace
