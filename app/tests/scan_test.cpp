// Scanning: the scanner client on a fake source manager, the bitmap block,
// and the scan dialog (40161) on the source manager library over the system
// scanner library's "test" backend.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <functional>
#include <deque>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/appids.h"
#include "app/dibblock.h"
#include "app/imagevectorizer.h"
#include "app/scandlg.h"
#include "app/twain.h"
#include "dialog_fixture.h"
#include "framework/menu.h"
#include "framework/resources.h"
#include "model/imagereaders.h"
#include "model/settings.h"
#include "outside/tests/scanner_folder.h"
#include "platform/bytes.h"
#include "platform/dib.h"
#include "platform/image_io.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// The scanner library's test backend loses memory of its own.
extern "C" const char* __lsan_default_suppressions() { return "leak:libsane-test.so\n"; }

namespace apptest {
namespace {

using scantest::ScannerFolder;

// A packed bitmap in a new block: 1 bit with the white, black table unless
// another depth is asked for; `black` pixels set at the top-left.
plat::HGLOBAL MakeImage(int w, int h, int bits = 1, int black = 0) {
  std::vector<plat::RGBQUAD> table;
  if (bits == 1) table = {{255, 255, 255, 0}, {0, 0, 0, 0}};
  std::optional<plat::Dib> d = plat::Dib::Create(w, h, bits, table);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      d->SetPixel(x, y, x < black && y < black ? plat::RGB(0, 0, 0) : plat::RGB(255, 255, 255));
  return d->ToGlobal();
}

// --- A source manager that does what it is told -----------------------------------

struct FakeDsm {
  struct Call {
    TW_UINT32 dg;
    TW_UINT16 dat, msg;
    bool toSource;
    bool operator==(const Call&) const = default;
  };
  std::vector<Call> calls;
  // Overrides: the return code of one (dat, msg), the event the next
  // PROCESSEVENT reports, the Count the next ENDXFER leaves.
  std::vector<std::pair<std::pair<TW_UINT16, TW_UINT16>, TW_UINT16>> results;
  std::optional<TW_UINT16> event;
  std::optional<TW_UINT16> count;
  // What the transfers give, in order: a return code and a block (XFERDONE).
  std::deque<std::pair<TW_UINT16, plat::HGLOBAL>> transfers;
  bool armed = false;
  TW_IDENTITY origin{};

  static FakeDsm*& Current() {
    static FakeDsm* current = nullptr;
    return current;
  }
  static TW_UINT16 Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                         TW_MEMREF data) {
    return Current()->Handle(origin, dest, dg, dat, msg, data);
  }
  ~FakeDsm() {
    for (auto& t : transfers)
      if (t.second) plat::GlobalFree(t.second);
  }
  bool Called(TW_UINT16 dat, TW_UINT16 msg) const {
    for (const Call& c : calls)
      if (c.dat == dat && c.msg == msg) return true;
    return false;
  }

  // The cursor shown at each call.
  std::vector<fw::HCURSOR> cursors;

  TW_UINT16 Handle(pTW_IDENTITY o, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    origin = *o;
    calls.push_back({dg, dat, msg, dest != nullptr});
    cursors.push_back(fw::GetCursor());
    if (dest) EXPECT_EQ(TW_UINT32(dest->Id), 7u);
    std::optional<TW_UINT16> rc;
    for (const auto& [key, value] : results)
      if (key == std::make_pair(dat, msg)) rc = value;
    if (dg == DG_IMAGE) {
      auto* handle = static_cast<TW_UINT32*>(data);
      *handle = 0;
      if (transfers.empty()) return TWRC_FAILURE;
      auto [code, block] = transfers.front();
      transfers.pop_front();
      if (code == TWRC_XFERDONE) *handle = block;
      else if (block) plat::GlobalFree(block);
      return code;
    }
    if (dat == DAT_EVENT) {
      auto* e = static_cast<TW_EVENT*>(data);
      if (event) {
        e->TWMessage = *event;
        event.reset();
      } else {
        e->TWMessage = armed ? MSG_XFERREADY : MSG_CLOSEDSREQ;
        armed = false;
      }
      return rc.value_or(TWRC_DSEVENT);
    }
    if (dat == DAT_PENDINGXFERS) {
      auto* p = static_cast<TW_PENDINGXFERS*>(data);
      if (msg == MSG_RESET) transfers.clear();
      p->Count = count ? *count : TW_UINT16(transfers.size());
      count.reset();
    }
    if (rc) return *rc;
    if (dat == DAT_IDENTITY && msg == MSG_OPENDS) static_cast<TW_IDENTITY*>(data)->Id = 7;
    if (dat == DAT_USERINTERFACE && msg == MSG_ENABLEDS) armed = !transfers.empty();
    return TWRC_SUCCESS;
  }
};

class TestTwain : public CTwain {
 public:
  void OnStateChange(int s) override { states.push_back(s); }
  void OnError(int code) override { errors.push_back(code); }
  void OnImage(plat::HGLOBAL image) override {
    images.push_back(plat::GlobalSize(image));
    plat::GlobalFree(image);
  }
  using CTwain::SetState;
  using CTwain::SourceCall;
  using CTwain::SourceManagerCall;

  std::vector<int> states;
  std::vector<int> errors;
  std::vector<std::size_t> images;  // sizes, in order of arrival
};

class TwainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeDsm::Current() = &fake;
    CTwain::BindForTest(&FakeDsm::Entry);
  }
  void TearDown() override {
    CTwain::BindForTest(nullptr);
    FakeDsm::Current() = nullptr;
  }
  FakeDsm fake;
};

