// links: tindrel_output
// The output port on a 115200-baud line: a pseudo-terminal whose far end is
// read at 11,520 bytes/s. Method 2 must keep the line busy: line_busy is the
// time the bytes need on the line over the wall time of the write.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "output/portfile.h"

namespace {

constexpr double kLineBytesPerSecond = 11520.0;

void BM_PortMethod2(benchmark::State& state) {
  const std::size_t size = std::size_t(state.range(0));
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  const std::string slave = ptsname(master);
  setenv("TINDREL_PORT_DEVICES", ("COM1=" + slave).c_str(), 1);
  const std::string text(size, 'x');
  double busy = 0.0;
  for (auto _ : state) {
    std::atomic<bool> done{false};
    std::atomic<std::size_t> received{0};
    std::chrono::steady_clock::time_point last{};
    // Drains the line at its speed: 115 bytes every 10 ms.
    std::thread line([&] {
      char buf[256];
      auto next = std::chrono::steady_clock::now();
      while (!done || received < size) {
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 0) <= 0) {
          if (done) break;
          continue;
        }
        ssize_t n = read(master, buf, std::size_t(kLineBytesPerSecond / 100));
        if (n > 0) {
          received += std::size_t(n);
          last = std::chrono::steady_clock::now();
        }
      }
    });
    CPortFile port;
    port.SetSettingsPath("/nonexistent/Port.INI");
    port.SetPortName("COM1");
    port.TranSpeed = 115200;
    std::uint32_t stop = 0;
    const auto start = std::chrono::steady_clock::now();
    if (!port.Open(2, nullptr, &stop) || !port.WriteData(text.c_str())) state.SkipWithError("write");
    done = true;
    line.join();
    port.Close();
    // Until the last byte has left the line.
    const double wall = std::chrono::duration<double>(last - start).count();
    busy = wall > 0 ? (double(received.load()) / kLineBytesPerSecond) / wall : 0.0;
  }
  close(master);
  unsetenv("TINDREL_PORT_DEVICES");
  state.counters["line_busy"] = busy;
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}
BENCHMARK(BM_PortMethod2)->Arg(256 * 1024)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
