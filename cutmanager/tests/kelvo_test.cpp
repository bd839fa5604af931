#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "cutmanager/kelvoapp.h"
#include "cutmanager/kelvoids.h"
#include "cutmanager/mainframe.h"
#include "framework/dialog.h"
#include "output/jobfile/cutjob.h"
#include "platform/codepage.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/report.h"
#include "platform/tempfile.h"

using namespace fw;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << bytes;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// A pseudo terminal whose master collects what the port writes, drained by a thread.
struct Pty {
  int master = -1;
  std::string slave;
  std::string got;
  std::atomic<bool> stop{false};
  std::thread reader;
  Pty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) slave = ::ptsname(master);
  }
  void StartDraining() {
    reader = std::thread([this] {
      char buf[4096];
      while (!stop) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        ssize_t n = ::read(master, buf, sizeof buf);
        if (n > 0) got.append(buf, std::size_t(n));
      }
    });
  }
  std::string Finish() {
    if (!reader.joinable()) StartDraining();
    // Whatever is still in the line.
    for (int idle = 0; idle < 5;) {
      std::size_t before = got.size();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      idle = got.size() == before ? idle + 1 : 0;
    }
    stop = true;
    reader.join();
    return got;
  }
  ~Pty() {
    if (reader.joinable()) {
      stop = true;
      reader.join();
    }
    if (master >= 0) ::close(master);
  }
};

class Fixture : public ::testing::Test {
 protected:
  std::string dir;
  plat::RecordingSink sink;
  plat::ReportSink* oldSink = nullptr;
  std::unique_ptr<CMainFrame> frame;
  CJobListView* list = nullptr;
  Pty pty;

  void SetUp() override {
    char tmpl[] = "/tmp/tindrel-kelvo-XXXXXX";
    dir = std::string(::mkdtemp(tmpl)) + "/";
    ::setenv("TMPDIR", dir.c_str(), 1);
    ::setenv("TINDREL_IPC_DIR", (dir + "ipc").c_str(), 1);
    ::setenv("TINDREL_PORT_DEVICES", ("COM1=" + pty.slave + ";LPT1=" + dir + "lpt1.out").c_str(), 1);
    WriteAll(dir + "lpt1.out", "");
    oldSink = plat::SetReportSink(&sink);
    kelvo::RegisterKelvoResources();
    SetScreenSize(1280, 1024);
    frame = std::make_unique<CMainFrame>();
    ASSERT_TRUE(frame->Create());
    list = &frame->m_wndJobList;
  }
  void TearDown() override {
    frame.reset();
    ResetWindowSystem();
    plat::SetReportSink(oldSink);
    ::unsetenv("TINDREL_PORT_DEVICES");
    ::unsetenv("TINDREL_IPC_DIR");
    ::unsetenv("TMPDIR");
    std::filesystem::remove_all(dir);
  }
  std::string Temp() { return plat::GetTempFolder(); }

  // A queued job: data file and job-info file in the temporary folder.
  CCutJob MakeJob(const std::string& data, const std::string& port = "COM1", const std::string& name = "Sign") {
    CCutJob job;
    job.header.SetPortName(port);
    job.name = name;
    job.dataPath = MakeCutJobDataFile();
    WriteAll(job.dataPath, data);
    EXPECT_EQ(WriteCutJobFile(job), 1);
    return job;
  }
  // Hands the job over as the design program does: an atom and WM_CUTJOB_ADD.
  LRESULT Add(const CCutJob& job, LPARAM copies = 1) {
    plat::ATOM atom = plat::GlobalAddAtom(job.jobInfoPath);
    return frame->SendMessage(WM_CUTJOB_ADD, atom, copies);
  }
  void Command(UINT id) { frame->SendMessage(WM_COMMAND, id, 0); }
  void Pump() {
    for (int i = 0; i < 100 && PumpPendingMessages() > 0; ++i) {
    }
  }
  std::vector<std::string> Statuses() {
    std::vector<std::string> out;
    for (const auto& [path, text] : list->StatusHistory()) out.push_back(text);
    return out;
  }
  std::string Row(int row) {
    return list->GetItemText(row, 1) + "|" + list->GetItemText(row, 2) + "/" +
           std::to_string(CJobListView::CopiesRequested(list->GetItemData(row))) +
           ((list->GetItemData(row) & CJobListView::kQueued) ? "|queued" : "");
  }
};

