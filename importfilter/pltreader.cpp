#include "importfilter/pltreader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "importfilter/filterio.h"
#include "importfilter/strokefont.h"

namespace imp {
namespace {

constexpr bool IsNumberChar(std::uint8_t c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }
constexpr bool IsCommandChar(std::uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '!' || c == '@';
}

constexpr std::uint8_t kNumberClass = 1, kCommandClass = 2;
struct TokenClassTable {
  std::uint8_t v[256] = {};
  constexpr TokenClassTable() {
    for (int c = 0; c < 256; ++c) v[c] = IsNumberChar(std::uint8_t(c)) ? kNumberClass : IsCommandChar(std::uint8_t(c)) ? kCommandClass : 0;
  }
  constexpr std::uint8_t operator[](std::uint8_t c) const { return v[c]; }
};
constexpr TokenClassTable kTokenClass;
std::uint8_t Upper(std::uint8_t c) { return (c >= 'a' && c <= 'z') ? std::uint8_t(c - 'a' + 'A') : c; }

float Coordinate(double v) { return float(std::clamp(v, -kMaxCoordinate, kMaxCoordinate)); }

int CommandCode(std::string_view t) {
  struct Entry {
    const char* text;
    int code;
  };
#ifdef TINDREL_IMPORT_OLD
  static const Entry kTable[] = {{"PU", PT_PU}, {"U", PT_PU}, {"PD", PT_PD},
                                 {"D", PT_PD},  {"PA", PT_PA}, {"PR", PT_PR}};
#else
  static const Entry kTable[] = {{"PU", PT_PU}, {"U", PT_PU}, {"PD", PT_PD}, {"D", PT_PD},
                                 {"PA", PT_PA}, {"PR", PT_PR}, {"LT", PT_LT}, {"DI", PT_DI},
                                 {"LB", PT_LB}, {"DT", PT_DT}, {"SI", PT_SI}, {"SP", PT_SP}};
#endif
  for (const Entry& e : kTable)
    if (t == e.text) return e.code;
  return PT_OTHER;
}

// What a completed coordinate pair did.
enum class PenStep {
  None,     // no pair yet, or coordinates not taken here
  Moved,    // pen up: the next sub-path starts at the pen
  Start,    // pen down: the waiting start point (sx, sy) begins a sub-path
  Restart,  // pen down without a pen-up point: a sub-path begins at (sx, sy) = (ox, oy)
  Mid,      // pen down: the previous point (ox, oy) is a middle point
};

// The pen over a command stream: its modes and the coordinate pairs.
struct PenState {
  bool penDown = false, relative = false, allowed = true, xWaiting = false, open = false, startWaiting = false;
  float cx = 0, cy = 0, px = 0, sx = 0, sy = 0, ox = 0, oy = 0;

  // PD, PA or PR.
  void SetMode(int tok) {
    if (tok == PT_PD) penDown = true;
    if (tok == PT_PA) relative = false;
    if (tok == PT_PR) relative = true;
    TakeCoordinates(true);
  }
  void PenUp() {
    open = false;
    penDown = false;
    TakeCoordinates(true);
  }
  // Whether the numbers that follow are coordinates; a waiting x is dropped.
  void TakeCoordinates(bool on) {
    allowed = on;
    xWaiting = false;
  }
  void StartAtPen() {
    sx = cx;
    sy = cy;
    startWaiting = true;
  }
  std::uint8_t CloseFlags() const { return (cx == sx && cy == sy) ? F_CLOSED : F_OPEN; }

