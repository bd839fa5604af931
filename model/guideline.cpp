#include "model/guideline.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/bytes.h"

namespace {

constexpr double kPi = 3.1415926;  // the value the drawing and hit test use

double TangentOf(double angle) { return std::tan(angle * kPi / 180.0); }

// The angle in [0, 360); the input must be finite.
double ReducedAngle(double angle) {
  double a = std::fmod(angle, 360.0);
  if (a < 0.0) a += 360.0;
  if (a >= 360.0) a = 0.0;
  return a;
}

bool Horizontal(double a) { return a == 0.0 || a == 180.0 || a == 360.0; }
bool Vertical(double a) { return a == 90.0 || a == 270.0; }

// A whole edit text as a number: blanks around it allowed, nothing else.
bool ParseNumber(const std::string& text, double& out) {
  const char* s = text.c_str();
  while (*s == ' ' || *s == '\t') ++s;
  if (*s == 0) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(s, &end);
  if (end == s) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != 0 || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool ParseCoordinate(const std::string& text, float& out) {
  double v = 0.0;
  if (!ParseNumber(text, v)) return false;
  const float f = static_cast<float>(v);
  if (!std::isfinite(f)) return false;
  out = f;
  return true;
}

std::string Format2(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

}  // namespace

CGuideLine::CGuideLine() { letter = GUIDE_LINE_LETTER; }

CGuideLine::CGuideLine(float x0, float y0, double a) : x(x0), y(y0), angle(a) {
  letter = GUIDE_LINE_LETTER;
}

CGuideLine::~CGuideLine() = default;

bool CGuideLine::ReduceAngle() {
  if (!std::isfinite(angle)) return false;
  if (angle >= 360.0 || angle < 0.0) angle = ReducedAngle(angle);
  return true;
}

bool CGuideLine::GetDeviceEnds(const CMatrix3& m, const CFRect& extent, plat::POINT& a,
                               plat::POINT& b) {
  if (!ReduceAngle() || !std::isfinite(x) || !std::isfinite(y)) return false;
  CFRect e = extent;
  const float grow = 5.0f * m.m00;
  e.left -= grow;
  e.top -= grow;
  e.right += grow;
  e.bottom += grow;
  CFPoint p1, p2;
  if (IsHorizontal()) {
    p1 = {e.left, y};
    p2 = {e.right, y};
  } else if (IsVertical()) {
    p1 = {x, e.top};
    p2 = {x, e.bottom};
  } else {
    const double s = TangentOf(angle);
    if (s > -1.0 && s < 1.0) {
      p1 = {e.left, static_cast<float>(y - (double(e.left) - x) * s)};
      p2 = {e.right, static_cast<float>(y - (double(e.right) - x) * s)};
    } else {
      p1 = {static_cast<float>(x - (double(e.top) - y) / s), e.top};
      p2 = {static_cast<float>(x - (double(e.bottom) - y) / s), e.bottom};
    }
  }
  m.TransformPointToInt(p1, &a);
  m.TransformPointToInt(p2, &b);
  return true;
}

void CGuideLine::DrawOutline(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) {
  if (!dc || !matrix || !extent) return;
  plat::POINT a, b;
  if (!GetDeviceEnds(*matrix, *extent, a, b)) return;
  plat::HPEN oldPen = SharedTools().xorPen ? dc->SelectObject(SharedTools().xorPen) : nullptr;
  const int oldRop = dc->SetROP2(plat::R2_NOTXORPEN);
  dc->MoveTo(a);
  dc->LineTo(b);
  if (oldRop) dc->SetROP2(oldRop);
  if (oldPen) dc->SelectObject(oldPen);
}

void CGuideLine::DrawGuide(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) {
  DrawOutline(dc, matrix, extent);
}

void CGuideLine::MarkSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) {
  selection = 2;
  DrawGuide(dc, matrix, extent);
}

void CGuideLine::UnmarkSelected(plat::DC* dc, const CMatrix3* matrix, const CFRect* extent) {
  selection = 1;
  DrawGuide(dc, matrix, extent);
}

void CGuideLine::Offset(float dx, float dy) {
  x += dx;
  y += dy;
}

int CGuideLine::HitTest(float px, float py, float t) {
  if (!std::isfinite(angle)) return 0;
  const double a = ReducedAngle(angle);
  if (Horizontal(a)) return std::fabs(py - y) <= t ? 1 : 0;
  if (Vertical(a)) return std::fabs(px - x) <= t ? 1 : 0;
  const double s = TangentOf(a);
  const double d = std::fabs((double(py) - y) + (double(px) - x) * s) / std::sqrt(1.0 + s * s);
  return d <= t ? 1 : 0;
}

std::uint32_t CGuideLine::WriteRecord(plat::HGLOBAL* out) {
  if (!out) return 0;
  *out = 0;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GHND, 29);
  if (!h) return 0;
  {
    plat::GlobalLockGuard g(h);
    std::uint8_t* p = g.bytes();
    p[0] = GUIDE_LINE_LETTER;
    plat::PutU32(p + 1, GUIDE_LINE_RECORD_LENGTH);
    plat::PutF32(p + 7, static_cast<float>(angle));
    plat::PutF32(p + 11, x);
    plat::PutF32(p + 15, y);
    p[19] = GUIDE_RECORD_END;
  }
  *out = h;
  return GUIDE_LINE_RECORD_LENGTH;
}

