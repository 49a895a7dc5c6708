// The example's cube drawn through the driver.
#include <vector>

#include "tests/display/fixture.h"
#include "tools/spin3d/spin.h"

namespace {

class SpinTest : public DisplayTest {};

TEST_F(SpinTest, CubeCoversTheCentreAndTurns) {
  Start();
  mode = sDisplayMode(640, 480, Kind0565);
  mode.Use3D = 1;
  mode.ZBuffer = 1;
  ASSERT_TRUE(driver->FindMode(&mode));
  driver->SetDisplayMode(&mode);
  sSpinCube cube(driver.get());
  cube.Prepare(&mode);
  const uint16_t background = static_cast<uint16_t>(driver->ColorToIndex(16, 20, 40, 255));
  cube.Draw(0);
  EXPECT_NE(background, At16(320, 240));
  EXPECT_EQ(background, At16(0, 0));
  EXPECT_EQ(background, At16(639, 479));
  std::vector<uint16_t> first;
  for (int y = 0; y < 480; y += 7)
    for (int x = 0; x < 640; x += 7) first.push_back(At16(x, y));
  cube.Draw(700);
  int changed = 0;
  size_t i = 0;
  for (int y = 0; y < 480; y += 7)
    for (int x = 0; x < 640; x += 7) changed += At16(x, y) != first[i++];
  EXPECT_GT(changed, 500);
}

}  // namespace
