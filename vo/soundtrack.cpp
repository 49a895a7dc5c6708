#include "vo/soundtrack.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "framework/system/reset.h"
#include "platform/memory.h"
#include "platform/sound.h"
#include "platform/thread.h"

alignas(4) uint8_t SoundImage[SoundImageCapacity];
int SoundImageSize = SoundImageBytes;
bool SoundStarted;

sFileStream SoundFile;
sMpegStream SoundDecoder;
sWaveOutStream SoundOutput;

const uint8_t SoundHeader[SoundHeaderBytes] = {
    'R', 'I', 'F', 'F', 0x24, 0xca, 0x59, 0x00,  // 5,884,452 bytes follow
    'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
    16, 0, 0, 0,                                  // format record size
    1, 0, 2, 0,                                   // PCM, 2 channels
    0x44, 0xac, 0x00, 0x00,                       // 44,100 samples per second
    0x10, 0xb1, 0x02, 0x00,                       // 176,400 bytes per second
    4, 0, 16, 0,                                  // 4 bytes per frame, 16 bits
    'd', 'a', 't', 'a', 0x00, 0xca, 0x59, 0x00,   // 5,884,416 bytes of samples
};

namespace {

// The decoder's neutral settings: the stream's own sound, unmixed, unfiltered.
const float NeutralMix[9] = {1, 0, 1, 0, 1, 1, 0.5f, 0.5f, 1};
const float NeutralVolume = 1.0f;
float NeutralLineGains[576];

void ResetSoundtrack() {
  SoundOutput.Close();
  SoundDecoder.Close();
  SoundFile.Close();
  std::memset(SoundImage, 0, sizeof SoundImage);
  SoundImageSize = SoundImageBytes;
  SoundStarted = false;
}
ResetHook soundtrackReset(ResetSoundtrack);

void Put(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The header for 16-bit PCM of a rate and channel count; for 44.1 kHz stereo
// it is SoundHeader.
void WriteHeader(uint8_t* h, int rate, int channels, int dataBytes) {
  std::memcpy(h, SoundHeader, SoundHeaderBytes);
  Put(h + 4, uint32_t(36 + dataBytes), 4);
  Put(h + 22, uint32_t(channels), 2);
  Put(h + 24, uint32_t(rate), 4);
  Put(h + 28, uint32_t(rate * channels * 2), 4);
  Put(h + 32, uint32_t(channels * 2), 2);
  Put(h + 40, uint32_t(dataBytes), 4);
}

// Bytes of PCM that last as long as the original's image: whole decoded
// frames of 1152 sample frames.
int DataBytesFor(int rate, int channels) {
  int64_t samples = int64_t(SoundBlocks) * 1152 * rate;
  int64_t frames = (samples + 44100LL * 1152 - 1) / (44100LL * 1152);
  return int(std::min<int64_t>(frames * 1152 * channels * 2, SoundImageCapacity - SoundHeaderBytes));
}

// Frames of a piece of the image decoded by one thread (1.5 s at 44.1 kHz).
constexpr int PieceFrames = 64;

// Reads the image's bytes [from, to) from a decoder, in blocks of the
// original's size; once the stream ends the rest stays silent.
void ReadInto(sMpegStream& decoder, uint8_t* data, int from, int to) {
  for (int offset = from; offset < to; offset += SoundBlockBytes)
    decoder.Read(data + offset, std::min(SoundBlockBytes, to - offset));
}

// Opens a second decoder on the track, set as the first, positioned at byte
// `at` of its output. The decoder's seeks land exactly where a straight
// decode stands, so it continues the image byte for byte.
bool OpenAt(const char* name, sFileStream& file, sMpegStream& decoder, int rate, int stereo, int at) {
  int r = 0, s = 0;
  if (file.Open(name, FileReadSeek) != 0) return false;
  if (decoder.Open(&file, &r, &s, 1, 0, 0) != 0 || r != rate || s != stereo) return false;
  decoder.Control(MpegSetMixMatrix, reinterpret_cast<intptr_t>(NeutralMix), 0);
  decoder.Control(MpegSetVolume, reinterpret_cast<intptr_t>(&NeutralVolume), 0);
  decoder.Control(MpegSetLineGains, reinterpret_cast<intptr_t>(NeutralLineGains), 0);
  return decoder.Seek(at) == at;
}

void SayWhy(const char* name, const std::string& why) {
  std::error_code ec;
  std::string path = std::filesystem::absolute(name, ec).string();
  std::fprintf(stderr, "tessaline: soundtrack %s: %s\n", ec ? name : path.c_str(), why.c_str());
}

}  // namespace

void DecodeSoundtrack(const char* name) {
  std::error_code ec;
  bool folder = std::filesystem::is_directory(name, ec);
  if (folder || SoundFile.Open(name, FileReadSeek) != 0) {
    std::string why = folder ? "is a folder" : std::strerror(errno);
    std::fputs("Could not open input file\n", stdout);
    SayWhy(name, why);
    return;
  }
  int rate = 0, stereo = 0;
  if (SoundDecoder.Open(&SoundFile, &rate, &stereo, 1, 0, 0) != 0) {
    std::fputs("Could not open audio mpeg\n", stdout);
    SayWhy(name, SoundDecoder.Core().OpenFailure() == sMpegDecoder::FailureFreeFormat
                     ? "free-format streams are not supported"
                     : "no MPEG audio frame found");
    return;
  }
  // Opened and closed again, never written: the image is played instead.
  if (SoundOutput.Open(rate, stereo, 1, 4608, 32) != 0) {
    std::fputs("Could not create output stream\n", stdout);
    return;
  }
  platform::SetThreadPriority(platform::ThreadPriority::TimeCritical);

  for (float& gain : NeutralLineGains) gain = 1.0f;
  SoundDecoder.Control(MpegSetMixMatrix, reinterpret_cast<intptr_t>(NeutralMix), 0);
  SoundDecoder.Control(MpegSetVolume, reinterpret_cast<intptr_t>(&NeutralVolume), 0);
  SoundDecoder.Control(MpegSetLineGains, reinterpret_cast<intptr_t>(NeutralLineGains), 0);

  // The image is decoded in pieces of whole frames, taken in turn by this
  // thread and a helper with a decoder of its own (whichever runs faster
  // takes more). Piece starts lie inside the stream's length, where seeks
  // land exactly where a straight decode stands; the last piece reads on to
  // the image's end, and once the stream ends the rest stays silent.
  const int channels = stereo ? 2 : 1;
  const int dataBytes = DataBytesFor(rate, channels);
  uint8_t* data = SoundImage + SoundHeaderBytes;
  platform::AdviseLargeWrite(data, size_t(dataBytes));
  const int frameBytes = SoundDecoder.Core().FrameByteCount();
  const int64_t known = std::min<int64_t>(dataBytes, SoundDecoder.Core().Length());
  const int pieceBytes = frameBytes * PieceFrames;
  const int pieces = frameBytes > 0 ? std::max<int>(1, int(known / pieceBytes)) : 1;
  std::atomic<int> next{0};
  std::atomic<bool> missed{false};
  // `at`: where the decoder stands.
  auto decodePieces = [&](sMpegStream& decoder, int at) {
    for (int k; (k = next.fetch_add(1)) < pieces;) {
      const int from = k * pieceBytes, to = k + 1 == pieces ? dataBytes : from + pieceBytes;
      if (at != from && decoder.Seek(from) != from) {
        missed = true;
        return;
      }
      ReadInto(decoder, data, from, to);
      at = to;
    }
  };
  sFileStream helperFile;
  sMpegStream helperDecoder;
  std::unique_ptr<platform::Thread> helper;
  if (pieces > 1 && OpenAt(name, helperFile, helperDecoder, rate, stereo, pieceBytes))
    helper = platform::Thread::Start([&] {
      platform::SetThreadPriority(platform::ThreadPriority::TimeCritical);
      decodePieces(helperDecoder, pieceBytes);
      return 0;
    });
  decodePieces(SoundDecoder, 0);
  if (helper) helper->Join();
  helperDecoder.Close();
  helperFile.Close();
  // A seek that did not land (not met so far): the whole image straight.
  if (missed && SoundDecoder.Seek(0) == 0) ReadInto(SoundDecoder, data, 0, dataBytes);

  SoundStarted = false;
  SoundOutput.Control(40, 0, 0);  // closing does not wait for queued blocks
  SoundOutput.Close();
  SoundDecoder.Close();
  SoundFile.Close();
  // Labelled with the track's own rate and channels: the player plays it at
  // its pitch (for the original's kind of track this is SoundHeader).
  WriteHeader(SoundImage, rate, channels, dataBytes);
  SoundImageSize = SoundHeaderBytes + dataBytes;
}

void StartSound() {
  if (SoundStarted) return;
  // An image without its header is refused by the player: the show runs silent.
  platform::GetSound().PlaySound(SoundImage, size_t(SoundImageSize));
  SoundStarted = true;
}

void StopSound() {
  SoundStarted = false;
  platform::GetSound().PlaySound(nullptr, 0);
}
