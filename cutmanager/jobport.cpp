#include "cutmanager/jobport.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/app.h"
#include "framework/dialog.h"
#include "platform/paths.h"
#include "platform/port.h"

namespace {

constexpr std::size_t kMaxPortName = 147;
constexpr std::size_t kMaxFilePath = 259;

}  // namespace

CJobPort::CJobPort() : CJobPort(plat::GetProgramFolder() + "Port.INI") {}

CJobPort::CJobPort(std::string settingsPath) : settings_(std::move(settingsPath)) { LoadPortInfo(); }

CJobPort::~CJobPort() {
  if (fd_ >= 0) plat::ClosePort(fd_);
}

void CJobPort::SetPortName(const std::string& name) {
  PortName = name.substr(0, std::min(name.find('\0'), kMaxPortName));
  LoadPortInfo();
}

void CJobPort::LoadPortInfo() { Load(settings_, kMaxFilePath); }

bool CJobPort::SavePortInfo() const { return Save(settings_); }

int CJobPort::GetPortCode() const { return plat::GetPortCode(PortName.c_str()); }

int CJobPort::Open(int method, fw::CWnd* pumpWindow, std::uint32_t* stopFlag) {
  pumpWindow_ = pumpWindow;
  stopFlag_ = stopFlag;
  if (stopFlag_) *stopFlag_ = 0;
  code_ = GetPortCode();
  method_ = code_ < 1 ? 1 : method;
  return (code_ > 0 ? OpenCommPort() : OpenOutputFile()) ? 1 : 0;
}

int CJobPort::OpenCommPort() {
  if (fd_ >= 0) plat::ClosePort(fd_);
  fd_ = -1;
  cancelled_ = false;
  code_ = GetPortCode();
  if (code_ <= 0) return OpenOutputFile();
  fd_ = plat::OpenPortDevice(plat::MapPortDevice(code_, settings_), code_, GetSerialSettings());
  if (fd_ < 0) return 0;
  regularFile_ = plat::IsRegularFile(fd_);
  return 1;
}

int CJobPort::OpenOutputFile() {
  if (fd_ >= 0) plat::ClosePort(fd_);
  fd_ = -1;
  cancelled_ = false;
  // Only "FILE" writes into a file, one the user picks; any other text is no
  // port and never opened as a path.
  if (GetPortCode() != 0) return 0;
  std::string path;
  {
    fw::CFileDialog dlg(fw::FALSE, "PLT", "*.PLT", fw::OFN_OVERWRITEPROMPT | fw::OFN_PATHMUSTEXIST | fw::OFN_HIDEREADONLY,
                        "*.PLT|*.PLT||", fw::AfxGetMainWnd());
    dlg.m_initialDir = FilePath;
    if (dlg.DoModal() != plat::IDOK) {
      cancelled_ = true;
      return 0;
    }
    path = dlg.GetPathName();
    if (KeepFileFolder(path, kMaxFilePath)) SavePortInfo();
  }
  fd_ = plat::OpenPortPath(plat::ResolvePath(path), true, false);
  regularFile_ = fd_ >= 0 && plat::IsRegularFile(fd_);
  return fd_ >= 0 ? 1 : 0;
}

bool CJobPort::WriteText(const char* data, std::size_t size) {
  if (Stopped()) return true;
  if (fd_ < 0) return false;
  std::size_t done = 0;
  while (done < size) {
    fw::PumpMessage();  // Pause, Abort and new jobs arrive here
    if (Stopped()) return true;
    std::size_t rest = size - done;
    // The device gets 20 ms per byte and 20 ms more, at most 200 ms before the next pump.
    long n = regularFile_ ? plat::WriteFileData(fd_, data + done, rest)
                          : plat::WritePort(fd_, data + done, rest, int(std::min<std::size_t>(20 * rest + 20, 200)));
    if (n < 0) return false;
    done += std::size_t(n);
  }
  return true;
}

void CJobPort::Close() {
  if (fd_ >= 0) plat::ClosePort(fd_);
  fd_ = -1;
  if (stopFlag_) *stopFlag_ = 1;
  stopFlag_ = nullptr;
  pumpWindow_ = nullptr;
}
