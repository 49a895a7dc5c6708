#include "audio/stream.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/audio/memstream.h"

namespace {

const int Seekable = StreamReadable | StreamSeekable;
const int Sequential = StreamReadable;

// A short read sets the flag and fills the rest with the fill byte (or leaves
// it, with none); a C runtime read error (-1) counts as nothing read: the
// position does not go back, the fill does not start before the destination.
TEST(StreamRead, ShortAndFailedReads) {
  for (int flags : {Seekable, Sequential}) {
    MemStream s;
    s.OpenWith(Bytes(14, 1), flags);
    uint8_t dst[12];
    // The fill byte starts as none.
    EXPECT_CALLS({10, 0, -1}, {s.Read(dst, 10), s.Control(9), s.Control(21, 0, 0)});
    std::memset(dst, 0xEE, sizeof dst);
    EXPECT_CALLS({4, 11, 14, 0, 0, 0, 0, 0, 0},
                 {s.Read(dst, 10), dst[0], dst[3], dst[4], dst[5], dst[6], dst[7], dst[8], dst[9]});
    ExpectControls(s, {{10, 1}, {9, 0}, {0, 14}});

    s.OpenWith(Bytes(20), flags);
    s.Read(dst, 5);
    s.Control(21, 0, 0x55);
    std::memset(dst, 0x11, sizeof dst);
    s.failReads = 1;
    EXPECT_EQ(0, s.Read(dst + 2, 8));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(i >= 2 && i < 10 ? 0x55 : 0x11, dst[i]) << i;
    ExpectControls(s, {{0, 5}, {9, 1}});
    EXPECT_EQ(5, s.ReadByte());
  }
  MemStream s;
  s.OpenWith(Bytes(2), Sequential);
  uint8_t dst[4] = {9, 9, 9, 9};
  EXPECT_CALLS({2, 9, 9}, {s.Read(dst, 4), dst[2], dst[3]});
  // Refused without the readable flag or a count; a refused read touches no flag.
  s.OpenWith(Bytes(10), StreamWritable);
  EXPECT_CALLS({0, 0}, {s.Read(dst, 4), s.Peek(dst, 4)});
  s.OpenWith(Bytes(10), Sequential);
  s.reads = 0;
  EXPECT_CALLS({0, 0, 0, 0}, {s.Read(dst, 0), s.Read(dst, -3), s.reads, s.Control(9)});
}

// Skipping reads in chunks of 256 and echoes what it skips; it stops at a short chunk.
TEST(StreamRead, Skipping) {
  MemStream s, echo;
  s.OpenWith(Bytes(1200), Sequential);
  echo.OpenWith({}, StreamWritable);
  // The echo counts the bytes written to it (it is not seekable).
  EXPECT_CALLS({0, 1000, 1000, 1000}, {s.Control(51, reinterpret_cast<intptr_t>(&echo), 0), s.Read(nullptr, 1000),
                                       s.Control(0), echo.Control(1)});
  EXPECT_EQ((std::vector<int>{256, 256, 256, 232}), s.readSizes);
  EXPECT_EQ(Bytes(1000), echo.data);
  s.OpenWith(Bytes(300), Sequential);
  s.readSizes.clear();
  EXPECT_CALLS({300, 1}, {s.Read(nullptr, 1000), s.Control(9)});
  EXPECT_EQ((std::vector<int>{256, 256}), s.readSizes);
}

TEST(StreamPeek, EqualsTheFollowingRead) {
  MemStream s, echo;
  s.OpenWith(Bytes(50, 100), Seekable);
  echo.OpenWith({}, StreamWritable);
  s.Control(51, reinterpret_cast<intptr_t>(&echo), 0);
  s.Seek(7);
  uint8_t peeked[8], read[8];
  // Peeking does not echo.
  EXPECT_CALLS({8, 7, 0, 8, 107, 15},
               {s.Peek(peeked, 8), s.Control(0), echo.data.size(), s.Read(read, 8), read[0], s.Control(0)});
  EXPECT_EQ(0, std::memcmp(peeked, read, 8));
  // Sequential: through the primitive's peek; nothing is consumed.
  s.OpenWith(Bytes(6), Sequential);
  s.Control(21, 0, 0xAA);
  s.reads = 0;
  uint8_t dst[8];
  EXPECT_CALLS({6, 1, 0, 5, 0xAA, 1, 0},
               {s.Peek(dst, 8), s.peeks, s.reads, dst[5], dst[6], s.Control(10), s.ReadByte()});
  // An error result counts as nothing peeked.
  s.OpenWith(Bytes(20), Sequential);
  s.Control(21, 0, 0);
  uint8_t seven[4] = {7, 7, 7, 7};
  s.failReads = 1;
  EXPECT_EQ(0, s.Peek(seven, 4));
  for (uint8_t b : seven) EXPECT_EQ(0, b);
  ExpectControls(s, {{9, 1}, {0, 0}});
}

TEST(StreamSeek, ClampsAndIgnoresNonSeekable) {
  MemStream s;
  s.OpenWith(Bytes(30), Seekable);
  s.Seek(12);
  EXPECT_CALLS({0, 20, 25}, {s.Seek(-5), s.SeekRelative(20), s.SeekFromEnd(-5)});
  int before = s.seeks;
  EXPECT_EQ(25, s.Seek(25));
  EXPECT_EQ(before, s.seeks) << "seeking to the position calls nothing";
  s.OpenWith(Bytes(30), Sequential);
  s.seeks = 0;
  s.Read(nullptr, 9);
  EXPECT_CALLS({9, 9, 0}, {s.Seek(2), s.Seek(-5), s.seeks});
}

// The end queries, the read-ahead queries, the setters (which return the
// previous value), finishing reading and writing; unknown codes answer 0.
TEST(StreamControl, QueriesSettersAndFinishing) {
  MemStream s;
  s.OpenWith(Bytes(4), StreamWritable);
  ExpectControls(s, {{2, 1}, {3, 0}});  // not readable; a non-seekable writer is never at its end
  s.OpenWith(Bytes(4), Seekable);
  EXPECT_CALLS({1, 0, 4, 1, 0, 1, 4}, {s.Control(3), s.AtEndOfInput(), s.Read(nullptr, 4), s.Control(49), s.Control(13),
                                       s.AtEndOfInput(), s.GetLength()});  // not writable
  s.Seek(1);
  ExpectControls(s, {{14, 3}});
  s.OpenWith(Bytes(4), StreamReadable | StreamWritable | StreamSeekable | StreamUpdate);
  s.Seek(4);
  ExpectControls(s, {{3, 0}});  // update access never counts as at the end

  s.OpenWith(Bytes(8), Seekable);
  // The whole file is read ahead.
  EXPECT_CALLS({1, 16, 0, 7, 1, 7, 0, 1}, {s.Control(15, 0, 16), s.Control(16), s.ReadByte(), s.Control(17),
                                           s.Control(20), s.Read(nullptr, 7), s.Control(17), s.AtEndOfInput()});

  s.OpenWith(Bytes(4), Seekable);
  // Seekable: the write order is the read order.
  EXPECT_CALLS({-1, 0, 7, 1, 1, 0, 0, -1, -1}, {s.Control(21, 0, 7), s.Control(23, 0, 5), s.Control(22), s.Control(24),
                                                s.Control(25, 0, 0), s.Control(24), s.Control(27, 0, 3), s.Control(28),
                                                s.Control(27, 0, 0)});
  s.Seek(2);
  for (int code : {5, 6, 7, 8, 35, 36, 37, 38, 39, 40, 41, 45, 46, 47, 48, 52, 100, 4096, -1})
    EXPECT_EQ(0, s.Control(code, 1, 1)) << code;
  EXPECT_EQ(2, s.Control(0));
  s.OpenWith(Bytes(4), StreamWritable);
  EXPECT_CALLS({0, 1, 0}, {s.Control(25, 0, 1), s.Control(26), s.Control(24)});  // non-seekable: a separate write order
  // Finishing reading and writing; a seekable stream stays readable.
  s.OpenWith(Bytes(4), Sequential);
  EXPECT_CALLS({1, StreamOpen}, {s.Control(42), s.GetFlags()});
  s.OpenWith(Bytes(4), Seekable);
  EXPECT_CALLS({1, StreamOpen | Seekable}, {s.Control(42), s.GetFlags()});
  s.OpenWith({}, StreamWritable);
  EXPECT_CALLS({1, StreamOpen | StreamWritable, 1, StreamOpen, 0}, {s.Control(44), s.GetFlags(), s.Control(43),
                                                                      s.GetFlags(), s.Write("x", 1)});
}

TEST(StreamClose, ClosedStreamDoesNothingAndOpenClosesFirst) {
  struct Counted : MemStream {
    int closes = 0;
    int DoClose() override { return ++closes, Finish(); }
  } s;
  EXPECT_CALLS({0, 0}, {s.Close(), s.closes});
  s.OpenWith(Bytes(4), Seekable);
  s.Seek(3);
  s.OpenWith(Bytes(9), Seekable);
  EXPECT_CALLS({1, 0, 9, 0, 2, 0, 0, 0, 2}, {s.closes, s.Control(0), s.Control(4), s.Close(), s.closes, s.GetFlags(),
                                             s.Control(4), s.Close(), s.closes});
  // Finishing leaves the primitive at the position, not where it read ahead to.
  s.OpenWith(Bytes(100), Seekable);
  s.SetBufferSize(32);
  s.Read(nullptr, 10);
  EXPECT_EQ(32, s.pos) << "read ahead";
  s.Close();
  EXPECT_EQ(10, s.pos);
}

TEST(StreamBuffer, InlineThenHeapThenNone) {
  MemStream s;
  s.OpenWith(Bytes(64), Seekable);
  EXPECT_CALLS({1, 1, 4, 1, 1}, {s.SetBufferSize(4), s.InlineMain() == s.MainBuffer(), s.Control(19),
                                  s.SetBufferSize(8), s.InlineMain() == s.MainBuffer()});
  EXPECT_CALLS({1, 0, 1, 4096}, {s.SetBufferSize(4096), s.InlineMain() == s.MainBuffer(), s.MainBuffer() != nullptr,
                                 s.Control(16)});
  // Freed (the sanitizer build reports a leak otherwise).
  EXPECT_CALLS({1, 1, 0}, {s.SetBufferSize(0), s.MainBuffer() == nullptr, s.Control(16)});
  // Refused on a non-seekable stream while read-ahead bytes wait: 15 unread bytes would be lost.
  s.OpenWith(Bytes(64), Sequential);
  uint8_t rest[15];
  EXPECT_CALLS({1, 0, 0, 16, 15, 1}, {s.Control(15, 0, 16), s.ReadByte(), s.SetBufferSize(0), s.Control(16),
                                      s.Read(rest, 15), s.SetBufferSize(0)});
}

TEST(StreamBuffer, SequentialBufferedReadDeliversEverything) {
  MemStream s;
  s.OpenWith(Bytes(100), Sequential);
  s.Control(15, 0, 8);
  std::vector<uint8_t> got;
  uint8_t chunk[5], peek[3];
  for (int n = 5; n == 5;) {
    s.Peek(peek, 3);
    n = s.Read(chunk, 5);
    EXPECT_TRUE(n <= 0 || peek[0] == chunk[0]);
    got.insert(got.end(), chunk, chunk + n);
  }
  EXPECT_EQ(Bytes(100), got);
  EXPECT_EQ(100, s.Control(0));
}

// The output buffer collects writes, a long rest goes straight through, a
// short primitive write leaves bytes pending, closing flushes; a write error
// counts as nothing written; a write after read-ahead lands at the position.
TEST(StreamBuffer, Writes) {
  MemStream s;
  s.OpenWith({}, StreamWritable);
  EXPECT_CALLS({1, 6, 4, 0, 4, 5, 1, 9, 20, 1}, {s.Control(18, 0, 6), s.Control(19), s.Write("abcd", 4), s.writes,
                                                 s.Control(1), s.Write("efghi", 5), s.writes, s.Control(1),
                                                 s.Write("0123456789abcdefghij", 20), s.Control(32)});
  EXPECT_EQ("abcdefghi0123456789abcdefghij", std::string(s.data.begin(), s.data.end()));
  s.writeLimit = 2;  // only 2 of 3 pending bytes go out at the first flush
  EXPECT_CALLS({3, 0, 1, 'Z'}, {s.Write("XYZ", 3), s.Control(32), s.Control(32), s.data.back()});
  s.writeLimit = -1;
  s.OpenWith({}, StreamWritable);
  s.SetOutputBufferSize(64);
  s.Write("hello", 5);
  EXPECT_TRUE(s.data.empty());
  s.Close();
  EXPECT_EQ(5u, s.data.size());

  struct Failing : MemStream {
    int DoWrite(const void*, int) override { return -1; }
  } f;
  f.OpenWith({}, StreamWritable | StreamSeekable);
  EXPECT_EQ(0, f.Write("abcd", 4));
  ExpectControls(f, {{0, 0}, {4, 0}, {11, 1}});

  s.OpenWith(Bytes(100), StreamReadable | StreamWritable | StreamSeekable);
  s.SetBufferSize(16);
  EXPECT_EQ(0, s.ReadByte());
  std::vector<uint8_t> block(32, 0xCC);
  EXPECT_EQ(32, s.Write(block.data(), 32));
  s.Close();
  EXPECT_CALLS({0, 0xCC, 0xCC, 33}, {s.data[0], s.data[1], s.data[32], s.data[33]});
}

// Buffered reads, writes, peeks and seeks must agree with a plain model of
// the file, whatever the buffer size.
TEST(StreamBuffer, RandomOperationsMatchAModel) {
  for (int size : {3, 8, 16, 100}) {
    std::mt19937 rng(size);
    MemStream s;
    s.OpenWith(Bytes(300), StreamReadable | StreamWritable | StreamSeekable);
    ASSERT_EQ(1, s.SetBufferSize(size));
    std::vector<uint8_t> model = Bytes(300);
    int pos = 0;
    for (int step = 0; step < 3000; ++step) {
      SCOPED_TRACE(std::to_string(size) + " step " + std::to_string(step));
      int op = int(rng() % 4), n = int(rng() % 40) + 1, want = std::min(n, int(model.size()) - pos);
      uint8_t buf[40];
      if (op == 0) {
        ASSERT_EQ(want, s.Read(buf, n));
        ASSERT_EQ(0, std::memcmp(buf, model.data() + pos, size_t(want)));
        pos += want;
      } else if (op == 1) {
        ASSERT_EQ(want, s.Peek(buf, n));
        ASSERT_EQ(0, std::memcmp(buf, model.data() + pos, size_t(want)));
      } else if (op == 2) {
        for (int i = 0; i < n; ++i) buf[i] = uint8_t(rng());
        ASSERT_EQ(n, s.Write(buf, n));
        if (pos + n > int(model.size())) model.resize(size_t(pos + n));
        std::memcpy(model.data() + pos, buf, size_t(n));
        pos += n;
      } else {
        pos = int(rng() % (model.size() + 1));
        ASSERT_EQ(pos, s.Seek(pos));
      }
      ASSERT_EQ(pos, s.Control(0));
      ASSERT_EQ(int(model.size()), s.Control(4));
    }
    s.Close();
    EXPECT_EQ(model, s.data) << "buffer size " << size;
  }
}

TEST(StreamAttach, ForwardsEverything) {
  MemStream outer;
  MemStream* inner = new MemStream;
  inner->OpenWith(Bytes(10), Seekable);
  // The inner position field moved, its primitive did not; closing deletes the owned inner stream.
  EXPECT_CALLS({StreamOpen | StreamReadable, 4, 8, StreamOpen | StreamReadable, 0, 0, 0},
               {outer.Attach(inner, 1, StreamSeekable, 4, -1, 8), outer.Control(0), outer.GetLength(), outer.GetFlags(),
                outer.ReadByte(), outer.Close(), outer.GetFlags()});
}

}  // namespace
