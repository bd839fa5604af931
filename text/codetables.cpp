#include "text/codetables.h"

#include <cstdio>

#include "platform/paths.h"

CCodeTables g_CodeTables;

namespace {

// Whole tables only: 94 BIG5 lead bytes of 157 entries, 88 GB rows of 95.
constexpr std::size_t kBig5TableSize = 94 * 157 * 2;
constexpr std::size_t kGbTableSize = 88 * 95 * 2;

// Reads a table of exactly `size` bytes; a shorter or longer file is no table.
bool ReadTable(const std::string& path, std::size_t size, std::vector<std::uint8_t>* out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::vector<std::uint8_t> data(size + 1);
  const std::size_t n = std::fread(data.data(), 1, size + 1, f);
  std::fclose(f);
  if (n != size) return false;
  data.resize(size + 10, 0);
  *out = std::move(data);
  return true;
}

}  // namespace

CCodeTables::CCodeTables() : CCodeTables(plat::GetProgramFolder()) {}

CCodeTables::CCodeTables(const std::string& folder) : folder_(folder) {
  LoadBig5ToGb();
  LoadGbToBig5();
}

int CCodeTables::LoadBig5ToGb() {
  if (!big5Loaded_) {
    auto path = plat::FindFileNoCase(folder_ + "BIG52GB.DAT");
    big5Loaded_ = path && ReadTable(*path, kBig5TableSize, &big5ToGb_);
  }
  return big5Loaded_ ? 1 : 0;
}

int CCodeTables::LoadGbToBig5() {
  if (!gbLoaded_) {
    auto path = plat::FindFileNoCase(folder_ + "GB2BIG5.DAT");
    gbLoaded_ = path && ReadTable(*path, kGbTableSize, &gbToBig5_);
  }
  return gbLoaded_ ? 1 : 0;
}

std::int64_t CCodeTables::Big5Number(std::uint8_t lead, std::uint8_t trail) {
  if (lead < 0xA1 || lead > 0xFE) return 0;
  if (trail >= 0x40 && trail <= 0x7E) return std::int64_t(lead - 0xA1) * 157 + (trail - 0x40);
  if (trail >= 0xA1 && trail <= 0xFE) return std::int64_t(lead - 0xA1) * 157 + (trail - 0x62);
  return 0;
}

std::int64_t CCodeTables::GbNumber(std::uint8_t lead, std::uint8_t trail) {
  if (lead >= 0xA1 && lead <= 0xA9) return std::int64_t(lead - 0xA1) * 95 + (trail - 0xA1);
  if (lead >= 0xB0 && lead <= 0xFE) return std::int64_t(lead - 0xA7) * 95 + (trail - 0xA1);
  return 0;
}

void CCodeTables::Big5ToGbString(char* text) const {
  if (!big5Loaded_ || !text) return;
  // Entries lie within the file's bytes (the 10 spare bytes are not entries).
  const std::size_t size = big5ToGb_.size() - 10;
  auto* p = reinterpret_cast<std::uint8_t*>(text);
  while (*p) {
    if (*p >= 0xA1 && *p <= 0xFE) {
      if (p[1] == 0) break;  // a lead byte before the terminator stays
      std::size_t at = std::size_t(Big5Number(p[0], p[1])) * 2;
      if (at + 2 <= size) {
        p[0] = big5ToGb_[at];
        p[1] = big5ToGb_[at + 1];
      }
      p += 2;
    } else {
      ++p;
    }
  }
}

std::uint16_t CCodeTables::Big5ToGb(std::uint16_t code) const {
  if (!big5Loaded_) return 0;
  if (code == 0x3F3F) return 0xA1A1;
  const std::uint8_t lead = std::uint8_t(code), trail = std::uint8_t(code >> 8);
  const std::size_t at = std::size_t(Big5Number(lead, trail)) * 2;
  if (at + 2 > big5ToGb_.size() - 10) return 0xA1A1;
  return std::uint16_t(big5ToGb_[at] | big5ToGb_[at + 1] << 8);
}

std::uint16_t CCodeTables::GbToBig5(std::uint16_t code) const {
  if (!gbLoaded_) return 0;
  const std::uint8_t lead = std::uint8_t(code >> 8), trail = std::uint8_t(code);
  if (lead < 0xA1 || lead > 0xFE || trail < 0xA1 || trail > 0xFE) return 0;
  const std::size_t at = std::size_t(GbNumber(lead, trail)) * 2;
  if (at + 2 > gbToBig5_.size() - 10) return 0;
  return std::uint16_t(gbToBig5_[at] << 8 | gbToBig5_[at + 1]);
}
