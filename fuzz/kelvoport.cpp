// The cut-job manager's "Port.INI" from hostile bytes: the line settings a
// job port loads, their mapping onto a serial line and the port devices; what
// it saves loads back the same.
#include <asm/termbits.h>

#include <string>

#include "cutmanager/jobport.h"
#include "fuzz/fuzz_util.h"
#include "platform/port.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("Port.INI", data, size);
  CJobPort port(path);
  port.SetPortName("COM1");
  termios2 in{}, out{};
  (void)plat::MakeTermios2(port.GetSerialSettings(), in, out);
  for (int code = -1; code <= 24; ++code) (void)plat::MapPortDevice(code, path);

  if (port.SavePortInfo()) {
    CJobPort again(path);
    fuzz::Require(again.TranSpeed == port.TranSpeed && again.OECheck == port.OECheck &&
                      again.DataWidth == port.DataWidth && again.StopBits == port.StopBits &&
                      again.RTSCTS == port.RTSCTS && again.DTRDSR == port.DTRDSR && again.XONXOFF == port.XONXOFF,
                  "saved line settings load back");
  }
  return 0;
}
