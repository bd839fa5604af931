// The manager's output port: a COM or LPT device or a disk file, named as in the job
// file, with the line settings of "Port.INI" beside the program.
#pragma once
#include <cstdint>
#include <string>

#include "framework/wnd.h"
#include "platform/port.h"

class CJobPort : public plat::PortInfo {
 public:
  CJobPort();
  // With the line settings of another file.
  explicit CJobPort(std::string settingsPath);
  ~CJobPort();
  CJobPort(const CJobPort&) = delete;
  CJobPort& operator=(const CJobPort&) = delete;

  void SetPortName(const std::string& name);  // and LoadPortInfo
  int GetPortCode() const;
  // Clears the stop flag, forces method 1 below port code 1 and opens the port (the
  // file dialog for "FILE"). 1 when open.
  int Open(int method, fw::CWnd* pumpWindow, std::uint32_t* stopFlag);
  int OpenCommPort();
  int OpenOutputFile();
  // Writes size bytes, dispatching one waiting message before each write. Ends when
  // all is written (true), when the stop flag is set (true) or on a hard write error
  // (false). A device that takes nothing is waited for, pumping, without limit.
  bool WriteText(const char* data, std::size_t size);
  // Closes the handle, sets the stop flag to 1 and forgets the window.
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  bool WasCancelled() const { return cancelled_; }

  void LoadPortInfo();
  bool SavePortInfo() const;
  const std::string& SettingsPath() const { return settings_; }

  std::string PortName;

 private:
  bool Stopped() const { return stopFlag_ && *stopFlag_ != 0; }
  fw::CWnd* pumpWindow_ = nullptr;
  std::uint32_t* stopFlag_ = nullptr;
  std::string settings_;
  int method_ = 1;
  int code_ = -1;
  int fd_ = -1;
  bool regularFile_ = false;
  bool cancelled_ = false;
};
