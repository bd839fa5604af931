// Text commands of the design view: arrangements of the current text, the
// attribute services of the attribute bars and dialogs, size modes, indents,
// the typing languages, Undo, node sub-tools, the text bar and the dialogs
// these menus open.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "app/designview.h"
#include "app/document.h"
#include "app/mainframe.h"
#include "app/selecttracker.h"
#include "app/viewcmd.h"
#include "framework/app.h"
#include "model/geomutil.h"
#include "model/graphobject.h"
#include "model/pathobject.h"
#include "model/undoitems.h"
#include "text/arrange.h"
#include "text/boxarray.h"
#include "text/glyphsource.h"
#include "text/libcatalogdlg.h"
#include "text/libconvertdlg.h"
#include "text/libmanagerdlg.h"
#include "text/textattr.h"
#include "text/textobject.h"
#include "text/textundo.h"

namespace {

// Command ids.
constexpr fw::UINT ID_ARRANGE_ARC = 40040;
constexpr fw::UINT ID_ARRANGE_PATH = 40041;
constexpr fw::UINT ID_ARRANGE_LEFT_RIGHT = 40087;
constexpr fw::UINT ID_ARRANGE_RIGHT_LEFT = 32805;
constexpr fw::UINT ID_ARRANGE_TOP_DOWN = 40089;
constexpr fw::UINT ID_ARRANGE_TOP_DOWN2 = 40088;
constexpr fw::UINT ID_FILL_LINE = 40091;
constexpr fw::UINT ID_JUST_LEFT = 40092;
constexpr fw::UINT ID_SIZE_ABSOLUTE = 40052;
constexpr fw::UINT ID_SIZE_AVERAGE = 40053;
constexpr fw::UINT ID_SIZE_NORMAL = 40176;
constexpr fw::UINT ID_INDENT = 40174;
constexpr fw::UINT ID_UNINDENT = 40175;
constexpr fw::UINT ID_HALF_WIDTH = 40114;
constexpr fw::UINT ID_CHARSET_BIG5 = 32864;
constexpr fw::UINT ID_CHARSET_GB = 32863;
constexpr fw::UINT ID_CHARSET_KOREA = 32865;
constexpr fw::UINT ID_CHARSET_RUSSIA = 32878;
constexpr fw::UINT ID_UNDO = 57643;
constexpr fw::UINT ID_TEXT_BAR = 32889;
constexpr fw::UINT ID_UNROTATE = 40049;
constexpr fw::UINT ID_SET_OUT_AREA = 32892;
constexpr fw::UINT ID_LIB_MANAGER = 40150;
constexpr fw::UINT ID_LIB_CONVERT = 32869;
constexpr fw::UINT ID_NEW_GRAPHLIB = 40171;
constexpr fw::UINT ID_PRINT = 57607;
constexpr fw::UINT ID_CUT_OUT = 40024;

constexpr std::uint8_t kKindText = 130;
constexpr std::uint8_t kKindPath = 128;
constexpr std::uint16_t kGapCodes = BOXC_BOX_GAP | BOXC_LINE_GAP;

CMDIMainFrame* MainFrame() { return dynamic_cast<CMDIMainFrame*>(fw::AfxGetMainWnd()); }

bool Recording(CVORLAN98View& v) { return v.GetUndoList()->GetRecordDepth() != 0; }

void Record(CVORLAN98View& v, std::unique_ptr<CUndoItem> item) {
  if (Recording(v)) v.GetUndoList()->AppendUndoItem(std::move(item));
}

// One undo step for the length of a scope.
class Step {
 public:
  explicit Step(CVORLAN98View& v) : list_(v.GetUndoList()) { list_->StartRecord(0); }
  ~Step() { list_->EndRecord(); }
  Step(const Step&) = delete;
  Step& operator=(const Step&) = delete;

 private:
  CUndoList* list_;
};

// The selection marks erased for the length of a scope, then the selection
// box recomputed and the marks drawn again.
class MarksOff {
 public:
  explicit MarksOff(CVORLAN98View& v) : tracker_(v.Tracker()) {
    if (tracker_) tracker_->Hide(nullptr);
  }
  ~MarksOff() {
    if (!tracker_) return;
    tracker_->GetSelectionRect(nullptr);
    tracker_->Show(nullptr);
  }
  MarksOff(const MarksOff&) = delete;
  MarksOff& operator=(const MarksOff&) = delete;

