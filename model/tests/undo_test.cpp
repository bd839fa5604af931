#include "model/undo.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "model/settings.h"
#include "platform/report.h"

namespace {

// Shared record of what the instrumented items and the fake view saw.
struct Journal {
  std::vector<std::string> events;
  std::map<int, int> destroyed;  // item id -> destructor calls
  std::map<int, int> undone;     // item id -> Undo calls
  int live = 0;
};

class FakeView : public CUndoView {
 public:
  explicit FakeView(Journal& j) : m_j(j) {}
  void SetStatusText(const std::string& text) override { status.push_back(text); }
  void RepaintView(bool erase) override { m_j.events.push_back(erase ? "repaint+erase" : "repaint"); }
  std::vector<std::string> status;

 private:
  Journal& m_j;
};

class TracedItem : public CUndoItem {
 public:
  TracedItem(Journal& j, int id) : m_j(j), m_id(id) { ++m_j.live; }
  ~TracedItem() override {
    ++m_j.destroyed[m_id];
    --m_j.live;
    m_j.events.push_back("~" + std::to_string(m_id));
  }
  int Undo(CUndoView&) override {
    ++m_j.undone[m_id];
    m_j.events.push_back("undo " + std::to_string(m_id));
    return 1;
  }

 protected:
  Journal& m_j;
  int m_id;
};

// An item whose undo calls an operation that records undo itself.
class RecordingOnUndoItem : public TracedItem {
 public:
  RecordingOnUndoItem(Journal& j, int id, CUndoList& list) : TracedItem(j, id), m_list(list) {}
  int Undo(CUndoView& view) override {
    TracedItem::Undo(view);
    m_list.StartRecord(0);
    m_j.events.push_back("depth " + std::to_string(m_list.GetRecordDepth()));
    int r = m_list.AppendUndoItem(std::make_unique<TracedItem>(m_j, m_id + 1000));
    m_j.events.push_back("append " + std::to_string(r));
    m_list.EndRecord();
    return 1;
  }

 private:
  CUndoList& m_list;
};

struct UndoFixture : ::testing::Test {
  Journal j;
  FakeView view{j};

  // One command recording the given items in one bracket.
  void Command(CUndoList& list, std::vector<int> ids, std::uint32_t repaint = 0) {
    list.StartRecord(repaint);
    for (int id : ids) list.AppendUndoItem(std::make_unique<TracedItem>(j, id));
    list.EndRecord();
  }
  void ExpectEachDestroyedOnce(std::vector<int> ids) {
    for (int id : ids) EXPECT_EQ(j.destroyed[id], 1) << "item " << id;
    EXPECT_EQ(j.live, 0);
  }
};

}  // namespace

TEST_F(UndoFixture, StepLimitKeepsLimitPlusOneAndDropsTheOldest) {
  struct Case {
    std::uint16_t limit;
    int commands;
    int stepsLeft;
    int oldestKept;  // id of the first command still in the list
  } cases[] = {
      {10, 11, 11, 0},  // eleven commands: eleven steps
      {10, 12, 11, 1},  // the twelfth drops the oldest
      {10, 30, 11, 19},
      {0, 1, 1, 0},  // a limit of 0 keeps one step
      {0, 5, 1, 4},
      {2, 4, 3, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "limit " << c.limit << " commands " << c.commands);
    j = Journal{};
    {
      CUndoList list(&view, c.limit);
      for (int k = 0; k < c.commands; ++k) Command(list, {k});
      EXPECT_EQ(list.GetSize(), c.stepsLeft);
      // Dropped steps were destroyed without being undone.
      for (int k = 0; k < c.oldestKept; ++k) {
        EXPECT_EQ(j.destroyed[k], 1) << k;
        EXPECT_EQ(j.undone[k], 0) << k;
      }
      EXPECT_EQ(j.live, c.stepsLeft);
      // The oldest kept step holds the expected command's item.
      ASSERT_TRUE(list.GetStep(0));
      list.UndoLastStep(view);  // undo the newest
      EXPECT_EQ(j.undone[c.commands - 1], 1);
    }
    std::vector<int> all;
    for (int k = 0; k < c.commands; ++k) all.push_back(k);
    ExpectEachDestroyedOnce(all);
  }
}

