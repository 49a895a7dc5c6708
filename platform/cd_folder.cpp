#include "platform/cd_folder.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/debug.h"
#include "platform/sound.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

struct Track {
  std::string path;
  WaveFormat format;
  uint64_t dataOffset = 0;
  uint64_t dataBytes = 0;
  uint64_t startMs = 0;   // on the disc
  uint64_t lengthMs = 0;
};

uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// A RIFF WAVE file of PCM that the sound service plays: its format and data chunk.
bool ReadWavHeader(const std::string& path, Track& track) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[12];
  if (!in.read(reinterpret_cast<char*>(head), 12) || std::memcmp(head, "RIFF", 4) || std::memcmp(head + 8, "WAVE", 4))
    return false;
  bool haveFormat = false;
  const uint64_t fileSize = fs::file_size(path);
  for (uint64_t at = 12; at + 8 <= fileSize;) {
    unsigned char chunk[8];
    in.seekg(static_cast<std::streamoff>(at));
    if (!in.read(reinterpret_cast<char*>(chunk), 8)) return false;
    const uint32_t size = Le32(chunk + 4);
    if (!std::memcmp(chunk, "fmt ", 4) && size >= 16) {
      unsigned char f[16];
      if (!in.read(reinterpret_cast<char*>(f), 16)) return false;
      WaveFormat& w = track.format;
      w.formatTag = Le16(f);
      w.channels = Le16(f + 2);
      w.samplesPerSec = Le32(f + 4);
      w.avgBytesPerSec = Le32(f + 8);
      w.blockAlign = Le16(f + 12);
      w.bitsPerSample = Le16(f + 14);
      haveFormat = w.formatTag == 1 && (w.channels == 1 || w.channels == 2) &&
                   (w.bitsPerSample == 8 || w.bitsPerSample == 16) && w.samplesPerSec > 0 &&
                   w.blockAlign == w.channels * w.bitsPerSample / 8 && w.avgBytesPerSec == w.samplesPerSec * w.blockAlign;
      if (!haveFormat) return false;
    } else if (!std::memcmp(chunk, "data", 4) && haveFormat) {
      track.dataOffset = at + 8;
      // A header that claims more than the file holds plays what is there.
      track.dataBytes = std::min<uint64_t>(size, fileSize - track.dataOffset);
      track.dataBytes -= track.dataBytes % track.format.blockAlign;
      track.lengthMs = track.dataBytes * 1000 / track.format.avgBytesPerSec;
      track.path = path;
      return true;
    }
    at += 8 + size + (size & 1);
  }
  return false;
}

// Plays a span of the disc on its own thread until it ends or is stopped.
class Playback {
public:
  Playback(std::vector<Track> tracks, uint64_t fromMs, uint64_t toMs)
      : thread_([this, tracks = std::move(tracks), fromMs, toMs] { Run(tracks, fromMs, toMs); }) {}
  ~Playback() {
    stop_.store(true);
    thread_.join();
  }

private:
  void Run(const std::vector<Track>& tracks, uint64_t fromMs, uint64_t toMs) {
    for (const Track& t : tracks) {
      if (stop_.load()) return;
      const uint64_t end = t.startMs + t.lengthMs;
      if (end <= fromMs || t.startMs >= toMs) continue;
      const uint64_t a = std::max(fromMs, t.startMs) - t.startMs;
      const uint64_t b = std::min(toMs, end) - t.startMs;
      const uint64_t align = t.format.blockAlign;
      PlayBytes(t, a * t.format.avgBytesPerSec / 1000 / align * align, b * t.format.avgBytesPerSec / 1000 / align * align);
    }
  }

