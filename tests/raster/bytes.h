// Building test files byte by byte.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "framework/system/fatal.h"
#include "framework/system/reset.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/temp_folder.h"
struct Bytes {
  std::vector<uint8_t> data;
  Bytes& u8(int v) {
    data.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Bytes& u16(int v) { return u8(v).u8(v >> 8); }
  Bytes& u32(uint32_t v) { return u16(static_cast<int>(v & 0xFFFF)).u16(static_cast<int>(v >> 16)); }
  Bytes& str(const std::string& s) {
    data.insert(data.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& cstr(const std::string& s) { return str(s).u8(0); }
  Bytes& fill(int count, int v) {
    data.insert(data.end(), static_cast<size_t>(count), static_cast<uint8_t>(v));
    return *this;
  }
  Bytes& add(const Bytes& b) {
    data.insert(data.end(), b.data.begin(), b.data.end());
    return *this;
  }
  size_t size() const { return data.size(); }
  operator const std::vector<uint8_t>&() const { return data; }
};
// Back to start-up state within one test, with fatal errors still thrown.
inline void ResetKeepingFatalThrow() {
  ResetProcessState();
  SetFatalHandler([](const char* text) { throw FatalError(text); });
}
