// Reader of the old version 5.6 documents (".V95"): a 164-byte header that
// starts "Vorlan V5.6 (For 95)" with the data offset at byte 52, then records
// opened by a code byte, converted into an object-list block.
//
// Old records (sizes count the code byte):
//   0x81 group, 53-byte head: bounds (4 f32), a 36-byte attribute block whose
//        first u32 is the member count; then the members (codes 0x81-0x85)
//   0x82 text, 70-byte head: bounds, a 36-byte matrix, u32 item count, 13
//        reserved bytes; then items of 67 bytes (first byte 18, characters:
//        the 75-byte character record without its length, reserved word and
//        flags) and 15 bytes (first byte 17, controls: kind, code, value,
//        selector, a u16 third); becomes a text record with a straight
//        arrangement over the bounds
//   0x83 library picture, 62 bytes: bounds, the 36-byte placement matrix,
//        u16 library type, library number, picture number, flag word, a
//        reserved byte
//   0x84 path, 55-byte head: bounds, the 36-byte matrix, u16 flag word; then
//        8-byte point pairs: u32 with the point flags in its low byte and x in
//        hundredths as a signed 24-bit number above them, then y as f32; the
//        pair 'f' ... 0x48888888 ends the run
//   0x85 image, 78 bytes: bounds and the file name (61 bytes)
//   0x86 skipped block: u32 n; the next record starts 6 + n bytes after the code
//   0xFC, 0xFD, 0xFE one-byte marks; 0xFF the end
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/docfile.h"

inline constexpr char kOldDocMagic[] = "Vorlan V5.6 (For 95)";
constexpr std::size_t kOldDocHeaderSize = 164;
constexpr int kOldDocMaxNesting = 64;
inline constexpr char kOldDocGroupError[] = "Error In Read File Data Group";
inline constexpr char kOldDocGroupCaption[] = "ERROR";

class COldDocReader : public CDocStream {
 public:
  int CheckHeader() override;
  plat::HGLOBAL ReadData() override;
  int Convert(plat::HGLOBAL* result, plat::HGLOBAL data) override;

  // The records of the data converted into an object-list block (byte 2,
  // u32 length through the 254, the records, 254, 255). A bad record ends
  // the walk; what was read before it is kept.
  static std::vector<std::uint8_t> ConvertData(const std::uint8_t* data, std::size_t size);

  std::uint8_t m_header[kOldDocHeaderSize] = {};
};
