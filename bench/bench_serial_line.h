// A 115200-baud line for the port benchmarks: COM1 is mapped onto a
// pseudo-terminal whose far end is read at 11,520 bytes/s.
#pragma once
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <thread>

#include "output/tests/pty.h"

class SerialLine {
 public:
  static constexpr double kBytesPerSecond = 11520.0;

  SerialLine() {
    if (ok()) ::setenv("TINDREL_PORT_DEVICES", ("COM1=" + pty_.slave).c_str(), 1);
  }
  ~SerialLine() {
    if (ok()) ::unsetenv("TINDREL_PORT_DEVICES");
  }
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;

  // False without a pseudo-terminal.
  bool ok() const { return !pty_.slave.empty(); }

  // Runs `send` while the far end drains the line at its speed. Returns the
  // bytes received over what the far end's reads up to the last byte could
  // have taken (its drain rate as achieved, late wake-ups included); 0 when
  // nothing arrived.
  template <class Send>
  double Busy(std::size_t size, Send&& send) {
    std::atomic<bool> done{false};
    std::atomic<std::size_t> received{0};
    constexpr std::size_t kPerRead = std::size_t(kBytesPerSecond / 100);
    // Reads made up to the one that took the last byte.
    std::size_t reads = 0, readsToLast = 0;
    // 115 bytes every 10 ms.
    std::thread line([&] {
      char buf[256];
      auto next = std::chrono::steady_clock::now();
      while (!done || received < size) {
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
        pollfd p{pty_.master, POLLIN, 0};
        ++reads;
        if (poll(&p, 1, 0) <= 0) {
          if (done) break;
          continue;
        }
        ssize_t n = read(pty_.master, buf, kPerRead);
        if (n > 0) {
          received += std::size_t(n);
          readsToLast = reads;
        }
      }
    });
    send();
    done = true;
    line.join();
    return readsToLast > 0 ? double(received.load()) / double(readsToLast * kPerRead) : 0.0;
  }

 private:
  Pty pty_;
};
