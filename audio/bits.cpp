// Bit access on sStream. Seekable streams keep the position on the byte that
// holds the next bit; others hold a partly read byte and collect written bits.
#include <algorithm>

#include "audio/stream.h"

namespace {

uint32_t Mask(int n) { return n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1; }

// Fields longer than 32 - p bits are not supported; keep them inside the word.
int Clamp(int n, int p) { return std::max(0, std::min(n, 32 - p)); }

uint32_t LittleWord(const uint8_t* b) {
  return b[0] | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}
uint32_t BigWord(const uint8_t* b) {
  return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}
void StoreLittle(uint8_t* b, uint32_t w) {
  for (int i = 0; i < 4; ++i) b[i] = uint8_t(w >> (8 * i));
}
void StoreBig(uint8_t* b, uint32_t w) {
  for (int i = 0; i < 4; ++i) b[i] = uint8_t(w >> (24 - 8 * i));
}

uint32_t Extract(const uint8_t* b, bool msbFirst, int p, int n) {
  if (msbFirst) return uint32_t((uint64_t(BigWord(b)) >> (32 - p - n)) & Mask(n));
  return (LittleWord(b) >> p) & Mask(n);
}

}  // namespace

int sStream::ReadBit() {
  if (Inner) return Inner->ReadBit();
  int p = ReadBitPos, byte;
  if (!(Flags & StreamSeekable)) {
    if (p == 0) CurrentReadByte = ReadByte();
    byte = CurrentReadByte;
  } else {
    byte = p == 7 ? ReadByte() : PeekByte();
  }
  ReadBitPos = (p + 1) & 7;
  return ReadBitOrder ? (byte >> (7 - p)) & 1 : (byte >> p) & 1;
}

int sStream::PeekBit() {
  if (Inner) return Inner->PeekBit();
  int p = ReadBitPos;
  int byte = !(Flags & StreamSeekable) && p != 0 ? CurrentReadByte : PeekByte();
  return ReadBitOrder ? (byte >> (7 - p)) & 1 : (byte >> p) & 1;
}

uint32_t sStream::PeekBits(int n) {
  if (Inner) return Inner->PeekBits(n);
  int p = ReadBitPos;
  n = Clamp(n, p);
  uint8_t bytes[4] = {0, 0, 0, 0};
  if (!(Flags & StreamSeekable) && p != 0) {
    bytes[0] = uint8_t(CurrentReadByte);
    Peek(bytes + 1, (p + n - 1) / 8);
  } else {
    Peek(bytes, (p + n + 7) / 8);
  }
  return Extract(bytes, ReadBitOrder, p, n);
}

uint32_t sStream::ReadBits(int n) {
  if (Inner) return Inner->ReadBits(n);
  int p = ReadBitPos;
  n = Clamp(n, p);
  uint8_t bytes[4] = {0, 0, 0, 0};
  if (Flags & StreamSeekable) {
    int ok = ReadAll(bytes, (p + n + 7) / 8);
    if ((p + n) % 8 != 0 && ok) SeekRelative(-1);
  } else if (p != 0) {
    int k = (p + n - 1) / 8;
    bytes[0] = uint8_t(CurrentReadByte);
    Read(bytes + 1, k);
    CurrentReadByte = bytes[k];
  } else {
    int k = (p + n + 7) / 8;
    Read(bytes, k);
    if (k > 0) CurrentReadByte = bytes[k - 1];
  }
  ReadBitPos = (p + n) % 8;
  return Extract(bytes, ReadBitOrder, p, n);
}

void sStream::SkipBits(int n) {
  if (Inner) return Inner->SkipBits(n);
  int p = ReadBitPos;
  if (Flags & StreamSeekable) {
    p += n;
    int bytes = p >= 0 ? p / 8 : -((7 - p) / 8);
    SeekRelative(bytes);
    ReadBitPos = p - bytes * 8;
    return;
  }
  if (n < 0) n = 0;  // what was read cannot be read again
  int b = (p + n) / 8 + (p == 0 ? 1 : 0);
  int next = (p + n) % 8;
  ReadBitPos = next;
  if (b != 0) {
    Read(nullptr, b - 1);
    if (next != 0) CurrentReadByte = ReadByte();
  }
}

