// The cut window's arithmetic: the arrangement of the cut objects on the
// paper, stepping the paper window over a layout larger than the material,
// and the numeric entries of its pages with their replacements.
#pragma once
#include <string>

#include "model/geometry.h"

class CCutInfo;

// The arrangement matrix for objects with the bounds on a page of the width:
// mirrored across the extent (the wider of page and objects) when "Mirror" is set, moved to 0.1 mm when
// "SavePaper" is set, scaled by "ZoomCut" when not 1.
CMatrix3 ArrangementMatrix(const CFRect& bounds, float pageWidth, const CCutInfo& info);

enum class PaperStep { Up, Down, Left, Right };

// Moves the paper window by its size less the overlap ("PageGaps", mm), its
// size kept. An edge that would go below 0 is put at 0 with a beep; a step of
// 0 or less (overlap not below the size) moves nothing and beeps. False when
// a beep was given.
bool StepPaperWindow(CCutInfo& info, PaperStep step);

// The pages' number entries: curve accuracy (below 0.5 -> 0.5), zoom (0 or
// less -> 1), knife offset (outside 0.1..0.51 -> 0.35). Text that is not a
// finite number takes the replacement too.
enum class CutEntry { Accuracy, Zoom, Blade };
struct CutEntryValue {
  float value;
  bool replaced;      // the edit then shows `text`
  std::string text;
};
CutEntryValue ReadCutEntry(CutEntry entry, const std::string& text);
