#include "platform/pacing.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {
// A present that comes this much after its slot started the pacing late:
// the slots start again from it rather than catching up.
constexpr double LateSleepMicros = 4000;
}  // namespace

int FramePacer::WholeRefreshes() const {
  const double period = RefreshMicros();
  if (period <= 0) return 0;
  const double ratio = SlotMicros / period;
  const double whole = std::round(ratio);
  return whole >= 1 && std::fabs(ratio - whole) <= 0.01 * ratio ? static_cast<int>(whole) : 0;
}

FramePacer::Decision FramePacer::Next(uint64_t now) const {
  if (due_ < 0) return {Step::Show, 0};
  const double period = RefreshMicros();
  if (PresentsWait() && period > 0) {
    // The refresh the next present lands on, and whether it is the one
    // nearest the slot (or later).
    const double since = now > lastAfter_ ? static_cast<double>(now - lastAfter_) : 0;
    const double refresh = static_cast<double>(lastAfter_) + period * (std::floor(since / period) + 1);
    return {refresh >= due_ - period / 2 ? Step::Show : Step::Hold, 0};
  }
  if (static_cast<double>(now) + 500 >= due_) return {Step::Show, 0};
  return {Step::Wait, static_cast<uint64_t>(due_)};
}

void FramePacer::Presented(uint64_t before, uint64_t after, bool fresh) {
  const double cost = after > before ? static_cast<double>(after - before) : 0;
  cost_ = cost_ * 0.9 + cost * 0.1;
  if (lastAfter_ && after > lastAfter_) {
    // One interval between presents covers a whole number of refreshes.
    const double dt = static_cast<double>(after - lastAfter_);
    const double ref = RefreshMicros() > 0 ? RefreshMicros() : dt;
    const double n = std::max(1.0, std::round(dt / ref));
    if (n <= 4) {
      samples_[sampleCount_ % Samples] = dt / n;
      ++sampleCount_;
    }
    const int have = std::min<int>(sampleCount_, Samples);
    if (have >= 5) {
      double sorted[Samples];
      std::copy(samples_, samples_ + have, sorted);
      std::nth_element(sorted, sorted + have / 2, sorted + have);
      period_ = sorted[have / 2];
    }
  }
  lastAfter_ = after;
  if (!fresh) return;

  const double shown = static_cast<double>(after);
  const double period = RefreshMicros();
  if (PresentsWait() && period > 0) {
    if (const int whole = WholeRefreshes()) {
      due_ = shown + whole * period;  // every whole-th refresh, locked to them
    } else if (due_ < 0 || shown > due_ + period * 0.75) {
      // Started, or later than the refresh nearest the slot (a present
      // returns a little after its refresh): no catching up.
      due_ = shown + SlotMicros;
    } else {
      due_ += SlotMicros;  // keeps the slots' phase against the refreshes
    }
    return;
  }
  due_ = due_ < 0 || shown > due_ + LateSleepMicros ? shown + SlotMicros : due_ + SlotMicros;
}

}  // namespace platform
