#include "output/cutter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "model/bezier.h"
#include "model/geomutil.h"
#include "model/helpers.h"
#include "model/pathpoints.h"
#include "output/cmdformat.h"
#include "output/cutinfo.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/report.h"

namespace {

constexpr const char* kModels = "CutterDevices";
constexpr float kPi = 3.1415926f;
constexpr float kTwoPi = 6.2831852f;
constexpr float kOneDegree = 0.017453277777777776f;
// Raw template text read from the file; escapes only shrink it.
constexpr int kRawTemplate = 1024;
// Dash pieces of one half-cut segment before the rest is cut plainly: at
// least 4.9 m of the shortest dashes, far more with the usual ones.
constexpr int kMaxDashPieces = 1 << 16;
// Shortest dash piece or gap: one plotter step. Shorter ones cannot be cut
// (points are whole steps) and would only multiply the commands.
constexpr float kMinDash = 1.0f;
// A remaining segment length below this is the segment's end.
constexpr float kDashEpsilon = 1e-3f;

constexpr const char* kCommandKeys[CCutterDriver::kCommandCount] = {
    "RSCMD",     "InitCmd",  "RelativeCmd", "AbsCmd",   "SubJoin", "HomeCmd", "MoveTo",
    "LineTo",    "LineToEx", "RMoveTo",     "RLineTo",  "RLineToEx", "PenUp", "PenDown",
    "SpeedCmd",  "ForceCmd", "PlotCmd",     "CutCmd",   "FeedCmd", "NewFrame", "OffsetCmd",
};

std::string Cut(const char* text, std::size_t max) {
  if (!text) return {};
  return std::string(text, strnlen(text, max));
}

float Finite(float v, float def) { return std::isfinite(v) ? v : def; }

float Direction(float dx, float dy) { return std::atan2(dy, dx); }

// |direction - c| folded into [0, pi].
float Deviation(float direction, float c) {
  float e = std::fabs(direction - c);
  if (kTwoPi - e < e) e = kTwoPi - e;
  return e;
}

}  // namespace

std::uint16_t RangeHigh(const char* text) {
  if (!text) return 0;
  const char* p = std::strchr(text, ',');
  p = p ? p + 1 : text;
  while (*p == ' ' || *p == '\t') ++p;
  bool neg = false;
  if (*p == '+' || *p == '-') neg = *p++ == '-';
  long v = 0;
  while (*p >= '0' && *p <= '9') v = std::min(v * 10 + (*p++ - '0'), 65535L);
  return neg ? 0 : std::uint16_t(v);
}

std::int32_t MillimetresToUnits(float mm, float rs) {
  const float q = mm / rs;  // single precision, as the device record holds it
  return PlotterUnits(q);
}

const char* CCutterDriver::CommandKey(Command c) {
  return c >= 0 && c < kCommandCount ? kCommandKeys[c] : "";
}

CCutterDriver::CCutterDriver(const CIniFile& ini) : m_pIni(&ini) {
  commands[InitCmd].clear();
  commands[FeedCmd].clear();
  commands[ForceCmd].clear();
  commands[SpeedCmd].clear();
}

CCutterDriver::CCutterDriver(const char* model, const CIniFile& ini) : m_pIni(&ini) {
  modelName = Cut(model, kMaxModelName);
  Load(nullptr);
}