using Call = FakeDsm::Call;
constexpr Call kOpenDsm{DG_CONTROL, DAT_PARENT, MSG_OPENDSM, false};
constexpr Call kCloseDsm{DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, false};
constexpr Call kOpenDs{DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, false};
constexpr Call kCloseDs{DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, false};
constexpr Call kEnable{DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, true};
constexpr Call kDisable{DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, true};
constexpr Call kEvent{DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, true};
constexpr Call kGet{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, true};
constexpr Call kEndXfer{DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, true};
constexpr Call kReset{DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, true};

TEST_F(TwainTest, CallsChangeTheStateAsTheProtocolSays) {
  struct Case {
    int from;
    TW_UINT32 dg;
    TW_UINT16 dat, msg, rc;
    std::optional<TW_UINT16> event, count;
    int to;
  };
  const Case cases[] = {
      {2, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, TWRC_SUCCESS, {}, {}, 3},
      {2, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, TWRC_FAILURE, {}, {}, 2},
      {3, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, TWRC_SUCCESS, {}, {}, 2},
      {3, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, TWRC_SUCCESS, {}, {}, 4},
      {3, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, TWRC_FAILURE, {}, {}, 3},
      {4, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, TWRC_SUCCESS, {}, {}, 3},
      {4, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, TWRC_SUCCESS, {}, {}, 5},
      {5, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, TWRC_SUCCESS, {}, {}, 4},
      {5, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, TWRC_FAILURE, {}, {}, 5},
      {5, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, TWRC_DSEVENT, MSG_XFERREADY, {}, 6},
      {6, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, TWRC_DSEVENT, MSG_CLOSEDSREQ, {}, 5},
      {5, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, TWRC_NOTDSEVENT, MSG_NULL, {}, 5},
      {7, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, TWRC_SUCCESS, {}, TW_UINT16(2), 6},
      {7, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, TWRC_SUCCESS, {}, TW_UINT16(0), 5},
      {7, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, TWRC_FAILURE, {}, {}, 7},
      {6, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, TWRC_SUCCESS, {}, {}, 5},
      {6, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_XFERDONE, {}, {}, 7},
      {6, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_CANCEL, {}, {}, 7},
      {6, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_FAILURE, {}, {}, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "from " << c.from << " dat " << c.dat << " msg " << c.msg << " rc " << c.rc);
    TestTwain t;
    ASSERT_TRUE(t.BeginAcquire());  // a source to call
    t.SetState(c.from);
    fake.results = {{{c.dat, c.msg}, c.rc}};
    fake.event = c.event;
    fake.count = c.count;
    fake.transfers.clear();
    if (c.dg == DG_IMAGE) fake.transfers.push_back({c.rc, c.rc == TWRC_XFERDONE ? MakeImage(8, 8) : 0});
    TW_EVENT event{};
    TW_PENDINGXFERS pending{};
    TW_UINT32 image = 0;
    TW_IDENTITY id{};
    void* data = c.dat == DAT_EVENT ? static_cast<void*>(&event)
                 : c.dat == DAT_PENDINGXFERS ? static_cast<void*>(&pending)
                 : c.dg == DG_IMAGE ? static_cast<void*>(&image)
                                    : static_cast<void*>(&id);
    // The client's own record is what ENDXFER reads back.
    if (c.dat == DAT_PENDINGXFERS) {
      t.EndTransfer();
      if (c.msg == MSG_RESET) t.CancelTransfers();
    } else if (c.dat == DAT_PARENT || c.dat == DAT_IDENTITY) {
      t.SourceManagerCall(c.dg, c.dat, c.msg, data);
    } else {
      t.SourceCall(c.dg, c.dat, c.msg, data);
    }
    EXPECT_EQ(t.GetState(), c.to);
    EXPECT_EQ(t.GetLastReturnCode(), c.rc);
    if (image) plat::GlobalFree(image);
    fake.results.clear();
    t.SetState(1);  // nothing to close
  }
}