  // A number: an x waits for its y, then the pen moves.
  PenStep Number(std::string_view text) {
    if (!allowed) {
      xWaiting = false;
      return PenStep::None;
    }
    const float v = Coordinate(ParseNumber(text));
    if (!xWaiting) {
      px = relative ? cx + v : v;
      xWaiting = true;
      return PenStep::None;
    }
    xWaiting = false;
    ox = cx;
    oy = cy;
    cx = px;
    cy = relative ? cy + v : v;
    if (!penDown) {
      StartAtPen();
      return PenStep::Moved;
    }
    const bool wasOpen = open;
    open = true;
    if (startWaiting) {
      startWaiting = false;
      return PenStep::Start;
    }
    if (wasOpen) return PenStep::Mid;
    sx = ox;
    sy = oy;
    return PenStep::Restart;
  }
};

}  // namespace

int CPltReader::ScanToken(const std::uint8_t* data, std::size_t size, std::size_t& pos, std::string& text) const {
  std::string_view view;
  const int code = ScanToken(data, size, pos, view);
  text.assign(view);
  return code;
}

int CPltReader::ScanToken(const std::uint8_t* data, std::size_t size, std::size_t& pos,
                          std::string_view& text) const {
  text = {};
  [[maybe_unused]] const std::size_t begin = pos;
  std::size_t s = pos;
  while (s < size && !kTokenClass[data[s]]) ++s;
  if (s >= size) {
    pos = size;
    return PT_END;
  }
  const std::uint8_t kind = kTokenClass[data[s]];
  std::size_t e = s + 1;
  while (e < size && kTokenClass[data[e]] == kind) ++e;
  if (kind == kNumberClass) {
    text = std::string_view(reinterpret_cast<const char*>(data + s), std::min(e - s, kMaxTokenText));
    pos = e;
    return PT_NUMBER;
  }
#ifdef TINDREL_IMPORT_OLD
  // The whole letter run is one command.
  std::size_t n = 0;
  for (std::size_t i = s; i < e && n < kMaxTokenText; ++i) command_[n++] = char(Upper(data[i]));
  pos = e;
#else
  if (s == begin && data[s] == '!') ++s;
  std::size_t n = 0;
  for (std::size_t i = s; i < e && n < 2; ++i) command_[n++] = char(Upper(data[i]));
  if (colonMode)
    pos = e;
  else
    pos = s + std::min<std::size_t>(2, e - s);
  if (pos <= begin) pos = begin + 1;
#endif
  text = std::string_view(command_, n);
  return CommandCode(text);
}

bool CPltReader::TakeNumber(const std::uint8_t* data, std::size_t size, std::size_t& pos, double& v) const {
  std::size_t p = pos;
  std::string_view text;
  if (ScanToken(data, size, p, text) != PT_NUMBER) return false;
  pos = p;
  v = ParseNumber(text);
  return true;
}

void CPltReader::ResetLabelSettings() {
  run = rise = 0;
  charWidth = charHeight = 0.5f;
  terminator = 3;
}

void CPltReader::ReadTerminator(const std::uint8_t* data, std::size_t size, std::size_t& pos) {
  // The terminator is the byte right after "DT"; "DT;" restores ETX.
  if (pos >= size || data[pos] == ';') {
    terminator = 3;
    return;
  }
  terminator = data[pos++];
  // The mode number after a comma.
  if (pos < size && data[pos] == ',') {
    std::size_t p = pos + 1;
    while (p < size && IsNumberChar(data[p])) ++p;
    if (p > pos + 1) pos = p;
  }
}

void CPltReader::ReadDirection(const std::uint8_t* data, std::size_t size, std::size_t& pos) {
  double v;
  if (!TakeNumber(data, size, pos, v)) return;
  run = Coordinate(v);
  if (TakeNumber(data, size, pos, v)) rise = Coordinate(v);
}

void CPltReader::ReadCharSize(const std::uint8_t* data, std::size_t size, std::size_t& pos) {
  double v;
  if (!TakeNumber(data, size, pos, v)) return;
  charWidth = Coordinate(v);
  if (TakeNumber(data, size, pos, v)) charHeight = Coordinate(v);
}

void CPltReader::SkipLabel(const std::uint8_t* data, std::size_t size, std::size_t& pos) const {
  const std::uint8_t* t = static_cast<const std::uint8_t*>(std::memchr(data + pos, terminator, size - pos));
  pos = t ? std::size_t(t - data) + 1 : size;
}

double LabelAngle(float run, float rise) {
  if (run == 0) return rise > 0 ? 90.0 : rise < 0 ? -90.0 : 0.0;
  if (rise == 0) return run > 0 ? 0.0 : 180.0;
  if (run == 1) return std::atan(double(rise)) * kDegPerRad;
  if (run == -1) return 180.0 - std::atan(double(rise)) * kDegPerRad;
  return std::atan2(double(rise), double(run)) * kDegPerRad;
}

std::unique_ptr<CFilterObjectList> CPltReader::ReadLabel(const std::uint8_t* data, std::size_t size,
                                                         std::size_t& pos, float x, float y) {
  if (pos > size) pos = size;
  const std::size_t start = pos;
  SkipLabel(data, size, pos);
  std::size_t end = pos;
  if (end > start && (end < size || data[end - 1] == terminator)) --end;  // without the terminator
  const std::size_t n = std::min(end - start, kMaxLabel);
  auto group = MakeLabelOutline(std::string_view(reinterpret_cast<const char*>(data + start), n));
  if (!group) return nullptr;
  FMatrix scale;
  scale.a = float(charWidth * 0.5859375);
  scale.d = float(charHeight * 0.5859375);
  scale.e = x;
  scale.f = y;
  group->Combine(scale);
  const double angle = LabelAngle(run, rise);
  if (angle != 0) group->Combine(MakeRotation(x, y, angle));
  group->ApplyMatrix();
  return group;
}

CFilterPathList CPltReader::ReadPoints(const std::uint8_t* data, std::size_t size) {
  ResetLabelSettings();
  CFilterPathList list;
  list.Points().reserve(size / 12 + 16);
  PenState at;
  std::size_t pos = 0;
  std::string_view text;
  for (;;) {
    const int tok = ScanToken(data, size, pos, text);
    if (tok == PT_END) break;
    switch (tok) {
      case PT_PU:
        if (at.open) list.Append(at.cx, at.cy, at.CloseFlags());
        at.PenUp();
        break;
      case PT_PD:
      case PT_PA:
      case PT_PR:
        at.SetMode(tok);
        break;
      case PT_NUMBER:
        switch (at.Number(text)) {
          case PenStep::Start:
          case PenStep::Restart: list.Append(at.sx, at.sy, F_FIRST); break;
          case PenStep::Mid: list.Append(at.ox, at.oy, F_MID); break;
          case PenStep::None:
          case PenStep::Moved: break;
        }
        break;
#ifndef TINDREL_IMPORT_OLD
      case PT_DT:
        ReadTerminator(data, size, pos);
        at.TakeCoordinates(false);
        break;
      case PT_LB:
        SkipLabel(data, size, pos);
        at.TakeCoordinates(false);
        break;
#endif
      default:
        at.TakeCoordinates(false);
        break;
    }
  }
  if (at.open) list.Append(at.cx, at.cy, at.CloseFlags());
  list.AppendEnd();
  return list;
}

plat::HGLOBAL CPltReader::Read(const char* path, std::uint32_t value) {
  auto data = ReadWholeFile(path);
  if (!data) return 0;
  CFilterPathList list = ReadPoints(data->data(), data->size());
  if (list.PointCount() < kMinRecordPoints) return 0;
#ifdef TINDREL_IMPORT_OLD
  (void)value;
  list.matrix = FMatrix::Scale(0.025f, 0.025f);
#else
  list.SetUpright(ScaleFromValue(value, 0.025f));
#endif
  list.ApplyMatrix();
  return list.ObjectBlock();
}

std::unique_ptr<CFilterObjectList> CPltReader::ReadGroup(const std::uint8_t* data, std::size_t size) {
  ResetLabelSettings();
  auto group = std::make_unique<CFilterObjectList>();
  std::unique_ptr<CFilterPointList> cur;
  bool everHeld = false;
  PenState at;
  std::int32_t pen = 0;
  std::uint16_t lineType = 0;
  std::size_t pos = 0;
  std::string_view text;
  auto newMember = [&] {
    cur = std::make_unique<CFilterPointList>();
    everHeld = false;
  };
  auto store = [&](float x, float y, std::uint8_t flags) {
    if (!cur) newMember();
    cur->AppendPoint(x, y, flags);
    everHeld = true;
  };
  auto takePen = [&] {
    cur->pen = pen;
    cur->lineType = lineType;
  };
  int tok = ScanToken(data, size, pos, text);
  while (tok != PT_END) {
    int next = PT_END;
    bool haveNext = false;
    switch (tok) {
      case PT_PU: {
        bool added = false;
        if (at.open && cur && !cur->Empty()) {
          cur->AppendPoint(at.cx, at.cy, at.CloseFlags());
          group->AddMember(std::move(cur));
          added = true;
        }
        if (added || !cur) newMember();
        at.PenUp();
        next = ScanToken(data, size, pos, text);
        haveNext = true;
        if (next == PT_PD) {
          at.StartAtPen();
          takePen();
        }
        break;
      }
      case PT_PD:
      case PT_PA:
      case PT_PR:
        at.SetMode(tok);
        break;
      case PT_LT: {
        at.TakeCoordinates(false);
        next = ScanToken(data, size, pos, text);
        haveNext = true;
        if (next != PT_NUMBER) {
          lineType = 0;
          break;
        }
        lineType = std::uint16_t((SaturateToInt(ParseNumber(text)) & 0xFF) << 8);
        next = ScanToken(data, size, pos, text);
        if (next != PT_NUMBER) break;
        lineType = std::uint16_t(lineType | (SaturateToInt(ParseNumber(text)) & 0xFF));
        haveNext = false;
        break;
      }
      case PT_DI:
        ReadDirection(data, size, pos);
        at.TakeCoordinates(false);
        break;
      case PT_SI:
        ReadCharSize(data, size, pos);
        at.TakeCoordinates(false);
        break;
      case PT_DT:
        ReadTerminator(data, size, pos);
        at.TakeCoordinates(false);
        break;
      case PT_LB: {
        auto label = ReadLabel(data, size, pos, at.cx, at.cy);
        if (label) group->Merge(*label);
        at.TakeCoordinates(false);
        break;
      }
      case PT_SP: {
        at.TakeCoordinates(false);
        next = ScanToken(data, size, pos, text);
        haveNext = true;
        if (next == PT_NUMBER) {
          pen = SaturateToInt(ParseNumber(text));
          haveNext = false;
        } else {
          pen = 0;
        }
        break;
      }
      case PT_NUMBER:
        switch (at.Number(text)) {
          case PenStep::Moved:
            if (cur) takePen();
            break;
          case PenStep::Restart:
            // A new member starting where the pen is.
            if (cur && !cur->Empty()) group->AddMember(std::move(cur));
            if (!cur) newMember();
            takePen();
            store(at.sx, at.sy, F_FIRST);
            break;
          case PenStep::Start: store(at.sx, at.sy, F_FIRST); break;
          case PenStep::Mid: store(at.ox, at.oy, F_MID); break;
          case PenStep::None: break;
        }
        break;
      default:
        at.TakeCoordinates(false);
        break;
    }
    tok = haveNext ? next : ScanToken(data, size, pos, text);
  }
  if (at.open && cur) store(at.cx, at.cy, at.CloseFlags());
  if (cur && everHeld) group->AddMember(std::move(cur));
  return group;
}

plat::HGLOBAL CPltReader::ReadWithLabels(const char* path, std::uint32_t value) {
  auto data = ReadWholeFile(path, 10);
  if (!data) return 0;
  auto group = ReadGroup(data->data(), data->size());
  if (!group || group->MemberCount() == 0) return 0;
  const float scale = ScaleFromValue(value, 0.025f);
  group->matrix = MirrorY(group->bounds).Then(FMatrix::Scale(scale, scale));
  group->ApplyMatrix();
  plat::HGLOBAL h = 0;
  group->WriteRecord(&h);
  return h;
}

}  // namespace imp