using KelvoTest = Fixture;

TEST_F(KelvoTest, TheWindowStandsAtTheLowerRightWithItsTitle) {
  RECT r{};
  frame->GetWindowRect(&r);
  EXPECT_EQ(r.left, 1280 - 500);
  EXPECT_EQ(r.top, 1024 - 200);
  EXPECT_EQ(r.width(), 500);
  EXPECT_EQ(r.height(), 180);
  EXPECT_EQ(frame->GetWindowText(), "Vorlan - [Cutting Manager]");
  EXPECT_FALSE(frame->GetStyle() & WS_MAXIMIZEBOX);
  EXPECT_TRUE(frame->GetStyle() & WS_MINIMIZEBOX);
  ASSERT_EQ(list->GetColumnCount(), 4);
  const char* titles[] = {"Job Names", "Status", "Copies", "File Names"};
  const int widths[] = {200, 60, 60, 200};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list->GetColumn(i)->text, titles[i]);
    EXPECT_EQ(list->GetColumnWidth(i), widths[i]);
  }
  EXPECT_EQ(frame->m_wndReBar.GetBandCount(), 1);
  RECT grip{};
  ASSERT_TRUE(frame->m_wndReBar.GetGripperRect(0, &grip));
  EXPECT_GT(grip.width(), 0);
  EXPECT_EQ(frame->m_wndToolBar.GetParent(), &frame->m_wndReBar);
  EXPECT_EQ(frame->m_wndToolBar.GetCount(), 14);
  // The list fills the client below the rebar.
  RECT bar{}, rows{};
  frame->m_wndReBar.GetWindowRect(&bar);
  list->GetWindowRect(&rows);
  EXPECT_EQ(rows.top, bar.bottom);
}

TEST_F(KelvoTest, AJobArrivingWhileIdleSendsOneCopyAndEndsTheRun) {
  const std::string data = "IN;SP1;PU0,0;PD100,100;";
  CCutJob job = MakeJob(data);
  EXPECT_EQ(Add(job), 1);
  EXPECT_EQ(plat::GlobalFindAtom(job.jobInfoPath), 0);
  ASSERT_EQ(list->GetItemCount(), 1);
  EXPECT_EQ(list->GetItemText(0, 0), job.jobInfoPath);
  EXPECT_EQ(list->GetItemText(0, 3), "Sign");
  EXPECT_EQ(Row(0), "等待|0/1|queued");
  EXPECT_EQ(list->m_nRunMode, CJobListView::kOneCopy);
  EXPECT_EQ(list->GetCurrentRow(), 0);
  Pump();
  EXPECT_EQ(pty.Finish(), data);
  EXPECT_EQ(Row(0), "完成|1/1|queued");
  EXPECT_EQ(sink.beeps.size(), 5u);
  EXPECT_EQ(list->GetCurrentRow(), -1);
  EXPECT_EQ(list->m_nRunMode, CJobListView::kStopped);
  EXPECT_EQ(list->m_nStopFlag, 1u);
  // The job and its files stay until deleted.
  EXPECT_TRUE(Exists(job.jobInfoPath) && Exists(job.dataPath));
}