TEST_F(TwainTest, AcquireOpensEnablesAndClosesOnRequestWithoutTransfer) {
  {
    TestTwain t;
    ASSERT_TRUE(t.BeginAcquire());
    EXPECT_EQ(t.GetState(), 5);
    EXPECT_EQ(t.states, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(fake.calls, (std::vector<Call>{kOpenDsm, kOpenDs, kEnable}));
    // The program's identity.
    EXPECT_EQ(TW_UINT32(fake.origin.Id), 0u);
    EXPECT_EQ(fake.origin.Version.MajorNum, 1);
    EXPECT_EQ(fake.origin.Version.Language, TWLG_USA);
    EXPECT_EQ(fake.origin.Version.Country, TWCY_USA);
    EXPECT_STREQ(fake.origin.Version.Info, "<?>");
    EXPECT_EQ(fake.origin.ProtocolMajor, 1);
    EXPECT_EQ(fake.origin.ProtocolMinor, 6);
    EXPECT_EQ(TW_UINT32(fake.origin.SupportedGroups), 3u);
    EXPECT_STREQ(fake.origin.ProductName, "<?>");

    // The source asks to be closed without any transfer: the manager stays open.
    fake.calls.clear();
    fw::MSG msg;
    EXPECT_TRUE(t.ProcessSourceMessage(&msg));
    EXPECT_EQ(t.GetState(), 3);
    EXPECT_EQ(fake.calls, (std::vector<Call>{kEvent, kDisable, kCloseDs}));
    EXPECT_TRUE(t.images.empty());
    // Below state 5 messages are not the source's.
    fake.calls.clear();
    EXPECT_FALSE(t.ProcessSourceMessage(&msg));
    EXPECT_TRUE(fake.calls.empty());
    // The next scan opens the source again, without opening the manager.
    ASSERT_TRUE(t.BeginAcquire());
    EXPECT_EQ(fake.calls, (std::vector<Call>{kOpenDs, kEnable}));
    fake.calls.clear();
  }
  // Going away closes down to nothing.
  EXPECT_EQ(fake.calls, (std::vector<Call>{kDisable, kCloseDs, kCloseDsm}));
}

TEST_F(TwainTest, TransfersDeliverEveryDoneImageInOrderAndStopOnFailure) {
  TestTwain t;
  ASSERT_TRUE(t.BeginAcquire());
  // Three images, one cancelled between them.
  fake.transfers = {{TWRC_XFERDONE, MakeImage(8, 1)},
                    {TWRC_CANCEL, 0},
                    {TWRC_XFERDONE, MakeImage(8, 2)},
                    {TWRC_XFERDONE, MakeImage(8, 3)}};
  fake.armed = true;
  fake.calls.clear();
  fw::MSG msg;
  EXPECT_TRUE(t.ProcessSourceMessage(&msg));
  const std::size_t header = 40 + 8;
  EXPECT_EQ(t.images, (std::vector<std::size_t>{header + 4, header + 8, header + 12}));
  EXPECT_EQ(fake.calls, (std::vector<Call>{kEvent, kGet, kEndXfer, kGet, kEndXfer, kGet, kEndXfer, kGet, kEndXfer}));
  EXPECT_EQ(t.GetState(), 5);

  // A transfer that fails is not asked again: the rest is reset.
  fake.transfers = {{TWRC_FAILURE, 0}, {TWRC_XFERDONE, MakeImage(8, 1)}};
  fake.armed = true;
  fake.calls.clear();
  t.images.clear();
  EXPECT_TRUE(t.ProcessSourceMessage(&msg));
  EXPECT_EQ(fake.calls, (std::vector<Call>{kEvent, kGet, kReset}));
  EXPECT_TRUE(t.images.empty());
  EXPECT_EQ(t.GetState(), 5);
}

TEST_F(TwainTest, FailedStepsReportAndReturnToTheStateBefore) {
  struct Case {
    TW_UINT16 dat, msg;
    int error;
    std::vector<Call> calls;
  };
  const Case cases[] = {
      {DAT_PARENT, MSG_OPENDSM, CTwain::kErrorOpenManager, {kOpenDsm}},
      {DAT_IDENTITY, MSG_OPENDS, CTwain::kErrorOpenSource, {kOpenDsm, kOpenDs, kCloseDsm}},
      {DAT_USERINTERFACE, MSG_ENABLEDS, CTwain::kErrorEnableSource, {kOpenDsm, kOpenDs, kEnable, kCloseDs, kCloseDsm}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.msg);
    fake.calls.clear();
    fake.results = {{{c.dat, c.msg}, TWRC_FAILURE}};
    TestTwain t;
    EXPECT_FALSE(t.BeginAcquire());
    EXPECT_EQ(t.errors, std::vector<int>{c.error});
    EXPECT_EQ(t.GetState(), 1);
    EXPECT_EQ(fake.calls, c.calls);
  }
  // From an open manager, a failure leaves it open.
  fake.results = {{{DAT_IDENTITY, MSG_OPENDS}, TWRC_FAILURE}};
  TestTwain t;
  ASSERT_TRUE(t.OpenSourceManager());
  EXPECT_FALSE(t.BeginAcquire());
  EXPECT_EQ(t.GetState(), 3);
}

TEST_F(TwainTest, SelectionAsksForTheDefaultThenTheUsersChoice) {
  TestTwain t;
  fake.calls.clear();
  EXPECT_TRUE(t.SelectSource());
  const Call getDefault{DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, false};
  const Call userSelect{DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, false};
  EXPECT_EQ(fake.calls, (std::vector<Call>{kOpenDsm, getDefault, userSelect, kCloseDsm}));
  EXPECT_EQ(t.GetState(), 1);
  // With the manager open it stays open; a refused choice is false.
  ASSERT_TRUE(t.OpenSourceManager());
  fake.results = {{{DAT_IDENTITY, MSG_USERSELECT}, TWRC_CANCEL}};
  EXPECT_FALSE(t.SelectSource());
  EXPECT_EQ(t.GetState(), 3);
}

TEST_F(TwainTest, DropToStateClosesStepByStepAndStopsAtAFailure) {
  TestTwain t;
  ASSERT_TRUE(t.BeginAcquire());
  t.SetState(7);
  fake.calls.clear();
  fake.count = 0;
  EXPECT_TRUE(t.DropToState(1));
  EXPECT_EQ(fake.calls, (std::vector<Call>{kEndXfer, kDisable, kCloseDs, kCloseDsm}));
  EXPECT_EQ(t.GetState(), 1);

  ASSERT_TRUE(t.BeginAcquire());
  fake.results = {{{DAT_IDENTITY, MSG_CLOSEDS}, TWRC_FAILURE}};
  EXPECT_FALSE(t.DropToState(2));
  EXPECT_EQ(t.GetState(), 4);
  fake.results.clear();
}

TEST_F(TwainTest, GoingAwayMidTransferEndsItAndClosesEverything) {
  {
    TestTwain t;
    ASSERT_TRUE(t.BeginAcquire());
    t.SetState(7);
    fake.calls.clear();
    fake.count = 3;  // more would follow
  }
  EXPECT_EQ(fake.calls, (std::vector<Call>{kEndXfer, kReset, kDisable, kCloseDs, kCloseDsm}));
}

TEST_F(TwainTest, AMissingSourceManagerIsTriedOnce) {
  CTwain::BindForTest(nullptr, "NoSuchTwain.dll");
  TestTwain t;
  EXPECT_FALSE(t.IsAvailable());
  EXPECT_FALSE(t.IsAvailable());
  TestTwain other;
  EXPECT_FALSE(other.IsAvailable());
  EXPECT_EQ(CTwain::LoadAttempts(), 1);
  EXPECT_EQ(t.GetState(), 1);
  EXPECT_FALSE(t.SourceManagerCall(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, nullptr));
  EXPECT_TRUE(fake.calls.empty());
}

TEST_F(TwainTest, TheRealLibraryBindsByName) {
  CTwain::BindForTest(nullptr);
  TestTwain t;
  EXPECT_TRUE(t.IsAvailable());
  EXPECT_EQ(t.GetState(), 2);
  EXPECT_TRUE(t.UnloadSourceManager());
  EXPECT_EQ(t.GetState(), 1);
  // Known to be there: the next open loads it again.
  EXPECT_TRUE(t.IsAvailable());
}

// --- The bitmap block --------------------------------------------------------------

class DibBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tindrel-dib-XXXXXX";
    dir = ::mkdtemp(tmpl);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
};

