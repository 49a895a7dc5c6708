// The platform's software surfaces on their own.
#include <gtest/gtest.h>
#include <cstring>
#include "platform/display.h"
using namespace platform;
namespace {
struct Surfaces : ::testing::Test {
  void SetUp() override {
    ClearDisplayFaults();
    ASSERT_EQ(DD_OK, DirectDrawCreate(&dd));
    ASSERT_EQ(DD_OK, dd->SetDisplayMode(32, 16, 8));
  }
  void TearDown() override {
    for (DDSurface* s : made) s->Release();
    dd->Release();
  }
  DDSurface* Plain(int w, int h) {
    DDSurfaceDesc d;
    d.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    d.width = w, d.height = h;
    DDSurface* s = nullptr;
    if (dd->CreateSurface(d, &s) == DD_OK) made.push_back(s);
    return s;
  }
  DirectDraw* dd = nullptr;
  std::vector<DDSurface*> made;
};
TEST_F(Surfaces, CreatedZeroedAndFilledInside) {
  DDSurface* s = Plain(8, 4);
  ASSERT_NE(nullptr, s);
  for (int i = 0; i < s->Pitch() * 4; ++i) ASSERT_EQ(0, s->Memory()[i]);
  const DDRect r{2, 1, 4, 3};
  EXPECT_EQ(DD_OK, s->ColorFill(&r, 7));
  EXPECT_EQ(7, s->Memory()[s->Pitch() * 2 + 3]);
  EXPECT_EQ(0, s->Memory()[s->Pitch() * 2 + 4]);
  // The blitter refuses rather than clips.
  const DDRect bad[] = {{2, 1, 2, 3}, {4, 1, 2, 3}, {-1, 0, 2, 2}, {0, 0, 9, 1}, {0, 3, 1, 5}};
  for (const DDRect& b : bad) EXPECT_EQ(DDERR_INVALIDRECT, s->ColorFill(&b, 9));
  for (int i = 0; i < s->Pitch() * 4; ++i) ASSERT_NE(9, s->Memory()[i]);
}
TEST_F(Surfaces, CopiesWithAndWithoutTheSourceKey) {
  DDSurface* src = Plain(4, 1);
  DDSurface* dst = Plain(8, 2);
  const DDRect all{0, 0, 4, 1};
  uint8_t* p;
  int pitch;
  ASSERT_EQ(DD_OK, src->Lock(&p, &pitch, DDLOCK_WAIT));
  std::memcpy(p, "\0\5\0\6", 4);
  EXPECT_EQ(DDERR_SURFACEBUSY, dst->BltFast(0, 0, src, all, 0)) << "a locked source";
  src->Unlock();
  const DDRect fill{0, 1, 8, 2};
  dst->ColorFill(&fill, 3);
  src->SetColorKey(0, 0);
  EXPECT_EQ(DD_OK, dst->BltFast(2, 1, src, all, DDBLTFAST_SRCCOLORKEY));
  EXPECT_EQ(0, std::memcmp(dst->Memory() + dst->Pitch() + 2, "\3\5\3\6", 4)) << "key 0 leaves the target";
  EXPECT_EQ(DD_OK, dst->BltFast(0, 0, src, all, 0));
  EXPECT_EQ(0, dst->Memory()[0]);
  // Reaching past the target on either side, or inverted, is refused.
  for (const auto& [x, r] : {std::pair{5, all}, {-1, all}, {0, DDRect{3, 0, 1, 1}}})
    EXPECT_EQ(DDERR_INVALIDRECT, dst->BltFast(x, 0, src, r, 0)) << x;
}
TEST_F(Surfaces, FlipMovesTheBackBufferToTheFront) {
  DDSurfaceDesc d;
  d.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  d.caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
  d.backBufferCount = 2;
  DDSurface* primary = nullptr;
  ASSERT_EQ(DD_OK, dd->CreateSurface(d, &primary));
  made.push_back(primary);
  EXPECT_EQ(DDERR_GENERIC, dd->CreateSurface(d, &primary)) << "one primary at a time";
  primary = made.back();
  DDSurface* back = nullptr;
  ASSERT_EQ(DD_OK, primary->GetAttachedBackBuffer(&back));
  made.push_back(back);
  for (int frame = 1; frame <= 3; ++frame) {
    back->ColorFill(nullptr, static_cast<uint32_t>(frame));
    ASSERT_EQ(DD_OK, primary->Flip());
    EXPECT_EQ(frame, primary->Memory()[0]);
  }
  EXPECT_EQ(1, back->Memory()[0]) << "three buffers: the first frame's comes back";
  uint8_t* p;
  int pitch;
  ASSERT_EQ(DD_OK, back->Lock(&p, &pitch, DDLOCK_WAIT));
  EXPECT_EQ(DDERR_SURFACEBUSY, primary->Flip());
  back->Unlock();
  LoseAllSurfaces();
  EXPECT_EQ((std::vector<DDResult>{DDERR_SURFACELOST, DDERR_SURFACELOST, DD_OK}),
            (std::vector<DDResult>{primary->Flip(), back->Lock(&p, &pitch, DDLOCK_WAIT), back->Restore()}));
  EXPECT_FALSE(primary->IsLost()) << "restoring one restores the chain";
}
}  // namespace
