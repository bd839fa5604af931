// The font tests' check for a face from the Debian font packages: a test
// that needs one skips, naming it, where it is not installed.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/font.h"

namespace fonttest {

inline bool Installed(const char* english) {
  const auto& faces = plat::InstalledFontFaces();
  return std::any_of(faces.begin(), faces.end(), [&](const plat::FontFace& f) { return f.englishName == english; });
}

}  // namespace fonttest

#define REQUIRE_FACE(name)                                                                         \
  do {                                                                                             \
    if (!fonttest::Installed(name)) GTEST_SKIP() << name << " is not installed (scripts/deps.sh)"; \
  } while (0)