TEST_F(DibBlockTest, HoldsOnlyReadableBitmapsAsCopies) {
  CDibBlock block;
  plat::BITMAPINFOHEADER h;
  EXPECT_FALSE(block.GetHeader(&h));
  EXPECT_EQ(block.CreateBitmap(), nullptr);
  EXPECT_FALSE(block.WriteBmpFile((dir / "none.bmp").string()));

  plat::HGLOBAL good = MakeImage(20, 10, 1, 5);
  ASSERT_TRUE(block.SetCopy(good));
  EXPECT_NE(block.GetHandle(), good);
  plat::GlobalFree(good);  // the copy is the holder's own
  ASSERT_TRUE(block.GetHeader(&h));
  EXPECT_EQ(h.biWidth, 20);
  plat::HBITMAP bmp = block.CreateBitmap();
  ASSERT_NE(bmp, nullptr);
  std::optional<plat::Dib> back = plat::Dib::FromBitmap(bmp, 24);
  plat::DeleteObject(bmp);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetPixel(0, 0), plat::RGB(0, 0, 0));
  EXPECT_EQ(back->GetPixel(19, 9), plat::RGB(255, 255, 255));

  // Hostile blocks are not held, and the earlier image is gone.
  struct Bad {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> spoil;
  };
  const Bad bad[] = {
      {"rows cut short", [](std::vector<std::uint8_t>& b) { b.resize(b.size() - 4); }},
      {"header cut short", [](std::vector<std::uint8_t>& b) { b.resize(30); }},
      {"depth 3", [](std::vector<std::uint8_t>& b) { b[14] = 3; }},
      {"huge width", [](std::vector<std::uint8_t>& b) { b[7] = 0x7F; }},
      {"compressed", [](std::vector<std::uint8_t>& b) { b[16] = 1; }},
      {"table of 300", [](std::vector<std::uint8_t>& b) { b[32] = 0x2C; b[33] = 1; }},
  };
  plat::HGLOBAL model = MakeImage(20, 10);
  std::vector<std::uint8_t> bytes;
  {
    plat::GlobalLockGuard g(model);
    bytes.assign(g.bytes(), g.bytes() + g.size());
  }
  plat::GlobalFree(model);
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.what);
    ASSERT_TRUE(block.SetCopy(MakeImage(4, 4)) || true);
    std::vector<std::uint8_t> spoilt = bytes;
    b.spoil(spoilt);
    plat::HGLOBAL h2 = plat::GlobalAlloc(plat::GHND, spoilt.size());
    std::memcpy(plat::GlobalLockGuard(h2).bytes(), spoilt.data(), spoilt.size());
    EXPECT_FALSE(block.SetCopy(h2));
    EXPECT_TRUE(block.IsEmpty());
    plat::GlobalFree(h2);
  }
  EXPECT_FALSE(block.SetCopy(0));
}

