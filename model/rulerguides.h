// The guide half of a view's rulers: owns the guide list, pulls new guide
// lines out of the ruler bands, moves and deletes guides with the mouse,
// draws them, refreshes their property panel and snaps points and
// rectangles to them, to the page edges and to the grid.
#pragma once
#include <cstdint>

#include "model/geometry.h"
#include "model/guidelist.h"
#include "model/services.h"

class CFileServices;

// The two ruler bars' cursor markers (XOR lines across a bar at a page
// coordinate; each bar erases its previous marker first).
class CRulerMarkerServices {
 public:
  virtual ~CRulerMarkerServices() = default;
  virtual void DrawHorzMarker(float x, plat::DC* dc) = 0;
  virtual void DrawVertMarker(float y, plat::DC* dc) = 0;
};

// Guide-drag states.
constexpr std::uint16_t GUIDE_DRAG_NONE = 0;
constexpr std::uint16_t GUIDE_DRAG_HORZ = 1;    // a new horizontal guide from the top ruler
constexpr std::uint16_t GUIDE_DRAG_VERT = 2;    // a new vertical guide from the left ruler
constexpr std::uint16_t GUIDE_DRAG_MOVE = 256;  // the selected guides

class CRulerGuides {
 public:
  // `thickness`: the rulers' thickness in pixels; `markers` may be null.
  CRulerGuides(CViewServices* view, int thickness, CRulerMarkerServices* markers = nullptr);
  CRulerGuides(const CRulerGuides&) = delete;
  CRulerGuides& operator=(const CRulerGuides&) = delete;

  CGuideList& GetGuideList() { return guides_; }
  int GetThickness() const { return thickness_; }
  void SetThickness(int thickness) { thickness_ = thickness; }
  void SetMarkers(CRulerMarkerServices* markers) { markers_ = markers; }
  std::uint16_t GetDragState() const { return state_; }

  // Mouse in view pixels. 1 when the press was taken (a ruler band or a guide).
  int OnLButtonDown(std::uint32_t flags, int x, int y);
  // Whether a guide drag is on.
  int OnMouseMove(std::uint32_t flags, int x, int y);
  // 1 when a guide drag ended.
  int OnLButtonUp(std::uint32_t flags, int x, int y);
  // XOR feedback of the current drag; null: the view's own DC.
  void DrawGuideFeedback(plat::DC* dc);
  // Moves both ruler markers to the page point.
  void TrackMouse(float x, float y);
  // Every guide item over the visible page (when the view paints).
  void DrawGuides(plat::DC* dc);

  int HasSelectedGuide() const;
  CGuideItem* GetSelectedGuide() const;
  int ShowGuideProperties(CWindowServices* propertyWindow);
  // Applies the panel to the current guide between an erase and a redraw;
  // a beep when it is refused.
  void ApplyGuideProperties(CWindowServices* panel);

  // Tolerance 0: 5 x the view's units per pixel. 1 when something moved.
  int SnapPoint(CFPoint& p, float tolerance);
  // Z: guide lines; X: page edges; C (when nothing snapped yet): the grid.
  int SnapRect(CFRect& r, float tolerance);

  int SaveGuides(CFileServices& file);
  int LoadGuides(CFileServices& file);

 private:
  CFPoint ToPage(int x, int y) const;
  float Scale() const;

  CViewServices* view_;
  int thickness_;
  CRulerMarkerServices* markers_;
  CGuideList guides_;
  std::uint16_t state_ = GUIDE_DRAG_NONE;
  bool moving_ = false;  // a move drag has passed the 3-pixel threshold
  plat::POINT pressPixel_{};
  CFPoint press_;
  CFPoint last_;
};
