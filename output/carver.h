// The engraver device: one engraving run of an engraver model from
// "Carves.INI". Its templates are expanded by FormatCommand with integer
// device steps (millimetres / "SoftWareRes") and written to an output port
// the caller owns. The contour pass drives it through PlotToCarver.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/devices.h"
#include "model/settings.h"

namespace fw {
class CWnd;
}
class CPortFile;

class CCarveDriver : public CCarveDevice {
 public:
  static constexpr std::size_t kMaxModelName = 79;
  static constexpr std::size_t kMaxSectionName = 59;
  // Longest template kept, after its escapes are expanded.
  static constexpr std::size_t kMaxTemplate = 255;
  static constexpr float kDefaultResolution = 0.0254f;

  enum Command {
    RSCMD, InitCmd, RelativeCmd, AbsCmd, SubJoin, HomeCmd, MoveToCmd, LineToCmd, LineToExCmd,
    RMoveTo, RLineTo, RLineToEx, PenUpCmd, PenDownCmd, SpeedCmd, ForceCmd, PlotCmd, CutCmd, FeedCmd,
    NewFrame, OffsetCmd, FinishCmd, kCommandCount
  };
  static const char* CommandKey(Command c);

  // The program folder's "Carves.INI", unless SetDefaultSettingsPath named
  // another file.
  static std::string DefaultSettingsPath();
  static void SetDefaultSettingsPath(const std::string& path);

  // No model: every template empty. With one: Load(model).
  explicit CCarveDriver(const char* model = nullptr, const std::string& iniPath = DefaultSettingsPath());

  void SetSettingsPath(const std::string& path) { m_ini.SetPath(path); }
  const CIniFile& Settings() const { return m_ini; }

  // Stores the name (when given) and reads its section; a model that
  // "CarveDevices" does not name takes every default.
  void Load(const char* model = nullptr);
  // Writes "OriginX" and "OriginY" ("%.2f") into the model's section; false
  // when the model has no section.
  bool SaveOrigin(const char* model = nullptr);

  // Loads the model (when given), keeps the port, window and stop flag (the
  // port gets the last two as well), opens the port and sends the start
  // string. 0 when the port did not open or a send failed.
  int Begin(const char* model, CPortFile* port, fw::CWnd* window, std::uint32_t* stopFlag);
  // "InitCmd" "AbsCmd" "RSCMD" "PenUp" "SubJoin" when "InitCmd" is set, then
  // "SpeedCmd" with "DefaultSpeed"; 1 when every send was accepted.
  int SendInit();
  // 0 without a port or with the stop flag set, else the port's write.
  int Send(std::string_view text);
  // Device steps; (x, y), or (y, x) with "SWAPXY".
  int MoveTo(std::int32_t x, std::int32_t y);
  int LineTo(std::int32_t x, std::int32_t y);
  void MoveTo(float x, float y) override;
  int LineTo(float x, float y);
  int PenUp();
  int PenDown();
  // "LineTo" for the first point of a polyline, "LineToEx" for the others; a
  // repeated point sends nothing. Axes as MoveTo. Written without the stop
  // flag test of Send.
  bool PolylineTo(float x, float y) override;
  bool PolylineToList(std::string_view text) override;
  void EndPolyline() override;
  // The terminator " " when a polyline is open; 1 when none was.
  int ClosePolyline();
  // "FinishCmd", then the port is closed; 1 when there was nothing to send.
  int End();

  // While held, accepted writes are kept and go to the port as one write at
  // Release (or once 64 KB are kept); Release returns that write's result.
  void Hold() { m_hold = true; }
  int Release();

  // A port write failed while no stop was asked for, since Begin.
  bool WriteFailed() const { return m_writeFailed; }
  CPortFile* Port() const { return m_port; }

  // The engraver models: every key of "CarveDevices" in file order.
  std::vector<std::string> GetModelList() const;

  // --- The model.
  std::string modelName;    // at most 79 bytes
  std::string sectionName;  // at most 59 bytes
  std::array<std::string, kCommandCount> commands;
  std::int32_t maxWidth = 0;   // "mmMaxWidth", mm
  std::int32_t maxHeight = 0;  // "mmMaxHeight", mm
  float originX = 0.0f;        // mm from the work area's left edge
  float originY = 0.0f;        // mm from its top edge
  float resolution = kDefaultResolution;  // "SoftWareRes", mm per step
  std::int32_t swapXY = 0;
  std::int32_t useOrigin = 0;  // "Origin"
  std::int32_t setSpeed = 1;
  std::uint16_t defaultSpeed = 40;
  std::uint16_t maxSpeed = 0;
  std::int32_t setForce = 0;
  std::uint16_t defaultForce = 80;
  std::uint16_t maxForce = 0;
  std::uint16_t outMethod = 2;
  float accuracy = 4.0f;       // curve accuracy of the run

 private:
  static constexpr std::size_t kHeldBytes = 64 * 1024;
  // Stores the name (when given) and looks up its section in "CarveDevices".
  void FindSection(const char* model);
  int Write(std::string_view text);
  int Flush();
  std::string Point(Command c, std::int32_t x, std::int32_t y) const;

  CIniFile m_ini;
  CPortFile* m_port = nullptr;
  fw::CWnd* m_window = nullptr;
  std::uint32_t* m_stop = nullptr;
  bool m_polylineOpen = false;
  float m_lastX = 0.0f, m_lastY = 0.0f;
  bool m_writeFailed = false;
  bool m_hold = false;
  std::string m_held;
};

// "%.2f" of a value, independent of the locale; "0.00" for one that is not finite.
std::string FormatTwoDecimals(float value);