TEST_F(DibBlockTest, WritesABmpFileTheReaderTakes) {
  // 24 bits, no table: the rows follow the header; the image size is filled in.
  plat::HGLOBAL image = MakeImage(5, 3, 24, 2);
  {
    plat::GlobalLockGuard g(image);
    g.as<plat::BITMAPINFOHEADER>()->biSizeImage = 0;
  }
  CDibBlock block;
  ASSERT_TRUE(block.SetCopy(image));
  plat::GlobalFree(image);
  const std::string path = (dir / "out.bmp").string();
  ASSERT_TRUE(block.WriteBmpFile(path));
  const std::vector<std::uint8_t> file = ReadBytes(path);
  ASSERT_EQ(file.size(), 54u + 16u * 3u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(plat::GetU32(&file[2]), file.size());    // bfSize
  EXPECT_EQ(plat::GetU32(&file[10]), 54u);            // bfOffBits
  EXPECT_EQ(plat::GetU32(&file[14 + 20]), 16u * 3u);  // biSizeImage
  CBmpReader reader(path);
  ASSERT_NE(reader.ReadHeader(), 0);
  EXPECT_EQ(reader.width(), 5);
  EXPECT_EQ(reader.height(), 3);
  EXPECT_EQ(reader.bitCount(), 24);
  plat::HBITMAP bmp = reader.CreateBitmapQuiet();
  ASSERT_NE(bmp, nullptr);
  std::optional<plat::Dib> back = plat::Dib::FromBitmap(bmp, 24);
  plat::DeleteObject(bmp);
  EXPECT_EQ(back->GetPixel(1, 1), plat::RGB(0, 0, 0));
  EXPECT_EQ(back->GetPixel(2, 1), plat::RGB(255, 255, 255));

  // A 1-bit image: the table comes between; an image size short of the
  // rows does not cut the file.
  plat::HGLOBAL mono = MakeImage(9, 2);
  {
    plat::GlobalLockGuard g(mono);
    g.as<plat::BITMAPINFOHEADER>()->biSizeImage = 4;
  }
  ASSERT_TRUE(block.SetCopy(mono));
  plat::GlobalFree(mono);
  ASSERT_TRUE(block.WriteBmpFile(path));
  const std::vector<std::uint8_t> monoFile = ReadBytes(path);
  EXPECT_EQ(plat::GetU32(&monoFile[10]), 62u);
  EXPECT_EQ(monoFile.size(), 62u + 8u);
  EXPECT_TRUE(plat::ReadBmpFile(path).has_value());
}

TEST_F(DibBlockTest, FailedWritesLeaveNoFileAndSayFalse) {
  plat::HGLOBAL image = MakeImage(64, 64, 24);
  CDibBlock block;
  ASSERT_TRUE(block.SetCopy(image));
  plat::GlobalFree(image);
  // A header that claims more image than the block holds.
  plat::HGLOBAL claiming = MakeImage(8, 8);
  {
    plat::GlobalLockGuard g(claiming);
    g.as<plat::BITMAPINFOHEADER>()->biSizeImage = 1000;
  }
  CDibBlock big;
  ASSERT_TRUE(big.SetCopy(claiming));
  plat::GlobalFree(claiming);
  EXPECT_FALSE(big.WriteBmpFile((dir / "claim.bmp").string()));
  EXPECT_FALSE(std::filesystem::exists(dir / "claim.bmp"));
  // No folder to write into.
  EXPECT_FALSE(block.WriteBmpFile((dir / "missing" / "x.bmp").string()));
  // A write that fails midway keeps the file that was there.
  const std::string kept = (dir / "kept.bmp").string();
  WriteBytes(kept, {1, 2, 3});
  EXPECT_EXIT(
      {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim;
        lim.rlim_cur = lim.rlim_max = 4096;
        setrlimit(RLIMIT_FSIZE, &lim);
        _exit(block.WriteBmpFile(kept) ? 1 : 4);
      },
      ::testing::ExitedWithCode(4), "");
  EXPECT_EQ(ReadBytes(kept), (std::vector<std::uint8_t>{1, 2, 3}));
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

// --- The scan dialog ---------------------------------------------------------------

class ScanDialogTest : public DialogViewTest {
 protected:
  void SetUp() override {
    DialogViewTest::SetUp();
    CTwain::BindForTest(nullptr);
  }
  void TearDown() override {
    CTwain::BindForTest(nullptr);
    FakeDsm::Current() = nullptr;
    DialogViewTest::TearDown();
  }
  // Runs 40161 with the steps for the dialogs it opens, in order.
  void Scan(std::vector<fw::ScriptedModalDriver::Step> steps) {
    fw::ScriptedModalDriver driver;
    for (auto& s : steps) driver.Then(std::move(s));
    view->SendMessage(fw::WM_COMMAND, appid::ID_SCAN, 0);
    runs = driver.Runs();
  }
  static bool Enabled(fw::CDialog& d, fw::UINT id) { return d.GetDlgItem(id)->IsWindowEnabled() != fw::FALSE; }
  static fw::RECT Frame(fw::CDialog& d) {
    fw::RECT r;
    d.GetDlgItem(appid::IDC_SCAN_PREVIEW)->GetWindowRect(&r);
    d.ScreenToClient(&r);
    return r;
  }
  static plat::COLORREF At(fw::CDialog& d, int x, int y) { return d.GetSurface().surface().GetPixel(x, y); }
  // Clicks "Scan" and lets the dialog's loop run.
  static void ClickScan(fw::CDialog& d) {
    ASSERT_TRUE(d.ClickButton(appid::ID_TWAIN_SCAN));
    fw::PumpPendingMessages();
  }
  std::size_t Boxes() const { return sink.boxes.size(); }
};

TEST_F(ScanDialogTest, GridScanIsPreviewedSavedAndTheSourceClosed) {
  ScannerFolder folder("mode Gray\ndepth 1\ntest-picture \"Grid\"\n");
  const std::string saved = Path("grid.bmp");
  CScanDlg* seen = nullptr;
  Scan({[&](fw::CDialog& d) {
          auto& dlg = dynamic_cast<CScanDlg&>(d);
          seen = &dlg;
          EXPECT_EQ(d.GetWindowText(), "Scan");
          EXPECT_FALSE(Enabled(d, fw::IDOK));
          EXPECT_FALSE(Enabled(d, appid::IDC_SCAN_SAVE));
          EXPECT_TRUE(Enabled(d, appid::ID_TWAIN_SCAN));
          EXPECT_TRUE(Enabled(d, appid::ID_TWAIN_SELECT));
          EXPECT_EQ(dlg.GetState(), 3);
          ASSERT_TRUE(d.ClickButton(appid::ID_TWAIN_SELECT));
          EXPECT_EQ(dlg.GetState(), 3);
          ClickScan(d);
          ASSERT_NE(dlg.GetImage(), nullptr);
          EXPECT_EQ(dlg.ImagesReceived(), 1);
          plat::BITMAPINFOHEADER h;
          ASSERT_TRUE(dlg.GetImage()->GetHeader(&h));
          EXPECT_EQ(h.biWidth, 157);
          EXPECT_EQ(h.biHeight, 196);
          EXPECT_EQ(h.biBitCount, 1);
          // The source asked to be closed; the manager stays open for the next scan.
          EXPECT_EQ(dlg.GetState(), 3);
          EXPECT_TRUE(Enabled(d, appid::IDC_SCAN_SAVE));
          EXPECT_TRUE(Enabled(d, fw::IDOK));
          // Drawn 1:1 inside the frame's border: the grid's white cell, then black.
          const fw::RECT f = Frame(d);
          EXPECT_EQ(At(d, f.left, f.top + 5), plat::RGB(0, 0, 0));  // the border
          EXPECT_EQ(At(d, f.left + 1 + 5, f.top + 1 + 5), plat::RGB(255, 255, 255));
          EXPECT_EQ(At(d, f.left + 1 + 25, f.top + 1 + 5), plat::RGB(0, 0, 0));
          EXPECT_EQ(At(d, f.left + 1 + 5, f.top + 1 + 30), plat::RGB(0, 0, 0));
          ASSERT_TRUE(d.ClickButton(appid::IDC_SCAN_SAVE));
          d.ClickButton(fw::IDCANCEL);
        },
        [&](fw::CDialog& d) {
          auto& f = dynamic_cast<fw::CFileDialog&>(d);
          EXPECT_FALSE(f.IsOpenDialog());
          EXPECT_EQ(f.GetDefExt(), "BMP");
          ASSERT_EQ(f.Filters().size(), 1u);
          EXPECT_EQ(f.Filters()[0].second, "*.BMP");
          EXPECT_EQ(f.m_initialDir, "C:\\VORLAN");
          f.Choose(saved);
        }});
  // The file dialog ends first, inside the scan dialog's run.
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].result, fw::IDOK);
  EXPECT_EQ(runs[1].templateId, appid::IDD_SCAN);
  EXPECT_EQ(runs[1].result, fw::IDCANCEL);
  EXPECT_NE(seen, nullptr);
  CBmpReader reader(saved);
  ASSERT_NE(reader.ReadHeader(), 0);
  EXPECT_EQ(reader.width(), 157);
  EXPECT_EQ(reader.height(), 196);
  EXPECT_EQ(reader.bitCount(), 1);
  EXPECT_NE(reader.CreateBitmapQuiet(), nullptr);
  EXPECT_EQ(CProfile().GetString("SystemParam", "Image", ""), dir);
  EXPECT_EQ(Steps(), 0);
  EXPECT_EQ(Boxes(), 0u);
}

