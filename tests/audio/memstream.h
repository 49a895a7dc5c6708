// A stream over a byte vector for the tests, seekable or not, counting its
// primitive calls, with an injectable error result.
#pragma once
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>
#include <gtest/gtest.h>
#include "audio/stream.h"
#include "tests/support/expect_calls.h"
class MemStream : public sStream {
public:
  std::vector<uint8_t> data;
  int pos = 0;               // the primitive's own position
  int reads = 0, writes = 0, seeks = 0, peeks = 0;
  int failReads = 0;         // the next n reads return -1
  int writeLimit = -1;       // >= 0: each DoWrite takes at most this many bytes
  std::vector<int> readSizes;
  int OpenWith(std::vector<uint8_t> bytes, int flags) {
    Close();
    data = std::move(bytes);
    pos = 0;
    SetOpenState(flags, 0, int(data.size()));
    return 0;
  }
  int DoRead(void* buffer, int count) override {
    ++reads;
    readSizes.push_back(count);
    return Copy(buffer, count, true);
  }
  int DoPeek(void* buffer, int count) override { return ++peeks, Copy(buffer, count, false); }
  int DoWrite(const void* buffer, int count) override {
    ++writes;
    int n = writeLimit >= 0 ? std::min(count, writeLimit) : count;
    if (pos + n > int(data.size())) data.resize(size_t(pos + n));
    if (n > 0) std::memcpy(data.data() + pos, buffer, size_t(n));
    pos += n;
    return n;
  }
  int DoSeek(int position) override { return ++seeks, pos = position; }
  // Test access to the protected state.
  const uint8_t* MainBuffer() const { return Buffer; }
  const uint8_t* InlineMain() const { return InlineBuffer; }
 private:
  // The bytes at the position (the next n reads or peeks fail with -1).
  int Copy(void* buffer, int count, bool consume) {
    if (failReads > 0) return --failReads, -1;
    int n = std::max(0, std::min(count, int(data.size()) - pos));
    if (n > 0) std::memcpy(buffer, data.data() + pos, size_t(n));
    if (consume) pos += n;
    return n;
  }
};
inline std::vector<uint8_t> Bytes(int n, int start = 0) {
  std::vector<uint8_t> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[size_t(i)] = uint8_t(start + i);
  return v;
}
