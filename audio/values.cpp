#include "audio/values.h"

#include <cstring>

#include "audio/stream.h"

uint16_t SwapBytes16(uint16_t v) { return uint16_t((v >> 8) | (v << 8)); }
uint32_t SwapBytes32(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}
uint64_t SwapBytes64(uint64_t v) {
  return (uint64_t(SwapBytes32(uint32_t(v))) << 32) | SwapBytes32(uint32_t(v >> 32));
}

namespace {

// Bytes in stream order, assembled without regard to the host's order.
template <typename T>
T Assemble(const uint8_t* b, bool bigEndian) {
  uint64_t v = 0;
  for (unsigned i = 0; i < sizeof(T); ++i) {
    unsigned shift = bigEndian ? 8 * (sizeof(T) - 1 - i) : 8 * i;
    v |= uint64_t(b[i]) << shift;
  }
  return static_cast<T>(v);
}

template <typename T>
T Get(sStream* s, bool peek, bool bigEndian) {
  uint8_t b[sizeof(T)] = {};
  if (peek)
    s->Peek(b, sizeof(T));
  else
    s->Read(b, sizeof(T));
  return Assemble<T>(b, bigEndian);
}

template <typename T>
int Put(sStream* s, uint64_t value, bool bigEndian) {
  uint8_t b[sizeof(T)];
  for (unsigned i = 0; i < sizeof(T); ++i) {
    unsigned shift = bigEndian ? 8 * (sizeof(T) - 1 - i) : 8 * i;
    b[i] = uint8_t(value >> shift);
  }
  return s->WriteAll(b, sizeof(T));
}

}  // namespace

int8_t ReadInt8(sStream* s) { return Get<int8_t>(s, false, false); }
uint8_t ReadUInt8(sStream* s) { return Get<uint8_t>(s, false, false); }
int16_t ReadInt16(sStream* s) { return Get<int16_t>(s, false, false); }
uint16_t ReadUInt16(sStream* s) { return Get<uint16_t>(s, false, false); }
int32_t ReadInt32(sStream* s) { return Get<int32_t>(s, false, false); }
uint32_t ReadUInt32(sStream* s) { return Get<uint32_t>(s, false, false); }
int64_t ReadInt64(sStream* s) { return Get<int64_t>(s, false, false); }
uint64_t ReadUInt64(sStream* s) { return Get<uint64_t>(s, false, false); }
int16_t ReadInt16BE(sStream* s) { return Get<int16_t>(s, false, true); }
uint16_t ReadUInt16BE(sStream* s) { return Get<uint16_t>(s, false, true); }
int32_t ReadInt32BE(sStream* s) { return Get<int32_t>(s, false, true); }
uint32_t ReadUInt32BE(sStream* s) { return Get<uint32_t>(s, false, true); }
int64_t ReadInt64BE(sStream* s) { return Get<int64_t>(s, false, true); }
uint64_t ReadUInt64BE(sStream* s) { return Get<uint64_t>(s, false, true); }

int8_t PeekInt8(sStream* s) { return Get<int8_t>(s, true, false); }
uint8_t PeekUInt8(sStream* s) { return Get<uint8_t>(s, true, false); }
int16_t PeekInt16(sStream* s) { return Get<int16_t>(s, true, false); }
uint16_t PeekUInt16(sStream* s) { return Get<uint16_t>(s, true, false); }
int32_t PeekInt32(sStream* s) { return Get<int32_t>(s, true, false); }
uint32_t PeekUInt32(sStream* s) { return Get<uint32_t>(s, true, false); }
int64_t PeekInt64(sStream* s) { return Get<int64_t>(s, true, false); }
uint64_t PeekUInt64(sStream* s) { return Get<uint64_t>(s, true, false); }
int16_t PeekInt16BE(sStream* s) { return Get<int16_t>(s, true, true); }
uint16_t PeekUInt16BE(sStream* s) { return Get<uint16_t>(s, true, true); }
int32_t PeekInt32BE(sStream* s) { return Get<int32_t>(s, true, true); }
uint32_t PeekUInt32BE(sStream* s) { return Get<uint32_t>(s, true, true); }
int64_t PeekInt64BE(sStream* s) { return Get<int64_t>(s, true, true); }
uint64_t PeekUInt64BE(sStream* s) { return Get<uint64_t>(s, true, true); }

int WriteInt8(sStream* s, int value) { return Put<uint8_t>(s, uint64_t(value), false); }
int WriteInt16(sStream* s, int value) { return Put<uint16_t>(s, uint64_t(value), false); }
int WriteInt16BE(sStream* s, int value) { return Put<uint16_t>(s, uint64_t(value), true); }
int WriteInt32(sStream* s, int32_t value) { return Put<uint32_t>(s, uint64_t(value), false); }
int WriteInt32BE(sStream* s, int32_t value) { return Put<uint32_t>(s, uint64_t(value), true); }
int WriteInt64(sStream* s, int64_t value) { return Put<uint64_t>(s, uint64_t(value), false); }
int WriteInt64BE(sStream* s, int64_t value) { return Put<uint64_t>(s, uint64_t(value), true); }

char ReadChar(sStream* s) { return char(Get<int8_t>(s, false, false)); }
char PeekChar(sStream* s) { return char(Get<int8_t>(s, true, false)); }
int WriteChar(sStream* s, char c) { return Put<uint8_t>(s, uint8_t(c), false); }

int ReadStringUntil(sStream* s, char* buffer, int max, char terminator) {
  if (max < 1) return 0;
  for (int i = 0;; ++i) {
    char c = ReadChar(s);
    buffer[i] = 0;
    if (s->Control(9)) return 0;
    if (c == terminator) return 1;
    if (i == max - 1) {
      // No room: drop the rest of the string.
      while (c != 0 && !s->Control(9)) c = ReadChar(s);
      return 0;
    }
    buffer[i] = c;
  }
}

int ReadString(sStream* s, char* buffer, int max) { return ReadStringUntil(s, buffer, max, 0); }

int WriteString(sStream* s, const char* text) {
  int n = int(std::strlen(text)) + 1;
  return s->WriteAll(text, n);
}

int WriteText(sStream* s, const char* text) {
  int n = int(std::strlen(text));
  return s->WriteAll(text, n);
}
