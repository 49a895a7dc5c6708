// mpegdec: decode an MPEG audio file to WAV or raw PCM, print stream facts,
// compare with a reference decode. Input and output stream in blocks.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/mpeg/decoder.h"
#include "tools/common/command_line.h"
#include "tools/mpegdec/compare.h"
#include "tools/mpegdec/io.h"

namespace {

const char* const Usage =
    "usage: mpegdec [options] INPUT [OUTPUT.wav | -]\n"
    "       mpegdec --help | --version\n"
    "Decodes an MPEG audio file (Layers I to III) to a WAV file, or to raw PCM\n"
    "on the standard output with -. INPUT - reads the standard input.\n"
    "  --start SECONDS start decoding there\n"
    "  --no-gapless    keep the encoder's delay and padding and the Info frame\n"
    "                  (by default the output has the length of the source)\n"
    "  --channels N    0 as the stream, 1 mono, 2 stereo, -2 mono mix on both\n"
    "  --downshift N   0..2: output at 1/2^N of the stream rate\n"
    "  --float         32-bit float samples\n"
    "  --volume V      output gain\n"
    "  --iso-window    synthesis with the standard's window table\n"
    "  --info          print stream facts\n"
    "  --ref FILE.pcm  compare with a 16-bit reference (offset searched)\n"
    "  --shift N       offset search range for --ref in sample frames (default 2304)\n"
    "  --offset N      fixed offset for --ref (decode sample frames ahead)\n"
    "  --skip N        leave the first N sample frames of the overlap out of --ref\n"
    "  --frames N      compare at most N sample frames\n"
    "Reports go to the standard error when PCM goes to the standard output.\n";

[[noreturn]] void Fail(const std::string& what, const std::string& why) {
  std::fprintf(stderr, "mpegdec: %s: %s\n", what.c_str(), why.c_str());
  std::exit(ExitBadData);
}

}  // namespace