TEST_F(UndoFixture, TwelfthCommandDropsOldestBeforeItsOwnStepExists) {
  CUndoList list(&view, 10);
  for (int k = 0; k < 11; ++k) Command(list, {k});
  list.StartRecord(0);
  EXPECT_EQ(list.GetSize(), 11);  // nothing dropped yet: the step is created by the first item
  EXPECT_EQ(j.destroyed[0], 0);
  list.AppendUndoItem(std::make_unique<TracedItem>(j, 11));
  EXPECT_EQ(j.destroyed[0], 1);
  EXPECT_EQ(list.GetSize(), 11);
  list.EndRecord();
}

TEST_F(UndoFixture, DefaultStepLimitIsTen) {
  CUndoList list(&view);
  EXPECT_EQ(list.GetStepLimit(), 10);
}

TEST_F(UndoFixture, EmptyBracketMakesNoStepSoUndoTakesBackThePreviousCommand) {
  CUndoList list(&view, 10);
  Command(list, {1});
  Command(list, {});
  list.StartRecord(1);  // even a repaint request alone makes no step
  list.EndRecord();
  EXPECT_EQ(list.GetSize(), 1);
  EXPECT_TRUE(list.UndoLastStep(view));
  EXPECT_EQ(j.undone[1], 1);
  EXPECT_EQ(list.GetSize(), 0);
  EXPECT_FALSE(list.UndoLastStep(view));  // empty list: nothing
  ExpectEachDestroyedOnce({1});
}

TEST_F(UndoFixture, NestedBracketsFormOneStepUndoneInReverse) {
  CUndoList list(&view, 10);
  list.StartRecord(0);
  EXPECT_EQ(list.AppendUndoItem(std::make_unique<TracedItem>(j, 1)), 0);
  list.StartRecord(0);
  EXPECT_EQ(list.GetRecordDepth(), 2);
  EXPECT_EQ(list.AppendUndoItem(std::make_unique<TracedItem>(j, 2)), 1);
  list.StartRecord(0);
  EXPECT_EQ(list.AppendUndoItem(std::make_unique<TracedItem>(j, 3)), 2);
  list.EndRecord();
  list.EndRecord();
  EXPECT_EQ(list.AppendUndoItem(std::make_unique<TracedItem>(j, 4)), 3);
  list.EndRecord();
  EXPECT_EQ(list.GetRecordDepth(), 0);
  ASSERT_EQ(list.GetSize(), 1);
  EXPECT_EQ(list.GetStep(-1)->GetSize(), 4);

  j.events.clear();
  EXPECT_TRUE(list.UndoLastStep(view));
  EXPECT_EQ(j.events, (std::vector<std::string>{"undo 4", "undo 3", "undo 2", "undo 1", "~4", "~3", "~2", "~1"}));
  EXPECT_EQ(list.GetSize(), 0);
  ExpectEachDestroyedOnce({1, 2, 3, 4});
  for (int id : {1, 2, 3, 4}) EXPECT_EQ(j.undone[id], 1);
}

