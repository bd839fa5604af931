// The design view's command families. Each family keeps its handlers and
// update rules in app/viewcmd_<family>.cpp and its own map, chained behind the
// view's map in a fixed order (viewcmd.cpp); the first handler found runs.
#pragma once
#include <string>

#include "framework/cmdtarget.h"

class CVORLAN98View;

// Entries for handlers that are free functions of the view:
//   void fn(CVORLAN98View&), void fn(CVORLAN98View&, fw::UINT id),
//   void fn(CVORLAN98View&, fw::CCmdUI*).
#define VIEW_ON_COMMAND(nID_, fn) \
  {::fw::CmdKind::Command, 0, (nID_), (nID_), false, FW_CMD_THUNK(fn(*self_); return 1;)},
#define VIEW_ON_COMMAND_RANGE(first, last, fn) \
  {::fw::CmdKind::Command, 0, (first), (last), false, FW_CMD_THUNK(fn(*self_, c_.id); return 1;)},
#define VIEW_ON_UPDATE(nID_, fn) \
  {::fw::CmdKind::Update, 0, (nID_), (nID_), false, FW_CMD_THUNK(fn(*self_, c_.ui); return 1;)},
#define VIEW_ON_UPDATE_RANGE(first, last, fn) \
  {::fw::CmdKind::Update, 0, (first), (last), false, FW_CMD_THUNK(fn(*self_, c_.ui); return 1;)},

namespace viewcmd {

// One map per family, chained before `base`.
const fw::CmdMap* ViewMap(const fw::CmdMap* base);        // zoom, grid, redraw, property window
const fw::CmdMap* ClipboardMap(const fw::CmdMap* base);   // copy, cut, paste
const fw::CmdMap* TextMap(const fw::CmdMap* base);        // text arrangement, attributes, code page, undo
const fw::CmdMap* ArrangeMap(const fw::CmdMap* base);     // group, combine, align, order, outline, layout
const fw::CmdMap* NodeMap(const fw::CmdMap* base);        // node commands and mouse shortcuts
const fw::CmdMap* WeldMap(const fw::CmdMap* base);        // weld, cut, and, xor, line and reference cuts
const fw::CmdMap* TransformMap(const fw::CmdMap* base);   // transform and duplication dialogs, expand
const fw::CmdMap* ShapeMap(const fw::CmdMap* base);       // shape parameter dialogs
const fw::CmdMap* PageMap(const fw::CmdMap* base);        // page, path, palette, coordinate, name card, grey bars
const fw::CmdMap* ImageMap(const fw::CmdMap* base);       // scanning, tracing, screen grab
const fw::CmdMap* PrintMap(const fw::CmdMap* base);       // printing and export
const fw::CmdMap* CutPatternMap(const fw::CmdMap* base);  // parallel-line, radiation and circle cuts
const fw::CmdMap* CarveMap(const fw::CmdMap* base);       // engraving

// The shape library the layout commands bind (glyph cut, word weld).
std::string& ShapeLibraryName();

// Every family's map, chained in order before `base`.
const fw::CmdMap* Families(const fw::CmdMap* base);

}  // namespace viewcmd
