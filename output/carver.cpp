#include "output/carver.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "model/helpers.h"
#include "output/cmdformat.h"
#include "output/cutter.h"
#include "output/portfile.h"
#include "platform/ini.h"
#include "platform/paths.h"

namespace {

constexpr const char* kModels = "CarveDevices";
// Raw template text read from the file; escapes only shrink it.
constexpr int kRawTemplate = 1024;

constexpr const char* kCommandKeys[CCarveDriver::kCommandCount] = {
    "RSCMD",    "InitCmd", "RelativeCmd", "AbsCmd",  "SubJoin", "HomeCmd",  "MoveTo",   "LineTo",
    "LineToEx", "RMoveTo", "RLineTo",     "RLineToEx", "PenUp", "PenDown",  "SpeedCmd", "ForceCmd",
    "PlotCmd",  "CutCmd",  "FeedCmd",     "NewFrame", "OffsetCmd", "FinishCmd",
};

std::string Cut(const char* text, std::size_t max) {
  if (!text) return {};
  return std::string(text, strnlen(text, max));
}

}  // namespace

std::string FormatTwoDecimals(float value) {
  if (!std::isfinite(value)) return "0.00";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, double(value), std::chars_format::fixed, 2);
  if (r.ec != std::errc()) return "0.00";
  return std::string(buf, r.ptr);
}

const char* CCarveDriver::CommandKey(Command c) {
  return c >= 0 && c < kCommandCount ? kCommandKeys[c] : "";
}

namespace {
std::string& SettingsOverride() {
  static std::string path;
  return path;
}
}  // namespace

std::string CCarveDriver::DefaultSettingsPath() {
  return SettingsOverride().empty() ? GetProgramFolder() + "Carves.INI" : SettingsOverride();
}

void CCarveDriver::SetDefaultSettingsPath(const std::string& path) { SettingsOverride() = path; }

CCarveDriver::CCarveDriver(const char* model, const std::string& iniPath) : m_ini(iniPath) {
  if (model) Load(model);
}

void CCarveDriver::FindSection(const char* model) {
  if (model) modelName = Cut(model, kMaxModelName);
  sectionName.clear();
  if (!modelName.empty()) {
    char sec[kMaxSectionName + 1] = {};
    m_ini.GetString(kModels, modelName.c_str(), sec, sizeof sec, "");
    sectionName = sec;
  }
}

void CCarveDriver::Load(const char* model) {
  FindSection(model);
  const bool has = !sectionName.empty();
  const char* s = sectionName.c_str();
  auto getInt = [&](const char* key, int def) { return has ? m_ini.GetInt(s, key, def) : def; };
  auto getText = [&](const char* key) {
    std::string out;
    if (has) m_ini.GetString(s, key, out, "");
    return out;
  };

  maxWidth = getInt("mmMaxWidth", 0);
  maxHeight = getInt("mmMaxHeight", 0);
  originX = ParseSettingFloat(getText("OriginX").c_str());
  originY = ParseSettingFloat(getText("OriginY").c_str());
  if (!std::isfinite(originX)) originX = 0.0f;
  if (!std::isfinite(originY)) originY = 0.0f;
  resolution = has ? m_ini.GetFloat(s, "SoftWareRes", kDefaultResolution) : kDefaultResolution;
  // A step of zero or less, or none at all, would divide by zero.
  if (!(resolution > 0.0f) || !std::isfinite(resolution)) resolution = kDefaultResolution;
  swapXY = getInt("SWAPXY", 0);
  useOrigin = getInt("Origin", 0);
  for (int c = 0; c < kCommandCount; ++c) {
    std::string& cmd = commands[std::size_t(c)];
    cmd.clear();
    if (!has) continue;
    char raw[kRawTemplate] = {};
    m_ini.GetString(s, kCommandKeys[c], raw, sizeof raw, "");
    cmd = UnescapeString(raw);
    const std::size_t zero = cmd.find('\0');
    if (zero != std::string::npos) cmd.resize(zero);
    if (cmd.size() > kMaxTemplate) cmd.resize(kMaxTemplate);
  }
  setSpeed = getInt("SetSpeed", 1);
  defaultSpeed = std::uint16_t(getInt("DefaultSpeed", 40));
  maxSpeed = RangeHigh(getText("SpeedRanger").c_str());
  setForce = getInt("SetForce", 0);
  defaultForce = std::uint16_t(getInt("DefaultForce", 80));
  maxForce = RangeHigh(getText("ForceRanger").c_str());
  outMethod = std::uint16_t(getInt("OutMethod", 2));
}

bool CCarveDriver::SaveOrigin(const char* model) {
  FindSection(model);
  if (sectionName.empty()) return false;
  bool ok = m_ini.WriteString(sectionName.c_str(), "OriginX", FormatTwoDecimals(originX));
  ok = m_ini.WriteString(sectionName.c_str(), "OriginY", FormatTwoDecimals(originY)) && ok;
  return ok;
}