void sStream::AlignToByte() {
  if (Inner) return Inner->AlignToByte();
  SkipBits((8 - ReadBitPos) % 8);
}

int sStream::WriteBit(int bit) {
  if (Inner) return Inner->WriteBit(bit);
  if (!(Flags & StreamWritable)) return 0;
  if (Flags & StreamSeekable) {
    int p = ReadBitPos;
    int saved = FillByte;
    FillByte = PadBits & 0xFF;  // beyond the end the pad bits stand in for the byte
    int byte = PeekByte();
    FillByte = saved;
    int mask = ReadBitOrder ? 0x80 >> p : 1 << p;
    byte = bit ? byte | mask : byte & ~mask;
    int ok = WriteByte(byte);
    ReadBitPos = (p + 1) % 8;
    if (ReadBitPos != 0 && ok) SeekRelative(-1);
    return ok;
  }
  if (bit) WriteBitAccum |= WriteBitOrder ? 0x80u >> WriteBitCount : 1u << WriteBitCount;
  if (++WriteBitCount < 8) return 1;
  int ok = WriteByte(int(WriteBitAccum));
  WriteBitAccum = 0;
  WriteBitCount = 0;
  return ok;
}

int sStream::WriteBits(uint32_t value, int n) {
  if (Inner) return Inner->WriteBits(value, n);
  if (!(Flags & StreamWritable)) return 0;
  uint8_t bytes[4] = {0, 0, 0, 0};
  if (Flags & StreamSeekable) {
    int p = ReadBitPos;
    n = Clamp(n, p);
    value &= Mask(n);
    int k = (p + n + 7) / 8;
    int saved = FillByte;
    FillByte = PadBits & 0xFF;
    Peek(bytes, k);
    FillByte = saved;
    if (ReadBitOrder) {
      int shift = 32 - p - n;
      uint64_t field = uint64_t(Mask(n)) << shift;
      uint64_t word = (BigWord(bytes) & ~field) | (uint64_t(value) << shift);
      StoreBig(bytes, uint32_t(word));
    } else {
      uint32_t field = Mask(n) << p;
      StoreLittle(bytes, (LittleWord(bytes) & ~field) | (value << p));
    }
    int ok = WriteAll(bytes, k);
    ReadBitPos = (p + n) % 8;
    if (ReadBitPos != 0 && ok) SeekRelative(-1);
    return ok;
  }
  int count = WriteBitCount;
  n = Clamp(n, count);
  value &= Mask(n);
  if (WriteBitOrder)
    StoreBig(bytes, uint32_t((uint64_t(WriteBitAccum) << 24) | (uint64_t(value) << (32 - count - n))));
  else
    StoreLittle(bytes, WriteBitAccum | uint32_t(uint64_t(value) << count));
  count += n;
  int whole = count / 8;
  int ok = WriteAll(bytes, whole);
  WriteBitAccum = whole < 4 ? bytes[whole] : 0;
  WriteBitCount = count % 8;
  return ok;
}

int sStream::FlushBits() {
  if (Inner) return Inner->FlushBits();
  if (Flags & StreamSeekable) {
    if (ReadBitPos != 0) {
      SeekRelative(1);
      ReadBitPos = 0;
    }
    return 1;
  }
  if (WriteBitCount != 0) return WriteBits(uint32_t(PadBits), 8 - WriteBitCount);
  return 1;
}

int sStream::GetReadBitPosition() {
  if (Inner) return Inner->GetReadBitPosition();
  return ReadBitPos;
}

int sStream::GetWriteBitPosition() {
  if (Inner) return Inner->GetWriteBitPosition();
  return Flags & StreamSeekable ? ReadBitPos : WriteBitCount;
}
