#include <gtest/gtest.h>

#include "model/dllholder.h"
#include "platform/report.h"

namespace {

TEST(DllHolder, LoadsOnceBindsAndReportsAMissingLibrary) {
  plat::RecordingSink sink;
  plat::ScopedReportSink scoped(&sink);
  CTransformDll lib;
  EXPECT_EQ(lib.GetFileName(), "Flexoril.dll");
  EXPECT_FALSE(lib.IsLoaded());
  EXPECT_EQ(lib.GetTransformCount(), 0);
  const plat::HMODULE first = lib.Load();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(lib.Load(), first);  // a held library is not loaded again
  // Every transform entry point is there; the library offers six transforms.
  EXPECT_NE(lib.dllGetTransformInfo, nullptr);
  EXPECT_NE(lib.dllTFGetTransformMatrix, nullptr);
  EXPECT_NE(lib.dllTFCreateTransformFromData, nullptr);
  EXPECT_NE(lib.dllMoveSegHandle, nullptr);
  EXPECT_EQ(lib.GetTransformCount(), 6);
  for (const char* weld : {"dllWeld", "dllWeldCut", "dllWeldAnd", "dllWeldXor", "dllLineCut", "dllFigureCut",
                           "dllSelfWeld", "dllExpand", "dllExpandOutLine"})
    EXPECT_NE(lib.GetProc(weld), nullptr) << weld;
  CWeldLib weld;
  ASSERT_NE(weld.Load(), nullptr);
  EXPECT_TRUE(weld.dllWeld && weld.dllWeldCut && weld.dllWeldAnd && weld.dllWeldXor && weld.dllLineCut &&
              weld.dllFigureCut && weld.dllSelfWeld);
  CExpandLib expand;
  ASSERT_NE(expand.Load(), nullptr);
  EXPECT_TRUE(expand.dllExpand && expand.dllExpandOutLine);

  // Freed, the binding answers nothing and never calls through a stale pointer.
  lib.Unload();
  EXPECT_EQ(lib.dllDoTransform, nullptr);
  EXPECT_EQ(lib.InitTransformSeg(1, CFRect(0, 0, 10, 10)), 0u);
  EXPECT_EQ(lib.DoMouseCmd(0x10000, 0x201, 0, 0, 0), 0u);
  lib.DeleteTransform(0x10000);
  EXPECT_EQ(lib.GetProc("dllNoSuchEntry"), nullptr);
  EXPECT_TRUE(sink.boxes.empty());

  // Another name frees the held library first; a missing one is reported.
  CDllHolder holder("Flexoril.dll");
  ASSERT_NE(holder.Load(), nullptr);
  EXPECT_EQ(holder.Load("NoSuchLib.dll"), nullptr);
  EXPECT_FALSE(holder.IsLoaded());
  EXPECT_EQ(holder.GetFileName(), "NoSuchLib.dll");
  ASSERT_EQ(sink.boxes.size(), 1u);
  EXPECT_EQ(sink.boxes[0].text.rfind(" [NoSuchLib.dll] 打开失败!\n", 0), 0u);
  EXPECT_GT(sink.boxes[0].text.size(), std::string(" [NoSuchLib.dll] 打开失败!\n").size());
  EXPECT_EQ(holder.GetProc("dllWeld"), nullptr);
}

}  // namespace
