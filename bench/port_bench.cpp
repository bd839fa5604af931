// links: tindrel_output
// The output port on a 115200-baud line: a pseudo-terminal whose far end is
// read at 11,520 bytes/s. Method 2 must keep the line busy: line_busy is the
// bytes received over what the far end's reads could take until the last one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "output/portfile.h"
#include "bench_serial_line.h"

namespace {

void BM_PortMethod2(benchmark::State& state) {
  const std::size_t size = std::size_t(state.range(0));
  SerialLine line;
  if (!line.ok()) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  const std::string text(size, 'x');
  double busy = 0.0;
  for (auto _ : state) {
    CPortFile port;
    port.SetSettingsPath("/nonexistent/Port.INI");
    port.SetPortName("COM1");
    port.TranSpeed = 115200;
    std::uint32_t stop = 0;
    busy = line.Busy(size, [&] {
      if (!port.Open(2, nullptr, &stop) || !port.WriteData(text.c_str())) state.SkipWithError("write");
    });
    port.Close();
  }
  state.counters["line_busy"] = busy;
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}
BENCHMARK(BM_PortMethod2)->Arg(256 * 1024)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