TEST_F(KelvoTest, ArrivalCasesAndCopyCounts) {
  list->m_nRunMode = CJobListView::kPaused;  // a run exists: arrivals only add rows
  list->SetCurrentRow(-1);
  CCutJob a = MakeJob("a", "LPT1", "A");
  CCutJob b = MakeJob("b", "LPT1", "B");
  CCutJob c = MakeJob("c", "LPT1", "C");
  CCutJob d = MakeJob("d", "LPT1", "D");
  // Keep a current row so nothing starts.
  ASSERT_EQ(list->AddJobRow(a.jobInfoPath, (1u << 16) | 3), 1);
  list->SetCurrentRow(0);
  struct Case {
    CCutJob* job;
    LPARAM copies;
    int requested;
  } cases[] = {{&b, 0, 1}, {&c, 100, 100}, {&d, 101, 1}};
  for (const Case& k : cases) {
    EXPECT_EQ(Add(*k.job, k.copies), 1);
    int row = list->FindRow(k.job->jobInfoPath);
    ASSERT_GE(row, 0);
    EXPECT_EQ(CJobListView::CopiesRequested(list->GetItemData(row)), k.requested) << k.copies;
    EXPECT_EQ(list->GetItemData(row) & 0xFFFF, 3u);
  }
  // The same path twice gives one row; its atom goes all the same.
  EXPECT_EQ(Add(b, 5), 1);
  EXPECT_EQ(list->GetItemCount(), 4);
  EXPECT_EQ(plat::GlobalFindAtom(b.jobInfoPath), 0);
  EXPECT_EQ(list->GetCurrentRow(), 0);
  EXPECT_EQ(PostedMessageCount(), 0u);

  // A job file that is not valid adds no row and leaves the atom for the sender to see.
  WriteAll(Temp() + "OSIBAD1.TMP", "not a job");
  plat::ATOM bad = plat::GlobalAddAtom(Temp() + "OSIBAD1.TMP");
  EXPECT_EQ(frame->SendMessage(WM_CUTJOB_ADD, bad, 1), 0);
  EXPECT_EQ(plat::GlobalFindAtom(Temp() + "OSIBAD1.TMP"), bad);
  EXPECT_EQ(frame->SendMessage(WM_CUTJOB_ADD, 0xC123, 1), 0);
  EXPECT_EQ(list->GetItemCount(), 4);
  EXPECT_EQ(frame->SendMessage(WM_CUTJOB_BEGIN), 1);
  EXPECT_EQ(frame->SendMessage(WM_CUTJOB_END), 1);
}

// The job's row is named as the user knows it: the design's name the hand-off
// carries, else the data file's own name; never the private temporary folder.
TEST_F(KelvoTest, JobNamesShowTheDesignNotTheTemporaryPath) {
  list->m_nRunMode = CJobListView::kPaused;
  CCutJob named = MakeJob("a", "LPT1", plat::Utf8ToGbk("标牌"));
  CCutJob unnamed = MakeJob("b", "LPT1", "");
  ASSERT_EQ(list->AddJobRow(named.jobInfoPath, 2), 1);
  ASSERT_EQ(list->AddJobRow(unnamed.jobInfoPath, 2), 1);
  EXPECT_EQ(list->ShownJobName(0), "标牌");
  EXPECT_EQ(list->ShownJobName(1), unnamed.dataPath.substr(unnamed.dataPath.rfind('/') + 1));
  for (int row : {0, 1}) {
    EXPECT_EQ(list->ShownJobName(row).find('/'), std::string::npos);
    EXPECT_EQ(list->GetItemText(row, 0), row == 0 ? named.jobInfoPath : unnamed.jobInfoPath);  // still the key
  }
}

TEST_F(KelvoTest, SearchJobsListsStoppedRowsThatWaitForCopiesAndAStart) {
  CCutJob a = MakeJob("first copy;", "COM1", "Found");
  MakeJob("second;", "COM1", "Other");
  WriteAll(Temp() + "OSIFFFF.TMP", "junk");
  ::mkdir((Temp() + "OSIDIR1.TMP").c_str(), 0700);
  Command(kelvo::ID_JOB_SEARCH);
  ASSERT_EQ(list->GetItemCount(), 2);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(Row(i), "停止|0/0");
  Pump();
  EXPECT_EQ(list->GetCurrentRow(), -1);
  int row = list->FindRow(a.jobInfoPath);
  list->UserClick(row);
  Command(kelvo::ID_COPY_INC);
  EXPECT_EQ(Row(row), "待命|0/1");
  Command(kelvo::ID_JOB_START);
  EXPECT_EQ(Row(row), "等待切割|0/1|queued");
  EXPECT_EQ(sink.beeps.size(), 1u);
  Pump();
  EXPECT_EQ(pty.Finish(), "first copy;");
  EXPECT_EQ(Row(row), "完成|1/1|queued");
}