TEST_F(UndoFixture, RepaintMarkerLeadsTheStepAndRunsLast) {
  CUndoList list(&view, 10);
  // Requested at the outer start.
  Command(list, {1, 2}, 1);
  CUndoStep* step = list.GetStep(-1);
  ASSERT_EQ(step->GetSize(), 3);
  EXPECT_EQ(step->GetItem(0)->GetKind(), CUndoItem::kRepaintKind);
  EXPECT_EQ(step->GetItem(1)->GetKind(), 0);

  // Requested by a nested start inside a step that already holds items; a
  // second request adds no second marker.
  list.StartRecord(0);
  list.AppendUndoItem(std::make_unique<TracedItem>(j, 3));
  list.StartRecord(1);
  list.AppendUndoItem(std::make_unique<TracedItem>(j, 4));
  list.StartRecord(1);
  list.AppendUndoItem(std::make_unique<TracedItem>(j, 5));
  list.EndRecord();
  list.EndRecord();
  list.AppendUndoRepaintItem();
  list.EndRecord();
  step = list.GetStep(-1);
  ASSERT_EQ(step->GetSize(), 4);
  EXPECT_EQ(step->GetItem(0)->GetKind(), CUndoItem::kRepaintKind);
  for (int i = 1; i < 4; ++i) EXPECT_NE(step->GetItem(i)->GetKind(), CUndoItem::kRepaintKind) << i;

  j.events.clear();
  list.UndoLastStep(view);
  ASSERT_EQ(j.events.size(), 7u);
  EXPECT_EQ(j.events[0], "undo 5");
  EXPECT_EQ(j.events[2], "undo 3");
  EXPECT_EQ(j.events[3], "repaint");  // after everything else is restored
}

TEST_F(UndoFixture, AppendUndoRepaintItemPaths) {
  CUndoList list(&view, 10);
  // New step pending: the marker comes with the next item.
  list.StartRecord(0);
  list.AppendUndoRepaintItem();
  EXPECT_EQ(list.GetSize(), 0);
  list.AppendUndoItem(std::make_unique<TracedItem>(j, 1));
  ASSERT_EQ(list.GetStep(-1)->GetSize(), 2);
  EXPECT_EQ(list.GetStep(-1)->GetItem(0)->GetKind(), CUndoItem::kRepaintKind);
  // Step with items and a marker already: no second one.
  list.AppendUndoRepaintItem();
  EXPECT_EQ(list.GetStep(-1)->GetSize(), 2);
  list.EndRecord();

  // Step with items and no marker: inserted at once at the front.
  list.StartRecord(0);
  list.AppendUndoItem(std::make_unique<TracedItem>(j, 2));
  CUndoStep* step = list.GetStep(-1);
  list.AppendUndoRepaintItem();
  ASSERT_EQ(step->GetSize(), 2);
  EXPECT_EQ(step->GetItem(0)->GetKind(), CUndoItem::kRepaintKind);
  EXPECT_EQ(step->GetItem(-1)->GetKind(), 0);

  // Empty newest step: the request waits for the next item.
  list.NewStep();
  step = list.GetStep(-1);
  list.AppendUndoRepaintItem();
  EXPECT_TRUE(step->IsEmpty());
  list.AppendUndoItem(std::make_unique<TracedItem>(j, 3));
  ASSERT_EQ(step->GetSize(), 2);
  EXPECT_EQ(step->GetItem(0)->GetKind(), CUndoItem::kRepaintKind);
  list.EndRecord();
  EXPECT_EQ(list.GetSize(), 3);
}

TEST_F(UndoFixture, ItemsOutsideABracketOrWhileSuspendedAreDeleted) {
  CUndoList list(&view, 10);
  EXPECT_EQ(list.AppendUndoItem(std::make_unique<TracedItem>(j, 1)), -1);
  EXPECT_EQ(j.destroyed[1], 1);

  list.StartRecord(0);
  list.Suspend();
  EXPECT_EQ(list.GetRecordDepth(), 0);
  list.StartRecord(0);  // ignored
  list.EndRecord();     // ignored
  EXPECT_EQ(list.AppendUndoItem(std::make_unique<TracedItem>(j, 2)), -1);
  EXPECT_EQ(j.destroyed[2], 1);
  list.Resume();
  EXPECT_EQ(list.GetRecordDepth(), 1);
  list.EndRecord();
  EXPECT_EQ(list.GetSize(), 0);
  EXPECT_EQ(list.AppendUndoItem(nullptr), -1);
  ExpectEachDestroyedOnce({1, 2});
}

