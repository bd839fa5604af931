#include "framework/clock.h"

#include <chrono>

namespace fw {
namespace {

class SteadyClock : public Clock {
 public:
  DWORD Now() override {
    using namespace std::chrono;
    return DWORD(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
};

SteadyClock g_steady;
Clock* g_clock = &g_steady;

}  // namespace

Clock* SetClock(Clock* clock) {
  Clock* prev = g_clock == &g_steady ? nullptr : g_clock;
  g_clock = clock ? clock : &g_steady;
  return prev;
}

Clock* GetClock() { return g_clock; }
DWORD GetTickCount() { return g_clock->Now(); }

}  // namespace fw