TEST_F(KelvoTest, RunControlCommands) {
  CCutJob a = MakeJob("A;", "LPT1", "A");
  CCutJob b = MakeJob("B;", "LPT1", "B");
  ASSERT_EQ(list->AddJobRow(a.jobInfoPath, 2), 1);
  ASSERT_EQ(list->AddJobRow(b.jobInfoPath, 2), 1);
  list->UserClick(0);

  // Start on a row with every copy sent asks one more copy.
  Command(kelvo::ID_JOB_START_COPY);
  EXPECT_EQ(Row(0), "等待切割|0/1|queued");
  EXPECT_EQ(list->m_nRunMode, CJobListView::kOneCopy);
  EXPECT_EQ(list->GetCurrentRow(), 0);
  // With a run, start commands only change the mode; Pause, then Abort.
  Command(kelvo::ID_JOB_START_ALL);
  EXPECT_EQ(list->m_nRunMode, CJobListView::kAllJobs);
  Command(kelvo::ID_JOB_PAUSE);
  EXPECT_EQ(list->m_nRunMode, CJobListView::kPaused);
  Command(kelvo::ID_JOB_PAUSE);
  EXPECT_EQ(list->m_nRunMode, CJobListView::kPaused);
  Command(kelvo::ID_JOB_ABORT);
  EXPECT_EQ(list->m_nRunMode, CJobListView::kStopped);
  EXPECT_EQ(list->GetCurrentRow(), -1);
  Pump();  // the posted send finds no current row
  EXPECT_EQ(ReadAll(dir + "lpt1.out"), "");

  // Inc and Dec: never below the copies sent.
  Command(kelvo::ID_COPY_INC);
  EXPECT_EQ(Row(0), "等待切割|0/2|queued");
  Command(kelvo::ID_COPY_DEC);
  Command(kelvo::ID_COPY_DEC);
  Command(kelvo::ID_COPY_DEC);
  EXPECT_EQ(Row(0), "完成|0/0|queued");
  list->SetItemText(0, 2, "3");
  list->SetItemData(0, (3u << 16) | 3);
  Command(kelvo::ID_COPY_DEC);
  EXPECT_EQ(Row(0), "完成|3/3|queued");

  // Run mode 4 sends every queued row below the current one.
  list->SetItemText(0, 2, "0");
  list->SetItemData(0, (1u << 16) | 3);
  list->SetItemData(1, (2u << 16) | 3);
  list->UserClick(0);
  Command(kelvo::ID_JOB_START_ALL);
  Pump();
  EXPECT_EQ(ReadAll(dir + "lpt1.out"), "B;");  // the device file is written from its start each copy
  EXPECT_EQ(Row(0), "完成|1/1|queued");
  EXPECT_EQ(Row(1), "完成|2/2|queued");
  EXPECT_EQ(list->GetCurrentRow(), -1);

  // Delete takes the row and its files; Clear takes every row.
  list->UserClick(0);
  Command(kelvo::ID_JOB_DELETE);
  EXPECT_EQ(list->GetItemCount(), 1);
  EXPECT_FALSE(Exists(a.jobInfoPath) || Exists(a.dataPath));
  Command(kelvo::ID_JOB_CLEAR);
  EXPECT_EQ(list->GetItemCount(), 0);
  EXPECT_FALSE(Exists(b.jobInfoPath) || Exists(b.dataPath));
}

TEST_F(KelvoTest, CommandStates) {
  auto enabled = [&](UINT id) {
    struct Probe : CCmdUI {
      BOOL on = TRUE;
      void Enable(BOOL e) override { on = e; }
    } probe;
    probe.m_nID = id;
    CmdCall call;
    call.kind = CmdKind::Update;
    call.id = id;
    call.ui = &probe;
    if (!frame->OnCmdMsg(call)) return false;
    return probe.on != 0;
  };
  EXPECT_FALSE(enabled(kelvo::ID_JOB_DELETE));
  EXPECT_FALSE(enabled(kelvo::ID_JOB_CLEAR));
  EXPECT_FALSE(enabled(kelvo::ID_NEW_JOB));
  EXPECT_TRUE(enabled(kelvo::ID_JOB_START_COPY));
  CCutJob a = MakeJob("A;", "LPT1");
  list->AddJobRow(a.jobInfoPath, 2);
  list->UserClick(0);
  EXPECT_TRUE(enabled(kelvo::ID_JOB_DELETE));
  EXPECT_TRUE(enabled(kelvo::ID_JOB_CLEAR));
  EXPECT_FALSE(enabled(kelvo::ID_COPY_DEC));
  list->m_nRunMode = CJobListView::kOneCopy;
  EXPECT_FALSE(enabled(kelvo::ID_JOB_START_COPY));
  EXPECT_TRUE(enabled(kelvo::ID_JOB_START));
}

