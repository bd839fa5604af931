// "TWAIN.INI" as the source manager library reads it: the device and the
// options of [Source], bounded and without repeats.
#include <string>

#include "fuzz/fuzz_util.h"
#include "outside/twain/twainini.h"
#include "platform/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InstallQuietSink();
  const std::string path = fuzz::WriteScratchFile("TWAIN.INI", data, size);
  const twainini::Settings s = twainini::ReadSettings(path);
  fuzz::Require(s.device.size() <= twainini::kMaxValueBytes, "device name bounded");
  fuzz::Require(s.options.size() <= twainini::kMaxOptions, "options bounded");
  for (std::size_t i = 0; i < s.options.size(); ++i) {
    const auto& [key, value] = s.options[i];
    fuzz::Require(!key.empty() && key.size() <= twainini::kMaxNameBytes, "option name bounded");
    fuzz::Require(!value.empty() && value.size() <= twainini::kMaxValueBytes, "option value bounded");
    fuzz::Require(!plat::EqualNoCaseAscii(key, "Device"), "the device is no option");
    for (std::size_t j = 0; j < i; ++j)
      fuzz::Require(!plat::EqualNoCaseAscii(key, s.options[j].first), "each option once");
  }
  return 0;
}
