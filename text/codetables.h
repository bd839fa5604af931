// GB2312 <-> BIG5 conversion through the two tables in the program's folder:
// "BIG52GB.DAT" (157 two-byte entries per BIG5 lead byte 0xA1..0xFE) and
// "GB2BIG5.DAT" (95 two-byte entries per GB row 0xA1..0xA9, 0xB0..0xFE).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CCodeTables {
 public:
  // Reads both tables from the program's folder.
  CCodeTables();
  // Reads the tables from another folder (with a trailing '/'); tests.
  explicit CCodeTables(const std::string& folder);

  // 1 when the table is in memory (read now or before), 0 when the file
  // could not be read.
  int LoadBig5ToGb();
  int LoadGbToBig5();
  // Converts a NUL-terminated BIG5 string to GB in place.
  void Big5ToGbString(char* text) const;
  // Lead byte in the low byte, in and out; 0 without the table, 0xA1A1 for
  // "??" and codes the table does not hold.
  std::uint16_t Big5ToGb(std::uint16_t code) const;
  // Lead byte in the high byte, in and out; 0 when there is none.
  std::uint16_t GbToBig5(std::uint16_t code) const;

  static std::int64_t Big5Number(std::uint8_t lead, std::uint8_t trail);
  static std::int64_t GbNumber(std::uint8_t lead, std::uint8_t trail);

 private:
  std::string folder_;
  bool big5Loaded_ = false, gbLoaded_ = false;
  std::vector<std::uint8_t> big5ToGb_;  // file bytes + 10 zero bytes
  std::vector<std::uint8_t> gbToBig5_;
};

extern CCodeTables g_CodeTables;
