// The guide-line panel (dialog 227) of the property window: two radio
// buttons (two points, or a point and an angle), the edits X1, Y1, X2, Y2
// and the angle, and the OK button that hands the panel to the active view's
// rulers.
#pragma once
#include <functional>

#include "framework/dialog.h"

class CGuideLinePage : public fw::CDialog {
 public:
  CGuideLinePage();

  // Puts the panel's template (dialog 227) into the resource tables.
  static void RegisterTemplate();
  // What OK does: the application hands the panel to its active view's
  // rulers. Returns the previous handler.
  using ApplyHandler = std::function<void(CGuideLinePage&)>;
  static ApplyHandler SetApplyHandler(ApplyHandler handler);

  // Checks the two-point radio button.
  fw::BOOL OnInitDialog() override;
  // Applies; the panel stays open.
  void OnOK() override;
};
