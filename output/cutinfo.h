// The cutting parameters of a job that do not belong to a cutter model: the
// paper window (the base rectangle, design millimetres), the port, how objects
// are chosen and arranged, the curve accuracy, the half-cut lengths and the
// feed. Kept in "Cutters.INI" section "CutInfo"; one global record.
#pragma once
#include <cstdint>
#include <string>

#include "model/geometry.h"
#include "model/settings.h"

class CCutInfo : public CFRect {
 public:
  static constexpr std::size_t kMaxPort = 4;

  // Zero rectangle, colour filter off, colour index -1, test width 0.
  CCutInfo() = default;

  // Every key of "CutInfo" with its default; the paper size keeps the left and
  // top edges. Values that are not finite numbers take their defaults.
  void Load(const CIniFile& ini = g_CutterIni);
  // Writes the stored keys (not "SetForce", "PenSpeed", "PenForce",
  // "SolidCut", "VoidCut").
  void Save(const CIniFile& ini = g_CutterIni) const;

  std::uint32_t colorFilter = 0;   // cut only the outlines of one palette colour
  std::int32_t colorIndex = -1;    // the palette index of that colour
  std::string port;                // "Port": at most 4 characters
  std::uint32_t testWidth = 0;     // "TestWidth", mm
  std::uint32_t pageRect = 0;      // "PageRect": cut a frame around the paper
  std::uint32_t autoFeed = 1;      // "AutoFeed"
  std::uint32_t textLine = 1;      // "TextLine"
  std::uint32_t sort = 1;          // "Sort"
  std::uint16_t penSpeed = 60;     // "PenSpeed": the job speed
  std::uint16_t penForce = 60;     // "PenForce": the job pressure
  std::uint32_t setForce = 0;      // "SetForce"
  std::uint32_t setSpeed = 0;      // copy of the model's "SetSpeed"
  float curveAccurate = 2.0f;      // "CurveAccurate": below 0.5 read as 0.5
  std::uint32_t remoteCut = 0;     // "RemoteCut": hand over to the cut-job manager
  std::uint32_t pauseCut = 1;      // "PauseCut"
  std::uint32_t savePaper = 1;     // "SavePaper"
  std::uint32_t pageGaps = 10;     // "PageGaps": overlap of paper windows, mm
  float zoomCut = 1.0f;            // "ZoomCut": 0 or less read as 1.0
  std::uint32_t mirror = 0;        // "Mirror"
  std::uint32_t penMode = 0;       // copy of the model's "PenMode"
  float knifeOffset = 0.0f;        // copy of the model's "Offset", mm
  std::uint32_t overCut = 0;       // copy of the model's overcut, plotter units
  std::uint32_t halfCut = 0;       // "HalfCut"
  float solidCut = 2.0f;           // "SolidCut", mm (read as an integer here)
  float voidCut = 0.0f;            // "VoidCut", mm (read as an integer here)
  std::uint32_t mmPageGap = 20;    // "mmPageGap"
};

extern CCutInfo g_CutInfo;