  void PlayBytes(const Track& t, uint64_t from, uint64_t to) {
    // Four blocks of a quarter second each keep the device fed. They outlive
    // the device, whose closing marks queued blocks done.
    std::vector<uint8_t> data[4];
    WaveBlock blocks[4];
    std::unique_ptr<WaveOutDevice> device = GetSound().OpenWaveOut(t.format);
    if (!device) return;
    std::ifstream in(t.path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(t.dataOffset + from));
    const uint32_t blockBytes = std::max<uint32_t>(t.format.avgBytesPerSec / 4 / t.format.blockAlign, 1) * t.format.blockAlign;
    uint64_t at = from;
    for (;;) {
      bool busy = false;
      for (int i = 0; i < 4; ++i) {
        if (blocks[i].flags.load() & WaveBlockQueued) {
          busy = true;
          continue;
        }
        if (stop_.load() || at >= to) continue;
        if (blocks[i].flags.load() & WaveBlockPrepared) device->Unprepare(blocks[i]);
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(blockBytes, to - at));
        data[i].resize(n);
        if (!in.read(reinterpret_cast<char*>(data[i].data()), n)) {
          at = to;  // the file went short: play what is queued
          continue;
        }
        at += n;
        blocks[i].data = data[i].data();
        blocks[i].length = n;
        blocks[i].flags.store(0);
        device->Prepare(blocks[i]);
        device->Write(blocks[i]);
        busy = true;
      }
      if (stop_.load()) {
        device->Reset();
        break;
      }
      if (!busy) break;
      device->Sleep(20);
    }
    for (WaveBlock& b : blocks)
      if (b.flags.load() & WaveBlockPrepared) device->Unprepare(b);
  }

  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class FolderCdDevice final : public CdDevice {
public:
  explicit FolderCdDevice(std::vector<Track> tracks) : tracks_(std::move(tracks)) {}
  bool SetTimeFormat(CdTimeFormat format) override {
    format_ = format;
    return true;
  }
  bool NumberOfTracks(int32_t& tracks) override {
    tracks = static_cast<int32_t>(tracks_.size());
    return true;
  }
  bool TrackPosition(int track, uint32_t& position) override {
    if (track < 1 || track > static_cast<int>(tracks_.size())) return false;
    position = format_ == CdTimeFormat::Tmsf ? static_cast<uint32_t>(track)
                                             : static_cast<uint32_t>(tracks_[track - 1].startMs);
    return true;
  }
  bool Length(uint32_t& length) override {
    const uint64_t ms = DiscMs();
    length = format_ == CdTimeFormat::Tmsf ? Tmsf(0, ms) : static_cast<uint32_t>(ms);
    return true;
  }
  bool Play(uint32_t from, uint32_t to) override {
    uint64_t a = from, b = to;
    if (format_ == CdTimeFormat::Tmsf && (!FromTmsf(from, a) || !FromTmsf(to, b))) return false;
    b = std::min(b, DiscMs());
    if (a >= b) return false;
    playback_.reset();
    playback_ = std::make_unique<Playback>(tracks_, a, b);
    return true;
  }
  bool Stop() override {
    playback_.reset();
    return true;
  }

private:
  uint64_t DiscMs() const { return tracks_.empty() ? 0 : tracks_.back().startMs + tracks_.back().lengthMs; }
  static uint32_t Tmsf(int track, uint64_t ms) {
    const uint64_t frames = ms * 75 / 1000;
    return static_cast<uint32_t>(track | (frames / 75 / 60 & 0xFF) << 8 | (frames / 75 % 60) << 16 | (frames % 75) << 24);
  }
  // Track n, then minutes, seconds, frames (75 a second) into it.
  bool FromTmsf(uint32_t tmsf, uint64_t& ms) const {
    const int track = static_cast<int>(tmsf & 0xFF);
    if (track < 1 || track > static_cast<int>(tracks_.size())) return false;
    const uint64_t frames = ((tmsf >> 8 & 0xFF) * 60 + (tmsf >> 16 & 0xFF)) * 75 + (tmsf >> 24 & 0xFF);
    ms = tracks_[track - 1].startMs + frames * 1000 / 75;
    return true;
  }

  std::vector<Track> tracks_;
  CdTimeFormat format_ = CdTimeFormat::Milliseconds;
  std::unique_ptr<Playback> playback_;
};

}  // namespace

std::unique_ptr<CdDevice> FolderCdAudio::Open(const char*) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder_, ec)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".wav" && entry.is_regular_file(ec)) names.push_back(entry.path().string());
  }
  std::sort(names.begin(), names.end());
  std::vector<Track> tracks;
  uint64_t at = 0;
  for (const std::string& name : names) {
    Track t;
    if (!ReadWavHeader(name, t) || t.lengthMs == 0) continue;
    t.startMs = at;
    at += t.lengthMs;
    tracks.push_back(t);
    if (tracks.size() == 99) break;
  }
  if (tracks.empty()) {
    OutputDebugString(("no CD drive: no WAV tracks in " + folder_ + "\n").c_str());
    return nullptr;
  }
  return std::make_unique<FolderCdDevice>(std::move(tracks));
}

}  // namespace platform
