// The undo manager: a bounded list of undo steps, each holding the typed undo
// items that one editing command recorded.
//
// Ownership is carried by the types: the list owns its steps, a step owns its
// items (std::unique_ptr), and an item owns whatever its kind says it owns.
// An item handed to AppendUndoItem belongs to the list from then on, whatever
// the result. Every item is destroyed exactly once: when its step is deleted
// after being undone, when the step is dropped as the oldest, or when the list
// is cleared or destroyed.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the undo manager and its items need of the view that owns the list.
// The design view implements it; item kinds that need more of the view reach
// it through their own interface derived from this one.
class CUndoView {
 public:
  virtual ~CUndoView() = default;
  // Text for the first pane of the status bar (the main frame's private
  // status command 0x8052). An empty text clears the pane.
  virtual void SetStatusText(const std::string& text) = 0;
  // Invalidates the whole client area of the view.
  virtual void RepaintView(bool erase) = 0;
};

// Base of every undo item kind.
class CUndoItem {
 public:
  static constexpr std::uint16_t kRepaintKind = 0x8000;

  explicit CUndoItem(std::uint16_t kind = 0) : m_kind(kind) {}
  virtual ~CUndoItem() = default;
  CUndoItem(const CUndoItem&) = delete;
  CUndoItem& operator=(const CUndoItem&) = delete;

  // Takes the recorded change back in the view; 1 when done. The base does
  // nothing and returns 0.
  virtual int Undo(CUndoView& view);
  std::uint16_t GetKind() const { return m_kind; }

 private:
  std::uint16_t m_kind;
};

// The repaint marker: always at the front of its step, so it runs last and
// repaints the whole view after everything else is restored.
class CUndoRepaint : public CUndoItem {
 public:
  CUndoRepaint() : CUndoItem(kRepaintKind) {}
  int Undo(CUndoView& view) override;
};

// The items one command recorded, in recording order.
class CUndoStep {
 public:
  CUndoStep() = default;
  ~CUndoStep();
  CUndoStep(const CUndoStep&) = delete;
  CUndoStep& operator=(const CUndoStep&) = delete;

  int GetSize() const { return static_cast<int>(m_items.size()); }
  bool IsEmpty() const { return m_items.empty(); }
  // Item i, -1 = the last; null when out of range or empty.
  CUndoItem* GetItem(int i) const;
  // Appends the item; returns its index.
  int Add(std::unique_ptr<CUndoItem> item);
  void InsertAt(int i, std::unique_ptr<CUndoItem> item);
  // Deletes every item, from the last to the first.
  void DeleteAll();

 private:
  std::vector<std::unique_ptr<CUndoItem>> m_items;
};

class CIniFile;

// The step limit "UndoStep" from section "SystemParam" of the main settings
// file "VORLAN98.INI" (or of the given one), default 10.
std::uint16_t ReadUndoStepLimit();
std::uint16_t ReadUndoStepLimit(const CIniFile& settings);

// The undo list of one design view, oldest step first.
class CUndoList {
 public:
  static constexpr std::uint16_t kDefaultStepLimit = 10;

  // Step limit from the settings (ReadUndoStepLimit).
  explicit CUndoList(CUndoView* view = nullptr);
  CUndoList(CUndoView* view, std::uint16_t stepLimit);
  ~CUndoList();
  CUndoList(const CUndoList&) = delete;
  CUndoList& operator=(const CUndoList&) = delete;

  // Opens or nests a recording bracket; a non-zero request puts a repaint
  // marker at the front of the step.
  void StartRecord(std::uint32_t repaint);
  // Closes one bracket level (never below 0).
  void EndRecord();
  // 0 while suspended, else the bracket depth. Build an undo item only when
  // this is not 0.
  int GetRecordDepth() const;

  // Takes the item over. Returns its index in the current step, or -1 when it
  // was refused and deleted (nothing recording, or no step).
  int AppendUndoItem(std::unique_ptr<CUndoItem> item);
  // Asks for a repaint marker at the front of the current step.
  void AppendUndoRepaintItem();

  void Suspend() { m_suspended = 1; }
  void Resume() { m_suspended = 0; }
  bool IsSuspended() const { return m_suspended != 0; }

  int GetSize() const { return static_cast<int>(m_steps.size()); }
  // Step i, -1 = the newest; null when out of range or empty.
  CUndoStep* GetStep(int i) const;
  // Drops the oldest step when the list already holds more than the limit,
  // then appends an empty step; returns its index.
  int NewStep();
  void DeleteOldestStep();
  void DeleteLastStep();
  // Deletes every step, from the newest to the oldest.
  void DeleteAll();

  // Undoes the newest step with recording suspended: its items run from the
  // last to the first, then the step is deleted. False when there is none.
  // The caller erases and redraws its selection marks around this.
  bool UndoLastStep(CUndoView& view);

  std::uint16_t GetStepLimit() const { return m_stepLimit; }

 private:
  CUndoView* m_view;
  std::vector<std::unique_ptr<CUndoStep>> m_steps;
  std::uint16_t m_stepLimit;
  std::uint32_t m_repaintPending = 0;
  std::uint32_t m_suspended = 0;
  std::int32_t m_depth = 0;
  std::uint32_t m_newStepPending = 0;
};

// The append operation every editing command uses.
inline int AppendUndoItem(CUndoList& list, std::unique_ptr<CUndoItem> item) {
  return list.AppendUndoItem(std::move(item));
}
