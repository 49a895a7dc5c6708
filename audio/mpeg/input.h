// The decoder's view of its compressed input. sMpegStream adapts an sStream to
// it; tools hand it files, pipes or memory directly. Positions are 64-bit.
#pragma once
#include <cstdint>

class sMpegInput {
 public:
  virtual ~sMpegInput() {}
  virtual int Seekable() = 0;
  // Bytes delivered (0 at the end or on an error); a null buffer skips.
  virtual int Read(void* buffer, int count) = 0;
  // The new position; inputs that cannot seek stay where they are.
  virtual int64_t Seek(int64_t position) = 0;
  // Bytes in the input; 0 when not known.
  virtual int64_t Length() = 0;
};

// Input over a block of memory (not owned).
class sMpegMemoryInput : public sMpegInput {
 public:
  sMpegMemoryInput(const uint8_t* data, int64_t size, bool seekable = true)
      : data_(data), size_(size), seekable_(seekable) {}
  int Seekable() override { return seekable_; }
  int Read(void* buffer, int count) override;
  int64_t Seek(int64_t position) override;
  int64_t Length() override { return seekable_ ? size_ : 0; }
  int64_t Position() const { return pos_; }

 private:
  const uint8_t* data_;
  int64_t size_;
  bool seekable_;
  int64_t pos_ = 0;
};