void CCutterDriver::Load(const char* model) {
  if (model) modelName = Cut(model, kMaxModelName);
  const CIniFile& ini = *m_pIni;
  sectionName.clear();
  if (!modelName.empty()) {
    char sec[kMaxSectionName + 1] = {};
    ini.GetString(kModels, modelName.c_str(), sec, sizeof sec, "");
    sectionName = sec;
  }
  // A model without a section takes every default.
  const bool has = !sectionName.empty();
  const char* s = sectionName.c_str();
  auto getInt = [&](const char* key, int def) { return has ? ini.GetInt(s, key, def) : def; };
  auto getFloat = [&](const char* key, float def) {
    return has ? Finite(ini.GetFloat(s, key, def), def) : def;
  };

  rs = getFloat("RS", 0.025f);
  if (!(rs > 0.0f)) rs = 0.025f;
  for (int c = 0; c < kCommandCount; ++c) {
    std::string& cmd = commands[c];
    cmd.clear();
    if (!has) continue;
    char raw[kRawTemplate] = {};
    ini.GetString(s, kCommandKeys[c], raw, sizeof raw, "");
    cmd = UnescapeString(raw);
    std::size_t zero = cmd.find('\0');
    if (zero != std::string::npos) cmd.resize(zero);
    if (cmd.size() > kMaxTemplate) cmd.resize(kMaxTemplate);
  }
  setSpeed = std::uint32_t(getInt("SetSpeed", 1));
  defaultSpeed = std::uint16_t(getInt("DefaultSpeed", 40));
  setForce = std::uint32_t(getInt("SetForce", 0));
  defaultForce = std::uint16_t(getInt("DefaultForce", 80));
  char range[200] = {};
  if (has) ini.GetString(s, "SpeedRanger", range, sizeof range, "");
  maxSpeed = RangeHigh(range);
  std::memset(range, 0, sizeof range);
  if (has) ini.GetString(s, "ForceRanger", range, sizeof range, "");
  maxForce = RangeHigh(range);
  hardOffset = std::uint32_t(getInt("HardOffset", 1));
  penMode = (hardOffset == 0 || !commands[PlotCmd].empty()) ? std::uint32_t(getInt("PenMode", 0)) : 0;
  offset = getFloat("Offset", 0.3f);
  int over = getInt("OVERCUT", 0);
  overcut = over > 0 ? std::uint32_t(over) : 0;
  outMethod = std::uint16_t(getInt("OutMethod", 2));
  auto ratio = [](float v) { return v >= 0.9f && v <= 1.1f ? v : 1.0f; };
  ratioX = ratio(getFloat("RatioX", 1.0f));
  ratioY = ratio(getFloat("RatioY", 1.0f));
}

void CCutterDriver::Save() const {
  if (modelName.empty() || sectionName.empty()) return;
  const CIniFile& ini = *m_pIni;
  const char* s = sectionName.c_str();
  auto ratio = [](float v) { return v >= 0.9f && v <= 1.1f ? v : 1.0f; };
  ini.WriteFloat(s, "Offset", Finite(offset, 0.3f));
  ini.WriteString(s, "OverCut", std::to_string(overcut));
  ini.WriteInt(s, "DefaultSpeed", defaultSpeed);
  ini.WriteInt(s, "DefaultForce", defaultForce);
  ini.WriteString(s, "SetForce", std::to_string(setForce));
  ini.WriteString(s, "SetSpeed", std::to_string(setSpeed));
  ini.WriteString(s, "PenMode", std::to_string(penMode));
  ini.WriteFloat(s, "RatioX", ratio(ratioX));
  ini.WriteFloat(s, "RatioY", ratio(ratioY));
}

std::vector<std::string> CCutterDriver::GetModelList() const {
  return plat::GetPrivateProfileKeyNames(kModels, plat::ResolvePath(m_pIni->GetPath()));
}

// ---------------------------------------------------------------------------
// Jobs.