// The current row is the selected one while it runs: each run mode's picture stands
// out from the selection's colour as from the plain row's.
TEST_F(KelvoTest, RunModePicturesShowOnSelectedAndPlainRows) {
  CCutJob a = MakeJob("A;", "LPT1");
  list->AddJobRow(a.jobInfoPath, 2);
  for (bool selected : {true, false})
    for (int mode = 0; mode <= 4; ++mode) {
      list->SetItemState(0, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
      list->m_nRunMode = mode;
      list->SetCurrentRow(0);
      list->Invalidate(FALSE);
      Pump();
      RECT r{};
      list->GetItemRect(0, &r, LVIR_BOUNDS);
      const plat::Surface& s = list->GetSurface().surface();
      const COLORREF back = s.GetPixel(17, r.top + 1);  // beside the queued mark
      int clear = 0;
      for (LONG y = r.top + 1; y < r.bottom - 1; ++y)
        for (LONG x = 1; x < 16; ++x) {
          const COLORREF c = s.GetPixel(x, y);
          const int d = std::abs(int(plat::GetRValue(c)) - int(plat::GetRValue(back))) +
                        std::abs(int(plat::GetGValue(c)) - int(plat::GetGValue(back))) +
                        std::abs(int(plat::GetBValue(c)) - int(plat::GetBValue(back)));
          clear += d >= 160;
        }
      EXPECT_GE(clear, 16) << "mode " << mode << (selected ? " selected" : " plain");
    }
}

// A tool bar button's command goes to the bar's owner, as a click posts it.
TEST_F(KelvoTest, ToolBarButtonsReachTheJobList) {
  CCutJob a = MakeJob("A;", "LPT1");
  list->AddJobRow(a.jobInfoPath, 2);
  list->UserClick(0);
  CWnd* owner = frame->m_wndToolBar.GetOwner();
  ASSERT_NE(owner, nullptr);
  auto click = [&](UINT id) {
    owner->PostMessage(WM_COMMAND, id, 0);
    Pump();
  };
  click(kelvo::ID_COPY_INC);
  click(kelvo::ID_COPY_INC);
  EXPECT_EQ(Row(0), "待命|0/2");
  click(kelvo::ID_COPY_DEC);
  EXPECT_EQ(Row(0), "待命|0/1");
  click(kelvo::ID_JOB_START);
  EXPECT_EQ(ReadAll(dir + "lpt1.out"), "A;");
  EXPECT_EQ(Row(0), "完成|1/1|queued");
}

TEST_F(KelvoTest, PiecesAndProgressOnAPty) {
  struct Case {
    std::size_t size;
    std::size_t pieces;
    const char* last;  // the last progress before "完成"
  } cases[] = {{1000, 50, "98/100"}, {5000, 100, "99/100"}, {100000, 500, "99/100"}, {0, 0, ""}};
  for (const Case& c : cases) {
    Pty line;
    ::setenv("TINDREL_PORT_DEVICES", ("COM1=" + line.slave).c_str(), 1);
    std::string data(c.size, '\0');
    for (std::size_t i = 0; i < c.size; ++i) data[i] = char(i * 7 + 1);
    if (c.size) data[c.size / 2] = '\0';  // a zero byte goes out like any other
    CCutJob job = MakeJob(data);
    list->ClearStatusHistory();
    line.StartDraining();
    ASSERT_EQ(list->AddJobRow(job.jobInfoPath, (1u << 16) | 3), 1);
    list->ClearStatusHistory();
    EXPECT_EQ(list->SendOneCopy(job.jobInfoPath), CJobListView::CopyResult::Sent);
    EXPECT_EQ(line.Finish(), data) << c.size;
    std::vector<std::string> s = Statuses();
    ASSERT_EQ(s.size(), c.pieces + 1) << c.size;
    EXPECT_EQ(s.back(), "完成");
    if (c.pieces) {
      EXPECT_EQ(s.front(), "0/100");
      EXPECT_EQ(s[1], std::to_string(100 / c.pieces) + "/100");
      EXPECT_EQ(s[c.pieces - 1], c.last);
    }
    EXPECT_EQ(list->m_nStopFlag, 1u);
  }
}

TEST_F(KelvoTest, APortThatFailsIsNotCountedAndEndsTheRun) {
  struct Case {
    const char* what;
    std::string devices;
  } cases[] = {
      {"no device", "COM1=" + dir + "missing/tty"},
      {"hard write error", "COM1=/dev/full"},
  };
  for (const Case& c : cases) {
    ::setenv("TINDREL_PORT_DEVICES", c.devices.c_str(), 1);
    sink.clear();
    CCutJob job = MakeJob(std::string(300, 'x'));
    EXPECT_EQ(Add(job, 2), 1);
    Pump();
    int row = list->FindRow(job.jobInfoPath);
    ASSERT_GE(row, 0) << c.what;
    EXPECT_EQ(Row(row), "错误|0/2|queued") << c.what;
    EXPECT_EQ(sink.beeps.size(), 5u) << c.what;
    EXPECT_EQ(list->GetCurrentRow(), -1) << c.what;
    EXPECT_EQ(list->m_nRunMode, CJobListView::kStopped) << c.what;
    EXPECT_TRUE(Exists(job.jobInfoPath) && Exists(job.dataPath)) << c.what;
  }
  // "FILE" asks for a file name for each copy; cancelling is a port error as well.
  CCutJob file = MakeJob("to a file;", "FILE");
  list->AddJobRow(file.jobInfoPath, (1u << 16) | 3);
  int row = list->FindRow(file.jobInfoPath);
  EXPECT_EQ(list->SendOneCopy(file.jobInfoPath), CJobListView::CopyResult::PortError);
  struct Driver : ModalDriver {
    std::string path;
    int runs = 0;
    void RunModal(CDialog& dlg) override {
      ++runs;
      if (auto* f = dynamic_cast<CFileDialog*>(&dlg)) f->Choose(path);
    }
  } driver;
  driver.path = dir + "out.plt";
  ModalDriver* old = SetModalDriver(&driver);
  EXPECT_EQ(list->SendOneCopy(file.jobInfoPath), CJobListView::CopyResult::Sent);
  EXPECT_EQ(list->SendOneCopy(file.jobInfoPath), CJobListView::CopyResult::Sent);
  SetModalDriver(old);
  EXPECT_EQ(driver.runs, 2);
  EXPECT_EQ(ReadAll(dir + "out.plt"), "to a file;");
  EXPECT_EQ(list->GetItemText(row, 1), "完成");
}

// A job-info file whose port field is a path, not a port, is refused in its
// row: nothing is opened, an existing file there keeps every byte.
TEST_F(KelvoTest, AJobNamingAPathInsteadOfAPortIsRefused) {
  std::filesystem::create_directories(dir + "sub");
  const std::string old = std::filesystem::current_path();
  std::filesystem::current_path(dir + "sub");
  WriteAll(dir + "sub/victim", "keep me");
  WriteAll(dir + "victim", "keep me too");
  for (const char* port : {"victim", "..\\victim", "../victim", "COM9", "com1"}) {
    CCutJob job = MakeJob("IN;PU0,0;PD100,100;", port);
    EXPECT_EQ(Add(job, 1), 1) << port;
    Pump();
    const int row = list->FindRow(job.jobInfoPath);
    ASSERT_GE(row, 0) << port;
    EXPECT_EQ(Row(row), "端口错误|0/1|queued") << port;
    EXPECT_TRUE(Exists(job.jobInfoPath) && Exists(job.dataPath)) << port;
  }
  std::filesystem::current_path(old);
  EXPECT_EQ(ReadAll(dir + "sub/victim"), "keep me");
  EXPECT_EQ(ReadAll(dir + "victim"), "keep me too");
}

TEST_F(KelvoTest, ClosingWaitsForTheCopyAndPurgesOnlyUnlistedJobs) {
  CCutJob listed = MakeJob("listed", "LPT1");
  ASSERT_EQ(list->AddJobRow(listed.jobInfoPath, 2), 1);
  list->m_nStopFlag = 0;  // a copy is being written
  frame->SendMessage(WM_CLOSE);
  ASSERT_TRUE(IsWindow(frame->m_hWnd));
  CCutJob stray = MakeJob("stray", "LPT1");
  // A job file naming a data file outside the temporary folder: that file stays.
  std::string outside = dir + "OSD0001.TMP";
  WriteAll(outside, "keep");
  CCutJob foreign;
  foreign.header.SetPortName("LPT1");
  foreign.dataPath = outside;
  ASSERT_EQ(WriteCutJobFile(foreign), 1);
  list->m_nStopFlag = 1;
  frame->SendMessage(WM_CLOSE);
  EXPECT_FALSE(IsWindow(frame->m_hWnd));
  EXPECT_TRUE(Exists(listed.jobInfoPath) && Exists(listed.dataPath));
  EXPECT_FALSE(Exists(stray.jobInfoPath) || Exists(stray.dataPath));
  EXPECT_FALSE(Exists(foreign.jobInfoPath));
  EXPECT_TRUE(Exists(outside));
}

TEST_F(KelvoTest, DeletingTheCurrentJobDuringACopyStopsItBeforeItsFilesGo) {
  CCutJob job = MakeJob(std::string(4000, 'y'));
  ASSERT_EQ(list->AddJobRow(job.jobInfoPath, (3u << 16) | 3), 1);
  list->UserClick(0);
  list->SetCurrentRow(0);
  list->m_nRunMode = CJobListView::kOneJob;
  list->PostMessage(WM_COMMAND, kelvo::ID_JOB_DELETE, 0);  // the copy's first pump takes it
  list->SendCopies();
  EXPECT_EQ(pty.Finish(), "");
  EXPECT_EQ(list->GetItemCount(), 0);
  EXPECT_FALSE(Exists(job.jobInfoPath) || Exists(job.dataPath));
  EXPECT_EQ(list->m_nRunMode, CJobListView::kStopped);
  Pump();
  EXPECT_EQ(list->GetItemCount(), 0);
}

TEST_F(KelvoTest, AClickOnTheMarkFlipsTheQueuedFlag) {
  CCutJob a = MakeJob("A;", "LPT1");
  CCutJob b = MakeJob("B;", "LPT1");
  list->AddJobRow(a.jobInfoPath, 2);
  list->AddJobRow(b.jobInfoPath, 2);
  list->SetCurrentRow(1);
  RECT label{};
  ASSERT_TRUE(list->GetItemRect(0, &label, LVIR_LABEL));
  auto click = [&](int row, int x) {
    RECT r{};
    list->GetItemRect(row, &r, LVIR_BOUNDS);
    POINT p{x, r.top + 2};
    list->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(WORD(p.x), WORD(p.y)));
    list->SendMessage(WM_LBUTTONUP, 0, MAKELONG(WORD(p.x), WORD(p.y)));
  };
  click(0, label.left + 4);
  EXPECT_TRUE(list->GetItemData(0) & CJobListView::kQueued);
  EXPECT_EQ(list->GetSelectedRow(), 0);
  click(0, label.left + 20);  // on the text: selects only
  EXPECT_TRUE(list->GetItemData(0) & CJobListView::kQueued);
  click(1, label.left + 4);  // the current row keeps its flag
  EXPECT_FALSE(list->GetItemData(1) & CJobListView::kQueued);
  EXPECT_EQ(list->GetSelectedRow(), 1);
}

