// A cutter device over a copy of the test models file, writing into a file
// port in a temporary folder.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "model/pathobject.h"
#include "output/cutinfo.h"
#include "output/cutter.h"
#include "output/tests/helpers.h"

class CutterFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir / "Cutters.INI", ReadBytes(DataPath("Cutters.INI")));
    ini.SetPath(dir / "Cutters.INI");
  }

  // A device for the model, its port a file in the folder.
  std::unique_ptr<CCutterDriver> Device(const char* model) {
    auto dev = std::make_unique<CCutterDriver>(model, ini);
    dev->port.SetSettingsPath(dir / "Port.INI");
    dev->port.SetPortName(out().c_str());
    return dev;
  }

  // The job parameters as the cut bar hands them over for the device.
  CCutInfo Info(const CCutterDriver& dev) {
    CCutInfo info;
    info.Load(ini);
    info.knifeOffset = dev.offset;
    info.overCut = dev.overcut;
    info.penMode = dev.penMode;
    info.solidCut = 2.0f;
    info.voidCut = 0.2f;
    return info;
  }

  // BeginJob, the drawing, EndJob with the feed, ClosePort: the stream.
  std::string Job(CCutterDriver& dev, CCutInfo& info, const std::function<void(CCutterDriver&)>& draw,
                  float feed = 0.0f) {
    EXPECT_TRUE(dev.BeginJob(nullptr, info));
    draw(dev);
    dev.EndJob(info, feed);
    dev.ClosePort();
    return ReadBytes(out());
  }

  std::string out() const { return dir / "job.plt"; }
  // The stream so far, the port still open.
  std::string Written(CCutterDriver& dev) {
    EXPECT_TRUE(dev.port.Flush());
    return ReadBytes(out());
  }

  TempFolder dir;
  CIniFile ini;
};

// Paths in plotter units.
inline std::unique_ptr<CPathObject> Square(float x, float y, float side) {
  auto p = std::make_unique<CPathObject>();
  p->AddRectangle(x, y, x + side, y + side);
  p->EndPoints();
  return p;
}
