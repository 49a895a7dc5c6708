// Typed values on streams: integers in both byte orders, characters, strings.
// Reads and peeks start from a zeroed value, so bytes missing at the end of
// the stream read as 0 (or as the stream's fill byte).
#pragma once
#include <cstdint>

class sStream;

uint16_t SwapBytes16(uint16_t value);
uint32_t SwapBytes32(uint32_t value);
uint64_t SwapBytes64(uint64_t value);

int8_t ReadInt8(sStream* s);
uint8_t ReadUInt8(sStream* s);
int16_t ReadInt16(sStream* s);
uint16_t ReadUInt16(sStream* s);
int32_t ReadInt32(sStream* s);
uint32_t ReadUInt32(sStream* s);
int64_t ReadInt64(sStream* s);
uint64_t ReadUInt64(sStream* s);
int16_t ReadInt16BE(sStream* s);
uint16_t ReadUInt16BE(sStream* s);
int32_t ReadInt32BE(sStream* s);
uint32_t ReadUInt32BE(sStream* s);
int64_t ReadInt64BE(sStream* s);
uint64_t ReadUInt64BE(sStream* s);

int8_t PeekInt8(sStream* s);
uint8_t PeekUInt8(sStream* s);
int16_t PeekInt16(sStream* s);
uint16_t PeekUInt16(sStream* s);
int32_t PeekInt32(sStream* s);
uint32_t PeekUInt32(sStream* s);
int64_t PeekInt64(sStream* s);
uint64_t PeekUInt64(sStream* s);
int16_t PeekInt16BE(sStream* s);
uint16_t PeekUInt16BE(sStream* s);
int32_t PeekInt32BE(sStream* s);
uint32_t PeekUInt32BE(sStream* s);
int64_t PeekInt64BE(sStream* s);
uint64_t PeekUInt64BE(sStream* s);

// 1 if every byte was taken, else 0.
int WriteInt8(sStream* s, int value);
int WriteInt16(sStream* s, int value);
int WriteInt16BE(sStream* s, int value);
int WriteInt32(sStream* s, int32_t value);
int WriteInt32BE(sStream* s, int32_t value);
int WriteInt64(sStream* s, int64_t value);
int WriteInt64BE(sStream* s, int64_t value);

char ReadChar(sStream* s);
char PeekChar(sStream* s);
int WriteChar(sStream* s, char c);

// 1 when the string ended at the terminator; 0 when the stream ran short or
// the string did not fit (the rest up to a NUL byte is then consumed).
int ReadStringUntil(sStream* s, char* buffer, int max, char terminator);
int ReadString(sStream* s, char* buffer, int max);
int WriteString(sStream* s, const char* text);  // with its NUL
int WriteText(sStream* s, const char* text);    // without