TEST_F(ScanDialogTest, OkTracesTheScanIntoOneObjectInOneStep) {
  ScannerFolder folder("mode Gray\ndepth 1\ntest-picture \"Grid\"\n");
  {
    // The tracer must know a square on white.
    plat::HGLOBAL probe = MakeImage(40, 40, 1, 20);
    CDibBlock b;
    ASSERT_TRUE(b.SetCopy(probe));
    plat::GlobalFree(probe);
    plat::HBITMAP bmp = b.CreateBitmap();
    const bool traces = VectorizeImage(bmp, nullptr) != nullptr;
    plat::DeleteObject(bmp);
    if (!traces) GTEST_SKIP() << "VectorizeImage traces nothing yet: needs the tracing library";
  }
  const int before = doc->GetObjectCount();
  Scan({[&](fw::CDialog& d) {
    ClickScan(d);
    ASSERT_TRUE(Enabled(d, fw::IDOK));
    d.ClickButton(fw::IDOK);
  }});
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].result, fw::IDOK);
  ASSERT_EQ(doc->GetObjectCount(), before + 1);
  EXPECT_EQ(Steps(), 1);
  // The longer side is 150 pixels at the view's zoom, the corner at the origin.
  CGraphObject* traced = doc->GetObjectAt(before);
  const CFRect& b = traced->bounds;
  const float k = float(view->GetScale() * 150.0 / 196.0);
  EXPECT_FLOAT_EQ(traced->matrix.m00, k);
  EXPECT_FLOAT_EQ(traced->matrix.m11, k);
  EXPECT_EQ(traced->matrix.m20, 0.0f);
  EXPECT_EQ(traced->matrix.m21, 0.0f);
  EXPECT_GT(b.bottom - b.top, 150.0f * k);  // the grid spans the scan
  EXPECT_LE(b.bottom - b.top, 196.0f * k + 1e-3f);
  EXPECT_GE(b.left, -1e-3f);
  EXPECT_GE(b.top, -1e-3f);
  EXPECT_TRUE(Undo());
  EXPECT_EQ(doc->GetObjectCount(), before);
}

TEST_F(ScanDialogTest, OkOnABlankScanAddsNothingAndStaysOpen) {
  ScannerFolder folder("mode Gray\ndepth 1\ntest-picture \"Solid white\"\n");
  const int before = doc->GetObjectCount();
  Scan({[&](fw::CDialog& d) {
    ClickScan(d);
    ASSERT_TRUE(Enabled(d, fw::IDOK));
    d.ClickButton(fw::IDOK);
    EXPECT_FALSE(dynamic_cast<CScanDlg&>(d).IsEnded());
    EXPECT_NE(dynamic_cast<CScanDlg&>(d).GetImage(), nullptr);
  }});
  EXPECT_EQ(doc->GetObjectCount(), before);
  EXPECT_EQ(Steps(), 0);
}

