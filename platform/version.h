// The system's version word: major version in the low byte, minor in the next.
#pragma once
#include "platform/types.h"

namespace plat {

DWORD GetVersion();

}  // namespace plat
