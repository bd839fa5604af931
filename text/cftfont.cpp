#include "text/cftfont.h"

#include <cstring>
#include <vector>

#include "model/segarray.h"
#include "platform/bytes.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "text/fontcatalog.h"
#include "text/outlinecodec.h"

namespace {

void Terminate(char* s, std::size_t n) { s[n - 1] = 0; }

// The open file's header and the offset of the code's record; 0 when the
// code has no glyph.
std::uint32_t FindRecord(CDiskFile& file, std::uint16_t code, CftHeader* h) {
  CCftFont::ReadHeader(file, h);
  std::int64_t i = CCftFont::EntryNumber(*h, code);
  if (i < 0) return 0;
  std::uint64_t at = std::uint64_t(h->indexOffset) + 4 * std::uint64_t(i);
  if (at + 4 > file.GetLength() || !file.Seek(at)) return 0;
  std::uint8_t e[4];
  if (file.Read(e, 4) != 4) return 0;
  std::uint32_t v = plat::GetU32(e);
  if (v == 0 || v == CCftFont::kNoGlyph) return 0;
  return CCftFont::Scramble(v, std::uint32_t(i));
}

}  // namespace

CftHeader CCftFont::MakeHeader(std::uint8_t sqh, std::uint8_t eqh, std::uint8_t swh,
                               std::uint8_t ewh) {
  CftHeader h;
  std::memset(&h, 0, sizeof(h));
  std::memcpy(h.magic, "VCFT", 4);
  h.languageId = plat::GetSystemDefaultLangID();
  h.version = 6.0f;
  h.headerSize = kHeaderSize;
  h.indexOffset = kHeaderSize;
  h.resolution = 1024;
  h.sqh = sqh;
  h.eqh = eqh;
  h.swh = swh;
  h.ewh = ewh;
  return h;
}

void CCftFont::SetOtherName(CftHeader& header, std::string_view text) {
  std::memset(header.oName, 0, sizeof(header.oName));
  std::size_t n = plat::GbkPrefixLength(text, sizeof(header.oName) - 1);
  for (std::size_t i = 0; i < n; ++i) header.oName[i] = char(std::uint8_t(text[i]) - 16);
}

std::string CCftFont::GetOtherName(const CftHeader& header) {
  std::string out;
  if (!(header.version >= 6.0f)) return out;
  for (std::size_t i = 0; i < sizeof(header.oName) && header.oName[i]; ++i)
    out.push_back(char(std::uint8_t(header.oName[i]) + 16));
  return out;
}

std::string CCftFont::DisplayName(const CftHeader& header) {
  const char* name = plat::GetSystemDefaultLangID() == 0x0804 ? header.cName : header.eName;
  return std::string(name, strnlen(name, 32));
}

std::uint32_t CCftFont::IndexCount(const CftHeader& h) {
  if (h.sqh > h.eqh || h.swh > h.ewh) return 0;
  return std::uint32_t(h.eqh - h.sqh + 1) * std::uint32_t(h.ewh - h.swh + 1);
}

std::int64_t CCftFont::EntryNumber(const CftHeader& h, std::uint16_t code) {
  const int q = code >> 8, w = code & 0xFF;
  if (h.sqh > h.eqh || h.swh > h.ewh) return -1;
  if (q < h.sqh || q > h.eqh || w < h.swh || w > h.ewh) return -1;
  return std::int64_t(q - h.sqh) * (h.ewh - h.swh + 1) + (w - h.swh);
}

bool CCftFont::ReadHeader(CFileServices& file, CftHeader* h) {
  std::uint8_t raw[kHeaderSize] = {};
  file.Seek(0);
  file.Read(raw, sizeof(raw));
  std::memset(h, 0, sizeof(*h));
  if (raw[0] == 'C' && raw[1] == 'V') {
    std::memcpy(h->magic, "VCFT", 4);
    h->version = 5.4f;
    h->headerSize = 80;
    h->indexOffset = 80;
    h->languageId = 0;
    std::memcpy(h->cName, raw + 16, 32);
    std::memcpy(h->eName, raw + 16, 32);
    std::memcpy(h->oName, raw + 16, 32);
    h->resolution = plat::GetU16(raw + 48);
    h->sqh = raw[50];
    h->eqh = raw[51];
    h->swh = raw[52];
    h->ewh = raw[53];
    h->xOffset = std::int16_t(plat::GetU16(raw + 54));
    h->yOffset = std::int16_t(plat::GetU16(raw + 56));
  } else {
    std::memcpy(h, raw, sizeof(*h));
  }
  Terminate(h->magic, sizeof(h->magic));
  Terminate(h->cName, sizeof(h->cName));
  Terminate(h->eName, sizeof(h->eName));
  Terminate(h->oName, sizeof(h->oName));
  return true;
}

