#include "vo/script.h"

#include <cstdio>

#include "vo/backdrop.h"
#include "vo/effect.h"
#include "vo/layers.h"
#include "vo/moveit.h"

namespace {

const uint32_t Always = 0;
const uint32_t Channel0 = 1, Channel1 = 2, Channel2 = 4, Channel3 = 8;

template <typename T>
T* Add(sTimeline* tl, uint32_t mask) {
  T* layer = new T;
  tl->AddLayer(layer);
  layer->ChannelMask = mask;
  return layer;
}

void White(float* colour) { colour[0] = colour[1] = colour[2] = 255.0f; }

// The ten lines growing to the right from the vertical line.
struct Line {
  float y0, y1, start, end;
};
const Line Lines[10] = {{159, 161, 3500, 345}, {191, 193, 3650, 288}, {223, 225, 3800, 224}, {255, 257, 3950, 247},
                        {287, 289, 4100, 237}, {319, 321, 4250, 215}, {351, 353, 4400, 228}, {383, 385, 4550, 225},
                        {415, 417, 4600, 276}, {447, 449, 4750, 285}};

// The ten texts sliding in from the right above them.
struct Text {
  float y, endTime, endX;
};
const Text Texts[10] = {{164, 9600, 391}, {200, 9900, 348}, {229, 9300, 324}, {262, 9500, 309},
                        {296, 9100, 304}, {328, 9000, 301}, {360, 9800, 304}, {390, 9200, 315},
                        {422, 9700, 334.25f}, {457, 9400, 367}};

}  // namespace

void Script(sTimeline* tl) {
  tl->SetChannel(0, 0, 2000);
  tl->SetChannel(1, 2000, 17300);
  tl->SetChannel(2, 17300, 24000);
  tl->SetChannel(3, 24000, 36000);
  tl->SetChannel(4, 16300, 24000);
  tl->SetChannel(6, 15800, 17300);

  auto* back = Add<sBackdrop>(tl, Channel1);
  back->LoadImage("vo/v01_back.scl");
  back->MapToRange(32, 47);
  auto* back2 = Add<sBackdrop>(tl, Channel2);
  back2->LoadImage("vo/v01_bac2.scl");
  auto* good = Add<sBackdrop>(tl, Channel3);
  good->LoadImage("vo/good.scl");
  good->MapToRange(32, 47);

  // Layer 3: the shade ramp; white for two seconds, then a snap back at 2000 ms.
  auto* shade = Add<sPaletteRamp>(tl, Always);
  White(shade->Target);
  const float shadeKeys[][2] = {{0, 1},    {2000, 0}, {2000, 0}, {2000, 0}, {2000, 0},    {2001, 1},
                                {2001, 1}, {2001, 1}, {2001, 1}, {23000, 1}, {24000, 0}};
  for (const auto& k : shadeKeys) tl->AddKey(&shade->Fade, k[0], k[1]);

  Add<sShadeRect>(tl, Channel0);

  // Layer 5: the backdrop range, white until the first scene's colours fade in.
  auto* ramp = Add<sPaletteRamp>(tl, Always);
  ramp->From = 32;
  ramp->To = 47;
  White(ramp->Target);
  const float rampKeys[][2] = {{16300, 0}, {17300, 1}, {23000, 1}, {24000, 0}, {24000, 0}, {25500, 1}};
  for (const auto& k : rampKeys) tl->AddKey(&ramp->Fade, k[0], k[1]);

  // Logo and captions.
  struct Caption {
    const char* name;
    float y;
    float keys[2][2];
  };
  const Caption captions[4] = {{"vo/v01_logo.scl", 73, {{3300, 711}, {10300, 75}}},
                               {"vo/v01_worl.scl", 37, {{10300, 1200}, {15800, 628}}},
                               {"vo/v01_elit.scl", 42, {{9800, 840}, {15800, 255}}},
                               {"vo/v01_date.scl", 63, {{10300, 880}, {15800, 629}}}};
  for (const Caption& c : captions) {
    auto* s = Add<sSprite>(tl, Channel1);
    s->LoadImage(c.name);
    s->y = c.y;
    for (const auto& k : c.keys) tl->AddKey(&s->x, k[0], k[1]);
  }

  // A horizontal line growing from the right edge, a vertical one upward.
  auto* top = Add<sShadeRect>(tl, Channel1);
  top->y0 = 79;
  top->x1 = 640;
  top->y1 = 81;
  tl->AddKey(&top->x0, 3500, 640);
  tl->AddKey(&top->x0, 9000, 0);
  auto* left = Add<sShadeRect>(tl, Channel1);
  left->x0 = 55;
  left->x1 = 57;
  left->y1 = 480;
  tl->AddKey(&left->y0, 3500, 480);
  tl->AddKey(&left->y0, 9000, 80);

  for (const Line& l : Lines) {
    auto* r = Add<sShadeRect>(tl, Channel1);
    r->x0 = 57;
    r->y0 = l.y0;
    r->y1 = l.y1;
    tl->AddKey(&r->x1, l.start, 57);
    tl->AddKey(&r->x1, 9000, l.end);
  }

  for (int i = 0; i < 10; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "vo/v01_vi%02d.scl", i + 1);
    auto* s = Add<sSprite>(tl, Channel1);
    s->LoadImage(name);
    s->y = Texts[i].y;
    s->Clip[0] = 57;
    tl->AddKey(&s->x, 3500, 750);
    tl->AddKey(&s->x, Texts[i].endTime, Texts[i].endX);
  }

  auto* wipe = Add<sWipe>(tl, Channel1);
  wipe->LoadImage("vo/v01_circ.scl");
  wipe->MakeRuns(0, 16);
  wipe->x = 640;
  wipe->y = 480;
  tl->AddKey(&wipe->Progress, 10300, 0);
  tl->AddKey(&wipe->Progress, 15800, 1);

  auto* effect = Add<sMaskedEffect>(tl, Channel2);
  effect->x0 = 301;
  effect->y0 = 142;
  effect->x1 = 640;
  effect->y1 = 480;
  tl->AddKey(&effect->Progress, 17300, 0);
  tl->AddKey(&effect->Progress, 18300, 1);

  auto* colours = Add<sPaletteImage>(tl, Always);
  White(colours->Target);
  tl->AddKey(&colours->Fade, 23000, 1);
  tl->AddKey(&colours->Fade, 24000, 0);
}
