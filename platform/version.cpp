#include "platform/version.h"

#include <sys/utsname.h>

#include <cstdlib>

namespace plat {

DWORD GetVersion() {
  struct utsname u {};
  if (::uname(&u) != 0) return 0;
  char* end = nullptr;
  const unsigned long major = std::strtoul(u.release, &end, 10);
  unsigned long minor = 0;
  if (end && *end == '.') minor = std::strtoul(end + 1, nullptr, 10);
  return DWORD(major & 0xFF) | (DWORD(minor & 0xFF) << 8);
}

}  // namespace plat
