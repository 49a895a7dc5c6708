#include <vector>

#include "tests/display/fixture.h"

using namespace platform;

namespace {

std::vector<DDModeInfo> List(std::initializer_list<std::pair<std::pair<int, int>, DDPixelFormat>> modes) {
  std::vector<DDModeInfo> v;
  for (auto& m : modes) v.push_back({m.first.first, m.first.second, m.second});
  return v;
}

using ModesTest = DisplayTest;

TEST_F(ModesTest, FindModePrefersTheKindThenTheSizeThenTheRefresh) {
  const auto modes = List({{{640, 480}, FormatIndexed(8)},
                           {{640, 480}, Format0565()},
                           {{640, 480}, Format8888()},
                           {{800, 600}, FormatIndexed(8)}});
  SetDisplayModesForTest(&modes);
  sWinDriver& d = Start();
  ASSERT_EQ(4, d.GetModeCount());
  sDisplayMode request(640, 480, KindIndex8);
  EXPECT_EQ(75, ModeScore([] {
              sDisplayMode r(640, 480, KindIndex8);
              r.Refresh = 75;
              return r;
            }(), *d.GetMode(0)));
  ASSERT_TRUE(d.FindMode(&request));
  EXPECT_EQ(640, request.Width);
  EXPECT_EQ(KindIndex8, request.Kind);
  EXPECT_EQ(0, request.Refresh) << "the winner's refresh is copied";
  EXPECT_EQ(2, request.BackBuffers);

  // Exact kind at another size beats the exact size in another kind.
  const auto other = List({{{800, 600}, FormatIndexed(8)}, {{640, 480}, Format0565()}});
  SetDisplayModesForTest(&other);
  driver.reset();
  sWinDriver& e = Start();
  sDisplayMode r2(640, 480, KindIndex8);
  r2.Refresh = 75;
  EXPECT_EQ((36 << 8) + 75, ModeScore(r2, *e.GetMode(0)));
  EXPECT_EQ((3 << 16) + 75, ModeScore(r2, *e.GetMode(1)));
  ASSERT_TRUE(e.FindMode(&r2));
  EXPECT_EQ((std::vector<int>{800, 600}), (std::vector<int>{r2.Width, r2.Height}));
}

TEST_F(ModesTest, FindModeTiesBackBuffersAndRefusals) {
  const auto modes = List({{{640, 480}, FormatIndexed(8)}, {{640, 480}, FormatIndexed(8)}});
  SetDisplayModesForTest(&modes);
  sWinDriver& d = Start();
  d.GetMode(0)->MemoryLeft = 100;
  d.GetMode(1)->MemoryLeft = 200;
  sDisplayMode request(640, 480, KindIndex8);
  ASSERT_TRUE(d.FindMode(&request));
  EXPECT_EQ(100, request.MemoryLeft) << "of two equal modes the earlier wins";

  // Back buffers are lowered to the mode's, never raised.
  d.GetMode(0)->BackBuffers = 1;
  d.GetMode(1)->BackBuffers = 1;
  sDisplayMode two(640, 480, KindIndex8);
  ASSERT_TRUE(d.FindMode(&two));
  EXPECT_EQ(1, two.BackBuffers);
  sDisplayMode none(640, 480, KindIndex8);
  none.BackBuffers = 0;
  ASSERT_TRUE(d.FindMode(&none));
  EXPECT_EQ(0, none.BackBuffers);

  // Nobody offers back buffers: a request for them fails and keeps its values
  // (with the substituted refresh).
  d.GetMode(0)->BackBuffers = 0;
  d.GetMode(1)->BackBuffers = 0;
  sDisplayMode refused(320, 200, KindIndex8);
  EXPECT_FALSE(d.FindMode(&refused));
  EXPECT_EQ(320, refused.Width);
  EXPECT_EQ(75, refused.Refresh);

  // The memory wanted must be left.
  d.GetMode(0)->BackBuffers = 2;
  d.GetMode(1)->BackBuffers = 2;
  sDisplayMode greedy(640, 480, KindIndex8);
  greedy.MemoryLeft = 150;
  ASSERT_TRUE(d.FindMode(&greedy));
  EXPECT_EQ(200, greedy.MemoryLeft) << "mode 0 has too little memory left";
}

TEST_F(ModesTest, FindModeZBufferDirect3DAndRefresh) {
  const auto modes = List({{{640, 480}, FormatIndexed(8)},
                           {{640, 480}, FormatIndexed(8)},
                           {{640, 480}, FormatIndexed(8)},
                           {{800, 600}, FormatIndexed(8)}});
  SetDisplayModesForTest(&modes);
  sWinDriver& d = Start();
  auto set = [&](int i, bool z, int zBack, bool d3d, int refresh) {
    sDisplayMode* m = d.GetMode(i);
    m->ZBuffer = z, m->ZBackBuffers = zBack, m->Use3D = d3d, m->Refresh = refresh;
    m->MemoryLeft = i;  // tells the winner
  };
  // A Z-buffer with back buffers skips a mode without a Z-buffer and one
  // whose Z-buffer leaves no back buffer, however well they score.
  set(0, false, 2, true, 75);
  set(1, true, 0, true, 75);
  set(2, true, 1, true, 75);
  set(3, true, 1, true, 75);
  sDisplayMode z(640, 480, KindIndex8);
  z.ZBuffer = true;
  ASSERT_TRUE(d.FindMode(&z));
  EXPECT_EQ(2, z.MemoryLeft);
  sDisplayMode zFront(640, 480, KindIndex8);  // no back buffers: mode 1 will do
  zFront.ZBuffer = true;
  zFront.BackBuffers = 0;
  ASSERT_TRUE(d.FindMode(&zFront));
  EXPECT_EQ(1, zFront.MemoryLeft);

  // Direct3D wanted: a mode without it pays 2 << 24, more than any size.
  set(0, true, 2, false, 75);
  set(1, true, 2, false, 75);
  set(2, true, 2, false, 75);
  sDisplayMode d3d(640, 480, KindIndex8);
  d3d.Use3D = true;
  d3d.Refresh = 75;
  EXPECT_EQ((2 << 24) + 0, ModeScore(d3d, *d.GetMode(0)));
  ASSERT_TRUE(d.FindMode(&d3d));
  EXPECT_EQ(800, d3d.Width);

  // The refresh rate decides between modes equal in all else: |75 - 72| wins.
  set(0, false, 0, false, 60);
  set(1, false, 0, false, 85);
  set(2, false, 0, false, 72);
  set(3, false, 0, false, 75);  // exact, but 800 x 600
  sDisplayMode rate(640, 480, KindIndex8);
  ASSERT_TRUE(d.FindMode(&rate));
  EXPECT_EQ(72, rate.Refresh);
  EXPECT_EQ(2, rate.MemoryLeft);
  EXPECT_EQ(255, ModeScore(rate, [] {
              sDisplayMode far(640, 480, KindIndex8);
              far.Refresh = 400;
              return far;
            }())) << "the refresh term stops at 255";
}

TEST_F(ModesTest, BudgetOfTheClassicModes) {
  sWinDriver& d = Start();
  ASSERT_EQ(55, d.GetModeCount()) << "11 sizes in five kinds";
  // Width, height, kind; back buffers, Z-buffer, Z back buffers, memory left, 3D.
  const std::vector<int> want[] = {{640, 480, KindIndex8, 2, 1, 2, 6852608, 1}, {1280, 1024, Kind8888, 0, 1, 0, 524288, 1}};
  for (const auto& w : want) {
    int found = 0;
    for (int i = 0; i < d.GetModeCount(); ++i) {
      const sDisplayMode* m = d.GetMode(i);
      if (m->Width != w[0] || m->Height != w[1] || m->Kind != w[2]) continue;
      ++found;
      EXPECT_EQ(w, (std::vector<int>{m->Width, m->Height, m->Kind, m->BackBuffers, m->ZBuffer, m->ZBackBuffers,
                                     m->MemoryLeft, m->Use3D}));
    }
    EXPECT_EQ(1, found) << w[0];
  }
  EXPECT_NE(std::string::npos,
            debug.Text().find("Mode 0640 x 0480, 08 (Index 8), 000 Hz, 2 backbuffers,  6692 kytes left, ZBuffer\n"));
  EXPECT_NE(std::string::npos,
            debug.Text().find("Mode 1280 x 1024, 32 (8888-32), 000 Hz, 0 backbuffers,   512 kytes left, ZBuffer\n"));
}

TEST_F(ModesTest, UnknownFormatsAreLeftOutAndReported) {
  DDPixelFormat odd = Format0565();
  odd.redMask = 0x001F;
  odd.blueMask = 0xF800;
  const auto modes = List({{{640, 480}, odd}, {{320, 200}, FormatIndexed(8)}});
  SetDisplayModesForTest(&modes);
  sWinDriver& d = Start();
  EXPECT_EQ(1, d.GetModeCount());
  EXPECT_EQ(320, d.GetMode(0)->Width);
  const std::string line = "\nUnknown Displayformat:00000040 16 : 0000001F 000007E0 0000F800";
  const std::string& text = debug.Text();
  const size_t first = text.find(line);
  ASSERT_NE(std::string::npos, first);
  EXPECT_NE(std::string::npos, text.find(line, first + 1)) << "printed in both passes";
}

TEST_F(ModesTest, StartUpLinesAndRegistration) {
  sWinDriver& d = Start();
  const std::string& text = debug.Text();
  EXPECT_EQ(0u, text.find("d3d device <Software rasterizer in system memory> <RGB Emulation>\n"
                          "d3d device <Software surfaces standing in for a 3D card> <Tessaline HAL>\n"
                          "d3d selected <Tessaline HAL>\nInfo:\nWindow "));
  EXPECT_NE(std::string::npos, text.find("\ndd1 "));
  EXPECT_STREQ("Primary Display", d.Name);
  EXPECT_EQ(10, d.Priority);
  EXPECT_EQ(&d, GetDevice(DeviceDisplay, -1));
  EXPECT_EQ(&d, CurrentDisplay());
  driver.reset();
  EXPECT_EQ(nullptr, CurrentDisplay());
}

TEST_F(ModesTest, StartUpFailures) {
  InjectDisplayFault(DDFault::Create);
  EXPECT_FATAL(StartDirectDraw(), "No Direct Draw V5.0 or later installed!");
  InjectDisplayFault(DDFault::CooperativeLevel);
  EXPECT_FATAL(StartDirectDraw(), "Could not get exclusive Direct Draw access");
  InjectDisplayFault(DDFault::QueryInterface);
  EXPECT_FATAL(StartDirectDraw(), "No Direct Draw V5.0 or later installed!");
  InjectDisplayFault(DDFault::QueryDirect3D);
  EXPECT_FATAL(StartDirectDraw(), "No Direct 3D found");
  StartDirectDraw();
  InjectDisplayFault(DDFault::AvailableVidMem);
  EXPECT_FATAL(sWinDriver(), "could not determine video memory size");
}

TEST_F(ModesTest, DisplayModeRecordAndKindAssertion) {
  sDisplayMode m(320, 200, Kind0888);
  EXPECT_EQ((std::vector<int>{24, 2, 0, 0, 0}), (std::vector<int>{m.Bits, m.BackBuffers, m.Refresh, m.ZBuffer, m.Use3D}));
  EXPECT_FATAL(sDisplayMode(320, 200, 8), "Assertion in line 754, file system");
}

}  // namespace
