// The stream library: the base stream, bit fields and values, the file stream.
#include <gtest/gtest.h>
#include <random>
#include "audio/filestream.h"
#include "audio/stream.h"
#include "audio/values.h"
#include "tests/audio/memstream.h"
#include "tests/support/temp_folder.h"
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
    EXPECT_CALLS({1, 0, 14}, {s.Control(10), s.Control(9), s.Control(0)});
    s.OpenWith(Bytes(20), flags);
    s.Read(dst, 5);
    s.Control(21, 0, 0x55);
    std::memset(dst, 0x11, sizeof dst);
    s.failReads = 1;
    EXPECT_EQ(0, s.Read(dst + 2, 8));
    for (int i = 0; i < 12; ++i) EXPECT_EQ(i >= 2 && i < 10 ? 0x55 : 0x11, dst[i]) << i;
    EXPECT_CALLS({5, 1}, {s.Control(0), s.Control(9)});
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
  EXPECT_CALLS({1, 0}, {s.Control(9), s.Control(0)});
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
  EXPECT_CALLS({1, 0}, {s.Control(2), s.Control(3)});  // not readable; a non-seekable writer is never at its end
  s.OpenWith(Bytes(4), Seekable);
  EXPECT_CALLS({1, 0, 4, 1, 0, 1, 4}, {s.Control(3), s.AtEndOfInput(), s.Read(nullptr, 4), s.Control(49), s.Control(13),
                                       s.AtEndOfInput(), s.GetLength()});  // not writable
  EXPECT_CALLS({1, 3}, {s.Seek(1), s.Control(14)});
  s.OpenWith(Bytes(4), StreamReadable | StreamWritable | StreamSeekable | StreamUpdate);
  EXPECT_CALLS({4, 0}, {s.Seek(4), s.Control(3)});  // update access never counts as at the end
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
  EXPECT_CALLS({0, 0, 1}, {f.Control(0), f.Control(4), f.Control(11)});
  s.OpenWith(Bytes(100), StreamReadable | StreamWritable | StreamSeekable);
  s.SetBufferSize(16);
  EXPECT_EQ(0, s.ReadByte());
  std::vector<uint8_t> block(32, 0xCC);
  EXPECT_EQ(32, s.Write(block.data(), 32));
  s.Close();
  EXPECT_CALLS({0, 0xCC, 0xCC, 33}, {s.data[0], s.data[1], s.data[32], s.data[33]});
}
// Buffered reads, writes, peeks and seeks must agree with a plain model of
// the file, whatever the buffer size; reads and peeks on a sequential stream.
TEST(StreamBuffer, RandomOperationsMatchAModel) {
  for (int flags : {Seekable | StreamWritable, Sequential})
    for (int size : {3, 8, 16, 100}) {
      std::mt19937 rng(size);
      MemStream s;
      s.OpenWith(Bytes(300), flags);
      ASSERT_EQ(1, flags == Sequential ? s.Control(15, 0, size) : s.SetBufferSize(size));
      std::vector<uint8_t> model = Bytes(300);
      int pos = 0;
      for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(std::to_string(flags) + "/" + std::to_string(size) + " step " + std::to_string(step));
        int op = int(rng() % (flags == Sequential ? 2 : 4)), n = int(rng() % 40) + 1;
        int want = std::min(n, int(model.size()) - pos);
        uint8_t buf[40];
        if (op == 0) {
          ASSERT_EQ(want, s.Read(buf, n));
          ASSERT_EQ(0, std::memcmp(buf, model.data() + pos, size_t(want)));
          pos += want;
        } else if (op == 1) {
          // A sequential stream peeks no further than its buffer reaches.
          int got = s.Peek(buf, n);
          ASSERT_TRUE(got == want || (flags == Sequential && got > 0 && got < want)) << got << " of " << want;
          ASSERT_EQ(0, std::memcmp(buf, model.data() + pos, size_t(got)));
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
      EXPECT_EQ(model, s.data) << "flags " << flags << ", buffer size " << size;
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
// Bit fields in both orders; the seekable model stays on the partly used
// byte; skipping back works where the stream is seekable, not before the start.
TEST(Bits, FieldsInBothOrdersAndPositions) {
  MemStream s;
  for (int flags : {Seekable, Sequential}) {
    s.OpenWith({0xA5, 0x0F}, flags);
    s.Control(23, 0, 1);
    EXPECT_CALLS({0xA, 4, 0x50, 0x50, 1, 1}, {s.ReadBits(4), s.GetReadBitPosition(), s.PeekBits(8), s.ReadBits(8),
                                              s.PeekBit(), s.ReadBit()});
    s.OpenWith({0xA5, 0x0F}, flags);
    EXPECT_CALLS({0x5, 0xFA, 0, 5}, {s.ReadBits(4), s.ReadBits(8), s.ReadBit(), s.GetReadBitPosition()});
  }
  s.OpenWith({0x81, 0x42, 0x24}, StreamReadable | StreamSeekable);
  s.Control(23, 0, 1);
  // 1, then the rest of 0x81, then 010.
  EXPECT_CALLS({1, 0, 0x01, 1, 0x2, 1},
               {s.ReadBit(), s.Control(0), s.ReadBits(7), s.Control(0), s.ReadBits(3), s.Control(0)});
  s.AlignToByte();
  EXPECT_CALLS({2, 0x24}, {s.Control(0), s.ReadByte()});
  s.OpenWith({0x12, 0x34, 0x56}, StreamReadable | StreamSeekable);
  s.ReadBits(12);
  s.SkipBits(-10);
  EXPECT_CALLS({0, 2}, {s.Control(0), s.GetReadBitPosition()});
  s.SkipBits(-5);
  EXPECT_EQ(0, s.Control(0)) << "not before the start";
  s.OpenWith({0x12, 0x34, 0x56}, StreamReadable);
  s.ReadBits(12);
  s.SkipBits(-10);
  EXPECT_CALLS({4, 0x3}, {s.GetReadBitPosition(), s.ReadBits(4)});  // the top of 0x34
}
// Fields written on a non-seekable stream read back on both models; skipping
// a field leaves the stream where reading it does.
TEST(Bits, WrittenFieldsReadBackOrSkip) {
  for (int order = 0; order < 2; ++order) {
    std::mt19937 rng(order + 3);
    std::vector<std::pair<uint32_t, int>> fields;
    MemStream out;
    out.OpenWith({}, StreamWritable);
    out.Control(25, 0, order);
    for (int i = 0, total = 0; i < 300; ++i) {
      int n = int(rng() % 25) + 1;
      uint32_t v = rng() & ((1u << n) - 1);
      fields.push_back({v, n});
      ASSERT_EQ(1, n == 1 ? out.WriteBit(int(v)) : out.WriteBits(v | 0xF0000000u, n)) << "bits above n are ignored";
      total += n;
      ASSERT_EQ(total, out.Control(1) * 8 + out.GetWriteBitPosition()) << "field " << i;
    }
    ASSERT_EQ(1, out.FlushBits());
    EXPECT_EQ(0, out.GetWriteBitPosition());
    for (int flags : {Seekable, Sequential}) {
      MemStream a, b;
      for (MemStream* s : {&a, &b}) s->OpenWith(out.data, flags), s->Control(23, 0, order);
      for (size_t i = 0; i < fields.size(); ++i) {
        SCOPED_TRACE("order " + std::to_string(order) + " flags " + std::to_string(flags) + " field " + std::to_string(i));
        auto [v, n] = fields[i];
        ASSERT_EQ(v, n == 1 ? uint32_t(a.ReadBit()) : a.ReadBits(n));
        if (rng() % 2)
          b.SkipBits(n);
        else
          ASSERT_EQ(v, b.ReadBits(n));
        ASSERT_EQ(a.GetReadBitPosition(), b.GetReadBitPosition());
        ASSERT_EQ(a.PeekBits(9), b.PeekBits(9));
        ASSERT_EQ(a.PeekBit(), b.PeekBit());
      }
      EXPECT_EQ(a.ReadBits(20), b.ReadBits(20)) << "beyond the end";
    }
  }
}
// In place on a seekable stream; beyond the end and at a flush with the pad
// bits; nothing on a stream that is not writable.
TEST(Bits, WritesInPlacePaddedAndRefused) {
  MemStream s;
  s.OpenWith({0xF0, 0x11}, StreamReadable | StreamWritable | StreamSeekable);
  EXPECT_CALLS({1, 0xF5, 0, 3}, {s.WriteBits(0x5, 3), s.data[0], s.Control(0), s.GetWriteBitPosition()});
  // The last bit of the byte moves on.
  EXPECT_CALLS({1, 0xFD, 1, 1, 0x10, 1, 2}, {s.WriteBits(0x1F, 5), s.data[0], s.Control(0), s.WriteBit(0), s.data[1],
                                             s.FlushBits(), s.Control(0)});
  // Pad bits beyond the end; the fill byte is restored.
  s.OpenWith({}, StreamReadable | StreamWritable | StreamSeekable);
  s.Control(27, 0, 1), s.Control(23, 0, 1);
  EXPECT_CALLS({1, 1, 0x3F, -1}, {s.WriteBits(0x0, 2), s.data.size(), s.data[0], s.Control(22)});
  for (int order = 0; order < 2; ++order) {
    s.OpenWith({}, StreamWritable);
    s.Control(25, 0, order), s.Control(27, 0, 1);
    EXPECT_CALLS({1, 0, 3, 1}, {s.WriteBits(0x2, 3), s.data.size(), s.GetWriteBitPosition(), s.FlushBits()});  // 010
    EXPECT_EQ(std::vector<uint8_t>{uint8_t(order ? 0x5F : 0xFA)}, s.data);
  }
  s.OpenWith({1, 2}, StreamReadable | StreamSeekable);
  s.writes = 0;
  EXPECT_CALLS({0, 0, 0}, {s.WriteBit(1), s.WriteBits(3, 2), s.writes});
}
TEST(Values, IntegersInBothOrdersWritesAndStrings) {
  MemStream s;
  s.OpenWith({0xFF, 0xFB, 0x90, 0x64}, StreamReadable | StreamSeekable);
  EXPECT_CALLS({0xFFFB9064u, 0, 0x6490FBFFu}, {PeekUInt32BE(&s), s.Control(0), ReadUInt32(&s)});
  s.OpenWith({0xFF, 0xFB, 0x90, 0x64}, StreamReadable);  // through the primitive's peek
  EXPECT_CALLS({0xFFFB9064u, int32_t(0xFFFB9064u), int16_t(0xFBFF), 0xFFFBu, int16_t(0x9064)},
               {PeekUInt32BE(&s), PeekInt32BE(&s), PeekInt16(&s), ReadUInt16BE(&s), ReadInt16BE(&s)});
  s.OpenWith({0xFE, 0xFF}, StreamReadable | StreamSeekable);
  EXPECT_CALLS({-2, 65534}, {PeekInt16(&s), ReadUInt16(&s)});
  s.OpenWith({0x80}, StreamReadable);
  EXPECT_CALLS({-128, 128}, {PeekInt8(&s), ReadUInt8(&s)});
  // A short read keeps the low half; missing bytes are the fill byte.
  s.OpenWith({1, 2, 3, 4, 0x34, 0x12}, StreamReadable | StreamSeekable);
  s.Read(nullptr, 4);
  EXPECT_CALLS({0x1234, 1, 1}, {ReadInt32(&s), s.Control(9), s.AtEndOfInput()});
  s.OpenWith({0x34, 0x12}, StreamReadable);
  s.Control(21, 0, 0xFF);
  EXPECT_EQ(uint32_t(0xFFFF1234u), ReadUInt32(&s));
  // Writes read back; strings.
  s.OpenWith({}, StreamReadable | StreamWritable | StreamSeekable);
  EXPECT_CALLS({1, 1, 1, 1, 1, 1, 1, 1}, {WriteInt8(&s, 0x1FE), WriteInt16(&s, -2), WriteInt16BE(&s, 0x1234),
                                          WriteInt32(&s, -100000), WriteInt32BE(&s, 0x01020304),
                                          WriteInt64(&s, -5000000000LL), WriteInt64BE(&s, 0x0102030405060708LL),
                                          WriteChar(&s, 'q')});
  EXPECT_CALLS({0x12, 0x34, 0x01}, {s.data[3], s.data[4], s.data[9]});
  s.Seek(0);
  EXPECT_CALLS({-2, -2, 0x1234, -100000, 0x01020304, -5000000000LL, -5000000000LL, 0x0102030405060708LL,
                0x0102030405060708LL, 'q', 'q'},
               {ReadInt8(&s), ReadInt16(&s), ReadUInt16BE(&s), ReadInt32(&s), ReadInt32BE(&s), PeekInt64(&s),
                ReadUInt64(&s), PeekUInt64BE(&s), ReadInt64BE(&s), PeekChar(&s), ReadChar(&s)});
  EXPECT_EQ(0x0807060504030201u, SwapBytes64(0x0102030405060708u));
  EXPECT_EQ(0x3412, SwapBytes16(0x1234));
  EXPECT_EQ(0x78563412u, SwapBytes32(0x12345678u));
  s.OpenWith({}, StreamReadable | StreamWritable | StreamSeekable);
  EXPECT_CALLS({1, 1, 1, 1, 14}, {WriteText(&s, "ABCDE"), WriteString(&s, ""), WriteString(&s, "hi;yo"),
                                  WriteText(&s, "xy"), s.Control(4)});
  s.Seek(0);
  char buf[8];
  std::memset(buf, '#', sizeof buf);
  auto got = [&](int result) { return std::to_string(result) + " " + buf; };
  // A cut string is consumed with its NUL; the last one runs out before a NUL.
  EXPECT_EQ("0 ABC", got(ReadString(&s, buf, 4)));
  EXPECT_CALLS({'#', 6}, {buf[4], s.Control(0)});
  EXPECT_EQ("1 hi", got(ReadStringUntil(&s, buf, 8, ';')));
  EXPECT_EQ("1 yo", got(ReadString(&s, buf, 8)));
  EXPECT_EQ("0 xy", got(ReadString(&s, buf, 8)));
  EXPECT_EQ(0, ReadString(&s, buf, 0));
}
using FileStreamTest = TempFolder;
// Random access to the end; peeking leaves the position in both read modes;
// the sequential mode cannot seek.
TEST_F(FileStreamTest, Reading) {
  sFileStream f;
  ASSERT_EQ(0, f.Open(Write("a.bin", Bytes(1000)).c_str(), FileReadSeek));
  EXPECT_CALLS({StreamOpen | StreamReadable | StreamSeekable, 1000}, {f.GetFlags(), f.Control(4)});
  uint8_t buf[300];
  for (int total = 0; total < 1000; total += f.Read(buf, 300)) EXPECT_EQ(0, f.Control(2)) << total;
  EXPECT_CALLS({1, 1}, {f.Control(2), f.Control(9)});  // the last read of 300 got 100
  f.Seek(998);
  EXPECT_CALLS({998 % 256, 0, 0}, {f.ReadByte(), f.Close(), f.GetFlags()});
  std::string path = Write("p.bin", Bytes(50, 10));
  for (int mode : {FileRead, FileReadSeek}) {
    ASSERT_EQ(0, f.Open(path.c_str(), mode));
    f.Read(nullptr, 5);
    uint8_t a[6], b[6];
    EXPECT_CALLS({6, 5, 6, 15}, {f.Peek(a, 6), f.Control(0), f.Read(b, 6), b[0]});
    EXPECT_EQ(0, std::memcmp(a, b, 6)) << "mode " << mode;
    f.Read(nullptr, 100);
    EXPECT_EQ(0, f.Peek(a, 1)) << "at the end";
  }
  ASSERT_EQ(0, f.Open(Write("s.bin", Bytes(20)).c_str(), FileRead));
  EXPECT_CALLS({StreamOpen | StreamReadable, 20, 3, 3, 3},
               {f.GetFlags(), f.GetLength(), f.Read(nullptr, 3), f.Seek(10), f.ReadByte()});
}
// Appending writes after the old end and needs the file unless creating;
// creating a new file fails on an existing one (which survives); truncating
// creation empties it.
TEST_F(FileStreamTest, AppendingAndCreating) {
  std::string path = Write("app.bin", {1, 2, 3});
  sFileStream f;
  ASSERT_EQ(0, f.Open(path.c_str(), FileAppend));
  // The length of an appending stream stays 0.
  EXPECT_CALLS({StreamOpen | StreamWritable, 0, 2, 0, 2, 0},
               {f.GetFlags(), f.GetLength(), f.Write("\x09\x08", 2), f.GetLength(), f.Control(1), f.Control(3)});
  f.Close();
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 9, 8}), Read(path));
  for (int mode : {int(FileAppend), int(FileReadSeek)})
    EXPECT_CALLS({-1, 0}, {f.Open(Path("missing").c_str(), mode), f.GetFlags()});
  ASSERT_EQ(0, f.Open(Path("made").c_str(), FileAppend | FileCreate));
  f.Write("ab", 2);
  f.Close();
  EXPECT_EQ(2u, Read(Path("made")).size());
  std::string keep = Write("keep.bin", {7, 7, 7});
  EXPECT_CALLS({-1, 0}, {f.Open(keep.c_str(), 13), f.GetFlags()});
  EXPECT_EQ((std::vector<uint8_t>{7, 7, 7}), Read(keep));
  EXPECT_CALLS({0, 1, 0}, {f.Open(Path("new.bin").c_str(), 13), f.WriteByte(4), f.Close()});
  EXPECT_EQ((std::vector<uint8_t>{4}), Read(Path("new.bin")));
  std::string t = Write("t.bin", Bytes(40));
  EXPECT_CALLS({0, 0}, {f.Open(t.c_str(), FileUpdate | FileCreateTrunc), f.GetLength()});
  f.Close();
  EXPECT_TRUE(Read(t).empty());
}
// Update mode writes in place, buffered or not; the update switch.
TEST_F(FileStreamTest, Updating) {
  std::string path = Write("u.bin", Bytes(10));
  sFileStream f;
  ASSERT_EQ(0, f.Open(path.c_str(), FileUpdate));
  // Update access is never at the end of output.
  EXPECT_CALLS({StreamOpen | StreamReadable | StreamWritable | StreamSeekable | StreamUpdate, 10, 8, 4, 12, 12, 0},
               {f.GetFlags(), f.GetLength(), f.Seek(8), f.Write("WXYZ", 4), f.GetLength(), f.Seek(12), f.Control(3)});
  f.Seek(0);
  EXPECT_CALLS({1, 0, 0}, {f.WriteBits(0x7, 3), f.Control(0), f.Close()});
  EXPECT_EQ((std::vector<uint8_t>{7, 1, 2, 3, 4, 5, 6, 7, 'W', 'X', 'Y', 'Z'}), Read(path));
  path = Write("b.bin", Bytes(200));
  ASSERT_EQ(0, f.Open(path.c_str(), FileUpdate));
  std::vector<uint8_t> block(40, 0xEE);
  EXPECT_CALLS({1, 0, 40, 100, 100, 1, 0}, {f.Control(15, 0, 16), f.ReadByte(), f.Write(block.data(), 40), f.Seek(100),
                                            f.ReadByte(), f.WriteByte(0x55), f.Close()});
  std::vector<uint8_t> want = Bytes(200);
  std::fill(want.begin() + 1, want.begin() + 41, 0xEE);
  want[101] = 0x55;
  EXPECT_EQ(want, Read(path));
  path = Write("c.bin", Bytes(4));
  ASSERT_EQ(0, f.Open(path.c_str(), FileReadSeek));
  EXPECT_CALLS({0, 0}, {f.Control(36, 0, 1), f.Control(37)});
  ASSERT_EQ(0, f.Open(path.c_str(), FileUpdate));
  // Other codes reach the base class.
  EXPECT_CALLS({0, 1, 1, 0, 4}, {f.Control(36, 0, 1), f.Control(37), f.Control(36, 0, 0), f.Control(37), f.Control(4)});
}
TEST_F(FileStreamTest, ReopenClosesFirstAndDestructorReleases) {
  sFileStream f;
  ASSERT_EQ(0, f.Open(Write("r1.bin", Bytes(3, 50)).c_str(), FileReadSeek));
  f.ReadByte();
  ASSERT_EQ(0, f.Open(Write("r2.bin", Bytes(5, 60)).c_str(), FileReadSeek));
  EXPECT_CALLS({0, 5, 60}, {f.Control(0), f.GetLength(), f.ReadByte()});
  {
    sFileStream w;
    ASSERT_EQ(0, w.Open(Path("d.bin").c_str(), FileAppend | FileCreate));
    w.SetOutputBufferSize(32);
    w.Write("buffered", 8);
  }
  EXPECT_EQ(8u, Read(Path("d.bin")).size()) << "destroying an open file stream closes it";
}
}  // namespace
