// What lies around the audio frames of real files: ID3v2 tags at the start
// (or between joined files), ID3v1, APEv2, Lyrics3 and appended ID3v2 tags at
// the end, and the Xing/Info frame with its encoder delay and padding.
#pragma once
#include <cstdint>
#include <functional>

namespace mpegtags {

// Size in bytes of the ID3v2 tag (2.2, 2.3 or 2.4; header, body and footer)
// whose 10-byte header starts at p; 0 when p holds no valid tag header.
int64_t Id3v2Size(const uint8_t* p);

// Reads n bytes at a position of the input into dest; false when it cannot.
using ReadAt = std::function<bool(int64_t position, uint8_t* dest, int n)>;

// Where the tags at the end of an input of `end` bytes begin (end itself when
// there are none). Tags that would reach below `floor` are not tags.
int64_t EndTagsStart(int64_t end, int64_t floor, const ReadAt& read);

// The Xing/Info frame at the start of a stream, as lame and ffmpeg write it.
struct sInfoFrame {
  bool present = false;
  bool vbr = false;     // "Xing": the bit rate varies ("Info": it does not)
  int64_t frames = -1;  // MPEG frames of audio after it; -1 unknown
  int delay = -1;       // encoder delay and padding in samples; -1 unknown
  int padding = -1;
};

// Looks for the Xing/Info fields in a frame of `size` bytes whose header
// gives the version (0 MPEG-1) and mode (3 mono) and whether a CRC follows.
sInfoFrame ParseInfoFrame(const uint8_t* frame, int size, int version, int mode, bool crc);

}  // namespace mpegtags
