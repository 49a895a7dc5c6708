// mpegdec's input and output, both streamed in blocks: memory stays bounded
// whatever the length of the file or pipe.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "audio/mpeg/input.h"

// A file, or standard input for "-". Only regular files are seekable.
class sFileInput : public sMpegInput {
public:
  ~sFileInput() override;
  // Empty on success, else why the input cannot be read.
  std::string Open(const std::string& path);
  int Seekable() override { return seekable_; }
  int Read(void* buffer, int count) override;
  int64_t Seek(int64_t position) override;
  int64_t Length() override { return length_; }
  // Identifies the file (device and inode), so an output cannot replace it.
  bool SameFile(const std::string& path) const;

private:
  int fd_ = -1;
  bool seekable_ = false;
  int64_t length_ = 0;
  uint64_t device_ = 0, inode_ = 0;
};

// A WAV file (written beside its final name and put in place when complete,
// so a failed decode leaves an existing file as it was) or raw PCM on
// standard output for "-".
class sPcmOutput {
public:
  ~sPcmOutput();
  // Empty on success, else why the output cannot be made.
  std::string Open(const std::string& path, int rate, int channels, int bytesPerSample);
  bool Write(const void* data, size_t bytes);
  // Completes the file; empty on success.
  std::string Finish();

private:
  void Abandon();
  std::string path_, temp_;
  std::FILE* file_ = nullptr;
  bool raw_ = false;     // standard output
  bool direct_ = false;  // a device or pipe given by name
  uint64_t bytes_ = 0;
  int format_[3] = {0, 0, 0};  // rate, channels, bytes per sample
};