bool CCutterDriver::BeginJob(fw::CWnd* progress, CCutInfo& job) {
  FillBezierBasis(100);
  info = &job;
  if (!(rs > 0.0f) || !std::isfinite(rs)) rs = 0.025f;
  // Dash lengths: at least the dialog's lower bounds, so the walk always moves on.
  float solidMm = job.solidCut >= 0.1f ? job.solidCut : 0.1f;
  float gapMm = job.voidCut >= 0.05f ? job.voidCut : 0.05f;
  dashSolid = 1;
  solidLength = std::max(solidMm / rs, kMinDash);
  gapLength = std::max(gapMm / rs, kMinDash);
  dashLeft = solidLength;
  offset = Finite(job.knifeOffset, 0.0f);
  halfCut = job.halfCut;
  lineRun = 0;
  accuracy = Finite(job.curveAccurate, 2.0f);
  if (accuracy < 0.5f) accuracy = 0.5f;
  abortFlag = 0;

  if (!port.Open(outMethod, progress, &abortFlag)) {
    const int err = errno;
    abortFlag = 1;
    if (!port.WasCancelled()) {
      std::string name = port.GetPortCode() > 0 ? port.GetPortName() : port.GetOpenPath();
      if (name.empty()) name = port.GetPortName();
      std::string text = "文件:[" + name + "]打开失败!";
      // A port names the device it stands for, and why that would not open.
      if (port.GetPortCode() > 0)
        text += "\n" + (port.GetOpenPath().empty() ? std::string("?") : port.GetOpenPath()) + ": " +
                std::strerror(err);
      plat::MessageBox(text, "错误", plat::MB_OK | plat::MB_ICONSTOP);
    }
    return false;
  }

  if (!commands[InitCmd].empty())
    Write(commands[InitCmd] + commands[HomeCmd] + commands[RSCMD] + commands[AbsCmd] +
          commands[PenUp] + commands[SubJoin]);
  if (penMode == 0) {
    if (!commands[CutCmd].empty()) Send(CutCmd);
  } else if (hardOffset) {
    if (!commands[PlotCmd].empty()) Send(PlotCmd);
  }
  if (!commands[SpeedCmd].empty() && setSpeed) Send(SpeedCmd, job.penSpeed);
  if (!commands[ForceCmd].empty() && setForce) Send(ForceCmd, job.penForce);
  if (CompensationActive()) {
    // Knife alignment: a short cut along +y leaves the blade trailing that way.
    const float keep = offset;
    offset = 0.0f;
    MoveTo(0.0f, 0.0f);
    LineTo(0.0f, 100.0f);
    offset = keep;
    offsetVector = {0.0f, float(MillimetresToUnits(offset, rs))};
    lastDirection = Direction(0.0f, 1.0f);
  }
  Send(PenUp);
  Send(HomeCmd);
  return true;
}

void CCutterDriver::EndJob(CCutInfo& job, float feed) {
  const float keep = offset;
  offset = 0.0f;
  if (job.autoFeed) {
    MoveTo(0.0f, feed);
    if (!commands[FeedCmd].empty()) Send(FeedCmd, PlotterUnits(feed));
  } else {
    MoveTo(0.0f, 0.0f);
    Send(PenUp);
    Send(HomeCmd);
  }
  if (!commands[NewFrame].empty()) Send(NewFrame);
  offset = keep;
  lineRun = 0;
}

void CCutterDriver::ClosePort() { port.Close(); }

// ---------------------------------------------------------------------------
// Commands.

void CCutterDriver::Write(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  if (!text.empty()) port.WriteData(text);
}

void CCutterDriver::Send(Command c) { Send(c, std::span<const std::int32_t>()); }

void CCutterDriver::Send(Command c, std::int32_t value) {
  const std::int32_t args[1] = {value};
  Send(c, args);
}

void CCutterDriver::SendPoint(Command c, float x, float y) {
  const std::int32_t args[2] = {PlotterUnits(y), PlotterUnits(x)};
  Send(c, args);
}

void CCutterDriver::Send(Command c, std::span<const std::int32_t> args) {
  m_sCommand.clear();
  const std::size_t n = AppendCommand(m_sCommand, commands[c], args);
  if (n) port.WriteData(std::string_view(m_sCommand.data(), n));
}

CFPoint CCutterDriver::OffsetVector(float angle) const {
  float cx = std::cos(angle) * offset;
  float cy = std::sin(angle) * offset;
  return {float(MillimetresToUnits(cx, rs)), float(MillimetresToUnits(cy, rs))};
}

// ---------------------------------------------------------------------------
// Drawing.

void CCutterDriver::MoveTo(float x, float y) {
  if (lineRun) EndPolyline();
  float tx = x, ty = y;
  if (CompensationActive()) {
    lastPoint = {x, y};
    tx = x + offsetVector.x;
    ty = y + offsetVector.y;
  }
  SendPoint(MoveToCmd, tx, ty);
  lastPoint = {x, y};
  lineRun = 0;
}

void CCutterDriver::FirstSegment(float x, float y) {
  CFPoint v{};
  if (CompensationActive()) {
    float a = Direction(x - lastPoint.x, y - lastPoint.y);
    v = OffsetVector(a);
    // The knife swivels about the last point into the new direction.
    SendPoint(LineToCmd, lastPoint.x + v.x, lastPoint.y + v.y);
    lastDirection = a;
    offsetVector = v;
  }
  SendPoint(LineToCmd, x + v.x, y + v.y);
  lastPoint = {x, y};
}

