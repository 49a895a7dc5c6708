#include "audio/mpeg/input.h"

#include <algorithm>
#include <cstring>

int sMpegMemoryInput::Read(void* buffer, int count) {
  int n = std::max(0, std::min(count, size_ - pos_));
  if (buffer && n) std::memcpy(buffer, data_ + pos_, n);
  pos_ += n;
  return n;
}

int sMpegMemoryInput::Peek(void* buffer, int count) {
  int n = std::max(0, std::min(count, size_ - pos_));
  if (buffer && n) std::memcpy(buffer, data_ + pos_, n);
  return n;
}

int sMpegMemoryInput::Seek(int position) {
  if (!seekable_) return pos_;
  pos_ = std::max(0, std::min(position, size_));
  return pos_;
}
