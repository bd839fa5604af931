// Turns the frames a scanner backend delivers into one packed
// device-independent bitmap: grey frames of 1 bit (table white, black) or
// 8 and 16 bits (8-bit grey), colour frames (interleaved or one frame per
// channel) as 24 bits; rows bottom-up. What the backend says and sends is
// not trusted: parameters are checked, surplus bytes are dropped, and an
// image of unknown height stops at a cap.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gmem.h"

namespace scanframe {

// Frame formats, with the backend's values.
constexpr int kGray = 0;
constexpr int kRgb = 1;
constexpr int kRed = 2;
constexpr int kGreen = 3;
constexpr int kBlue = 4;

// Bounds of one image.
constexpr int kMaxSide = 1 << 16;
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 26;
constexpr int kMaxBytesPerLine = 1 << 24;

struct FrameParams {
  int format = kGray;
  bool lastFrame = true;
  int bytesPerLine = 0;
  int pixelsPerLine = 0;
  int lines = -1;  // below 1: not known in advance
  int depth = 8;
};

class Assembler {
 public:
  // Starts a frame; false when its parameters cannot be taken (bad depth,
  // size or line length, a channel again, a frame that does not match the
  // earlier ones, or a frame after a complete image).
  bool BeginFrame(const FrameParams& p);
  // Bytes of the current frame, in any pieces. False once the frame holds
  // all the rows it can take; further bytes are dropped.
  bool Add(const std::uint8_t* data, std::size_t size);
  // Ends the current frame (a partial last line is dropped).
  void EndFrame();
  // A grey or colour frame has ended, or all three channel frames have.
  bool Complete() const;
  // Rows of the image so far.
  int Rows() const { return rows_; }
  // The image in a new movable block (the caller owns it); 0 without rows.
  plat::HGLOBAL TakeDib();

 private:
  void TakeLine();

  bool inFrame_ = false;
  bool done_ = false;
  int bits_ = 0;  // 1, 8 or 24
  int width_ = 0;
  int maxRows_ = 0;
  int rows_ = 0;       // rows held
  int frameRow_ = 0;   // rows of the current frame
  bool firstFrame_ = false;
  std::size_t rowBytes_ = 0;
  FrameParams frame_;
  unsigned channelsSeen_ = 0;
  std::vector<std::uint8_t> line_;  // the line being received
  std::size_t lineFill_ = 0;
  std::vector<std::uint8_t> image_;  // rows, top row first, in the bitmap's layout
};

}  // namespace scanframe
