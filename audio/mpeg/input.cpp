#include "audio/mpeg/input.h"

#include <algorithm>
#include <cstring>

int sMpegMemoryInput::Read(void* buffer, int count) {
  int n = int(std::max<int64_t>(0, std::min<int64_t>(count, size_ - pos_)));
  if (buffer && n) std::memcpy(buffer, data_ + pos_, size_t(n));
  pos_ += n;
  return n;
}

int64_t sMpegMemoryInput::Seek(int64_t position) {
  if (!seekable_) return pos_;
  pos_ = std::max<int64_t>(0, std::min(position, size_));
  return pos_;
}
