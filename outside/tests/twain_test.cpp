// The scanner source manager library on the system scanner library's "test"
// backend, configured from a private folder, so no real scanner is asked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/twain.h"
#include "outside/tests/scanner_folder.h"
#include "outside/twain/scanframe.h"
#include "outside/twain/twainini.h"
#include "platform/dib.h"
#include "platform/gmem.h"
#include "platform/library.h"

// The scanner library's test backend loses memory of its own.
extern "C" const char* __lsan_default_suppressions() { return "leak:libsane-test.so\n"; }

namespace {

using scantest::ScannerFolder;
using scantest::WriteText;

constexpr const char* kGrid = "mode Gray\ndepth 1\ntest-picture \"Grid\"\n";

class DsmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::HMODULE module = plat::LoadLibrary(twain::kFileName);
    ASSERT_NE(module, nullptr) << plat::GetLastErrorDetail();
    entry = plat::GetProcAddressAs<DSMENTRYPROC>(module, twain::kEntryName);
    ASSERT_NE(entry, nullptr);
    std::strcpy(app.ProductName, "tests");
  }
  void TearDown() override {
    // Whatever a test left open is closed again, in order.
    TW_PENDINGXFERS pending{};
    Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    TW_USERINTERFACE ui{};
    Source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    Manager(DAT_IDENTITY, MSG_CLOSEDS, &source);
    TW_HANDLE parent = 0;
    Manager(DAT_PARENT, MSG_CLOSEDSM, &parent);
  }

  TW_UINT16 Manager(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return entry(&app, nullptr, DG_CONTROL, dat, msg, data);
  }
  TW_UINT16 Source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return entry(&app, &source, dg, dat, msg, data);
  }
  // Opens the manager and its default source and enables the source.
  void OpenAndEnable() {
    TW_HANDLE parent = 0;
    ASSERT_EQ(Manager(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
    source = TW_IDENTITY{};
    ASSERT_EQ(Manager(DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    TW_USERINTERFACE ui{1, 0, 0};
    ASSERT_EQ(Source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
  }
  TW_UINT16 Event(TW_UINT16* message) {
    TW_EVENT event{nullptr, 0xBEEF};
    const TW_UINT16 rc = Source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    *message = event.TWMessage;
    return rc;
  }
  // One native transfer; the image (or nothing) and the return code.
  TW_UINT16 Get(std::optional<plat::Dib>* image) {
    TW_UINT32 handle = 0xDEAD;
    const TW_UINT16 rc = Source(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (rc == TWRC_XFERDONE) {
      *image = plat::Dib::FromGlobal(handle);
      plat::GlobalFree(handle);
    } else {
      EXPECT_EQ(handle, 0u);
    }
    return rc;
  }
  // Enables the source and takes the one image it offers.
  std::optional<plat::Dib> ScanOne() {
    OpenAndEnable();
    TW_UINT16 message = 0;
    EXPECT_EQ(Event(&message), TWRC_DSEVENT);
    EXPECT_EQ(message, MSG_XFERREADY);
    std::optional<plat::Dib> image;
    EXPECT_EQ(Get(&image), TWRC_XFERDONE);
    TW_PENDINGXFERS pending{0x1234, 0};
    EXPECT_EQ(Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    return image;
  }

  DSMENTRYPROC entry = nullptr;
  TW_IDENTITY app{};
  TW_IDENTITY source{};
};

TEST_F(DsmTest, OneGridScanWalksTheStatesAndGivesABottomUpOneBitImage) {
  ScannerFolder folder(kGrid);
  OpenAndEnable();
  EXPECT_STREQ(source.ProductName, "test:0");
  EXPECT_NE(TW_UINT32(source.Id), 0u);
  EXPECT_EQ(source.ProtocolMajor, 1);
  EXPECT_EQ(source.ProtocolMinor, 6);

  TW_UINT16 message = 0;
  ASSERT_EQ(Event(&message), TWRC_DSEVENT);
  EXPECT_EQ(message, MSG_XFERREADY);
  // While a transfer waits, events are not the source's.
  EXPECT_EQ(Event(&message), TWRC_NOTDSEVENT);
  EXPECT_EQ(message, MSG_NULL);
  // The source cannot be disabled or closed in the middle of a transfer.
  TW_USERINTERFACE ui{};
  EXPECT_EQ(Source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_FAILURE);

  std::optional<plat::Dib> image;
  ASSERT_EQ(Get(&image), TWRC_XFERDONE);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width(), 157);
  EXPECT_EQ(image->height(), 196);
  EXPECT_EQ(image->bitCount(), 1);
  EXPECT_GT(image->header().biHeight, 0);  // bottom row first
  const std::vector<plat::RGBQUAD> table = image->palette();
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0], (plat::RGBQUAD{255, 255, 255, 0}));
  EXPECT_EQ(table[1], (plat::RGBQUAD{0, 0, 0, 0}));
  // The grid's top-left cell is white, its neighbours to the right and below black.
  EXPECT_EQ(image->GetPixel(5, 5), plat::RGB(255, 255, 255));
  EXPECT_EQ(image->GetPixel(25, 5), plat::RGB(0, 0, 0));
  EXPECT_EQ(image->GetPixel(5, 30), plat::RGB(0, 0, 0));
  EXPECT_EQ(image->GetPixel(25, 30), plat::RGB(255, 255, 255));

  TW_PENDINGXFERS pending{0x1234, 0};
  ASSERT_EQ(Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0);
  // Nothing more to give: the source asks to be closed.
  ASSERT_EQ(Event(&message), TWRC_DSEVENT);
  EXPECT_EQ(message, MSG_CLOSEDSREQ);
  ASSERT_EQ(Source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  ASSERT_EQ(Manager(DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_SUCCESS);
  TW_HANDLE parent = 0;
  ASSERT_EQ(Manager(DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_SUCCESS);
}

TEST_F(DsmTest, EveryDepthAndModeGivesItsBitmapKind) {
  struct Case {
    const char* conf;
    int bits;
    int width, height;
  };
  const Case cases[] = {
      {"mode Gray\ndepth 8\ntest-picture \"Solid black\"\n", 8, 157, 196},
      {"mode Gray\ndepth 16\ntest-picture \"Solid white\"\n", 8, 157, 196},
      {"mode Color\ndepth 8\ntest-picture \"Color pattern\"\n", 24, 157, 196},
      {"mode Color\ndepth 16\ntest-picture \"Color pattern\"\n", 24, 157, 196},
      // A hand scanner does not know its height in advance.
      {"mode Gray\ndepth 1\nhand-scanner true\n", 1, 216, 334},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.conf);
    ScannerFolder folder(c.conf);
    std::optional<plat::Dib> image = ScanOne();
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->bitCount(), c.bits);
    EXPECT_EQ(image->width(), c.width);
    EXPECT_EQ(image->height(), c.height);
    if (c.bits == 8) {
      const std::vector<plat::RGBQUAD> table = image->palette();
      ASSERT_EQ(table.size(), 256u);
      EXPECT_EQ(table[128], (plat::RGBQUAD{128, 128, 128, 0}));
    }
    TearDown();
  }
}

TEST_F(DsmTest, GreyLevelsAndThreePassColourMatchTheDevice) {
  std::optional<plat::Dib> black, white, single, threePass;
  {
    ScannerFolder folder("mode Gray\ndepth 8\ntest-picture \"Solid black\"\n");
    black = ScanOne();
    TearDown();
  }
  {
    ScannerFolder folder("mode Gray\ndepth 16\ntest-picture \"Solid white\"\n");
    white = ScanOne();
    TearDown();
  }
  {
    ScannerFolder folder("mode Color\ndepth 8\ntest-picture \"Color pattern\"\n");
    single = ScanOne();
    TearDown();
  }
  {
    ScannerFolder folder("mode Color\ndepth 8\nthree-pass true\ntest-picture \"Color pattern\"\n");
    threePass = ScanOne();
    TearDown();
  }
  ASSERT_TRUE(black && white && single && threePass);
  EXPECT_EQ(black->GetPixel(10, 10), plat::RGB(0, 0, 0));
  EXPECT_EQ(white->GetPixel(10, 10), plat::RGB(255, 255, 255));
  // One frame per channel assembles into the same picture as interleaved pixels.
  EXPECT_EQ(single->packed(), threePass->packed());
  // The pattern has colours, in the right channels.
  bool coloured = false;
  for (int x = 0; x < single->width() && !coloured; ++x) {
    const plat::COLORREF c = single->GetPixel(x, single->height() / 2);
    coloured = plat::GetRValue(c) != plat::GetBValue(c);
  }
  EXPECT_TRUE(coloured);
}

TEST_F(DsmTest, FeederGivesTenImagesThenRunsOut) {
  ScannerFolder folder(kGrid, "[Source]\nsource=Automatic Document Feeder\n");
  OpenAndEnable();
  TW_UINT16 message = 0;
  ASSERT_EQ(Event(&message), TWRC_DSEVENT);
  ASSERT_EQ(message, MSG_XFERREADY);
  int images = 0;
  TW_PENDINGXFERS pending{};
  do {
    std::optional<plat::Dib> image;
    ASSERT_EQ(Get(&image), TWRC_XFERDONE);
    ASSERT_TRUE(image && image->width() == 157);
    ++images;
    ASSERT_EQ(Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    ASSERT_LE(images, 11);
    if (pending.Count != 0) EXPECT_EQ(pending.Count, twain::kUnknownCount);
  } while (pending.Count != 0);
  EXPECT_EQ(images, 10);
  ASSERT_EQ(Event(&message), TWRC_DSEVENT);
  EXPECT_EQ(message, MSG_CLOSEDSREQ);
}

TEST_F(DsmTest, ReadErrorsFailAndCancelsCancelTheTransfer) {
  scantest::ScanInChild([&] {
    ScannerFolder folder(std::string(kGrid) + "read-status-code \"SANE_STATUS_IO_ERROR\"\n");
    OpenAndEnable();
    TW_UINT16 message = 0;
    EXPECT_EQ(Event(&message), TWRC_DSEVENT);
    std::optional<plat::Dib> image;
    EXPECT_EQ(Get(&image), TWRC_FAILURE);
    // Still ready to transfer: the transfers are reset, which ends them.
    TW_PENDINGXFERS pending{7, 0};
    EXPECT_EQ(Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_FAILURE);
    EXPECT_EQ(Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    EXPECT_EQ(Event(&message), TWRC_DSEVENT);
    EXPECT_EQ(message, MSG_CLOSEDSREQ);
  });
  scantest::ScanInChild([&] {
    ScannerFolder folder(std::string(kGrid) + "read-status-code \"SANE_STATUS_CANCELLED\"\n",
                         "[Source]\nsource=Automatic Document Feeder\n");
    OpenAndEnable();
    TW_UINT16 message = 0;
    EXPECT_EQ(Event(&message), TWRC_DSEVENT);
    std::optional<plat::Dib> image;
    EXPECT_EQ(Get(&image), TWRC_CANCEL);
    // A cancelled transfer ends even from a feeder.
    TW_PENDINGXFERS pending{7, 0};
    EXPECT_EQ(Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
  });
}

TEST_F(DsmTest, TheSettingsFileChoosesTheDeviceAndSetsItsOptions) {
  ScannerFolder folder(kGrid,
                       "[Other]\nDevice=test:0\n"
                       "[source]\ndevice=test:1\nmode=Color\ndepth=8\nno-such-option=1\nresolution=25\n"
                       "depth=16\n");
  TW_HANDLE parent = 0;
  ASSERT_EQ(Manager(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
  for (TW_UINT16 msg : {MSG_GETDEFAULT, MSG_USERSELECT}) {
    TW_IDENTITY id{};
    ASSERT_EQ(Manager(DAT_IDENTITY, msg, &id), TWRC_SUCCESS);
    EXPECT_STREQ(id.ProductName, "test:1");
    EXPECT_STREQ(id.Manufacturer, "Noname");
    EXPECT_STREQ(id.ProductFamily, "frontend-tester");
  }
  TW_HANDLE none = 0;
  EXPECT_EQ(Manager(DAT_PARENT, MSG_CLOSEDSM, &none), TWRC_SUCCESS);
  std::optional<plat::Dib> image = ScanOne();
  EXPECT_STREQ(source.ProductName, "test:1");
  ASSERT_TRUE(image.has_value());
  // Colour at 8 bits (the first "depth" only), at half the resolution.
  EXPECT_EQ(image->bitCount(), 24);
  EXPECT_EQ(image->width(), 78);
}

TEST_F(DsmTest, WithoutSettingsTheFirstDeviceIsTheDefault) {
  ScannerFolder folder(kGrid);
  ::unsetenv(twain::kIniEnv);  // the program folder has no "TWAIN.INI"
  TW_HANDLE parent = 0;
  ASSERT_EQ(Manager(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
  TW_IDENTITY id{};
  ASSERT_EQ(Manager(DAT_IDENTITY, MSG_GETDEFAULT, &id), TWRC_SUCCESS);
  EXPECT_STREQ(id.ProductName, "test:0");
  // A source asked for by name opens that device.
  source = TW_IDENTITY{};
  std::strcpy(source.ProductName, "test:1");
  ASSERT_EQ(Manager(DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
  EXPECT_STREQ(source.ProductName, "test:1");
}

TEST_F(DsmTest, CallsOutOfOrderOrToAnotherSourceFail) {
  ScannerFolder folder(kGrid);
  TW_HANDLE parent = 0;
  TW_IDENTITY id{};
  // Nothing works before the manager is open.
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_GETDEFAULT, &id), TWRC_FAILURE);
  EXPECT_EQ(Manager(DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_FAILURE);
  ASSERT_EQ(Manager(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
  EXPECT_EQ(Manager(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_FAILURE);
  EXPECT_EQ(entry(nullptr, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &id), TWRC_FAILURE);
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_GETDEFAULT, nullptr), TWRC_FAILURE);
  source = TW_IDENTITY{};
  ASSERT_EQ(Manager(DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
  TW_IDENTITY second{};
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_OPENDS, &second), TWRC_FAILURE);
  // The manager stays open while a source is.
  EXPECT_EQ(Manager(DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_FAILURE);

  std::optional<plat::Dib> image;
  EXPECT_EQ(Get(&image), TWRC_FAILURE);  // not enabled
  TW_PENDINGXFERS pending{};
  EXPECT_EQ(Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_FAILURE);
  TW_USERINTERFACE ui{};
  EXPECT_EQ(Source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_FAILURE);
  TW_IDENTITY other = source;
  other.Id += 1;
  EXPECT_EQ(entry(&app, &other, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_FAILURE);
  EXPECT_EQ(Source(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &ui), TWRC_FAILURE);
  EXPECT_EQ(Source(DG_AUDIO, DAT_NULL, MSG_GET, &ui), TWRC_FAILURE);
  ASSERT_EQ(Source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
  EXPECT_EQ(Source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_FAILURE);
  // An enabled source is not closed.
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_FAILURE);
}

// --- Settings file ---------------------------------------------------------------

TEST(TwainSettings, SourceSectionGivesTheDeviceAndOptionsInOrder) {
  char tmpl[] = "/tmp/tindrel-twainini-XXXXXX";
  const std::filesystem::path dir = ::mkdtemp(tmpl);
  const std::string file = (dir / "TWAIN.INI").string();
  WriteText(file,
            "[Source]\r\nmode=Gray\r\nDEVICE=net:host:test:0\r\ndepth=1\r\nMode=Color\r\nempty=\r\n"
            "device=ignored\r\nsource=\"Automatic Document Feeder\"\r\n[Source]\r\nresolution=300\r\n");
  const twainini::Settings s = twainini::ReadSettings(file);
  EXPECT_EQ(s.device, "net:host:test:0");
  const std::vector<std::pair<std::string, std::string>> want = {
      {"mode", "Gray"}, {"depth", "1"}, {"source", "Automatic Document Feeder"}};
  EXPECT_EQ(s.options, want);

  const twainini::Settings none = twainini::ReadSettings((dir / "missing.ini").string());
  EXPECT_TRUE(none.device.empty());
  EXPECT_TRUE(none.options.empty());

  ::setenv(twain::kIniEnv, file.c_str(), 1);
  EXPECT_EQ(twainini::SettingsPath(), file);
  ::setenv(twain::kIniEnv, "", 1);
  EXPECT_EQ(std::filesystem::path(twainini::SettingsPath()).filename(), "TWAIN.INI");
  ::unsetenv(twain::kIniEnv);
  std::filesystem::remove_all(dir);
}

// --- Image assembly --------------------------------------------------------------

scanframe::FrameParams Frame(int format, int depth, int ppl, int lines, int bpl, bool last = true) {
  scanframe::FrameParams p;
  p.format = format;
  p.depth = depth;
  p.pixelsPerLine = ppl;
  p.lines = lines;
  p.bytesPerLine = bpl;
  p.lastFrame = last;
  return p;
}

TEST(ScanFrame, RefusesParametersItCannotTake) {
  using namespace scanframe;
  const FrameParams bad[] = {
      Frame(kGray, 4, 10, 10, 5),                  // depth
      Frame(7, 8, 10, 10, 10),                     // format
      Frame(kGray, 8, 0, 10, 10),                  // no width
      Frame(kGray, 8, 10, 10, 9),                  // line shorter than its pixels
      Frame(kRgb, 16, 10, 10, 59),                 // the same in colour
      Frame(kGray, 1, 10, 10, 1),                  // 10 bits in one byte
      Frame(kGray, 8, kMaxSide + 1, 1, kMaxSide + 1),
      Frame(kGray, 8, 10, kMaxSide + 1, 10),
      Frame(kGray, 8, 60000, 60000, 60000),        // too many pixels
      Frame(kGray, 8, 10, 10, kMaxBytesPerLine + 1),
  };
  for (const FrameParams& p : bad) {
    Assembler a;
    EXPECT_FALSE(a.BeginFrame(p)) << p.format << " " << p.depth << " " << p.pixelsPerLine << " " << p.lines;
    EXPECT_EQ(a.TakeDib(), 0u);
  }
}

TEST(ScanFrame, PaddedLinesSurplusAndShortFramesAreBounded) {
  using namespace scanframe;
  // 10 grey pixels in lines of 12 bytes, 3 lines announced; 4 lines sent.
  Assembler a;
  ASSERT_TRUE(a.BeginFrame(Frame(kGray, 8, 10, 3, 12)));
  std::vector<std::uint8_t> bytes;
  for (int r = 0; r < 4; ++r)
    for (int x = 0; x < 12; ++x) bytes.push_back(std::uint8_t(r * 16 + x));
  EXPECT_TRUE(a.Add(bytes.data(), 5));
  EXPECT_FALSE(a.Add(bytes.data() + 5, bytes.size() - 5));
  a.EndFrame();
  EXPECT_TRUE(a.Complete());
  EXPECT_FALSE(a.BeginFrame(Frame(kGray, 8, 10, 3, 12)));  // the image is whole
  plat::HGLOBAL h = a.TakeDib();
  std::optional<plat::Dib> d = plat::Dib::FromGlobal(h);
  plat::GlobalFree(h);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->height(), 3);
  EXPECT_EQ(d->GetIndex(0, 0), 0);     // top row first sent
  EXPECT_EQ(d->GetIndex(9, 2), 32 + 9);  // padding skipped

  // An unknown height stops at the cap; a known one may end early.
  Assembler wide;
  ASSERT_TRUE(wide.BeginFrame(Frame(kGray, 1, kMaxSide, -1, kMaxSide / 8)));
  std::vector<std::uint8_t> line(kMaxSide / 8, 0xFF);
  int sent = 0;
  while (wide.Add(line.data(), line.size())) ++sent;
  EXPECT_EQ(wide.Rows(), int(kMaxPixels / kMaxSide));
  EXPECT_EQ(sent + 1, wide.Rows());
  wide.EndFrame();
  h = wide.TakeDib();
  EXPECT_NE(h, 0u);
  plat::GlobalFree(h);

  Assembler shortFrame;
  ASSERT_TRUE(shortFrame.BeginFrame(Frame(kGray, 1, 9, 100, 2)));
  const std::uint8_t row[3] = {0xFF, 0xFF, 0xAA};  // one line and a half
  EXPECT_TRUE(shortFrame.Add(row, 3));
  shortFrame.EndFrame();
  h = shortFrame.TakeDib();
  d = plat::Dib::FromGlobal(h);
  plat::GlobalFree(h);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->height(), 1);
  // Bits past the width stay clear.
  EXPECT_EQ(d->bits()[1], 0x80);
}

TEST(ScanFrame, ChannelFramesMustMatch) {
  using namespace scanframe;
  Assembler a;
  ASSERT_TRUE(a.BeginFrame(Frame(kGreen, 8, 4, 2, 4, false)));
  const std::uint8_t g[8] = {10, 20, 30, 40, 50, 60, 70, 80};
  a.Add(g, 8);
  a.EndFrame();
  EXPECT_FALSE(a.Complete());
  EXPECT_FALSE(a.BeginFrame(Frame(kGreen, 8, 4, 2, 4, false)));  // green again
  EXPECT_FALSE(a.BeginFrame(Frame(kRed, 8, 5, 2, 5, false)));    // another width
  EXPECT_FALSE(a.BeginFrame(Frame(kGray, 8, 4, 2, 4)));          // not a channel
  ASSERT_TRUE(a.BeginFrame(Frame(kRed, 16, 4, 5, 8, true)));     // other depth, last
  std::vector<std::uint8_t> r(8 * 5, 0);
  for (std::size_t i = 0; i < r.size(); i += 2) {
    const std::uint16_t v = 0xC000;
    std::memcpy(&r[i], &v, 2);
  }
  // Only the rows of the first frame are filled.
  EXPECT_FALSE(a.Add(r.data(), r.size()));
  a.EndFrame();
  EXPECT_TRUE(a.Complete());
  plat::HGLOBAL h = a.TakeDib();
  std::optional<plat::Dib> d = plat::Dib::FromGlobal(h);
  plat::GlobalFree(h);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->bitCount(), 24);
  EXPECT_EQ(d->height(), 2);
  EXPECT_EQ(d->GetPixel(1, 1), plat::RGB(0xC0, 60, 0));
}

}  // namespace
