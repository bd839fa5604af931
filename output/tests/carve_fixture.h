// An engraver device over a copy of the test models file, writing into a
// file port in a temporary folder.
#pragma once
#include <memory>
#include <string>

#include "output/carver.h"
#include "output/portfile.h"
#include "output/tests/helpers.h"

class CarveFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(Ini(), ReadBytes(DataPath("Carves.INI")));
    port.SetSettingsPath(dir / "Port.INI");
    port.SetPortName(out().c_str());
  }

  std::string Ini() const { return dir / "Carves.INI"; }
  std::string out() const { return dir / "carve.plt"; }

  std::unique_ptr<CCarveDriver> Device(const char* model) {
    return std::make_unique<CCarveDriver>(model, Ini());
  }

  TempFolder dir;
  CPortFile port;
  std::uint32_t stop = 0;
};
