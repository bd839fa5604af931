// Time for timers, tick counts and double clicks: a replaceable clock, so tests
// decide when time passes.
#pragma once
#include "framework/fwdefs.h"

namespace fw {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps like a 32-bit tick count.
  virtual DWORD Now() = 0;
};

// Time stands still until the test advances it.
class ManualClock : public Clock {
 public:
  explicit ManualClock(DWORD start = 1000) : now_(start) {}
  DWORD Now() override { return now_; }
  void Advance(DWORD ms) { now_ += ms; }
  void Set(DWORD ms) { now_ = ms; }

 private:
  DWORD now_;
};

// Installs a clock (nullptr restores the steady system clock); returns the previous one.
Clock* SetClock(Clock* clock);
Clock* GetClock();
DWORD GetTickCount();

class ScopedClock {
 public:
  explicit ScopedClock(Clock* c) : prev_(SetClock(c)) {}
  ~ScopedClock() { SetClock(prev_); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* prev_;
};

}  // namespace fw
