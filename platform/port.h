// Communications ports: the port names "COM1".."COM8" and "LPT1".."LPT8" mapped
// onto device paths, serial line settings turned into termios2, and bounded
// writes (poll before a non-blocking write) that tell a device that stopped
// taking data from one that is gone.
//
// Device paths: $TINDREL_PORT_DEVICES ("COM1=/dev/pts/7;LPT2=/dev/usb/lp0")
// first, then the "Devices" section of the given "Port.INI" (key = port name),
// then COMn -> /dev/ttyS{n-1}, LPTn -> /dev/lp{n-1}.
#pragma once
#include <asm/termbits.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

// 0 for "FILE" (any case), n for "COMn", n + 15 for "LPTn" (n = 1..8; only the
// capitals "COM" and "LPT" name ports), -1 for anything else.
int GetPortCode(const char* name);

// The device path of a port code above 0; "" for any other code. `portIni` is
// the "Port.INI" to consult (may be "" or missing).
std::string MapPortDevice(int portCode, const std::string& portIni);

// The serial line as the settings give it.
struct SerialSettings {
  std::uint32_t speed = 9600;   // bits per second
  std::uint16_t parity = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space; other: none
  std::uint16_t dataBits = 8;   // 5..8
  std::uint16_t stopBits = 0;   // 0 one, 1 one and a half (sent as two), 2 two; other: kept
  std::uint32_t rtsCts = 1;     // bit 0: hardware flow control
  std::uint32_t dtrDsr = 0;     // bit 0: no counterpart here; kept and ignored
  std::uint32_t xonXoff = 0;    // bit 0: software flow control both ways
};

// The device's current line `in` changed to the settings: raw, receiver on,
// modem lines ignored, the speed as a B-constant or BOTHER. False (out
// untouched) for a data width outside 5..8 or a speed of 0.
bool MakeTermios2(const SerialSettings& s, const termios2& in, termios2& out);

// A port's line settings and "FILE" folder as "Port.INI" keeps them in section
// "PortInfo", read and written under these key names by the output port and
// the cut-job manager alike.
struct PortInfo {
  std::uint32_t TranSpeed = 9600;
  std::uint16_t OECheck = 0;
  std::uint16_t DataWidth = 8;
  std::uint16_t StopBits = 0;
  std::uint32_t RTSCTS = 1;
  std::uint32_t DTRDSR = 0;
  std::uint32_t XONXOFF = 0;
  // The folder last used for "FILE" output.
  std::string FilePath;

  // The line fields as the settings a serial port opens with.
  SerialSettings GetSerialSettings() const;
  // The section of the settings file `ini` (the path as given); a missing key
  // gives the default above, FilePath at most `maxFilePath` bytes.
  void Load(const std::string& ini, std::size_t maxFilePath);
  // Every key written, even after one was refused; false when any was.
  bool Save(const std::string& ini) const;
  // Keeps the folder (up to and with its last separator) of a chosen "FILE"
  // path as FilePath when it is at most `maxFilePath` bytes; true when kept.
  bool KeepFileFolder(const std::string& path, std::size_t maxFilePath);
};

// Opens a device or file for writing without blocking on the open itself.
// Devices: exclusive (TIOCEXCL) when `exclusive`. Files (`create`): created or
// truncated, mode 0666 less the umask. Returns the descriptor or -1 (errno set).
int OpenPortPath(const std::string& path, bool create, bool exclusive);

// Applies the settings to a terminal: the line from MakeTermios2, written up to
// 10 times while refused, and DTR raised. False when the descriptor is not a
// terminal or the line was refused each time; the port stays usable either way.
bool ApplySerialSettings(int fd, const SerialSettings& s);

// One write of at most `size` bytes. Waits (poll) up to `waitMs` for the device
// to take data, then writes without blocking. Returns the bytes written (0 when
// the device took nothing in time), or -1 for a hard error (device gone, I/O
// error, disk full, broken pipe); errno tells which. A broken pipe never raises
// SIGPIPE.
long WritePort(int fd, const void* data, std::size_t size, int waitMs);

// A regular file: it never blocks and has no reader to lose, so the writes
// need no wait.
bool IsRegularFile(int fd);

// One plain write to a regular file: the bytes written, or -1 (errno set).
long WriteFileData(int fd, const void* data, std::size_t size);

void ClosePort(int fd);

// Opens a port's device exclusively; a serial port (code 1..8) gets the line
// settings, and takes data even where the line was refused. The descriptor
// or -1 (errno set).
int OpenPortDevice(const std::string& device, int portCode, const SerialSettings& s);

}  // namespace plat