void CCutterDriver::Continuation(float x, float y) {
  if (x == lastPoint.x && y == lastPoint.y) return;
  CFPoint v{};
  if (CompensationActive()) {
    float a = Direction(x - lastPoint.x, y - lastPoint.y);
    v = OffsetVector(a);
    float turn = std::fabs(a - lastDirection);
    if (turn > kPi) turn = kTwoPi - turn;
    if (turn > 1.45f) SendPoint(LineToExCmd, lastPoint.x + v.x, lastPoint.y + v.y);  // corner swivel
    lastDirection = a;
    offsetVector = v;
  }
  SendPoint(LineToExCmd, x + v.x, y + v.y);
  lastPoint = {x, y};
}

void CCutterDriver::LineTo(float x, float y) {
  if (lineRun)
    Continuation(x, y);
  else
    FirstSegment(x, y);
  lineRun = 1;
}

void CCutterDriver::EndPolyline() {
  if (!lineRun) return;
  Write(" ");
  lineRun = 0;
}

void CCutterDriver::HalfCutMoveTo(float x, float y) {
  dashSolid = 1;
  dashLeft = std::max(solidLength, kMinDash);
  MoveTo(x, y);
}

void CCutterDriver::HalfCutLineTo(float x, float y) {
  CFPoint s = lastPoint;
  float length = PointDistance(s.x, s.y, x, y);
  if (!(solidLength > 0.0f) || !(gapLength > 0.0f) || !std::isfinite(length)) {
    // No usable pattern or no measurable segment: cut it whole.
    LineTo(x, y);
    return;
  }
  const float solid = std::max(solidLength, kMinDash);
  const float gap = std::max(gapLength, kMinDash);
  if (!(dashLeft >= 0.0f)) dashLeft = 0.0f;
  for (int pieces = 0; length > kDashEpsilon; ++pieces) {
    if (pieces >= kMaxDashPieces) {
      if (dashSolid)
        LineTo(x, y);
      else
        MoveTo(x, y);
      return;
    }
    if (dashLeft > length) {
      dashLeft -= length;
      if (dashSolid)
        LineTo(x, y);
      else
        MoveTo(x, y);
      return;
    }
    float f = dashLeft / length;
    CFPoint p = f >= 1.0f ? CFPoint{x, y} : CFPoint{s.x + (x - s.x) * f, s.y + (y - s.y) * f};
    if (p == s) {
      // Coordinates too coarse for the pattern: the rest is cut plainly.
      if (dashSolid)
        LineTo(x, y);
      else
        MoveTo(x, y);
      return;
    }
    if (dashSolid)
      LineTo(p.x, p.y);
    else
      MoveTo(p.x, p.y);
    length -= dashLeft;
    s = p;
    dashSolid = dashSolid ? 0 : 1;
    dashLeft = dashSolid ? solid : gap;
  }
}

bool CCutterDriver::Flat(const CFPoint& p0, const CFPoint& p1, const CFPoint& p2, const CFPoint& p3,
                         float distanceTolerance, int level, float& split) const {
  float d = std::max(PointLineDistance(p0.x, p0.y, p3.x, p3.y, p1.x, p1.y),
                     PointLineDistance(p0.x, p0.y, p3.x, p3.y, p2.x, p2.y));
  // Near enough the chord, or deep enough: flat whatever the angles.
  if (!(level < kMaxCurveDepth && d > distanceTolerance)) return true;
  float c = Direction(p3.x - p0.x, p3.y - p0.y);
  float e1 = Deviation(Direction(p1.x - p0.x, p1.y - p0.y), c);
  float e2 = Deviation(Direction(p3.x - p2.x, p3.y - p2.y), c);
  float angleTolerance = accuracy * 3.14159f / 180.0f;
  if (e1 >= angleTolerance || e2 >= angleTolerance) {
    split = std::fabs(e1 - e2) < kOneDegree ? 0.5f : (e1 <= e2 ? 0.6666f : 0.3333f);
    return false;
  }
  return true;
}

