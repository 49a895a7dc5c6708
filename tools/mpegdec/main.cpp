// mpegdec: decode an MPEG audio file to WAV or raw PCM, print stream facts,
// compare with a reference decode.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/mpeg/decoder.h"
#include "tools/common/command_line.h"
#include "tools/mpegdec/compare.h"
#include "tools/mpegdec/filestart.h"

namespace {

const char* const Usage =
    "usage: mpegdec [options] INPUT [OUTPUT.wav | -]\n"
    "       mpegdec --help | --version\n"
    "Decodes an MPEG audio file (Layers I to III) to a WAV file, or to raw PCM\n"
    "on the standard output with -.\n"
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
    "  --frames N      compare at most N sample frames\n";

void Put32(std::FILE* f, uint32_t v) {
  uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  std::fwrite(b, 1, 4, f);
}

void Put16(std::FILE* f, uint16_t v) {
  uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  std::fwrite(b, 1, 2, f);
}

bool WriteWav(const std::string& path, const std::vector<uint8_t>& pcm, int rate, int channels,
              int bytesPerSample) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  uint32_t data = uint32_t(pcm.size());
  std::fwrite("RIFF", 1, 4, f);
  Put32(f, 36 + data);
  std::fwrite("WAVEfmt ", 1, 8, f);
  Put32(f, 16);
  Put16(f, bytesPerSample == 4 ? 3 : 1);
  Put16(f, uint16_t(channels));
  Put32(f, uint32_t(rate));
  Put32(f, uint32_t(rate * channels * bytesPerSample));
  Put16(f, uint16_t(channels * bytesPerSample));
  Put16(f, uint16_t(8 * bytesPerSample));
  std::fwrite("data", 1, 4, f);
  Put32(f, data);
  bool ok = std::fwrite(pcm.data(), 1, pcm.size(), f) == pcm.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  int channels = 0, downShift = 0;
  sCompareOptions compare;
  bool useFloat = false, iso = false, info = false, haveVolume = false;
  float volume = 1.0f;
  std::string input, output, ref;
  sCommandLine line(argc, argv);
  constexpr long Many = 1L << 30;
  while (line.Next()) {
    if (line.Is("--channels")) {
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

  std::ifstream f(input, std::ios::binary);
  if (!f) {
    std::fprintf(stderr, "mpegdec: cannot read %s\n", input.c_str());
    return 1;
  }
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  int start = FindFirstFrame(file.data(), int(file.size()));
  if (start < 0) {
    std::fprintf(stderr, "mpegdec: %s: no MPEG audio frame found\n", input.c_str());
    return 1;
  }
  sMpegMemoryInput in(file.data() + start, int(file.size()) - start);
  sMpegDecoder dec;
  dec.SetStandardWindow(iso);
  int rate = 0, stereo = 0;
  if (dec.Open(&in, &rate, &stereo, useFloat ? 0 : 1, downShift, channels) != 0) {
    std::fprintf(stderr, "mpegdec: %s: the decoder refused the stream\n", input.c_str());
    return 1;
  }
  if (haveVolume) dec.Control(MpegSetVolume, &volume);
  int outChannels = stereo ? 2 : 1;
  int bytesPerSample = useFloat ? 4 : 2;
  std::vector<uint8_t> pcm;
  std::vector<uint8_t> chunk(1 << 16);
  for (;;) {
    int got = dec.Read(chunk.data(), int(chunk.size()));
    pcm.insert(pcm.end(), chunk.begin(), chunk.begin() + got);
    if (got < int(chunk.size())) break;
  }
  if (info) {
    static const char* kVersions[3] = {"MPEG-1", "MPEG-2", "MPEG-2.5"};
    std::printf("%s Layer %d, %d Hz, %d channel(s) in the stream\n", kVersions[dec.Version()],
                dec.Layer(), dec.SampleRateHz(), dec.StreamChannelCount());
    std::printf("output: %d Hz, %d channel(s), %s\n", rate, outChannels,
                useFloat ? "32-bit float" : "16-bit");
    std::printf("first frame at byte %d; probed bit rate %d bit/s; %lld decoded frames of %d bytes "
                "estimated, %zu bytes decoded\n",
                start, dec.ProbedBitRate(), (long long)dec.TotalFrames(), dec.FrameByteCount(), pcm.size());
  }
  if (!ref.empty()) {
    std::vector<int16_t> refPcm;
    if (!ReadPcm16(ref, refPcm)) {
      std::fprintf(stderr, "mpegdec: cannot read %s\n", ref.c_str());
      return 1;
    }
    std::vector<float> d(pcm.size() / bytesPerSample);
    for (size_t i = 0; i < d.size(); ++i) {
      if (useFloat) {
        std::memcpy(&d[i], &pcm[4 * i], 4);
      } else {
        int16_t s;
        std::memcpy(&s, &pcm[2 * i], 2);
        d[i] = s;
      }
    }
    compare.round = useFloat;
    sPcmComparison c = ComparePcm(d, refPcm, outChannels, compare);
    std::printf("decoded %zu sample frames, reference %zu\n", d.size() / outChannels,
                refPcm.size() / outChannels);
    std::printf("%s\n", c.Summary().c_str());
  }
  if (output == "-") {
    if (std::fwrite(pcm.data(), 1, pcm.size(), stdout) != pcm.size()) return 1;
  } else if (!output.empty()) {
    if (!WriteWav(output, pcm, rate, outChannels, bytesPerSample)) {
      std::fprintf(stderr, "mpegdec: cannot write %s\n", output.c_str());
      return 1;
    }
  }
  return 0;
}
