// sMpegStream: open results, output formats, controls, read paths, seeking,
// tags and junk around the frames.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include "audio/filestream.h"
#include "audio/mpeg/kernels.h"
#include "audio/mpeg/mpegstream.h"
#include "tests/audio/memstream.h"
#include "tests/audio/tone.h"
#include "tests/mpeg/helpers.h"
#include "tests/support/paths.h"
using namespace mpegtest;
namespace {
// A file opened through sFileStream and sMpegStream, closed when it goes.
struct sOpened {
  sFileStream file;
  sMpegStream m;
  int rate = 0, stereo = 0, result = -1;
  explicit sOpened(const std::string& path, int pcm16 = 1, int channels = 0, bool gapless = false) {
    file.Open(path.c_str(), FileReadSeek);
    m.SetGapless(gapless);
    result = m.Open(&file, &rate, &stereo, pcm16, 0, channels);
  }
  ~sOpened() { m.Close(), file.Close(); }
};
class MpegStreamTest : public ::testing::Test {
 protected:
  static inline std::string stereo_, mono_, info44_, info22_, vbr_, ffmpeg_, sine_;
  static void SetUpTestSuite() {
    if (!HaveTool("lame") || !HaveTool("sox")) return;  // every test skips
    std::string dir = testpaths::TempDir("mpegstream");
    std::string wav = dir + "/in.wav", wav22 = dir + "/in22.wav";
    Shell("sox -R -q -n -r 44100 -c 2 -b 16 " + wav + " synth 4 sine 200-4000 pinknoise vol 0.5 2> /dev/null");
    Shell("sox -R -q " + wav + " -r 22050 " + wav22 + " 2> /dev/null");
    Shell("sox -R -q -n -r 44100 -c 1 -b 16 " + dir + "/sine.wav synth 2 sine 1000 vol 0.5 2> /dev/null");
    auto make = [&](std::string& path, const std::string& name, const std::string& command) {
      path = dir + "/" + name;
      if (!Shell(command + " " + path + " > /dev/null 2>&1")) path.clear();
    };
    // Without an Info frame, with lame's (at both MPEG versions) and with
    // ffmpeg's, which has a bit rate of its own.
    make(stereo_, "stereo.mp3", "lame --quiet -t -b 128 -m j " + wav);
    make(mono_, "mono.mp3", "lame --quiet -t -b 64 -m m " + wav);
    make(info44_, "info44.mp3", "lame --quiet -b 128 " + wav);
    make(info22_, "info22.mp3", "lame --quiet -b 64 " + wav22);
    make(vbr_, "vbr.mp3", "lame --quiet -V 4 " + wav);
    make(sine_, "sine.mp3", "lame --quiet -t -b 128 " + dir + "/sine.wav");
    if (HaveTool("ffmpeg")) make(ffmpeg_, "ffmpeg.mp3", "ffmpeg -loglevel error -y -i " + wav);
  }
  void SetUp() override {
    if (stereo_.empty() || mono_.empty() || info44_.empty() || info22_.empty() || vbr_.empty())
      GTEST_SKIP() << "lame or sox missing";
  }
};
}  // namespace
// The format Open reports, down-shift and channel choice included; mono,
// both channels and the mix of both; the mix matrix.
TEST_F(MpegStreamTest, OutputFormatAndChannels) {
  sFileStream f;
  ASSERT_EQ(f.Open(stereo_.c_str(), FileReadSeek), 0);
  sMpegStream stream;
  struct sCase {
    int pcm16, shift, channels, rate, stereo, frameBytes;
  } cases[] = {{1, 0, 0, 44100, 1, 4608}, {1, 5, 1, 11025, 0, 2304 >> 2}, {0, 1, 0, 22050, 1, 9216 / 2}};
  for (const sCase& c : cases) {  // down-shift 5 acts as 2
    int rate = 0, stereo = 0;
    ASSERT_EQ(stream.Open(&f, &rate, &stereo, c.pcm16, c.shift, c.channels), 0);
    EXPECT_CALLS({c.rate, c.stereo, c.frameBytes}, {rate, stereo, stream.Core().FrameByteCount()});
    if (c.shift == 0 && c.pcm16) {
      EXPECT_EQ(stream.GetLength(), stream.Core().TotalFrames() * 4608);
      EXPECT_EQ(stream.GetFlags(), StreamOpen | StreamReadable | StreamSeekable);
      // 4 s at 44.1 kHz is 153.1 frames of 1152 samples, plus lame's padding.
      EXPECT_NEAR(stream.Core().TotalFrames(), 155, 3);
    }
    stream.Close();
  }
  f.Close();
  sDecodeOptions o = FloatOut();
  auto decode = [&](const std::string& path, int channels, int stereo) {
    o.channels = channels;
    auto d = DecodeFile(path, o);
    EXPECT_EQ(d.stereo, stereo) << channels;
    return d.Samples(0);
  };
  auto b = decode(stereo_, 0, 1), m = decode(stereo_, 1, 0), x = decode(stereo_, -2, 1);
  ASSERT_EQ(m.size() * 2, b.size());
  ASSERT_EQ(x.size(), b.size());
  double worst = 0;
  for (size_t i = 0; i < m.size(); ++i) {
    worst = std::fmax(worst, std::fabs(m[i] - 0.5f * (b[2 * i] + b[2 * i + 1])));
    ASSERT_EQ(x[2 * i], x[2 * i + 1]);
    ASSERT_EQ(x[2 * i], m[i]);
  }
  EXPECT_LT(worst, 0.05);  // the mix happens before synthesis: float rounding only
  // A mono stream on two channels, and the mix matrix sending it left only.
  auto d = decode(mono_, 2, 1);
  ASSERT_GT(d.size(), 0u);
  for (size_t i = 0; i < d.size(); i += 2) ASSERT_EQ(d[i], d[i + 1]);
  sOpened s(mono_, 0, 2);
  ASSERT_EQ(s.result, 0);
  float matrix[9] = {1, 0, 1, 0, 1, 0, 0.5f, 0.5f, 1};
  s.m.Control(MpegSetMixMatrix, reinterpret_cast<intptr_t>(matrix), 0);
  std::vector<float> out(1152 * 2 * 20);
  ASSERT_EQ(s.m.Read(out.data(), int(out.size() * 4)), int(out.size() * 4));
  double left = 0;
  for (size_t i = 4608; i < out.size(); i += 2) {
    ASSERT_EQ(out[i + 1], 0.0f);
    left += std::fabs(out[i]);
  }
  EXPECT_GT(left, 1000.0);
}
TEST_F(MpegStreamTest, GainsAndVolume) {
  auto decodeWith = [&](const std::string& path, auto setup, int pcm16) {
    sOpened s(path, pcm16);
    EXPECT_EQ(s.result, 0);
    setup(s.m);
    sDecoded d;
    d.pcm.resize(4608 * 40 * (pcm16 ? 1 : 2));
    EXPECT_EQ(s.m.Read(d.pcm.data(), int(d.pcm.size())), int(d.pcm.size()));
    return d;
  };
  // Controls taking an array of `count` values (a count of 0: a null pointer).
  auto set = [](int control, size_t count, float value) {
    return [=](sMpegStream& m) {
      std::vector<float> g(std::max<size_t>(count, 1), value);
      m.Control(control, count ? reinterpret_cast<intptr_t>(g.data()) : 0, 0);
    };
  };
  auto plain = decodeWith(stereo_, [](sMpegStream&) {}, 0);
  // The demo's sequence: default matrix, unity volume, unity line gains; a
  // volume, then a null volume: back to unity.
  auto demo = decodeWith(stereo_, [&](sMpegStream& m) {
        float matrix[9] = {1, 0, 1, 0, 1, 1, 0.5f, 0.5f, 1};
        m.Control(MpegSetMixMatrix, reinterpret_cast<intptr_t>(matrix), 0);
        set(MpegSetVolume, 1, 1.0f)(m);
        set(MpegSetLineGains, 576, 1.0f)(m);
      }, 0);
  EXPECT_EQ(demo.pcm, plain.pcm);
  auto reset = decodeWith(stereo_, [&](sMpegStream& m) { set(MpegSetVolume, 1, 0.25f)(m), set(MpegSetVolume, 0, 0)(m); }, 0);
  EXPECT_EQ(reset.pcm, plain.pcm);
  auto p = plain.Samples(0);
  auto doubled = decodeWith(stereo_, set(MpegSetBandGains, 32, 2.0f), 0).Samples(0);
  auto lines = decodeWith(stereo_, set(MpegSetLineGains, 576, 2.0f), 0).Samples(0);
  auto silent = decodeWith(stereo_, set(MpegSetLineGains, 576, 0.0f), 0).Samples(0);
  ASSERT_EQ(doubled.size(), p.size());
  for (size_t i = 0; i < p.size(); ++i) {
    // The frame decoded by Open and the synthesis history it leaves are
    // not scaled; line gains act before the IMDCT, one granule earlier.
    if (i >= 4608) { ASSERT_NEAR(doubled[i], 2 * p[i], 0.02 + 1e-5 * std::fabs(p[i])) << i; }
    if (i >= 2 * 4608) {
      ASSERT_NEAR(lines[i], 2 * p[i], 0.02 + 1e-5 * std::fabs(p[i])) << i;
      ASSERT_EQ(silent[i], 0.0f) << i;
    }
  }
  // 16-bit output clamps instead of wrapping.
  auto loud = decodeWith(stereo_, set(MpegSetVolume, 1, 8.0f), 1).Samples(1);
  EXPECT_GT(std::count_if(loud.begin(), loud.end(), [](float s) { return s == 32767 || s == -32768; }), 100);
  // On Layers I/II, 576 line gains average by 18 into the 32 band gains.
  std::string l2 = Conformance("l2-fl10.mp2");
  auto l2Plain = decodeWith(l2, [](sMpegStream&) {}, 0).Samples(0);
  auto l2Half = decodeWith(l2, set(MpegSetLineGains, 576, 0.5f), 0).Samples(0);
  for (size_t i = 4608; i < l2Plain.size(); ++i)
    ASSERT_NEAR(l2Half[i], 0.5f * l2Plain[i], 0.01 + 1e-5 * std::fabs(l2Plain[i])) << i;
}
// Reads of any size, a non-seekable input: the same bytes (peeks: the seek
// test); the end of the stream; an input that stops delivering ends it.
TEST_F(MpegStreamTest, ReadPathsAgreeAndEnd) {
  auto straight = DecodeFile(stereo_);
  ASSERT_EQ(straight.result, 0);
  ASSERT_GT(straight.pcm.size(), 100000u);
  for (int chunk : {1, 7, 333, 4607, 4608, 4609, 20000}) {
    sDecodeOptions o;
    o.chunk = chunk;
    EXPECT_EQ(DecodeFile(stereo_, o).pcm, straight.pcm) << "chunk " << chunk;
  }
  sDecodeOptions sequential;
  sequential.seekable = false;
  EXPECT_EQ(DecodeBytes(ReadFile(stereo_), sequential).pcm, straight.pcm) << "from the first frame, as from a file";
  {
    // A short read at the end: only the flushed frame's bytes.
    sOpened s(stereo_);
    std::vector<uint8_t> buf(straight.pcm.size() - 1000);
    EXPECT_CALLS({int(buf.size()), 0, 1000, 1, 1, 0, 0},
                 {s.m.Read(buf.data(), int(buf.size())), s.m.Control(49), s.m.Read(buf.data(), 5000), s.m.Control(9),
                  s.m.Control(49), s.m.Read(buf.data(), 5000), s.m.Peek(buf.data(), 5000)});
  }
  for (int flags : {int(StreamReadable), StreamReadable | StreamSeekable}) {
    MemStream in;
    in.OpenWith(ReadFile(stereo_), flags);
    sMpegStream m;
    int rate, stereo;
    ASSERT_EQ(m.Open(&in, &rate, &stereo, 1, 0, 0), 0);
    if (!(flags & StreamSeekable)) EXPECT_CALLS({0, 0, 0}, {m.GetLength(), m.GetFlags() & StreamSeekable, m.Seek(9000)});
    // A read error that never reaches the end must not spin for ever.
    in.failReads = 1 << 30;
    std::vector<uint8_t> buf(1 << 16);
    long total = 0;
    for (int i = 0, got = int(buf.size()); i < 100 && got == int(buf.size()); ++i)
      total += got = m.Read(buf.data(), int(buf.size()));
    EXPECT_EQ(m.Read(buf.data(), int(buf.size())), 0);
    EXPECT_LT(total, 200000);  // what the frame buffer held, then the flush
    m.Close();
  }
}
// A seek anywhere gives the bytes of a straight decode from there, and Peek
// what Read then delivers: Layer III with and without Info frames, both MPEG
// versions, VBR, gapless or not (then the output has the source's 4 s); Layers I and II.
TEST_F(MpegStreamTest, SeekMatchesAStraightDecode) {
  for (bool gapless : {false, true})
    for (const std::string& path : {stereo_, info44_, info22_, vbr_, ffmpeg_, Conformance("l1-fl4.mp1"),
                                    Conformance("l2-fl10.mp2"), Conformance("l1-fl6.mp1")}) {
      const bool layer12 = path.find("/conformance/") != std::string::npos;
      if (path.empty() || (gapless && (layer12 || path == stereo_))) continue;
      SCOPED_TRACE(path + (gapless ? " gapless" : ""));
      sDecodeOptions o;
      o.gapless = gapless;
      auto straight = DecodeFile(path, o);
      ASSERT_EQ(straight.result, 0);
      sOpened s(path, 1, 0, gapless);
      const int frame = s.m.Core().FrameByteCount(), length = s.m.GetLength();
      if (layer12) EXPECT_CALLS({1152 * 2 * (s.stereo ? 2 : 1), 1}, {frame, s.m.Core().LookBackFrames()});
      ASSERT_GE(length, int(straight.pcm.size()) - 2 * frame);
      std::mt19937 rng(11);
      std::vector<uint8_t> buf(6000), peek(6000);
      int frames = int(straight.pcm.size()) / frame;
      for (int i = 0; i < frames + 100; ++i) {
        // Every frame start, in an order that jumps back and forth, then
        // positions anywhere.
        int pos = i < frames ? (i * 37 % frames) * frame : int(rng() % unsigned(length)) & ~3;
        ASSERT_EQ(s.m.Seek(pos), pos);
        int n = std::min<int>(6000, int(straight.pcm.size()) - pos);
        ASSERT_EQ(s.m.Peek(peek.data(), n), n);
        ASSERT_EQ(s.m.Read(buf.data(), n), n);
        ASSERT_EQ(std::memcmp(buf.data(), straight.pcm.data() + pos, size_t(n)), 0) << "at " << pos;
        ASSERT_EQ(std::memcmp(peek.data(), buf.data(), size_t(n)), 0) << "at " << pos;
      }
      // Beyond the length lands at the length (Layer III); inside the buffered
      // frame only the read offset moves.
      if (!layer12) { EXPECT_EQ(s.m.Seek(length + 100000), length); }
      EXPECT_EQ(s.m.Seek(frame * 10 + 8), frame * 10 + 8);
      EXPECT_EQ(s.m.Seek(frame * 10 + frame - 600), frame * 10 + frame - 600);
      ASSERT_EQ(s.m.Read(buf.data(), 100), 100);
      EXPECT_EQ(std::memcmp(buf.data(), straight.pcm.data() + frame * 10 + frame - 600, 100), 0);
      if (!gapless) continue;
      EXPECT_EQ(straight.pcm.size(), size_t(4 * straight.rate * 4));
      EXPECT_EQ(length, int(straight.pcm.size()));
      auto raw = DecodeFile(path).pcm;
      auto at = std::search(raw.begin(), raw.end(), straight.pcm.begin() + 40000, straight.pcm.begin() + 40400);
      EXPECT_EQ(size_t(at - raw.begin()) - 40000, size_t(1152 * (straight.rate > 30000 ? 1 : 0.5) + 576 + 529) * 4);
      EXPECT_CALLS({length - 5000, 5000, 0, 1},
                   {s.m.Seek(length - 5000), s.m.Read(buf.data(), 5000), s.m.Read(buf.data(), 5000), s.m.AtEndOfInput()});
    }
}
// Tags before and after the frames are never decoded as audio, even when
// they hold whole frames; leading junk is searched up to 64 KiB; a run of
// 0xFF bytes before a header collapses onto its last one.
TEST(MpegStream, TagsAndJunkAroundTheFrames) {
  auto bytes = ReadFile(Conformance("l3-si.mp3"));
  ASSERT_GT(bytes.size(), 5000u);
  // Two real frames (208 and 209 bytes): what a careless search would decode.
  std::vector<uint8_t> frames(bytes.begin(), bytes.begin() + 417);
  auto plain = DecodeBytes(bytes);
  ASSERT_EQ(plain.result, 0);
  std::vector<uint8_t> body = Cat({Text("TIT2"), {0, 0, 1, 0, 0, 0, 1, 0xFF, 0xFE}, frames});
  std::vector<uint8_t> picture = Cat({std::vector<uint8_t>(3 << 20, 0xFF), frames});  // a "picture" of 0xFF bytes
  std::vector<uint8_t> v24 = Cat({Id3Header("ID3", 4, 0x10, body.size()), body, Id3Header("3DI", 4, 0x10, body.size())});
  // Extra 0xFF bytes before the 13th frame's header.
  size_t pos = 0;
  for (int frame = 0; frame < 12; ++frame) pos += 144 * 64000 / 44100 + ((bytes[pos + 2] >> 1) & 1);
  ASSERT_EQ(bytes[pos], 0xFF);
  std::vector<uint8_t> padded = bytes;
  padded.insert(padded.begin() + long(pos), {0xFF, 0xFF, 0xFF});
  struct sCase {
    const char* name;
    std::vector<uint8_t> before, after;
    bool pad = false;
  } cases[] = {
      {"ID3v2.2", Cat({Id3Header("ID3", 2, 0, body.size()), body}), {}},
      {"ID3v2.3, extended header, unsynchronised",
       Cat({Id3Header("ID3", 3, 0xC0, body.size() + 10), {0, 0, 0, 6, 0, 0, 0, 0, 0, 0}, body}), {}},
      {"ID3v2.4 with footer", v24, {}},
      {"two tags and a 3 MiB picture",
       Cat({Id3Header("ID3", 3, 0, picture.size()), picture, Id3Header("ID3", 4, 0, body.size()), body}), {}},
      {"junk", Cat({std::vector<uint8_t>(1000, 0), Text("not audio")}), {}},
      {"60 KiB of junk with headers that lead nowhere",
       Cat({std::vector<uint8_t>(60000, 0xFF), {0xFF, 0xFB, 0x50, 0xC0}, std::vector<uint8_t>(300, 7)}), {}},
      {"ID3v1", {}, Id3v1()},
      {"APEv2 and ID3v1", {}, Cat({ApeTag(Cat({Le32(417), Le32(0), Text("Cover Art"), {0}, frames})), Id3v1()})},
      {"Lyrics3 version 2", {}, Cat({Lyrics3(frames), Id3v1()})},
      {"Lyrics3 version 1", {}, Cat({Text("LYRICSBEGIN"), frames, Text("LYRICSEND")})},
      {"ID3v2 appended", {}, v24},
      {"0xFF bytes before a header", {}, {}, true},
  };
  for (const sCase& c : cases) {
    std::vector<uint8_t> file = Cat({c.before, c.pad ? padded : bytes, c.after});
    for (bool seekable : {true, false}) {
      sDecodeOptions o;
      o.seekable = seekable;
      auto d = DecodeBytes(file, o);
      ASSERT_EQ(d.result, 0) << c.name;
      EXPECT_TRUE(d.pcm == plain.pcm) << c.name << (seekable ? "" : ", not seekable") << ": " << d.pcm.size()
                                      << " bytes, not " << plain.pcm.size();
    }
  }
  // Refused: junk beyond 64 KiB, nothing but a tag, too little to be a frame.
  EXPECT_CALLS({-1, -1, -1, -1}, {DecodeBytes(Cat({std::vector<uint8_t>(70000, 0), bytes})).result,
                                  DecodeBytes(Cat({Id3Header("ID3", 3, 0, body.size()), body})).result,
                                  DecodeBytes({'I', 'D', '3'}).result, DecodeBytes({0xFF, 0xFB}).result});
  // MPEG-2.5 exists for Layer III only: ten silent 417-byte frames at
  // 11025 Hz, 64 kbit/s, as Layer II (refused) and as Layer III.
  std::vector<uint8_t> l25(4170, 0);
  for (size_t f = 0; f < 10; ++f) l25[417 * f] = 0xFF, l25[417 * f + 1] = 0xE3, l25[417 * f + 2] = 0x80;
  auto ok = DecodeBytes(l25);
  EXPECT_CALLS({0, 11025}, {ok.result, ok.rate});
  for (size_t f = 0; f < 10; ++f) l25[417 * f + 1] = 0xE5;
  EXPECT_EQ(DecodeBytes(l25).result, -1);
  // A tag of several MiB is skipped by its size field in a few reads; the
  // length is that of the audio alone.
  MemStream in;
  in.OpenWith(Cat({Id3Header("ID3", 3, 0, 8 << 20), std::vector<uint8_t>(8 << 20, 0x55), bytes}),
              StreamReadable | StreamSeekable);
  sMpegStream m;
  int rate, stereo;
  ASSERT_EQ(m.Open(&in, &rate, &stereo, 1, 0, 0), 0);
  EXPECT_LT(in.reads, 20);
  sMpegMemoryInput untagged(bytes.data(), int64_t(bytes.size()));
  sMpegDecoder d;
  ASSERT_EQ(d.Open(&untagged, &rate, &stereo, 1, 0, 0), 0);
  EXPECT_EQ(m.GetLength(), d.Length());
  m.Close();
}
TEST_F(MpegStreamTest, DownShiftKeepsPitchAndLevel) {
  for (int shift = 0; shift <= 2; ++shift) {
    sDecodeOptions o = FloatOut();
    o.downShift = shift;
    auto d = DecodeFile(sine_, o);
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.rate, 44100 >> shift);
    // One second from the middle: 1000 Hz, amplitude 0.5 of full scale.
    auto s = d.Samples(0);
    ASSERT_LT(s.size() / 4 + size_t(d.rate), s.size());
    Tone t = Measure(std::vector<double>(s.begin() + long(s.size() / 4), s.begin() + long(s.size() / 4) + d.rate), d.rate);
    EXPECT_NEAR(t.hz, 1000, 2) << "down-shift " << shift;
    EXPECT_NEAR(t.rms, 0.5 * 32768 / std::sqrt(2.0), 600) << "down-shift " << shift;
  }
}
// Files of the show's kind decode to these bytes through the show's path (a
// seekable file, 16-bit output, reads of 4608 bytes) on every kernel path.
// (Pinned again when the vector kernels moved one sample in 1500 by one LSB.)
TEST(MpegStream, FilesOfTheShowsKindDecodeAsBefore) {
  struct sPinned {
    const char* file;
    size_t bytes;
    uint64_t hash;  // FNV-1a of the PCM
  } pinned[] = {
      {"cbr128-stereo.mp3", 456192, 0xcdc4a7f5f32fa40e},
      {"vbr-joint.mp3", 456192, 0x2d9738266c7d1db6},
      {"cbr160-joint-noinfo.mp3", 451584, 0x16fd91785f3ce78b},
  };
  for (const char* simd : MpegSimdPaths())
    for (const sPinned& p : pinned) {
      sDecodeOptions o;
      o.chunk = 4608;
      o.simd = simd;
      sDecoded d = DecodeFile(testpaths::Source() + "/tests/data/pinned/" + p.file, o);
      EXPECT_CALLS({0, 44100, 1}, {d.result, d.rate, d.stereo});
      uint64_t h = 14695981039346656037ull;
      for (uint8_t b : d.pcm) h = (h ^ b) * 1099511628211ull;
      EXPECT_EQ(d.pcm.size(), p.bytes) << p.file;
      EXPECT_EQ(h, p.hash) << p.file << " " << simd << std::hex << " hash 0x" << h;
    }
}
namespace {
// 1.2 GB of silent 384-byte frames (MPEG-1 Layer III, 128 kbit/s, 48 kHz),
// made as they are read.
class sEndlessFrames : public sMpegInput {
 public:
  static constexpr int64_t kSize = 1200000000;
  int Seekable() override { return 1; }
  int Read(void* buffer, int count) override {
    int n = int(std::min<int64_t>(count, kSize - pos_));
    static const uint8_t header[4] = {0xFF, 0xFB, 0x94, 0x04};
    for (int i = 0; buffer && i < n; ++i)
      static_cast<uint8_t*>(buffer)[i] = (pos_ + i) % 384 < 4 ? header[(pos_ + i) % 384] : 0;
    return pos_ += n, n;
  }
  int64_t Seek(int64_t position) override { return pos_ = std::max<int64_t>(0, std::min(position, kSize)); }
  int64_t Length() override { return kSize; }
  int64_t pos_ = 0;
};
}  // namespace
// A file of 1.2 GB: its length and positions need more than 32 bits.
TEST(MpegStream, LongFileLengthAndSeeks) {
  sEndlessFrames in;
  sMpegDecoder d;
  int rate, stereo;
  const int64_t frames = sEndlessFrames::kSize / 384;
  std::vector<uint8_t> buf(4608 * 20);
  // The last ten frames (less 8 bytes) and the end-of-stream flush.
  EXPECT_CALLS({0, 48000, frames, frames * 4608, (frames - 10) * 4608 + 8, 11 * 4608 - 8, 1},
               {d.Open(&in, &rate, &stereo, 1, 0, 0), rate, d.TotalFrames(), d.Length(),
                d.Seek((frames - 10) * 4608 + 8), d.Read(buf.data(), int(buf.size())), d.AtEnd()});
}
