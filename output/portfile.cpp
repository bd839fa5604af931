#include "output/portfile.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "framework/dialog.h"
#include "framework/app.h"
#include "framework/wnd.h"
#include "model/helpers.h"
#include "platform/paths.h"
#include "platform/port.h"

namespace {

// Longest wait of one method-2 write; the device gets 1 ms per byte plus 1 ms.
constexpr int kMaxWriteWaitMs = 200;
// One wait of a method-3 write before the next pump.
constexpr int kWaitSliceMs = 50;
// Messages are pumped at most this often while writing.
constexpr std::int64_t kPumpSliceNs = 20'000'000;
// Most messages taken in one pump, so a window that reposts cannot hold the write.
constexpr int kMaxPumpedMessages = 64;
// A file port writes once this much is gathered.
constexpr std::size_t kFileBlock = 64 * 1024;
// File writes between clock reads: each takes well under a microsecond.
constexpr int kFileWritesPerClock = 64;

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string Cut(const char* text, std::size_t max) {
  if (!text) return {};
  return std::string(text, strnlen(text, max));
}

}  // namespace

int GetPortCode(const char* name) { return plat::GetPortCode(name); }

CPortFile::CPortFile() : m_Settings(GetProgramFolder() + "Port.INI") { LoadPortInfo(); }

CPortFile::~CPortFile() { Close(); }

void CPortFile::SetPortName(const char* name) {
  m_szPortName = Cut(name, kMaxName);
  LoadPortInfo();
}

void CPortFile::LoadPortInfo() { Load(plat::ResolvePath(m_Settings.GetPath()), kMaxFilePath); }

bool CPortFile::SavePortInfo() const { return Save(plat::ResolvePath(m_Settings.GetPath())); }

void CPortFile::CopySettings(const CPortFile& other) {
  TranSpeed = other.TranSpeed;
  OECheck = other.OECheck;
  DataWidth = other.DataWidth;
  StopBits = other.StopBits;
  RTSCTS = other.RTSCTS;
  DTRDSR = other.DTRDSR;
  XONXOFF = other.XONXOFF;
}

int CPortFile::GetPortCode() const { return plat::GetPortCode(m_szPortName.c_str()); }

int CPortFile::Open(std::int32_t method, fw::CWnd* pumpWindow, std::uint32_t* stopFlag) {
  m_pPumpWnd = pumpWindow;
  m_pStopFlag = stopFlag;
  if (m_pStopFlag) *m_pStopFlag = 0;
  m_nPortCode = GetPortCode();
  m_nOutMethod = m_nPortCode < 1 ? kMethodByte : method;
  return OpenHandle() ? 1 : 0;
}

bool CPortFile::OpenComPort() {
  m_nPortCode = GetPortCode();
  m_nOutMethod = kMethodBlock;
  return OpenHandle();
}

void CPortFile::CloseHandle() {
  if (m_fd < 0) return;
  Flush();
  plat::ClosePort(m_fd);
  m_fd = -1;
  m_sPending.clear();
}

bool CPortFile::OpenHandle() {
  CloseHandle();
  m_bPumped = false;
  m_bFileFailed = false;
  m_bCancelled = false;
  m_sOpenPath.clear();
  if (m_nPortCode <= 0) return OpenOutputFile();
  m_sOpenPath = plat::MapPortDevice(m_nPortCode, plat::ResolvePath(m_Settings.GetPath()));
  m_fd = plat::OpenPortDevice(m_sOpenPath, m_nPortCode, GetSerialSettings());
  if (m_fd < 0) return false;
  m_bRegularFile = plat::IsRegularFile(m_fd);
  if (m_bRegularFile) m_sPending.reserve(kFileBlock + 256);
  return true;
}

bool CPortFile::OpenOutputFile() {
  CloseHandle();
  m_bPumped = false;
  m_bFileFailed = false;
  m_bCancelled = false;
  std::string path;
  if (GetPortCode() == 0) {
    fw::CFileDialog dlg(fw::FALSE, "PLT", "*.PLT",
                        fw::OFN_OVERWRITEPROMPT | fw::OFN_PATHMUSTEXIST | fw::OFN_HIDEREADONLY,
                        "*.PLT|*.PLT||", fw::AfxGetMainWnd());
    dlg.m_initialDir = FilePath;
    if (dlg.DoModal() != plat::IDOK) {
      m_bCancelled = true;
      return false;
    }
    path = dlg.GetPathName();
    if (KeepFileFolder(path, kMaxFilePath)) SavePortInfo();
  } else {
    path = m_szPortName;
  }
  m_sOpenPath = path;
  m_fd = plat::OpenPortPath(plat::ResolvePath(path), true, false);
  m_bRegularFile = plat::IsRegularFile(m_fd);
  if (m_bRegularFile) m_sPending.reserve(kFileBlock + 256);
  return m_fd >= 0;
}