// The run-mode picture of the current row and the queued mark follow the commands
// on the screen: the row as painted after a change is the row drawn afresh.
TEST_F(KelvoTest, TheRowsPicturesFollowPauseStartAndTheMark) {
  CCutJob a = MakeJob("A;", "LPT1");
  CCutJob b = MakeJob("B;", "LPT1");
  list->AddJobRow(a.jobInfoPath, (1u << 16) | 3);
  list->AddJobRow(b.jobInfoPath, 2);
  list->m_nRunMode = CJobListView::kOneJob;
  list->SetCurrentRow(0);
  Pump();
  auto icons = [&](int row) {
    RECT r{};
    list->GetItemRect(row, &r, LVIR_BOUNDS);
    const plat::Surface& s = list->GetSurface().surface();
    std::vector<COLORREF> px;
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = 0; x < 32; ++x) px.push_back(s.GetPixel(x, y));
    return px;
  };
  auto fresh = [&](int row) {
    list->Invalidate(FALSE);
    Pump();
    return icons(row);
  };
  struct Step {
    const char* name;
    std::function<void()> act;
    int row;
  } steps[] = {
      {"pause", [&] { Command(kelvo::ID_JOB_PAUSE); }, 0},
      {"start all", [&] { Command(kelvo::ID_JOB_START_ALL); }, 0},
      {"mark", [&] {
         RECT label{};
         list->GetItemRect(1, &label, LVIR_LABEL);
         list->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(WORD(label.left + 4), WORD(label.top + 2)));
         list->SendMessage(WM_LBUTTONUP, 0, MAKELONG(WORD(label.left + 4), WORD(label.top + 2)));
       }, 1},
  };
  for (const Step& step : steps) {
    const auto before = icons(step.row);
    step.act();
    Pump();
    const auto shown = icons(step.row);
    EXPECT_NE(shown, before) << step.name;
    EXPECT_EQ(shown, fresh(step.row)) << step.name;
  }
}

}  // namespace