TEST_F(UndoFixture, RestoringItemThatRecordsUndoRecordsNothing) {
  CUndoList list(&view, 10);
  list.StartRecord(0);
  list.AppendUndoItem(std::make_unique<RecordingOnUndoItem>(j, 1, list));
  list.EndRecord();
  Command(list, {5});
  list.UndoLastStep(view);
  j.events.clear();
  list.UndoLastStep(view);
  EXPECT_EQ(j.events, (std::vector<std::string>{"undo 1", "depth 0", "~1001", "append -1", "~1"}));
  EXPECT_EQ(list.GetSize(), 0);
  EXPECT_EQ(list.GetRecordDepth(), 0);
  EXPECT_FALSE(list.IsSuspended());
  ExpectEachDestroyedOnce({1, 5, 1001});

  // Undone while an outer bracket is open: the ignored start and end inside
  // leave its depth alone.
  list.StartRecord(0);
  list.StartRecord(0);
  list.AppendUndoItem(std::make_unique<RecordingOnUndoItem>(j, 2, list));
  list.UndoLastStep(view);
  EXPECT_EQ(list.GetRecordDepth(), 2);
  list.EndRecord();
  list.EndRecord();
  EXPECT_EQ(list.GetRecordDepth(), 0);
  ExpectEachDestroyedOnce({2, 1002});
}

TEST_F(UndoFixture, StatusTextFromTheSeventhNestedStart) {
  CUndoList list(&view, 10);
  for (int k = 0; k < 8; ++k) list.StartRecord(0);
  ASSERT_EQ(view.status.size(), 8u);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(view.status[k], "") << k;
  EXPECT_EQ(view.status[6], "iStartRecord=6,iStartRecord");
  EXPECT_EQ(view.status[7], "iStartRecord=7,iStartRecord");
  for (int k = 0; k < 8; ++k) list.EndRecord();
  list.StartRecord(0);  // shallow again: clears the pane
  EXPECT_EQ(view.status.back(), "");
  list.EndRecord();
  list.Suspend();
  list.StartRecord(0);  // suspended: nothing sent
  EXPECT_EQ(view.status.size(), 9u);
  list.Resume();
}

TEST_F(UndoFixture, NoStepFoundShowsBothMessageBoxes) {
  plat::RecordingSink rec;
  plat::ScopedReportSink scope(&rec);
  CUndoList list(&view, 10);
  list.StartRecord(0);
  list.AppendUndoItem(std::make_unique<TracedItem>(j, 1));
  list.DeleteAll();  // the step vanished while the bracket stays open
  EXPECT_EQ(j.destroyed[1], 1);

  list.AppendUndoRepaintItem();
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text, "Cant't AppendUndo Repaint Item,Because can't find UndoStep!");
  EXPECT_EQ(rec.boxes[0].caption, "Error");
  EXPECT_EQ(rec.boxes[0].style, plat::MB_OK);

  EXPECT_EQ(list.AppendUndoItem(std::make_unique<TracedItem>(j, 2)), -1);
  ASSERT_EQ(rec.boxes.size(), 2u);
  EXPECT_EQ(rec.boxes[1].text, "Cant't AppendUndoItem,Because can't find UndoStep!");
  EXPECT_EQ(rec.boxes[1].caption, "Error");
  EXPECT_EQ(rec.boxes[1].style, plat::MB_OK);
  EXPECT_EQ(j.destroyed[2], 1);
  list.EndRecord();

  // The next command opens a step again; the repaint flag left set by the
  // refused request is cleared by the outer start.
  Command(list, {3});
  ASSERT_EQ(list.GetSize(), 1);
  EXPECT_EQ(list.GetStep(-1)->GetSize(), 1);
  EXPECT_EQ(rec.boxes.size(), 2u);
}

