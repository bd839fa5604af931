#include "app/viewcmd.h"

namespace viewcmd {

const fw::CmdMap* Families(const fw::CmdMap* base) {
  // Looked up from the last one added here to the first.
  base = CarveMap(base);
  base = CutPatternMap(base);
  base = PrintMap(base);
  base = ImageMap(base);
  base = PageMap(base);
  base = ShapeMap(base);
  base = TransformMap(base);
  base = WeldMap(base);
  base = NodeMap(base);
  base = ArrangeMap(base);
  base = TextMap(base);
  base = ClipboardMap(base);
  base = ViewMap(base);
  return base;
}

}  // namespace viewcmd