std::unique_ptr<CGuideLine> CGuideLine::LoadFromRecord(const std::uint8_t* record,
                                                       std::size_t available) {
  if (!record || available < GUIDE_LINE_RECORD_LENGTH || record[0] != GUIDE_LINE_LETTER)
    return nullptr;
  const std::uint32_t len = plat::GetU32(record + 1);
  if (len < GUIDE_LINE_RECORD_LENGTH || len > available) return nullptr;
  const float a = plat::GetF32(record + 7);
  const float px = plat::GetF32(record + 11);
  const float py = plat::GetF32(record + 15);
  if (!std::isfinite(a) || !std::isfinite(px) || !std::isfinite(py)) return nullptr;
  return std::make_unique<CGuideLine>(px, py, double(a));
}

// --- The panel ------------------------------------------------------------------

std::uint32_t CGuideLine::GetPropertyDialogId() { return IDD_GUIDE_LINE; }

CWindowServices* CGuideLine::CreatePropertyPanel(CWindowServices* parent) {
  if (!parent) return nullptr;
  CWindowServices* panel = parent->CreateChildDialog(IDD_GUIDE_LINE);
  if (!panel) return nullptr;
  panel->SetUserData(IDD_GUIDE_LINE);
  panel->CheckItem(IDC_GUIDE_TWO_POINTS, true);
  panel->CheckItem(IDC_GUIDE_POINT_ANGLE, false);
  return panel;
}

void CGuideLine::SetPropertyTitle(CWindowServices* prop) {
  if (prop) prop->SetText("辅助线");
}

void CGuideLine::FillPropertyPanel(CWindowServices* prop) {
  if (!prop) return;
  if (CWindowServices* panel = prop->GetFirstChild()) FillGuidePanel(*panel, x, y, angle);
}

int CGuideLine::ApplyPropertyPanel(CWindowServices* panel) {
  GuidePanelValues v;
  if (!panel || !ReadGuidePanel(*panel, v)) return 0;
  x = v.x;
  y = v.y;
  angle = v.angle;
  return 1;
}

void FillGuidePanel(CWindowServices& panel, float x, float y, double angle) {
  const double a = std::isfinite(angle) ? ReducedAngle(angle) : 0.0;
  const double r = a * M_PI / 180.0;
  panel.SetItemText(IDC_GUIDE_X1, Format2(x));
  panel.SetItemText(IDC_GUIDE_Y1, Format2(y));
  panel.SetItemText(IDC_GUIDE_X2, Format2(x + 100.0 * std::cos(r)));
  panel.SetItemText(IDC_GUIDE_Y2, Format2(y - 100.0 * std::sin(r)));
  panel.SetItemText(IDC_GUIDE_ANGLE, Format2(a));
}

bool ReadGuidePanel(const CWindowServices& panel, GuidePanelValues& out) {
  float x1 = 0, y1 = 0;
  if (!ParseCoordinate(panel.GetItemText(IDC_GUIDE_X1), x1) ||
      !ParseCoordinate(panel.GetItemText(IDC_GUIDE_Y1), y1))
    return false;
  double a = 0.0;
  if (panel.IsItemChecked(IDC_GUIDE_POINT_ANGLE)) {
    if (!ParseNumber(panel.GetItemText(IDC_GUIDE_ANGLE), a)) return false;
    a = ReducedAngle(a);
  } else {
    float x2 = 0, y2 = 0;
    if (!ParseCoordinate(panel.GetItemText(IDC_GUIDE_X2), x2) ||
        !ParseCoordinate(panel.GetItemText(IDC_GUIDE_Y2), y2))
      return false;
    const double dx = double(x2) - x1, dy = double(y1) - y2;  // y grows downwards
    if (dx == 0.0 && dy == 0.0) return false;
    if (dy == 0.0)
      a = dx > 0.0 ? 0.0 : 180.0;
    else if (dx == 0.0)
      a = dy > 0.0 ? 90.0 : 270.0;
    else
      a = ReducedAngle(std::atan2(dy, dx) * 180.0 / M_PI);
  }
  out.x = x1;
  out.y = y1;
  out.angle = a;
  return true;
}
