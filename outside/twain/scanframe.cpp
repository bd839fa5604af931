#include "outside/twain/scanframe.h"

#include <algorithm>
#include <cstring>

#include "platform/dib.h"

namespace scanframe {

namespace {

bool IsChannel(int format) { return format == kRed || format == kGreen || format == kBlue; }

// Blue, green, red order of the bitmap's colour pixels.
int ChannelOffset(int format) { return format == kRed ? 2 : format == kGreen ? 1 : 0; }

std::uint8_t Sample16(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);  // the machine's byte order
  return std::uint8_t(v >> 8);
}

bool Bit(const std::uint8_t* line, std::size_t i) { return (line[i / 8] >> (7 - i % 8)) & 1; }

}  // namespace

bool Assembler::BeginFrame(const FrameParams& p) {
  if (inFrame_ || done_) return false;
  if (p.format < kGray || p.format > kBlue) return false;
  if (p.depth != 1 && p.depth != 8 && p.depth != 16) return false;
  if (p.pixelsPerLine < 1 || p.pixelsPerLine > kMaxSide || p.lines > kMaxSide) return false;
  const std::int64_t samples = std::int64_t(p.pixelsPerLine) * (p.format == kRgb ? 3 : 1);
  const std::int64_t need = p.depth == 1 ? (samples + 7) / 8 : samples * (p.depth / 8);
  if (p.bytesPerLine < need || p.bytesPerLine > kMaxBytesPerLine) return false;
  if (p.lines > 0 && std::int64_t(p.pixelsPerLine) * p.lines > kMaxPixels) return false;

  const bool first = bits_ == 0;
  if (first) {
    bits_ = IsChannel(p.format) ? 24 : p.format == kRgb ? 24 : p.depth == 1 ? 1 : 8;
    width_ = p.pixelsPerLine;
    rowBytes_ = plat::DibRowBytes(width_, bits_);
    if (rowBytes_ == 0) return false;
    maxRows_ = p.lines > 0 ? p.lines : int(std::min<std::int64_t>(kMaxSide, kMaxPixels / width_));
  } else {
    // Only the channels of one colour image follow one another.
    if (!IsChannel(p.format) || !IsChannel(frame_.format) || (channelsSeen_ & (1u << (p.format - kRed))) ||
        p.pixelsPerLine != width_)
      return false;
    maxRows_ = rows_;
  }
  if (IsChannel(p.format)) channelsSeen_ |= 1u << (p.format - kRed);
  frame_ = p;
  line_.assign(std::size_t(p.bytesPerLine), 0);
  lineFill_ = 0;
  frameRow_ = 0;
  firstFrame_ = first;
  inFrame_ = true;
  return true;
}

bool Assembler::Add(const std::uint8_t* data, std::size_t size) {
  if (!inFrame_) return false;
  while (size > 0 && frameRow_ < maxRows_) {
    const std::size_t n = std::min(size, line_.size() - lineFill_);
    std::memcpy(line_.data() + lineFill_, data, n);
    lineFill_ += n;
    data += n;
    size -= n;
    if (lineFill_ == line_.size()) TakeLine();
  }
  return frameRow_ < maxRows_;
}

void Assembler::TakeLine() {
  lineFill_ = 0;
  if (firstFrame_) {
    image_.resize(image_.size() + rowBytes_, 0);
    ++rows_;
  }
  std::uint8_t* row = image_.data() + std::size_t(frameRow_) * rowBytes_;
  ++frameRow_;
  const std::uint8_t* in = line_.data();
  const std::size_t w = std::size_t(width_);
  const int depth = frame_.depth;
  switch (frame_.format) {
    case kGray:
      if (depth == 1) {
        // Set bits are black: the table's second entry.
        const std::size_t bytes = (w + 7) / 8;
        std::memcpy(row, in, bytes);
        if (w % 8) row[bytes - 1] &= std::uint8_t(0xFF << (8 - w % 8));
      } else if (depth == 8) {
        std::memcpy(row, in, w);
      } else {
        for (std::size_t x = 0; x < w; ++x) row[x] = Sample16(in + 2 * x);
      }
      break;
    case kRgb:
      for (std::size_t x = 0; x < w; ++x)
        for (std::size_t c = 0; c < 3; ++c) {
          const std::size_t i = 3 * x + c;
          const std::uint8_t v = depth == 1 ? (Bit(in, i) ? 255 : 0) : depth == 8 ? in[i] : Sample16(in + 2 * i);
          row[3 * x + (2 - c)] = v;
        }
      break;
    default: {
      const int off = ChannelOffset(frame_.format);
      for (std::size_t x = 0; x < w; ++x)
        row[3 * x + off] = depth == 1 ? (Bit(in, x) ? 255 : 0) : depth == 8 ? in[x] : Sample16(in + 2 * x);
      break;
    }
  }
}

void Assembler::EndFrame() {
  if (!inFrame_) return;
  inFrame_ = false;
  lineFill_ = 0;
  if (!IsChannel(frame_.format) || channelsSeen_ == 7 || frame_.lastFrame) done_ = true;
}

bool Assembler::Complete() const { return done_; }

plat::HGLOBAL Assembler::TakeDib() {
  if (rows_ == 0 || inFrame_) return 0;
  const std::size_t colours = bits_ == 1 ? 2 : bits_ == 8 ? 256 : 0;
  const std::size_t bitsOffset = sizeof(plat::BITMAPINFOHEADER) + 4 * colours;
  const std::size_t imageBytes = rowBytes_ * std::size_t(rows_);
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, bitsOffset + imageBytes);
  if (!h) return 0;
  {
    plat::GlobalLockGuard g(h);
    plat::BITMAPINFOHEADER header;
    header.biWidth = width_;
    header.biHeight = rows_;
    header.biBitCount = plat::WORD(bits_);
    header.biSizeImage = plat::DWORD(imageBytes);
    header.biClrUsed = plat::DWORD(colours);
    std::memcpy(g.bytes(), &header, sizeof header);
    std::uint8_t* table = g.bytes() + sizeof header;
    if (bits_ == 1) {
      const plat::RGBQUAD white{255, 255, 255, 0}, black{0, 0, 0, 0};
      std::memcpy(table, &white, 4);
      std::memcpy(table + 4, &black, 4);
    } else {
      for (std::size_t i = 0; i < colours; ++i) {
        const plat::RGBQUAD grey{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
        std::memcpy(table + 4 * i, &grey, 4);
      }
    }
    // Bottom row first.
    std::uint8_t* out = g.bytes() + bitsOffset;
    for (int r = 0; r < rows_; ++r)
      std::memcpy(out + std::size_t(r) * rowBytes_, image_.data() + std::size_t(rows_ - 1 - r) * rowBytes_,
                  rowBytes_);
  }
  image_.clear();
  image_.shrink_to_fit();
  rows_ = 0;
  return h;
}

}  // namespace scanframe
