// Building test files byte by byte, in a temporary folder removed afterwards.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/paths.h"

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
};

class TempFolder : public ::testing::Test {
protected:
  void SetUp() override { dir_ = testpaths::TempDir("raster"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Write(const std::string& name, const Bytes& b) const {
    std::string p = Path(name);
    std::filesystem::create_directories(std::filesystem::path(p).parent_path());
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data.data()),
                                             static_cast<std::streamsize>(b.size()));
    return p;
  }

  std::string dir_;
};
