// Damaged image and pack files: every one either loads or ends in a fatal
// error. Run under the sanitizer build, this is the check that none of them
// reads or writes outside its buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

#include "framework/bitmap.h"
#include "framework/file.h"
#include "framework/pack.h"
#include "framework/system/fatal.h"
#include "tests/raster/bytes.h"
#include "tests/support/fatal_capture.h"

namespace {

class Malformed : public TempFolder {};

// TESS_FUZZ_SEED and TESS_FUZZ_ROUNDS explore beyond the fixed cases.
uint32_t Seed(uint32_t fixed) {
  const char* v = std::getenv("TESS_FUZZ_SEED");
  return v ? fixed ^ static_cast<uint32_t>(std::strtoul(v, nullptr, 10)) : fixed;
}
int Rounds() {
  const char* v = std::getenv("TESS_FUZZ_ROUNDS");
  return v ? std::atoi(v) : 800;
}

Bytes SampleImage() {
  Bytes f = Bytes().str("BMAP").u8(8).u8(1 | 2 | 4).u16(3);
  for (int i = 0; i < 12; ++i) f.u8(i * 20);
  f.u16(6).u16(4).u16(6).u8(2);
  for (int i = 0; i < 24 + 6; ++i) f.u8(i);
  return f.str("bmap");
}

// The bytes one header asks Create for; damaged sizes can legally ask for
// up to 2 GiB, which this test does not need to allocate.
int64_t RequestedBytes(const std::vector<uint8_t>& d) {
  if (d.size() < 6 || !(d[5] & 2)) return 0;
  size_t at = 6;
  if (d[5] & 1) {
    if (d.size() < at + 2) return 0;
    at += 2 + static_cast<size_t>(d[at] | d[at + 1] << 8) * 4;
  }
  if (d.size() < at + 4) return 0;
  return int64_t{d[at] | d[at + 1] << 8} * (d[at + 2] | d[at + 3] << 8) * 4;
}

// Entries may point anywhere after damage: check every image header in the file.
int64_t LargestRequest(const std::vector<uint8_t>& d) {
  int64_t largest = 0;
  for (size_t i = 0; i + 4 <= d.size(); ++i)
    if (std::memcmp(&d[i], "BMAP", 4) == 0)
      largest = std::max(largest, RequestedBytes(std::vector<uint8_t>(d.begin() + static_cast<long>(i), d.end())));
  return largest;
}

void Mutate(std::vector<uint8_t>& d, std::mt19937& rng) {
  int edits = 1 + static_cast<int>(rng() % 4);
  for (int e = 0; e < edits; ++e) {
    switch (rng() % 4) {
      case 0:
        if (!d.empty()) d[rng() % d.size()] = static_cast<uint8_t>(rng());
        break;
      case 1:
        if (!d.empty()) d[rng() % d.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
        break;
      case 2:
        d.resize(rng() % (d.size() + 1));
        break;
      default:
        d.insert(d.begin() + static_cast<long>(rng() % (d.size() + 1)), static_cast<uint8_t>(rng()));
        break;
    }
  }
}

TEST_F(Malformed, ImageFilesLoadOrFail) {
  std::mt19937 rng(Seed(20261206));
  const Bytes sample = SampleImage();
  const int rounds = Rounds();
  int loaded = 0, failed = 0, skipped = 0;
  for (int i = 0; i < rounds; ++i) {
    Bytes f = sample;
    Mutate(f.data, rng);
    if (RequestedBytes(f.data) > (int64_t{16} << 20)) {
      ++skipped;
      continue;
    }
    sBitmap b;
    try {
      b.Load(Write("m.scl", f).c_str());
      ++loaded;
      ASSERT_GE(b.Width, 1);
      ASSERT_GE(b.Levels, 1);
      for (int l = 0; l < b.Levels; ++l) ASSERT_NE(nullptr, b.Pixels[l]);
      if (b.Kind == KindIndex8) {
        ASSERT_EQ(256, b.PaletteSize);
      }
    } catch (const FatalError&) {
      ++failed;
    }
  }
  std::printf("damaged images: %d loaded, %d failed, %d skipped\n", loaded, failed, skipped);
  EXPECT_GT(loaded, rounds / 20);
  EXPECT_GT(failed, rounds / 3);
}

TEST_F(Malformed, PackFilesOpenOrFail) {
  const Bytes image = SampleImage();
  Bytes pack;
  const uint32_t dir = 16 + (8 + 6) + (8 + 8) + 4;
  pack.str("PACK").u32(0).u32(0).u32(2);
  pack.u32(static_cast<uint32_t>(image.size())).u32(dir).cstr("a.scl");
  pack.u32(5).u32(dir + static_cast<uint32_t>(image.size())).cstr("b.raw1");
  pack.str("pack").add(image).str("12345");

  std::mt19937 rng(Seed(6122026));
  const int rounds = Rounds();
  int opened = 0, failed = 0, entriesRead = 0;
  for (int i = 0; i < rounds; ++i) {
    ResetKeepingFatalThrow();
    Bytes f = pack;
    Mutate(f.data, rng);
    if (LargestRequest(f.data) > (int64_t{16} << 20)) continue;
    try {
      OpenPackFile(Write("m.dat", f).c_str());
      ++opened;
    } catch (const FatalError&) {
      ++failed;
      continue;
    }
    for (int e = 0; e < PackEntryCount(); ++e) {
      const char* name = PackEntryAt(e)->name;
      try {
        int size = 0;
        void* data = LoadFile(name, &size);
        ::operator delete(data);
        ++entriesRead;
      } catch (const FatalError&) {
      }
      try {
        sBitmap b;
        b.Load(name);
      } catch (const FatalError&) {
      }
    }
  }
  std::printf("damaged packs: %d opened, %d failed, %d entries read\n", opened, failed, entriesRead);
  EXPECT_GT(opened, rounds / 8);
  EXPECT_GT(failed, rounds / 8);
  EXPECT_GT(entriesRead, rounds / 13);
}

}  // namespace
