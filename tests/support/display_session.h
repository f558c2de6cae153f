// A simulated machine of a given profile with an open session (no driver
// install), and the names of its display devices.
#pragma once
#include <string>

#include "display/display_sim.h"
#include "lumainfo.h"
#include "sim_fixture.h"

inline const char* const kD1 = "\\\\.\\DISPLAY1";
inline const char* const kD2 = "\\\\.\\DISPLAY2";
// A change recorded on a display device, as the simulated display logs it.
inline std::string on(const char* dev, const std::string& what) { return std::string(dev) + " " + what; }

class DisplaySessionTest : public SimTest {
 protected:
  explicit DisplaySessionTest(std::string profile = "dov") : profile_(std::move(profile)) {}
  std::string profile() const override { return profile_; }
  void SetUp() override {
    SimTest::SetUp();
    ASSERT_EQ(opal_open(0), EXIT_OK);
    sim::clear_display_changes();
  }
  void TearDown() override {
    opal_close();
    SimTest::TearDown();
  }
  std::string profile_;
};
