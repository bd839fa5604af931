// A holder of one packed device-independent bitmap in a movable block (a
// 40-byte header, the colour table, the rows), as a scanner hands it over.
// A block is checked before it is held: whatever is held can be read.
#pragma once
#include <string>

#include "platform/dc.h"
#include "platform/dib.h"
#include "platform/gmem.h"

class CDibBlock {
 public:
  CDibBlock() = default;
  ~CDibBlock() { Free(); }
  CDibBlock(const CDibBlock&) = delete;
  CDibBlock& operator=(const CDibBlock&) = delete;

  // Frees the held block, then holds a copy of the given one. False (nothing
  // held) when the block is no packed bitmap this program reads or the copy fails.
  bool SetCopy(plat::HGLOBAL block);
  void Free();
  bool IsEmpty() const { return m_block == 0; }
  plat::HGLOBAL GetHandle() const { return m_block; }
  // A bitmap of the image for the context (null: the screen's); null on failure.
  plat::HBITMAP CreateBitmap(plat::HDC dc = nullptr) const;
  // A copy of the header; false when nothing is held.
  bool GetHeader(plat::BITMAPINFOHEADER* out) const;
  // Writes a BMP file: the 14-byte file header, then the packed bitmap.
  // A header whose image size is 0 (or less than its rows) gets the size of
  // its rows first. False,
  // with no file left behind and an existing one unchanged, when nothing is
  // held, the header claims more bytes than the block holds, or the file
  // cannot be written.
  bool WriteBmpFile(const std::string& path);

 private:
  plat::HGLOBAL m_block = 0;
};