std::uint32_t CCftFont::GetGlyphOffset(const std::string& path, std::uint16_t code) {
  CDiskFile file;
  if (!file.Open(plat::ResolvePath(path), "rb")) return 0;
  CftHeader h;
  return FindRecord(file, code, &h);
}

std::unique_ptr<CPathPointList> CCftFont::ReadGlyph(const std::string& path, std::uint16_t code,
                                                    const CMatrix3* matrix) {
  CDiskFile file;
  if (!file.Open(plat::ResolvePath(path), "rb")) return nullptr;
  CftHeader h;
  const std::uint32_t offset = FindRecord(file, code, &h);
  // The header values of the last file read.
  auto& cache = g_CftFontTable.cache;
  cache.path = path;
  cache.xOffset = h.xOffset;
  cache.yOffset = h.yOffset;
  cache.version = h.version;
  if (offset == 0) return nullptr;
  const std::uint64_t length = file.GetLength();
  if (std::uint64_t(offset) + 4 > length || !file.Seek(offset)) return nullptr;
  std::uint8_t s4[4];
  if (file.Read(s4, 4) != 4) return nullptr;
  const std::uint32_t s = plat::GetU32(s4);
  if (s <= 4 || std::uint64_t(s) - 4 > length - offset - 4) return nullptr;
  std::vector<std::uint8_t> data(s - 4);
  if (file.Read(data.data(), data.size()) != data.size()) return nullptr;
  CMatrix3 m(1.0f, 0.0f, 0.0f, 1.0f, float(cache.xOffset), float(cache.yOffset));
  if (matrix) m.Multiply(*matrix);
  COutlineCodec codec;
  return codec.DecodeData(data.data(), data.size(), &m, cache.version);
}

std::unique_ptr<CPathPointList> CCftFont::GetGlyph(int slot, int group, int index,
                                                   std::uint16_t code, const CMatrix3* matrix) {
  std::string path;
  if (!g_CftFontTable.GetEntryPath(slot, group, index, path)) return nullptr;
  return ReadGlyph(path, code, matrix);
}

std::string CCftFont::GetOtherName(int slot, int group, int index) {
  std::string path;
  if (!g_CftFontTable.GetEntryPath(slot, group, index, path)) return {};
  CDiskFile file;
  if (!file.Open(plat::ResolvePath(path), "rb")) return {};
  CftHeader h;
  ReadHeader(file, &h);
  return GetOtherName(h);
}

bool CCftFont::CreateFile(const std::string& path, const CftHeader& header) {
  CDiskFile file;
  if (!file.Open(plat::ResolvePath(path), "wb")) return false;
  if (!file.Write(&header, sizeof(header))) return false;
  std::vector<std::uint8_t> index(std::size_t(IndexCount(header)) * 4, 0);
  if (header.indexOffset > kHeaderSize) {
    std::vector<std::uint8_t> gap(header.indexOffset - kHeaderSize, 0);
    if (!file.Write(gap.data(), gap.size())) return false;
  }
  return index.empty() || file.Write(index.data(), index.size());
}

std::uint32_t CCftFont::AppendRecord(CFileServices& file, std::uint32_t i,
                                     const std::uint8_t* record, std::size_t size) {
  std::uint64_t end = file.GetLength();
  // A record whose scrambled offset would read as "never written" or "no
  // glyph" is moved on by four zero bytes.
  while (end <= 0xFFFFFFFFull - 4 &&
         (Scramble(std::uint32_t(end), i) == 0 || Scramble(std::uint32_t(end), i) == kNoGlyph)) {
    static const std::uint8_t zero[4] = {};
    if (!file.Seek(end) || !file.Write(zero, 4)) return 0;
    end += 4;
  }
  if (end + size > 0xFFFFFFFFull) return 0;
  if (!file.Seek(end) || !file.Write(record, size)) return 0;
  return Scramble(std::uint32_t(end), i);
}

int CCftFont::WriteGlyph(const std::string& path, const CftHeader& header, std::uint8_t zone,
                         std::uint8_t position, const std::uint8_t* record, std::size_t size) {
  const std::int64_t i = EntryNumber(header, std::uint16_t(zone << 8 | position));
  if (i < 0) return 0;
  CDiskFile file;
  if (!file.Open(plat::ResolvePath(path), "r+b")) return 0;
  std::uint32_t entry = kNoGlyph;
  if (record && size > 0) {
    entry = AppendRecord(file, std::uint32_t(i), record, size);
    if (entry == 0) return 0;
  }
  std::uint8_t e[4];
  plat::PutU32(e, entry);
  if (!file.Seek(std::uint64_t(header.indexOffset) + 4 * std::uint64_t(i)) || !file.Write(e, 4))
    return 0;
  return 1;
}
