// The cutter device: turns geometry in plotter units into the command text of
// one cutting-plotter model. Every command is a template from the model's
// section of "Cutters.INI", expanded by FormatCommand and written to the
// output port. On top of moves and lines the driver compensates the knife's
// trailing offset in software, cuts dashed "half cut" lines, flattens cubic
// Beziers into knife lines and re-cuts the start of closed outlines (overcut).
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/devices.h"
#include "model/geometry.h"
#include "model/settings.h"
#include "output/portfile.h"

namespace fw {
class CWnd;
}
class CCutInfo;

class CCutterDriver : public CCutterDevice {
 public:
  static constexpr std::size_t kMaxModelName = 79;
  static constexpr std::size_t kMaxSectionName = 59;
  // Longest template kept, after its escapes are expanded.
  static constexpr std::size_t kMaxTemplate = 255;
  static constexpr int kMaxCurveDepth = 11;

  // Templates, in the order of the device record.
  enum Command {
    RSCMD, InitCmd, RelativeCmd, AbsCmd, SubJoin, HomeCmd, MoveToCmd, LineToCmd, LineToExCmd,
    RMoveTo, RLineTo, RLineToEx, PenUp, PenDown, SpeedCmd, ForceCmd, PlotCmd, CutCmd, FeedCmd,
    NewFrame, OffsetCmd, kCommandCount
  };
  // The INI key of a template.
  static const char* CommandKey(Command c);

  // No model: the templates are empty. `ini` is the cutter models file.
  explicit CCutterDriver(const CIniFile& ini = g_CutterIni);
  // With a model: Load(model).
  CCutterDriver(const char* model, const CIniFile& ini = g_CutterIni);

  // Stores the name (when given) as the current model and reads its section;
  // a model without an entry in "CutterDevices" takes every default.
  void Load(const char* model = nullptr);
  // Writes the user-adjustable keys into the model's section; nothing when no
  // model is set.
  void Save() const;

  // Prepares a job and opens the port with "OutMethod", the progress window
  // and the abort flag, then sends the set-up commands. False when the port
  // could not be opened: a device or file that cannot be opened is reported
  // ("文件:[%s]打开失败!"), a cancelled file dialog is not; nothing is sent.
  bool BeginJob(fw::CWnd* progress, CCutInfo& info);
  // The closing moves, the feed (plotter units) and "NewFrame".
  void EndJob(CCutInfo& info, float feed);
  void ClosePort();

  // Drawing, in plotter units.
  void MoveTo(float x, float y) override;
  void HalfCutMoveTo(float x, float y) override;
  void LineTo(float x, float y) override;
  void HalfCutLineTo(float x, float y) override;
  void CurveTo(const CFPoint& p0, const CFPoint& p1, const CFPoint& p2, const CFPoint& p3,
               int topLevel) override;
  void OverCut(const PathPoint* records, std::size_t recordCount, int start) override;
  void EndPolyline() override;

  // Software compensation of the knife offset is on.
  bool CompensationActive() const { return offset != 0.0f && penMode == 0 && hardOffset == 0; }
  // The knife offset in whole plotter units along the direction (radians).
  CFPoint OffsetVector(float angle) const;

  // The cutter models: every key of "CutterDevices" in file order.
  std::vector<std::string> GetModelList() const;

  // --- The device record.
  std::string modelName;    // at most 79 bytes
  std::string sectionName;  // at most 59 bytes
  std::uint32_t abortFlag = 0;  // set by the port's Close and by Cancel; refuses writes
  std::uint32_t lineRun = 0;    // a knife line run is open
  CPortFile port;
  float rs = 0.025f;        // plotter step, mm
  float accuracy = 2.0f;    // curve accuracy of the current job
  std::array<std::string, kCommandCount> commands;
  std::int32_t depth = 0;   // curve recursion depth
  std::uint32_t setSpeed = 1;
  std::uint32_t setForce = 0;
  std::uint16_t defaultSpeed = 40;
  std::uint16_t maxSpeed = 0;
  std::uint16_t defaultForce = 80;
  std::uint16_t maxForce = 0;
  CFPoint offsetVector;     // plotter units
  CFPoint lastPoint;        // plotter units, before compensation
  float lastDirection = 0.0f;
  std::uint32_t hardOffset = 1;
  std::uint32_t penMode = 0;
  float offset = 0.3f;      // knife offset, mm
  float ratioX = 1.0f;
  float ratioY = 1.0f;
  std::uint32_t overcut = 0;  // plotter units
  std::uint16_t outMethod = 2;
  CCutInfo* info = nullptr;

 private:
  // Formats a template (arguments vertical first) and writes it.
  void Send(Command c);
  void Send(Command c, std::int32_t value);
  void SendPoint(Command c, float x, float y);
  void Send(Command c, std::span<const std::int32_t> args);
  // The text up to a zero byte, as the port takes text.
  void Write(std::string_view text);
  void FirstSegment(float x, float y);
  void Continuation(float x, float y);
  void CutLimited(float x, float y, float& remaining);
  void CurveLimited(const CFPoint& p0, const CFPoint& p1, const CFPoint& p2, const CFPoint& p3,
                    int level, float& remaining);
  bool Flat(const CFPoint& p0, const CFPoint& p1, const CFPoint& p2, const CFPoint& p3,
            float distanceTolerance, int level, float& split) const;

  const CIniFile* m_pIni;
  std::string m_sCommand;  // the command being sent, its room kept
};

// The program's one cutter device (created on first use, kept until exit).
CCutterDriver& GetCutterDevice();

// Turns toward zero into an integer after rounding to single precision;
// saturates at the integer range, NaN gives 0.
inline std::int32_t PlotterUnits(float v) { return plat::SatTrunc(v); }
// millimetres / rs as a plotter-unit count (the quotient rounded to f32 first).
std::int32_t MillimetresToUnits(float mm, float rs);
// The highest value of a "low,high" range text ("SpeedRanger"): the number
// after the first comma, or the whole text without one; 0 when empty.
std::uint16_t RangeHigh(const char* text);
