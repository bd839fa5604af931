#include "platform/report.h"

#include <gtest/gtest.h>

using namespace plat;

TEST(Reports, RecordingSinkGetsTextsAndAnswersDefaultOrScripted) {
  RecordingSink rec;
  ScopedReportSink scope(&rec);
  EXPECT_EQ(MessageBox("数据发送失败", "错误", MB_YESNO | MB_DEFBUTTON2), IDNO);
  rec.replies = {IDYES};
  EXPECT_EQ(MessageBox("a", "b", MB_YESNO | MB_DEFBUTTON2), IDYES);
  MessageBeep(0x30);
  ASSERT_EQ(rec.boxes.size(), 2u);
  EXPECT_EQ(rec.boxes[0].text, "数据发送失败");
  EXPECT_EQ(rec.boxes[0].caption, "错误");
  EXPECT_EQ(rec.beeps, std::vector<unsigned>{0x30});
}

TEST(Reports, DefaultButtonTable) {
  struct Case {
    unsigned style;
    int result;
  } cases[] = {{MB_OK, IDOK},
               {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
               {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
               {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
               {MB_RETRYCANCEL, IDRETRY},
               {MB_YESNO | MB_ICONQUESTION, IDYES}};
  for (const Case& c : cases) EXPECT_EQ(DefaultButton(c.style), c.result) << c.style;
}

TEST(Reports, ScopeRestoresPreviousSink) {
  ReportSink* before = GetReportSink();
  {
    RecordingSink rec;
    ScopedReportSink scope(&rec);
    EXPECT_EQ(GetReportSink(), &rec);
  }
  EXPECT_EQ(GetReportSink(), before);
}
