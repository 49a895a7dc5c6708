#include "vo/profiler.h"

#include "framework/display.h"
#include "framework/math.h"
#include "framework/system/clocks.h"
#include "framework/system/reset.h"

sProfiler Profiler;

namespace {
const ResetHook resetProfiler([] { Profiler = sProfiler(); });
}  // namespace

sProfiler::sProfiler() : Times{}, Ids{}, Counts{0, 0}, Current(0), Scale(100) {}

void sProfiler::BeginAt(uint64_t t, int id) {
  MarkAt(t, id);
  Current ^= 1;
  Times[Current][0] = t;
  Ids[Current][0] = id;
  Counts[Current] = 1;
}

void sProfiler::MarkAt(uint64_t t, int id) {
  int& n = Counts[Current];
  if (n >= MaxMarks) return;
  Times[Current][n] = t;
  Ids[Current][n] = id;
  ++n;
}

void sProfiler::Begin(int id) { BeginAt(GetMicroseconds(), id); }

void sProfiler::Mark(int id) { MarkAt(GetMicroseconds(), id); }

void sProfiler::Draw(sDisplay* display) {
  const int done = Current ^ 1;
  sDisplayMode mode;
  display->GetCurrentMode(&mode);
  const int xr = mode.Width - 10;
  const int y0 = mode.Height - 21, y1 = mode.Height - 10;
  const int ym = (y0 + y1) / 2;
  display->VLine(LineValue, 10, y0, y1);
  int x = 10;
  const uint32_t start = static_cast<uint32_t>(Times[done][0]);
  for (int i = 1; i < Counts[done]; ++i) {
    const int left = x + 1;
    const int d = static_cast<int>(static_cast<uint32_t>(Times[done][i]) - start);
    x = 10 + FixMulDiv(d, xr - 10, 1000 * Scale);
    if (x >= 10 && x < xr) {
      if (left < x) display->FillRect(static_cast<uint32_t>(Ids[done][i]), left, ym + 2, x, y1 - 2);
      display->VLine(LineValue, x, ym, y1);
    }
  }
  display->HLine(LineValue, 10, Min(x, xr), ym);
}
