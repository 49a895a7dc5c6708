#include "audio/mpeg/tags.h"

#include <cstring>

namespace mpegtags {

namespace {

uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }
uint32_t Le32(const uint8_t* p) { return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

// 28 bits in four bytes of seven; -1 when a byte has its top bit set.
int64_t SyncSafe(const uint8_t* p) {
  if ((p[0] | p[1] | p[2] | p[3]) & 0x80) return -1;
  return (int64_t(p[0]) << 21) | (int64_t(p[1]) << 14) | (int64_t(p[2]) << 7) | p[3];
}

// The CRC-16 (polynomial 0x8005, reflected) that guards lame's tag.
uint16_t Crc16(const uint8_t* p, int n) {
  uint16_t crc = 0;
  for (int i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
  }
  return crc;
}

bool Digits(const uint8_t* p, int n, int64_t& value) {
  value = 0;
  for (int i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    value = value * 10 + (p[i] - '0');
  }
  return true;
}

// The size of one tag that ends at `end`, or 0.
int64_t TagEndingAt(int64_t end, int64_t floor, const ReadAt& read) {
  uint8_t b[32];
  int64_t room = end - floor;
  if (room >= 128 && read(end - 128, b, 3) && std::memcmp(b, "TAG", 3) == 0) return 128;
  if (room >= 32 && read(end - 32, b, 32) && std::memcmp(b, "APETAGEX", 8) == 0) {
    // The size counts the items and this footer; a header may stand before them.
    int64_t size = Le32(b + 12) + ((b[23] & 0x80) ? 32 : 0);
    if (size >= 32 && size <= room) return size;
  }
  if (room >= 15 && read(end - 15, b, 15) && std::memcmp(b + 6, "LYRICS200", 9) == 0) {
    int64_t size;
    uint8_t begin[11];
    if (Digits(b, 6, size) && size + 15 <= room && read(end - 15 - size, begin, 11) &&
        std::memcmp(begin, "LYRICSBEGIN", 11) == 0)
      return size + 15;
  }
  if (room >= 20 && read(end - 9, b, 9) && std::memcmp(b, "LYRICSEND", 9) == 0) {
    // Lyrics3 version 1: at most 5100 bytes of lyrics after LYRICSBEGIN.
    int span = int(room < 5120 ? room : 5120);
    uint8_t area[5120];
    if (read(end - span, area, span))
      for (int i = span - 20; i >= 0; --i)
        if (std::memcmp(area + i, "LYRICSBEGIN", 11) == 0) return span - i;
  }
  if (room >= 20 && read(end - 10, b, 10) && std::memcmp(b, "3DI", 3) == 0) {
    int64_t body = SyncSafe(b + 6);
    uint8_t head[10];
    if (body >= 0 && body + 20 <= room && read(end - 20 - body, head, 10) && std::memcmp(head, "ID3", 3) == 0)
      return body + 20;
  }
  return 0;
}

}  // namespace

int64_t Id3v2Size(const uint8_t* p) {
  if (p[0] != 'I' || p[1] != 'D' || p[2] != '3') return 0;
  if (p[3] < 2 || p[3] > 4 || p[4] == 0xFF) return 0;
  int64_t body = SyncSafe(p + 6);
  if (body < 0) return 0;
  bool footer = p[3] == 4 && (p[5] & 0x10);
  return 10 + body + (footer ? 10 : 0);
}

int64_t EndTagsStart(int64_t end, int64_t floor, const ReadAt& read) {
  // Each kind at most a few times: a file cannot make this loop long.
  for (int i = 0; i < 8; ++i) {
    int64_t size = TagEndingAt(end, floor, read);
    if (size <= 0) break;
    end -= size;
  }
  return end;
}

sInfoFrame ParseInfoFrame(const uint8_t* frame, int size, int version, int mode, bool crc) {
  sInfoFrame info;
  int side = version == 0 ? (mode == 3 ? 17 : 32) : (mode == 3 ? 9 : 17);
  for (int at : {4 + side, 4 + side + (crc ? 2 : 0)}) {
    if (at + 8 > size) continue;
    const uint8_t* x = frame + at;
    if (std::memcmp(x, "Xing", 4) != 0 && std::memcmp(x, "Info", 4) != 0) continue;
    info.present = true;
    info.vbr = std::memcmp(x, "Xing", 4) == 0;
    uint32_t flags = Be32(x + 4);
    int pos = at + 8;
    if (flags & 1) {
      if (pos + 4 > size) return info;
      info.frames = Be32(frame + pos);
      pos += 4;
    }
    if (flags & 2) pos += 4;    // bytes
    if (flags & 4) pos += 100;  // table of contents
    if (flags & 8) pos += 4;    // quality
    // lame's extension: 36 bytes ending in a CRC of everything before it.
    if (pos + 36 <= size) {
      const uint8_t* l = frame + pos;
      uint16_t stored = uint16_t((l[34] << 8) | l[35]);
      if (Crc16(frame, pos + 34) == stored) {
        info.delay = (l[21] << 4) | (l[22] >> 4);
        info.padding = ((l[22] & 15) << 8) | l[23];
      }
    }
    return info;
  }
  return info;
}

}  // namespace mpegtags
