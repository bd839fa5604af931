// A pseudo terminal for the tests and benchmarks of the serial output.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

// A pseudo terminal: the master end is read by the test; the slave end is
// the device a port opens.
struct Pty {
  int master = -1;
  std::string slave;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = ptsname(master);
  }
  ~Pty() { CloseMaster(); }
  void CloseMaster() {
    if (master >= 0) close(master);
    master = -1;
  }
  // Everything the master has received until `idleMs` pass without data.
  std::string Drain(int idleMs = 100) {
    std::string got;
    char buf[4096];
    for (;;) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, idleMs) <= 0) break;
      ssize_t n = read(master, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, std::size_t(n));
    }
    return got;
  }
};
