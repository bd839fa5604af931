// PLT/HPGL reading: pen-up/down and absolute/relative plotting into one path,
// and the variant with labels, line types and pens into a group of members.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "importfilter/filtergroup.h"
#include "importfilter/pathlist.h"
#include "platform/gmem.h"

namespace imp {

enum PltToken : int {
  PT_END = -1,
  PT_OTHER = 0,
  PT_PU = 1,
  PT_PD = 2,
  PT_PA = 3,
  PT_PR = 4,
  PT_LT = 9,
  PT_DI = 10,
  PT_LB = 16,
  PT_DT = 17,
  PT_SI = 18,
  PT_SP = 19,
  PT_NUMBER = 256,
};

// Longest token text kept (the rest of a longer token is skipped with it).
constexpr std::size_t kMaxTokenText = 99;
// Longest label text drawn.
constexpr std::size_t kMaxLabel = 4096;
// File numbers are held within this range.
constexpr double kMaxCoordinate = 1e9;

class CPltReader {
 public:
  // The ";:" dialect: a command token moves past its whole letter run.
  bool colonMode = false;

  // One path record in an object block, upright (file y runs up); null when
  // fewer than kMinRecordPoints points.
  plat::HGLOBAL Read(const char* path, std::uint32_t value);
  // The group record with labels; null when no member holds a point.
  plat::HGLOBAL ReadWithLabels(const char* path, std::uint32_t value);

  // The readers over data in memory, before the scale.
  CFilterPathList ReadPoints(const std::uint8_t* data, std::size_t size);
  std::unique_ptr<CFilterObjectList> ReadGroup(const std::uint8_t* data, std::size_t size);

  // Next token from `pos`, its text (at most kMaxTokenText characters) in `text`.
  int ScanToken(const std::uint8_t* data, std::size_t size, std::size_t& pos, std::string& text) const;
  // The same with the text as a view into the data (numbers) or into the
  // reader (commands), valid until the next scan.
  int ScanToken(const std::uint8_t* data, std::size_t size, std::size_t& pos, std::string_view& text) const;

  // Parameter readers of DT, DI and SI: each takes only its own parameters.
  void ReadTerminator(const std::uint8_t* data, std::size_t size, std::size_t& pos);
  void ReadDirection(const std::uint8_t* data, std::size_t size, std::size_t& pos);
  void ReadCharSize(const std::uint8_t* data, std::size_t size, std::size_t& pos);
  // The label at `pos` placed at (x, y), or null; `pos` moves past its terminator.
  std::unique_ptr<CFilterObjectList> ReadLabel(const std::uint8_t* data, std::size_t size, std::size_t& pos,
                                               float x, float y);
  // Moves past a label without drawing it.
  void SkipLabel(const std::uint8_t* data, std::size_t size, std::size_t& pos) const;

  // Label settings.
  float run = 0, rise = 0;
  float charWidth = 0.5f, charHeight = 0.5f;
  std::uint8_t terminator = 3;

 private:
  void ResetLabelSettings();
  // Reads a number token at pos when there is one.
  bool TakeNumber(const std::uint8_t* data, std::size_t size, std::size_t& pos, double& v) const;
  mutable char command_[kMaxTokenText + 1] = {};
};

// The angle in degrees that a label direction (run, rise) turns by; 0 for none.
double LabelAngle(float run, float rise);

}  // namespace imp
