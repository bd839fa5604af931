#include "output/cutinfo.h"

#include <cmath>

namespace {

constexpr const char* kSection = "CutInfo";

float FiniteOr(float v, float def) { return std::isfinite(v) ? v : def; }

}  // namespace

CCutInfo g_CutInfo;

void CCutInfo::Load(const CIniFile& ini) {
  colorIndex = -1;
  char buf[kMaxPort + 1] = {};
  ini.GetString(kSection, "Port", buf, sizeof buf, "COM2");
  port = buf;
  SetWidth(float(ini.GetInt(kSection, "PaperWidth", 400)));
  SetHeight(float(ini.GetInt(kSection, "PaperHeight", 900)));
  testWidth = std::uint32_t(ini.GetInt(kSection, "TestWidth", 18));
  pageRect = std::uint32_t(ini.GetInt(kSection, "PageRect", 0));
  autoFeed = std::uint32_t(ini.GetInt(kSection, "AutoFeed", 1));
  textLine = std::uint32_t(ini.GetInt(kSection, "TextLine", 1));
  sort = std::uint32_t(ini.GetInt(kSection, "Sort", 1));
  penSpeed = std::uint16_t(ini.GetInt(kSection, "PenSpeed", 60));
  penForce = std::uint16_t(ini.GetInt(kSection, "PenForce", 60));
  setForce = std::uint32_t(ini.GetInt(kSection, "SetForce", 0));
  curveAccurate = FiniteOr(ini.GetFloat(kSection, "CurveAccurate", 2.0f), 2.0f);
  if (curveAccurate < 0.5f) curveAccurate = 0.5f;
  remoteCut = std::uint32_t(ini.GetInt(kSection, "RemoteCut", 0));
  pauseCut = std::uint32_t(ini.GetInt(kSection, "PauseCut", 1));
  savePaper = std::uint32_t(ini.GetInt(kSection, "SavePaper", 1));
  pageGaps = std::uint32_t(ini.GetInt(kSection, "PageGaps", 10));
  zoomCut = FiniteOr(ini.GetFloat(kSection, "ZoomCut", 1.0f), 1.0f);
  if (zoomCut <= 0.0f) zoomCut = 1.0f;
  mirror = std::uint32_t(ini.GetInt(kSection, "Mirror", 0));
  halfCut = std::uint32_t(ini.GetInt(kSection, "HalfCut", 0));
  solidCut = float(ini.GetInt(kSection, "SolidCut", 2));
  voidCut = float(ini.GetInt(kSection, "VoidCut", 0));
  mmPageGap = std::uint32_t(ini.GetInt(kSection, "mmPageGap", 20));
}

void CCutInfo::Save(const CIniFile& ini) const {
  ini.WriteString(kSection, "Port", port.substr(0, kMaxPort));
  ini.WriteInt(kSection, "PaperWidth", TruncToLong(Width()));
  ini.WriteInt(kSection, "PaperHeight", TruncToLong(Height()));
  ini.WriteString(kSection, "TestWidth", std::to_string(testWidth));
  ini.WriteString(kSection, "PageRect", std::to_string(pageRect));
  ini.WriteString(kSection, "AutoFeed", std::to_string(autoFeed));
  ini.WriteString(kSection, "TextLine", std::to_string(textLine));
  ini.WriteString(kSection, "Sort", std::to_string(sort));
  ini.WriteFloat(kSection, "CurveAccurate", curveAccurate);
  ini.WriteString(kSection, "RemoteCut", std::to_string(remoteCut));
  ini.WriteString(kSection, "PauseCut", std::to_string(pauseCut));
  ini.WriteString(kSection, "SavePaper", std::to_string(savePaper));
  ini.WriteString(kSection, "PageGaps", std::to_string(pageGaps));
  ini.WriteFloat(kSection, "ZoomCut", zoomCut);
  ini.WriteString(kSection, "Mirror", std::to_string(mirror));
  ini.WriteString(kSection, "HalfCut", std::to_string(halfCut));
  ini.WriteString(kSection, "mmPageGap", std::to_string(mmPageGap));
}