void CCutterDriver::CurveTo(const CFPoint& p0, const CFPoint& p1, const CFPoint& p2,
                            const CFPoint& p3, int topLevel) {
  if (topLevel)
    depth = 0;
  else
    ++depth;
  if (!(p0 == p3 && p1 == p3 && p2 == p3)) {
    float split = 0.5f;
    if (Flat(p0, p1, p2, p3, std::max(accuracy / 2.0f, 1.0f), depth, split)) {
      if (halfCut)
        HalfCutLineTo(p3.x, p3.y);
      else
        LineTo(p3.x, p3.y);
    } else {
      CBezierSegment seg{p0, p1, p2, p3, {}};
      CFPoint a[4], b[4];
      seg.Split(split, a, b);
      const std::int32_t keep = depth;
      CurveTo(a[0], a[1], a[2], a[3], 0);
      depth = keep;
      CurveTo(b[0], b[1], b[2], b[3], 0);
      depth = keep;
    }
  }
  if (!topLevel) --depth;
}

void CCutterDriver::CutLimited(float x, float y, float& remaining) {
  if (!(remaining > 0.0f)) return;
  if (!lineRun) {
    FirstSegment(x, y);  // not counted
    lineRun = 1;
    return;
  }
  float length = std::trunc(PointDistance(lastPoint.x, lastPoint.y, x, y));
  if (length < 0.8f) return;
  if (remaining >= length) {
    remaining -= length;
    Continuation(x, y);
  } else {
    float f = remaining / length;
    Continuation(lastPoint.x + (x - lastPoint.x) * f, lastPoint.y + (y - lastPoint.y) * f);
    remaining = 0.0f;
  }
  lineRun = 1;
}

void CCutterDriver::CurveLimited(const CFPoint& p0, const CFPoint& p1, const CFPoint& p2,
                                 const CFPoint& p3, int level, float& remaining) {
  if (!(remaining > 0.0f)) return;
  if (p0 == p3 && p1 == p3 && p2 == p3) return;
  float split = 0.5f;
  if (Flat(p0, p1, p2, p3, accuracy >= 2.0f ? 1.0f : 0.5f, level, split)) {
    CutLimited(p3.x, p3.y, remaining);
    return;
  }
  CBezierSegment seg{p0, p1, p2, p3, {}};
  CFPoint a[4], b[4];
  seg.Split(split, a, b);
  CurveLimited(a[0], a[1], a[2], a[3], level + 1, remaining);
  if (remaining > 0.0f) CurveLimited(b[0], b[1], b[2], b[3], level + 1, remaining);
}

void CCutterDriver::OverCut(const PathPoint* records, std::size_t recordCount, int start) {
  if (!records || start < 0 || std::size_t(start) >= recordCount) return;
  float remaining = float(overcut);
  const std::size_t first = std::size_t(start);
  for (std::size_t i = first + 1; i < recordCount && remaining > 0.0f; ++i) {
    const PathPoint& r = records[i];
    if (r.flags == PP_END || r.flags >= PP_SPECIAL) {
      if (r.flags == PP_END) break;
      continue;
    }
    if (!(r.flags & PP_NODE)) continue;
    if (r.flags & PP_START) break;  // the next contour: the walk stays on this one
    const PathPoint& prev = records[i - 1];
    if (pathrec::IsNode(prev.flags) || i < first + 3) {
      CutLimited(r.x, r.y, remaining);
    } else {
      const PathPoint& q0 = records[i - 3];
      CurveLimited({q0.x, q0.y}, {records[i - 2].x, records[i - 2].y}, {prev.x, prev.y},
                   {r.x, r.y}, 0, remaining);
    }
    if (r.flags & (PP_OPENEND | PP_CLOSEEND)) break;  // at most one lap
  }
}

// ---------------------------------------------------------------------------

CCutterDriver& GetCutterDevice() {
  static const bool pointed = [] {
    // The start-up points the accessor at "Cutters.INI"; without it, do so here.
    if (g_CutterIni.GetPath() == CIniFile().GetPath())
      g_CutterIni.SetPath(GetProgramFolder() + "Cutters.INI");
    return true;
  }();
  (void)pointed;
  static CCutterDriver device(g_CutterIni);
  return device;
}
