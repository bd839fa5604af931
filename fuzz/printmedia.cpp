// Media names as the print server answers them: the paper code and the size
// a name gives stay within their bounds.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/printer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  const short code = plat::PaperCodeFromMedia(name);
  if (code < 1 || code > plat::DMPAPER_USER) std::abort();
  int width = -1, length = -1;
  if (plat::MediaSize(name, &width, &length)) {
    if (width <= 0 || length <= 0 || width > 20000 || length > 20000) std::abort();
  } else if (width != 0 || length != 0) {
    std::abort();
  }
  return 0;
}