TEST_F(UndoFixture, UnmatchedEndRecordClampsAtZero) {
  CUndoList list(&view, 10);
  list.EndRecord();
  list.EndRecord();
  EXPECT_EQ(list.GetRecordDepth(), 0);
  EXPECT_EQ(list.AppendUndoItem(std::make_unique<TracedItem>(j, 1)), -1);
  // One start opens a bracket again, and one end closes it.
  list.StartRecord(0);
  EXPECT_EQ(list.GetRecordDepth(), 1);
  EXPECT_EQ(list.AppendUndoItem(std::make_unique<TracedItem>(j, 2)), 0);
  list.EndRecord();
  EXPECT_EQ(list.GetRecordDepth(), 0);
  EXPECT_EQ(list.AppendUndoItem(std::make_unique<TracedItem>(j, 3)), -1);
  EXPECT_EQ(list.GetSize(), 1);
}

TEST_F(UndoFixture, EveryItemDestroyedExactlyOnceOnEachPath) {
  {
    CUndoList list(&view, 3);
    Command(list, {1, 2});
    Command(list, {3});
    Command(list, {4, 5, 6});
    Command(list, {7});
    Command(list, {8});  // drops {1, 2}
    EXPECT_EQ(j.destroyed[1] + j.destroyed[2], 2);
    list.UndoLastStep(view);  // undone: {8}
    EXPECT_EQ(j.undone[8], 1);
    list.DeleteLastStep();  // deleted without undo: {7}
    list.DeleteOldestStep();  // {3}
    EXPECT_EQ(list.GetSize(), 1);
    Command(list, {9});
    Command(list, {10});
    j.events.clear();
    list.DeleteAll();  // newest step first, each step's items last to first
    EXPECT_EQ(j.events, (std::vector<std::string>{"~10", "~9", "~6", "~5", "~4"}));
    Command(list, {11, 12});
    list.DeleteOldestStep();
    list.DeleteLastStep();  // nothing left: no-ops
    Command(list, {13});
  }  // list destroyed with {13}
  ExpectEachDestroyedOnce({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
  for (int id : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13}) EXPECT_EQ(j.undone[id], 0) << id;
}

TEST_F(UndoFixture, StepAndListIndexing) {
  CUndoList list(&view, 10);
  EXPECT_EQ(list.GetStep(-1), nullptr);
  EXPECT_EQ(list.GetStep(0), nullptr);
  Command(list, {1, 2});
  Command(list, {3});
  EXPECT_EQ(list.GetStep(-1), list.GetStep(1));
  EXPECT_EQ(list.GetStep(2), nullptr);
  EXPECT_EQ(list.GetStep(-2), nullptr);
  CUndoStep* first = list.GetStep(0);
  EXPECT_EQ(first->GetItem(-1), first->GetItem(1));
  EXPECT_EQ(first->GetItem(2), nullptr);
  CUndoStep empty;
  EXPECT_EQ(empty.GetItem(-1), nullptr);
  EXPECT_EQ(empty.GetItem(0), nullptr);
  CUndoItem base;
  EXPECT_EQ(base.Undo(view), 0);
  EXPECT_EQ(base.GetKind(), 0);
  CUndoRepaint marker;
  EXPECT_EQ(marker.Undo(view), 1);
  EXPECT_EQ(j.events.back(), "repaint");
}

TEST(UndoSettings, StepLimitReadFromTheMainSettings) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("tindrel_undo_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  CIniFile settings((dir / "VORLAN98.INI").string());
  EXPECT_EQ(ReadUndoStepLimit(settings), 10);
  struct Case {
    const char* text;
    std::uint16_t limit;
  } cases[] = {{"3", 3}, {"0", 0}, {"25", 25}};
  for (const Case& c : cases) {
    settings.WriteString("SystemParam", "UndoStep", c.text);
    EXPECT_EQ(ReadUndoStepLimit(settings), c.limit) << c.text;
  }
  fs::remove_all(dir);
}
