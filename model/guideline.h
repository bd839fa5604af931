// A guide line: an infinite straight line through a page point at an angle,
// drawn in XOR over the design, used to line objects up and to snap them.
//
// Record (inside a guide-list block), L = 20:
//   0 'A'  1 u32 20  5 two zero bytes  7 f32 angle  11 f32 x  15 f32 y  19 u8 240
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "model/guidelist.h"

constexpr std::uint32_t GUIDE_LINE_RECORD_LENGTH = 20;

// Controls of the guide-line panel.
constexpr std::uint32_t IDC_GUIDE_TWO_POINTS = 1123;   // X1, Y1, X2, Y2
constexpr std::uint32_t IDC_GUIDE_POINT_ANGLE = 1124;  // X1, Y1 and the angle
constexpr std::uint32_t IDC_GUIDE_X1 = 1125;
constexpr std::uint32_t IDC_GUIDE_Y1 = 1126;
constexpr std::uint32_t IDC_GUIDE_X2 = 1127;
constexpr std::uint32_t IDC_GUIDE_Y2 = 1128;
constexpr std::uint32_t IDC_GUIDE_ANGLE = 1177;

class CGuideLine : public CGuideItem {
 public:
  CGuideLine();
  CGuideLine(float x, float y, double angle);
  ~CGuideLine() override;

  void DrawGuide(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) override;
  std::uint32_t GetPropertyDialogId() override;
  CWindowServices* CreatePropertyPanel(CWindowServices* parent) override;
  void SetPropertyTitle(CWindowServices* propertyWindow) override;
  void FillPropertyPanel(CWindowServices* propertyWindow) override;
  int ApplyPropertyPanel(CWindowServices* panel) override;
  std::uint32_t WriteRecord(plat::HGLOBAL* out) override;
  void MarkSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) override;
  void UnmarkSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) override;
  void Offset(float dx, float dy) override;
  int HitTest(float x, float y, float tolerance) override;
  void DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) override;

  // Null unless the record starts with 'A', is at least 20 bytes long and
  // inside `available`, and holds finite numbers.
  static std::unique_ptr<CGuideLine> LoadFromRecord(const std::uint8_t* record,
                                                    std::size_t available);

  // The angle brought into [0, 360) (kept); false for a non-finite angle.
  bool ReduceAngle();
  bool IsHorizontal() const { return angle == 0.0 || angle == 180.0 || angle == 360.0; }
  bool IsVertical() const { return angle == 90.0 || angle == 270.0; }
  // The two device points where the line leaves the visible rectangle grown
  // by 5 x m00; false when there is nothing to draw.
  bool GetDeviceEnds(const CMatrix3& matrix, const CFRect& extent, plat::POINT& a,
                     plat::POINT& b);

  float x = 0.0f;
  float y = 0.0f;
  double angle = 0.0;
};

// The panel's values as the guide line takes them: with the two-point radio
// (X1, Y1) and the direction to (X2, Y2); else (X1, Y1) and the angle edit.
// False for a text that is not a number, equal points or a non-finite angle.
struct GuidePanelValues {
  float x = 0.0f;
  float y = 0.0f;
  double angle = 0.0;
};
bool ReadGuidePanel(const CWindowServices& panel, GuidePanelValues& out);
// Fills X1, Y1 with the point, X2, Y2 with the point 100 units along the
// angle and the angle edit, all "%.2f".
void FillGuidePanel(CWindowServices& panel, float x, float y, double angle);