TEST_F(ScanDialogTest, FeederGivesTenImagesInOneTransfer) {
  ScannerFolder folder("mode Gray\ndepth 8\ntest-picture \"Grid\"\n",
                       "[Source]\nsource=Automatic Document Feeder\n");
  Scan({[&](fw::CDialog& d) {
    auto& dlg = dynamic_cast<CScanDlg&>(d);
    ASSERT_TRUE(d.ClickButton(appid::ID_TWAIN_SCAN));
    // The one message posted after the start carries all ten.
    ASSERT_TRUE(fw::PumpMessage());
    EXPECT_EQ(dlg.ImagesReceived(), 10);
    fw::PumpPendingMessages();
    EXPECT_EQ(dlg.ImagesReceived(), 10);
    EXPECT_EQ(dlg.GetState(), 3);
    // A grey image can be saved but not traced.
    EXPECT_TRUE(Enabled(d, appid::IDC_SCAN_SAVE));
    EXPECT_FALSE(Enabled(d, fw::IDOK));
  }});
}

// Every dialog loads the source manager and the scanner library's backends
// and unloads them when it ends; the backend stays unloaded here, so what a
// cycle loses cannot be excused by its name.
TEST_F(ScanDialogTest, OpeningAndCancellingAgainLosesNothing) {
  ScannerFolder folder("mode Gray\ndepth 1\n", {}, ScannerFolder::kBackendUnloads);
  for (int round = 0; round < 3; ++round) {
    Scan({[&](fw::CDialog& d) {
      EXPECT_EQ(dynamic_cast<CScanDlg&>(d).GetState(), 3);
      ASSERT_TRUE(d.ClickButton(appid::ID_TWAIN_SELECT));
      d.ClickButton(fw::IDCANCEL);
    }});
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].result, fw::IDCANCEL);
  }
  EXPECT_EQ(Boxes(), 0u);
#if defined(__SANITIZE_ADDRESS__)
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

TEST_F(ScanDialogTest, AReadErrorEndsTheScanWithoutAnImage) {
  ScannerFolder folder("mode Gray\ndepth 1\ntest-picture \"Grid\"\nread-status-code \"SANE_STATUS_IO_ERROR\"\n");
  scantest::ScanInChild([&] {
    Scan({[&](fw::CDialog& d) {
      auto& dlg = dynamic_cast<CScanDlg&>(d);
      ClickScan(d);
      EXPECT_EQ(dlg.GetImage(), nullptr);
      EXPECT_EQ(dlg.GetState(), 3);
      EXPECT_FALSE(Enabled(d, fw::IDOK));
      EXPECT_FALSE(Enabled(d, appid::IDC_SCAN_SAVE));
      EXPECT_EQ(fw::PostedMessageCount(), 0u);
    }});
    EXPECT_EQ(runs.size(), 1u);
  });
}

TEST_F(ScanDialogTest, LargeImagesShrinkKeepingTheirShape) {
  FakeDsm fake;
  FakeDsm::Current() = &fake;
  CTwain::BindForTest(&FakeDsm::Entry);
  // Twice the frame's inner width, all black.
  Scan({[&](fw::CDialog& d) {
    const fw::RECT f = Frame(d);
    const int w = f.right - f.left - 2, h = f.bottom - f.top - 2;
    fake.transfers = {{TWRC_XFERDONE, MakeImage(2 * w, h, 1, 4 * w)}};
    ClickScan(d);
    EXPECT_EQ(At(d, f.left + 1, f.top + 1), plat::RGB(0, 0, 0));
    EXPECT_EQ(At(d, f.left + w, f.top + h / 2), plat::RGB(0, 0, 0));
    EXPECT_NE(At(d, f.left + w, f.top + h / 2 + 2), plat::RGB(0, 0, 0));
    // A block that is no bitmap is not shown.
    fake.transfers = {{TWRC_XFERDONE, plat::GlobalAlloc(plat::GHND, 30)}};
    ClickScan(d);
    EXPECT_EQ(dynamic_cast<CScanDlg&>(d).GetImage(), nullptr);
  }});
  EXPECT_EQ(Boxes(), 0u);
}

