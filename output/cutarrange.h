// The cut window's arrangement: the design's objects that are cut, taken from
// the page or from the output areas, as paths of one colour or of all, placed
// on the paper by the parameters; and the re-arrangements of the options page.
#pragma once
#include <memory>

#include "model/dllholder.h"
#include "model/geometry.h"

class CCutInfo;
class CGraphObject;
class CGuideList;
class CSegArray;

// The shape library that cuts objects at a selected output area's edge. A
// library that does not load is tried (and reported) once; the crossing
// objects are then clipped at the edge instead.
struct CutAreaWeld {
  CWeldLib lib;
  bool tried = false;
  // The intersection entry point, loading the library on first use; null
  // when it is not there.
  flexoril::WeldFn Intersect();
};
// The program's one.
CutAreaWeld& TheCutAreaWeld();

// The object as paths of the colour (-1: all), with its text frame when asked;
// subgroups flattened. Null when nothing of it is cut.
std::unique_ptr<CGraphObject> CutPaths(CGraphObject& o, int color, bool textFrame);

// The design as cut: `out` is emptied and filled; `arrangement` becomes the
// page, moved with the objects. Without output areas the page's objects are
// clipped to the page. With areas, the selected ones (all when none is
// selected): objects wholly inside are taken, those crossing an area's edge
// are intersected with its rectangle (closed pieces). Images never appear.
// With "TextLine" a text also gives its frame; the colour filter keeps one
// palette index.
void BuildCutArrangement(CSegArray& design, CGuideList& areas, float pageWidth, float pageHeight,
                         const CCutInfo& info, CSegArray& out, CFRect& arrangement,
                         CutAreaWeld& weld = TheCutAreaWeld());

// The options page's direct re-arrangements of the arranged objects.
enum class CutRearrange { SavePaper, Mirror, Rotate, Zoom };

// The matrix of a re-arrangement, applied to the list and to the arrangement
// rectangle. The reference rectangle is the list's bounds (left and top raised
// to 0) with "SavePaper" set, else the arrangement. `zoomRatio` is new / old zoom.
CMatrix3 RearrangeMatrix(CutRearrange op, const CFRect& listBounds, const CFRect& arrangement,
                         bool savePaper, float zoomRatio = 1.0f);

// Applies the re-arrangement to the list and the rectangle; false for an
// empty list (nothing moves).
bool Rearrange(CutRearrange op, CSegArray& list, CFRect& arrangement, bool savePaper,
               float zoomRatio = 1.0f);
