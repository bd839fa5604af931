// The output port: command text written to a serial port ("COM1".."COM8"), a
// parallel port ("LPT1".."LPT8"), a file the user picks ("FILE") or a file or
// device of any other name. The serial line settings live in "Port.INI"
// section "PortInfo", shared with the cut-job manager. Writes keep the user
// interface alive by pumping window messages, so a stop button of the caller
// can set the caller's stop flag, which ends the transfer.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "model/settings.h"
#include "platform/port.h"

namespace fw {
class CWnd;
}

// 0 for "FILE", n for "COMn", n + 15 for "LPTn" (n = 1..8), -1 otherwise.
int GetPortCode(const char* name);

class CPortFile : public plat::PortInfo {
 public:
  static constexpr std::size_t kMaxName = 149;
  static constexpr std::size_t kMaxFilePath = 259;

  // Output methods.
  static constexpr std::int32_t kMethodDirect = 0;  // no direct access here: as 2
  static constexpr std::int32_t kMethodByte = 1;    // one byte per write
  static constexpr std::int32_t kMethodBlock = 2;   // the rest per write, time-out per write
  static constexpr std::int32_t kMethodWait = 3;    // the rest per write, waits while the line is full

  // Empty name, nothing open, retry limit -1, settings from the program
  // folder's "Port.INI".
  CPortFile();
  ~CPortFile();
  CPortFile(const CPortFile&) = delete;
  CPortFile& operator=(const CPortFile&) = delete;

  // Copies the name (at most 149 bytes), then LoadPortInfo.
  void SetPortName(const char* name);
  const std::string& GetPortName() const { return m_szPortName; }
  // The settings file (tests and the cut-job manager point it elsewhere).
  void SetSettingsPath(const std::string& path) { m_Settings.SetPath(path); }
  const std::string& GetSettingsPath() const { return m_Settings.GetPath(); }

  void LoadPortInfo();
  bool SavePortInfo() const;
  void CopySettings(const CPortFile& other);

  int GetPortCode() const;

  // Keeps the three, clears the stop flag, opens the port or file; "FILE" and
  // unknown names report method 1 but take the whole text per write. Returns 1 when open, else 0 (see
  // WasCancelled).
  int Open(std::int32_t method, fw::CWnd* pumpWindow, std::uint32_t* stopFlag);
  // Opens without a method: the port then writes with method 2. The pump
  // window and stop flag are the ones set on the port.
  bool OpenComPort();
  // A "FILE" port: the save dialog, then the chosen file. False when the
  // dialog was cancelled or the file could not be created.
  bool OpenOutputFile();
  bool IsOpen() const { return m_fd >= 0; }
  // The last open failed because the user cancelled the file dialog.
  bool WasCancelled() const { return m_bCancelled; }
  // What the last open tried: the device path or the file path.
  const std::string& GetOpenPath() const { return m_sOpenPath; }

  // Writes the text up to its zero byte. 1 when every byte was written (for a
  // regular file: taken); 0 when nothing is open, the stop flag is or becomes
  // set, the retry limit runs out or the device fails (gone, I/O error, disk
  // full; for a file also an earlier block that failed).
  int WriteData(const char* text);
  // The same for exactly these bytes.
  int WriteData(std::string_view text);
  // Writes out what a file port holds, so a reader of the file sees every byte
  // taken so far. False when the file failed now or before.
  bool Flush();
  // Bytes taken for the file and not yet written.
  std::size_t Pending() const { return m_sPending.size(); }

  // Closes, sets the caller's stop flag to 1 and forgets it and the pump window.
  void Close();

  void SetPumpWindow(fw::CWnd* wnd) { m_pPumpWnd = wnd; }
  void SetStopFlag(std::uint32_t* flag) { m_pStopFlag = flag; }
  std::int32_t GetOutMethod() const { return m_nOutMethod; }

  // Consecutive writes that moved nothing before a write gives up; -1: never.
  std::int32_t RetryLimit = -1;

 private:
  bool OpenHandle();
  bool Stopped() const { return m_pStopFlag && *m_pStopFlag; }
  // One write of a device: bytes written, 0 when the line took nothing
  // within waitMs, -1 for a hard error.
  long WriteSome(const char* data, std::size_t size, int waitMs);
  // Pumps when messages are posted or the last pump is a time slice ago.
  void Pump();
  int WriteFileBlocks(const char* text, std::size_t size);
  void CloseHandle();

  std::string m_szPortName;
  std::uint32_t* m_pStopFlag = nullptr;
  fw::CWnd* m_pPumpWnd = nullptr;
  CIniFile m_Settings;
  std::int32_t m_nOutMethod = kMethodBlock;
  std::int32_t m_nPortCode = -1;
  int m_fd = -1;
  bool m_bRegularFile = false;
  bool m_bCancelled = false;
  std::string m_sOpenPath;
  // The clock of the last pump.
  std::int64_t m_nLastPumpNs = 0;
  bool m_bPumped = false;
  // File writes since the clock was last read.
  int m_nUntimedWrites = 0;
  // What a file port has taken and not yet written; a failed block is kept
  // as failure until the port opens again.
  std::string m_sPending;
  bool m_bFileFailed = false;
};
