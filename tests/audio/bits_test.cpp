#include <gtest/gtest.h>

#include <random>

#include "audio/values.h"
#include "tests/audio/memstream.h"

namespace {

const int Models[] = {StreamReadable | StreamSeekable, StreamReadable};

// Bit fields in both orders; the seekable model stays on the partly used
// byte; skipping back works where the stream is seekable, not before the start.
TEST(Bits, FieldsInBothOrdersAndPositions) {
  MemStream s;
  for (int flags : Models) {
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

TEST(Bits, SkipMatchesRead) {
  std::mt19937 rng(7);
  std::vector<uint8_t> data(200);
  for (auto& b : data) b = uint8_t(rng());
  for (int flags : Models)
    for (int order = 0; order < 2; ++order) {
      MemStream a, b;
      a.OpenWith(data, flags);
      b.OpenWith(data, flags);
      a.Control(23, 0, order);
      b.Control(23, 0, order);
      std::mt19937 steps(order + 1);
      for (int i = 0; i < 150; ++i) {
        int n = int(steps() % 20) + 1;
        if (steps() % 2)
          a.ReadBits(n), b.SkipBits(n);
        else
          ASSERT_EQ(a.ReadBits(n), b.ReadBits(n));
        ASSERT_EQ(a.GetReadBitPosition(), b.GetReadBitPosition());
        ASSERT_EQ(a.PeekBits(9), b.PeekBits(9)) << flags << "/" << order << " step " << i;
        ASSERT_EQ(a.PeekBit(), b.PeekBit());
      }
    }
}

// Fields written on a non-seekable stream read back on both models.
TEST(Bits, WrittenFieldsReadBack) {
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
    for (int flags : Models) {
      MemStream in;
      in.OpenWith(out.data, flags);
      in.Control(23, 0, order);
      for (size_t i = 0; i < fields.size(); ++i)
        ASSERT_EQ(fields[i].first, fields[i].second == 1 ? uint32_t(in.ReadBit()) : in.ReadBits(fields[i].second))
            << "order " << order << " field " << i;
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
  s.OpenWith({}, StreamReadable | StreamWritable | StreamSeekable);
  s.Control(27, 0, 1);
  s.Control(23, 0, 1);
  EXPECT_EQ(1, s.WriteBits(0x0, 2));
  EXPECT_EQ(std::vector<uint8_t>{0x3F}, s.data);
  EXPECT_EQ(-1, s.Control(22)) << "the fill byte is restored";
  for (int order = 0; order < 2; ++order) {
    s.OpenWith({}, StreamWritable);
    s.Control(25, 0, order);
    s.Control(27, 0, 1);
    EXPECT_CALLS({1, 0, 3, 1}, {s.WriteBits(0x2, 3), s.data.size(), s.GetWriteBitPosition(), s.FlushBits()});  // 010
    EXPECT_EQ(std::vector<uint8_t>{uint8_t(order ? 0x5F : 0xFA)}, s.data);
  }
  s.OpenWith({1, 2}, StreamReadable | StreamSeekable);
  s.writes = 0;
  EXPECT_CALLS({0, 0, 0}, {s.WriteBit(1), s.WriteBits(3, 2), s.writes});
}

TEST(Values, IntegersInBothOrders) {
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
}

TEST(Values, WritesRoundTrip) {
  MemStream s;
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
}

TEST(Values, Strings) {
  MemStream s;
  s.OpenWith({}, StreamReadable | StreamWritable | StreamSeekable);
  EXPECT_CALLS({1, 1, 1, 1, 14}, {WriteText(&s, "ABCDE"), WriteString(&s, ""), WriteString(&s, "hi;yo"),
                                  WriteText(&s, "xy"), s.Control(4)});
  s.Seek(0);
  char buf[8];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(0, ReadString(&s, buf, 4));
  EXPECT_STREQ("ABC", buf);
  EXPECT_EQ('#', buf[4]);
  EXPECT_EQ(6, s.Control(0)) << "the cut string is consumed with its NUL";
  EXPECT_EQ(1, ReadStringUntil(&s, buf, 8, ';'));
  EXPECT_STREQ("hi", buf);
  EXPECT_EQ(1, ReadString(&s, buf, 8));
  EXPECT_STREQ("yo", buf);
  EXPECT_EQ(0, ReadString(&s, buf, 8)) << "runs out before a NUL";
  EXPECT_STREQ("xy", buf);
  EXPECT_EQ(0, ReadString(&s, buf, 0));
}

}  // namespace