std::vector<std::string> CCarveDriver::GetModelList() const {
  return plat::GetPrivateProfileKeyNames(kModels, plat::ResolvePath(m_ini.GetPath()));
}

// ---------------------------------------------------------------------------
// The run.

int CCarveDriver::Begin(const char* model, CPortFile* port, fw::CWnd* window, std::uint32_t* stopFlag) {
  if (model) Load(model);
  m_port = port;
  m_stop = stopFlag;
  m_window = window;
  m_writeFailed = false;
  m_polylineOpen = false;
  m_hold = false;
  m_held.clear();
  if (!m_port) return 0;
  m_port->SetStopFlag(stopFlag);
  m_port->SetPumpWindow(window);
  // Nothing is accepted by a port that is not open, whatever there is to send.
  if (!m_port->OpenComPort()) return 0;
  return SendInit();
}

int CCarveDriver::SendInit() {
  if (!commands[InitCmd].empty()) {
    const std::string start = commands[InitCmd] + commands[AbsCmd] + commands[RSCMD] +
                              commands[PenUpCmd] + commands[SubJoin];
    if (!Send(start)) return 0;
  }
  if (!commands[SpeedCmd].empty()) {
    const std::int32_t args[1] = {defaultSpeed};
    if (!Send(FormatCommand(commands[SpeedCmd], args))) return 0;
  }
  return 1;
}

int CCarveDriver::Write(std::string_view text) {
  if (!m_port) return 0;
  if (text.empty() || m_hold) {
    if (!m_port->IsOpen()) return 0;
    m_held.append(text);
    if (m_held.size() >= kHeldBytes) return Flush();
    return 1;
  }
  const std::string s(text);
  const int r = m_port->WriteData(s.c_str());
  if (!r && !(m_stop && *m_stop)) m_writeFailed = true;
  return r;
}

int CCarveDriver::Flush() {
  if (m_held.empty()) return 1;
  const int r = m_port ? m_port->WriteData(m_held.c_str()) : 0;
  if (!r && !(m_stop && *m_stop)) m_writeFailed = true;
  m_held.clear();
  return r;
}

int CCarveDriver::Release() {
  m_hold = false;
  return Flush();
}

int CCarveDriver::Send(std::string_view text) {
  if (!m_port || (m_stop && *m_stop)) return 0;
  return Write(text);
}

std::string CCarveDriver::Point(Command c, std::int32_t x, std::int32_t y) const {
  const std::int32_t args[2] = {swapXY ? y : x, swapXY ? x : y};
  return FormatCommand(commands[c], args);
}

int CCarveDriver::MoveTo(std::int32_t x, std::int32_t y) { return Send(Point(MoveToCmd, x, y)); }

int CCarveDriver::LineTo(std::int32_t x, std::int32_t y) { return Send(Point(LineToCmd, x, y)); }

void CCarveDriver::MoveTo(float x, float y) { MoveTo(PlotterUnits(x), PlotterUnits(y)); }

int CCarveDriver::LineTo(float x, float y) { return LineTo(PlotterUnits(x), PlotterUnits(y)); }

int CCarveDriver::PenUp() { return Send(commands[PenUpCmd]); }

int CCarveDriver::PenDown() { return Send(commands[PenDownCmd]); }

bool CCarveDriver::PolylineTo(float x, float y) {
  int r = 1;
  if (!m_polylineOpen) {
    r = Write(Point(LineToCmd, PlotterUnits(x), PlotterUnits(y)));
  } else if (!(x == m_lastX && y == m_lastY)) {
    r = Write(Point(LineToExCmd, PlotterUnits(x), PlotterUnits(y)));
  }
  m_lastX = x;
  m_lastY = y;
  m_polylineOpen = true;
  return r != 0;
}

bool CCarveDriver::PolylineToList(std::string_view text) {
  if (!text.empty() && text.front() == ',') text.remove_prefix(1);
  std::string field[2];
  int have = 0;
  auto flush = [&]() -> bool {
    const float x = ParseSettingFloat(field[0].c_str());
    const float y = ParseSettingFloat(field[1].c_str());
    have = 0;
    return PolylineTo(x, y);
  };
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) comma = text.size();
    field[have++].assign(text.substr(start, comma - start));
    if (have == 2 && !flush()) return false;
    start = comma + 1;
  }
  // A lone x at the end has no pair and is left out.
  return true;
}

int CCarveDriver::ClosePolyline() {
  if (!m_polylineOpen) return 1;
  m_polylineOpen = false;
  return Write(" ");
}

void CCarveDriver::EndPolyline() { ClosePolyline(); }

int CCarveDriver::End() {
  Release();
  int r = 1;
  if (!commands[FinishCmd].empty()) r = Send(commands[FinishCmd]);
  if (m_port) m_port->Close();
  m_polylineOpen = false;
  return r;
}
