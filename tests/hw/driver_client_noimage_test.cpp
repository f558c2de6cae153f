// A program that does not carry the driver image cannot install it.
#include <gtest/gtest.h>

#include "hw/driver_client.h"
#include "lumainfo.h"
#include "support/sim_fixture.h"

namespace {

class NoImageTest : public SimTest {};

TEST_F(NoImageTest, InstallFailsWithTheSystemErrorText) {
  StdoutCapture capture;
  EXPECT_EQ(opal_open(1), EXIT_OS_CALL_ERROR);
  std::string out = capture.stop();
  EXPECT_NE(out.find("The specified resource type cannot be found in the image file."), std::string::npos) << out;
  EXPECT_FALSE(driver_loaded);
  EXPECT_TRUE(machine().state("services").keys().empty());
  EXPECT_NE(opal_close(), 0);
}

}  // namespace