int main(int argc, char** argv) {
  int channels = 0, downShift = 0;
  sCompareOptions compare;
  bool useFloat = false, iso = false, info = false, haveVolume = false, gapless = true;
  float volume = 1.0f;
  double startSeconds = 0;
  std::string input, output, ref;
  sCommandLine line(argc, argv);
  constexpr long Many = 1L << 30;
  while (line.Next()) {
    if (line.Is("--start")) {
      startSeconds = line.Real(0, 1e9);
    } else if (line.Is("--no-gapless")) {
      gapless = !line.Flag();
    } else if (line.Is("--channels")) {
      channels = static_cast<int>(line.Integer(-2, 2));
      if (channels == -1) line.Problem("--channels must be 0, 1, 2 or -2");
    } else if (line.Is("--downshift")) {
      downShift = static_cast<int>(line.Integer(0, 2));
    } else if (line.Is("--float")) {
      useFloat = line.Flag();
    } else if (line.Is("--volume")) {
      volume = static_cast<float>(line.Real(-1000, 1000));
      haveVolume = true;
    } else if (line.Is("--iso-window")) {
      iso = line.Flag();
    } else if (line.Is("--info")) {
      info = line.Flag();
    } else if (line.Is("--ref")) {
      ref = line.Value();
    } else if (line.Is("--offset")) {
      compare.fixed = true;
      compare.offset = static_cast<int>(line.Integer(-Many, Many));
    } else if (line.Is("--skip")) {
      compare.skipFrames = line.Integer(0, Many);
    } else if (line.Is("--frames")) {
      compare.maxFrames = line.Integer(0, Many);
    } else if (line.Is("--shift")) {
      compare.search = static_cast<int>(line.Integer(0, 65536));
    } else if (line.IsOperand() && input.empty()) {
      input = line.Text();
    } else if (line.IsOperand() && output.empty()) {
      output = line.Text();
    } else {
      line.Unknown();
    }
  }
  line.Finish("mpegdec", Usage);
  if (input.empty()) ExitUsage("mpegdec", "no INPUT file");

  // Reports stay off the standard output when PCM goes there.
  std::FILE* report = output == "-" ? stderr : stdout;
  const std::string name = input == "-" ? "standard input" : input;

  sFileInput in;
  std::string why = in.Open(input);
  if (!why.empty()) Fail(name, why);
  if (!output.empty() && output != "-" && in.SameFile(output)) ExitUsage("mpegdec", "OUTPUT is the INPUT file");
  sMpegDecoder dec;
  dec.SetStandardWindow(iso);
  dec.SetGapless(gapless);
  int rate = 0, stereo = 0;
  if (dec.Open(&in, &rate, &stereo, useFloat ? 0 : 1, downShift, channels) != 0)
    Fail(name, dec.OpenFailure() == sMpegDecoder::FailureFreeFormat ? "free-format streams are not supported"
                                                                      : "no MPEG audio frame found");
  if (haveVolume) dec.Control(MpegSetVolume, &volume);
  const int outChannels = stereo ? 2 : 1;
  const int bytesPerSample = useFloat ? 4 : 2;
  const int sampleBytes = outChannels * bytesPerSample;

  if (startSeconds > 0) {
    int64_t target = int64_t(std::llround(startSeconds * rate)) * sampleBytes;
    if (dec.InputSeekable()) {
      dec.Seek(target);
    } else {
      std::vector<uint8_t> skip(1 << 16);
      for (int64_t left = target; left > 0;) {
        int got = dec.Read(skip.data(), int(std::min<int64_t>(left, int64_t(skip.size()))));
        if (got <= 0) break;
        left -= got;
      }
    }
  }

  std::vector<int16_t> refPcm;
  if (!ref.empty() && !ReadPcm16(ref, refPcm)) Fail(ref, "cannot read");
  // What --ref compares is kept, as far as the reference and the offset reach.
  const size_t keep = ref.empty() ? 0
                                  : refPcm.size() + size_t(outChannels) *
                                                        size_t(std::abs(compare.offset) + compare.search + 1152);
  std::vector<float> decoded;

  sPcmOutput out;
  if (!output.empty()) {
    why = out.Open(output, rate, outChannels, bytesPerSample);
    if (!why.empty()) Fail(output, "cannot write: " + why);
  }
  // Not zero-filled: a short decode would spend longer clearing it.
  const int blockBytes = 1 << 16;
  std::unique_ptr<uint8_t[]> block(new uint8_t[blockBytes]);
  uint64_t total = 0;
  for (;;) {
    int got = dec.Read(block.get(), blockBytes);
    if (got <= 0) break;
    total += uint64_t(got);
    if (!output.empty() && !out.Write(block.get(), size_t(got))) Fail(output, std::string("cannot write: ") + std::strerror(errno));
    for (int i = 0; i < got && decoded.size() < keep; i += bytesPerSample) {
      if (useFloat) {
        float v;
        std::memcpy(&v, &block[size_t(i)], 4);
        decoded.push_back(v);
      } else {
        int16_t v;
        std::memcpy(&v, &block[size_t(i)], 2);
        decoded.push_back(v);
      }
    }
  }
  if (!output.empty()) {
    why = out.Finish();
    if (!why.empty()) Fail(output, "cannot write: " + why);
  }

  if (info) {
    static const char* kVersions[3] = {"MPEG-1", "MPEG-2", "MPEG-2.5"};
    std::fprintf(report, "%s Layer %d, %d Hz, %d channel(s) in the stream\n", kVersions[dec.Version()], dec.Layer(),
                 dec.SampleRateHz(), dec.StreamChannelCount());
    std::fprintf(report, "output: %d Hz, %d channel(s), %s\n", rate, outChannels, useFloat ? "32-bit float" : "16-bit");
    const mpegtags::sInfoFrame& x = dec.InfoFrame();
    if (x.present)
      std::fprintf(report, "Xing/Info frame: %lld frames, encoder delay %d, padding %d; %s\n",
                   static_cast<long long>(x.frames), x.delay, x.padding, gapless ? "gapless" : "not gapless");
    std::fprintf(report,
                 "first frame at byte %lld; probed bit rate %d bit/s; %lld decoded frames of %d bytes estimated; "
                 "%llu bytes decoded, %llu sample frames\n",
                 static_cast<long long>(dec.AudioStartByte()), dec.ProbedBitRate(),
                 static_cast<long long>(dec.TotalFrames()), dec.FrameByteCount(),
                 static_cast<unsigned long long>(total), static_cast<unsigned long long>(total / unsigned(sampleBytes)));
  }
  if (!ref.empty()) {
    compare.round = useFloat;
    sPcmComparison c = ComparePcm(decoded, refPcm, outChannels, compare);
    std::fprintf(report, "decoded %llu sample frames, reference %zu\n",
                 static_cast<unsigned long long>(total / unsigned(sampleBytes)), refPcm.size() / outChannels);
    std::fprintf(report, "%s\n", c.Summary().c_str());
  }
  return 0;
}
