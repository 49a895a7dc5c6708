// The decoder's view of its compressed input. sMpegStream adapts an sStream to
// it; tests and tools can hand it memory directly.
#pragma once
#include <cstdint>
#include <vector>

class sMpegInput {
 public:
  virtual ~sMpegInput() {}
  virtual int Seekable() = 0;
  // Bytes delivered; a null buffer skips.
  virtual int Read(void* buffer, int count) = 0;
  virtual int Peek(void* buffer, int count) = 0;
  virtual int AtEnd() = 0;
  virtual int Seek(int position) = 0;
  virtual int SeekRelative(int delta) = 0;
  virtual int Length() = 0;
};

// Input over a block of memory (not owned).
class sMpegMemoryInput : public sMpegInput {
 public:
  sMpegMemoryInput(const uint8_t* data, int size, bool seekable = true)
      : data_(data), size_(size), seekable_(seekable) {}
  int Seekable() override { return seekable_; }
  int Read(void* buffer, int count) override;
  int Peek(void* buffer, int count) override;
  int AtEnd() override { return pos_ >= size_; }
  int Seek(int position) override;
  int SeekRelative(int delta) override { return Seek(pos_ + delta); }
  int Length() override { return seekable_ ? size_ : 0; }
  int Position() const { return pos_; }

 private:
  const uint8_t* data_;
  int size_;
  bool seekable_;
  int pos_ = 0;
};
