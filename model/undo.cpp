#include "model/undo.h"

#include <cstdio>
#include <utility>

#include "model/settings.h"
#include "platform/report.h"

int CUndoItem::Undo(CUndoView&) { return 0; }

int CUndoRepaint::Undo(CUndoView& view) {
  view.RepaintView(false);
  return 1;
}

// ---------------------------------------------------------------------------

CUndoStep::~CUndoStep() { DeleteAll(); }

CUndoItem* CUndoStep::GetItem(int i) const {
  if (m_items.empty()) return nullptr;
  if (i == -1) return m_items.back().get();
  if (i < 0 || i >= GetSize()) return nullptr;
  return m_items[static_cast<std::size_t>(i)].get();
}

int CUndoStep::Add(std::unique_ptr<CUndoItem> item) {
  m_items.push_back(std::move(item));
  return GetSize() - 1;
}

void CUndoStep::InsertAt(int i, std::unique_ptr<CUndoItem> item) {
  if (i < 0) i = 0;
  if (i > GetSize()) i = GetSize();
  m_items.insert(m_items.begin() + i, std::move(item));
}

void CUndoStep::DeleteAll() {
  // Last to first; each item leaves the array before it is destroyed.
  while (!m_items.empty()) {
    std::unique_ptr<CUndoItem> item = std::move(m_items.back());
    m_items.pop_back();
    item.reset();
  }
}

// ---------------------------------------------------------------------------

CUndoList::CUndoList(CUndoView* view) : CUndoList(view, ReadUndoStepLimit()) {}

CUndoList::CUndoList(CUndoView* view, std::uint16_t stepLimit) : m_view(view), m_stepLimit(stepLimit) {}

CUndoList::~CUndoList() { DeleteAll(); }

void CUndoList::StartRecord(std::uint32_t repaint) {
  if (m_suspended) return;
  if (m_depth == 0) {
    m_repaintPending = 0;
    m_newStepPending = 1;
  }
  if (repaint) m_repaintPending = 1;
  std::string status;
  if (m_depth >= 6) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "iStartRecord=%d,iStartRecord", static_cast<int>(m_depth));
    status = buf;
  }
  if (m_view) m_view->SetStatusText(status);
  ++m_depth;
}

void CUndoList::EndRecord() {
  if (m_suspended) return;
  // An unmatched end must not leave a negative depth, which would read as
  // recording outside any bracket.
  if (m_depth > 0) --m_depth;
}

int CUndoList::GetRecordDepth() const { return m_suspended ? 0 : m_depth; }

int CUndoList::AppendUndoItem(std::unique_ptr<CUndoItem> item) {
  if (!item) return -1;
  if (GetRecordDepth() == 0) return -1;  // item deleted on return
  if (m_newStepPending) NewStep();
  CUndoStep* step = GetStep(-1);
  if (!step) {
    plat::MessageBox("Cant't AppendUndoItem,Because can't find UndoStep!", "Error", plat::MB_OK);
    return -1;
  }
  if (m_repaintPending) {
    CUndoItem* first = step->GetItem(0);
    if (!first || first->GetKind() != CUndoItem::kRepaintKind) step->InsertAt(0, std::make_unique<CUndoRepaint>());
  }
  m_repaintPending = 0;
  m_newStepPending = 0;
  return step->Add(std::move(item));
}

void CUndoList::AppendUndoRepaintItem() {
  m_repaintPending = 1;
  if (m_newStepPending) return;
  CUndoStep* step = GetStep(-1);
  if (!step) {
    plat::MessageBox("Cant't AppendUndo Repaint Item,Because can't find UndoStep!", "Error", plat::MB_OK);
    return;
  }
  if (step->IsEmpty()) return;  // the next append puts the marker in
  if (step->GetItem(0)->GetKind() != CUndoItem::kRepaintKind) step->InsertAt(0, std::make_unique<CUndoRepaint>());
  m_repaintPending = 0;
}

CUndoStep* CUndoList::GetStep(int i) const {
  if (m_steps.empty()) return nullptr;
  if (i == -1) return m_steps.back().get();
  if (i < 0 || i >= GetSize()) return nullptr;
  return m_steps[static_cast<std::size_t>(i)].get();
}

int CUndoList::NewStep() {
  if (GetSize() > static_cast<int>(m_stepLimit)) DeleteOldestStep();
  m_steps.push_back(std::make_unique<CUndoStep>());
  return GetSize() - 1;
}

void CUndoList::DeleteOldestStep() {
  if (m_steps.empty()) return;
  std::unique_ptr<CUndoStep> step = std::move(m_steps.front());
  m_steps.erase(m_steps.begin());
  step.reset();
}

void CUndoList::DeleteLastStep() {
  if (m_steps.empty()) return;
  std::unique_ptr<CUndoStep> step = std::move(m_steps.back());
  m_steps.pop_back();
  step.reset();
}

void CUndoList::DeleteAll() {
  while (!m_steps.empty()) DeleteLastStep();
}

bool CUndoList::UndoLastStep(CUndoView& view) {
  CUndoStep* step = GetStep(-1);
  if (!step) return false;
  Suspend();
  for (int i = step->GetSize() - 1; i >= 0; --i) step->GetItem(i)->Undo(view);
  DeleteLastStep();
  Resume();
  return true;
}

std::uint16_t ReadUndoStepLimit(const CIniFile& settings) {
  return static_cast<std::uint16_t>(settings.GetInt("SystemParam", "UndoStep", CUndoList::kDefaultStepLimit));
}

std::uint16_t ReadUndoStepLimit() { return ReadUndoStepLimit(g_IniFile); }
