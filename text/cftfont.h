// Own vector font files (*.CFT): a 144-byte header, a scrambled glyph index
// for one block of zones and positions, and glyph records in the 6.0 outline
// form. Old files start with "CV" and hold 5.x outlines.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/pathpoints.h"

class CFileServices;

#pragma pack(push, 1)
struct CftHeader {
  char magic[6];
  std::uint16_t languageId;
  float version;
  std::uint32_t headerSize;
  char cName[32];
  char eName[32];
  char oName[32];  // as stored: every byte of the text lowered by 16
  std::uint32_t indexOffset;
  std::uint16_t resolution;
  std::uint8_t sqh, eqh, swh, ewh;
  std::int16_t xOffset;
  std::int16_t yOffset;
  std::uint8_t reserved[18];
};
#pragma pack(pop)
static_assert(sizeof(CftHeader) == 144);

class CCftFont {
 public:
  static constexpr std::uint32_t kScramble = 0x4B2F7A19;
  static constexpr std::uint32_t kHeaderSize = 144;
  static constexpr std::uint32_t kNoGlyph = 0xFFFFFFFF;

  // A header as the builder makes it: magic "VCFT", the system's language
  // ID, version 6.0, sizes 144, resolution 1024, the given ranges.
  static CftHeader MakeHeader(std::uint8_t sqh, std::uint8_t eqh, std::uint8_t swh,
                              std::uint8_t ewh);
  // Stores the text into the header's OName, lowered by 16.
  static void SetOtherName(CftHeader& header, std::string_view text);
  // Index entries of the header's ranges (0 when a range is reversed).
  static std::uint32_t IndexCount(const CftHeader& header);
  // Entry number of a code, -1 when it lies outside the ranges.
  static std::int64_t EntryNumber(const CftHeader& header, std::uint16_t code);
  static std::uint32_t Scramble(std::uint32_t value, std::uint32_t entry) {
    return value ^ (kScramble / (entry + 3));
  }

  // Fills the header from the file's start; a short file leaves zeros; names
  // are always terminated. "CV" files are completed as version 5.4.
  static bool ReadHeader(CFileServices& file, CftHeader* header);
  // The record offset of the code, 0 when outside the ranges, missing, or the
  // file will not open.
  static std::uint32_t GetGlyphOffset(const std::string& path, std::uint16_t code);
  // The glyph of a mounted file; null when missing.
  static std::unique_ptr<CPathPointList> GetGlyph(int slot, int group, int index,
                                                  std::uint16_t code,
                                                  const CMatrix3* matrix = nullptr);
  // The same from a file by its path.
  static std::unique_ptr<CPathPointList> ReadGlyph(const std::string& path, std::uint16_t code,
                                                   const CMatrix3* matrix = nullptr);
  // OName as text (raised back by 16), for files of version 6.0 or more;
  // empty otherwise.
  static std::string GetOtherName(int slot, int group, int index);
  static std::string GetOtherName(const CftHeader& header);
  // Display name: CName when the system language is 0x0804, else EName.
  static std::string DisplayName(const CftHeader& header);

  // Creates (or empties) the file with the header and a zero index; false
  // when it cannot be written.
  static bool CreateFile(const std::string& path, const CftHeader& header);
  // Appends the record (the encoder's whole block) and stores its scrambled
  // offset in the code's entry; without a record stores 0xFFFFFFFF. 0 when
  // the file will not open or the code lies outside the ranges.
  // Writes the record at the end of the open file and returns the scrambled
  // value of its offset for the entry; 0 when the write fails.
  static std::uint32_t AppendRecord(CFileServices& file, std::uint32_t entry,
                                    const std::uint8_t* record, std::size_t size);
  static int WriteGlyph(const std::string& path, const CftHeader& header, std::uint8_t zone,
                        std::uint8_t position, const std::uint8_t* record, std::size_t size);
};