namespace {

TEST_F(KelvoTest, AJobListedByASearchBeforeItArrivesStillRuns) {
  CCutJob job = MakeJob("early;");
  Command(kelvo::ID_JOB_SEARCH);  // as at the start of the program
  ASSERT_EQ(Row(0), "停止|0/0");
  EXPECT_EQ(Add(job), 1);
  EXPECT_EQ(list->GetItemCount(), 1);
  Pump();
  EXPECT_EQ(pty.Finish(), "early;");
  EXPECT_EQ(Row(0), "完成|1/1|queued");
}

TEST_F(KelvoTest, ASecondSendDuringACopyWaitsForIt) {
  const std::string data(500, 'z');
  CCutJob job = MakeJob(data);
  ASSERT_EQ(list->AddJobRow(job.jobInfoPath, (2u << 16) | 3), 1);
  list->SetCurrentRow(0);
  list->m_nRunMode = CJobListView::kOneJob;
  pty.StartDraining();
  list->PostMessage(WM_COMMAND, kelvo::ID_SEND_COPIES, 0);  // taken by the copy's first pump
  list->SendCopies();
  Pump();
  EXPECT_EQ(pty.Finish(), data + data);
  EXPECT_EQ(Row(0), "完成|2/2|queued");
  EXPECT_EQ(sink.beeps.size(), 5u);
}

}  // namespace

