#include "output/cutinfo.h"

#include <gtest/gtest.h>

#include "output/tests/helpers.h"
#include "platform/ini.h"

TEST(CutInfoTest, DefaultsOfAMissingSection) {
  TempFolder dir;
  CIniFile ini(dir / "Cutters.INI");
  CCutInfo info;
  EXPECT_EQ(info.colorIndex, -1);
  EXPECT_EQ(info.testWidth, 0u);
  info.colorIndex = 3;
  info.Load(ini);
  EXPECT_EQ(info.colorIndex, -1);
  EXPECT_EQ(info.port, "COM2");
  EXPECT_FLOAT_EQ(info.Width(), 400.0f);
  EXPECT_FLOAT_EQ(info.Height(), 900.0f);
  EXPECT_EQ(info.testWidth, 18u);
  EXPECT_EQ(info.autoFeed, 1u);
  EXPECT_EQ(info.sort, 1u);
  EXPECT_EQ(info.penSpeed, 60);
  EXPECT_FLOAT_EQ(info.curveAccurate, 2.0f);
  EXPECT_FLOAT_EQ(info.zoomCut, 1.0f);
  EXPECT_FLOAT_EQ(info.solidCut, 2.0f);
  EXPECT_FLOAT_EQ(info.voidCut, 0.0f);
  EXPECT_EQ(info.mmPageGap, 20u);
}

TEST(CutInfoTest, OutOfRangeAndNonFiniteValues) {
  TempFolder dir;
  struct Case {
    const char* accurate;
    const char* zoom;
    float wantAccurate, wantZoom;
  } cases[] = {
      {"0.2", "0", 0.5f, 1.0f},      {"0.5", "-1", 0.5f, 1.0f},   {"3.25", "0.5", 3.25f, 0.5f},
      {"nan", "nan", 2.0f, 1.0f},    {"inf", "-inf", 2.0f, 1.0f}, {"abc", "x", 0.5f, 1.0f},
      {"1e39", "1e39", 2.0f, 1.0f},
  };
  for (const Case& c : cases) {
    WriteBytes(dir / "C.INI", std::string("[CutInfo]\nCurveAccurate=") + c.accurate + "\nZoomCut=" + c.zoom +
                                  "\nPort=LPT1-too-long\nSolidCut=3.9\nVoidCut=1\n");
    CIniFile ini(dir / "C.INI");
    CCutInfo info;
    info.Load(ini);
    EXPECT_FLOAT_EQ(info.curveAccurate, c.wantAccurate) << c.accurate;
    EXPECT_FLOAT_EQ(info.zoomCut, c.wantZoom) << c.zoom;
    EXPECT_EQ(info.port, "LPT1");
    EXPECT_FLOAT_EQ(info.solidCut, 3.0f);  // read as an integer
    EXPECT_FLOAT_EQ(info.voidCut, 1.0f);
  }
}

TEST(CutInfoTest, SaveWritesTheStoredKeysOnly) {
  TempFolder dir;
  CIniFile ini(dir / "Cutters.INI");
  CCutInfo info;
  info.Load(ini);
  info.MoveTo(10.0f, 20.0f);
  info.SetWidth(400.7f);
  info.SetHeight(899.99f);
  info.port = "File";
  info.curveAccurate = 1.5f;
  info.penSpeed = 5;
  info.solidCut = 7.0f;
  info.halfCut = 1;
  info.Save(ini);
  const std::string f = dir / "Cutters.INI";
  EXPECT_EQ(plat::GetPrivateProfileValue("CutInfo", "PaperWidth", f).value_or(""), "400");
  EXPECT_EQ(plat::GetPrivateProfileValue("CutInfo", "PaperHeight", f).value_or(""), "899");
  EXPECT_EQ(plat::GetPrivateProfileValue("CutInfo", "CurveAccurate", f).value_or(""), "1.5000");
  EXPECT_EQ(plat::GetPrivateProfileValue("CutInfo", "Port", f).value_or(""), "File");
  for (const char* key : {"SetForce", "PenSpeed", "PenForce", "SolidCut", "VoidCut"})
    EXPECT_FALSE(plat::GetPrivateProfileValue("CutInfo", key, f).has_value()) << key;
  CCutInfo back;
  back.MoveTo(1.0f, 2.0f);
  back.Load(ini);
  EXPECT_FLOAT_EQ(back.left, 1.0f);  // the position stays
  EXPECT_FLOAT_EQ(back.Width(), 400.0f);
  EXPECT_EQ(back.halfCut, 1u);
  EXPECT_EQ(back.port, "File");
  EXPECT_FLOAT_EQ(back.curveAccurate, 1.5f);
}