TEST_F(ScanDialogTest, WithoutASourceManagerTheButtonsStayOff) {
  CTwain::BindForTest(nullptr, "NoSuchTwain.dll");
  Scan({[&](fw::CDialog& d) {
    EXPECT_FALSE(Enabled(d, appid::ID_TWAIN_SCAN));
    EXPECT_FALSE(Enabled(d, appid::ID_TWAIN_SELECT));
    EXPECT_FALSE(Enabled(d, fw::IDOK));
  }});
  EXPECT_EQ(Boxes(), 0u);

  // A manager that does not open says so, and so does a scan that cannot start.
  FakeDsm fake;
  FakeDsm::Current() = &fake;
  CTwain::BindForTest(&FakeDsm::Entry);
  fake.results = {{{DAT_PARENT, MSG_OPENDSM}, TWRC_FAILURE}};
  Scan({[&](fw::CDialog& d) { EXPECT_FALSE(Enabled(d, appid::ID_TWAIN_SCAN)); }});
  ASSERT_EQ(Boxes(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "A TWAIN error occurred.");
  EXPECT_EQ(sink.boxes[0].style & plat::MB_ICONMASK, plat::MB_ICONINFORMATION);
  fake.results = {{{DAT_IDENTITY, MSG_OPENDS}, TWRC_FAILURE}};
  Scan({[&](fw::CDialog& d) {
    ClickScan(d);
    EXPECT_EQ(dynamic_cast<CScanDlg&>(d).GetState(), 3);
  }});
  EXPECT_EQ(Boxes(), 2u);
}

// Finding the scanners, opening one and scanning take seconds (every scanner
// library's backend looks for its devices): the wait cursor shows meanwhile,
// and the message of a failure comes with the cursor as it was.
TEST_F(ScanDialogTest, TheWaitCursorShowsWhileTheSourceManagerWorks) {
  FakeDsm fake;
  FakeDsm::Current() = &fake;
  CTwain::BindForTest(&FakeDsm::Entry);
  const fw::HCURSOR arrow = fw::LoadStandardCursor(fw::IDC_ARROW), wait = fw::LoadStandardCursor(fw::IDC_WAIT);
  fw::SetCursor(arrow);
  struct CursorAtBox : plat::RecordingSink {
    std::vector<fw::HCURSOR> cursors;
    int MessageBox(std::string_view text, std::string_view caption, unsigned style) override {
      cursors.push_back(fw::GetCursor());
      return RecordingSink::MessageBox(text, caption, style);
    }
  } boxes;
  plat::ScopedReportSink reports(&boxes);
  Scan({[&](fw::CDialog& d) {
    fake.transfers = {{TWRC_XFERDONE, MakeImage(30, 20, 1, 10)}};
    ASSERT_TRUE(d.ClickButton(appid::ID_TWAIN_SELECT));
    ClickScan(d);
    EXPECT_EQ(fw::GetCursor(), arrow);
    fake.results = {{{DAT_IDENTITY, MSG_OPENDS}, TWRC_FAILURE}};
    ClickScan(d);
  }});
  ASSERT_EQ(fake.calls.size(), fake.cursors.size());
  int slow = 0;
  for (std::size_t i = 0; i < fake.calls.size(); ++i) {
    const Call& c = fake.calls[i];
    // Events and closing are quick.
    if (c.dat == DAT_EVENT || c.msg == MSG_DISABLEDS || c.msg == MSG_CLOSEDS || c.msg == MSG_CLOSEDSM) continue;
    EXPECT_EQ(fake.cursors[i], wait) << c.dat << " " << c.msg;
    slow += c.msg == MSG_OPENDSM || c.msg == MSG_USERSELECT || c.msg == MSG_OPENDS || c.dg == DG_IMAGE;
  }
  EXPECT_GE(slow, 5);  // the manager, the selection, two opens and the transfer
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "A TWAIN error occurred.");
  EXPECT_EQ(boxes.cursors, std::vector<fw::HCURSOR>{arrow});
  EXPECT_EQ(fw::GetCursor(), arrow);
}

TEST_F(ScanDialogTest, SaveFailuresAreShownAndADriveRootIsKept) {
  FakeDsm fake;
  FakeDsm::Current() = &fake;
  CTwain::BindForTest(&FakeDsm::Entry);
  ::setenv("TINDREL_DRIVE_ROOT", dir.c_str(), 1);
  const std::string missing = Path("no/such/folder/a.bmp");
  Scan({[&](fw::CDialog& d) {
          fake.transfers = {{TWRC_XFERDONE, MakeImage(30, 20, 1, 10)}};
          ClickScan(d);
          ASSERT_TRUE(d.ClickButton(appid::IDC_SCAN_SAVE));
          ASSERT_TRUE(d.ClickButton(appid::IDC_SCAN_SAVE));
        },
        [&](fw::CDialog& d) { dynamic_cast<fw::CFileDialog&>(d).Choose(missing); },
        [&](fw::CDialog& d) { dynamic_cast<fw::CFileDialog&>(d).Choose("C:\\scan.bmp"); }});
  ::unsetenv("TINDREL_DRIVE_ROOT");
  ASSERT_EQ(Boxes(), 1u);
  EXPECT_EQ(sink.boxes[0].text, "文件:[" + missing + "]写入失败!");
  EXPECT_EQ(sink.boxes[0].caption, "错误");
  EXPECT_FALSE(std::filesystem::exists(Path("no")));
  EXPECT_TRUE(std::filesystem::exists(Path("scan.bmp")));
  EXPECT_EQ(CProfile().GetString("SystemParam", "Image", ""), "C:\\");
}

TEST_F(ScanDialogTest, TheOutputMenuOffersScanning) {
  const std::vector<fw::MenuItemDef>* menu = fw::res::FindMenu(appid::IDR_DESIGN);
  ASSERT_NE(menu, nullptr);
  std::vector<fw::UINT> ids;
  std::function<void(const std::vector<fw::MenuItemDef>&)> walk = [&](const std::vector<fw::MenuItemDef>& items) {
    for (const fw::MenuItemDef& i : items) {
      ids.push_back(i.id);
      walk(i.items);
    }
  };
  walk(*menu);
  EXPECT_NE(std::find(ids.begin(), ids.end(), appid::ID_SCAN), ids.end());
  EXPECT_EQ(std::find(ids.begin(), ids.end(), appid::ID_TWAIN_SCAN), ids.end());
  EXPECT_EQ(std::find(ids.begin(), ids.end(), appid::ID_TWAIN_SELECT), ids.end());
}

}  // namespace
}  // namespace apptest