#include "framework/remote.h"
#include "platform/remote.h"

namespace {

TEST_F(KelvoTest, TheProgramListsWaitingJobsAtStartAndShowsItselfToOthers) {
  CCutJob waiting = MakeJob("queued before the start;", "LPT1", "Earlier");
  frame.reset();
  CKelvoApp app;
  ASSERT_TRUE(app.InitInstance());
  CMainFrame* main = app.GetMainFrame();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(AfxGetMainWnd(), main);
  EXPECT_TRUE(main->IsWindowVisible());
  EXPECT_EQ(app.m_strCuttersIni, plat::GetProgramFolder() + "Cutters.INI");
  ASSERT_EQ(main->m_wndJobList.GetItemCount(), 1);
  EXPECT_EQ(main->m_wndJobList.GetItemText(0, 0), waiting.jobInfoPath);
  // Published under its title for the design program.
  bool published = false;
  for (const plat::PublishedWindow& w : plat::ReadPublishedWindows())
    published = published || (w.title == kCutManagerTitle && w.window == main->m_hWnd);
  EXPECT_TRUE(published);
  // The about box opens modally.
  struct Driver : ModalDriver {
    std::string caption;
    void RunModal(CDialog& dlg) override {
      caption = dlg.GetWindowText();
      dlg.EndDialog(IDOK);
    }
  } driver;
  ModalDriver* old = SetModalDriver(&driver);
  main->SendMessage(WM_COMMAND, ID_APP_ABOUT, 0);
  SetModalDriver(old);
  EXPECT_EQ(driver.caption, "About Kelvo");
  app.ExitInstance();
  EXPECT_TRUE(plat::ReadPublishedWindows().empty());
}

}  // namespace
