#include "tests/display/fixture.h"
using namespace platform;
namespace {
using Ints = std::vector<int>;
struct ModesTest : DisplayTest {
  // A driver over these display modes.
  sWinDriver& Over(std::initializer_list<DDModeInfo> list) {
    modes = list;
    SetDisplayModesForTest(&modes);
    return Start();
  }
  std::vector<DDModeInfo> modes;
};
sDisplayMode Request(int w, int h, int kind, int refresh = 0) {
  sDisplayMode r(w, h, kind);
  r.Refresh = refresh;
  return r;
}
const DDModeInfo Vga8{640, 480, FormatIndexed(8)}, Svga8{800, 600, FormatIndexed(8)};
TEST_F(ModesTest, FindModePrefersTheKindThenTheSizeThenTheRefresh) {
  sWinDriver& d = Over({Vga8, {640, 480, Format0565()}, {640, 480, Format8888()}, Svga8});
  ASSERT_EQ(4, d.GetModeCount());
  sDisplayMode request = Request(640, 480, KindIndex8, 75);
  ASSERT_TRUE(d.FindMode(&request));
  EXPECT_EQ((Ints{640, KindIndex8, 0, 2}), (Ints{request.Width, request.Kind, request.Refresh, request.BackBuffers}))
      << "the winner's refresh is copied";
  // Exact kind at another size beats the exact size in another kind.
  driver.reset();
  sWinDriver& e = Over({Svga8, {640, 480, Format0565()}});
  sDisplayMode r2 = Request(640, 480, KindIndex8, 75);
  ASSERT_TRUE(e.FindMode(&r2));
  EXPECT_EQ((Ints{800, 600}), (Ints{r2.Width, r2.Height}));
}
TEST_F(ModesTest, FindModeTiesBackBuffersMemoryAndRefusals) {
  sWinDriver& d = Over({Vga8, Vga8});
  auto set = [&](int backBuffers, int memory0, int memory1) {
    d.GetMode(0)->BackBuffers = d.GetMode(1)->BackBuffers = backBuffers;
    d.GetMode(0)->MemoryLeft = memory0, d.GetMode(1)->MemoryLeft = memory1;
  };
  // Of two equal modes the earlier wins; back buffers are lowered to the
  // mode's, never raised; the memory wanted must be left.
  const struct {
    int modeBack, wantBack, wantMemory, gotBack, gotMemory;
  } cases[] = {{2, 2, 0, 2, 100}, {1, 2, 0, 1, 100}, {1, 0, 0, 0, 100}, {2, 2, 150, 2, 200}};
  for (const auto& c : cases) {
    set(c.modeBack, 100, 200);
    sDisplayMode r(640, 480, KindIndex8);
    r.BackBuffers = c.wantBack, r.MemoryLeft = c.wantMemory;
    ASSERT_TRUE(d.FindMode(&r));
    EXPECT_EQ((Ints{c.gotBack, c.gotMemory}), (Ints{r.BackBuffers, r.MemoryLeft})) << c.modeBack << " " << c.wantBack;
  }
  // Nobody offers back buffers: a request for them fails and keeps its values
  // (with the substituted refresh).
  set(0, 100, 200);
  sDisplayMode refused(320, 200, KindIndex8);
  EXPECT_FALSE(d.FindMode(&refused));
  EXPECT_EQ((Ints{320, 75}), (Ints{refused.Width, refused.Refresh}));
}
TEST_F(ModesTest, FindModeZBufferDirect3DAndRefresh) {
  sWinDriver& d = Over({Vga8, Vga8, Vga8, Svga8});
  // Per mode: Z-buffer, Z back buffers, 3D, refresh; MemoryLeft tells the winner.
  auto set = [&](std::initializer_list<std::vector<int>> all) {
    int i = 0;
    for (const auto& s : all) {
      sDisplayMode* m = d.GetMode(i);
      m->ZBuffer = s[0], m->ZBackBuffers = s[1], m->Use3D = s[2], m->Refresh = s[3], m->MemoryLeft = i++;
    }
  };
  auto find = [&](sDisplayMode r, bool z, int back, bool use3D) {
    r.ZBuffer = z, r.BackBuffers = back, r.Use3D = use3D;
    EXPECT_TRUE(d.FindMode(&r));
    return Ints{r.Width, r.MemoryLeft, r.Refresh};
  };
  // A Z-buffer with back buffers skips a mode without a Z-buffer and one
  // whose Z-buffer leaves no back buffer, however well they score; without
  // back buffers mode 1 will do.
  set({{0, 2, 1, 75}, {1, 0, 1, 75}, {1, 1, 1, 75}, {1, 1, 1, 75}});
  EXPECT_EQ((Ints{640, 2, 75}), find(Request(640, 480, KindIndex8), true, 2, false));
  EXPECT_EQ((Ints{640, 1, 75}), find(Request(640, 480, KindIndex8), true, 0, false));
  // Direct3D wanted: a mode without it loses to any size.
  set({{1, 2, 0, 75}, {1, 2, 0, 75}, {1, 2, 0, 75}, {1, 1, 1, 75}});
  EXPECT_EQ((Ints{800, 3, 75}), find(Request(640, 480, KindIndex8, 75), false, 2, true));
  // The refresh rate decides between modes equal in all else: |75 - 72| wins over an exact 800 x 600.
  set({{0, 0, 0, 60}, {0, 0, 0, 85}, {0, 0, 0, 72}, {0, 0, 0, 75}});
  EXPECT_EQ((Ints{640, 2, 72}), find(Request(640, 480, KindIndex8), false, 2, false));
  EXPECT_EQ(255, ModeScore(Request(640, 480, KindIndex8, 75), Request(640, 480, KindIndex8, 400)))
      << "the refresh term stops at 255";
}
TEST_F(ModesTest, BudgetOfTheClassicModes) {
  sWinDriver& d = Start();
  ASSERT_EQ(55, d.GetModeCount()) << "11 sizes in five kinds";
  // Width, height, kind; back buffers, Z-buffer, Z back buffers, memory left, 3D.
  for (const Ints& w : {Ints{640, 480, KindIndex8, 2, 1, 2, 6852608, 1}, Ints{1280, 1024, Kind8888, 0, 1, 0, 524288, 1}}) {
    std::vector<Ints> found;
    for (int i = 0; i < d.GetModeCount(); ++i) {
      const sDisplayMode* m = d.GetMode(i);
      if (m->Width == w[0] && m->Height == w[1] && m->Kind == w[2])
        found.push_back({m->Width, m->Height, m->Kind, m->BackBuffers, m->ZBuffer, m->ZBackBuffers, m->MemoryLeft, m->Use3D});
    }
    EXPECT_EQ(std::vector<Ints>{w}, found);
  }
  for (const char* line : {"Mode 0640 x 0480, 08 (Index 8), 000 Hz, 2 backbuffers,  6692 kytes left, ZBuffer\n",
                           "Mode 1280 x 1024, 32 (8888-32), 000 Hz, 0 backbuffers,   512 kytes left, ZBuffer\n"})
    EXPECT_NE(std::string::npos, debug.Text().find(line)) << line;
}
TEST_F(ModesTest, UnknownFormatsAreLeftOutAndReported) {
  DDPixelFormat odd = Format0565();
  odd.redMask = 0x001F;
  odd.blueMask = 0xF800;
  sWinDriver& d = Over({{640, 480, odd}, {320, 200, FormatIndexed(8)}});
  EXPECT_EQ((Ints{1, 320}), (Ints{d.GetModeCount(), d.GetMode(0)->Width}));
  const std::string line = "\nUnknown Displayformat:00000040 16 : 0000001F 000007E0 0000F800";
  const size_t first = debug.Text().find(line);
  ASSERT_NE(std::string::npos, first);
  EXPECT_NE(std::string::npos, debug.Text().find(line, first + 1)) << "printed in both passes";
}
TEST_F(ModesTest, StartUpLinesRegistrationAndFailures) {
  sWinDriver& d = Start();
  EXPECT_EQ(0u, debug.Text().find("d3d device <Software rasterizer in system memory> <RGB Emulation>\n"
                                  "d3d device <Software surfaces standing in for a 3D card> <Tessaline HAL>\n"
                                  "d3d selected <Tessaline HAL>\nInfo:\nWindow "));
  EXPECT_NE(std::string::npos, debug.Text().find("\ndd1 "));
  EXPECT_STREQ("Primary Display", d.Name);
  EXPECT_EQ(10, d.Priority);
  EXPECT_EQ(&d, GetDevice(DeviceDisplay, -1));
  EXPECT_EQ(&d, CurrentDisplay());
  driver.reset();
  EXPECT_EQ(nullptr, CurrentDisplay());
  const std::pair<DDFault, const char*> faults[] = {{DDFault::Create, "No Direct Draw V5.0 or later installed!"},
                                                    {DDFault::CooperativeLevel, "Could not get exclusive Direct Draw access"},
                                                    {DDFault::QueryInterface, "No Direct Draw V5.0 or later installed!"},
                                                    {DDFault::QueryDirect3D, "No Direct 3D found"}};
  for (const auto& [fault, message] : faults) {
    InjectDisplayFault(fault);
    EXPECT_FATAL(StartDirectDraw(), message);
  }
  StartDirectDraw();
  InjectDisplayFault(DDFault::AvailableVidMem);
  EXPECT_FATAL(sWinDriver(), "could not determine video memory size");
  sDisplayMode m(320, 200, Kind0888);
  EXPECT_EQ((Ints{24, 2, 0, 0, 0}), (Ints{m.Bits, m.BackBuffers, m.Refresh, m.ZBuffer, m.Use3D}));
  EXPECT_FATAL(sDisplayMode(320, 200, 8), "Assertion in line 754, file system");
}
}  // namespace