 private:
  CSelectTracker* tracker_;
};

// --- Arrangements --------------------------------------------------------------------

// The tracker's current object when it is a text and nothing is edited.
CTextObject* CurrentText(CVORLAN98View& v) {
  if (v.GetEditObject()) return nullptr;
  CSelectTracker* tracker = v.Tracker();
  CGraphObject* o = tracker ? tracker->GetCurrentObject() : nullptr;
  if (!o || o->kind != kKindText) return nullptr;
  auto* text = dynamic_cast<CTextObject*>(o);
  return text && text->arrange ? text : nullptr;
}

// The current text unless its arrangement is already of the kind.
CTextObject* TextNotOfKind(CVORLAN98View& v, std::uint8_t kind) {
  CTextObject* text = CurrentText(v);
  return text && text->arrange->GetKind() != kind ? text : nullptr;
}

// Makes the arrangement the text's, the former one kept for undo, and lays
// the whole text out.
void Rearrange(CVORLAN98View& v, CTextObject& text, std::unique_ptr<CTextArrange> arrange) {
  std::unique_ptr<CTextArrange> former = text.SetArrange(std::move(arrange));
  Record(v, std::make_unique<CUndoArrange>(&text, std::move(former)));
  text.Relayout(&v, -1);
  text.InvalidateObjectRect(&v, true);
}

void OnArc(CVORLAN98View& v) {
  CTextObject* text = TextNotOfKind(v, ARR_ARC);
  if (!text) return;
  MarksOff marks(v);
  text->InvalidateObjectRect(&v, true);
  Step step(v);
  CFRect r = text->layoutRect;
  if (r.bottom == r.top) r.bottom = (r.right - r.left) / 2 + r.top;
  if (r.right == r.left) r.right = (r.bottom - r.top) / 2 + r.left;
  Rearrange(v, *text, std::make_unique<CArcArrange>(r.left, r.top, r.right, r.bottom, &text->matrix, &text->chars));
}

std::uint8_t StraightKind(fw::UINT id) {
  switch (id) {
    case ID_ARRANGE_RIGHT_LEFT: return ARR_RIGHT_TO_LEFT;
    case ID_ARRANGE_TOP_DOWN: return ARR_COLUMNS_RIGHTWARDS;
    case ID_ARRANGE_TOP_DOWN2: return ARR_COLUMNS_LEFTWARDS;
    default: return ARR_LEFT_TO_RIGHT;
  }
}

bool IsVertical(std::uint8_t kind) { return kind == ARR_COLUMNS_RIGHTWARDS || kind == ARR_COLUMNS_LEFTWARDS; }

void OnStraight(CVORLAN98View& v, fw::UINT id) {
  const std::uint8_t target = StraightKind(id);
  CTextObject* text = TextNotOfKind(v, target);
  if (!text) return;
  MarksOff marks(v);
  text->InvalidateObjectRect(&v, true);
  const std::uint8_t kind = text->arrange->GetKind();
  Step step(v);
  // A straight text turned keeps its width as height and the other way
  // round; the curve kinds start from the layout rectangle.
  CFRect r = text->layoutRect;
  if (kind <= ARR_COLUMNS_LEFTWARDS) {
    r = text->arrange->GetFrame();
    if (IsVertical(kind) && !IsVertical(target)) r.right = r.left + r.bottom - r.top;
    if (!IsVertical(kind) && IsVertical(target)) r.bottom = r.top + r.right - r.left;
  }
  auto line = std::make_unique<CLineArrange>(r.left, r.top, r.right, r.bottom, &text->matrix, &text->chars);
  line->kind = target;
  Rearrange(v, *text, std::move(line));
}

void SetFillLine(CVORLAN98View& v, bool fill) {
  CTextObject* text = TextNotOfKind(v, ARR_ARC);
  if (!text) return;
  MarksOff marks(v);
  text->InvalidateObjectRect(&v, true);
  Step step(v);
  Record(v, std::make_unique<CUndoArrangeFlags>(text));
  CTextArrange& a = *text->arrange;
  a.flags = std::uint16_t(fill ? (a.flags | ARRF_FIT) : (a.flags & ~ARRF_FIT));
  text->Relayout(&v, -1);
  text->InvalidateObjectRect(&v, true);
}

void OnFillLine(CVORLAN98View& v) { SetFillLine(v, true); }
void OnJustLeft(CVORLAN98View& v) { SetFillLine(v, false); }

void OnWithLine(CVORLAN98View& v) {
  CSelectTracker* tracker = v.Tracker();
  CVORLAN98Doc* doc = v.GetDoc();
  if (!tracker || !doc || v.GetEditObject()) return;
  auto* text = dynamic_cast<CTextObject*>(tracker->FindSelected(kKindText));
  auto* path = dynamic_cast<CPathObject*>(tracker->FindSelected(kKindPath));
  if (!text || !path || !text->arrange || text->arrange->GetKind() == ARR_PATH) return;
  // The path goes into the text's own units; a text that cannot be undone
  // into them stays as it is.
  std::unique_ptr<CMatrix3> inverse;
  if (!text->matrix.IsIdentity()) {
    bool singular = false;
    inverse = text->matrix.CreateInverse(&singular);
    if (singular) return;
  }
  MarksOff marks(v);
  text->InvalidateObjectRect(&v, true);
  path->InvalidateObjectRect(&v, true);
  Step step(v);
  const int index = doc->RemoveObject(path);
  if (index < 0) return;
  if (Recording(v))
    if (std::unique_ptr<CGraphObject> copy = path->Clone()) {
      copy->selected = 0;
      Record(v, std::make_unique<CUndoDelete>(copy.release(), index));
    }
  std::unique_ptr<CPathObject> owned(path);
  owned->selected = 0;
  if (inverse) {
    owned->Transform(*inverse);
    owned->flags = std::uint16_t(owned->flags & ~OBJF_FILLED);
  }
  Rearrange(v, *text, std::make_unique<CPathArrange>(std::move(owned), &text->matrix, &text->chars));
  doc->SetModifiedFlag(fw::TRUE);
}

void UpdateArrange(CVORLAN98View& v, fw::CCmdUI* ui, std::uint8_t kind) {
  ui->Enable(TextNotOfKind(v, kind) ? fw::TRUE : fw::FALSE);
}
void OnUpdateArc(CVORLAN98View& v, fw::CCmdUI* ui) { UpdateArrange(v, ui, ARR_ARC); }
void OnUpdateStraight(CVORLAN98View& v, fw::CCmdUI* ui) { UpdateArrange(v, ui, StraightKind(ui->m_nID)); }

// --- Size modes, half width, indents -----------------------------------------------------

CTextObject* EditText(CVORLAN98View& v) {
  CGraphObject* edit = v.GetEditObject();
  return edit && edit->kind == kKindText ? dynamic_cast<CTextObject*>(edit) : nullptr;
}

// The selected text objects of the document.
std::vector<CTextObject*> SelectedTexts(CVORLAN98View& v) {
  std::vector<CTextObject*> out;
  CVORLAN98Doc* doc = v.GetDoc();
  if (!doc) return out;
  for (int i = 0; i < doc->GetObjectCount(); ++i) {
    CGraphObject* o = doc->GetObjectAt(i);
    if (o && o->kind == kKindText && o->selected == OBJ_SELECTED)
      if (auto* t = dynamic_cast<CTextObject*>(o)) out.push_back(t);
  }
  return out;
}

// Size-mode bits of characters from first to last; true when any changed.
bool SetSizeMode(CVORLAN98View& v, CTextObject& text, int first, int last, std::uint16_t mode) {
  bool changed = false;
  for (int k = std::max(first, 0); k <= last && k < text.chars.GetSize(); ++k)
    if (CBoxChar* c = text.chars.CharAt(k); c && (c->flags & BOXF_SIZE_MODE) != mode) changed = true;
  if (!changed) return false;
  text.InvalidateObjectRect(&v, true);
  text.SetCharFlags(&v, first, last, mode, BOXF_SIZE_MODE);
  text.Relayout(&v, first);
  text.InvalidateObjectRect(&v, true);
  return true;
}

void OnSizeMode(CVORLAN98View& v, fw::UINT id) {
  const std::uint16_t mode = id == ID_SIZE_ABSOLUTE ? 2 : id == ID_SIZE_AVERAGE ? 1 : 0;
  bool changed = false;
  {
    Step step(v);
    if (v.GetEditObject()) {
      if (CTextObject* text = EditText(v)) {
        int first = -1, last = -1;
        if (text->chars.FindFirst(&first) && text->chars.FindLast(&last))
          changed = SetSizeMode(v, *text, first, last, mode);
      }
    } else {
      MarksOff marks(v);
      for (CTextObject* text : SelectedTexts(v))
        changed = SetSizeMode(v, *text, 0, text->chars.GetSize() - 1, mode) || changed;
    }
  }
  // Nothing to change: the mode is for new text.
  if (!changed) {
    std::uint16_t& flags = DefaultTextAttr().tmState;
    flags = std::uint16_t((flags & ~BOXF_SIZE_MODE) | mode);
  }
}

void OnUpdateSizeMode(CVORLAN98View&, fw::CCmdUI* ui) {
  const std::uint16_t mode = ui->m_nID == ID_SIZE_ABSOLUTE ? 2 : ui->m_nID == ID_SIZE_AVERAGE ? 1 : 0;
  ui->SetRadio((DefaultTextAttr().tmState & BOXF_SIZE_MODE) == mode ? fw::TRUE : fw::FALSE);
}

void OnHalfWidth(CVORLAN98View&) { DefaultTextAttr().tmState ^= BOXF_HALF_WIDTH; }

void OnUpdateHalfWidth(CVORLAN98View&, fw::CCmdUI* ui) {
  ui->SetCheck((DefaultTextAttr().tmState & BOXF_HALF_WIDTH) ? 1 : 0);
}

void OnIndent(CVORLAN98View& v) {
  CTextObject* text = EditText(v);
  if (!text) return;
  Step step(v);
  text->InvalidateObjectRect(&v, true);
  text->Indent(&v);
  text->InvalidateObjectRect(&v, true);
}

void OnUnIndent(CVORLAN98View& v) {
  Step step(v);
  if (v.GetEditObject()) {
    CTextObject* text = EditText(v);
    if (!text || text->chars.IsEmpty()) return;
    text->InvalidateObjectRect(&v, true);
    text->UnIndent(&v);
    text->InvalidateObjectRect(&v, true);
    return;
  }
  MarksOff marks(v);
  for (CTextObject* text : SelectedTexts(v)) {
    text->InvalidateObjectRect(&v, true);
    text->UnIndent(&v);
    text->InvalidateObjectRect(&v, true);
  }
}

// --- Typing languages ----------------------------------------------------------------------

std::uint8_t CharsetOf(fw::UINT id) {
  switch (id) {
    case ID_CHARSET_BIG5: return 136;
    case ID_CHARSET_GB: return 134;
    case ID_CHARSET_KOREA: return 129;
    default: return 204;
  }
}

void OnCharset(CVORLAN98View&, fw::UINT id) { DefaultTextAttr().SetLanguage(CharsetOf(id)); }

void OnUpdateCharset(CVORLAN98View&, fw::CCmdUI* ui) {
  const CTextAttr& a = DefaultTextAttr();
  const std::uint8_t id = CharsetOf(ui->m_nID);
  const bool on = ui->m_nID == ID_CHARSET_RUSSIA ? a.singleByteLanguage == id : a.doubleByteLanguage == id;
  ui->SetRadio(on ? fw::TRUE : fw::FALSE);
  if (ui->m_nID == ID_CHARSET_KOREA) ui->Enable(fw::TRUE);
}

// --- Undo -------------------------------------------------------------------------------

void OnUndo(CVORLAN98View& v) {
  CUndoList* list = v.GetUndoList();
  if (!list->GetStep(-1)) return;
  CSelectTracker* tracker = v.Tracker();
  if (tracker) tracker->Hide(nullptr);
  list->UndoLastStep(v);
  if (tracker) {
    tracker->Show(nullptr);
    tracker->Refresh();
  }
}

void OnUpdateUndo(CVORLAN98View& v, fw::CCmdUI* ui) {
  ui->Enable(v.GetUndoList()->GetStep(-1) && !v.GetPendingObject() ? fw::TRUE : fw::FALSE);
}

// --- Node sub-tools, bars, rotation ---------------------------------------------------------

void OnExtendTool(CVORLAN98View& v) {
  v.SetCurrentTool(ID_TOOL_EXTEND);
  v.SetToolCursor(ID_TOOL_EXTEND);
  if (CGraphObject* edit = v.GetEditObject()) edit->DoCommand(&v, ID_TOOL_EXTEND);
}

void OnMoveContourTool(CVORLAN98View& v) {
  v.SetCurrentTool(ID_TOOL_MOVE_CONTOUR);
  v.SetToolCursor(ID_TOOL_MOVE_CONTOUR);
}

void OnUpdateSubTool(CVORLAN98View& v, fw::CCmdUI* ui) {
  ui->SetRadio(v.GetCurrentTool() == ui->m_nID ? fw::TRUE : fw::FALSE);
}

// The mode bar on and off; the view's bar mask is the other bars'.
void OnTextBar(CVORLAN98View&) {
  CMDIMainFrame* main = MainFrame();
  if (!main) return;
  CModeBar& bar = main->GetModeBar();
  if (!bar.m_hWnd) return;
  main->ShowControlBar(&bar, bar.IsVisible() ? fw::FALSE : fw::TRUE, fw::FALSE);
  main->RecalcLayout();
}

void OnUpdateTextBar(CVORLAN98View&, fw::CCmdUI* ui) {
  CMDIMainFrame* main = MainFrame();
  ui->SetCheck(main && main->GetModeBar().m_hWnd && main->GetModeBar().IsVisible() ? 1 : 0);
}

void OnUnRotate(CVORLAN98View& v) {
  CSelectTracker* tracker = v.Tracker();
  if (!tracker) return;
  Step step(v);
  tracker->UnRotateSelected();
}

void OnNothing(CVORLAN98View&) {}
void OnUpdateEnabled(CVORLAN98View&, fw::CCmdUI* ui) { ui->Enable(fw::TRUE); }

// --- Dialogs -------------------------------------------------------------------------------

template <class Dialog>
void RunDialog(CVORLAN98View&) {
  Dialog dlg;
  dlg.DoModal();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Attribute services.

namespace {

// Length of a vector of the text's units after the text's matrix.
float LengthAfter(const CMatrix3& m, float x, float y) {
  CFPoint o{0.0f, 0.0f}, p{x, y};
  m.TransformPoint(o);
  m.TransformPoint(p);
  return std::hypot(p.x - o.x, p.y - o.y);
}

// A size along an axis (y when `yAxis`) as a length in the text's own units.
float ToTextUnits(const CMatrix3& m, const CMatrix3& inverse, float size, bool yAxis) {
  CFPoint o{0.0f, 0.0f}, p{yAxis ? 0.0f : size, yAxis ? size : 0.0f};
  m.TransformPoint(o);
  m.TransformPoint(p);
  const float a = VectorAngle(o.x, o.y, p.x, p.y);
  CFPoint q{o.x + std::cos(a) * size, o.y - std::sin(a) * size};
  inverse.TransformPoint(q);
  return std::hypot(q.x, q.y);
}

int SlotOfLanguage(std::uint8_t languageId) {
  const int slot = GetGlyphSource().FindSlot(languageId);
  return slot >= 0 && slot < kLanguageSlots ? slot : -1;
}

// Characters appended to a buffer of `size` bytes that always ends in NUL.
class TextSink {
 public:
  TextSink(char* buffer, int size) : buffer_(buffer), size_(buffer ? std::max(size, 0) : 0) { Clear(); }
  void Clear() {
    used_ = 0;
    if (size_ > 0) buffer_[0] = '\0';
  }
  void Add(std::uint16_t code) {
    const int n = code < 256 ? 1 : 2;
    if (used_ + n >= size_) return;
    if (n == 2) buffer_[used_++] = char(code >> 8);
    buffer_[used_++] = char(code & 0xFF);
    buffer_[used_] = '\0';
  }

 private:
  char* buffer_;
  int size_;
  int used_ = 0;
};

}  // namespace

std::uint8_t CVORLAN98View::GetLanguageId() const {
  return m_languageId ? m_languageId : DefaultTextAttr().doubleByteLanguage;
}

int CVORLAN98View::GetTextAttributes(char* buffer, CTextAttr* out, int size) {
  if (!out) return 0;
  CBoxArray* items = nullptr;
  const CMatrix3* matrix = nullptr;
  int first = 0, last = -1;  // the selected range in edit mode
  const bool editing = m_edit != nullptr;
  if (editing) {
    auto* text = m_edit->kind == kKindText ? dynamic_cast<CTextObject*>(m_edit) : nullptr;
    if (!text || !text->chars.FindFirst(&first) || !text->chars.FindLast(&last) || first < 0 || last < first) return 0;
    items = &text->chars;
    matrix = &text->matrix;
  } else {
    CSelectTracker* tracker = Tracker();
    if (!tracker || GetSelectedCount() == 0) return 0;
    if (!tracker->GetCurrentObject()) tracker->GetSelectionRect(nullptr);
    CGraphObject* current = tracker->GetCurrentObject();
    items = current ? current->GetBoxArray() : nullptr;
    if (!items) return 0;
    matrix = &current->matrix;
    last = items->GetSize() - 1;
  }

  TextSink sink(buffer, size);
  out->lineGap = out->boxGap = 0.0f;
  out->angle = out->skewX = out->skewY = 0.0f;
  bool seenFirst = false, boxGapSet = false, lineGapSet = false;
  bool slotSet[kLanguageSlots] = {};
  const bool identity = matrix->IsIdentity();
  for (int k = 0; k < items->GetSize(); ++k) {
    CBoxItem* item = items->GetAt(k);
    if (item->IsCode()) {
      auto* code = static_cast<CBoxCode*>(item);
      // Editing: the gaps in force at the range; else the text's first ones.
      if (editing && k > first) continue;
      if (code->code == BOXC_BOX_GAP && (editing || !boxGapSet)) {
        out->boxGap = code->FloatValue();
        boxGapSet = true;
      } else if (code->code == BOXC_LINE_GAP && (editing || !lineGapSet)) {
        out->lineGap = code->FloatValue();
        lineGapSet = true;
      }
      continue;
    }
    if (k < first || k > last) continue;
    auto* c = static_cast<CBoxChar*>(item);
    sink.Add(c->code);
    if (!seenFirst) {
      seenFirst = true;
      out->angle = c->angle;
      out->skewX = c->skewX;
      out->skewY = c->skewY;
      out->currentFont = c->kind;
      out->sizeX = identity ? c->sizeX : LengthAfter(*matrix, c->sizeX, 0.0f);
      out->sizeY = identity ? c->sizeY : LengthAfter(*matrix, 0.0f, c->sizeY);
    }
    const int slot = SlotOfLanguage(c->LanguageId());
    if (slot >= 0 && !slotSet[slot]) {
      slotSet[slot] = true;
      out->fontType[slot] = c->FontType();
      out->fontId[slot] = c->fontId;
    }
  }
  return 1;
}

namespace {

// One text's range takes the record's attributes.
void ApplyToRange(CVORLAN98View& v, CTextObject& text, int first, int last, CTextAttr& attr, std::uint32_t mask) {
  CBoxArray& items = text.chars;
  const bool recording = Recording(v);
  Record(v, std::make_unique<CUndoTextAnchor>(&text, first));
  text.InvalidateObjectRect(&v, true);

  // The first real character decides whether sizes, angle and skews change;
  // the font goes to every character of its language that has another.
  const std::uint8_t fontLang = std::uint8_t(attr.currentFont & 0xFF);
  const std::uint16_t fontWord = std::uint16_t(attr.currentFont & 0x0FFF);
  const std::uint16_t fontId = attr.FontIdOf(fontLang);
  bool sizeChange = false, angleChange = false, skewChange = false;
  for (int k = first; k <= last; ++k) {
    CBoxChar* c = items.CharAt(k);
    if (!c || c->code <= 31) continue;
    sizeChange = std::fabs(c->sizeX - attr.sizeX) > 0.01f || std::fabs(c->sizeY - attr.sizeY) > 0.01f;
    angleChange = c->angle != attr.angle;
    skewChange = c->skewX != attr.skewX || c->skewY != attr.skewY;
    break;
  }
  const bool sizes = (mask & 1) && sizeChange, angle = (mask & 4) && angleChange, skews = (mask & 8) && skewChange;
  for (int k = first; k <= last; ++k) {
    CBoxChar* c = items.CharAt(k);
    if (!c) continue;
    const bool font =
        (mask & 2) && c->LanguageId() == fontLang && ((c->kind & 0x0FFF) != fontWord || c->fontId != fontId);
    if (!font && !sizes && !angle && !skews) continue;
    if (recording) Record(v, std::make_unique<CUndoCharAttr>(&text, c, font, k));
    if (font) {
      c->kind = std::uint16_t((c->kind & 0xF000) | fontWord);
      c->fontId = fontId;
      c->advanceRatio = 0.0f;  // measured again with the new font
      c->DropGlyph();
    }
    if (sizes) {
      c->sizeX = attr.sizeX;
      c->sizeY = attr.sizeY;
      c->extentX = c->extentY = 0.0f;
    }
    if (angle) c->angle = attr.angle;
    if (skews) {
      c->skewX = attr.skewX;
      c->skewY = attr.skewY;
    }
  }

  // The gaps: the record's at the range start, the former ones again after it.
  auto insert = [&](int at, std::unique_ptr<CBoxCode> code) {
    CBoxCode* raw = code.release();
    items.InsertAt(at, raw);
    Record(v, std::make_unique<CUndoInsertChar>(raw, &text));
  };
  CTextAttr after;
  after.lineGap = attr.lineGap;
  after.boxGap = attr.boxGap;
  items.GetGapsAt(last + 1, after);
  // Only characters after the range need their former gaps back.
  if (items.NextCharIndex(last) >= 0) {
    if (after.lineGap != attr.lineGap) insert(last + 1, CBoxCode::MakeGap(BOXC_LINE_GAP, after.lineGap));
    if (after.boxGap != attr.boxGap) insert(last + 1, CBoxCode::MakeGap(BOXC_BOX_GAP, after.boxGap));
  }
  insert(first, CBoxCode::MakeGap(BOXC_LINE_GAP, attr.lineGap));
  insert(first, CBoxCode::MakeGap(BOXC_BOX_GAP, attr.boxGap));
  items.RemoveCodesInRange(first + 2, last + 3, kGapCodes);
  items.RemoveRedundantGapCodes();

  text.Relayout(&v, first);
  text.RecalcBounds();
  text.InvalidateObjectRect(&v, true);
}

}  // namespace

int CVORLAN98View::SetTextAttributes(CTextAttr* in, std::uint32_t mask) {
  if (!in) return 0;
  const float sizeX = in->sizeX, sizeY = in->sizeY;
  in->currentFont = std::uint16_t(in->currentFont & 0x0FFF);

  struct Target {
    CTextObject* text;
    int first, last;
  };
  std::vector<Target> targets;
  if (m_edit) {
    auto* text = m_edit->kind == kKindText ? dynamic_cast<CTextObject*>(m_edit) : nullptr;
    int first = -1, last = -1;
    if (!text || !text->chars.FindFirst(&first) || !text->chars.FindLast(&last) || last < first) return 0;
    targets.push_back({text, first, last});
  } else {
    for (CTextObject* text : SelectedTexts(*this))
      if (text->chars.GetSize() > 0) targets.push_back({text, 0, text->chars.GetSize() - 1});
    if (targets.empty()) return 0;
  }

  MarksOff marks(*this);
  plat::HDC dc = m_edit && m_hWnd ? fw::CWnd::GetDC() : nullptr;
  if (dc) m_edit->DrawTextEditMarks(dc, GetViewMatrix());
  for (const Target& t : targets) {
    const CMatrix3& m = t.text->matrix;
    // Sizes asked for on the page, in the text's own units; a matrix that
    // cannot be inverted leaves them as asked.
    if (!m.IsIdentity()) {
      bool singular = false;
      std::unique_ptr<CMatrix3> inverse = m.CreateInverse(&singular);
      if (!singular) {
        in->sizeX = ToTextUnits(m, *inverse, sizeX, false);
        in->sizeY = ToTextUnits(m, *inverse, sizeY, true);
      }
    }
    ApplyToRange(*this, *t.text, t.first, t.last, *in, mask);
    in->sizeX = sizeX;
    in->sizeY = sizeY;
  }
  if (dc) {
    m_edit->DrawTextEditMarks(dc, GetViewMatrix());
    fw::CWnd::ReleaseDC(dc);
  }
  if (CVORLAN98Doc* doc = GetDoc()) doc->SetModifiedFlag(fw::TRUE);
  return 1;
}

// ---------------------------------------------------------------------------------------------

FW_BEGIN_COMMAND_FAMILY(CVORLAN98View, viewcmd::TextMap)
VIEW_ON_COMMAND(ID_ARRANGE_ARC, OnArc)
VIEW_ON_UPDATE(ID_ARRANGE_ARC, OnUpdateArc)
VIEW_ON_COMMAND_RANGE(ID_ARRANGE_LEFT_RIGHT, ID_ARRANGE_LEFT_RIGHT, OnStraight)
VIEW_ON_COMMAND_RANGE(ID_ARRANGE_RIGHT_LEFT, ID_ARRANGE_RIGHT_LEFT, OnStraight)
VIEW_ON_COMMAND_RANGE(ID_ARRANGE_TOP_DOWN2, ID_ARRANGE_TOP_DOWN, OnStraight)
VIEW_ON_UPDATE(ID_ARRANGE_LEFT_RIGHT, OnUpdateStraight)
VIEW_ON_UPDATE(ID_ARRANGE_RIGHT_LEFT, OnUpdateStraight)
VIEW_ON_UPDATE_RANGE(ID_ARRANGE_TOP_DOWN2, ID_ARRANGE_TOP_DOWN, OnUpdateStraight)
VIEW_ON_COMMAND(ID_FILL_LINE, OnFillLine)
VIEW_ON_COMMAND(ID_JUST_LEFT, OnJustLeft)
VIEW_ON_COMMAND(ID_ARRANGE_PATH, OnWithLine)
VIEW_ON_COMMAND_RANGE(ID_SIZE_ABSOLUTE, ID_SIZE_AVERAGE, OnSizeMode)
VIEW_ON_COMMAND_RANGE(ID_SIZE_NORMAL, ID_SIZE_NORMAL, OnSizeMode)
VIEW_ON_UPDATE_RANGE(ID_SIZE_ABSOLUTE, ID_SIZE_AVERAGE, OnUpdateSizeMode)
VIEW_ON_UPDATE(ID_SIZE_NORMAL, OnUpdateSizeMode)
VIEW_ON_COMMAND(ID_HALF_WIDTH, OnHalfWidth)
VIEW_ON_UPDATE(ID_HALF_WIDTH, OnUpdateHalfWidth)
VIEW_ON_COMMAND(ID_INDENT, OnIndent)
VIEW_ON_COMMAND(ID_UNINDENT, OnUnIndent)
VIEW_ON_COMMAND_RANGE(ID_CHARSET_GB, ID_CHARSET_KOREA, OnCharset)
VIEW_ON_COMMAND_RANGE(ID_CHARSET_RUSSIA, ID_CHARSET_RUSSIA, OnCharset)
VIEW_ON_UPDATE_RANGE(ID_CHARSET_GB, ID_CHARSET_KOREA, OnUpdateCharset)
VIEW_ON_UPDATE(ID_CHARSET_RUSSIA, OnUpdateCharset)
VIEW_ON_COMMAND(ID_UNDO, OnUndo)
VIEW_ON_UPDATE(ID_UNDO, OnUpdateUndo)
VIEW_ON_COMMAND(ID_TOOL_EXTEND, OnExtendTool)
VIEW_ON_UPDATE(ID_TOOL_EXTEND, OnUpdateSubTool)
VIEW_ON_COMMAND(ID_TOOL_MOVE_CONTOUR, OnMoveContourTool)
VIEW_ON_UPDATE(ID_TOOL_MOVE_CONTOUR, OnUpdateSubTool)
VIEW_ON_COMMAND(ID_TEXT_BAR, OnTextBar)
VIEW_ON_UPDATE(ID_TEXT_BAR, OnUpdateTextBar)
VIEW_ON_COMMAND(ID_UNROTATE, OnUnRotate)
VIEW_ON_COMMAND(ID_SET_OUT_AREA, OnNothing)
VIEW_ON_UPDATE(ID_SET_OUT_AREA, OnUpdateEnabled)
VIEW_ON_UPDATE(ID_PRINT, OnUpdateEnabled)
VIEW_ON_UPDATE(ID_CUT_OUT, OnUpdateEnabled)
VIEW_ON_COMMAND(ID_LIB_MANAGER, RunDialog<CLibManagerDlg>)
VIEW_ON_COMMAND(ID_LIB_CONVERT, RunDialog<CLibConvertDlg>)
VIEW_ON_COMMAND(ID_NEW_GRAPHLIB, RunDialog<CNewGraphLibDlg>)
FW_END_COMMAND_FAMILY()
