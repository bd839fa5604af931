#include "platform/screen.h"

#include <atomic>
#include <utility>

namespace plat {
namespace {

std::atomic<ScreenSource*> g_source{nullptr};

}  // namespace

ScreenSource* SetScreenSource(ScreenSource* source) { return g_source.exchange(source); }

ScreenSource* GetScreenSource() { return g_source.load(); }

bool GrabScreen(Surface& out, std::string& reason) {
  out = Surface();
  reason.clear();
  ScreenSource* source = GetScreenSource();
  if (!source) {
    reason = "no screen to take a picture of";
    return false;
  }
  Surface shot;
  if (!source->Grab(shot, reason)) {
    if (reason.empty()) reason = "the screen could not be read";
    return false;
  }
  if (shot.width() <= 0 || shot.height() <= 0) {
    reason = "the picture of the screen is empty";
    return false;
  }
  reason.clear();
  out = std::move(shot);
  return true;
}

}  // namespace plat