long CPortFile::WriteSome(const char* data, std::size_t size, int waitMs) {
  return plat::WritePort(m_fd, data, size, waitMs);
}

void CPortFile::Pump() {
  // Posted messages (a stop button) are taken at once, the host's input and
  // other programs' messages once a slice.
  const std::int64_t t = NowNs();
  if (m_bPumped && t - m_nLastPumpNs < kPumpSliceNs && fw::PostedMessageCount() == 0) return;
  m_bPumped = true;
  m_nLastPumpNs = t;
  // A handler, or another program, that looks at the file sees what was taken.
  Flush();
  // Dispatched, so a stop button of the caller's window is heard.
  for (int i = 0; i < kMaxPumpedMessages && !Stopped(); ++i)
    if (!fw::PumpMessage()) break;
}

bool CPortFile::Flush() {
  if (m_bFileFailed) return false;
  std::size_t done = 0;
  while (done < m_sPending.size()) {
    const long n = plat::WriteFileData(m_fd, m_sPending.data() + done, m_sPending.size() - done);
    if (n <= 0) {
      m_bFileFailed = true;
      m_sPending.clear();
      return false;
    }
    done += std::size_t(n);
  }
  m_sPending.clear();
  return true;
}

int CPortFile::WriteFileBlocks(const char* text, std::size_t size) {
  if (!m_bPumped || ++m_nUntimedWrites >= kFileWritesPerClock || fw::PostedMessageCount() > 0) {
    m_nUntimedWrites = 0;
    Pump();
  }
  if (Stopped() || m_bFileFailed || m_fd < 0) return 0;
  m_sPending.append(text, size);
  if (m_sPending.size() >= kFileBlock && !Flush()) return 0;
  return 1;
}

int CPortFile::WriteData(const char* text) { return text ? WriteData(std::string_view(text)) : 0; }

int CPortFile::WriteData(std::string_view bytes) {
  if (m_fd < 0 || Stopped()) return 0;
  const char* const text = bytes.data();
  const std::size_t size = bytes.size();
  if (m_bRegularFile) return WriteFileBlocks(text, size);
  Pump();
  std::size_t done = 0;
  std::int32_t failures = 0;
  auto exhausted = [&] { return RetryLimit >= 0 && ++failures > RetryLimit; };

  // One byte per write only where a port asks for it; named devices take
  // the rest per write.
  if (m_nOutMethod == kMethodByte && m_nPortCode >= 1) {
    while (done < size) {
      for (;;) {
        if (Stopped()) return 0;
        Pump();
        long n = WriteSome(text + done, 1, 2);
        if (n < 0) return 0;
        if (n == 1) break;
        if (exhausted()) return 0;
      }
      failures = 0;
      ++done;
      if (Stopped()) return done == size ? 1 : 0;
    }
    return 1;
  }

  while (done < size) {
    if (Stopped()) return 0;
    Pump();
    if (Stopped()) return 0;
    const std::size_t rest = size - done;
    long n;
    if (m_nOutMethod == kMethodWait) {
      // Waits for the line without limit, slice by slice.
      n = WriteSome(text + done, rest, kWaitSliceMs);
      if (n < 0) return 0;
    } else {
      int wait = int(std::min<std::size_t>(rest + 1, kMaxWriteWaitMs));
      n = WriteSome(text + done, rest, wait);
      if (n < 0) return 0;
      Pump();
      if (n == 0 && exhausted()) return 0;
    }
    if (n > 0) failures = 0;
    done += std::size_t(n);
  }
  return 1;
}

void CPortFile::Close() {
  CloseHandle();
  if (m_pStopFlag) *m_pStopFlag = 1;
  m_pStopFlag = nullptr;
  m_pPumpWnd = nullptr;
}
