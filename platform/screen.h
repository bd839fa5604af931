// A snapshot of the whole screen through a replaceable source: the presentation
// installs one; without it (or when it cannot see the screen) there is only the
// reason why not.
#pragma once
#include <string>

#include "platform/dc.h"

namespace plat {

class ScreenSource {
 public:
  virtual ~ScreenSource() = default;
  // The screen's pixels, top row first, its top-left the screen's origin; false
  // with the reason when there is no picture of it.
  virtual bool Grab(Surface& out, std::string& reason) = 0;
};

// Installs a source (nullptr: none); returns the previous one.
ScreenSource* SetScreenSource(ScreenSource* source);
ScreenSource* GetScreenSource();

// A snapshot through the installed source. False, `out` left empty and
// `reason` told, without a source, when the source fails or when its picture
// is empty.
bool GrabScreen(Surface& out, std::string& reason);

// Installs a source for a scope and restores the previous one after.
class ScopedScreenSource {
 public:
  explicit ScopedScreenSource(ScreenSource* source) : prev_(SetScreenSource(source)) {}
  ~ScopedScreenSource() { SetScreenSource(prev_); }
  ScopedScreenSource(const ScopedScreenSource&) = delete;
  ScopedScreenSource& operator=(const ScopedScreenSource&) = delete;

 private:
  ScreenSource* prev_;
};

}  // namespace plat
