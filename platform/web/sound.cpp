// Sound in the page: a wave image goes to WebAudio whole, at its own rate (the
// browser resamples it to the card's); waveform devices are mixed as in the
// other backends and their output queued to WebAudio as real time passes.
#include <algorithm>
#include <vector>

#include "platform/soundmixer.h"
#include "platform/thread.h"
#include "platform/web/page.h"
#include "platform/web/tasks.h"

namespace platform {

namespace {

class WebSound final : public SoundMixer {
public:
  WebSound() : start_(web::PageMilliseconds()) {}
  ~WebSound() override { web::StopPcm(); }

  bool PlaySound(const void* image, size_t size) override {
    web::StopPcm();
    if (!image) return true;
    WaveFormat format;
    const uint8_t* data = nullptr;
    size_t bytes = 0;
    if (!ParseWaveImage(image, size, format, data, bytes)) return false;
    return web::PlayPcm(data, bytes / format.blockAlign, format.channels, format.bitsPerSample,
                        static_cast<int>(format.samplesPerSec));
  }

protected:
  void Sync() override {
    uint64_t target = static_cast<uint64_t>((web::PageMilliseconds() - start_) * Rate / 1000.0);
    // After a long stall (a hidden page) the devices go on late rather than
    // mixing seconds at once.
    if (target > FramesRendered() + Rate) {
      start_ += double(target - FramesRendered() - Rate) * 1000.0 / Rate;
      target = FramesRendered() + Rate;
    }
    std::vector<int16_t> piece;
    while (FramesRendered() < target) {
      const int n = static_cast<int>(std::min<uint64_t>(4096, target - FramesRendered()));
      piece.resize(size_t(n) * 2);
      Render(piece.data(), n);
      if (std::any_of(piece.begin(), piece.end(), [](int16_t s) { return s != 0; }))
        web::QueuePcm(piece.data(), n, Rate);
    }
  }
  void Wait(unsigned milliseconds) override {
    platform::Sleep(milliseconds);
    Sync();
  }

private:
  double start_;
};

}  // namespace

std::unique_ptr<Sound> MakeWebSound() { return std::make_unique<WebSound>(); }

}  // namespace platform
